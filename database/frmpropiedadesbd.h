#pragma once
// The database properties window: a new database (BDNueva) or the
// properties of the database in NombreNodo, both read once when the window
// loads. A window already open is only brought forward and keeps the mode
// and the database it was loaded with.
//
// What it holds so far is the name box and the six tabs, switched on or
// off for the mode; the tabs' contents and OK are built on this class.

#include "platform/formularios.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

class frmPropiedadesBD : public FormularioUnico<frmPropiedadesBD> {
    Q_OBJECT
public:
    frmPropiedadesBD();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(620, 440); }

    QGroupBox* Frame1;
    QLabel* lblNombre;
    QLineEdit* txtNombreBD;
    // Tabs: 0 General, 1 options, 2 filegroups, 3 data files, 4 log files,
    // 5 permissions.
    QTabWidget* sstBaseDatos;
    QPushButton* cmdCancelar;

    // The name in the name box when the window loaded.
    QString NombreOriginal;
    // The mode the window loaded in: True for a new database.
    bool EsNueva = false;

    void PonIdioma();

public slots:
    void cmdCancelar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
};
