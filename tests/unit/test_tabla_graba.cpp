// The designer's save through the scripted connection: the statements a new
// and an existing table send, in order and in one transaction, and a failure
// anywhere, which rolls everything back, is reported once and leaves the
// design for the next try.

#include "common/funciones.h"
#include "explorer/consolasql.h"
#include "support/catalogo_claves.h"
#include "support/explorador_prueba.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

// What the save sends besides its catalog questions.
QStringList Sentencias(const QStringList& enviadas) {
    QStringList r;
    for (const QString& s : enviadas) {
        const QString m = s.trimmed().toUpper();
        if (m.startsWith(QLatin1String("SELECT")) || m.startsWith(QLatin1String("EXEC SP_FKEYS")) ||
            m.startsWith(QLatin1String("EXEC SP_HELPINDEX")))
            continue;
        r.append(s);
    }
    return r;
}

QString EnSyscolumns(const QString& dato, const QString& columna) {
    return "Select " + dato + " from Tienda..syscolumns where name = '" + columna + "' and id=101";
}

}  // namespace

class Grabacion : public PruebaDiseñador {
protected:
    void SetUp() override {
        PruebaDiseñador::SetUp();
        PonGrupos({"PRIMARY", "INDICES", " Ventas "});
    }
    frmTabla* Nuevo() { return NuevoDiseñador(); }
    static void Fila(frmTabla* d, int r, const QStringList& celdas) {
        for (int c = 0; c < celdas.size(); ++c) d->ArrayCampos->GrabaCelda(r, c, celdas[c]);
    }
    static QStringList Diseño(frmTabla* d) {
        QStringList r;
        for (int f = 0; f < 5; ++f)
            for (int c = 0; c <= 9; ++c) r.append(d->ArrayCampos->LeeCelda(f, c));
        return r;
    }
    // An existing table Pedidos (id 101) as the catalog holds it: id int,
    // importe decimal(18,2) NOT NULL, cliente (renamed in the design from
    // cli) and antiguo, with a default, which the design no longer holds;
    // and the index IX_antiguo, which the design dropped.
    frmTabla* Existente() {
        auto* d = Nuevo();
        d->txtNombreTabla->setText(QStringLiteral("Pedidos"));
        d->NombreTablaInicial = QStringLiteral("Pedidos");
        // State, name, type, length, precision, scale, nulls, default, its name, loaded name.
        Fila(d, 0, {"M", "id", "8", "4", "10", "0", "0", "", "", "id"});
        Fila(d, 1, {"M", "importe", "5", "9", "18", "2", "-1", "", "", "importe"});
        Fila(d, 2, {"M", "cliente", "23", "20", "0", "0", "-1", "", "", "cli"});
        Fila(d, 3, {"", "nuevo", "23", "10", "0", "0", "-1", "", "", ""});
        d->IndicesCargados = {{QStringLiteral("IX_antiguo"), QString()}};
        d->CamposCargados = {"id", "importe", "cli", "antiguo"};
        const QString id = "Select id from Tienda..sysobjects where name = 'Pedidos' and type = 'U'";
        conexion->Responde(id, QStringList{"id"}, {{101}});
        conexion->Responde("Select name from Tienda..sysobjects where name = 'Pedidos' and type = 'U'",
                           QStringList{"name"}, {{"Pedidos"}});
        struct Columna {
            const char* nombre;
            int xtype;
            int longitud, prec, escala, nulos;
        } columnas[] = {{"id", 56, 4, 10, 0, 0}, {"importe", 106, 9, 18, 2, 0}, {"cliente", 167, 20, 20, 0, 1}};
        const QStringList tipos = {"int", "decimal", "varchar"};
        int i = 0;
        for (const auto& c : columnas) {
            const QList<QPair<QString, QVariant>> datos = {{"name", c.nombre}, {"prec", c.prec},
                                                           {"xtype", c.xtype}, {"isnullable", c.nulos},
                                                           {"length", c.longitud}, {"scale", c.escala},
                                                           {"cdefault", 0}};
            for (const auto& [dato, valor] : datos)
                conexion->Responde(EnSyscolumns(dato, c.nombre), QStringList{dato}, {{valor}});
            conexion->Responde("Select name from Tienda..systypes where xtype=" + QString::number(c.xtype),
                               QStringList{"name"}, {{tipos[i++]}});
        }
        conexion->Responde("Select name from Tienda..sysindexes where name = 'IX_antiguo' and id=101",
                           QStringList{"name"}, {{"IX_antiguo"}});
        conexion->Responde("Select * from Tienda..sysobjects  where type = 'U' and name = 'Pedidos' order by name",
                           QStringList{"name", "id"}, {{"Pedidos", 101}});
        conexion->Responde("Select * from Tienda..syscolumns  where id = 101 order by colid",
                           QStringList{"Name", "cdefault"},
                           {{"id", 0}, {"importe", 0}, {"cliente", 0}, {"antiguo", 301}});
        conexion->Responde("Select name from Tienda..sysobjects where id=301 and xtype = 'D'", QStringList{"name"},
                           {{"DF_antiguo_x"}});
        return d;
    }
};

TEST_F(Grabacion, ANewTableIsCreatedWithItsKeysInOneTransaction) {
    struct Caso {
        const char* tabla;
        const char* grupo;
        QStringList sentencias;
        const char* grupoIndice = "INDICES";
    } casos[] = {
        {"Clientes", "PRIMARY",
         {"<BeginTrans>", "USE Tienda",
          "CREATE TABLE Tienda..Clientes (id int   NOT NULL,\rnombre varchar  (50)  NULL)",
          "ALTER TABLE Tienda..Clientes WITH NOCHECK ADD CONSTRAINT PK_Clientes PRIMARY KEY  CLUSTERED  (id)\r",
          "CREATE  UNIQUE  INDEX IX_nombre  ON Tienda..Clientes  (nombre)\r WITH FILLFACTOR = 80 ON [INDICES]",
          "Use Tienda", "ALTER TABLE Clientes ADD CONSTRAINT [FK_Clientes_Zonas] FOREIGN KEY (id ) REFERENCES Zonas (Id)",
          "<CommitTrans>"}},
        {"Mis clientes", "INDICES",
         {"<BeginTrans>", "USE Tienda",
          "CREATE TABLE Tienda..[Mis clientes] (id int   NOT NULL,\rnombre varchar  (50)  NULL) ON INDICES",
          "ALTER TABLE Tienda..[Mis clientes] WITH NOCHECK ADD CONSTRAINT PK_Clientes PRIMARY KEY  CLUSTERED  (id)\r",
          "CREATE  UNIQUE  INDEX IX_nombre  ON Tienda..[Mis clientes]  (nombre)\r WITH FILLFACTOR = 80 ON [INDICES]",
          "Use Tienda",
          "ALTER TABLE [Mis clientes] ADD CONSTRAINT [FK_Clientes_Zonas] FOREIGN KEY (id ) REFERENCES Zonas (Id)",
          "<CommitTrans>"}},
        // A filegroup the lists show trimmed is named as the catalog holds it.
        {"Clientes", "Ventas",
         {"<BeginTrans>", "USE Tienda",
          "CREATE TABLE Tienda..Clientes (id int   NOT NULL,\rnombre varchar  (50)  NULL) ON [ Ventas ]",
          "ALTER TABLE Tienda..Clientes WITH NOCHECK ADD CONSTRAINT PK_Clientes PRIMARY KEY  CLUSTERED  (id)\r",
          "CREATE  UNIQUE  INDEX IX_nombre  ON Tienda..Clientes  (nombre)\r WITH FILLFACTOR = 80 ON [ Ventas ]",
          "Use Tienda", "ALTER TABLE Clientes ADD CONSTRAINT [FK_Clientes_Zonas] FOREIGN KEY (id ) REFERENCES Zonas (Id)",
          "<CommitTrans>"},
         " Ventas "},
    };
    for (const auto& c : casos) {
        auto* d = Nuevo();
        d->txtNombreTabla->setText(QString::fromUtf8(c.tabla));
        d->cboGrupoArchivoDatos->setCurrentText(QString::fromUtf8(c.grupo));
        Fila(d, 0, {"", "id", "8", "4", "10", "0", "0"});
        Fila(d, 1, {"", "nombre", "23", "50", "0", "0", "-1"});
        const QStringList indices[] = {{"PK_Clientes", "P", "1", "1", "", "0"},
                                       {"IX_nombre", "I", "0", "1", QString::fromUtf8(c.grupoIndice), "80"}};
        for (int i = 0; i < 2; ++i) {
            for (int k = 0; k < 6; ++k) d->TablaIndices(0, i, k) = indices[i][k];
            d->ArrayIndices(0, i) = std::make_shared<GridDataArray>();
            d->ArrayIndices(0, i)->Redimensiona(0, 200, 0, 2);
            d->ArrayIndices(0, i)->GrabaCelda(0, 1, i == 0 ? "id" : "nombre");
        }
        d->NumeroIndices = 2;
        d->TablaRelaciones(0, 0) = QStringLiteral("FK_Clientes_Zonas");
        d->ArrayRelaciones(0, 0) = std::make_shared<GridDataArray>();
        d->ArrayRelaciones(0, 0)->Redimensiona(0, 200, 0, 4);
        for (int k = 1; k <= 3; ++k) d->ArrayRelaciones(0, 0)->GrabaCelda(0, k, QStringList{"", "id", "Id", "Zonas"}[k]);
        // An entry without key columns, and a relation without pairs, send nothing.
        d->TablaIndices(0, 2, 0) = QStringLiteral("IX_vacio");
        d->ArrayIndices(0, 2) = std::make_shared<GridDataArray>();
        d->NumeroIndices = 3;
        d->TablaRelaciones(0, 1) = QStringLiteral("FK_vacia");
        d->NumeroRelaciones = 2;
        conexion->Enviadas.clear();
        EXPECT_TRUE(d->ActualizaLaTabla()) << c.tabla;
        EXPECT_EQ(Sentencias(conexion->Enviadas), c.sentencias) << c.tabla;
        d->DescargaSinPreguntar();
    }
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// What the save of the Existente() design sends, with what a test adds
// after its index drop and after its dropped column.
QStringList AlteraPedidos(const QStringList& indices = {}, const QStringList& alFinal = {}) {
    return QStringList{"<BeginTrans>", "USE Tienda", "EXEC sp_rename 'Pedidos.[cli]', 'cliente', 'COLUMN'",
                       "ALTER TABLE Tienda..Pedidos  ALTER COLUMN importe decimal (18,2)  NULL",
                       "ALTER TABLE Tienda..Pedidos  ADD nuevo varchar  (10)  NULL", "DROP INDEX Pedidos.IX_antiguo"} +
           indices +
           QStringList{"ALTER TABLE Tienda..Pedidos DROP CONSTRAINT [DF_antiguo_x]",
                       "ALTER TABLE Tienda..Pedidos  DROP COLUMN antiguo"} +
           alFinal + QStringList{"<CommitTrans>"};
}

TEST_F(Grabacion, AnExistingTableIsAlteredRenamedAndLosesWhatTheDesignDropped) {
    auto* d = Existente();
    conexion->Enviadas.clear();
    EXPECT_TRUE(d->ActualizaLaTabla());
    EXPECT_EQ(Sentencias(conexion->Enviadas), AlteraPedidos());
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// A new row above the column renamed away takes its name: every rename goes
// before the first question about a column, so the row is added as new.
TEST_F(Grabacion, RenamesGoFirstAndANewRowMayTakeTheNameLeft) {
    auto* d = Existente();
    for (int f = 3; f >= 0; --f) Fila(d, f + 1, Diseño(d).mid(f * 10, 10));
    Fila(d, 0, {"", "cli", "8", "4", "10", "0", "-1", "", "", ""});
    Fila(d, 4, QStringList(10));
    conexion->Enviadas.clear();
    EXPECT_TRUE(d->ActualizaLaTabla());
    const QString renombre = "EXEC sp_rename 'Pedidos.[cli]', 'cliente', 'COLUMN'";
    const auto columna = std::find_if(conexion->Enviadas.begin(), conexion->Enviadas.end(),
                                      [](const QString& s) { return s.contains("syscolumns"); });
    EXPECT_LT(conexion->Enviadas.indexOf(renombre), columna - conexion->Enviadas.begin());
    EXPECT_EQ(Sentencias(conexion->Enviadas),
              (QStringList{"<BeginTrans>", "USE Tienda", renombre,
                           "ALTER TABLE Tienda..Pedidos  ALTER COLUMN importe decimal (18,2)  NULL",
                           "ALTER TABLE Tienda..Pedidos  ADD cli int   NULL", "DROP INDEX Pedidos.IX_antiguo",
                           "ALTER TABLE Tienda..Pedidos DROP CONSTRAINT [DF_antiguo_x]",
                           "ALTER TABLE Tienda..Pedidos  DROP COLUMN antiguo", "<CommitTrans>"}));
}

// Only a column the design loaded and no longer holds is dropped: notas,
// added since by another designer, stays; a new design loaded nothing.
TEST_F(Grabacion, OnlyColumnsTheDesignLoadedAreDropped) {
    const QString df = "ALTER TABLE Tienda..Pedidos DROP CONSTRAINT [DF_antiguo_x]";
    const QString drop = "ALTER TABLE Tienda..Pedidos  DROP COLUMN antiguo";
    const struct {
        QStringList cargados, borrados;
    } casos[] = {{{"id", "importe", "cli", "antiguo"}, {df, drop}}, {{"id", "importe", "cli"}, {}}, {{}, {}}};
    for (const auto& c : casos) {
        auto* d = Existente();
        d->CamposCargados = c.cargados;
        conexion->Responde("Select * from Tienda..syscolumns  where id = 101 order by colid",
                           QStringList{"Name", "cdefault"},
                           {{"id", 0}, {"importe", 0}, {"cliente", 0}, {"antiguo", 301}, {"notas", 0}});
        conexion->Enviadas.clear();
        EXPECT_TRUE(d->ActualizaLaTabla());
        EXPECT_EQ(Sentencias(conexion->Enviadas).filter(" DROP C"), c.borrados) << c.cargados.join(',').toStdString();
        d->DescargaSinPreguntar();
    }
}

// Names the catalog holds with blanks are asked about and named as they
// stand: the column " x" and the index " IX" are the table's, unchanged;
// the column x, which the design removed, is another.
TEST_F(Grabacion, CatalogNamesWithBlanksAreTakenAsTheyStand) {
    auto* d = Existente();
    Fila(d, 4, {"M", " x", "8", "4", "10", "0", "-1", "", "", " x"});
    d->CamposCargados << " x" << "x";
    d->IndicesCargados.append({QStringLiteral(" IX"), QString()});
    for (int k = 0; k < 6; ++k) d->TablaIndices(0, 0, k) = QStringList{" IX", "I", "0", "0", "", ""}[k];
    d->ArrayIndices(0, 0) = std::make_shared<GridDataArray>();
    d->ArrayIndices(0, 0)->Redimensiona(0, 200, 0, 2);
    d->ArrayIndices(0, 0)->GrabaCelda(0, 1, " x");
    d->NumeroIndices = 1;
    for (const auto& [dato, valor] : {std::pair{"name", QVariant(" x")}, {"prec", 10}, {"xtype", 56},
                                      {"isnullable", 1}, {"length", 4}, {"cdefault", 0}})
        conexion->Responde(EnSyscolumns(dato, " x"), QStringList{dato}, {{valor}});
    conexion->Responde("Select name from Tienda..sysindexes where name = ' IX' and id=101", QStringList{"name"},
                       {{" IX"}});
    conexion->Responde("Select * from Tienda..syscolumns  where id = 101 order by colid", QStringList{"Name", "cdefault"},
                       {{"id", 0}, {"importe", 0}, {"cliente", 0}, {"antiguo", 301}, {" x", 0}, {"x", 0}});
    conexion->Enviadas.clear();
    EXPECT_TRUE(d->ActualizaLaTabla());
    EXPECT_EQ(Sentencias(conexion->Enviadas),
              AlteraPedidos({"CREATE  INDEX [ IX]  ON Tienda..Pedidos  ([ x])\r WITH DROP_EXISTING "},
                            {"ALTER TABLE Tienda..Pedidos  DROP COLUMN x"}));
}

// An existing index is rebuilt with the descending keys and the duplicate
// keys option it was loaded with: a key is descending while its row holds
// the column it was loaded with; the option stays with a unique index.
TEST_F(Grabacion, AnIndexKeepsItsDescendingKeysAndIgnoredDuplicates) {
    const struct {
        const char *unico, *ignora, *marca;
        QString indice;
    } casos[] = {
        {"1", "1", "id", "CREATE  UNIQUE  INDEX IX  ON Tienda..Pedidos  (id DESC,importe)\r WITH IGNORE_DUP_KEY ,DROP_EXISTING "},
        {"0", "1", "importe", "CREATE  INDEX IX  ON Tienda..Pedidos  (id,importe)\r WITH DROP_EXISTING "},
        {"1", "", "", "CREATE  UNIQUE  INDEX IX  ON Tienda..Pedidos  (id,importe)\r WITH DROP_EXISTING "}};
    for (const auto& c : casos) {
        auto* d = Existente();
        for (int k = 0; k < 7; ++k) d->TablaIndices(0, 0, k) = QStringList{"IX", "I", "0", c.unico, "", "", c.ignora}[k];
        d->ArrayIndices(0, 0) = std::make_shared<GridDataArray>();
        d->ArrayIndices(0, 0)->Redimensiona(0, 200, 0, 2);
        for (int k = 0; k < 2; ++k) d->ArrayIndices(0, 0)->GrabaCelda(k, 1, QStringList{"id", "importe"}[k]);
        d->ArrayIndices(0, 0)->GrabaCelda(0, 2, c.marca);
        d->NumeroIndices = 1;
        conexion->Responde("Select name from Tienda..sysindexes where name = 'IX' and id=101", QStringList{"name"},
                           {{"IX"}});
        conexion->Enviadas.clear();
        EXPECT_TRUE(d->ActualizaLaTabla());
        EXPECT_EQ(Sentencias(conexion->Enviadas).filter(" INDEX IX "), QStringList{c.indice}) << c.marca;
        d->DescargaSinPreguntar();
    }
}

// A new precision or scale of a decimal column is sent as the grid has it.
TEST_F(Grabacion, ADecimalTakesThePrecisionAndScaleOfTheGrid) {
    const struct {
        const char *longitud, *precision, *escala;
        QStringList alter;
    } casos[] = {{"9", "18", "2", {}},
                 {"13", "20", "4", {"ALTER TABLE Tienda..Pedidos  ALTER COLUMN importe decimal (20,4)  NOT NULL"}},
                 {"9", "18", "4", {"ALTER TABLE Tienda..Pedidos  ALTER COLUMN importe decimal (18,4)  NOT NULL"}}};
    for (const auto& c : casos) {
        auto* d = Existente();
        Fila(d, 1, {"M", "importe", "5", c.longitud, c.precision, c.escala, "0", "", "", "importe"});
        conexion->Enviadas.clear();
        EXPECT_TRUE(d->ActualizaLaTabla());
        EXPECT_EQ(Sentencias(conexion->Enviadas).filter("importe"), c.alter) << c.precision << "," << c.escala;
        d->DescargaSinPreguntar();
    }
}

// An altered character column keeps the collation it was loaded with; one
// loaded without takes the database's.
TEST_F(Grabacion, AnAlteredColumnKeepsItsOwnCollation) {
    for (const auto& [propia, clausula] :
         {std::pair{"Latin1_General_BIN", "COLLATE Latin1_General_BIN"}, {"", "COLLATE Modern_Spanish_CI_AS"}}) {
        auto* d = Existente();
        d->IntercalacionBD = QStringLiteral("Modern_Spanish_CI_AS");
        Fila(d, 2, {"M", "cliente", "23", "20", "0", "0", "0", "", "", "cli", propia});
        conexion->Enviadas.clear();
        EXPECT_TRUE(d->ActualizaLaTabla());
        EXPECT_EQ(Sentencias(conexion->Enviadas).filter("COLUMN cliente"),
                  QStringList{"ALTER TABLE Tienda..Pedidos  ALTER COLUMN cliente varchar  (20)  " + QString(clausula) +
                              "  NOT NULL"})
            << propia;
        d->DescargaSinPreguntar();
    }
}

// A change that no ALTER COLUMN can make (bigint, a type the list does not
// hold, losing its nulls; ntext taking a default) fails the save.
TEST_F(Grabacion, AChangeOfAColumnThatCannotBeAlteredIsRefused) {
    for (const auto& [nombre, tipo, xtype, longitud, nulo, valor] :
         {std::tuple{"total", "0", 127, 8, "0", ""}, {"notas", "11", 99, 16, "-1", "'x'"}}) {
        auto* d = Existente();
        Fila(d, 4, {"M", nombre, tipo, QString::number(longitud), "0", "0", nulo, valor, "", nombre});
        for (const auto& [dato, v] : {std::pair{"name", QVariant(nombre)}, {"prec", 0}, {"xtype", xtype},
                                      {"isnullable", 1}, {"length", longitud}, {"cdefault", 0}})
            conexion->Responde(EnSyscolumns(dato, nombre), QStringList{dato}, {{v}});
        conexion->Enviadas.clear();
        EXPECT_FALSE(d->ActualizaLaTabla()) << nombre;
        EXPECT_EQ(conexion->Enviadas.last(), QStringLiteral("<RollbackTrans>")) << nombre;
        EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:-2147220990 (No se puede modificar la columna " +
                                             QString(nombre) + " de la tabla Pedidos: su tipo no lo admite.)."});
        mensajes.Cajas().clear();
        d->DescargaSinPreguntar();
    }
}

// The indexes of a changed column are those that list it among their keys,
// descending or not; never one on a column whose name holds its name.
TEST_F(Grabacion, TheIndexesOfAColumnAreThoseThatListIt) {
    auto* d = Existente();
    PonPrefijoBD(QStringLiteral("Tienda"));  // as the save leaves it
    conexion->Responde("exec sp_helpindex 'Pedidos'", QStringList{"index_name", "index_description", "index_keys"},
                       {{"PK_Pedidos", "clustered, unique located on PRIMARY", "Codigo"},
                        {"IX_cod", "nonclustered located on PRIMARY", "fecha, Cod(-)"}});
    for (const QString indice : {"PK_Pedidos", "IX_cod"})
        conexion->Responde("Select name from Tienda..sysindexes where name = '" + indice + "' and id=101",
                           QStringList{"name"}, {{indice}});
    const struct {
        const char* campo;
        QStringList borrados;
    } casos[] = {{"Cod", {"DROP INDEX Pedidos.IX_cod"}}, {"fecha", {"DROP INDEX Pedidos.IX_cod"}},
                 {"Codigo", {"DROP INDEX Pedidos.PK_Pedidos"}}, {"Co", {}}};
    for (const auto& c : casos) {
        ListaSentencias indices, vinculos;
        conexion->Enviadas.clear();
        d->BuscaCargaIndices("Pedidos", c.campo, indices, "101", vinculos, d->Propietario);
        EXPECT_EQ(Sentencias(conexion->Enviadas), c.borrados) << c.campo;
        EXPECT_EQ(indices.Sentencias().size(), c.borrados.size()) << c.campo;
    }
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// Whatever fails, the transaction is rolled back, the failure is reported
// once, the design is as it was, and the next save runs it all again.
TEST_F(Grabacion, AFailureRollsBackAndTheNextSaveRunsAgain) {
    const QString alter = "ALTER TABLE Tienda..Pedidos  ALTER COLUMN importe decimal (18,2)  NULL";
    const QString drop = "ALTER TABLE Tienda..Pedidos  DROP COLUMN antiguo";
    const struct Caso {
        const char* que;
        std::function<void(ConexionGuion&)> falla, arregla;
        QString caja;
    } casos[] = {
        {"a refused ALTER COLUMN", [&](ConexionGuion& c) { c.Falla(alter, 5074, "The object is dependent on column."); },
         [&](ConexionGuion& c) { c.Responde(alter, QStringList{}); }, " Error Nº:5074 (The object is dependent on column.)."},
        {"a refused DROP COLUMN", [&](ConexionGuion& c) { c.Falla(drop, 4922, "ALTER TABLE DROP COLUMN failed."); },
         [&](ConexionGuion& c) { c.Responde(drop, QStringList{}); }, " Error Nº:4922 (ALTER TABLE DROP COLUMN failed.)."},
        {"a lookup that fails",
         [](ConexionGuion& c) { c.Falla(EnSyscolumns("name", "cliente"), 229, "SELECT permission denied."); },
         [](ConexionGuion& c) { c.Responde(EnSyscolumns("name", "cliente"), QStringList{"name"}, {{"cliente"}}); },
         " Error Nº:229 (SELECT permission denied.)."},
        {"a rollback the server had ended already",
         [&](ConexionGuion& c) {
             c.Falla(alter, 1205, "Transaction was deadlocked.");
             c.Falla("<RollbackTrans>", 3903, "No corresponding BEGIN TRANSACTION.");
         },
         [&](ConexionGuion& c) {
             c.Responde(alter, QStringList{});
             c.Responde("<RollbackTrans>", QStringList{});
         },
         " Error Nº:1205 (Transaction was deadlocked.)."},
    };
    for (const auto& caso : casos) {
        auto* d = Existente();
        const QStringList antes = Diseño(d);
        caso.falla(*conexion);
        conexion->Enviadas.clear();
        EXPECT_FALSE(d->ActualizaLaTabla()) << caso.que;
        EXPECT_EQ(conexion->Enviadas.last(), QStringLiteral("<RollbackTrans>")) << caso.que;
        EXPECT_EQ(TextosCajas(), QStringList{caso.caja}) << caso.que;
        EXPECT_EQ(Diseño(d), antes) << caso.que;
        EXPECT_EQ(puntero.actual, vb::vbDefault);
        caso.arregla(*conexion);
        mensajes.Cajas().clear();
        conexion->Enviadas.clear();
        EXPECT_TRUE(d->ActualizaLaTabla()) << caso.que;
        EXPECT_EQ(conexion->Enviadas.last(), QStringLiteral("<CommitTrans>")) << caso.que;
        EXPECT_TRUE(TextosCajas().isEmpty()) << caso.que;
        d->DescargaSinPreguntar();
    }
}

TEST_F(Grabacion, ANewTableNamedLikeAnExistingOneIsRefused) {
    auto* d = Nuevo();
    d->txtNombreTabla->setText(QStringLiteral("Pedidos"));
    Fila(d, 0, {"", "id", "8", "4", "10", "0", "0"});
    conexion->Responde("Select name from Tienda..sysobjects where name = 'Pedidos' and type = 'U'", QStringList{"name"},
                       {{"Pedidos"}});
    conexion->Enviadas.clear();
    EXPECT_FALSE(d->ActualizaLaTabla());
    EXPECT_EQ(TextosCajas(), QStringList{"La tabla Pedidos ya existe."});
    EXPECT_EQ(Sentencias(conexion->Enviadas), (QStringList{"<BeginTrans>", "USE Tienda", "<RollbackTrans>"}));
}

// A key of the table to itself: the cascade of the key column alters the
// joined column too, and the save, reaching that column's row, counts it as
// the cascade left it instead of altering it back; the designer then shows
// the column as it is.
TEST_F(Grabacion, ASelfReferenceStaysAsTheCascadeLeftIt) {
    auto* d = Nuevo();
    d->txtNombreTabla->setText(QStringLiteral("Personas"));
    d->NombreTablaInicial = QStringLiteral("Personas");
    Fila(d, 0, {"M", "Id", "16", "2", "5", "0", "0", "", "", "Id"});    // int becomes smallint
    Fila(d, 1, {"M", "Jefe", "8", "4", "10", "0", "0", "", "", "Jefe"});  // as loaded
    CatalogoClaves catalogo(*conexion);
    catalogo.Tabla("Personas", 5, {"Id", "Jefe"});
    catalogo.Claves({{"Personas", "Jefe", "Personas", "Id", "FK_Jefe", 21}});
    conexion->Responde("Select name from Tienda..sysobjects where name = 'Personas' and type = 'U'", QStringList{"name"},
                       {{"Personas"}});
    // Id is still an int; Jefe already reads as the smallint the cascade made it.
    const QList<QStringList> columnas = {{"Id", "10", "56", "4"}, {"Jefe", "5", "52", "2"}};
    for (const auto& c : columnas) {
        const QString donde = " from Tienda..syscolumns where name = '" + c[0] + "' and id=5";
        conexion->Responde("Select prec" + donde, QStringList{"prec"}, {{c[1]}});
        conexion->Responde("Select xtype" + donde, QStringList{"xtype"}, {{c[2]}});
        conexion->Responde("Select length" + donde, QStringList{"length"}, {{c[3]}});
    }
    conexion->Responde("Select name from Tienda..systypes where xtype=56", QStringList{"name"}, {{"int"}});
    conexion->Responde("Select name from Tienda..systypes where xtype=52", QStringList{"name"}, {{"smallint"}});
    conexion->Enviadas.clear();
    EXPECT_TRUE(d->ActualizaLaTabla()) << TextosCajas().join(u'|').toStdString();
    EXPECT_EQ(Sentencias(conexion->Enviadas),
              (QStringList{"<BeginTrans>", "USE Tienda", "ALTER TABLE Tienda..Personas DROP CONSTRAINT FK_Jefe",
                           "ALTER TABLE Tienda..Personas  ALTER COLUMN Jefe smallint  NOT NULL",
                           "ALTER TABLE Tienda..Personas  ALTER COLUMN Id smallint  NOT NULL",
                           " ALTER TABLE Personas ADD CONSTRAINT [FK_Jefe] FOREIGN KEY (Jefe) REFERENCES Personas (Id)",
                           "<CommitTrans>"}));
    EXPECT_EQ(d->ArrayCampos->LeeCelda(1, TipoDato), QStringLiteral("16"));
    EXPECT_EQ(d->ArrayCampos->LeeCelda(1, Longitud), QStringLiteral("2"));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// A key of the table to itself, not for replication and disabled, through
// the rebuild of the primary key that drops it: its rules are read before
// the first drop, and the relation is made again once, with them.
TEST_F(Grabacion, ASelfReferenceKeepsItsRulesThroughThePrimaryKey) {
    auto* d = Nuevo();
    d->txtNombreTabla->setText(QStringLiteral("Personas"));
    d->NombreTablaInicial = QStringLiteral("Personas");
    CatalogoClaves catalogo(*conexion);
    catalogo.Tabla("Personas", 5, {"Id", "Jefe"});
    catalogo.Claves({{"Personas", "Jefe", "Personas", "Id", "FK_Jefe", 21, {0, 0, 1, 1}}});
    conexion->Responde("Select name from Tienda..sysobjects where name = 'Personas' and type = 'U'", QStringList{"name"},
                       {{"Personas"}});
    conexion->Responde("Select name from Tienda..sysindexes where name = 'PK_Personas' and id=5", QStringList{"name"},
                       {{"PK_Personas"}});
    const QString idClave = "Select id from Tienda..sysobjects where name = 'FK_Jefe' and parent_obj=5";
    conexion->Responde(idClave, QStringList{"id"}, {{21}});
    QStringList columnas{"constid", "fkeyid", "rkeyid"};
    QList<QVariant> clave{21, 5, 5};
    for (const char* f : {"fkey", "rkey"})
        for (int k = 1; k <= 16; ++k) {
            columnas << f + QString::number(k);
            clave << (k > 1 ? 0 : f[0] == 'f' ? 2 : 1);
        }
    conexion->Responde("SELECT * from Tienda..sysreferences WHERE rkeyid=5", columnas, {clave});
    for (int k = 0; k < 6; ++k) d->TablaIndices(0, 0, k) = QStringList{"PK_Personas", "P", "1", "1", "", ""}[k];
    d->ArrayIndices(0, 0) = std::make_shared<GridDataArray>();
    d->ArrayIndices(0, 0)->Redimensiona(0, 200, 0, 2);
    d->ArrayIndices(0, 0)->GrabaCelda(0, 1, "Id");
    d->NumeroIndices = 1;
    d->IndicesCargados = {{QStringLiteral("PK_Personas"), QStringLiteral("PK")}};
    d->TablaRelaciones(0, 0) = QStringLiteral("FK_Jefe");
    d->ArrayRelaciones(0, 0) = std::make_shared<GridDataArray>();
    d->ArrayRelaciones(0, 0)->Redimensiona(0, 200, 0, 4);
    for (int k = 1; k <= 3; ++k) d->ArrayRelaciones(0, 0)->GrabaCelda(0, k, QStringList{"", "Jefe", "Id", "Personas"}[k]);
    d->NumeroRelaciones = 1;
    conexion->Enviadas.clear();
    EXPECT_TRUE(d->ActualizaLaTabla()) << TextosCajas().join(u'|').toStdString();
    const QString baja = "ALTER TABLE Tienda..Personas DROP CONSTRAINT FK_Jefe";
    EXPECT_LT(conexion->Enviadas.indexOf(idClave), conexion->Enviadas.indexOf(baja));
    EXPECT_EQ(Sentencias(conexion->Enviadas),
              (QStringList{"<BeginTrans>", "USE Tienda", baja, "ALTER TABLE Tienda..Personas DROP CONSTRAINT PK_Personas",
                           "ALTER TABLE Tienda..Personas WITH NOCHECK ADD CONSTRAINT PK_Personas PRIMARY KEY  CLUSTERED  (Id)\r",
                           "Use Tienda",
                           "ALTER TABLE Personas WITH NOCHECK ADD CONSTRAINT [FK_Jefe] FOREIGN KEY (Jefe ) REFERENCES "
                           "Personas (Id) NOT FOR REPLICATION",
                           "ALTER TABLE Personas NOCHECK CONSTRAINT [FK_Jefe]", "<CommitTrans>"}));
}

// A changed column that an index lists: the index goes first, the column is
// altered, and the index comes back with its keys as sp_helpindex names
// them (" x " with its blanks, descending; " y " with its blanks).
TEST_F(Grabacion, AnIndexOfAnAlteredColumnIsDroppedBeforeAndMadeAfter) {
    auto* d = Existente();
    conexion->Responde("exec sp_helpindex 'Pedidos'", QStringList{"index_name", "index_description", "index_keys"},
                       {{"IX_imp", "nonclustered located on PRIMARY", "importe,  x (-),  y "}});
    conexion->Responde("Select name from Tienda..sysindexes where name = 'IX_imp' and id=101", QStringList{"name"},
                       {{"IX_imp"}});
    conexion->Enviadas.clear();
    EXPECT_TRUE(d->ActualizaLaTabla());
    QStringList esperadas = AlteraPedidos();  // its ALTER COLUMN importe is the fourth
    esperadas.insert(3, "DROP INDEX Pedidos.IX_imp");
    esperadas.insert(5, " CREATE   NONCLUSTERED INDEX IX_imp ON Pedidos (importe, [ x ] DESC, [ y ])  ");
    EXPECT_EQ(Sentencias(conexion->Enviadas), esperadas);
}
