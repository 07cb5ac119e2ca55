#include "security/frminiciosesion.h"

#include "common/funciones.h"
#include "common/globales.h"
#include "common/texto.h"
#include "explorer/frmadministrador.h"
#include "platform/listacasillas.h"
#include "platform/rejilladatos.h"
#include "platform/servicios.h"
#include "security/cuentas.h"
#include "security/textoscuentas.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace textoscuentas;

frmInicioSesion::frmInicioSesion() : FormularioUnico(QStringLiteral("frmInicioSesion"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Inicio Sesion"));
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

    fraAccesoBD = new QGroupBox(QStringLiteral(" Acceso a base de datos "), this);
    fraAccesoBD->setObjectName(QStringLiteral("fraAccesoBD"));
    auto* capaAcceso = new QVBoxLayout(fraAccesoBD);
    TDBGridBaseDatos = new RejillaDatos(4, fraAccesoBD);
    TDBGridBaseDatos->setObjectName(QStringLiteral("TDBGridBaseDatos"));
    capaAcceso->addWidget(TDBGridBaseDatos);
    TDBGridBaseDatos->Columns(0).Caption(QString());
    TDBGridBaseDatos->Columns(0).CasillaVerificacion(true);
    TDBGridBaseDatos->Columns(1).Caption(QStringLiteral("Base de datos"));
    TDBGridBaseDatos->Columns(2).Caption(QStringLiteral("Usuario"));
    // Only the access is edited here: the database and the user are shown.
    TDBGridBaseDatos->Columns(1).Locked(true);
    TDBGridBaseDatos->Columns(2).Locked(true);
    TDBGridBaseDatos->Columns(3).Visible(false);

    fraFunciones = new QGroupBox(QStringLiteral(" Funciones para la base de datos "), this);
    fraFunciones->setObjectName(QStringLiteral("fraFunciones"));
    auto* capaFunciones = new QVBoxLayout(fraFunciones);
    lstFunciones = new ListaCasillas(fraFunciones);
    lstFunciones->setObjectName(QStringLiteral("lstFunciones"));
    capaFunciones->addWidget(lstFunciones);

    capa->addWidget(lblUsuario, 0, 0);
    capa->addWidget(txtUsuario, 0, 1);
    capa->addWidget(lblContrasena, 1, 0);
    capa->addWidget(txtClave, 1, 1);
    capa->addWidget(lblConfirmarContrasena, 2, 0);
    capa->addWidget(txtConfClave, 2, 1);
    capa->addWidget(fraAccesoBD, 3, 0, 1, 2);
    capa->addWidget(fraFunciones, 4, 0, 1, 2);
    auto* botones = BotonesAceptarCancelar(this, cmdAceptar, cmdCancelar);
    capa->addLayout(botones, 5, 0, 1, 2);
    resize(sizeHint());

    ConectaSalidaCampo(txtUsuario);
    ConectaSalidaCampo(txtClave);
    ConectaSalidaCampo(txtConfClave);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmInicioSesion::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmInicioSesion::cmdCancelar_Click);
    connect(lstFunciones, &ListaCasillas::ItemCheck, this, &frmInicioSesion::lstFunciones_ItemCheck);
    TDBGridBaseDatos->BeforeColEdit = [this](int c, int, int& cancel) { TDBGridBaseDatos_BeforeColEdit(c, cancel); };
    TDBGridBaseDatos->BeforeColUpdate = [this](int c, const QString& v, int& cancel) {
        TDBGridBaseDatos_BeforeColUpdate(c, v, cancel);
    };
    TDBGridBaseDatos->AfterColUpdate = [this](int c) { TDBGridBaseDatos_AfterColUpdate(c); };
    TDBGridBaseDatos->RowColChange = [this](int, int) { TDBGridBaseDatos_RowColChange(); };
}

frmInicioSesion* frmInicioSesion::ParaObjeto() {
    frmInicioSesion* abierta = SiExiste();
    if (abierta && !abierta->TrabajaEn(NombreObjeto)) abierta->Unload();
    return Instancia();
}

bool frmInicioSesion::TrabajaEn(const QString& login) const {
    // The name box is locked once the login exists, so it names the login.
    return txtUsuario->isEnabled() ? login.isEmpty() : login == txtUsuario->text();
}

void frmInicioSesion::Form_Load() {
    Atrapa("Form_Load", [&] {
        txtUsuario->setText(NombreObjeto);
        PunteroRaton(vb::vbHourglass);
        Cargando = true;
        CapturaBaseDatos(txtUsuario->text());
        CapturaFunciones(txtUsuario->text());
        if (!ArrayBaseDatos) ArrayBaseDatos = std::make_shared<GridDataArray>();
        TDBGridBaseDatos->MatrizEnlazada(ArrayBaseDatos);
        TDBGridBaseDatos->Reenlaza();
        txtUsuario->setEnabled(NombreObjeto.isEmpty());
        cuenta_ = NombreObjeto;
        hayCuenta_ = !NombreObjeto.isEmpty();
        // The role list is that of the database under the cursor, as after
        // any move of the cursor: a tick then acts on the roles it shows.
        if (ArrayBaseDatos->Filas() > 0) TDBGridBaseDatos_RowColChange();
        PunteroRaton(vb::vbDefault);
    });
    Cargando = false;
}

void frmInicioSesion::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        PonIdioma();
    });
}

void frmInicioSesion::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        setWindowTitle(QStringLiteral("Inicio Sesion"));
        cmdAceptar->setText(es ? QStringLiteral("&Aceptar") : QStringLiteral("&Accept"));
        cmdCancelar->setText(es ? QStringLiteral("&Cancelar") : QStringLiteral("&Cancel"));
        lblUsuario->setText(es ? QStringLiteral("Usuario:") : QStringLiteral("User:"));
        lblContrasena->setText(es ? QStringLiteral("Contraseña:") : QStringLiteral("Password:"));
        lblConfirmarContrasena->setText(es ? QStringLiteral("Confirmar Contraseña:")
                                           : QStringLiteral("Confirm Password:"));
        fraAccesoBD->setTitle(es ? QStringLiteral(" Acceso a base de datos ") : QStringLiteral(" Database Access "));
        fraFunciones->setTitle(es ? QStringLiteral(" Funciones para la base de datos ")
                                  : QStringLiteral(" Database functions "));
    });
}

void frmInicioSesion::CapturaBaseDatos(const QString& NombreUsuario) {
    Atrapa("CapturaBaseDatos", [&] {
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs, QStringLiteral("Select name from master.dbo.sysdatabases order by name")))
            return;
        if (!ArrayBaseDatos) ArrayBaseDatos = std::make_shared<GridDataArray>();
        ArrayBaseDatos->Redimensiona(0, int(rs.RecordCount()), 0, 3);
        for (int i = 0; !rs.Eof(); ++i, rs.MoveNext()) {
            const QString base = rs.Fields(QStringLiteral("name")).Texto();
            ArrayBaseDatos->GrabaCelda(i, 1, base);
            PrefijoBD = base + QStringLiteral("..");
            // Access is a user named like the login that belongs to it; a
            // user of that name belonging to another login is not access.
            bool acceso = false;
            if (!NombreUsuario.isEmpty()) {
                datos::Recordset usuario;
                acceso = CreaRecordset(Conexion, usuario, AccesoLogin(base, NombreUsuario)) &&
                         usuario.RecordCount() > 0;
            }
            ArrayBaseDatos->GrabaCelda(i, 0, acceso ? QStringLiteral("-1") : QStringLiteral("0"));
            ArrayBaseDatos->GrabaCelda(i, 2, QString());
        }
    });
}

void frmInicioSesion::CapturaFunciones(const QString& NombreUsuario) {
    Q_UNUSED(NombreUsuario);
    Atrapa("CapturaFunciones", [&] {
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs, Roles())) return;
        lstFunciones->Clear();
        while (!rs.Eof()) {
            lstFunciones->AddItem(rs.Fields(QStringLiteral("Name")).Texto());
            rs.MoveNext();
        }
    });
}

bool frmInicioSesion::Comprobar() {
    bool correcto = false;
    Atrapa("Comprobar", [&] { correcto = cuentas::CajasValidas(txtUsuario, txtClave, txtConfClave); });
    return correcto;
}

void frmInicioSesion::PermisosFunciones(const QString& NombreBD) {
    Cargando = true;
    Atrapa("PermisosFunciones", [&] {
        const QString login = txtUsuario->text();
        CapturaFunciones(login);
        PrefijoBD = NombreBD + QStringLiteral("..");
        cuentas::MarcaRoles(lstFunciones, login, NombreBD);
    });
    Cargando = false;
}

bool frmInicioSesion::LeeOtraCuenta() {
    const QString login = txtUsuario->text();
    if (!hayCuenta_ || login == cuenta_) return false;
    cuenta_ = login;
    Cargando = true;
    CapturaBaseDatos(login);
    TDBGridBaseDatos->Reenlaza();
    Cargando = false;
    TDBGridBaseDatos_RowColChange();
    return true;
}

void frmInicioSesion::lstFunciones_ItemCheck(int Item) {
    if (Cargando || LeeOtraCuenta()) return;
    bool enviado = false;
    bool marcado = false;
    Atrapa("lstFunciones_ItemCheck", [&] {
        marcado = lstFunciones->Selected(Item);
        const QString login = txtUsuario->text();
        const QString rol = lstFunciones->List(Item);
        Conexion->Execute(UsaBase(TDBGridBaseDatos->Columns(1).Value()));
        Conexion->Execute(marcado ? AnadeAlRolLogin(rol, login) : QuitaDelRolLogin(rol, login));
        enviado = true;
    });
    // A tick the server did not take goes back as it was.
    if (!enviado && Item >= 0 && Item < lstFunciones->ListCount()) lstFunciones->PonSinAviso(Item, !marcado);
}

void frmInicioSesion::TDBGridBaseDatos_RowColChange() {
    // Reports nothing itself: PermisosFunciones reports its own failures.
    try {
        if (TDBGridBaseDatos->Columns(0).Value() == QLatin1String("0")) lstFunciones->Clear();
        else PermisosFunciones(TDBGridBaseDatos->Columns(1).Value());
    } catch (const ErrorEjecucion&) {
    }
}

void frmInicioSesion::TDBGridBaseDatos_BeforeColEdit(int ColIndex, int& Cancel) {
    Q_UNUSED(ColIndex);
    Cancel = 1;
    Atrapa("TDBGridBaseDatos_BeforeColEdit", [&] {
        // The empty last row is no database: there is nothing to give access to.
        if (Trim(TDBGridBaseDatos->Columns(1).Value()).isEmpty() || LeeOtraCuenta()) return;
        Cancel = 0;
    });
}

void frmInicioSesion::TDBGridBaseDatos_BeforeColUpdate(int ColIndex, const QString& OldValue, int& Cancel) {
    Q_UNUSED(ColIndex);
    anterior_ = OldValue;
    if (!txtUsuario->isEnabled()) return;
    // Until the login exists, any failure on the way drops the edit.
    Cancel = 1;
    Atrapa("TDBGridBaseDatos_BeforeColUpdate", [&] {
        if (!Comprobar()) return;
        const QString nombre = txtUsuario->text();
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs, BuscaLogin(nombre))) return;
        if (rs.RecordCount() < 1) {
            Conexion->Execute(AnadeLoginSinBase(nombre, txtClave->text()));
            txtUsuario->setEnabled(false);
            frmAdministrador::Instancia()->Muestra_InicioSesion();
        }
        Cancel = 0;
    });
}

void frmInicioSesion::TDBGridBaseDatos_AfterColUpdate(int ColIndex) {
    Q_UNUSED(ColIndex);
    if (!Mostrado()) return;
    const bool hecho = Atrapa("TDBGridBaseDatos_AfterColUpdate", [&] {
        const QString login = txtUsuario->text();
        const QString base = TDBGridBaseDatos->Columns(1).Value();
        cuenta_ = login;
        hayCuenta_ = true;
        Conexion->Execute(UsaBase(base));
        if (TDBGridBaseDatos->Columns(0).Value() == QLatin1String("0")) {
            Conexion->Execute(QuitaAccesoLogin(login));
            lstFunciones->Clear();
        } else {
            Conexion->Execute(DaAccesoLogin(login));
            PermisosFunciones(base);
        }
    });
    // A change the server refused is put back in the cell.
    if (!hecho) {
        try {
            TDBGridBaseDatos->Columns(0).Value(anterior_);
            TDBGridBaseDatos->RefrescaFila();
        } catch (const ErrorEjecucion&) {
        }
    }
}

void frmInicioSesion::cmdAceptar_Click() {
    Atrapa("cmdAceptar_Click", [&] {
        const QString nombre = txtUsuario->text();
        const QString clave = txtClave->text();
        if (txtUsuario->isEnabled()) {
            if (!Comprobar()) return;
            Conexion->Execute(AnadeLoginSinBase(nombre, clave));
            frmAdministrador::Instancia()->Muestra_InicioSesion();
            Unload();
            return;
        }
        const auto cambio = cuentas::CompruebaCambioClave(txtClave, txtConfClave);
        if (cambio == cuentas::CambioClave::Rechazado) return;
        if (cambio == cuentas::CambioClave::Cambia) Conexion->Execute(CambiaClave(ClaveAnterior, clave, nombre));
        Unload();
    });
}

void frmInicioSesion::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] { Unload(); });
}
