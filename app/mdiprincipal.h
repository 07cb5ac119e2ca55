#pragma once
// The main window: the multiple-document area that holds every child window,
// and the menus whose commands open them.

#include "common/menusprincipales.h"
#include "platform/formularios.h"

#include <QMainWindow>

class QAction;
class QMdiArea;
class QMenu;

class mdiPrincipal : public QMainWindow, public AnfitrionHijas, public MenusPrincipales {
    Q_OBJECT
public:
    // The main window, created on first use.
    static mdiPrincipal* Instancia();
    static mdiPrincipal* SiExiste();

    // Shows the window modeless, loading it first.
    void Show();

    // Menus of the bar and their items; the database, query and table menus
    // are the MenusPrincipales that the child windows use.
    QMenu* mnuArchivo;
    QAction* mnuConectar;
    QAction* mnuAdministrador;
    QAction* mnuAnalizadorConsultas;
    QAction* Separator1;
    QAction* mnuSalir;
    QAction* Separator4;
    QAction* Separator2;
    QAction* Separator3;
    QAction* Separator5;
    QAction* Separator6;
    QAction* mnuAbrir;
    QAction* mnuGuardar;

    void PonIdioma();

    // What the child windows use.
    QMdiSubWindow* AgregaHija(Formulario* hija) override;
    void Cascada() override;
    Formulario* HijaActiva() const override;
    QWidget* Ventana() override { return this; }
    QMdiArea* Area() const { return area_; }

public slots:
    void mnuConectar_Click();
    void mnuAdministrador_Click();
    void mnuEliminar_Click();
    void mnuAnalizadorConsultas_Click();
    void mnuAbrir_Click();
    void mnuGuardar_Click();
    void mnuVerRegistros_Click();
    void mnuSalir_Click();

public:
    // The commands that open an editor, and the table menu's (app/comandosmenu.cpp).
    void mnuNuevaBD_Click();
    void mnuPropiedadesBD_Click();
    void mnuCopiaSeguridad_Click();
    void mnuRestaurarCopia_Click();
    void mnuAñadirTabla_Click();
    void mnuAñadirVista_Click();
    void mnuAñadirProcedimiento_Click();
    void mnuAñadirInicioSesion_Click();
    void mnuAñadirUsuario_Click();
    void mnuDiseño_Click();
    void mnuInsertarFila_Click();
    void mnuEliminarFila_Click();

protected:
    void MDIForm_Load();
    void MDIForm_Activate();
    void MDIForm_Unload();
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

public:
    ~mdiPrincipal() override;

private:
    mdiPrincipal();
    QAction* Elemento(QMenu* menu, const char* nombre, const QString& caption);
    void ConectaComandosEditores();

    QMdiArea* area_;
    bool cargado_ = false;
};

// The program's entry point: the language, then the main window.
void Main();
