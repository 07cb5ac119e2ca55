#include "platform/controlpestanas.h"

#include "platform/errores.h"
#include "platform/formularios.h"

#include <QApplication>

ControlPestanas::ControlPestanas(QWidget* padre) : QTabWidget(padre) {
    // A page brought to the front takes the keyboard that was on the page
    // it hides, on its first control in tab order, which may be a list that
    // acts at its change: the page's starting control takes it instead.
    connect(this, &QTabWidget::currentChanged, this, [this] {
        QWidget* foco = QApplication::focusWidget();
        QWidget* pagina = currentWidget();
        if (!foco || !pagina || !pagina->isAncestorOf(foco)) return;
        if (Formulario* f = FormularioDe(this)) f->TecladoAlInicio();
    });
}

void ControlPestanas::Existe(int pestaña) const {
    if (pestaña < 0 || pestaña >= count()) FallaNumero(errnum::FueraDeIntervalo);
}

void ControlPestanas::PestañaActiva(int pestaña, bool si) {
    Existe(pestaña);
    setTabEnabled(pestaña, si);
}

bool ControlPestanas::PestañaActiva(int pestaña) const {
    Existe(pestaña);
    return isTabEnabled(pestaña);
}

QString ControlPestanas::TabCaption(int pestaña) const {
    Existe(pestaña);
    return tabText(pestaña);
}

void ControlPestanas::TabCaption(int pestaña, const QString& titulo) {
    Existe(pestaña);
    setTabText(pestaña, titulo);
}
