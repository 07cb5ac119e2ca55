// The designer's save over the program's real path (ODBC, FreeTDS, TDS)
// against the scripted server: one transaction from BEGIN to COMMIT, and a
// refused statement that rolls it all back with nothing sent after it.
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "support/extremo.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

using tdstest::Column;
using tdstest::Reply;
using tdstest::Type;

namespace {

Column Nombre(const char* n) { return {n, Type::NVarChar, 128, 0, 0, false}; }
Column Entero(const char* n, Type t = Type::Int) { return {n, t, 0, 0, 0, false}; }
Reply Valor(Column c, tdstest::Value v) { return Reply::rows({std::move(c)}, {{std::move(v)}}); }
// The columns of sysreferences: the constraint, both tables and 16 column pairs.
std::vector<Column> Referencias() {
    std::vector<Column> r = {Entero("constid"), Entero("fkeyid"), Entero("rkeyid")};
    for (int k = 1; k <= 16; ++k) {
        r.push_back(Entero(("fkey" + std::to_string(k)).c_str(), Type::SmallInt));
        r.push_back(Entero(("rkey" + std::to_string(k)).c_str(), Type::SmallInt));
    }
    return r;
}

const std::string kCrea = " CREATE   NONCLUSTERED INDEX IX_texto ON Notas (texto)   ON [PRIMARY]";

}  // namespace

class GrabaExtremo : public PruebaExtremo {
protected:
    void TearDown() override {
        ReiniciaBD_SQL();
        PruebaExtremo::TearDown();
    }
    // Notas (id 201): a column texto nvarchar(50) with the index IX_texto, no
    // relations; the statements of a save succeed.
    void Catalogo() {
        servidor.on("Select name from master.dbo.sysdatabases order by name", Reply::rows({Nombre("name")}, {{"Tienda"}}));
        servidor.on(std::regex("Select t\\.name as tabla.*Tienda\\.\\.sysobjects t.*"),
                    Reply::rows({Nombre("tabla"), {"tipo", Type::Char, 2, 0, 0, false}, Nombre("usuario"),
                                 {"fecha", Type::DateTime, 0, 0, 0, false}},
                                {{"Notas", "U", "dbo", "2004-03-09 11:42:05"},
                                 {"Temas", "U", "dbo", "2004-03-09 11:42:05"}}));
        // The table of the owner the explorer's row shows.
        const std::string deDbo = " and uid = (select uid from Tienda..sysusers where name = 'dbo')";
        servidor.on("Select * from Tienda..sysobjects  where type = 'U' and name = 'Notas'" + deDbo + " order by name",
                    Reply::rows({Nombre("name"), Entero("id")}, {{"Notas", 201}}));
        servidor.on("Select * from Tienda..syscolumns  where id = 201 order by colid",
                    Reply::rows({Nombre("name"), Entero("xtype", Type::TinyInt), Entero("length", Type::SmallInt),
                                 Entero("prec", Type::SmallInt), Entero("scale"), Entero("isnullable"), Entero("cdefault"),
                                 {"collation", Type::NVarChar, 128, 0, 0, true}},
                                {{"texto", 231, 100, 50, 0, 1, 0, "Latin1_General_BIN"}}));
        servidor.on("Select * from Tienda..sysindexes  where id = 201 and indid <> 255 and (status & 64)=0 order by indid",
                    Reply::rows({Nombre("name"), Entero("indid", Type::SmallInt), Entero("status"),
                                 Entero("groupid", Type::SmallInt), Entero("origfillfactor", Type::TinyInt),
                                 {"keys", Type::VarBinary, 1088}},
                                {{"IX_texto", 2, 0, 1, 0, std::string("\x01", 1)}}));
        servidor.on("Select groupname from Tienda..sysfilegroups where groupid=1", Valor(Nombre("g"), "PRIMARY"));
        servidor.on("Select * from Tienda..sysindexkeys  where id = 201 and indid = 2 order by keyno",
                    Reply::rows({Entero("colid", Type::SmallInt)}, {{1}}));
        servidor.on("Select name from Tienda..syscolumns where id=201 and colid=1", Valor(Nombre("name"), "texto"));
        // What the save asks of the catalog.
        servidor.on("Select id from Tienda..sysobjects where name = 'Notas' and type = 'U'" + deDbo, Valor(Entero("id"), 201));
        servidor.on("Select name from Tienda..sysobjects where name = 'Notas' and type = 'U'" + deDbo,
                    Valor(Nombre("name"), "Notas"));
        const std::pair<const char*, tdstest::Value> columna[] = {
            {"name", "texto"}, {"prec", 50}, {"length", 100}, {"xtype", 231}, {"isnullable", 1}, {"cdefault", 0}};
        for (const auto& [dato, valor] : columna)
            servidor.on(std::string("Select ") + dato + " from Tienda..syscolumns where name = 'texto' and id=201",
                        Valor(Entero(dato), valor));
        servidor.on("Select name from Tienda..syscolumns where name = 'texto' and id=201", Valor(Nombre("name"), "texto"));
        servidor.on(std::regex("exec (Tienda\\.\\.)?sp_helpindex 'dbo\\.Notas'"),
                    Reply::rows({Nombre("index_name"), {"index_description", Type::VarChar, 210},
                                 {"index_keys", Type::NVarChar, 2078}},
                                {{"IX_texto", "nonclustered located on PRIMARY", "texto"}}));
        servidor.on("Select groupid from Tienda..sysindexes where name = 'IX_texto' and id=201",
                    Valor(Entero("groupid", Type::SmallInt), 1));
        servidor.on("Select origfillfactor from Tienda..sysindexes where name = 'IX_texto' and id=201",
                    Valor(Entero("origfillfactor", Type::TinyInt), 0));
        servidor.on("Select name from Tienda..sysindexes where name = 'IX_texto' and id=201",
                    Valor(Nombre("name"), "IX_texto"));
        servidor.on("Select name from Tienda..sysindexes where name = 'IX_nuevo' and id=201",
                    Reply::rows({Nombre("name")}, {}));
        // No index of Notas is a constraint, and no relation joins it.
        servidor.on(std::regex("Select xtype from Tienda\\.\\.sysobjects where name = '.*' and parent_obj=201"),
                    Reply::rows({{"xtype", Type::Char, 2, 0, 0, false}}, {}));
        servidor.on("Select id from Tienda..sysobjects where name = 'FK_Notas_Temas' and parent_obj=201",
                    Reply::rows({Entero("id")}, {}));
        servidor.on(std::regex("Select \\* from Tienda\\.\\.sysreferences where fkeyid ?= ?201", std::regex::icase),
                    Reply::rows(Referencias(), {}));
        servidor.on(std::regex("EXEC sp_fkeys (NULL,NULL,NULL,)?'Notas'(,'dbo')?"),
                    Reply::rows({Nombre("PKTABLE_OWNER"), Nombre("PKTABLE_NAME"), Nombre("PKCOLUMN_NAME"),
                                 Nombre("FKTABLE_OWNER"), Nombre("FKTABLE_NAME"), Nombre("FKCOLUMN_NAME"),
                                 Entero("KEY_SEQ", Type::SmallInt), Nombre("FK_NAME")},
                                {}));
        servidor.on("select s.groupname from Tienda..sysfilegroups s, Tienda..sysindexes i where i.id =201 and "
                    "i.indid < 2 and i.groupid = s.groupid",
                    Valor(Nombre("groupname"), "PRIMARY"));
        servidor.on(std::regex("select g\\.groupname,g\\.status, g\\.groupid, 'filecount' =.*from "
                               "Tienda\\.\\.sysfilegroups g order by groupid"),
                    Reply::rows({Nombre("groupname"), Entero("status"), Entero("groupid", Type::SmallInt),
                                 Entero("filecount")},
                                {{"PRIMARY", 16, 1, 1}}));
        servidor.on("select groupname,groupid from Tienda..sysfilegroups WHERE groupname='PRIMARY'",
                    Reply::rows({Nombre("groupname"), Entero("groupid", Type::SmallInt)}, {{"PRIMARY", 1}}));
        servidor.on(" select convert(sysname,DatabasePropertyEx('Tienda','Collation'))",
                    Valor(Nombre(""), "Modern_Spanish_CI_AS"));
        servidor.on("Select name from Tienda..systypes where xtype=231",
                    Reply::rows({Nombre("name")}, {{"nvarchar"}, {"sysname"}}));
        servidor.on(std::regex("(DROP INDEX|CREATE (NONCLUSTERED )?INDEX|ALTER TABLE) .*"), Reply());
    }
    // The designer of Notas, from the explorer's list.
    frmTabla* Diseña(frmAdministrador* f) {
        f->trvBD->Nodes().Item("DTTienda").Selected(true);
        f->ltvTablas->ListItems().Item(1).Selected(true);
        mdiPrincipal::SiExiste()->mnuDiseño_Click();
        return Tablas(0);
    }
    static void Nombra(QLineEdit* caja, const QString& nombre) {
        caja->setText(nombre);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(caja, &enter);
    }
    std::vector<std::string> Desde(const std::string& primera) {
        const auto todas = servidor.statements();
        auto i = std::find(todas.begin(), todas.end(), primera);
        return std::vector<std::string>(i, todas.end());
    }
};

TEST_F(GrabaExtremo, ARefusedStatementRollsTheSaveBackAndTheNextOneCommits) {
    Catalogo();
    auto* f = ConectaYExplora();
    ASSERT_NE(f, nullptr);
    f->trvBD->Nodes().Item("DTTienda").Selected(true);
    f->ltvTablas->ListItems().Item(1).Selected(true);
    mdiPrincipal::SiExiste()->mnuDiseño_Click();
    frmTabla* d = Tablas(0);
    ASSERT_NE(d, nullptr);
    ASSERT_FALSE(d->CargaIncompleta) << TextosCajas().join(u'|').toStdString();
    d->ArrayCampos->GrabaCelda(0, Longitud, QStringLiteral("80"));

    // The index made again after the column is refused.
    servidor.on(kCrea, Reply::error(1913, "There is already an index on table 'Notas' named 'IX_texto'."));
    EXPECT_FALSE(d->ActualizaLaTabla());
    EXPECT_EQ(TextosCajas(),
              QStringList{" Error Nº:1913 (There is already an index on table 'Notas' named 'IX_texto'.)."});
    // After the refused statement, only the rollback (and the driver's own,
    // as it goes back to autocommit).
    auto fallida = Desde("BEGIN TRANSACTION");
    while (!fallida.empty() && fallida.back() == "ROLLBACK TRANSACTION") fallida.pop_back();
    ASSERT_FALSE(fallida.empty());
    EXPECT_EQ(fallida.back(), kCrea);
    EXPECT_EQ(servidor.statements().back(), "ROLLBACK TRANSACTION");
    EXPECT_FALSE(servidor.inTransaction());

    // The fault gone, the same save commits.
    mensajes.Cajas().clear();
    servidor.on(kCrea, Reply());
    servidor.clearRecord();
    EXPECT_TRUE(d->ActualizaLaTabla()) << TextosCajas().join(u'|').toStdString();
    auto hecha = Desde("BEGIN TRANSACTION");
    // The driver sends a rollback of its own as it goes back to autocommit.
    if (!hecha.empty() && hecha.back() == "ROLLBACK TRANSACTION") hecha.pop_back();
    const std::vector<std::string> cambios = {
        "DROP INDEX Notas.IX_texto",
        "ALTER TABLE Tienda..Notas  ALTER COLUMN texto nvarchar (80)  COLLATE Latin1_General_BIN  NULL",
        kCrea,
        "CREATE  INDEX IX_texto  ON Tienda..Notas  (texto)\r WITH DROP_EXISTING  ON [PRIMARY]"};
    for (const auto& s : cambios) EXPECT_NE(std::find(hecha.begin(), hecha.end(), s), hecha.end()) << s;
    EXPECT_EQ(hecha.back(), "COMMIT TRANSACTION");
}

// An index and a relation made in the editors reach the server inside the
// save's transaction, and a designer opened again shows them.
TEST_F(GrabaExtremo, AnIndexAndARelationMadeInTheEditorsAreSavedAndShownAgain) {
    Catalogo();
    auto* f = ConectaYExplora();
    ASSERT_NE(f, nullptr);
    frmTabla* d = Diseña(f);
    ASSERT_NE(d, nullptr);
    d->cmdNuevoIndice->click();
    Nombra(d->txtNombreIndice, QStringLiteral("IX_nuevo"));
    ASSERT_EQ(d->NumeroIndices, 2);
    d->ArrayIndices(0, d->cboIndices->currentIndex())->GrabaCelda(0, 1, QStringLiteral("texto"));
    d->cmdNuevaRelacion->click();
    Nombra(d->txtNombreRelacion, QStringLiteral("FK_Notas_Temas"));
    ASSERT_EQ(d->NumeroRelaciones, 1);
    d->cboExterna->setCurrentText(QStringLiteral("Temas"));
    const ArrayDatos pares = d->ArrayRelaciones(0, 0);
    for (const auto& [columna, valor] : {std::pair{1, "texto"}, {2, "nombre"}, {3, "Temas"}})
        pares->GrabaCelda(0, columna, QString::fromLatin1(valor));
    servidor.clearRecord();
    mensajes.Respuestas = {vb::vbYes};
    EXPECT_TRUE(d->Unload()) << TextosCajas().join(u'|').toStdString();
    auto lotes = Desde("BEGIN TRANSACTION");
    const auto commit = std::find(lotes.begin(), lotes.end(), "COMMIT TRANSACTION");
    ASSERT_NE(commit, lotes.end());
    const std::vector<std::string> transaccion(lotes.begin(), commit);
    const auto empieza = [&](const std::string& inicio) {
        return std::any_of(transaccion.begin(), transaccion.end(),
                           [&](const std::string& s) { return s.rfind(inicio, 0) == 0; });
    };
    EXPECT_TRUE(empieza("CREATE  INDEX IX_nuevo  ON Tienda..Notas  (texto)"));
    EXPECT_TRUE(empieza("ALTER TABLE Notas ADD CONSTRAINT [FK_Notas_Temas] FOREIGN KEY (texto ) REFERENCES Temas (nombre)"));

    // The catalog now holds both; the designer opened again shows them.
    servidor.on("Select * from Tienda..sysindexes  where id = 201 and indid <> 255 and (status & 64)=0 order by indid",
                Reply::rows({Nombre("name"), Entero("indid", Type::SmallInt), Entero("status"),
                             Entero("groupid", Type::SmallInt), Entero("origfillfactor", Type::TinyInt),
                             {"keys", Type::VarBinary, 1088}},
                            {{"IX_texto", 2, 0, 1, 0, std::string("\x01", 1)},
                             {"IX_nuevo", 3, 0, 1, 0, std::string("\x01", 1)}}));
    servidor.on("Select * from Tienda..sysindexkeys  where id = 201 and indid = 3 order by keyno",
                Reply::rows({Entero("colid", Type::SmallInt)}, {{1}}));
    tdstest::Row clave = {301, 201, 202};
    for (int k = 1; k <= 16; ++k) {
        clave.push_back(k == 1 ? 1 : 0);
        clave.push_back(k == 1 ? 2 : 0);
    }
    servidor.on("Select * from Tienda..sysreferences  where fkeyid = 201", Reply::rows(Referencias(), {clave}));
    servidor.on("Select name from Tienda..sysobjects where id=202", Valor(Nombre("name"), "Temas"));
    servidor.on("Select * from Tienda..sysobjects where id=202",
                Reply::rows({Nombre("name"), Entero("id"), Entero("uid", Type::SmallInt)}, {{"Temas", 202, 1}}));
    servidor.on("Select name from Tienda..sysusers where uid=1", Valor(Nombre("name"), "dbo"));
    servidor.on("Select name from Tienda..sysobjects where id=301", Valor(Nombre("name"), "FK_Notas_Temas"));
    servidor.on("Select name from Tienda..syscolumns where id=202 and colid=2", Valor(Nombre("name"), "nombre"));
    mensajes.Cajas().clear();
    frmTabla* otra = Diseña(f);
    ASSERT_NE(otra, nullptr);
    EXPECT_FALSE(otra->CargaIncompleta) << TextosCajas().join(u'|').toStdString();
    EXPECT_EQ(otra->cboIndices->findText(QStringLiteral("IX_nuevo")), 1);
    EXPECT_EQ(otra->cboRelaciones->currentText(), QStringLiteral("FK_Notas_Temas"));
    EXPECT_EQ(otra->ArrayRelaciones(0, 0)->LeeCelda(0, 2), QStringLiteral("nombre"));
    EXPECT_EQ(otra->cboExterna->currentText(), QStringLiteral("Temas"));
}
