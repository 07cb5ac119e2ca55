#include "platform/controlpestanas.h"

#include "platform/errores.h"

ControlPestanas::ControlPestanas(QWidget* padre) : QTabWidget(padre) {}

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
