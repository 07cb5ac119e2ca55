#pragma once
// The database-user editor: the user in NombreObjeto ("" for a new one) of
// the database in NombreNodo, both read once when the window loads. A window
// already open is only brought forward and keeps the user it was opened for.
//
// What it holds so far is the user's name; the password, the roles, the
// object permissions and Accept are built on this class.

#include "platform/formularios.h"

class QLabel;
class QLineEdit;
class QPushButton;

class frmUsuario : public FormularioUnico<frmUsuario> {
    Q_OBJECT
public:
    frmUsuario();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(420, 200); }

    QLabel* lblUsuario;
    QLineEdit* txtUsuario;  // accepts input only while the user does not exist yet
    QPushButton* cmdCancelar;

    QString BaseDatos;  // the database of the window
    QString Usuario;    // the user's name

    void PonIdioma();

public slots:
    void cmdCancelar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;
};
