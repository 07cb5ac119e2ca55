#include "database/frmrestaurarcopia.h"

#include "common/funciones.h"
#include "explorer/consolasql.h"
#include "common/texto.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

frmRestaurarCopia::frmRestaurarCopia() : FormularioUnico(QStringLiteral("frmRestaurarCopia"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Restaurar Copia Seguridad"));
    auto* capa = new QVBoxLayout(this);

    fraBaseDatos = new QGroupBox(QStringLiteral(" Base de Datos "), this);
    fraBaseDatos->setObjectName(QStringLiteral("fraBaseDatos"));
    auto* base = new QHBoxLayout(fraBaseDatos);
    cboBD = new QComboBox(fraBaseDatos);
    cboBD->setObjectName(QStringLiteral("cboBD"));
    cboBD->setMinimumWidth(260);
    base->addWidget(cboBD);
    base->addStretch();

    cmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    cmdAceptar->setObjectName(QStringLiteral("cmdAceptar"));
    cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdAceptar);
    botones->addWidget(cmdCancelar);

    capa->addWidget(fraBaseDatos);
    capa->addStretch();
    capa->addLayout(botones);
    resize(sizeHint());

    connect(cmdCancelar, &QPushButton::clicked, this, &frmRestaurarCopia::cmdCancelar_Click);
}

void frmRestaurarCopia::Form_Load() {
    Atrapa("Form_Load", [&] {
        CargaBD();
        cmdAceptar->setEnabled(false);
    });
}

void frmRestaurarCopia::CargaBD() {
    Atrapa("CargaBD", [&] {
        if (LlenaListaBasesDatos(cboBD)) SeleccionaBaseDatos(NombreNodo, cboBD);
        PunteroRaton(vb::vbDefault);
    });
}

void frmRestaurarCopia::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        PonIdioma();
    });
}

void frmRestaurarCopia::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        setWindowTitle(es ? QStringLiteral("Restaurar copia seguridad") : QStringLiteral("Restore backup"));
        cmdAceptar->setText(es ? QStringLiteral("&Restaurar") : QStringLiteral("&Restore"));
        cmdCancelar->setText(es ? QStringLiteral("&Cancelar") : QStringLiteral("&Cancel"));
        fraBaseDatos->setTitle(es ? QStringLiteral(" Base de Datos ") : QStringLiteral(" Database "));
    });
}

void frmRestaurarCopia::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] { Unload(); });
}
