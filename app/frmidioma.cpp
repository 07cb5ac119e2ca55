#include "app/frmidioma.h"

#include "common/funciones.h"
#include "common/mdlregistro.h"
#include "common/texto.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

frmIdioma::frmIdioma() : FormularioUnico(QStringLiteral("frmIdioma"), Clase::Modal) {
    setWindowTitle(QStringLiteral("Idioma / Language"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* capa = new QVBoxLayout(this);
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSize(18);
    arial.setBold(true);
    lblTitulo1 = new QLabel(kProducto, this);
    lblTitulo1->setObjectName(QStringLiteral("lblTitulo1"));
    lblTitulo1->setFont(arial);
    lblTitulo1->setAlignment(Qt::AlignCenter);
    QFont arialPequena(QStringLiteral("Arial"));
    arialPequena.setPointSize(10);
    lblTitulo2 = new QLabel(kProducto, this);
    lblTitulo2->setObjectName(QStringLiteral("lblTitulo2"));
    lblTitulo2->setFont(arialPequena);
    lblTitulo2->setAlignment(Qt::AlignCenter);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* opciones = new QVBoxLayout(Frame1);
    optEspañol = new QRadioButton(QStringLiteral("Spanish"), Frame1);
    optEspañol->setObjectName(QStringLiteral("optEspañol"));
    optIngles = new QRadioButton(QStringLiteral("English"), Frame1);
    optIngles->setObjectName(QStringLiteral("optIngles"));
    optEspañol->setChecked(true);
    opciones->addWidget(optEspañol);
    opciones->addWidget(optIngles);

    capa->addWidget(lblTitulo1);
    capa->addWidget(lblTitulo2);
    capa->addWidget(Frame1);
    setMinimumWidth(280);
}

void frmIdioma::Form_Load() {
    Atrapa("Form_Load", [&] { Idioma = 0; });
}

void frmIdioma::Form_Unload(int&) {
    Atrapa("Form_Unload", [&] {
        Idioma = optEspañol->isChecked() ? 0 : 1;
        if (CreaClave(HKEY_CURRENT_USER, kClaveRegistro))
            EstableceValorClave(HKEY_CURRENT_USER, kClaveRegistro, kValorIdioma, Idioma, REG_DWORD);
    });
}

void frmIdioma::keyPressEvent(QKeyEvent* e) {
    // Esc closes the chooser like its frame does, so the choice is kept.
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    Formulario::keyPressEvent(e);
}

void CargaIdioma() {
    Atrapa("CargaIdioma", [&] {
        if (!CreaClave(HKEY_CURRENT_USER, kClaveRegistro)) return;
        const QVariant valor = ConsultaValor(HKEY_CURRENT_USER, kClaveRegistro, kValorIdioma);
        const QString v = valor.isValid() ? valor.toString() : QString();
        if (v.isEmpty()) {
            frmIdioma::Instancia()->ShowModal();
        } else {
            Idioma = CInt(Val(v));
        }
    });
}
