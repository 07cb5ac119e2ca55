// The explorer over the program's real path (ODBC, FreeTDS, TDS) against the
// scripted server: connect, open the explorer, list a database's tables,
// drop one and see the list refreshed.
#include "app/frmconectar.h"
#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "platform/odbc.h"
#include "support/entorno.h"
#include "tdsserver/tdsserver.h"

#include <QAction>
#include <QApplication>
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

Reply Tablas(std::vector<tdstest::Row> filas) {
    return Reply::rows({{"tabla", Type::NVarChar, 128}, {"tipo", Type::VarChar, 2}, {"usuario", Type::NVarChar, 128},
                        {"fecha", Type::DateTime}},
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

class ExploradorExtremo : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        datos::UsaConexionesOdbc();
        servidor.acceptLogin("sa", "clave");
        servidor.start();
    }
    void TearDown() override {
        if (Conexion && Conexion->State() == datos::adStateOpen) Conexion->Close();
        PruebaTolvek::TearDown();
        servidor.stop();
    }
    tdstest::TdsServer servidor;
};

TEST_F(ExploradorExtremo, ListsTheTablesDropsOneAndListsThemAgain) {
    servidor.on(kBases, Reply::rows({{"name", Type::NVarChar, 128}}, {{"master"}, {"Tienda"}}));
    servidor.on(kTablas, Tablas({{"Clientes", "U ", "dbo", "2004-03-09 11:42:05"},
                                 {"sysobjects", "S ", "dbo", "2000-08-06 01:29:12"},
                                 {"Ventas", "U ", "juan", "2004-03-10 09:00:00"}}));
    mdiPrincipal::Instancia()->Show();
    auto* m = mdiPrincipal::SiExiste();
    m->mnuConectar->trigger();
    auto* d = frmConectar::SiExiste();
    ASSERT_NE(d, nullptr);
    d->txtServidor->setText(QStringLiteral("127.0.0.1,%1").arg(servidor.port()));
    d->txtClave->setText(QStringLiteral("clave"));
    d->cmdConectar->click();
    ASSERT_TRUE(mensajes.Cajas.isEmpty()) << TextosCajas().join("|").toStdString();

    m->mnuAdministrador->trigger();
    auto* f = frmAdministrador::SiExiste();
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
    servidor.on(kTablas, Tablas({{"Clientes", "U ", "dbo", "2004-03-09 11:42:05"},
                                 {"sysobjects", "S ", "dbo", "2000-08-06 01:29:12"}}));
    menus.Elegir = QStringList{"mnuEliminar"};
    const QModelIndex ventas = f->ltvTablas->model()->index(2, 0);
    Raton(f->ltvTablas, f->ltvTablas->visualRect(ventas).center(), Qt::RightButton);
    EXPECT_TRUE(mensajes.Cajas.isEmpty()) << TextosCajas().join("|").toStdString();
    const auto lotes = servidor.statements();
    ASSERT_GE(lotes.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lotes.end() - 3, lotes.end()),
              (std::vector<std::string>{"use Tienda", "DROP TABLE juan.Ventas", kTablas}));
    EXPECT_EQ(servidor.currentDatabase(), "Tienda");
    EXPECT_EQ(f->ltvTablas->ListItems().Count(), 2);
    EXPECT_EQ(f->lblDetalle->text(), QStringLiteral(" Tablas 2 elementos"));
}
