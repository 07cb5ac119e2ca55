#pragma once
// The backup window: the database to back up (the one in NombreNodo when the
// window loads is selected) and the name of the backup device, proposed as
// "Copia" followed by the database's name.
//
// What it holds so far is the database list and the device name; the
// destination, the kind of backup, the verification and OK are built on
// this class.

#include "platform/formularios.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmCopiaSeguridad : public FormularioUnico<frmCopiaSeguridad> {
    Q_OBJECT
public:
    frmCopiaSeguridad();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(440, 220); }

    QGroupBox* fraBaseDatos;
    QComboBox* cboBD;
    QGroupBox* Frame4;
    QLabel* lblNombre;
    QLineEdit* txtNombreCopia;
    QPushButton* cmdCancelar;

    // Fills the database list from the server, selects NombreNodo's database
    // and proposes the device name.
    void CargaBD();
    void PonIdioma();

public slots:
    void cmdCancelar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
};
