#include "common/menusprincipales.h"

#include "platform/errores.h"

#include <QAction>
#include <QMenu>

namespace {
MenusPrincipales* gMenus = nullptr;
MenusPrincipales* (*gCreador)() = nullptr;
}  // namespace

MenusPrincipales::MenusPrincipales() { gMenus = this; }

MenusPrincipales::~MenusPrincipales() {
    if (gMenus == this) gMenus = nullptr;
}

MenusPrincipales* MenusPrincipales::SiExisten() { return gMenus; }

MenusPrincipales* MenusPrincipales::Principales() {
    if (!gMenus && gCreador) gCreador();
    if (!gMenus) FallaNumero(errnum::ObjetoNoEstablecido);
    return gMenus;
}

void MenusPrincipales::EstableceCreador(MenusPrincipales* (*creador)()) { gCreador = creador; }

void MenusPrincipales::Habilita(QMenu* menu, bool si) { menu->menuAction()->setEnabled(si); }
bool MenusPrincipales::Habilitado(QMenu* menu) { return menu->menuAction()->isEnabled(); }
