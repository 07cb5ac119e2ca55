// The table designer over the program's real path (ODBC, FreeTDS, TDS)
// against the scripted server: the catalog of an existing table, with the
// column types the server uses, shown in a designer.
#include "app/frmconectar.h"
#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "platform/odbc.h"
#include "platform/rejilladatos.h"
#include "support/extremo.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"
#include "tdsserver/tdsserver.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using tdstest::Column;
using tdstest::Reply;
using tdstest::Type;

namespace {

Column Nombre(const char* n) { return {n, Type::NVarChar, 128, 0, 0, false}; }
Column Entero(const char* n, Type t = Type::Int, bool nulos = false) { return {n, t, 0, 0, 0, nulos}; }

// One value looked up by the program's single-row lookup.
Reply Valor(Column c, tdstest::Value v) { return Reply::rows({std::move(c)}, {{std::move(v)}}); }

}  // namespace

class DiseñadorExtremo : public PruebaExtremo {
protected:
    void TearDown() override {
        ReiniciaBD_SQL();
        PruebaExtremo::TearDown();
    }
};

TEST_F(DiseñadorExtremo, AnExistingTableOpensWithItsColumnsAndKey) {
    servidor.on("Select name from master.dbo.sysdatabases order by name",
                Reply::rows({Nombre("name")}, {{"master"}, {"Tienda"}}));
    servidor.on("Select t.name as tabla,t.xtype as tipo,u.name as usuario,t.crdate as fecha  from Tienda..sysobjects t,"
                "Tienda..sysusers u where (t.xtype = 'U'or t.xtype = 'S') and u.uid = t.uid order by t.name",
                Reply::rows({Nombre("tabla"), {"tipo", Type::Char, 2, 0, 0, false}, Nombre("usuario"),
                             {"fecha", Type::DateTime, 0, 0, 0, false}},
                            {{"Clientes", "U", "dbo", "2004-03-09 11:42:05"},
                             {"Pedidos", "U", "dbo", "2004-03-10 09:00:00"}}));
    servidor.on(std::regex("select g\\.groupname.*sysfilegroups g order by groupid"),
                Reply::rows({Nombre("groupname"), Entero("status"), Entero("groupid", Type::SmallInt),
                             Entero("filecount", Type::Int, true)},
                            {{"PRIMARY", 16, 1, 1}}));
    servidor.on(" select convert(sysname,DatabasePropertyEx('Tienda','Collation'))",
                Valor({"", Type::NVarChar, 128}, "Modern_Spanish_CI_AS"));
    servidor.on("Select * from Tienda..sysobjects  where type = 'U' and name = 'Pedidos' and uid = (select uid from "
                "Tienda..sysusers where name = 'dbo') order by name",
                Reply::rows({Nombre("name"), Entero("id"), {"xtype", Type::Char, 2, 0, 0, false}},
                            {{"Pedidos", 101, "U"}}));
    servidor.on("Select * from Tienda..syscolumns  where id = 101 order by colid",
                Reply::rows({Nombre("name"), Entero("id"), Entero("xtype", Type::TinyInt),
                             Entero("length", Type::SmallInt), Entero("prec", Type::SmallInt, true),
                             Entero("scale", Type::Int, true), Entero("isnullable"), Entero("cdefault"),
                             {"collation", Type::NVarChar, 128, 0, 0, true}},
                            {{"id", 101, 56, 4, 10, 0, 0, 0, nullptr},
                             {"nombre", 101, 231, 100, 50, nullptr, 1, 201, "Modern_Spanish_CI_AS"}}));
    servidor.on("Select text from Tienda..syscomments where id=201", Valor({"text", Type::NVarChar, 4000}, "(N'x')"));
    servidor.on("Select name from Tienda..sysobjects  where id=201 and xtype Like 'D'",
                Valor(Nombre("name"), "DF_Pedidos_nombre"));
    servidor.on("Select * from Tienda..sysindexes  where id = 101 and indid <> 255 and (status & 64)=0 order by indid",
                Reply::rows({Nombre("name"), Entero("indid", Type::SmallInt), Entero("status"),
                             Entero("groupid", Type::SmallInt), Entero("origfillfactor", Type::TinyInt),
                             {"keys", Type::VarBinary, 1088}},
                            {{"PK_Pedidos", 1, 2066, 1, 0, std::string("\x01\x00", 2)}}));
    servidor.on("exec Tienda..sp_helpindex 'dbo.Pedidos'",
                Reply::rows({Nombre("index_name"), {"index_description", Type::VarChar, 210},
                             {"index_keys", Type::NVarChar, 2078}},
                            {{"PK_Pedidos", "clustered, unique, primary key located on PRIMARY", "id"}}));
    servidor.on("Select xtype from Tienda..sysobjects where name = 'PK_Pedidos' and parent_obj=101",
                Valor({"xtype", Type::Char, 2, 0, 0, false}, "PK"));
    servidor.on("Select groupname from Tienda..sysfilegroups where groupid=1", Valor(Nombre("groupname"), "PRIMARY"));
    servidor.on("Select * from Tienda..sysindexkeys  where id = 101 and indid = 1 order by keyno",
                Reply::rows({Entero("id"), Entero("indid", Type::SmallInt), Entero("colid", Type::SmallInt)},
                            {{101, 1, 1}}));
    servidor.on("Select name from Tienda..syscolumns where id=101 and colid=1", Valor(Nombre("name"), "id"));
    std::vector<Column> referencias = {Entero("constid"), Entero("fkeyid"), Entero("rkeyid")};
    for (int k = 1; k <= 16; ++k) {
        referencias.push_back(Entero(("fkey" + std::to_string(k)).c_str(), Type::SmallInt));
        referencias.push_back(Entero(("rkey" + std::to_string(k)).c_str(), Type::SmallInt));
    }
    servidor.on("Select * from Tienda..sysreferences  where fkeyid = 101", Reply::rows(referencias, {}));
    servidor.on("select s.groupname from Tienda..sysfilegroups s, Tienda..sysindexes i where i.id =101 and "
                "i.indid < 2 and i.groupid = s.groupid",
                Valor(Nombre("groupname"), "PRIMARY"));

    auto* f = ConectaYExplora();
    ASSERT_NE(f, nullptr);
    auto* m = mdiPrincipal::SiExiste();
    f->trvBD->Nodes().Item("DTTienda").Selected(true);
    f->ltvTablas->ListItems().Item(2).Selected(true);
    m->mnuDiseño_Click();
    ASSERT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join("|").toStdString();

    frmTabla* d = Tablas(1);
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->CargaIncompleta);
    EXPECT_EQ(d->txtNombreTabla->text(), QStringLiteral("Pedidos"));
    EXPECT_EQ(d->IntercalacionBD, QStringLiteral("Modern_Spanish_CI_AS"));
    // The grid shows the type names; the array keeps the codes.
    QAbstractItemModel* modelo = d->TDBGridTabla->model();
    const QStringList esperado[] = {{"id", "int", "4", "10", "0", ""}, {"nombre", "nvarchar", "50", "0", "0", "N'x'"}};
    for (int fila = 0; fila < 2; ++fila) {
        QStringList vista;
        for (int col : {1, 2, 3, 4, 5, 7}) vista.append(modelo->index(fila, col).data().toString());
        EXPECT_EQ(vista, esperado[fila]) << fila;
    }
    EXPECT_EQ(d->ArrayCampos->LeeCelda(1, 2), QStringLiteral("13"));
    EXPECT_EQ(d->ArrayCampos->LeeCelda(1, 6), QStringLiteral("-1"));
    EXPECT_EQ(d->ArrayCampos->LeeCelda(1, 8), QStringLiteral("DF_Pedidos_nombre"));
    ASSERT_EQ(d->NumeroIndices, 1);
    EXPECT_EQ(d->TablaIndices.Lee(0, 0, 1), QStringLiteral("P"));
    EXPECT_EQ(d->ArrayIndices(0, 0)->LeeCelda(0, 1), QStringLiteral("id"));
    EXPECT_EQ(d->cboGrupoArchivoDatos->currentText(), QStringLiteral("PRIMARY"));
    EXPECT_EQ(d->cboExterna->count(), 1);
}
