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
        // A refused statement leaves the previous result in the grid.
        datos::Recordset nuevo;
        if (!CreaRecordset(Conexion, nuevo, sql)) return;
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

void frmAnalizadorConsultas::cboBD_Click() {
    Atrapa("cboBD_Click", [&] {
        if (cboBD->currentIndex() == -1 || cboBD->currentText().isEmpty()) return;
        if (!Conexion) FallaNumero(errnum::ObjetoNoEstablecido);
        Conexion->Execute(QStringLiteral("Use ") + NombreSQL(BaseDatosDe(cboBD, cboBD->currentIndex())));
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
