#include "database/frmpropiedadesbd.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
constexpr int kPestañaGrupos = 2;
constexpr int kPestañaPermisos = 5;
}  // namespace

frmPropiedadesBD::frmPropiedadesBD() : FormularioUnico(QStringLiteral("frmPropiedadesBD"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Propiedades BD"));
    auto* capa = new QVBoxLayout(this);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* nombre = new QHBoxLayout(Frame1);
    lblNombre = new QLabel(QStringLiteral("Nombre BD:"), Frame1);
    lblNombre->setObjectName(QStringLiteral("lblNombre"));
    txtNombreBD = new QLineEdit(Frame1);
    txtNombreBD->setObjectName(QStringLiteral("txtNombreBD"));
    txtNombreBD->setMinimumWidth(260);
    nombre->addWidget(lblNombre);
    nombre->addWidget(txtNombreBD);
    nombre->addStretch();

    sstBaseDatos = new QTabWidget(this);
    sstBaseDatos->setObjectName(QStringLiteral("sstBaseDatos"));
    for (const char* pestaña : {"General", "Opciones", "Grupo archivos", "Archivo Datos", "Reg Transacciones",
                                "Permisos"})
        sstBaseDatos->addTab(new QWidget(sstBaseDatos), QString::fromUtf8(pestaña));

    cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdCancelar);

    capa->addWidget(Frame1);
    capa->addWidget(sstBaseDatos, 1);
    capa->addLayout(botones);
    resize(sizeHint());

    ConectaSalidaCampo(txtNombreBD);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmPropiedadesBD::cmdCancelar_Click);
}

void frmPropiedadesBD::Form_Load() {
    Atrapa("Form_Load", [&] {
        sstBaseDatos->setCurrentIndex(0);
        txtNombreBD->setText(NombreNodo);
        NombreOriginal = txtNombreBD->text();
        EsNueva = BDNueva;
        // A new database has no filegroups or permissions yet.
        sstBaseDatos->setTabEnabled(kPestañaGrupos, !EsNueva);
        sstBaseDatos->setTabEnabled(kPestañaPermisos, !EsNueva);
        if (!EsNueva) {
            // master and model keep their names.
            const QString nombre = Trim(txtNombreBD->text()).toUpper();
            if (nombre == QLatin1String("MASTER") || nombre == QLatin1String("MODEL")) txtNombreBD->setEnabled(false);
        }
    });
}

void frmPropiedadesBD::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        PonIdioma();
    });
}

void frmPropiedadesBD::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        auto texto = [es](const char* espanol, const char* ingles) { return QString::fromUtf8(es ? espanol : ingles); };
        setWindowTitle(texto("Propiedades BD", "Properties DB"));
        lblNombre->setText(texto("Nombre BD:", "DB Name:"));
        cmdCancelar->setText(texto("&Cancelar", "&Cancel"));
        const char* pestañas[][2] = {{"General", "General"},
                                     {"Opciones", "Opcions"},
                                     {"Grupo archivos", "Files Group"},
                                     {"Archivo Datos", "Data Files"},
                                     {"Reg Transacciones", "Transaction Reg."},
                                     {"Permisos", "Grants"}};
        for (int i = 0; i < 6; ++i) sstBaseDatos->setTabText(i, texto(pestañas[i][0], pestañas[i][1]));
    });
}

void frmPropiedadesBD::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] {
        GruposFicheros.reset();
        Unload();
    });
}
