// The database window over the program's real path (ODBC, FreeTDS, TDS)
// against the scripted server: rows typed into a new database's window, OK
// sends " USE master" and the CREATE DATABASE, and the explorer lists the
// new database; a refused CREATE shows the server's error and keeps the
// rows. The properties of an existing database show its files, options,
// General data and permissions; a size raised and a file added go out as
// ALTER DATABASE on OK, and a click on a permission cell sends its GRANT.

#include "common/menusprincipales.h"
#include "database/frmpropiedadesbd.h"
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/rejilladatos.h"
#include "support/extremo.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

using tdstest::Column;
using tdstest::Reply;
using tdstest::Type;

namespace {

Column Nombre(const char* n) { return {n, Type::NVarChar, 128, 0, 0, false}; }
// sysfiles.name and filename are nchar on the servers the program reads: padded with blanks.
Column Fijo(const char* n, int largo = 128) { return {n, Type::NChar, largo, 0, 0, false}; }
std::string Relleno(std::string nombre) {
    nombre.resize(128, ' ');
    return nombre;
}
Reply Bases(std::vector<tdstest::Row> filas) { return Reply::rows({Nombre("name")}, std::move(filas)); }

const std::string kCrea =
    "CREATE DATABASE Ventas\r"
    " ON PRIMARY (NAME = Ventas, FILENAME = '/srv/datos/Ventas.mdf', SIZE = 1MB, MAXSIZE =UNLIMITED,FILEGROWTH=10%)\r"
    " LOG ON  (NAME = Ventas_log, FILENAME = '/srv/datos/Ventas_log.ldf', SIZE = 1MB, MAXSIZE =UNLIMITED,"
    "FILEGROWTH=10%)\r";

}  // namespace

void EscenaTienda(tdstest::TdsServer& servidor);

class PropiedadesExtremo : public PruebaExtremo {
protected:
    void Tecla(int tecla, const QString& texto = {}) {
        QWidget* w = QApplication::focusWidget() ? QApplication::focusWidget() : g;
        QKeyEvent pulsa(QEvent::KeyPress, tecla, Qt::NoModifier, texto);
        QApplication::sendEvent(w, &pulsa);
        QKeyEvent suelta(QEvent::KeyRelease, tecla, Qt::NoModifier, texto);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &suelta);
    }
    void Teclea(int fila, int columna, const QString& s) {
        g->ColumnaActual(columna);
        g->FilaActual(fila - g->PrimeraFila());
        for (QChar ch : s) Tecla(Qt::Key_unknown, QString(ch));
        Tecla(Qt::Key_Return, QStringLiteral("\r"));
    }
    // A new database named Ventas with one data file and one log file, typed.
    frmPropiedadesBD* NuevaVentas() {
        servidor.on("Select name from master.dbo.sysdatabases order by name", Bases({{"master"}, {"Tienda"}}));
        // A database with no name yet: nothing to show, and the options of model.
        auto variante = [](tdstest::Value v) { return Reply::rows({Column{"", Type::Variant, 0, 0, 0, true}}, {{v}}); };
        servidor.on("select DATABASEPROPERTYEX( '' , 'status' )", variante(nullptr));
        servidor.on(" select convert(sysname,DatabasePropertyEx('','Collation'))",
                    Reply::rows({Column{"", Type::NVarChar, 128}}, {{nullptr}}));
        servidor.on(std::regex("select name, suser_sname\\(sid\\) as owner.* where name = ''"),
                    Reply::rows({Nombre("name"), Nombre("owner"), Column{"crdate", Type::DateTime}}, {}));
        servidor.on(std::regex("declare @low.*\\[\\]\\.dbo\\.sysfiles\\)"),
                    Reply::error(1038, "Cannot use empty object or column names. Use a single space if necessary.",
                                 15));
        servidor.on(std::regex("select DATABASEPROPERTYEX \\('model','Is.*'\\)"), variante(0));
        servidor.on("select DATABASEPROPERTYEX ('model','Recovery')", variante("FULL"));
        servidor.on(std::regex("CREATE DATABASE Ventas .*"),
                    Reply::info(0, "The CREATE DATABASE process is allocating 1.00 MB on disk 'Ventas'.")
                        .thenInfo(0, "The CREATE DATABASE process is allocating 1.00 MB on disk 'Ventas_log'."));
        servidor.on(std::regex("alter database Ventas set .*"), Reply());
        frmAdministrador* f = ConectaYExplora();
        if (!f) return nullptr;
        f->trvBD->Nodes().Item("B").Selected(true);
        mdiPrincipal::SiExiste()->mnuNuevaBD->trigger();
        auto* p = frmPropiedadesBD::SiExiste();
        if (!p) return nullptr;
        p->txtNombreBD->setText("Ventas");
        QApplication::setActiveWindow(p->window());
        for (bool registro : {false, true}) {
            p->sstBaseDatos->PestañaActual(registro ? PestañaTransacciones : PestañaArchivos);
            g = registro ? p->TDBGridTransacciones : p->TDBGridArchivos;
            g->setFocus();
            Teclea(0, NombreArchivo, registro ? "Ventas_log" : "Ventas");
            Teclea(0, Ubicacion_, "/srv/datos/");
        }
        servidor.clearRecord();
        return p;
    }
    // Properties of Tienda: two files, the PRIMARY filegroup, one user (ana,
    // granted CREATE TABLE), its options and General data.
    frmPropiedadesBD* PropiedadesTienda() {
        servidor.on("Select name from master.dbo.sysdatabases order by name", Bases({{"master"}, {"Tienda"}}));
        EscenaTienda(servidor);
        frmAdministrador* f = ConectaYExplora();
        if (!f) return nullptr;
        f->trvBD->Nodes().Item("BDTienda").Selected(true);
        mdiPrincipal::SiExiste()->mnuPropiedadesBD->trigger();
        auto* p = frmPropiedadesBD::SiExiste();
        if (p) QApplication::setActiveWindow(p->window());
        return p;
    }
    // The statements that change something, in order (queries left out).
    std::vector<std::string> Cambios() const {
        std::vector<std::string> r;
        for (const std::string& s : servidor.statements())
            for (const char* inicio : {" USE ", "USE ", "ALTER ", "alter ", "GRANT ", "DENY ", "REVOKE "})
                if (s.rfind(inicio, 0) == 0) {
                    r.push_back(s);
                    break;
                }
        return r;
    }
    RejillaDatos* g = nullptr;
};

// The scripted Tienda (also used to picture the window).
void EscenaTienda(tdstest::TdsServer& servidor) {
    auto col = [](const char* n, Type t) { return Column{n, t, 0, 0, 0, true}; };
    servidor.on("Select * from Tienda..sysfiles  order by fileid,groupid",
                Reply::rows({Fijo("name"), Fijo("filename", 260), col("size", Type::Int),
                             col("groupid", Type::SmallInt),
                             col("growth", Type::Int), col("status", Type::Int), col("maxsize", Type::Int)},
                            {{"Tienda_Data", "C:\\Datos\\Tienda.mdf", 128, 1, 10, 1048578, -1},
                             {"Tienda_Log", "C:\\Datos\\Tienda_log.ldf", 128, 0, 10, 1048578, -1}}));
    servidor.on(std::regex("Select size from Tienda\\.\\.sysfiles where name = 'Tienda_(Data|Log) '"),
                Reply::rows({col("size", Type::Int)}, {{128}}));
    servidor.on("Select groupname from Tienda..sysfilegroups where groupid=1",
                Reply::rows({Nombre("groupname")}, {{"PRIMARY"}}));
    servidor.on(std::regex("select g.groupname,g.status, g.groupid, 'filecount' =.*from Tienda\\.\\.sysfilegroups g order by groupid"),
                Reply::rows({Nombre("groupname"), col("status", Type::Int), col("groupid", Type::SmallInt),
                             col("filecount", Type::Int)},
                            {{"PRIMARY", 24, 1, 1}}));
    servidor.on(std::regex(" ?SELECT usu.Name as nombre,usu.uid as id From Tienda\\.\\.sysusers.*"),
                Reply::rows({Nombre("nombre"), col("id", Type::SmallInt)}, {{"ana", 5}}));
    servidor.on("select * from sysprotects where uid=5and action IN(203,198,207,222,236,178,228,235 )",
                Reply::rows({col("id", Type::Int), col("uid", Type::SmallInt), col("action", Type::TinyInt),
                             col("protecttype", Type::TinyInt)},
                            {{0, 5, 198, 205}, {0, 5, 207, 206}}));
    servidor.on(std::regex(" ?SELECT usu.Name,case.*"), Reply::rows({Nombre("Name")}, {{"ana"}, {"dbo"}}));
    servidor.on("select DATABASEPROPERTYEX( 'Tienda' , 'status' )",
                Reply::rows({col("", Type::Variant)}, {{"ONLINE"}}));
    servidor.on(std::regex("select name, suser_sname\\(sid\\) as owner.*"),
                Reply::rows({Nombre("name"), Nombre("owner"), col("crdate", Type::DateTime)},
                            {{"Tienda", "sa", "2003-02-01 09:05:07"}}));
    servidor.on(std::regex("declare @low.*"), Reply::rows({Column{"", Type::VarChar, 10, 0, 0, true}}, {{"      3.50"}}));
    servidor.on(std::regex(".*'Collation'.*"), Reply::rows({Nombre("")}, {{"Modern_Spanish_CI_AS"}}));
    servidor.on("select DATABASEPROPERTYEX ('Tienda','Recovery')",
                Reply::rows({col("", Type::Variant)}, {{"SIMPLE"}}));
    for (const char* o : {"IsAnsiNullDefault", "IsAutoCreateStatistics", "IsAutoUpdateStatistics", "IsAutoClose",
                          "IsQuotedIdentifiersEnabled", "IsTornPageDetectionEnabled", "IsAutoShrink",
                          "IsRecursiveTriggersEnabled"}) {
        const bool activa = std::string(o) == "IsAutoCreateStatistics" || std::string(o) == "IsAutoUpdateStatistics";
        servidor.on(std::string("select DATABASEPROPERTYEX ('Tienda','") + o + "')",
                    Reply::rows({col("", Type::Variant)}, {{activa ? 1 : 0}}));
    }
}

TEST_F(PropiedadesExtremo, ANewDatabaseIsCreatedAndListed) {
    auto* p = NuevaVentas();
    ASSERT_NE(p, nullptr);
    servidor.on("Select name from master.dbo.sysdatabases order by name", Bases({{"master"}, {"Tienda"}, {"Ventas"}}));
    p->cmdAceptar->click();
    const std::vector<std::string> enviadas = servidor.statements();
    ASSERT_GE(enviadas.size(), 3u);
    EXPECT_EQ(enviadas[0], " USE master");
    EXPECT_EQ(enviadas[1], kCrea);
    EXPECT_EQ(enviadas[2], "Select name from master.dbo.sysdatabases order by name");
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
    auto* f = frmAdministrador::SiExiste();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->trvBD->Nodes().Claves().contains("BDVentas"));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(PropiedadesExtremo, ARefusedCreateShowsTheServersErrorAndKeepsTheRows) {
    auto* p = NuevaVentas();
    ASSERT_NE(p, nullptr);
    servidor.on(std::regex("CREATE DATABASE Ventas.*"),
                Reply::error(1802, "CREATE DATABASE failed. Some file names listed could not be created."));
    p->cmdAceptar->click();
    EXPECT_EQ(TextosCajas(),
              QStringList{" Error Nº:1802 (CREATE DATABASE failed. Some file names listed could not be created.)."});
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, NombreArchivo), "Ventas");
    EXPECT_EQ(p->TDBGridTransacciones->MatrizEnlazada()->LeeCelda(0, Ubicacion_), "/srv/datos/");
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(PropiedadesExtremo, PropertiesShowTheDatabaseAndOkAltersIt) {
    auto* p = PropiedadesTienda();
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join(u'|').toStdString();
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, NombreArchivo), QString::fromStdString(Relleno("Tienda_Data")));
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, Ubicacion_), "C:\\Datos\\");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, GrupoArchivos), "PRIMARY");
    EXPECT_EQ(p->ArrayTransacciones->LeeCelda(0, NombreArchivo), QString::fromStdString(Relleno("Tienda_Log")));
    EXPECT_EQ(p->ArrayGrupos->LeeCelda(0, 0), "PRIMARY");
    EXPECT_EQ(p->cboModelo->currentIndex(), 2);
    EXPECT_TRUE(p->chkCrearEstadisticas->isChecked());
    EXPECT_TRUE(p->chkActEstadisticas->isChecked());
    EXPECT_FALSE(p->chkCerrar->isChecked());
    EXPECT_EQ(p->lblEstado->text(), "ONLINE");
    EXPECT_EQ(p->lblPropietario->text(), "sa");
    EXPECT_EQ(p->lblFechaCreacion->text(), "01/02/2003 09:05");
    EXPECT_EQ(p->lblTamaño->text(), "3.50 MB");
    EXPECT_EQ(p->lblUsuarios->text(), "2");
    EXPECT_EQ(p->lblIntercalacion->text(), "Modern_Spanish_CI_AS");
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(0, 0), "ana");
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(0, 2), "PE");
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(0, 3), "NP");

    // The log file removed is named as the catalog holds it; the lists come again.
    p->sstBaseDatos->PestañaActual(PestañaTransacciones);
    p->TDBGridTransacciones->FilaActual(0);
    servidor.on(std::regex("ALTER DATABASE Tienda REMOVE FILE .*"),
                Reply::info(0, "The file 'Tienda_Log' has been removed."));
    servidor.clearRecord();
    p->cmdEliminarFila[2]->click();
    EXPECT_EQ(Cambios(),
              std::vector<std::string>{"ALTER DATABASE Tienda\r REMOVE FILE [" + Relleno("Tienda_Log") + "]"});
    EXPECT_EQ(p->ArrayTransacciones->LeeCelda(0, Ubicacion_), "C:\\Datos\\");

    // The first file grows to 5 MB and a second one is added.
    p->sstBaseDatos->PestañaActual(PestañaArchivos);
    g = p->TDBGridArchivos;
    g->setFocus();
    Teclea(0, TamañoInicial, "5");
    Teclea(1, NombreArchivo, "Tienda_2");
    Teclea(1, Ubicacion_, "/srv/datos/");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, TamañoInicial), "5");
    // The names as the catalog holds them, padded: the server compares
    // them without their trailing blanks.
    for (const char* nombre : {"Tienda_Data", "Tienda_Log"})
        servidor.on("Select name from Tienda..sysfiles where name = '" + Relleno(nombre) + "'",
                    Reply::rows({Fijo("name")}, {{nombre}}));
    servidor.on("Select name from Tienda..sysfiles where name = 'Tienda_2'", Reply::rows({Fijo("name")}, {}));
    servidor.on(std::regex("ALTER DATABASE Tienda MODIFY FILE .*"), Reply());
    servidor.on(std::regex("ALTER DATABASE Tienda ADD FILE .*Tienda_2.*"),
                Reply::info(0, "Extending database by 1.00 MB on disk 'Tienda_2'."));
    servidor.on(std::regex("alter database Tienda set .*"), Reply());
    servidor.on("Select groupname from Tienda..sysfilegroups where groupname = 'PRIMARY'",
                Reply::rows({Nombre("groupname")}, {{"PRIMARY"}}));
    servidor.clearRecord();
    p->cmdAceptar->click();
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join(u'|').toStdString();
    // A file is named as the catalog holds it, in 128 characters at most.
    const std::string h = "ALTER DATABASE Tienda\r";
    const std::string datos = "[" + Relleno("Tienda_Data") + "]", registro = "[" + Relleno("Tienda_Log") + "]";
    std::vector<std::string> esperado{
        " USE master",
        h + " MODIFY FILE  (NAME = " + datos + ", SIZE = 5MB)",
        h + " MODIFY FILE  (NAME = " + datos + ",FILEGROWTH=10%)",
        h + " MODIFY FILE  (NAME = " + datos + ", MAXSIZE =UNLIMITED)",
        h + " ADD FILE  (NAME = Tienda_2, FILENAME = '/srv/datos/Tienda_2.ndf', SIZE = 1MB, MAXSIZE =UNLIMITED,"
            "FILEGROWTH=10%)",
        h + " MODIFY FILE  (NAME = " + registro + ",FILEGROWTH=10%)",
        h + " MODIFY FILE  (NAME = " + registro + ", MAXSIZE =UNLIMITED)",
        "alter database Tienda set RECOVERY SIMPLE",
        "alter database Tienda set ANSI_NULL_DEFAULT OFF",
        "alter database Tienda set AUTO_CREATE_STATISTICS ON",
        "alter database Tienda set AUTO_UPDATE_STATISTICS ON",
        "alter database Tienda set AUTO_CLOSE OFF",
        "alter database Tienda set QUOTED_IDENTIFIER  OFF",
        "alter database Tienda set TORN_PAGE_DETECTION OFF",
        "alter database Tienda set AUTO_SHRINK OFF",
        "alter database Tienda set RECURSIVE_TRIGGERS OFF"};
    EXPECT_EQ(Cambios(), esperado);
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
}

TEST_F(PropiedadesExtremo, AClickOnAPermissionCellGrantsIt) {
    auto* p = PropiedadesTienda();
    ASSERT_NE(p, nullptr);
    p->sstBaseDatos->PestañaActual(PestañaPermisos);
    g = p->TDBGridPermisos;
    g->setFocus();
    QApplication::processEvents();
    servidor.clearRecord();
    // Create Procedure of ana: nothing yet, a click grants it.
    servidor.on("GRANT CREATE PROCEDURE TO ana", Reply());
    const QPoint punto = g->visualRect(g->model()->index(0, 4)).center();
    ASSERT_FALSE(punto.isNull());
    for (QEvent::Type tipo : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent raton(tipo, punto, g->viewport()->mapToGlobal(punto), Qt::LeftButton,
                          tipo == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &raton);
    }
    EXPECT_EQ(servidor.statements(), (std::vector<std::string>{"USE Tienda", "GRANT CREATE PROCEDURE TO ana"}));
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(0, 4), "PE");
    EXPECT_EQ(servidor.currentDatabase(), "Tienda");
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join(u'|').toStdString();
}
