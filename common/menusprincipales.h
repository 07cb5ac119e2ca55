#pragma once
// The main window's menus that the windows below it work with, by their
// names: the database menu (also the explorer's pop-up), the query menu and
// the table menu (the designer's pop-up). The main window is one of these;
// a window reaches the menus here, never through the main window itself.

class QAction;
class QMenu;

struct MenusPrincipales {
    QMenu* mnuBaseDatos = nullptr;
    QAction* mnuNuevaBD = nullptr;
    QAction* mnuAñadirTabla = nullptr;
    QAction* mnuAñadirVista = nullptr;
    QAction* mnuAñadirProcedimiento = nullptr;
    QAction* mnuPropiedadesBD = nullptr;
    QAction* mnuDiseño = nullptr;
    QAction* mnuVerRegistros = nullptr;
    QAction* mnuEliminar = nullptr;
    QAction* mnuCopiaSeguridad = nullptr;
    QAction* mnuRestaurarCopia = nullptr;
    QAction* mnuAñadirInicioSesion = nullptr;
    QAction* mnuAñadirUsuario = nullptr;
    QMenu* mnuConsulta = nullptr;
    QMenu* mnuTabla = nullptr;
    QAction* mnuInsertarFila = nullptr;
    QAction* mnuEliminarFila = nullptr;

    // The menus of the main window, which is created first when there is
    // none (as referring to it does); fails (91) when no program has said
    // how to create it.
    static MenusPrincipales* Principales();
    // The menus, or nullptr when there is no main window.
    static MenusPrincipales* SiExisten();
    // How the program creates its main window; called once at start-up.
    static void EstableceCreador(MenusPrincipales* (*creador)());

    // A bar menu as a whole, switched on or off.
    static void Habilita(QMenu* menu, bool si);
    static bool Habilitado(QMenu* menu);

protected:
    MenusPrincipales();
    ~MenusPrincipales();
    MenusPrincipales(const MenusPrincipales&) = delete;
    MenusPrincipales& operator=(const MenusPrincipales&) = delete;
};
