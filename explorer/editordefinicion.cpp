#include "explorer/editordefinicion.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "explorer/frmadministrador.h"
#include "platform/textomultilinea.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const RasgosEditor kVista = {
    "frmVista", "CREATE VIEW [NOMBRE_VISTA] AS ", " where obj.type = 'V'", "DROP VIEW ", "CapturaVistas_SQL",
    "Vista", "View", [](const QString&) { frmAdministrador::Instancia()->MuestraVistas(); }};
const RasgosEditor kProcedimiento = {
    "frmProcedimiento", "CREATE PROCEDURE [NOMBRE_PROCEDIMIENTO] AS ", " where obj.type = 'P'",
    "DROP PROCEDURE ", "CapturaProcedimiento_SQL", "Procedimiento Almacenado", "Stored Procedure",
    [](const QString& bd) { frmAdministrador::Instancia()->MuestraProcedimientos(bd); }};
}  // namespace

frmVista::frmVista() : FormularioUnico(kVista) {}
frmProcedimiento::frmProcedimiento() : FormularioUnico(kProcedimiento) {}

EditorDefinicion::EditorDefinicion(const RasgosEditor& rasgos)
    : Formulario(QString::fromLatin1(rasgos.ventana), Clase::Hija), rasgos_(rasgos) {
    setWindowTitle(QString::fromUtf8(rasgos.tituloEs));
    auto* capa = new QVBoxLayout(this);
    Frame2 = new QGroupBox(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* marco = new QVBoxLayout(Frame2);
    txtSQL = new TextoMultilinea(Frame2);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    QFont fija(QStringLiteral("Monospace"));
    fija.setStyleHint(QFont::TypeWriter);
    txtSQL->setFont(fija);
    marco->addWidget(txtSQL);
    cmdAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    cmdAceptar->setObjectName(QStringLiteral("cmdAceptar"));
    cmdCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdAceptar);
    botones->addWidget(cmdCancelar);
    capa->addWidget(Frame2, 1);
    capa->addLayout(botones);
    resize(640, 420);
    connect(cmdAceptar, &QPushButton::clicked, this, &EditorDefinicion::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &EditorDefinicion::cmdCancelar_Click);
}

void EditorDefinicion::Form_Load() {
    txtSQL->EstableceText(QString::fromLatin1(rasgos_.plantilla));
    NombreOriginal.clear();
    propietarioOriginal_.clear();
    baseDatos_ = NombreNodo;
}

void EditorDefinicion::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        PonIdioma();
    });
}

void EditorDefinicion::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        ConIdioma(QString::fromUtf8(rasgos_.tituloEs), QString::fromUtf8(rasgos_.tituloEn),
                  [&](const QString& t) { setWindowTitle(t); });
        ConIdioma(QStringLiteral("Aceptar"), QStringLiteral("Accept"), [&](const QString& t) { cmdAceptar->setText(t); });
        ConIdioma(QStringLiteral("Cancelar"), QStringLiteral("Cancel"),
                  [&](const QString& t) { cmdCancelar->setText(t); });
    });
}

void EditorDefinicion::Captura(const QString& Nombre) {
    Atrapa(rasgos_.cargador, [&] {
        PonPrefijoBD(NombreNodo);
        // Another owner's object of the same name is not mixed in.
        const QString propietario = Propietario == QLatin1String("dbo") ? QString() : Propietario;
        const QString delPropietario =
            propietario.isEmpty() ? QString()
                                  : QStringLiteral(" and obj.uid = (select uid from ") + PrefijoBD +
                                        QStringLiteral("sysusers where name = ") + CadenaSQL(propietario) +
                                        QStringLiteral(")");
        // The pieces of a long definition in their stored order.
        const QString sql = QStringLiteral("Select obj.name,com.text ") + QStringLiteral(" from ") + PrefijoBD +
                            QStringLiteral("sysobjects obj, ") + PrefijoBD + QStringLiteral("syscomments com") +
                            QString::fromLatin1(rasgos_.tipo) + QStringLiteral(" and name=") + CadenaSQL(Nombre) +
                            delPropietario + QStringLiteral(" and com.id=obj.id") +
                            QStringLiteral(" order by name, com.colid");
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs, sql)) return;
        // The window now shows this database's object, or nothing of the old one.
        baseDatos_ = NombreNodo;
        NombreOriginal.clear();
        propietarioOriginal_.clear();
        QString texto;
        while (!rs.Eof()) {
            NombreOriginal = Nombre;
            propietarioOriginal_ = propietario;
            texto += rs.Fields(QStringLiteral("Text")).Texto();
            rs.MoveNext();
        }
        txtSQL->EstableceText(texto);
    });
}

void EditorDefinicion::cmdAceptar_Click() {
    Atrapa("cmdAceptar_Click", [&] {
        const QString texto = txtSQL->Text();
        if (Trim(texto).isEmpty()) return;
        if (!Conexion) FallaNumero(errnum::ObjetoNoEstablecido);
        Conexion->Execute(QStringLiteral("USE ") + NombreSQL(baseDatos_));
        // The old object goes only together with the new definition: a
        // refused definition leaves it as it was, and OK can be pressed again.
        Conexion->BeginTrans();
        try {
            if (!NombreOriginal.isEmpty())
                Conexion->Execute(QString::fromLatin1(rasgos_.eliminacion) +
                                  NombreConPropietario(propietarioOriginal_, NombreOriginal));
            Conexion->Execute(texto);
            Conexion->CommitTrans();
        } catch (const ErrorEjecucion&) {
            try {
                Conexion->RollbackTrans();
            } catch (const ErrorEjecucion&) {
                // The first failure is the one the user needs to see.
            }
            throw;
        }
        PonPrefijoBD(baseDatos_);
        rasgos_.recarga(baseDatos_);
        Unload();
    });
}

void EditorDefinicion::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] { Unload(); });
}
