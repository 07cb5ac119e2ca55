// The database menu's commands and the editor openers: what each puts into
// the shared context, which window it opens and what that window takes from
// the context, the designers' slots, windows that are already open, and the
// table menu's calls by name on the active child window.

#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "database/frmcopiaseguridad.h"
#include "database/frmpropiedadesbd.h"
#include "database/frmrestaurarcopia.h"
#include "explorer/consolasql.h"
#include "explorer/frmprocedimiento.h"
#include "explorer/frmvista.h"
#include "platform/rejilladatos.h"
#include "platform/textomultilinea.h"
#include "security/frminiciosesion.h"
#include "security/frmusuario.h"
#include "support/explorador_prueba.h"
#include "tabledesigner/frmtabla.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

QString ConsultaGrupos(const QString& prefijo) {
    return "select  g.groupname,g.status,  g.groupid, 'filecount' =         (select count(*) from " + prefijo +
           "sysfiles f             Where f.groupid = g.groupid                 and (f.status & 0x40 <> 0x40))"
           "     from " + prefijo + "sysfilegroups g order by groupid";
}

const QString kCaja9 = QStringLiteral(" Error Nº:9 (Subscript out of range).");
const QString kCaja438 = QStringLiteral(" Error Nº:438 (Object doesn't support this property or method).");

// A child window that has the table menu's procedures, counting the calls.
class VentanaConFilas : public Formulario {
    Q_OBJECT
public:
    VentanaConFilas() : Formulario(QStringLiteral("frmFilas"), Clase::Hija) { resize(200, 100); }
    Q_INVOKABLE void InsertarFila() { ++insertadas; }
    Q_INVOKABLE void EliminarFila() { ++eliminadas; }
    int insertadas = 0;
    int eliminadas = 0;
};

}  // namespace

class Comandos : public PruebaExplorador {
protected:
    // The explorer on master and Tienda, with Tienda's folders answered:
    // tables Clientes (T0), sysobjects (T1, a system table) and Pedidos (T2);
    // the view Resumen; the procedure Alta; the users dbo and juanito (login
    // juan); the logins sa and juan; and Tienda's filegroups.
    frmAdministrador* AbreTienda() {
        auto* f = Abre();
        Objetos(SqlTablas("Tienda.."), "tipo",
                {{"Clientes", "U", "dbo"}, {"sysobjects", "S", "dbo"}, {"Pedidos", "U", "dbo"}});
        Objetos(SqlVistas("Tienda.."), "categoria", {{"Resumen", "0", "dbo"}});
        Objetos(SqlProcedimientos("Tienda.."), "tipo", {{"Alta", "P", "dbo"}});
        conexion->Responde(SqlUsuarios("Tienda"), QStringList{"nombre", "login"}, {{"dbo", "sa"}, {"juanito", "juan"}});
        RespondeLogins({"sa", "juan"});
        conexion->Responde(ConsultaGrupos("Tienda.."), {"groupname", "status", "groupid", "filecount"},
                           {{QStringLiteral("PRIMARY"), 16, 1, 1}});
        return f;
    }
    // Chooses a database menu item from the pop-up over a node, or over row
    // fila of the node's list (the node is clicked first so that the list is
    // its own).
    void Elige(frmAdministrador* f, const QString& nodo, int fila, const char* item) {
        ClicNodo(f, nodo);
        menus.Elegir = {QString::fromUtf8(item)};
        if (fila < 0) ClicNodo(f, nodo, Qt::RightButton);
        else ClicFila(f, fila, Qt::RightButton);
    }
    // Unloads every window but the explorer.
    void CierraEditores() {
        for (QWidget* w : ventanas::Cargadas()) {
            auto* v = qobject_cast<Formulario*>(w);
            // A designer closed unchanged asks nothing.
            if (auto* d = qobject_cast<frmTabla*>(w)) d->Modificado = false;
            if (v && v->Name() != QLatin1String("frmAdministrador")) v->Unload();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QList<frmTabla*> Diseñadores() {
        QList<frmTabla*> r;
        for (QWidget* w : ventanas::Cargadas())
            if (auto* d = qobject_cast<frmTabla*>(w)) r.append(d);
        return r;
    }
    // The active child window and what it took from the context.
    QString Abierta() {
        Formulario* v = m()->HijaActiva();
        if (!v) return QStringLiteral("(none)");
        QStringList r{v->Name()};
        if (auto* p = qobject_cast<frmPropiedadesBD*>(v))
            r << p->txtNombreBD->text() << (p->EsNueva ? "nueva" : "existente");
        else if (auto* c = qobject_cast<frmCopiaSeguridad*>(v))
            r << c->cboBD->currentText() << c->txtNombreCopia->text();
        else if (auto* c = qobject_cast<frmRestaurarCopia*>(v))
            r << c->cboBD->currentText();
        else if (auto* d = qobject_cast<frmTabla*>(v))
            r << d->BaseDatos << d->NombreTabla << d->Caption();
        else if (auto* e = qobject_cast<EditorDefinicion*>(v))
            r << e->BaseDatos();
        else if (auto* u = qobject_cast<frmUsuario*>(v))
            r << u->BaseDatos << u->txtUsuario->text();
        else if (auto* i = qobject_cast<frmInicioSesion*>(v))
            r << i->txtUsuario->text();
        return r.join(u'|');
    }
};

// ---- The command table ----

TEST_F(Comandos, EachCommandSetsTheContextAndOpensItsWindow) {
    auto* f = AbreTienda();
    QApplication::setActiveWindow(m());
    // unset: -1 leaves the flag as it was.
    struct Caso {
        const char* nodo;
        int fila;  // -1: the pop-up over the node
        const char* orden;
        const char* nombreNodo;
        const char* nombreObjeto;
        int bdNueva;
        int tablaNueva;
        const char* abierta;
        const char* foco;  // the control that has the keys
    } casos[] = {
        {"BDTienda", -1, "mnuPropiedadesBD", "Tienda", "previo", 0, -1, "frmPropiedadesBD|Tienda|existente", "txtNombreBD"},
        {"BDTienda", -1, "mnuNuevaBD", "previa", "previo", 1, -1, "frmPropiedadesBD|previa|nueva", "txtNombreBD"},
        {"B", -1, "mnuNuevaBD", "previa", "previo", 1, -1, "frmPropiedadesBD|previa|nueva", "txtNombreBD"},
        {"BDTienda", -1, "mnuCopiaSeguridad", "Tienda", "previo", -1, -1, "frmCopiaSeguridad|Tienda|CopiaTienda", "txtNombreCopia"},
        {"BDTienda", -1, "mnuRestaurarCopia", "Tienda", "previo", -1, -1, "frmRestaurarCopia|Tienda", "cboBD"},
        {"BDTienda", -1, "mnuAñadirTabla", "Tienda", "previo", -1, 1, "frmTabla|Tienda||Tabla [Nueva]", "txtNombreTabla"},
        {"DTTienda", -1, "mnuAñadirTabla", "Tienda", "previo", -1, 1, "frmTabla|Tienda||Tabla [Nueva]", "txtNombreTabla"},
        {"DTTienda", 1, "mnuAñadirTabla", "Tienda", "previo", -1, 1, "frmTabla|Tienda||Tabla [Nueva]", "txtNombreTabla"},
        {"BDTienda", -1, "mnuAñadirVista", "Tienda", "previo", -1, -1, "frmVista|Tienda", "txtSQL"},
        {"DVTienda", -1, "mnuAñadirVista", "Tienda", "previo", -1, -1, "frmVista|Tienda", "txtSQL"},
        {"DVTienda", 0, "mnuAñadirVista", "Tienda", "previo", -1, -1, "frmVista|Tienda", "txtSQL"},
        {"DPTienda", -1, "mnuAñadirProcedimiento", "Tienda", "previo", -1, -1, "frmProcedimiento|Tienda", "txtSQL"},
        {"DPTienda", 0, "mnuAñadirProcedimiento", "Tienda", "previo", -1, -1, "frmProcedimiento|Tienda", "txtSQL"},
        {"DUTienda", -1, "mnuAñadirUsuario", "Tienda", "", -1, -1, "frmUsuario|Tienda|", "txtUsuario"},
        {"DUTienda", 1, "mnuAñadirUsuario", "Tienda", "", -1, -1, "frmUsuario|Tienda|", "txtUsuario"},
        {"DI", -1, "mnuAñadirInicioSesion", "Seguridad", "", -1, -1, "frmInicioSesion|", "txtUsuario"},
        {"DI", 1, "mnuAñadirInicioSesion", "Seguridad", "", -1, -1, "frmInicioSesion|", "txtUsuario"},
        {"DTTienda", 2, "mnuDiseño", "Tienda", "previo", -1, 0, "frmTabla|Tienda|Pedidos|Tabla [Pedidos]", "TDBGridTabla"},
        {"DVTienda", 0, "mnuDiseño", "Tienda", "previo", -1, -1, "frmVista|Tienda", "txtSQL"},
        {"DPTienda", 0, "mnuDiseño", "Tienda", "previo", -1, -1, "frmProcedimiento|Tienda", "txtSQL"},
        // A user is edited under its own name, not its login's.
        {"DUTienda", 1, "mnuDiseño", "Tienda", "juanito", -1, -1, "frmUsuario|Tienda|juanito", "txtClave"},
        {"DI", 1, "mnuDiseño", "Seguridad", "juan", -1, -1, "frmInicioSesion|juan", "txtClave"},
    };
    for (const auto& c : casos) {
        for (const bool previo : {false, true}) {
            const std::string caso = std::string(c.nodo) + "/" + std::to_string(c.fila) + " " + c.orden +
                                     (previo ? " (flags set before)" : "");
            NombreNodo = QStringLiteral("previa");
            NombreObjeto = QStringLiteral("previo");
            BDNueva = previo;
            TablaNueva = previo;
            Elige(f, QString::fromUtf8(c.nodo), c.fila, c.orden);
            EXPECT_EQ(NombreNodo, QString::fromUtf8(c.nombreNodo)) << caso;
            EXPECT_EQ(NombreObjeto, QString::fromUtf8(c.nombreObjeto)) << caso;
            EXPECT_EQ(BDNueva, c.bdNueva < 0 ? previo : c.bdNueva == 1) << caso;
            EXPECT_EQ(TablaNueva, c.tablaNueva < 0 ? previo : c.tablaNueva == 1) << caso;
            EXPECT_EQ(Abierta(), QString::fromUtf8(c.abierta)) << caso;
            ASSERT_TRUE(m()->HijaActiva()->isAncestorOf(QApplication::focusWidget())) << caso;  // it has the keys
            EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromUtf8(c.foco)) << caso;
            CierraEditores();
        }
    }
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join(u'\n').toStdString();
}

TEST_F(Comandos, AClosedWindowGivesBackTheOneActiveBeforeIt) {
    // The query analyzer made first: the next window in the order they were
    // made would be it, not the explorer the closed window came from.
    RespondeBases({"master", "Tienda"});
    m()->mnuAnalizadorConsultas->setEnabled(true);
    m()->mnuAnalizadorConsultas->trigger();
    auto* f = AbreTienda();
    m()->mnuAdministrador->trigger();
    QApplication::setActiveWindow(m());
    // As a desktop does it: no window is active while a box is up, and the
    // main window is activated again only after it has gone.
    mensajes.AlMostrar = [] { QApplication::setActiveWindow(nullptr); };
    const struct {
        const char* nodo;
        int fila;
        const char* orden;
        QList<int> respuestas;
    } casos[] = {
        {"DTTienda", 2, "mnuDiseño", {vb::vbNo}},
        {"BDTienda", -1, "mnuPropiedadesBD", {}},
        {"BDTienda", -1, "mnuCopiaSeguridad", {}},
        {"DUTienda", 1, "mnuDiseño", {}},
    };
    auto cierraLaActiva = [&](const QList<int>& respuestas) {
        mensajes.Respuestas = respuestas;
        m()->Area()->activeSubWindow()->close();  // as Ctrl+W does
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::setActiveWindow(m());
        EXPECT_EQ(mensajes.Cajas().size(), respuestas.size());
        mensajes.Cajas().clear();
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.orden);
        // The keyboard on the tree, or on the list under a row's pop-up.
        QAbstractItemView* tenia = c.fila < 0 ? static_cast<QAbstractItemView*>(f->trvBD) : f->ltvTablas;
        Clic(tenia->viewport(), QPoint(5, 5));
        Elige(f, QString::fromUtf8(c.nodo), c.fila, c.orden);
        ASSERT_NE(m()->HijaActiva(), f);
        cierraLaActiva(c.respuestas);
        EXPECT_EQ(m()->HijaActiva(), f);
        EXPECT_EQ(QApplication::focusWidget(), tenia);
    }

    // A designer on its keys page comes back with the control it had there,
    // never the filegroup list nor the list of indexes: after a window it
    // opened closes, and after a click on its frame.
    Elige(f, "DTTienda", 0, "mnuDiseño");
    frmTabla* clientes = Tablas(0);
    QTabBar* pestañas = clientes->SSTabIndicesRelaciones->tabBar();
    Clic(pestañas, pestañas->tabRect(1).center());
    EXPECT_EQ(QApplication::focusWidget(), clientes->cmdNuevoIndice);  // the page's start: no index yet
    Clic(clientes->TDBGridIndices->viewport(), QPoint(30, 5));
    ASSERT_EQ(QApplication::focusWidget(), clientes->TDBGridIndices);
    m()->mnuAñadirTabla->setEnabled(true);
    m()->mnuAñadirTabla->trigger();
    ASSERT_NE(m()->HijaActiva(), clientes);
    cierraLaActiva({vb::vbNo});
    EXPECT_EQ(m()->HijaActiva(), clientes);
    EXPECT_EQ(QApplication::focusWidget(), clientes->TDBGridIndices);
    f->Activa();
    Clic(clientes->Marco(), QPoint(clientes->Marco()->width() / 2, 5));  // its title
    EXPECT_EQ(m()->HijaActiva(), clientes);
    EXPECT_EQ(QApplication::focusWidget(), clientes->TDBGridIndices);
}

TEST_F(Comandos, ACommandWithoutASelectionIsReportedAndOpensNothing) {
    auto* f = AbreTienda();
    ClicNodo(f, "DTTienda");  // the list holds tables, none selected
    NombreNodo = QStringLiteral("previa");
    m()->mnuDiseño->setEnabled(true);
    m()->mnuDiseño->trigger();
    EXPECT_EQ(NombreNodo, QStringLiteral("Tienda"));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:91 (Object variable or With block variable not set)."});
    // The explorer closed: the commands have nowhere to read from.
    f->Unload();
    mensajes.Cajas().clear();
    for (QAction* a : {m()->mnuPropiedadesBD, m()->mnuAñadirTabla, m()->mnuAñadirUsuario}) {
        a->setEnabled(true);
        a->trigger();
    }
    EXPECT_EQ(mensajes.Cajas().size(), 3);
    EXPECT_FALSE(ExisteFormulario(QStringLiteral("frmPropiedadesBD")));
    EXPECT_FALSE(ExisteFormulario(QStringLiteral("frmTabla")));
    EXPECT_FALSE(ExisteFormulario(QStringLiteral("frmUsuario")));
}

// ---- Table designers ----

TEST_F(Comandos, TwoTablesAreTwoDesignersInTheirOwnSlots) {
    auto* f = AbreTienda();
    Elige(f, "DTTienda", 0, "mnuDiseño");
    Elige(f, "DTTienda", 2, "mnuDiseño");
    frmTabla* clientes = Tablas(0);
    frmTabla* pedidos = Tablas(2);
    ASSERT_NE(clientes, nullptr);
    ASSERT_NE(pedidos, nullptr);
    EXPECT_NE(clientes, pedidos);
    EXPECT_TRUE(Tablas(1).isNull());
    EXPECT_EQ(Diseñadores().size(), 2);
    for (auto [d, clave, nombre] : {std::tuple{clientes, "T0", "Clientes"}, std::tuple{pedidos, "T2", "Pedidos"}}) {
        EXPECT_TRUE(d->Mostrado()) << nombre;
        EXPECT_EQ(d->Name(), QStringLiteral("frmTabla"));
        EXPECT_EQ(d->NodoSeleccionado, QString::fromUtf8(clave));
        EXPECT_EQ(d->NombreTabla, QString::fromUtf8(nombre));
        EXPECT_FALSE(d->TablaSistema) << nombre;
        EXPECT_EQ(d->Caption(), QStringLiteral("Tabla [") + nombre + "]");
        EXPECT_EQ(d->BaseDatos, QStringLiteral("Tienda"));
        EXPECT_EQ(d->txtNombreTabla->text(), QString::fromUtf8(nombre));
        EXPECT_FALSE(d->txtNombreTabla->isEnabled()) << nombre;
    }
    EXPECT_EQ(m()->HijaActiva(), pedidos);
    // The filegroups of the table's database are loaded before each designer.
    EXPECT_EQ(conexion->Enviadas.count(ConsultaGrupos("Tienda..")), 2);
    EXPECT_EQ(GruposFicheros->LeeCelda(0, 0), QStringLiteral("PRIMARY"));

    // The same table again: a new window takes the slot, the earlier one stays.
    Elige(f, "DTTienda", 0, "mnuDiseño");
    EXPECT_NE(Tablas(0).data(), clientes);
    EXPECT_TRUE(clientes->Cargado());
    EXPECT_EQ(Diseñadores().size(), 3);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Comandos, AddTableTwiceLeavesTwoWindows) {
    auto* f = AbreTienda();
    Elige(f, "DTTienda", -1, "mnuAñadirTabla");
    frmTabla* primera = Tablas(0);
    ASSERT_NE(primera, nullptr);
    primera->txtNombreTabla->setText(QStringLiteral("Facturas"));  // its own state
    // Its relations can reference the listed tables from its first design.
    ASSERT_EQ(primera->cboExterna->count(), 3);
    EXPECT_EQ(primera->cboExterna->itemText(2), QStringLiteral("Pedidos"));
    Elige(f, "BDTienda", -1, "mnuAñadirTabla");
    frmTabla* segunda = Tablas(0);
    ASSERT_NE(segunda, nullptr);
    EXPECT_NE(primera, segunda);
    // The second is shown although another "frmTabla" is loaded and shown.
    EXPECT_TRUE(segunda->Mostrado());
    EXPECT_EQ(m()->HijaActiva(), segunda);
    EXPECT_TRUE(primera->Cargado());
    EXPECT_TRUE(primera->Mostrado());
    EXPECT_EQ(primera->Caption(), QStringLiteral("Tabla [Nueva]"));
    EXPECT_EQ(primera->txtNombreTabla->text(), QStringLiteral("Facturas"));
    EXPECT_EQ(segunda->Caption(), QStringLiteral("Tabla [Nueva]"));
    EXPECT_EQ(segunda->NombreTabla, QString());
    EXPECT_EQ(segunda->txtNombreTabla->text(), QString());
    EXPECT_TRUE(segunda->txtNombreTabla->isEnabled());
    EXPECT_EQ(Diseñadores().size(), 2);
    EXPECT_EQ(m()->Area()->subWindowList().size(), 3);  // with the explorer

    // The first table of the list shares element 0 with a new table.
    Elige(f, "DTTienda", 0, "mnuDiseño");
    EXPECT_EQ(Tablas(0)->NombreTabla, QStringLiteral("Clientes"));
    EXPECT_TRUE(segunda->Cargado());
    EXPECT_EQ(Diseñadores().size(), 3);
}

TEST_F(Comandos, TheSystemMarkInEitherLanguageMakesASystemTable) {
    auto* f = AbreTienda();
    for (const qint16 idioma : {0, 1}) {
        Idioma = idioma;
        Elige(f, "DTTienda", 1, "mnuDiseño");  // sysobjects: "Sistema" / "Sistem"
        ASSERT_FALSE(Tablas(1).isNull());
        EXPECT_TRUE(Tablas(1)->TablaSistema) << idioma;
        EXPECT_EQ(Tablas(1)->NombreTabla, QStringLiteral("sysobjects"));
        Elige(f, "DTTienda", 0, "mnuDiseño");  // Clientes: "Usuario" / "User"
        EXPECT_FALSE(Tablas(0)->TablaSistema) << idioma;
        CierraEditores();
    }
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Comandos, ATableListedBeyondTheLastSlotOpensNothing) {
    auto* f = AbreTienda();
    QList<QStringList> filas;
    for (int i = 0; i < 202; ++i) filas.append({QStringLiteral("T%1").arg(i, 3, 10, QChar(u'0')), "U", "dbo"});
    Objetos(SqlTablas("Tienda.."), "tipo", filas);
    Elige(f, "DTTienda", 201, "mnuDiseño");
    EXPECT_EQ(TextosCajas(), QStringList{kCaja9});
    EXPECT_TRUE(Diseñadores().isEmpty());
    // What the command set before the opener failed stays set.
    EXPECT_EQ(NombreNodo, QStringLiteral("Tienda"));
    EXPECT_FALSE(TablaNueva);
    EXPECT_EQ(conexion->Enviadas.count(ConsultaGrupos("Tienda..")), 1);

    // The last slot opens.
    mensajes.Cajas().clear();
    Elige(f, "DTTienda", 200, "mnuDiseño");
    ASSERT_FALSE(Tablas(200).isNull());
    EXPECT_EQ(Tablas(200)->NombreTabla, QStringLiteral("T200"));
    EXPECT_EQ(Tablas(200)->NodoSeleccionado, QStringLiteral("T200"));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// ---- Windows already open ----

TEST_F(Comandos, AnOpenUserOrLoginEditorComesForwardOnlyForItsOwnObject) {
    auto* f = AbreTienda();
    conexion->Responde(SqlUsuarios("master"), QStringList{"nombre", "login"}, {{"dbo", "sa"}, {"juanito", "juan"}});
    QApplication::setActiveWindow(m());
    const struct {
        const char *nodo;
        int fila;
        const char* orden;
        bool misma;  // the open window comes forward; else a new one for the object
        const char* abierta;
        const char* foco;  // the control that has the keys
    } casos[] = {
        {"DUTienda", 1, "mnuDiseño", false, "frmUsuario|Tienda|juanito", "txtClave"},
        {"DUTienda", 1, "mnuDiseño", true, "frmUsuario|Tienda|juanito", "txtClave"},
        {"DUTienda", 0, "mnuDiseño", false, "frmUsuario|Tienda|dbo", "txtClave"},
        {"DUmaster", 1, "mnuDiseño", false, "frmUsuario|master|juanito", "txtClave"},  // same name, another database
        {"DUmaster", -1, "mnuAñadirUsuario", false, "frmUsuario|master|", "txtUsuario"},
        {"DUmaster", -1, "mnuAñadirUsuario", true, "frmUsuario|master|", "txtUsuario"},
        {"DUTienda", -1, "mnuAñadirUsuario", false, "frmUsuario|Tienda|", "txtUsuario"},
        {"DI", 1, "mnuDiseño", false, "frmInicioSesion|juan", "txtClave"},
        {"DI", 1, "mnuDiseño", true, "frmInicioSesion|juan", "txtClave"},
        {"DI", 0, "mnuDiseño", false, "frmInicioSesion|sa", "txtClave"},
        {"DI", -1, "mnuAñadirInicioSesion", false, "frmInicioSesion|", "txtUsuario"},
        {"DI", -1, "mnuAñadirInicioSesion", true, "frmInicioSesion|", "txtUsuario"},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(std::string(c.nodo) + " " + std::to_string(c.fila) + " " + c.orden);
        const QPointer<Formulario> antes = m()->HijaActiva();
        Elige(f, QString::fromUtf8(c.nodo), c.fila, c.orden);
        EXPECT_EQ(Abierta(), QString::fromUtf8(c.abierta));
        EXPECT_EQ(antes && antes->Cargado() && m()->HijaActiva() == antes, c.misma);
        const QWidget* foco = QApplication::focusWidget();
        EXPECT_EQ(foco ? foco->objectName() : QString(), QString::fromUtf8(c.foco));
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(m()->Area()->subWindowList().size(), 3);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Comandos, OpenDatabaseWindowsKeepTheirDatabase) {
    auto* f = AbreTienda();
    Elige(f, "BDTienda", -1, "mnuPropiedadesBD");
    auto* propiedades = frmPropiedadesBD::SiExiste();
    ASSERT_NE(propiedades, nullptr);
    Elige(f, "BDmaster", -1, "mnuPropiedadesBD");
    Elige(f, "B", -1, "mnuNuevaBD");
    EXPECT_TRUE(BDNueva);
    EXPECT_EQ(NombreNodo, QStringLiteral("master"));
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), propiedades);
    EXPECT_EQ(m()->HijaActiva(), propiedades);
    EXPECT_FALSE(propiedades->EsNueva);
    EXPECT_EQ(propiedades->txtNombreBD->text(), QStringLiteral("Tienda"));
    EXPECT_EQ(propiedades->NombreOriginal, QStringLiteral("Tienda"));

    conexion->Enviadas.clear();
    Elige(f, "BDTienda", -1, "mnuCopiaSeguridad");
    Elige(f, "BDmaster", -1, "mnuCopiaSeguridad");
    Elige(f, "BDTienda", -1, "mnuRestaurarCopia");
    Elige(f, "BDmaster", -1, "mnuRestaurarCopia");
    EXPECT_EQ(conexion->Enviadas.count(kBases), 2);  // one load each
    EXPECT_EQ(frmCopiaSeguridad::SiExiste()->cboBD->currentText(), QStringLiteral("Tienda"));
    EXPECT_EQ(frmCopiaSeguridad::SiExiste()->txtNombreCopia->text(), QStringLiteral("CopiaTienda"));
    EXPECT_EQ(frmRestaurarCopia::SiExiste()->cboBD->currentText(), QStringLiteral("Tienda"));
    EXPECT_EQ(m()->Area()->subWindowList().size(), 4);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Comandos, DesigningAnotherViewReloadsTheOpenEditor) {
    auto* f = AbreTienda();
    Objetos(SqlVistas("Tienda.."), "categoria", {{"Resumen", "0", "dbo"}, {"Ventas", "0", "dbo"}});
    conexion->RespondePatron("name='Resumen'", {"name", "text"},
                             {{QStringLiteral("Resumen"), QStringLiteral("CREATE VIEW Resumen AS SELECT 1")}});
    conexion->RespondePatron("name='Ventas'", {"name", "text"},
                             {{QStringLiteral("Ventas"), QStringLiteral("CREATE VIEW Ventas AS SELECT 2")}});
    Elige(f, "DVTienda", 0, "mnuDiseño");
    frmVista* vista = frmVista::SiExiste();
    ASSERT_NE(vista, nullptr);
    EXPECT_EQ(vista->txtSQL->Text(), QStringLiteral("CREATE VIEW Resumen AS SELECT 1"));
    Elige(f, "DVTienda", 1, "mnuDiseño");
    EXPECT_EQ(frmVista::SiExiste(), vista);
    EXPECT_EQ(vista->NombreOriginal, QStringLiteral("Ventas"));
    EXPECT_EQ(vista->txtSQL->Text(), QStringLiteral("CREATE VIEW Ventas AS SELECT 2"));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// ---- What the windows take when they load ----

TEST_F(Comandos, BackupAndRestoreListTheDatabasesAndSelectTheCurrentOne) {
    conexion->AbreSinMas();
    Conexion = conexion;
    mdiPrincipal::Instancia()->Show();
    // The list shows the names trimmed and selects by the catalog's own name.
    RespondeBases({" master ", "Tienda  ", "Tienda"});
    NombreNodo = QStringLiteral("Tienda  ");
    auto* copia = frmCopiaSeguridad::Instancia();
    QStringList nombres;
    for (int i = 0; i < copia->cboBD->count(); ++i) nombres.append(copia->cboBD->itemText(i));
    EXPECT_EQ(nombres, (QStringList{"master", "Tienda", "Tienda"}));
    EXPECT_EQ(copia->cboBD->currentIndex(), 1);
    EXPECT_EQ(copia->txtNombreCopia->text(), QStringLiteral("CopiaTienda"));
    auto* restaurar = frmRestaurarCopia::Instancia();
    EXPECT_EQ(restaurar->cboBD->currentIndex(), 1);
    EXPECT_FALSE(restaurar->cmdAceptar->isEnabled());
    copia->Unload();
    restaurar->Unload();

    // The databases folder's caption matches nothing (nor does another case).
    for (const char* nodo : {"Bases de Datos", "tienda"}) {
        NombreNodo = QString::fromUtf8(nodo);
        copia = frmCopiaSeguridad::Instancia();
        EXPECT_EQ(copia->cboBD->count(), 3);
        EXPECT_EQ(copia->cboBD->currentIndex(), -1) << nodo;
        EXPECT_EQ(copia->txtNombreCopia->text(), QString()) << nodo;
        copia->Unload();
    }
    // A failed query is reported by the opener of the recordset; the list stays empty.
    conexion->Falla(kBases, 229, QStringLiteral("SELECT permission denied."));
    puntero.Historia.clear();
    copia = frmCopiaSeguridad::Instancia();
    EXPECT_EQ(copia->cboBD->count(), 0);
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:229 (SELECT permission denied.)."});
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(Comandos, DatabasePropertiesLoadInTheirMode) {
    mdiPrincipal::Instancia()->Show();
    BDNueva = true;
    NombreNodo = QStringLiteral("Tienda");
    auto* p = frmPropiedadesBD::Instancia();
    EXPECT_TRUE(p->EsNueva);
    EXPECT_EQ(p->txtNombreBD->text(), QStringLiteral("Tienda"));
    EXPECT_TRUE(p->txtNombreBD->isEnabled());
    const QList<bool> nueva = {true, true, false, true, true, false};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(p->sstBaseDatos->isTabEnabled(i), nueva[i]) << i;
    GruposFicheros = std::make_shared<GridDataArray>();
    p->cmdCancelar->click();
    EXPECT_EQ(GruposFicheros, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);

    // master and model keep their names; any other database may be renamed.
    BDNueva = false;
    for (const auto& [nombre, editable] : {std::pair{" Model ", false}, std::pair{"MASTER", false},
                                           std::pair{"Tienda", true}}) {
        NombreNodo = QString::fromUtf8(nombre);
        p = frmPropiedadesBD::Instancia();
        EXPECT_FALSE(p->EsNueva);
        EXPECT_EQ(p->NombreOriginal, QString::fromUtf8(nombre));
        EXPECT_EQ(p->txtNombreBD->isEnabled(), editable) << nombre;
        for (int i = 0; i < 6; ++i) EXPECT_TRUE(p->sstBaseDatos->isTabEnabled(i)) << i;
        p->Unload();
    }
    // New mode never locks the name.
    BDNueva = true;
    NombreNodo = QStringLiteral("master");
    EXPECT_TRUE(frmPropiedadesBD::Instancia()->txtNombreBD->isEnabled());
}

TEST_F(Comandos, UserAndLoginEditorsShowTheirName) {
    mdiPrincipal::Instancia()->Show();
    NombreObjeto = QStringLiteral("juanito");
    NombreNodo = QStringLiteral("Tienda");
    auto* u = frmUsuario::Instancia();
    EXPECT_EQ(u->Caption(), QStringLiteral("Usuario [ juanito ]"));
    EXPECT_EQ(u->Usuario, QStringLiteral("juanito"));
    EXPECT_EQ(u->BaseDatos, QStringLiteral("Tienda"));
    Idioma = 1;
    MuestraFormulario(u);  // activated: the captions follow the language
    EXPECT_EQ(u->Caption(), QStringLiteral("User [ juanito ]"));
    EXPECT_EQ(u->lblUsuario->text(), QStringLiteral("User:"));
    Idioma = 2;
    u->PonIdioma();
    EXPECT_EQ(u->Caption(), QStringLiteral("User [ juanito ]"));
    u->Unload();

    Idioma = 0;
    NombreObjeto = QString();
    u = frmUsuario::Instancia();
    EXPECT_EQ(u->Caption(), QStringLiteral("Usuario [  ]"));
    EXPECT_TRUE(u->txtUsuario->isEnabled());
    auto* i = frmInicioSesion::Instancia();
    EXPECT_EQ(i->txtUsuario->text(), QString());
    EXPECT_TRUE(i->txtUsuario->isEnabled());
    i->Unload();
    NombreObjeto = QStringLiteral("juan");
    i = frmInicioSesion::Instancia();
    EXPECT_EQ(i->txtUsuario->text(), QStringLiteral("juan"));
    EXPECT_FALSE(i->txtUsuario->isEnabled());
}

// ---- The table menu ----

TEST_F(Comandos, InsertAndDeleteRowCallTheActiveWindowByName) {
    auto* mdi = mdiPrincipal::Instancia();
    mdi->Show();
    // No child window at all.
    mdi->mnuInsertarFila->trigger();
    mdi->mnuEliminarFila->trigger();
    EXPECT_EQ(TextosCajas(), (QStringList{kCaja438, kCaja438}));

    // A window that has them.
    mensajes.Cajas().clear();
    auto* filas = new VentanaConFilas();
    MuestraFormulario(filas);
    mdi->mnuInsertarFila->trigger();
    mdi->mnuInsertarFila->trigger();
    mdi->mnuEliminarFila->trigger();
    EXPECT_EQ(filas->insertadas, 2);
    EXPECT_EQ(filas->eliminadas, 1);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());

    // A designer has them too.
    TablaNueva = true;
    auto* d = new frmTabla();
    MuestraFormulario(d);
    ASSERT_EQ(mdi->HijaActiva(), d);
    mdi->mnuInsertarFila->trigger();
    mensajes.Respuestas = {vb::vbNo};
    mdi->mnuEliminarFila->trigger();
    EXPECT_EQ(TextosCajas(), QStringList{"¿Desea eliminar la fila?"});
    mensajes.Cajas().clear();
    EXPECT_EQ(filas->insertadas, 2);

    // A window that has not.
    MuestraFormulario(frmUsuario::Instancia());
    mdi->mnuEliminarFila->trigger();
    EXPECT_EQ(TextosCajas(), QStringList{kCaja438});
    EXPECT_EQ(filas->eliminadas, 1);
}

// ---- Exit ----

TEST_F(Comandos, ExitAsksNoWindow) {
    auto* f = AbreTienda();
    Elige(f, "DTTienda", 0, "mnuDiseño");
    Elige(f, "DUTienda", 1, "mnuDiseño");
    m()->mnuSalir->trigger();
    EXPECT_EQ(aplicacion.Terminaciones, 1);
    EXPECT_EQ(conexion->State(), datos::adStateClosed);
    EXPECT_TRUE(Tablas(0)->Cargado());
    EXPECT_TRUE(frmUsuario::SiExiste()->Cargado());
    EXPECT_TRUE(f->Cargado());
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

#include "test_comandos.moc"
