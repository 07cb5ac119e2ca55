#pragma once
// The database-user editor: the user in NombreObjeto ("" for a new one) of
// the database in NombreNodo, both read once when the window loads. A window
// already open keeps the user it was opened for: a command that asks for
// another user, or another database, gets a new window (ParaObjeto).
//
// Accept creates the user with its login, or changes the password of the
// user's own login. The role list acts on the server at every tick. Whether
// the name box is enabled is the window's mode: enabled means the account is
// still to be created.
//
// The Grants tab lists every object of the kind chosen in cboObjetos with
// the user's permissions on it; a changed cell is sent to the server at
// once (OK and Cancel neither apply nor undo it).

#include "platform/formularios.h"
#include "platform/griddataarray.h"

class ListaCasillas;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class RejillaDatos;

class frmUsuario : public FormularioUnico<frmUsuario> {
    Q_OBJECT
public:
    frmUsuario();

    // The window for the user in NombreObjeto ("" a new one) of the database
    // in NombreNodo: the open window when it works on that user of that
    // database, else a new one loaded for them, the open one unloaded first
    // (what it sent stays; text typed and not yet sent is dropped).
    static frmUsuario* ParaObjeto();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(460, 420); }

    QLabel* lblUsuario;
    QLabel* lblContrasena;           // lblContraseña
    QLabel* lblConfirmarContrasena;  // lblConfirmarContraseña
    QLineEdit* txtUsuario;  // accepts input only while the user does not exist yet
    QLineEdit* txtClave;
    QLineEdit* txtConfClave;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;
    QTabWidget* SSTabUsuario;
    QGroupBox* fraFunciones;
    ListaCasillas* lstFunciones;
    QLabel* lblObjetos;
    QComboBox* cboObjetos;
    RejillaDatos* TDBGridPermisos;

    QString BaseDatos;     // the database of the window
    QString Usuario;       // the user's name
    QString ClaveAnterior; // old-password argument of sp_password: never set, so empty
    // The login the user belongs to (found by security id when the window
    // loads; "" when none): its password is the one Accept changes.
    QString LoginUsuario;
    // The user's uid in the database as text ("0" for dbo, "" when not
    // found), set by each load of the object permissions.
    QString UidUsuario;
    // The objects of the chosen kind: name, the five permission codes, and
    // in column 6 the owner; one empty last row.
    ArrayDatos ArrayPermisos;

    void CapturaFunciones(const QString& NombreUsuario);
    void CargaObjetos();
    void PermisosFunciones(const QString& NombreBD);
    bool Comprobar();
    void PonIdioma();

public slots:
    void cmdAceptar_Click();
    void cmdCancelar_Click();
    void lstFunciones_ItemCheck(int Item);
    void cboObjetos_Click();
    void TDBGridPermisos_BeforeColEdit(short ColIndex, short KeyAscii, short& Cancel);
    void TDBGridPermisos_AfterColUpdate(short ColIndex);

protected:
    void Form_Load() override;
    void Form_Activate() override;

private:
    // Whether the window works on that user ("" a user still to be created)
    // of that database.
    bool TrabajaEn(const QString& baseDatos, const QString& usuario) const;
    // The creation steps of a new account, each checking first so that a
    // retry skips what already exists. False when a step failed (reported).
    bool CreaCuenta();
    // When the name box, still open, no longer names the account whose
    // roles and permissions the window shows, reads those of the named one
    // instead and answers true: the change in course was made on the other
    // account's display and is not sent.
    bool LeeOtraCuenta();
    // The permission grid's columns and events.
    void PreparaRejillaPermisos();
    QString permisoAnterior_;  // the changed cell's code before the change
    QString loginCreado_;      // the login this window created, as typed ("" none)
    bool marcando_ = false;    // the window itself is setting ticks
};
