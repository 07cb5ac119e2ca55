#include "database/frmcopiaseguridad.h"

#include "common/funciones.h"
#include "explorer/consolasql.h"
#include "common/texto.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmCopiaSeguridad::frmCopiaSeguridad() : FormularioUnico(QStringLiteral("frmCopiaSeguridad"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Copia Seguridad"));
    auto* capa = new QVBoxLayout(this);

    fraBaseDatos = new QGroupBox(QStringLiteral(" Base de Datos "), this);
    fraBaseDatos->setObjectName(QStringLiteral("fraBaseDatos"));
    auto* base = new QHBoxLayout(fraBaseDatos);
    cboBD = new QComboBox(fraBaseDatos);
    cboBD->setObjectName(QStringLiteral("cboBD"));
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

    cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdCancelar);

    capa->addWidget(fraBaseDatos);
    capa->addWidget(Frame4);
    capa->addStretch();
    capa->addLayout(botones);
    resize(sizeHint());

    connect(cmdCancelar, &QPushButton::clicked, this, &frmCopiaSeguridad::cmdCancelar_Click);
}

void frmCopiaSeguridad::Form_Load() { CargaBD(); }

void frmCopiaSeguridad::CargaBD() {
    Atrapa("CargaBD", [&] {
        if (LlenaListaBasesDatos(cboBD) && SeleccionaBaseDatos(NombreNodo, cboBD))
            txtNombreCopia->setText(QStringLiteral("Copia") + cboBD->currentText());
        PunteroRaton(vb::vbDefault);
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
        cmdCancelar->setText(es ? QStringLiteral("&Cancelar") : QStringLiteral("&Cancel"));
        fraBaseDatos->setTitle(es ? QStringLiteral(" Base de Datos ") : QStringLiteral(" Database "));
        lblNombre->setText(es ? QStringLiteral("Nombre Copia:") : QStringLiteral("Name:"));
    });
}

void frmCopiaSeguridad::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] { Unload(); });
}
