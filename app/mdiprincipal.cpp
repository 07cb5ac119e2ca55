#include "app/mdiprincipal.h"

#include "app/frmconectar.h"
#include "app/frmidioma.h"
#include "common/funciones.h"
#include "explorer/eliminaobjeto.h"
#include "explorer/frmadministrador.h"
#include "common/guiones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "explorer/frmanalizadorconsultas.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "platform/teclashija.h"
#include "platform/textomultilinea.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

namespace {
mdiPrincipal* gInstancia = nullptr;
// The windows below the main window reach its menus without knowing it.
[[maybe_unused]] const bool kCreadorMenus = (MenusPrincipales::EstableceCreador(
                                []() -> MenusPrincipales* { return mdiPrincipal::Instancia(); }),
                            true);
}

mdiPrincipal* mdiPrincipal::Instancia() {
    if (!gInstancia) new mdiPrincipal();
    return gInstancia;
}

mdiPrincipal* mdiPrincipal::SiExiste() { return gInstancia; }

QAction* mdiPrincipal::Elemento(QMenu* menu, const char* nombre, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromUtf8(nombre));
    return a;
}

mdiPrincipal::mdiPrincipal() {
    gInstancia = this;
    setObjectName(QStringLiteral("mdiPrincipal"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kProducto);
    area_ = new QMdiArea(this);
    area_->setObjectName(QStringLiteral("areaHijas"));
    area_->setBackground(palette().brush(QPalette::Dark));
    setCentralWidget(area_);
    resize(1024, 720);

    auto* barra = menuBar();
    auto menu = [&](const char* nombre, const QString& caption) {
        QMenu* m = new QMenu(caption, this);
        m->setObjectName(QString::fromUtf8(nombre));
        m->menuAction()->setObjectName(QString::fromUtf8(nombre));
        return m;
    };
    auto separador = [](QMenu* m, const char* nombre) {
        QAction* s = m->addSeparator();
        s->setObjectName(QString::fromUtf8(nombre));
        return s;
    };

    // Design captions: what the window shows before the language is applied.
    mnuArchivo = menu("mnuArchivo", QStringLiteral("&Archivo"));
    mnuConectar = Elemento(mnuArchivo, "mnuConectar", QStringLiteral("&Conectar"));
    mnuAdministrador = Elemento(mnuArchivo, "mnuAdministrador", QStringLiteral("&Administrador"));
    mnuAnalizadorConsultas = Elemento(mnuArchivo, "mnuAnalizadorConsultas", QStringLiteral("Analizador &Consultas"));
    Separator1 = separador(mnuArchivo, "Separator1");
    mnuSalir = Elemento(mnuArchivo, "mnuSalir", QStringLiteral("&Salir"));

    mnuBaseDatos = menu("mnuBaseDatos", QStringLiteral("&Base Datos"));
    mnuNuevaBD = Elemento(mnuBaseDatos, "mnuNuevaBD", QStringLiteral("Nueva Base de datos"));
    Separator4 = separador(mnuBaseDatos, "Separator4");
    mnuAñadirTabla = Elemento(mnuBaseDatos, "mnuAñadirTabla", QStringLiteral("Añadir Tabla"));
    mnuAñadirVista = Elemento(mnuBaseDatos, "mnuAñadirVista", QStringLiteral("Añadir Vista"));
    mnuAñadirProcedimiento = Elemento(mnuBaseDatos, "mnuAñadirProcedimiento", QStringLiteral("Añadir Procedimiento"));
    Separator2 = separador(mnuBaseDatos, "Separator2");
    mnuPropiedadesBD = Elemento(mnuBaseDatos, "mnuPropiedadesBD", QStringLiteral("&Propiedades"));
    mnuDiseño = Elemento(mnuBaseDatos, "mnuDiseño", QStringLiteral("Diseño"));
    mnuVerRegistros = Elemento(mnuBaseDatos, "mnuVerRegistros", QStringLiteral("Ver registros"));
    Separator3 = separador(mnuBaseDatos, "Separator3");
    mnuEliminar = Elemento(mnuBaseDatos, "mnuEliminar", QStringLiteral("Eliminar"));
    Separator5 = separador(mnuBaseDatos, "Separator5");
    mnuCopiaSeguridad = Elemento(mnuBaseDatos, "mnuCopiaSeguridad", QStringLiteral("Copia &Seguridad Base de Datos"));
    mnuRestaurarCopia = Elemento(mnuBaseDatos, "mnuRestaurarCopia", QStringLiteral("&Restaurar Copia seguridad"));
    Separator6 = separador(mnuBaseDatos, "Separator6");
    mnuAñadirInicioSesion = Elemento(mnuBaseDatos, "mnuAñadirInicioSesion", QStringLiteral("Añadir Inicio Sesion"));
    mnuAñadirUsuario = Elemento(mnuBaseDatos, "mnuAñadirUsuario", QStringLiteral("Añadir Usuario"));

    mnuConsulta = menu("mnuConsulta", QStringLiteral("&Consulta"));
    mnuAbrir = Elemento(mnuConsulta, "mnuAbrir", QStringLiteral("&Abrir"));
    mnuGuardar = Elemento(mnuConsulta, "mnuGuardar", QStringLiteral("&Guardar"));

    mnuTabla = menu("mnuTabla", QStringLiteral("&Tabla"));
    mnuInsertarFila = Elemento(mnuTabla, "mnuInsertarFila", QStringLiteral("Insertar Fila"));
    mnuEliminarFila = Elemento(mnuTabla, "mnuEliminarFila", QStringLiteral("Eliminar Fila"));

    barra->addMenu(mnuArchivo);
    barra->addMenu(mnuBaseDatos);
    barra->addMenu(mnuConsulta);
    PrioridadTeclasHija(barra);

    connect(mnuConectar, &QAction::triggered, this, &mdiPrincipal::mnuConectar_Click);
    connect(mnuAdministrador, &QAction::triggered, this, &mdiPrincipal::mnuAdministrador_Click);
    connect(mnuEliminar, &QAction::triggered, this, &mdiPrincipal::mnuEliminar_Click);
    connect(mnuAnalizadorConsultas, &QAction::triggered, this, &mdiPrincipal::mnuAnalizadorConsultas_Click);
    connect(mnuAbrir, &QAction::triggered, this, &mdiPrincipal::mnuAbrir_Click);
    connect(mnuGuardar, &QAction::triggered, this, &mdiPrincipal::mnuGuardar_Click);
    connect(mnuVerRegistros, &QAction::triggered, this, &mdiPrincipal::mnuVerRegistros_Click);
    connect(mnuSalir, &QAction::triggered, this, &mdiPrincipal::mnuSalir_Click);
    ConectaComandosEditores();
    connect(area_, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* s) {
        if (s)
            if (auto* f = qobject_cast<Formulario*>(s->widget())) f->ActivadaPorAnfitrion();
    });

    ventanas::EstableceAnfitrion(this);
}

mdiPrincipal::~mdiPrincipal() {
    ventanas::Olvida(this);
    if (ventanas::Anfitrion() == this) ventanas::EstableceAnfitrion(nullptr);
    if (gInstancia == this) gInstancia = nullptr;
}


void mdiPrincipal::Show() {
    if (!cargado_) {
        cargado_ = true;
        ventanas::Registra(this);
        MDIForm_Load();
    }
    show();
    MDIForm_Activate();
}

void mdiPrincipal::MDIForm_Load() {
    Atrapa("MDIForm_Load", [&] {
        Habilita(mnuArchivo, true);
        mnuAdministrador->setEnabled(false);
        mnuAnalizadorConsultas->setEnabled(false);
        Habilita(mnuBaseDatos, false);
        Habilita(mnuConsulta, false);
        CargaIdioma();
    });
}

void mdiPrincipal::MDIForm_Activate() {
    Atrapa("MDIForm_Activate", [&] { PonIdioma(); });
}

void mdiPrincipal::MDIForm_Unload() {}

void mdiPrincipal::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        auto pon = [es](QAction* a, const char* espanol, const char* ingles) {
            a->setText(QString::fromUtf8(es ? espanol : ingles));
        };
        pon(mnuArchivo->menuAction(), "&Archivo", "&File");
        pon(mnuBaseDatos->menuAction(), "&Base Datos", "&Database");
        pon(mnuConsulta->menuAction(), "&Consulta", "&Query");
        pon(mnuConectar, "&Conectar", "&Connect");
        pon(mnuAdministrador, "&Administrador", "&Administrator");
        pon(mnuAnalizadorConsultas, "A&nalizador Consultas", "&Query Analyzer");
        pon(mnuSalir, "&Salir", "&Exit");
        pon(mnuNuevaBD, "&Nueva Base Datos", "&New Database");
        pon(mnuAñadirTabla, "Añadir &Tabla", "Add &Table");
        pon(mnuAñadirVista, "Añadir &Vista", "Add &View");
        pon(mnuAñadirProcedimiento, "Añadir &Procedimiento", "Add &Procedure");
        pon(mnuPropiedadesBD, "&Propiedades", "&Properties");
        pon(mnuDiseño, "&Diseño", "&Desing");
        pon(mnuVerRegistros, "&Ver Registros", "V&iew Register");
        pon(mnuEliminar, "&Eliminar", "&Delete");
        pon(mnuCopiaSeguridad, "&Copia Seguridad Base de Datos", "&Backup database");
        pon(mnuRestaurarCopia, "&Restaurar Copia Seguridad", "&Restore backup");
        pon(mnuAñadirInicioSesion, "Añadir Inicio &Sesion", "Add Inicio &Sesion");
        pon(mnuAñadirUsuario, "Añadir &Usuario", "Add &User");
        pon(mnuAbrir, "&Abrir", "&Open");
        pon(mnuGuardar, "&Guardar", "&Save");
    });
}

void mdiPrincipal::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow() && cargado_) MDIForm_Activate();
}

void mdiPrincipal::closeEvent(QCloseEvent* e) {
    // Every child window is asked; one that cancels keeps the program running.
    if (!ventanas::DescargaPreguntando()) {
        e->ignore();
        return;
    }
    MDIForm_Unload();
    ventanas::Olvida(this);
    e->accept();
}

QMdiSubWindow* mdiPrincipal::AgregaHija(Formulario* hija) {
    // The size the window asked for (before it had a frame), with the frame around it.
    const QSize pedido = hija->testAttribute(Qt::WA_Resized) ? hija->size() : hija->sizeHint();
    QMdiSubWindow* s = area_->addSubWindow(hija);
    s->setObjectName(hija->objectName() + QStringLiteral("_marco"));
    const QSize marco = s->sizeHint() - hija->sizeHint();
    s->resize(pedido + marco.expandedTo(QSize(0, 0)));
    return s;
}

void mdiPrincipal::Cascada() { area_->cascadeSubWindows(); }

Formulario* mdiPrincipal::HijaActiva() const {
    QMdiSubWindow* s = area_->currentSubWindow();
    return s ? qobject_cast<Formulario*>(s->widget()) : nullptr;
}

void mdiPrincipal::mnuSalir_Click() {
    // A connection that fails to close is reported and the program goes on.
    const bool cerrada = Atrapa("mnuSalir_Click", [&] {
        if (Conexion && Conexion->State() != datos::adStateClosed) Conexion->Close();
    });
    if (cerrada) servicios::Aplicacion().Termina();
}

void mdiPrincipal::mnuConectar_Click() { frmConectar::Instancia()->Show(); }

void mdiPrincipal::mnuAdministrador_Click() { frmAdministrador::Instancia()->Show(); }

void mdiPrincipal::mnuEliminar_Click() { EliminaObjetoSeleccionado(); }

void mdiPrincipal::mnuAnalizadorConsultas_Click() { frmAnalizadorConsultas::Instancia()->Show(); }

namespace {
const QString kExtensionGuion = QStringLiteral("sql");
const QString kFiltroGuion = QStringLiteral("*.sql");
}  // namespace

void mdiPrincipal::mnuAbrir_Click() {
    Atrapa("mnuAbrir_Click", [&] {
        const QString archivo = servicios::Archivos().Abrir(kExtensionGuion, kFiltroGuion);
        if (Trim(archivo).isEmpty()) return;
        // Read whole before the text is touched: a file that cannot be read
        // leaves the text as it was.
        const QString texto = LeeGuion(archivo);
        auto* analizador = frmAnalizadorConsultas::Instancia();
        if (!analizador->Mostrado()) analizador->Show();
        analizador->txtSQL->EstableceText(texto);
    });
}

void mdiPrincipal::mnuVerRegistros_Click() {
    const bool hecho = Atrapa("mnuVerRegistros_Click", [&] {
        PunteroRaton(vb::vbHourglass);
        auto* explorador = frmAdministrador::Instancia();
        NombreNodo = BaseDatosDelPadre(explorador->trvBD->SelectedItem());
        auto* analizador = frmAnalizadorConsultas::Instancia();
        analizador->Show();
        SeleccionaBaseDatos(NombreNodo, analizador->cboBD);
        // The rows come from the listed database whatever the list showed
        // selected before.
        if (!Conexion) FallaNumero(errnum::ObjetoNoEstablecido);
        Conexion->Execute(QStringLiteral("Use ") + NombreSQL(NombreNodo));
        const ElementoLista elemento = explorador->ltvTablas->SelectedItem();
        const QString clave = elemento.Key();
        if (clave.startsWith(u'T') || clave.startsWith(u'V')) {
            // Only a text just set here runs: an old one never does.
            analizador->txtSQL->EstableceText(QStringLiteral("select * from ") +
                                              NombreConPropietario(elemento.SubItems(1), elemento.Text()));
            analizador->Ejecuta();
        }
        PunteroRaton(vb::vbDefault);
    });
    if (!hecho) PunteroRaton(vb::vbDefault);
}

void mdiPrincipal::mnuGuardar_Click() {
    Atrapa("mnuGuardar_Click", [&] {
        const QString archivo = servicios::Archivos().Guardar(kExtensionGuion, kFiltroGuion);
        if (Trim(archivo).isEmpty()) return;
        GrabaGuion(archivo, frmAnalizadorConsultas::Instancia()->txtSQL->Text());
    });
}

void Main() {
    CargaIdioma();
    mdiPrincipal::Instancia()->Show();
}
