#pragma once
// The login editor: the login in NombreObjeto ("" for a new one), read once
// when the window loads. A window already open is only brought forward and
// keeps the login it was opened for.
//
// What it holds so far is the login's name; the password, the access to
// each database, the roles and Accept are built on this class.

#include "platform/formularios.h"

class QLabel;
class QLineEdit;
class QPushButton;

class frmInicioSesion : public FormularioUnico<frmInicioSesion> {
    Q_OBJECT
public:
    frmInicioSesion();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(420, 200); }

    QLabel* lblUsuario;
    QLineEdit* txtUsuario;  // accepts input only while the login does not exist yet
    QPushButton* cmdCancelar;

    void PonIdioma();

public slots:
    void cmdCancelar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
};
