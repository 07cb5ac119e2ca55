#include "database/frmcopiaseguridad.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "database/textoscopia.h"
#include "explorer/consolasql.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace textoscopia;

frmCopiaSeguridad::frmCopiaSeguridad() : FormularioUnico(QStringLiteral("frmCopiaSeguridad"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Copia Seguridad"));
    auto* capa = new QVBoxLayout(this);

    fraBaseDatos = new QGroupBox(QStringLiteral(" Base de Datos "), this);
    fraBaseDatos->setObjectName(QStringLiteral("fraBaseDatos"));
    auto* base = new QHBoxLayout(fraBaseDatos);
    cboBD = new QComboBox(fraBaseDatos);
    cboBD->setObjectName(QStringLiteral("cboBD"));
    cboBD->setEditable(false);  // only a listed database is a choice
    cboBD->setMinimumWidth(260);
    base->addWidget(cboBD);
    base->addStretch();

    Frame4 = new QGroupBox(this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* nombre = new QHBoxLayout(Frame4);
    lblNombre = new QLabel(QStringLiteral("Nombre Copia:"), Frame4);
    lblNombre->setObjectName(QStringLiteral("lblNombre"));
    txtNombreCopia = new QLineEdit(Frame4);
    txtNombreCopia->setObjectName(QStringLiteral("txtNombreCopia"));
    nombre->addWidget(lblNombre);
    nombre->addWidget(txtNombreCopia, 1);

    fraDestino = new QGroupBox(QStringLiteral(" Destino "), this);
    fraDestino->setObjectName(QStringLiteral("fraDestino"));
    auto* destino = new QVBoxLayout(fraDestino);
    txtDestino = new QLineEdit(fraDestino);
    txtDestino->setObjectName(QStringLiteral("txtDestino"));
    chkComprobar = new QCheckBox(QStringLiteral("Comprobar la copia al concluir"), fraDestino);
    chkComprobar->setObjectName(QStringLiteral("chkComprobar"));
    destino->addWidget(txtDestino);
    destino->addWidget(chkComprobar);

    FraTipo = new QGroupBox(QStringLiteral(" Tipo de copia "), this);
    FraTipo->setObjectName(QStringLiteral("FraTipo"));
    auto* tipo = new QHBoxLayout(FraTipo);
    optCompleta = new QRadioButton(QStringLiteral("Completa"), FraTipo);
    optCompleta->setObjectName(QStringLiteral("optCompleta"));
    optDiferencial = new QRadioButton(QStringLiteral("Diferencial"), FraTipo);
    optDiferencial->setObjectName(QStringLiteral("optDiferencial"));
    optRegistro = new QRadioButton(QStringLiteral("Registro transacciones"), FraTipo);
    optRegistro->setObjectName(QStringLiteral("optRegistro"));
    optCompleta->setChecked(true);
    tipo->addWidget(optCompleta);
    tipo->addWidget(optDiferencial);
    tipo->addWidget(optRegistro);

    auto* botones = BotonesAceptarCancelar(this, cmdAceptar, cmdCancelar);

    capa->addWidget(fraBaseDatos);
    capa->addWidget(Frame4);
    capa->addWidget(fraDestino);
    capa->addWidget(FraTipo);
    capa->addStretch();
    capa->addLayout(botones);
    resize(sizeHint());

    for (QWidget* campo : {static_cast<QWidget*>(txtNombreCopia), static_cast<QWidget*>(txtDestino)})
        ConectaSalidaCampo(campo);
    // A selection made by code is handled as the user's own.
    connect(cboBD, &QComboBox::currentIndexChanged, this, &frmCopiaSeguridad::cboBD_Click);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmCopiaSeguridad::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmCopiaSeguridad::cmdCancelar_Click);
}

void frmCopiaSeguridad::Form_Load() { CargaBD(); }

// The database comes chosen from the explorer; the work starts at the
// backup's name. A key on the database list would change the database.
QWidget* frmCopiaSeguridad::ControlInicial() { return txtNombreCopia; }

void frmCopiaSeguridad::CargaBD() {
    Atrapa("CargaBD", [&] {
        if (LlenaListaBasesDatos(cboBD) && SeleccionaBaseDatos(NombreNodo, cboBD))
            txtNombreCopia->setText(QStringLiteral("Copia") + cboBD->currentText());
        PunteroRaton(vb::vbDefault);
    });
}

void frmCopiaSeguridad::cboBD_Click() {
    Atrapa("cboBD_Click", [&] {
        optCompleta->setEnabled(true);
        optDiferencial->setEnabled(true);
        optRegistro->setEnabled(true);
        const int indice = cboBD->currentIndex();
        if (indice < 0) return;
        // A transaction-log backup has no log to take in the SIMPLE model.
        // The option chosen stays chosen: the server's refusal tells why.
        datos::Recordset rs;
        if (!CreaRecordset(Conexion, rs, ModeloRecuperacion(BaseDatosDe(cboBD, indice)))) return;
        if (rs.RecordCount() < 1 || rs.Fields(0).IsNull()) return;
        if (rs.Fields(0).Texto() == QLatin1String("SIMPLE")) optRegistro->setEnabled(false);
    });
}

void frmCopiaSeguridad::cmdAceptar_Click() {
    Atrapa("cmdAceptar_Click", [&] {
        const int indice = cboBD->currentIndex();
        if (indice < 0) {
            MensajeUsuario(QStringLiteral("Seleccione una base de datos."), QStringLiteral("Select a database."));
            return;
        }
        const QString baseDatos = BaseDatosDe(cboBD, indice);
        PunteroRaton(vb::vbHourglass);

        // A device lookup that failed says nothing of the device: nothing
        // is sent after it.
        const qint64 fallos = FallosNotificados();
        datos::Recordset rs;
        const bool leido = CreaRecordset(Conexion, rs, BuscaDispositivo(txtNombreCopia->text()));
        if (!leido || FallosNotificados() != fallos) {
            PunteroRaton(vb::vbDefault);
            return;
        }
        if (rs.RecordCount() > 0) Conexion->Execute(BorraDispositivo(txtNombreCopia->text()));
        Conexion->Execute(CreaDispositivo(txtNombreCopia->text(), txtDestino->text()));

        const TipoCopia tipo = optRegistro->isChecked()      ? TipoCopia::Registro
                               : optDiferencial->isChecked() ? TipoCopia::Diferencial
                                                             : TipoCopia::Completa;
        const bool comprueba = chkComprobar->isChecked();
        {
            SinTiempoLimite sinLimite(Conexion);
            Conexion->Execute(Copia(tipo, baseDatos, txtNombreCopia->text()));
            if (comprueba) {
                // The file keeps every earlier set too: the one to check is
                // the one just written, the last.
                const auto cabecera = Conexion->Query(CabeceraDispositivo(txtNombreCopia->text()));
                Conexion->Execute(VerificaDispositivo(txtNombreCopia->text(), UltimoJuego(*cabecera)));
            }
        }
        if (comprueba)
            MensajeUsuario(QString::fromUtf8("Copia y verificación realizada con exito."),
                           QStringLiteral("Copy and verification realized successfully"));
        else
            MensajeUsuario(QStringLiteral("Copia realizada con exito."), QStringLiteral("Copy realized successfully"));
        PunteroRaton(vb::vbDefault);
        Unload();
    });
}

void frmCopiaSeguridad::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        PonIdioma();
    });
}

void frmCopiaSeguridad::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        setWindowTitle(es ? QStringLiteral("Copia Seguridad") : QStringLiteral("Backup database"));
        cmdAceptar->setText(es ? QStringLiteral("&Aceptar") : QStringLiteral("&Acept"));
        cmdCancelar->setText(es ? QStringLiteral("&Cancelar") : QStringLiteral("&Cancel"));
        fraBaseDatos->setTitle(es ? QStringLiteral(" Base de Datos ") : QStringLiteral(" Database "));
        lblNombre->setText(es ? QStringLiteral("Nombre Copia:") : QStringLiteral("Name:"));
        fraDestino->setTitle(es ? QStringLiteral(" Destino ") : QStringLiteral(" Source "));
        FraTipo->setTitle(es ? QStringLiteral(" Tipo de Copia ") : QStringLiteral(" Type "));
        chkComprobar->setText(es ? QStringLiteral("Comprobar la copia al concluir") : QStringLiteral("Verify backup"));
        optCompleta->setText(es ? QStringLiteral("Completa") : QStringLiteral("Full"));
        optDiferencial->setText(es ? QStringLiteral("Diferencial") : QStringLiteral("Diferential"));
        optRegistro->setText(es ? QStringLiteral("Registro transacciones") : QStringLiteral("Transactions log"));
    });
}

void frmCopiaSeguridad::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] { Unload(); });
}
