#pragma once
// The login editor: the login in NombreObjeto ("" for a new one), read once
// when the window loads. A window already open keeps the login it was opened
// for: a command that asks for another login gets a new window (ParaObjeto).
//
// The grid lists every database of the server with a tick where the login
// has its own user there; a change of that tick grants or revokes the access
// at once, and the role list below acts on the database of the grid's row.
// Accept creates the login or changes its password. Whether the name box is
// enabled is the window's mode: enabled means the login is still to be
// created.

#include "platform/formularios.h"
#include "platform/griddataarray.h"

class ListaCasillas;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RejillaDatos;

class frmInicioSesion : public FormularioUnico<frmInicioSesion> {
    Q_OBJECT
public:
    frmInicioSesion();

    // The window for the login in NombreObjeto ("" a new one): the open
    // window when it works on that login, else a new one loaded for it, the
    // open one unloaded first (what it sent stays; text typed and not yet
    // sent is dropped).
    static frmInicioSesion* ParaObjeto();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(460, 480); }

    QLabel* lblUsuario;
    QLabel* lblContrasena;           // lblContraseña
    QLabel* lblConfirmarContrasena;  // lblConfirmarContraseña
    QLineEdit* txtUsuario;  // accepts input only while the login does not exist yet
    QLineEdit* txtClave;
    QLineEdit* txtConfClave;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;
    QGroupBox* fraAccesoBD;
    RejillaDatos* TDBGridBaseDatos;
    QGroupBox* fraFunciones;
    ListaCasillas* lstFunciones;

    // Rows 0 to the number of databases (the last one empty); columns: 0 the
    // access ("-1" or "0"), 1 the database, 2 the user (always ""), 3 unused.
    ArrayDatos ArrayBaseDatos;
    QString ClaveAnterior;  // old-password argument of sp_password: never set, so empty
    bool Cargando = false;  // the window itself is filling the grid or the ticks

    void CapturaBaseDatos(const QString& NombreUsuario);
    void CapturaFunciones(const QString& NombreUsuario);
    bool Comprobar();
    void PermisosFunciones(const QString& NombreBD);
    void PonIdioma();

public slots:
    void cmdAceptar_Click();
    void cmdCancelar_Click();
    void lstFunciones_ItemCheck(int Item);

protected:
    void Form_Load() override;
    void Form_Activate() override;

private:
    // Whether the window works on that login ("" a login still to be
    // created).
    bool TrabajaEn(const QString& login) const;
    // When the name box no longer names the login whose access and roles
    // the window shows, reads those of the named one instead and answers
    // true: the change in course was made on the other login's display and
    // is not sent.
    bool LeeOtraCuenta();
    void TDBGridBaseDatos_BeforeColEdit(int ColIndex, int& Cancel);
    void TDBGridBaseDatos_BeforeColUpdate(int ColIndex, const QString& OldValue, int& Cancel);
    void TDBGridBaseDatos_AfterColUpdate(int ColIndex);
    void TDBGridBaseDatos_RowColChange();
    QString anterior_;  // the access cell before the edit in course
    // The login whose access and roles the window shows; none yet in a new
    // window before its first change is sent.
    QString cuenta_;
    bool hayCuenta_ = false;
};
