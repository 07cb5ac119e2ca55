#include "security/frmusuario.h"

#include "common/funciones.h"
#include "common/globales.h"
#include "common/texto.h"
#include "explorer/frmadministrador.h"
#include "platform/listacasillas.h"
#include "platform/rejilladatos.h"
#include "platform/servicios.h"
#include "security/cuentas.h"
#include "security/textoscuentas.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace textoscuentas;

frmUsuario::frmUsuario() : FormularioUnico(QStringLiteral("frmUsuario"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Usuario"));
    auto* capa = new QGridLayout(this);
    auto etiqueta = [this](const char* nombre, const QString& texto) {
        auto* l = new QLabel(texto, this);
        l->setObjectName(QString::fromUtf8(nombre));
        return l;
    };
    auto caja = [this](const char* nombre) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QString::fromUtf8(nombre));
        return t;
    };
    lblUsuario = etiqueta("lblUsuario", QStringLiteral("Usuario:"));
    lblContrasena = etiqueta("lblContraseña", QStringLiteral("Contraseña:"));
    lblConfirmarContrasena = etiqueta("lblConfirmarContraseña", QStringLiteral("Confirmar Contraseña:"));
    txtUsuario = caja("txtUsuario");
    txtUsuario->setMinimumWidth(220);
    txtClave = caja("txtClave");
    txtClave->setEchoMode(QLineEdit::Password);
    txtConfClave = caja("txtConfClave");
    txtConfClave->setEchoMode(QLineEdit::Password);

    SSTabUsuario = new QTabWidget(this);
    SSTabUsuario->setObjectName(QStringLiteral("SSTabUsuario"));
    auto* funciones = new QWidget(SSTabUsuario);
    auto* capaFunciones = new QVBoxLayout(funciones);
    fraFunciones = new QGroupBox(QStringLiteral(" Funciones para la base de datos "), funciones);
    fraFunciones->setObjectName(QStringLiteral("fraFunciones"));
    auto* capaMarco = new QVBoxLayout(fraFunciones);
    lstFunciones = new ListaCasillas(fraFunciones);
    lstFunciones->setObjectName(QStringLiteral("lstFunciones"));
    capaMarco->addWidget(lstFunciones);
    capaFunciones->addWidget(fraFunciones);
    auto* permisos = new QWidget(SSTabUsuario);
    auto* capaPermisos = new QGridLayout(permisos);
    lblObjetos = new QLabel(QStringLiteral("Objetos:"), permisos);
    lblObjetos->setObjectName(QStringLiteral("lblObjetos"));
    cboObjetos = new QComboBox(permisos);
    cboObjetos->setObjectName(QStringLiteral("cboObjetos"));
    capaPermisos->addWidget(lblObjetos, 0, 0);
    capaPermisos->addWidget(cboObjetos, 0, 1);
    TDBGridPermisos = new RejillaDatos(6, permisos);
    TDBGridPermisos->setObjectName(QStringLiteral("TDBGridPermisos"));
    capaPermisos->addWidget(TDBGridPermisos, 1, 0, 1, 2);
    capaPermisos->setRowStretch(1, 1);
    capaPermisos->setColumnStretch(1, 1);
    PreparaRejillaPermisos();
    SSTabUsuario->addTab(funciones, QStringLiteral("Funciones"));
    SSTabUsuario->addTab(permisos, QStringLiteral("Permisos"));

    capa->addWidget(lblUsuario, 0, 0);
    capa->addWidget(txtUsuario, 0, 1);
    capa->addWidget(lblContrasena, 1, 0);
    capa->addWidget(txtClave, 1, 1);
    capa->addWidget(lblConfirmarContrasena, 2, 0);
    capa->addWidget(txtConfClave, 2, 1);
    capa->addWidget(SSTabUsuario, 3, 0, 1, 2);
    auto* botones = BotonesAceptarCancelar(this, cmdAceptar, cmdCancelar);
    capa->addLayout(botones, 4, 0, 1, 2);
    resize(sizeHint());

    ConectaSalidaCampo(txtUsuario);
    ConectaSalidaCampo(txtClave);
    ConectaSalidaCampo(txtConfClave);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmUsuario::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmUsuario::cmdCancelar_Click);
    connect(lstFunciones, &ListaCasillas::ItemCheck, this, &frmUsuario::lstFunciones_ItemCheck);
    // A pick in the list, also of the item already shown; the window's own
    // selection calls the handler itself.
    connect(cboObjetos, &QComboBox::activated, this, [this](int) { cboObjetos_Click(); });
}

frmUsuario* frmUsuario::ParaObjeto() {
    frmUsuario* abierta = SiExiste();
    if (abierta && !abierta->TrabajaEn(NombreNodo, NombreObjeto)) abierta->Unload();
    return Instancia();
}

bool frmUsuario::TrabajaEn(const QString& baseDatos, const QString& usuario) const {
    if (baseDatos != BaseDatos) return false;
    return txtUsuario->isEnabled() ? usuario.isEmpty() : usuario == Usuario;
}

void frmUsuario::Form_Load() {
    Atrapa("Form_Load", [&] {
        SSTabUsuario->setCurrentIndex(0);
        Usuario = NombreObjeto;
        txtUsuario->setText(NombreObjeto);
        setWindowTitle(QStringLiteral("Usuario [ ") + NombreObjeto + QStringLiteral(" ]"));
        BaseDatos = NombreNodo;
        PunteroRaton(vb::vbHourglass);
        ConIdioma(QStringLiteral("Procedimientos|Tablas|Vistas"), QStringLiteral("Procedures|Tables|Views"),
                  [&](const QString& t) { cboObjetos->addItems(t.split(u'|')); });
        if (cboObjetos->count() > 1) {
            cboObjetos->setCurrentIndex(1);
            cboObjetos_Click();
        }
        // The user's own login, whatever its name: its password is the one
        // Accept changes and its roles are the ones the list shows.
        LoginUsuario.clear();
        if (!NombreObjeto.isEmpty()) {
            datos::Recordset rs;
            if (CreaRecordset(Conexion, rs, LoginDelUsuario(BaseDatos, NombreObjeto)) && rs.RecordCount() > 0)
                LoginUsuario = rs.Fields(0).Texto();
        }
        PermisosFunciones(BaseDatos);
        txtUsuario->setEnabled(NombreObjeto.isEmpty());
        PunteroRaton(vb::vbDefault);
    });
}

void frmUsuario::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        PonIdioma();
    });
}

void frmUsuario::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        setWindowTitle((es ? QStringLiteral("Usuario [ ") : QStringLiteral("User [ ")) + Usuario +
                       QStringLiteral(" ]"));
        cmdAceptar->setText(es ? QStringLiteral("&Aceptar") : QStringLiteral("&Accept"));
        cmdCancelar->setText(es ? QStringLiteral("&Cancelar") : QStringLiteral("&Cancel"));
        lblUsuario->setText(es ? QStringLiteral("Usuario:") : QStringLiteral("User:"));
        lblContrasena->setText(es ? QStringLiteral("Contraseña:") : QStringLiteral("Password:"));
        lblConfirmarContrasena->setText(es ? QStringLiteral("Confirmar Contraseña:")
                                           : QStringLiteral("Confirm Password:"));
        lblObjetos->setText(es ? QStringLiteral("Objetos:") : QStringLiteral("Objets:"));
        fraFunciones->setTitle(es ? QStringLiteral(" Funciones para la base de datos ")
                                  : QStringLiteral(" Database functions "));
        SSTabUsuario->setTabText(0, es ? QStringLiteral("Funciones") : QStringLiteral("Functions"));
        SSTabUsuario->setTabText(1, es ? QStringLiteral("Permisos") : QStringLiteral("Grants"));
        TDBGridPermisos->Columns(0).Caption(es ? QStringLiteral("Nombre") : QStringLiteral("Name"));
    });
}

bool frmUsuario::Comprobar() {
    bool correcto = false;
    Atrapa("Comprobar", [&] { correcto = cuentas::CajasValidas(txtUsuario, txtClave, txtConfClave); });
    return correcto;
}

bool frmUsuario::CreaCuenta() {
    const QString nombre = txtUsuario->text();
    const QString clave = txtClave->text();
    // sp_addlogin and sp_grantdbaccess cannot run inside a transaction, so
    // each step looks first and a retry skips what the last try created.
    datos::Recordset rs;
    if (!CreaRecordset(Conexion, rs, BuscaLogin(nombre))) return false;
    // Whether the login of this name is the one this window created: only
    // then is its password the window's to change once the user exists.
    bool propio = false;
    if (rs.RecordCount() < 1) {
        Conexion->Execute(AnadeLogin(nombre, clave, BaseDatos));
        loginCreado_ = nombre;
        propio = true;
    } else {
        // The catalog matched the typed name to a login; it is this window's
        // own only when it carries the name the window created it with. A
        // name typed since finds another login, which stays untouched.
        propio = !loginCreado_.isEmpty() && rs.Fields(QStringLiteral("name")).Texto() == loginCreado_;
    }
    Conexion->Execute(BaseDefecto(nombre, BaseDatos));
    if (!CreaRecordset(Conexion, rs, BuscaUsuario(BaseDatos, nombre))) return false;
    if (rs.RecordCount() < 1) {
        Conexion->Execute(Usa(BaseDatos));
        Conexion->Execute(DaAcceso(nombre));
    }
    frmAdministrador::Instancia()->MuestraUsuarios(BaseDatos);
    if (propio) txtUsuario->setEnabled(false);
    return true;
}

void frmUsuario::cmdAceptar_Click() {
    Atrapa("cmdAceptar_Click", [&] {
        const QString clave = txtClave->text();
        if (txtUsuario->isEnabled()) {
            if (!Comprobar()) return;
            if (!CreaCuenta()) return;
            Unload();
            return;
        }
        const auto cambio = cuentas::CompruebaCambioClave(txtClave, txtConfClave);
        if (cambio == cuentas::CambioClave::Rechazado) return;
        if (cambio == cuentas::CambioClave::Cambia) {
            // Only a login named like the user is this user's to change.
            if (LoginUsuario != Usuario) {
                MensajeUsuario(QStringLiteral("No se puede cambiar la contraseña de este usuario."),
                               QStringLiteral("This user's password cannot be changed."));
                return;
            }
            Conexion->Execute(CambiaClave(ClaveAnterior, clave, txtUsuario->text()));
        }
        Unload();
    });
}

void frmUsuario::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] { Unload(); });
}

void frmUsuario::CapturaFunciones(const QString& NombreUsuario) {
    Q_UNUSED(NombreUsuario);
    Atrapa("CapturaFunciones", [&] {
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs, Roles())) return;
        const bool antes = marcando_;
        marcando_ = true;
        lstFunciones->Clear();
        while (!rs.Eof()) {
            lstFunciones->AddItem(rs.Fields(QStringLiteral("Name")).Texto());
            rs.MoveNext();
        }
        marcando_ = antes;
    });
}

void frmUsuario::PermisosFunciones(const QString& NombreBD) {
    const bool antes = marcando_;
    marcando_ = true;
    Atrapa("PermisosFunciones", [&] {
        CapturaFunciones(Usuario);
        PrefijoBD = NombreBD + QStringLiteral("..");
        // No login of its own: the user is only in public.
        cuentas::MarcaRoles(lstFunciones, LoginUsuario, NombreBD);
    });
    marcando_ = antes;
}

bool frmUsuario::LeeOtraCuenta() {
    const QString nombre = txtUsuario->text();
    // Usuario is "" until a tick has acted on an account of the typed name.
    if (!txtUsuario->isEnabled() || Usuario.isEmpty() || nombre == Usuario) return false;
    Usuario = nombre;
    LoginUsuario = nombre;
    PermisosFunciones(BaseDatos);
    CargaObjetos();
    return true;
}

void frmUsuario::lstFunciones_ItemCheck(int Item) {
    if (marcando_ || !Mostrado() || LeeOtraCuenta()) return;
    bool enviado = false;
    bool marcado = false;
    Atrapa("lstFunciones_ItemCheck", [&] {
        marcado = lstFunciones->Selected(Item);
        if (txtUsuario->isEnabled()) {
            if (!Comprobar()) return;
            if (!CreaCuenta()) return;
            NombreObjeto = txtUsuario->text();
            Usuario = txtUsuario->text();
            LoginUsuario = Usuario;
        }
        Conexion->Execute(QStringLiteral(" use ") + NombreSQL(BaseDatos));
        const QString rol = lstFunciones->List(Item);
        Conexion->Execute(marcado ? AnadeAlRol(rol, Usuario) : QuitaDelRol(rol, Usuario));
        enviado = true;
    });
    // A tick the server did not take goes back as it was.
    if (!enviado && Item >= 0 && Item < lstFunciones->ListCount()) lstFunciones->PonSinAviso(Item, !marcado);
}
