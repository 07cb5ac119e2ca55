#include "security/frmusuario.h"

#include "common/funciones.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

frmUsuario::frmUsuario() : FormularioUnico(QStringLiteral("frmUsuario"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Usuario"));
    auto* capa = new QGridLayout(this);
    lblUsuario = new QLabel(QStringLiteral("Usuario:"), this);
    lblUsuario->setObjectName(QStringLiteral("lblUsuario"));
    txtUsuario = new QLineEdit(this);
    txtUsuario->setObjectName(QStringLiteral("txtUsuario"));
    txtUsuario->setMinimumWidth(220);
    cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    capa->addWidget(lblUsuario, 0, 0);
    capa->addWidget(txtUsuario, 0, 1);
    capa->setRowStretch(1, 1);
    capa->addWidget(cmdCancelar, 2, 1, Qt::AlignRight);
    resize(sizeHint());

    ConectaSalidaCampo(txtUsuario);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmUsuario::cmdCancelar_Click);
}

void frmUsuario::Form_Load() {
    Atrapa("Form_Load", [&] {
        Usuario = NombreObjeto;
        txtUsuario->setText(NombreObjeto);
        setWindowTitle(QStringLiteral("Usuario [ ") + NombreObjeto + QStringLiteral(" ]"));
        BaseDatos = NombreNodo;
        txtUsuario->setEnabled(NombreObjeto.isEmpty());
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
        cmdCancelar->setText(es ? QStringLiteral("&Cancelar") : QStringLiteral("&Cancel"));
        lblUsuario->setText(es ? QStringLiteral("Usuario:") : QStringLiteral("User:"));
    });
}

void frmUsuario::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] { Unload(); });
}
