#pragma once
// The backup window: the database to back up (the one in NombreNodo when the
// window loads is selected), the name of the backup device (proposed as
// "Copia" followed by the database's name), the file the device points at as
// the server sees it, the kind of backup and whether to verify it.
//
// OK (re)creates the device and backs up to it, appending to its file; the
// success message comes only when every statement was read to its end
// without an error. The first failure is reported and ends it, the window
// keeping its entries; a retry is safe, as the device is dropped and added
// again. The backup and its verification run without the command time-out.

#include "platform/formularios.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmCopiaSeguridad : public FormularioUnico<frmCopiaSeguridad> {
    Q_OBJECT
public:
    frmCopiaSeguridad();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(440, 330); }

    QGroupBox* fraBaseDatos;
    QComboBox* cboBD;
    QGroupBox* Frame4;
    QLabel* lblNombre;
    QLineEdit* txtNombreCopia;
    QGroupBox* fraDestino;
    QLineEdit* txtDestino;
    QCheckBox* chkComprobar;
    QGroupBox* FraTipo;
    QRadioButton* optCompleta;
    QRadioButton* optDiferencial;
    QRadioButton* optRegistro;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;

    // Fills the database list from the server, selects NombreNodo's database
    // and proposes the device name.
    void CargaBD();
    void PonIdioma();

public slots:
    void cboBD_Click();
    void cmdAceptar_Click();
    void cmdCancelar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
    QWidget* ControlInicial() override;
};
