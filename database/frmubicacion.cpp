#include "database/frmubicacion.h"

#include "common/funciones.h"
#include "platform/listasarchivos.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

frmUbicacion::frmUbicacion() : FormularioUnico(QStringLiteral("frmUbicacion"), Clase::Libre) {
    setWindowTitle(QString::fromUtf8("Ubicación Archivo"));
    auto* capa = new QVBoxLayout(this);
    Frame6 = new QGroupBox(this);
    Frame6->setObjectName(QStringLiteral("Frame6"));
    auto* marco = new QVBoxLayout(Frame6);
    DriveUbicacion = new ListaUnidades(Frame6);
    DriveUbicacion->setObjectName(QStringLiteral("DriveUbicacion"));
    DirUbicacion = new ListaCarpetas(Frame6);
    DirUbicacion->setObjectName(QStringLiteral("DirUbicacion"));
    lblUbicacion = new QLabel(QString::fromUtf8("Ubicación: "), Frame6);
    lblUbicacion->setObjectName(QStringLiteral("lblUbicacion"));
    lblUbicacion->setWordWrap(true);
    marco->addWidget(DriveUbicacion);
    marco->addWidget(DirUbicacion, 1);
    marco->addWidget(lblUbicacion);

    auto* botones = BotonesAceptarCancelar(this, cmdAceptar, cmdCancelar);
    capa->addWidget(Frame6, 1);
    capa->addLayout(botones);
    resize(380, 380);

    connect(DriveUbicacion, &ListaUnidades::Change, this, &frmUbicacion::DriveUbicacion_Change);
    connect(DirUbicacion, &ListaCarpetas::Change, this, &frmUbicacion::DirUbicacion_Change);
    connect(DirUbicacion, &ListaCarpetas::Click, this, &frmUbicacion::DirUbicacion_Click);
    connect(cmdAceptar, &QPushButton::clicked, this, &frmUbicacion::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmUbicacion::cmdCancelar_Click);
}

void frmUbicacion::Form_Load() {
    Atrapa("Form_Load", [&] { lblUbicacion->setText(DirUbicacion->Path()); });
}

void frmUbicacion::showEvent(QShowEvent* e) {
    FormularioUnico::showEvent(e);
    Form_Activate();
}

void frmUbicacion::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        // Centred on the screen.
        const QScreen* pantalla = screen();
        if (!pantalla) return;
        const QRect area = pantalla->geometry();
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    });
}

void frmUbicacion::DriveUbicacion_Change() {
    Atrapa("DriveUbicacion_Change", [&] { DirUbicacion->Path(DriveUbicacion->Drive()); });
}

void frmUbicacion::DirUbicacion_Change() {
    Atrapa("DirUbicacion_Change", [&] { lblUbicacion->setText(DirUbicacion->Path()); });
}

void frmUbicacion::DirUbicacion_Click() {
    Atrapa("DirUbicacion_Click", [&] {
        // The folders above the open one count as a choice too.
        const int indice = DirUbicacion->ListIndex();
        if (indice != -1) lblUbicacion->setText(DirUbicacion->List(indice));
        else lblUbicacion->setText(DirUbicacion->Path());
    });
}

void frmUbicacion::cmdAceptar_Click() {
    Atrapa("cmdAceptar_Click", [&] {
        Ubicacion = lblUbicacion->text();
        Unload();
    });
}

void frmUbicacion::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] {
        Ubicacion.clear();
        Unload();
    });
}
