// The explorer over the program's real path (ODBC, FreeTDS, TDS) against the
// scripted server: connect, open the explorer, list a database's tables,
// drop one and see the list refreshed.
#include "app/frmconectar.h"
#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "explorer/frmadministrador.h"
#include "explorer/frmanalizadorconsultas.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "platform/textomultilinea.h"
#include "platform/odbc.h"
#include "support/extremo.h"
#include "tdsserver/tdsserver.h"
#include "tdsserver/tdssql.h"

#include <QAction>
#include <QApplication>
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

const std::string kBases = "Select name from master.dbo.sysdatabases order by name";
const std::string kTablas =
    "Select t.name as tabla,t.xtype as tipo,u.name as usuario,t.crdate as fecha  from Tienda..sysobjects t,"
    "Tienda..sysusers u where (t.xtype = 'U'or t.xtype = 'S') and u.uid = t.uid order by t.name";

// sysobjects: name and xtype (char(2), padded by the server) of each
// object, its owner's name and crdate; none of them nullable.
Reply Tablas(std::vector<tdstest::Row> filas) {
    return Reply::rows({{"tabla", Type::NVarChar, 128, 0, 0, false},
                        {"tipo", Type::Char, 2, 0, 0, false},
                        {"usuario", Type::NVarChar, 128, 0, 0, false},
                        {"fecha", Type::DateTime, 0, 0, 0, false}},
                       std::move(filas));
}

void Raton(QAbstractItemView* v, const QPoint& p, Qt::MouseButton b) {
    const QPoint g = v->viewport()->mapToGlobal(p);
    QMouseEvent pulsa(QEvent::MouseButtonPress, p, g, b, b, Qt::NoModifier);
    QApplication::sendEvent(v->viewport(), &pulsa);
    QMouseEvent suelta(QEvent::MouseButtonRelease, p, g, b, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(v->viewport(), &suelta);
}

}  // namespace

class ExploradorExtremo : public PruebaExtremo {};

TEST_F(ExploradorExtremo, ListsTheTablesDropsOneAndListsThemAgain) {
    servidor.on(kBases, Reply::rows({{"name", Type::NVarChar, 128}}, {{"master"}, {"Tienda"}}));
    servidor.on(kTablas, Tablas({{"Clientes", "U", "dbo", "2004-03-09 11:42:05"},
                                 {"sysobjects", "S", "dbo", "2000-08-06 01:29:12"},
                                 {"Ventas", "U", "juan", "2004-03-10 09:00:00"}}));
    auto* f = ConectaYExplora();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->trvBD->Nodes().Claves().mid(0, 4), (QStringList{"S", "B", "BDmaster", "DTmaster"}));
    f->trvBD->Nodes().Item("BDTienda").Expanded(true);
    QTreeWidgetItem* tablas = f->trvBD->Nodes().Item("DTTienda").Elemento();
    Raton(f->trvBD, f->trvBD->visualItemRect(tablas).center(), Qt::LeftButton);
    ASSERT_EQ(f->ltvTablas->ListItems().Count(), 3);
    EXPECT_EQ(f->ltvTablas->ListItems().Item(3).Key(), QStringLiteral("T2"));
    EXPECT_EQ(f->ltvTablas->ListItems().Item(2).SubItems(2), QStringLiteral("Sistema"));
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Tablas 3 elementos"));

    // Juan's Ventas, from the list's pop-up menu; the server then has two tables.
    servidor.on(kTablas, Tablas({{"Clientes", "U", "dbo", "2004-03-09 11:42:05"},
                                 {"sysobjects", "S", "dbo", "2000-08-06 01:29:12"}}));
    servidor.on("DROP TABLE juan.Ventas", Reply());
    menus.Elegir = QStringList{"mnuEliminar"};
    const QModelIndex ventas = f->ltvTablas->model()->index(2, 0);
    Raton(f->ltvTablas, f->ltvTablas->visualRect(ventas).center(), Qt::RightButton);
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join("|").toStdString();
    const auto lotes = servidor.statements();
    ASSERT_GE(lotes.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lotes.end() - 3, lotes.end()),
              (std::vector<std::string>{"use Tienda", "DROP TABLE juan.Ventas", kTablas}));
    EXPECT_EQ(servidor.currentDatabase(), "Tienda");
    EXPECT_EQ(f->ltvTablas->ListItems().Count(), 2);
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Tablas 2 elementos"));
}

// The explorer's Delete sends its own USE on the one connection: the query
// analyzer's next batch still runs in the database its list shows, and a
// batch that changes the database, even one that fails after it, moves the list.
TEST_F(ExploradorExtremo, TheAnalyzerRunsEachBatchInTheDatabaseItsListShows) {
    servidor.on(kBases, Reply::rows({{"name", Type::NVarChar, 128}}, {{"master"}, {"Tienda"}}));
    servidor.on(kTablas, Tablas({{"Ventas", "U", "juan", "2004-03-10 09:00:00"}}));
    servidor.on("DROP TABLE juan.Ventas", Reply());
    servidor.on(std::regex("(use Tienda )?select \\* from Clientes"), Reply::rows({{"n", Type::Int}}, {{1}}));
    servidor.on("use master select * from nada", Reply::error(208, "Invalid object name 'nada'."));
    auto* f = ConectaYExplora();
    ASSERT_NE(f, nullptr);
    mdiPrincipal::SiExiste()->mnuAnalizadorConsultas->trigger();
    auto* a = frmAnalizadorConsultas::SiExiste();
    ASSERT_NE(a, nullptr);
    f->trvBD->Nodes().Item("BDTienda").Expanded(true);
    QTreeWidgetItem* tablas = f->trvBD->Nodes().Item("DTTienda").Elemento();
    Raton(f->trvBD, f->trvBD->visualItemRect(tablas).center(), Qt::LeftButton);
    menus.Elegir = QStringList{"mnuEliminar"};
    Raton(f->ltvTablas, f->ltvTablas->visualRect(f->ltvTablas->model()->index(0, 0)).center(), Qt::RightButton);
    ASSERT_EQ(servidor.currentDatabase(), "Tienda");
    struct Caso {
        const char* lote;
        std::vector<std::string> enviadas;
        const char* lista;
    } casos[] = {
        {"select * from Clientes", {"Use master", "select * from Clientes"}, "master"},
        {"use Tienda select * from Clientes", {"use Tienda select * from Clientes"}, "Tienda"},
        {"select * from Clientes", {"select * from Clientes"}, "Tienda"},
        {"use master select * from nada", {"use master select * from nada"}, "master"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.lote);
        servidor.clearRecord();
        a->txtSQL->EstableceText(QString::fromUtf8(c.lote));
        QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
        QApplication::sendEvent(a->txtSQL, &f5);
        EXPECT_EQ(servidor.statements(), c.enviadas);
        EXPECT_EQ(a->cboBD->currentText(), QString::fromUtf8(c.lista));
        EXPECT_EQ(servidor.currentDatabase(), c.lista);
    }
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:208 (Invalid object name 'nada'.)."});
}

// A catalog query that fails among its rows, as when the server cannot go on
// with a scan: each list of the explorer reports the failure instead of
// showing the rows that came before it as if they were all.
TEST_F(ExploradorExtremo, AListWhoseQueryFailsAmongItsRowsShowsTheFailure) {
    const std::vector<Column> objetos = {{"tabla", Type::NVarChar, 128, 0, 0, false},
                                         {"tipo", Type::Char, 2, 0, 0, false},
                                         {"usuario", Type::NVarChar, 128, 0, 0, false},
                                         {"fecha", Type::DateTime, 0, 0, 0, false}};
    const std::vector<tdstest::Row> filasObjetos = {{"a", "U", "dbo", "2004-03-09 11:42:05"},
                                                   {"b", "U", "dbo", "2004-03-09 11:42:05"},
                                                   {"c", "U", "dbo", "2004-03-09 11:42:05"}};
    const std::vector<Column> vistas = {{"tabla", Type::NVarChar, 128, 0, 0, false},
                                        {"categoria", Type::Int, 0, 0, 0, false},
                                        {"usuario", Type::NVarChar, 128, 0, 0, false},
                                        {"fecha", Type::DateTime, 0, 0, 0, false}};
    const std::vector<tdstest::Row> filasVistas = {{"v1", 0, "dbo", "2004-03-09 11:42:05"},
                                                  {"v2", 0, "dbo", "2004-03-09 11:42:05"},
                                                  {"v3", 2, "dbo", "2004-03-09 11:42:05"}};
    const std::vector<Column> usuarios = {{"nombre", Type::NVarChar, 128, 0, 0, false},
                                          {"login", Type::NVarChar, 128}};
    const std::vector<tdstest::Row> filasUsuarios = {{"dbo", "sa"}, {"juan", "juan"}, {"ana", "ana"}};
    // sp_helplogins: the logins with their SIDs.
    const std::vector<Column> logins = {{"LoginName", Type::NVarChar, 128, 0, 0, false},
                                        {"SID", Type::VarBinary, 85},
                                        {"DefDBName", Type::NVarChar, 128},
                                        {"DefLangName", Type::NVarChar, 128},
                                        {"AUser", Type::Char, 5},
                                        {"ARemote", Type::Char, 7}};
    const std::vector<tdstest::Row> filasLogins = {{"sa", std::string("\x01", 1), "master", "us_english", "yes", "no"},
                                                  {"juan", std::string(16, '\x07'), "Tienda", "Español", "yes", "no"},
                                                  {"ana", std::string(16, '\x09'), "Tienda", "Español", "yes", "no"}};
    struct Caso {
        const char* nodo;
        std::regex consulta;
        const std::vector<Column>& columnas;
        const std::vector<tdstest::Row>& filas;
    };
    const std::vector<Caso> casos = {
        {"DTTienda", std::regex(R"(.*from Tienda\.\.sysobjects .*t\.xtype = 'U'.*)"), objetos, filasObjetos},
        {"DVTienda", std::regex(R"(.*from Tienda\.\.sysobjects .*t\.xtype = 'V'.*)"), vistas, filasVistas},
        {"DPTienda", std::regex(R"(.*from Tienda\.\.sysobjects .*t\.xtype = 'P'.*)"), objetos, filasObjetos},
        {"DUTienda", std::regex(R"(.*From Tienda\.\.sysusers usu ?,master\.dbo\.syslogins lo.*)"), usuarios,
         filasUsuarios},
        {"DI", std::regex("sp_helplogins"), logins, filasLogins},
    };
    const std::string texto = "Could not continue scan with NOLOCK due to data movement.";
    servidor.on(kBases, Reply::rows({{"name", Type::NVarChar, 128, 0, 0, false}}, {{"master"}, {"Tienda"}}));
    for (const Caso& caso : casos)
        servidor.on(caso.consulta, Reply::rows(caso.columnas, caso.filas).errorAfterRow(2, 601, texto, 12));
    auto* f = ConectaYExplora();
    ASSERT_NE(f, nullptr);
    f->trvBD->Nodes().Item("BDTienda").Expanded(true);

    for (const Caso& caso : casos) {
        SCOPED_TRACE(caso.nodo);
        const auto antes = servidor.statements().size();
        QTreeWidgetItem* nodo = f->trvBD->Nodes().Item(caso.nodo).Elemento();
        Raton(f->trvBD, f->trvBD->visualItemRect(nodo).center(), Qt::LeftButton);
        const auto lotes = servidor.statements();
        ASSERT_GT(lotes.size(), antes);
        EXPECT_TRUE(std::regex_match(tdstest::sql::normalize(lotes.back()), caso.consulta)) << lotes.back();
        const QStringList cajas = TextosCajas();
        EXPECT_EQ(cajas.size(), 1) << cajas.join("|").toStdString();
        EXPECT_TRUE(cajas.join("|").contains(QString::fromStdString(texto))) << cajas.join("|").toStdString();
        EXPECT_EQ(f->ltvTablas->ListItems().Count(), 0);
        mensajes.Cajas().clear();
    }
}
