#include "explorer/frmanalizadorconsultas.h"

#include "common/funciones.h"
#include "common/menusprincipales.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/rejillaconsulta.h"
#include "platform/textomultilinea.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

frmAnalizadorConsultas::frmAnalizadorConsultas()
    : FormularioUnico(QStringLiteral("frmAnalizadorConsultas"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Analizador Consultas"));
    auto* capa = new QVBoxLayout(this);
    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* arriba = new QHBoxLayout(Frame1);
    cboBD = new QComboBox(Frame1);
    cboBD->setObjectName(QStringLiteral("cboBD"));
    cboBD->setMinimumWidth(220);
    cmdEjecuta = new QPushButton(QStringLiteral("(F5) &Ejecutar"), Frame1);
    cmdEjecuta->setObjectName(QStringLiteral("cmdEjecuta"));
    cmdEjecuta->setAutoDefault(true);
    arriba->addWidget(cboBD);
    arriba->addStretch();
    arriba->addWidget(cmdEjecuta);

    auto* division = new QSplitter(Qt::Vertical, this);
    Frame2 = new QGroupBox(division);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* medio = new QVBoxLayout(Frame2);
    txtSQL = new TextoMultilinea(Frame2);
    txtSQL->setObjectName(QStringLiteral("txtSQL"));
    QFont fija(QStringLiteral("Monospace"));
    fija.setStyleHint(QFont::TypeWriter);
    txtSQL->setFont(fija);
    medio->addWidget(txtSQL);
    GridSQL = new RejillaConsulta(division);
    GridSQL->setObjectName(QStringLiteral("GridSQL"));
    division->addWidget(Frame2);
    division->addWidget(GridSQL);
    division->setStretchFactor(0, 1);
    division->setStretchFactor(1, 2);
    capa->addWidget(Frame1);
    capa->addWidget(division, 1);
    resize(760, 520);

    connect(cmdEjecuta, &QPushButton::clicked, this, &frmAnalizadorConsultas::cmdEjecuta_Click);
    connect(cboBD, &QComboBox::currentIndexChanged, this, &frmAnalizadorConsultas::cboBD_Click);
    txtSQL->KeyDown = [this](int& KeyCode, int Shift) { txtSQL_KeyDown(KeyCode, Shift); };
}

void frmAnalizadorConsultas::Form_Load() { CargaComboBDSQL(); }

// The query text, not the database list: a key typed there would change the
// database at once.
QWidget* frmAnalizadorConsultas::ControlInicial() { return txtSQL; }

void frmAnalizadorConsultas::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        if (auto* m = MenusPrincipales::SiExisten()) {
            MenusPrincipales::Habilita(m->mnuBaseDatos, false);
            MenusPrincipales::Habilita(m->mnuConsulta, true);
        }
        PonIdioma();
    });
}

void frmAnalizadorConsultas::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        ConIdioma(QStringLiteral("Analizado Consultas"), QStringLiteral("Query Analyzer"),
                  [&](const QString& t) { setWindowTitle(t); });
        ConIdioma(QStringLiteral("(F5) &Ejecutar"), QStringLiteral("(F5) &Execute"),
                  [&](const QString& t) { cmdEjecuta->setText(t); });
    });
}

bool frmAnalizadorConsultas::CreaRecordset(const std::shared_ptr<datos::Connection>& conexion,
                                           datos::Recordset& rs, const QString& sql) {
    const bool abierto = ::CreaRecordset(conexion, rs, sql);
    rs.LockType = 3;  // optimistic
    return abierto;
}

void frmAnalizadorConsultas::Ejecuta() {
    Atrapa("Ejecuta", [&] {
        QString sql = txtSQL->SelText();
        if (Trim(sql).isEmpty()) {
            sql = txtSQL->Text();
            if (Trim(sql).isEmpty()) return;
        }
        // Other windows send their own USE on the same connection: the list's
        // database is made the current one again only when one has moved it
        // (or when the driver cannot tell where the connection is). A refused
        // Use is reported, and the batch is not sent.
        const QString base = BaseDatosListada();
        if (!base.isEmpty() && Conexion && Conexion->DefaultDatabase() != base) UsaBaseDatosListada();
        // A refused statement leaves the previous result in the grid.
        datos::Recordset nuevo;
        const bool abierto = CreaRecordset(Conexion, nuevo, sql);
        // The batch may have changed the database, even when it failed later on.
        MuestraBaseDatosActual();
        if (!abierto) return;
        rs_ = nuevo;
        GridSQL->EstableceOrigen(rs_.Datos());
        GridSQL->ReBind();
    });
}

void frmAnalizadorConsultas::CargaComboBDSQL() {
    Atrapa("CargaComboBDSQL", [&] {
        if (LlenaListaBasesDatos(cboBD) && cboBD->count() > 0) BuscarComboCadena(QStringLiteral("master"), cboBD);
    });
    PunteroRaton(vb::vbDefault);
}

QString frmAnalizadorConsultas::BaseDatosListada() const {
    if (cboBD->currentIndex() == -1 || cboBD->currentText().isEmpty()) return QString();
    return BaseDatosDe(cboBD, cboBD->currentIndex());
}

void frmAnalizadorConsultas::UsaBaseDatosListada() {
    if (!Conexion) FallaNumero(errnum::ObjetoNoEstablecido);
    Conexion->Execute(QStringLiteral("Use ") + NombreSQL(BaseDatosListada()));
}

void frmAnalizadorConsultas::MuestraBaseDatosActual() {
    if (!Conexion) return;
    const QString actual = Conexion->DefaultDatabase();
    if (actual.isEmpty() || actual == BaseDatosListada()) return;
    // The connection is there already: picking its entry sends no Use.
    const QSignalBlocker bloqueo(cboBD);
    // A database made after the list was read is found once the list is read again.
    if (!SeleccionaBaseDatos(actual, cboBD) && LlenaListaBasesDatos(cboBD)) SeleccionaBaseDatos(actual, cboBD);
}

void frmAnalizadorConsultas::cboBD_Click() {
    Atrapa("cboBD_Click", [&] {
        if (BaseDatosListada().isEmpty()) return;
        UsaBaseDatosListada();
    });
}

void frmAnalizadorConsultas::cmdEjecuta_Click() { Ejecuta(); }

void frmAnalizadorConsultas::txtSQL_KeyDown(int& KeyCode, int Shift) {
    Q_UNUSED(Shift);
    Atrapa("txtSQL_KeyDown", [&] {
        if (KeyCode == 116) {
            KeyCode = 0;
            Ejecuta();
        }
    });
}
