#pragma once
// The restore window: the database to restore into (the one in NombreNodo
// when the window loads is selected).
//
// What it holds so far is the database list; the choice of the backup file,
// its list of files and the restore itself are built on this class. Restore
// stays switched off until a backup file has been read.

#include "platform/formularios.h"

class QComboBox;
class QGroupBox;
class QPushButton;

class frmRestaurarCopia : public FormularioUnico<frmRestaurarCopia> {
    Q_OBJECT
public:
    frmRestaurarCopia();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(440, 200); }

    QGroupBox* fraBaseDatos;
    QComboBox* cboBD;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;

    // Fills the database list from the server and selects NombreNodo's database.
    void CargaBD();
    void PonIdioma();

public slots:
    void cmdCancelar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
};
