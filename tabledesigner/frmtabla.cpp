#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

ArrayTablas Tablas;

QPointer<frmTabla>& ArrayTablas::operator()(int n) {
    if (n < 0 || n > Ultimo) FallaNumero(errnum::FueraDeIntervalo);
    return elementos_[static_cast<size_t>(n)];
}

frmTabla::frmTabla() : Formulario(QStringLiteral("frmTabla"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Tabla"));
    auto* capa = new QGridLayout(this);
    lblNombre = new QLabel(QStringLiteral("Nombre:"), this);
    lblNombre->setObjectName(QStringLiteral("lblNombre"));
    txtNombreTabla = new QLineEdit(this);
    txtNombreTabla->setObjectName(QStringLiteral("txtNombreTabla"));
    txtNombreTabla->setMinimumWidth(260);
    capa->addWidget(lblNombre, 0, 0);
    capa->addWidget(txtNombreTabla, 0, 1);
    capa->setColumnStretch(2, 1);
    capa->setRowStretch(1, 1);
    resize(sizeHint());
}

void frmTabla::Form_Load() {
    Atrapa("Form_Load", [&] {
        EstableceLeft(0);
        BaseDatos = NombreNodo;
        if (TablaNueva) {
            txtNombreTabla->setEnabled(true);
        } else {
            txtNombreTabla->setText(NombreTabla);
            txtNombreTabla->setEnabled(false);
        }
    });
}

void frmTabla::InsertarFila() {}

void frmTabla::EliminarFila() {}
