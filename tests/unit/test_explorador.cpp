#include "explorer/frmadministrador.h"

#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "explorer/consolasql.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "platform/tabladatos.h"
#include "support/entorno.h"
#include "support/explorador_prueba.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>

class Explorador : public PruebaExplorador {};

// ---- Menu logic and tree ----

TEST_F(Explorador, GestionMenuOverItsWholeTable) {
    auto* f = Abre();
    const QStringList base = {"mnuNuevaBD",  "mnuAñadirTabla",    "mnuAñadirVista",   "mnuPropiedadesBD",
                              "mnuEliminar", "mnuCopiaSeguridad", "mnuRestaurarCopia"};
    const QStringList tabla = {"mnuAñadirTabla", "mnuDiseño", "mnuEliminar", "mnuVerRegistros"};
    const QStringList vista = {"mnuAñadirVista", "mnuDiseño", "mnuEliminar", "mnuVerRegistros"};
    const QList<QPair<QStringList, QStringList>> casos = {
        {{"B"}, {"mnuNuevaBD"}},
        {{"BDTienda", "BDB", "BDDTx", "BDTablas", "BDVistas"}, base},
        {{"DTTienda", "DTB", "DTDV", "DTT"}, {"mnuAñadirTabla"}},
        {{"DVTienda", "DVB", "DVT"}, {"mnuAñadirVista"}},
        {{"DPTienda", "DPB"}, {"mnuAñadirProcedimiento"}},
        {{"DI"}, {"mnuAñadirInicioSesion"}},
        {{"DUTienda", "DUT"}, {"mnuAñadirUsuario"}},
        {{"T0", "T200"}, tabla},
        {{"Vdbo.Resumen", "VB", "VTablas"}, vista},
        {{"P0"}, {"mnuAñadirProcedimiento", "mnuDiseño", "mnuEliminar"}},
        {{"IBob", "IT", "IDT"}, {"mnuDiseño", "mnuEliminar", "mnuAñadirInicioSesion"}},
        {{"Ujuan", "UB"}, {"mnuDiseño", "mnuEliminar", "mnuAñadirUsuario"}},
        {{"S", "SG", "", "b", "dt", "X"}, {}},
    };
    for (const auto& [claves, activos] : casos) {
        for (const QString& clave : claves) {
            for (QAction* a : Doce()) a->setEnabled(true);  // so that what goes off is seen too
            f->GestionMenu(clave);
            EXPECT_EQ(Activos(), activos) << clave.toStdString();
        }
    }
}

TEST_F(Explorador, CapturaBD_SQLBuildsTheTreeInBothLanguages) {
    auto* f = Abre({"  Mi Tienda ", "master"});
    auto nodos = f->trvBD->Nodes();
    QStringList detalle;
    for (const QString& k : nodos.Claves()) {
        const Nodo n = nodos.Item(k);
        detalle.append(QStringList{k, n.Text(), n.Image(), n.Parent().EsNada() ? "" : n.Parent().Key(),
                                   n.Expanded() ? "+" : "-"}.join(u'|'));
    }
    EXPECT_EQ(detalle,
              (QStringList{"S|SRV1|Servidor||+", "B|Bases de Datos|CarpetaCerrada|S|+",
                           "BDMi Tienda|Mi Tienda|BaseDatos|B|-", "DTMi Tienda|Tablas|Tabla|BDMi Tienda|-",
                           "DVMi Tienda|Vistas|Vista|BDMi Tienda|-",
                           "DPMi Tienda|Procedimientos almacenados|Procedimientos|BDMi Tienda|-",
                           "DUMi Tienda|Usuarios|Usuario|BDMi Tienda|-", "BDmaster|master|BaseDatos|B|-",
                           "DTmaster|Tablas|Tabla|BDmaster|-", "DVmaster|Vistas|Vista|BDmaster|-",
                           "DPmaster|Procedimientos almacenados|Procedimientos|BDmaster|-",
                           "DUmaster|Usuarios|Usuario|BDmaster|-", "SG|Seguridad|CarpetaCerrada|S|+",
                           "DI|Inicio Sesión|Usuarios|SG|+"}));
    // Selecting a node from code lists it as a click does; a rebuild
    // replaces every node, leaves none selected and nothing listed.
    Objetos(SqlTablas("master.."), "tipo", {{"Clientes", "U", "dbo"}});
    nodos.Item("DTmaster").Selected(true);
    EXPECT_EQ(Filas(f).size(), 1);
    conexion->Enviadas.clear();
    puntero.Historia.clear();
    Idioma = 1;
    RespondeBases({"Ventas"});
    CapturaBD_SQL();
    EXPECT_EQ(conexion->Enviadas, QStringList{kBases});
    QStringList textos;
    for (const QString& k : nodos.Claves()) textos.append(k + u'|' + nodos.Item(k).Text());
    EXPECT_EQ(textos, (QStringList{"S|SRV1", "B|Databases", "BDVentas|Ventas", "DTVentas|Tables", "DVVentas|Views",
                                   "DPVentas|Procedures Stores", "DUVentas|Users", "SG|Security", "DI|Inicio Sesion"}));
    EXPECT_TRUE(f->trvBD->SelectedItem().EsNada());
    EXPECT_TRUE(Filas(f).isEmpty());
    EXPECT_EQ(puntero.Historia, QList<int>{vb::vbDefault});
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Explorador, OtherLanguageThenAFailingDatabaseQuery) {
    Idioma = 2;
    auto* f = Abre();
    EXPECT_EQ(f->trvBD->Nodes().Count(), 0);
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Administrador"));
    EXPECT_EQ(Encabezados(f), (QStringList{"Nombre", "Propietario", "Usuario", "Fecha de creación"}));
    EXPECT_TRUE(mdiPrincipal::Habilitado(m()->mnuBaseDatos));

    Idioma = 0;
    conexion->Falla(kBases, 229, QStringLiteral("SELECT permission denied."));
    CapturaBD_SQL();
    EXPECT_EQ(f->trvBD->Nodes().Claves(), (QStringList{"S", "SG", "DI"}));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:229 (SELECT permission denied.)."});
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(Explorador, FolderClickSetsThePrefixAndListsTheFolder) {
    auto* f = Abre({"Mi Tienda", "Ventas"});
    Objetos(SqlTablas("[Mi Tienda].."), "tipo", {{"Clientes", "U", "dbo"}});
    ClicNodo(f, "DTMi Tienda");
    EXPECT_EQ(PrefijoBD, QStringLiteral("[Mi Tienda].."));
    EXPECT_EQ(Filas(f).size(), 1);
    EXPECT_EQ(Activos(), QStringList{"mnuAñadirTabla"});
    EXPECT_EQ(puntero.Historia, (QList<int>{vb::vbHourglass, vb::vbDefault}));
    ClicNodo(f, "DVVentas");
    ClicNodo(f, "DPVentas");
    ClicNodo(f, "DUVentas");
    EXPECT_EQ(PrefijoBD, QStringLiteral("Ventas.."));
    EXPECT_EQ(Activos(), QStringList{"mnuAñadirUsuario"});
    RespondeLogins({"sa"});
    ClicNodo(f, "DI");  // the security folder's caption makes the prefix
    EXPECT_EQ(PrefijoBD, QStringLiteral("Seguridad.."));
    EXPECT_EQ(conexion->Enviadas, (QStringList{SqlTablas("[Mi Tienda].."), SqlVistas("Ventas.."),
                                               SqlProcedimientos("Ventas.."), SqlUsuarios("Ventas"), "sp_helplogins"}));

    // Any other node empties the list and leaves the rest alone.
    for (const char* clave : {"S", "B", "SG", "BDVentas"}) {
        ClicNodo(f, "DTMi Tienda");
        const QString etiqueta = f->lblDetalle->text();
        conexion->Enviadas.clear();
        ClicNodo(f, clave);
        EXPECT_EQ(f->ltvTablas->ListItems().Count(), 0) << clave;
        EXPECT_TRUE(conexion->Enviadas.isEmpty()) << clave;
        EXPECT_EQ(PrefijoBD, QStringLiteral("[Mi Tienda]..")) << clave;
        EXPECT_EQ(f->lblDetalle->text(), etiqueta) << clave;
    }
    EXPECT_EQ(Activos().size(), 7);
    Idioma = 1;
    CapturaBD_SQL();
    ClicNodo(f, "DI");
    EXPECT_EQ(PrefijoBD, QStringLiteral("Security.."));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Explorador, ArrowKeysListTheNodeTheyMoveTo) {
    auto* f = Abre();
    ClicNodo(f, "DTTienda");
    conexion->Enviadas.clear();
    QKeyEvent abajo(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(f->trvBD, &abajo);
    EXPECT_EQ(f->trvBD->SelectedItem().Key(), QStringLiteral("DVTienda"));
    EXPECT_EQ(conexion->Enviadas, QStringList{SqlVistas("Tienda..")});
    EXPECT_EQ(Activos(), QStringList{"mnuAñadirVista"});
}

// ---- Lists ----

TEST_F(Explorador, TablesListInBothLanguages) {
    auto* f = Abre();
    PrefijoBD = QStringLiteral("Tienda..");
    Objetos(SqlTablas("Tienda.."), "tipo",
            {{"Clientes", "U", "dbo"}, {"sysobjects", " S ", "dbo"}, {"Ventas", "U", "juan"}, {"raro", "X", "dbo"}});
    f->MuestraTablas(QStringLiteral("ignored"));
    const QString d = fecha;
    EXPECT_EQ(Filas(f), (QStringList{"T0|Clientes|dbo|Usuario|" + d, "T1|sysobjects|dbo|Sistema|" + d,
                                     "T2|Ventas|juan|Usuario|" + d, "T3|raro|dbo||" + d}));
    EXPECT_EQ(Encabezados(f), (QStringList{"Nombre", "Propietario", "Usuario", "Fecha creación"}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Tablas 4 elementos"));
    // Again, in English: the keys start from T0 again.
    Idioma = 1;
    f->MuestraTablas(QString());
    EXPECT_EQ(Filas(f), (QStringList{"T0|Clientes|dbo|User|" + d, "T1|sysobjects|dbo|Sistem|" + d,
                                     "T2|Ventas|juan|User|" + d, "T3|raro|dbo||" + d}));
    EXPECT_EQ(Encabezados(f), (QStringList{"Name", "Owner", "User", "Creation Date"}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Tables 4 elements"));
    // Another language index: the rows only.
    Idioma = 3;
    Objetos(SqlTablas("Tienda.."), "tipo", {{"Clientes", "U", "dbo"}});
    f->MuestraTablas(QString());
    EXPECT_EQ(Filas(f), (QStringList{"T0|Clientes|dbo||" + d}));
    EXPECT_EQ(Encabezados(f), (QStringList{"Name", "Owner", "User", "Creation Date"}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Tables 4 elements"));
    EXPECT_EQ(conexion->Enviadas, QList<QString>(3, SqlTablas("Tienda..")));

    // A database that cannot be read: empty list, label kept; then one without tables.
    Idioma = 0;
    PrefijoBD = QStringLiteral("Cerrada..");
    conexion->Falla(SqlTablas("Cerrada.."), 916, QStringLiteral("Not a valid user."));
    f->MuestraTablas(QString());
    EXPECT_EQ(f->ltvTablas->ListItems().Count(), 0);
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Tables 4 elements"));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:916 (Not a valid user.)."});
    PrefijoBD = QStringLiteral("Vacia..");
    f->MuestraTablas(QString());
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Tablas 0 elementos"));
}

TEST_F(Explorador, ViewsAndProceduresLists) {
    auto* f = Abre();
    PrefijoBD = QStringLiteral("Tienda..");
    conexion->Responde(SqlVistas("Tienda.."), QStringList{"tabla", "categoria", "usuario", "fecha"},
                       {{"Resumen", 0, "dbo", kFecha}, {"Resumen", 0, "juan", kFecha},
                        {"sysalternates", 2, "dbo", kFecha}, {"Mi vista", 0, "dbo", kFecha}});
    f->MuestraVistas();
    const QString d = fecha;
    // Two owners' views of one name are two items.
    EXPECT_EQ(Filas(f), (QStringList{"Vdbo.Resumen|Resumen|dbo|Usiario|" + d, "Vjuan.Resumen|Resumen|juan|Usiario|" + d,
                                     "Vdbo.sysalternates|sysalternates|dbo|Sistema|" + d,
                                     "Vdbo.[Mi vista]|Mi vista|dbo|Usiario|" + d}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Vistas 4 elementos"));
    Idioma = 1;
    f->MuestraVistas();
    EXPECT_EQ(Filas(f)[0], "Vdbo.Resumen|Resumen|dbo|User|" + d);
    EXPECT_EQ(Filas(f)[2], "Vdbo.sysalternates|sysalternates|dbo|Sistem|" + d);
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Views 4 elements"));

    Objetos(SqlProcedimientos("Tienda.."), "tipo", {{"Alta", "P ", "dbo"}, {"Baja", "P", "juan"}});
    f->MuestraProcedimientos(QStringLiteral("ignored"));
    EXPECT_EQ(Filas(f), (QStringList{"P0|Alta|dbo||" + d, "P1|Baja|juan||" + d}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Procedures 2 elements"));
    Idioma = 0;
    f->MuestraProcedimientos(QString());
    EXPECT_EQ(Filas(f)[0], "P0|Alta|dbo||" + d);
    EXPECT_EQ(Encabezados(f), (QStringList{"Nombre", "Propietario", "Usuario", "Fecha creación"}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Procedimientos 2 elementos"));
    EXPECT_EQ(conexion->Enviadas, (QStringList{SqlVistas("Tienda.."), SqlVistas("Tienda.."),
                                               SqlProcedimientos("Tienda.."), SqlProcedimientos("Tienda..")}));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Explorador, UsersAndLoginsLists) {
    auto* f = Abre();
    conexion->Responde(SqlUsuarios("[Mi Tienda]"), QStringList{"nombre", "login"}, {{"dbo", "sa"}, {"juanito", "juan"}});
    f->MuestraUsuarios(QStringLiteral("Mi Tienda"));
    EXPECT_EQ(Filas(f), (QStringList{"Udbo|dbo|sa||", "Ujuanito|juanito|juan||"}));
    EXPECT_EQ(Encabezados(f), (QStringList{"Nombre", "Inicio sesión", "", ""}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Usuarios 2 elementos"));
    Idioma = 1;
    f->MuestraUsuarios(QStringLiteral("Mi Tienda"));
    EXPECT_EQ(Encabezados(f), (QStringList{"Name", "Inicio sesion", "", ""}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Users 2 elements"));

    // Logins: the label stays as the last list left it.
    RespondeLogins({"BUILTIN\\Administrators", "juan"});
    puntero.Historia.clear();
    f->Muestra_InicioSesion();
    EXPECT_EQ(Filas(f), (QStringList{"IBUILTIN\\Administrators|BUILTIN\\Administrators|||", "Ijuan|juan|||"}));
    EXPECT_EQ(Encabezados(f), (QStringList{"Name", "", "", ""}));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Users 2 elements"));
    EXPECT_EQ(puntero.Historia, QList<int>{vb::vbDefault});
    EXPECT_EQ(conexion->Enviadas, (QStringList{SqlUsuarios("[Mi Tienda]"), SqlUsuarios("[Mi Tienda]"), "sp_helplogins"}));

    // A repeated key stops the list where it is, reported.
    RespondeLogins({"ana", "juan", "juan", "sa"});
    f->Muestra_InicioSesion();
    EXPECT_EQ(Filas(f), (QStringList{"Iana|ana|||", "Ijuan|juan|||"}));
    EXPECT_EQ(f->ltvTablas->model()->rowCount(), 2);
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:35602 (Key is not unique in collection)."});
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

// ---- The window ----

TEST_F(Explorador, OneExplorerWhicheverWayItIsReached) {
    RespondeBases({"Tienda"});
    // A list procedure while no explorer is open creates and loads it once.
    PrefijoBD = QStringLiteral("Tienda..");
    Objetos(SqlTablas("Tienda.."), "tipo", {{"Clientes", "U", "dbo"}});
    frmAdministrador::Instancia()->MuestraTablas(QString());
    auto* f = frmAdministrador::SiExiste();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(conexion->Enviadas, (QStringList{kBases, SqlTablas("Tienda..")}));
    EXPECT_EQ(f->ltvTablas->ListItems().Count(), 1);
    EXPECT_TRUE(mdiPrincipal::Habilitado(m()->mnuBaseDatos));
    // The menu shows that same window; its tree is not built again.
    m()->mnuAdministrador->trigger();
    m()->mnuAdministrador->trigger();
    EXPECT_EQ(frmAdministrador::SiExiste(), f);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(conexion->Enviadas.count(kBases), 1);
    EXPECT_EQ(ventanas::Cargadas().count(f), 1);
    // Closed, it is forgotten and the database menu goes off; CapturaBD_SQL
    // then makes a new one whose load builds the tree, once.
    f->Unload();
    EXPECT_EQ(frmAdministrador::SiExiste(), nullptr);
    EXPECT_FALSE(mdiPrincipal::Habilitado(m()->mnuBaseDatos));
    conexion->Enviadas.clear();
    CapturaBD_SQL();
    ASSERT_NE(frmAdministrador::SiExiste(), nullptr);
    EXPECT_EQ(conexion->Enviadas, QStringList{kBases});
    EXPECT_EQ(frmAdministrador::SiExiste()->trvBD->Nodes().Count(), 9);
    EXPECT_TRUE(mdiPrincipal::Habilitado(m()->mnuBaseDatos));
}

TEST_F(Explorador, ActivationRelistsWithoutTouchingTheMenuItems) {
    auto* f = Abre();
    ClicNodo(f, "DTTienda");
    mdiPrincipal::Habilita(m()->mnuConsulta, true);
    mdiPrincipal::Habilita(m()->mnuBaseDatos, false);
    for (QAction* a : Doce()) a->setEnabled(false);
    f->Marco()->move(50, 40);
    f->Marco()->showMinimized();
    conexion->Enviadas.clear();
    puntero.Historia.clear();
    PrefijoBD.clear();
    Idioma = 1;
    f->ActivadaPorAnfitrion();
    EXPECT_FALSE(f->Minimizado());
    EXPECT_EQ(QPoint(f->Left(), f->Top()), QPoint(0, 0));
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Administrator"));
    EXPECT_TRUE(mdiPrincipal::Habilitado(m()->mnuBaseDatos));
    EXPECT_FALSE(mdiPrincipal::Habilitado(m()->mnuConsulta));
    EXPECT_EQ(PrefijoBD, QStringLiteral("Tienda.."));
    EXPECT_EQ(conexion->Enviadas, QStringList{SqlTablas("Tienda..")});
    EXPECT_TRUE(Activos().isEmpty());
    EXPECT_TRUE(puntero.Historia.isEmpty());
    // After a rebuild no node is selected: the list is emptied.
    CapturaBD_SQL();
    conexion->Enviadas.clear();
    f->ActivadaPorAnfitrion();
    EXPECT_EQ(f->ltvTablas->ListItems().Count(), 0);
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// ---- Mouse and pop-up menu ----

TEST_F(Explorador, RightClickOnAnotherNodeRelistsBeforeTheMenuShows) {
    auto* f = Abre();
    Raton(f->trvBD, QPoint(f->trvBD->viewport()->width() - 2, f->trvBD->viewport()->height() - 2), Qt::RightButton);
    Raton(f->ltvTablas, QPoint(5, f->ltvTablas->viewport()->height() - 2), Qt::RightButton);
    EXPECT_TRUE(menus.Mostrados.isEmpty());  // nothing under the pointer: nothing happens
    ClicNodo(f, "S", Qt::RightButton);
    ASSERT_EQ(menus.Mostrados.size(), 1);
    EXPECT_TRUE(menus.Mostrados[0].activos.isEmpty());

    Objetos(SqlTablas("Tienda.."), "tipo", {{"Clientes", "U", "dbo"}, {"Ventas", "U", "dbo"}});
    ClicNodo(f, "DTTienda");
    ASSERT_EQ(f->ltvTablas->ListItems().Count(), 2);
    conexion->Enviadas.clear();
    // The database node: no folder, so the tables go and Delete cannot
    // take one of them for the database's.
    ClicNodo(f, "BDTienda", Qt::RightButton);
    EXPECT_EQ(f->trvBD->SelectedItem().Key(), QStringLiteral("BDTienda"));
    EXPECT_EQ(f->ltvTablas->ListItems().Count(), 0);
    ASSERT_EQ(menus.Mostrados.size(), 2);
    EXPECT_EQ(menus.Mostrados[1].menu, m()->mnuBaseDatos);
    EXPECT_EQ(menus.Mostrados[1].activos.size(), 7);
    EXPECT_EQ(menus.Mostrados[1].posicion, f->trvBD->viewport()->mapToGlobal(PuntoNodo(f, "BDTienda")));
    // Another folder is listed before its menu shows; the same one is not listed again.
    Objetos(SqlVistas("Tienda.."), "categoria", {{"Resumen", "0", "dbo"}});
    ClicNodo(f, "DVTienda", Qt::RightButton);
    EXPECT_EQ(Filas(f), QStringList{"Vdbo.Resumen|Resumen|dbo|Usiario|" + fecha});
    EXPECT_EQ(menus.Mostrados.last().activos, QStringList{"mnuAñadirVista"});
    ClicNodo(f, "DVTienda", Qt::RightButton);
    EXPECT_EQ(conexion->Enviadas, QStringList{SqlVistas("Tienda..")});
    EXPECT_EQ(menus.Mostrados.size(), 4);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Explorador, ListRightClickSelectsTheItemAndItsMenuDropsIt) {
    auto* f = Abre();
    Objetos(SqlTablas("Tienda.."), "tipo", {{"Clientes", "U", "dbo"}, {"Ventas", "U", "juan"}});
    ClicNodo(f, "DTTienda");
    ClicFila(f, 0);  // a left press selects without touching the menu
    EXPECT_EQ(f->ltvTablas->SelectedItem().Key(), QStringLiteral("T0"));
    EXPECT_EQ(Activos(), QStringList{"mnuAñadirTabla"});
    conexion->Enviadas.clear();
    menus.Elegir = QStringList{"mnuEliminar"};
    ClicFila(f, 1, Qt::RightButton);
    ASSERT_EQ(menus.Mostrados.size(), 1);
    EXPECT_EQ(menus.Mostrados[0].activos, (QStringList{"mnuAñadirTabla", "mnuDiseño", "mnuVerRegistros", "mnuEliminar"}));
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use Tienda", "DROP TABLE juan.Ventas", SqlTablas("Tienda..")}));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// ---- Dropping ----

class Eliminar : public Explorador {
protected:
    // Lists a folder and right-clicks the n-th item with that text, as the
    // user does before choosing Delete.
    void Selecciona(const QString& carpeta, const QString& texto, int cual = 1) {
        auto* f = frmAdministrador::SiExiste();
        if (!carpeta.isEmpty()) ClicNodo(f, carpeta);
        auto items = f->ltvTablas->ListItems();
        for (int i = 1; i <= items.Count(); ++i)
            if (items.Item(i).Text() == texto && --cual == 0) ClicFila(f, i - 1, Qt::RightButton);
        EXPECT_EQ(f->ltvTablas->SelectedItem().Text(), texto);
        EXPECT_TRUE(m()->mnuEliminar->isEnabled());
        conexion->Enviadas.clear();
        puntero.Historia.clear();
    }
};

TEST_F(Eliminar, ADatabaseAndNothingElse) {
    // The tree shows " Tienda" trimmed; the statements name the catalog's own name.
    auto* f = Abre({"Mi Tienda", " Tienda"});
    Objetos(SqlTablas("[ Tienda].."), "tipo", {{"Clientes", "U", "dbo"}});
    Selecciona("DTTienda", "Clientes");
    ClicNodo(f, "BDTienda", Qt::RightButton);
    conexion->Enviadas.clear();
    puntero.Historia.clear();
    RespondeBases({"Mi Tienda", "@x"});
    m()->mnuEliminar->trigger();
    // Out of the database first: this connection may be using it.
    EXPECT_EQ(conexion->Enviadas, (QStringList{"USE master", "DROP DATABASE [ Tienda]", kBases}));
    EXPECT_EQ(NombreNodo, QStringLiteral(" Tienda"));
    EXPECT_EQ(f->trvBD->Nodes().Claves().mid(0, 3), (QStringList{"S", "B", "BDMi Tienda"}));
    EXPECT_EQ(puntero.Historia, (QList<int>{vb::vbHourglass, vb::vbDefault, vb::vbDefault}));
    for (const char* nodo : {"BDMi Tienda", "BD@x"}) {
        ClicNodo(f, nodo, Qt::RightButton);
        conexion->Enviadas.clear();
        m()->mnuEliminar->trigger();
        EXPECT_EQ(conexion->Enviadas.mid(0, 2),
                  (QStringList{"USE master", nodo == QLatin1String("BD@x") ? "DROP DATABASE [@x]"
                                                                         : "DROP DATABASE [Mi Tienda]"}));
    }
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Eliminar, APressBesideANodeListsItBeforeAnyCommand) {
    // The press lands in the indentation left of the node: the tree selects
    // it though no node is under the pointer; the list must follow, or Delete
    // would drop the database with another's table name.
    auto* f = Abre({"Tienda", "Ventas"});
    Objetos(SqlTablas("Tienda.."), "tipo", {{"Clientes", "U", "dbo"}});
    Objetos(SqlTablas("Ventas.."), "tipo", {{"Facturas", "U", "dbo"}});
    Selecciona("DTTienda", "Clientes");
    for (const char* clave : {"BDVentas", "DTVentas"}) {
        QTreeWidgetItem* e = f->trvBD->Nodes().Item(clave).Elemento();
        f->trvBD->scrollToItem(e);
        const QRect r = f->trvBD->visualItemRect(e);
        // Left of the button that opens the branch.
        const int x = r.left() - f->trvBD->indentation() - 2;
        ASSERT_GT(x, 0) << clave;
        Raton(f->trvBD, QPoint(x, r.center().y()), Qt::LeftButton);
        ASSERT_EQ(f->trvBD->SelectedItem().Key(), QString::fromLatin1(clave));
        EXPECT_TRUE(Filas(f).isEmpty() == (clave == QLatin1String("BDVentas"))) << clave;
    }
    conexion->Enviadas.clear();
    menus.Elegir = QStringList{"mnuEliminar"};
    ClicFila(f, 0, Qt::RightButton);
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use Ventas", "DROP TABLE Facturas", SqlTablas("Ventas..")}));
    // A Ctrl+click on the selected node keeps it selected, and nothing is reported.
    Raton(f->trvBD, PuntoNodo(f, "DTVentas"), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(f->trvBD->SelectedItem().Key(), QStringLiteral("DTVentas"));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Eliminar, ATableWithItsOwnerWhenNotDbo) {
    Abre({"Mi Tienda"});
    const QString listado = SqlTablas("[Mi Tienda]..");
    Objetos(listado, "tipo",
            {{"Ventas", "U", "dbo"}, {"Ventas", "U", "juan"}, {"Mis ventas", "U", "dbo"}, {"Ventas", "U", "user"}});
    Selecciona("DTMi Tienda", "Ventas");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use [Mi Tienda]", "DROP TABLE Ventas", listado}));
    EXPECT_EQ(NombreNodo, QStringLiteral("Mi Tienda"));
    EXPECT_EQ(puntero.Historia, (QList<int>{vb::vbHourglass, vb::vbDefault}));
    const QList<QPair<int, QString>> casos = {
        {2, "DROP TABLE juan.Ventas"}, {3, "DROP TABLE [user].Ventas"}};
    for (const auto& [cual, sentencia] : casos) {
        Selecciona("", "Ventas", cual);
        m()->mnuEliminar->trigger();
        EXPECT_EQ(conexion->Enviadas, (QStringList{"use [Mi Tienda]", sentencia, listado}));
    }
    Selecciona("", "Mis ventas");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use [Mi Tienda]", "DROP TABLE [Mis ventas]", listado}));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Eliminar, AViewAndAStoredProcedureWithTheirOwners) {
    Abre({"Mi Tienda"});
    Objetos(SqlVistas("[Mi Tienda].."), "categoria", {{"Resumen", "0", "dbo"}, {"Resumen", "0", "juan"}});
    Selecciona("DVMi Tienda", "Resumen");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"Use [Mi Tienda]", "DROP VIEW Resumen", SqlVistas("[Mi Tienda]..")}));
    Selecciona("", "Resumen", 2);
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"Use [Mi Tienda]", "DROP VIEW juan.Resumen", SqlVistas("[Mi Tienda]..")}));
    EXPECT_EQ(PrefijoBD, QStringLiteral("[Mi Tienda].."));

    Objetos(SqlProcedimientos("[Mi Tienda].."), "tipo", {{"Alta", "P", "dbo"}, {"Baja", "P", "juan"}});
    Selecciona("DPMi Tienda", "Alta");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{"Use [Mi Tienda]", "DROP PROCEDURE Alta", SqlProcedimientos("[Mi Tienda]..")}));
    Selecciona("", "Baja");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas[1], QStringLiteral("DROP PROCEDURE juan.Baja"));
    EXPECT_EQ(Filas(frmAdministrador::SiExiste()).size(), 2);  // re-listed
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Eliminar, ALoginWithUsersInTwoDatabases) {
    Abre({"master", "Tienda", "Ventas"});
    RespondeLogins({"juan", "sa"});
    Selecciona("DI", "juan");
    // Only the users of juan's security id are found: in Ventas under
    // another name; never another login's user called juan. Every user is
    // looked up before the first revoke, and one that owns objects (whose
    // revoke the server may refuse) goes first.
    conexion->Responde(SqlDelLogin("Tienda..", "juan"), QStringList{"name", "objetos"}, {{"juan", 0}});
    conexion->Responde(SqlDelLogin("Ventas..", "juan"), QStringList{"name", "objetos"}, {{"juanito", 3}});
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{SqlBasesDelLogin("juan"), kBases, SqlDelLogin("master..", "juan"),
                           SqlDelLogin("Tienda..", "juan"), SqlDelLogin("Ventas..", "juan"), "use Ventas",
                           "exec sp_revokedbaccess  'juanito'", "use Tienda", "exec sp_revokedbaccess  'juan'",
                           " EXEC sp_droplogin 'juan'", "sp_helplogins"}));
    EXPECT_EQ(PrefijoBD, QStringLiteral("Ventas.."));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
    EXPECT_EQ(puntero.Historia, (QList<int>{vb::vbHourglass, vb::vbDefault, vb::vbDefault}));

    // A login that owns a database keeps every access: the drop alone is
    // sent, and the server's refusal says why.
    Selecciona("", "juan");
    conexion->Responde(SqlBasesDelLogin("juan"), QStringList{"name"}, {{"Tienda"}});
    conexion->Falla(" EXEC sp_droplogin 'juan'", 15174, "Login 'juan' owns one or more database(s).");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas, (QStringList{SqlBasesDelLogin("juan"), " EXEC sp_droplogin 'juan'"}));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:15174 (Login 'juan' owns one or more database(s).)."});
}

TEST_F(Eliminar, ALoginWithoutUsersWithAQuoteAndWithoutTheDatabaseList) {
    Abre({"master", "Mi Tienda"});
    RespondeLogins({"ana", "O'Brien"});
    Selecciona("DI", "ana");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{SqlBasesDelLogin("ana"), kBases, SqlDelLogin("master..", "ana"),
                           SqlDelLogin("[Mi Tienda]..", "ana"), " EXEC sp_droplogin 'ana'", "sp_helplogins"}));
    Selecciona("", "O'Brien");
    conexion->Responde(SqlDelLogin("[Mi Tienda]..", "O''Brien"), QStringList{"name", "objetos"}, {{"O'Brien", 0}});
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{SqlBasesDelLogin("O''Brien"), kBases, SqlDelLogin("master..", "O''Brien"),
                           SqlDelLogin("[Mi Tienda]..", "O''Brien"),
                           "use [Mi Tienda]", "exec sp_revokedbaccess  'O''Brien'", " EXEC sp_droplogin 'O''Brien'",
                           "sp_helplogins"}));
    // The database list cannot be read: reported, and the login is still dropped.
    Selecciona("", "ana");
    conexion->Falla(kBases, 229, QStringLiteral("SELECT permission denied."));
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{SqlBasesDelLogin("ana"), kBases, " EXEC sp_droplogin 'ana'", "sp_helplogins"}));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:229 (SELECT permission denied.)."});
}

TEST_F(Eliminar, AUserInTheFolderDatabase) {
    Abre({"Mi Tienda"});
    conexion->Responde(SqlUsuarios("[Mi Tienda]"), QStringList{"nombre", "login"},
                       {{"dbo", "sa"}, {"juanito", "juan"}, {"O'Hara", "ohara"}, {"Jiří", "jiri"}});
    Selecciona("DUMi Tienda", "juanito");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{"use [Mi Tienda]", " sp_revokedbaccess 'juanito'", SqlUsuarios("[Mi Tienda]")}));
    EXPECT_EQ(NombreNodo, QStringLiteral("Mi Tienda"));
    Selecciona("", "O'Hara");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas.mid(0, 2), (QStringList{"use [Mi Tienda]", " sp_revokedbaccess 'O''Hara'"}));
    Selecciona("", "Jiří");
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas.value(1), " sp_revokedbaccess N'Jiří'");
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Eliminar, ARefusalOrNoSelectionIsReportedAndNothingIsRefreshed) {
    auto* f = Abre();
    Objetos(SqlTablas("Tienda.."), "tipo", {{"Ventas", "U", "dbo"}});
    Selecciona("DTTienda", "Ventas");
    conexion->Falla(QStringLiteral("DROP TABLE Ventas"), 3726, QStringLiteral("Referenced by a FOREIGN KEY."));
    m()->mnuEliminar->trigger();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use Tienda", "DROP TABLE Ventas"}));
    EXPECT_EQ(f->ltvTablas->ListItems().Count(), 1);
    EXPECT_EQ(puntero.Historia, (QList<int>{vb::vbHourglass, vb::vbDefault, vb::vbDefault}));
    // Nothing selected in the list: a failure, and nothing is sent.
    ClicNodo(f, "DTTienda");
    conexion->Enviadas.clear();
    m()->mnuEliminar_Click();
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_EQ(TextosCajas(), (QStringList{" Error Nº:3726 (Referenced by a FOREIGN KEY.).",
                                          " Error Nº:91 (Object variable or With block variable not set)."}));
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}
