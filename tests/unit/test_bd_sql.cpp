// The designer's statement procedures against a scripted catalog: what they
// ask, what they send and in which order, and what a failure leaves.

#include "common/globales.h"
#include "common/texto.h"
#include "support/entorno.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <memory>

namespace {

const QString kCaja13 = QStringLiteral(" Error Nº:13 (");

QString IdTabla(const QString& t) {
    return "Select id from Tienda..sysobjects where name = '" + LiteralSQL(t) + "' and type = 'U'";
}
QString DatoColumna(const QString& dato, const QString& c, int id) {
    return "Select " + dato + " from Tienda..syscolumns where name = '" + LiteralSQL(c) + "' and id=" +
           QString::number(id);
}
QString NombrePorId(int id) { return "Select name from Tienda..sysobjects where id=" + QString::number(id); }
QString ColumnaPorId(int id, int colid) {
    return "Select name from Tienda..syscolumns where id=" + QString::number(id) + " and colid=" + QString::number(colid);
}
QString ExisteDefault(const QString& d) {
    return "Select name from Tienda..sysobjects where name = '" + LiteralSQL(d) + "' and type = 'D' and parent_obj=5";
}
QString Reglas(int id) { return ConsultaReglasVinculo(QString::number(id)); }

}  // namespace

class ModuloDDL : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        conexion->AbreSinMas();
        Conexion = conexion;
        PrefijoBD = QStringLiteral("Tienda..");
    }
    void TearDown() override {
        ReiniciaBD_SQL();
        PruebaTolvek::TearDown();
    }
    void Tabla(const QString& t, int id) { conexion->Responde(IdTabla(t), QStringList{"id"}, {{id}}); }
    // A column of the table: its row of syscolumns, field by field.
    void Columna(const QString& c, int id, const QMap<QString, QVariant>& datos) {
        conexion->Responde(DatoColumna("name", c, id), QStringList{"name"}, {{c}});
        for (auto d = datos.begin(); d != datos.end(); ++d)
            conexion->Responde(DatoColumna(d.key(), c, id), QStringList{d.key()}, {{d.value()}});
    }
    void Nombre(const QString& sql, const QString& nombre) { conexion->Responde(sql, QStringList{"name"}, {{nombre}}); }
    // A foreign key referencing table rkeyid, with its column pairs (colids).
    QList<QVariant> Referencia(int constid, int fkeyid, int rkeyid, const QList<QPair<int, int>>& pares) {
        QList<QVariant> fila{constid, fkeyid, rkeyid};
        for (int k = 0; k < 16; ++k) fila << (k < pares.size() ? pares[k].first : 0);
        for (int k = 0; k < 16; ++k) fila << (k < pares.size() ? pares[k].second : 0);
        return fila;
    }
    void Referencias(const QString& sql, const QList<QList<QVariant>>& filas) {
        QStringList columnas{"constid", "fkeyid", "rkeyid"};
        for (const char* f : {"fkey", "rkey"})
            for (int k = 1; k <= 16; ++k) columnas << f + QString::number(k);
        conexion->Responde(sql, columnas, filas);
    }
    void ReglasDe(int constid, QList<QVariant> valores) {
        conexion->Responde(Reglas(constid), QStringList{"a", "b", "c", "d"}, {valores});
    }
};

TEST_F(ModuloDDL, NewColumnsOfANewTable) {
    Sql_Tabla = QStringLiteral("CREATE TABLE Tienda..Pedidos (");
    const struct {
        const char *campo, *longitud, *nulo;
        qint16 tipo;
        const char* valor;
    } campos[] = {{"Id", "4", "0", 8, ""}, {"Alta", "8", "-1", 4, "getdate()"}, {"Nombre", "50", "0", 23, ""}};
    for (const auto& c : campos) {
        ++NumCampos;  // counted by the save before each call
        ASSERT_TRUE(Crea_Campo("Pedidos", c.campo, c.longitud, "0", "0", c.nulo, c.tipo, c.valor));
    }
    EXPECT_EQ(Sql_Tabla, QStringLiteral("CREATE TABLE Tienda..Pedidos (Id int   NOT NULL,\r"
                                        "Alta datetime   NULL CONSTRAINT [DF_Pedidos_Alta] DEFAULT (getdate()),\r"
                                        "Nombre varchar  (50)  NOT NULL"));
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
}

TEST_F(ModuloDDL, NewColumnsOfAnExistingTable) {
    ExisteLaTabla = true;
    Sql_Tabla = QStringLiteral("ALTER TABLE Tienda..[Pedidos 2004] ");
    NumCampos = 1;
    EXPECT_TRUE(Crea_Campo("Pedidos 2004", "a]b", "50", "0", "0", "0", 13, "N'x'"));
    // An unlisted code writes no clause, but the separator stays.
    NumCampos = 2;
    EXPECT_TRUE(Crea_Campo("Pedidos 2004", "x", "8", "0", "0", "-1", 0, ""));
    EXPECT_EQ(Sql_Tabla, QStringLiteral("ALTER TABLE Tienda..[Pedidos 2004]  ADD [a]]b] nvarchar (50)  NOT NULL "
                                        "CONSTRAINT [DF_Pedidos 2004_a]]b] DEFAULT (N'x'),\r"));
    // A size that is not a number is a reported failure; the statement stays.
    NumCampos = 3;
    EXPECT_FALSE(Crea_Campo("Pedidos 2004", "y", "5) --", "0", "0", "-1", 23, ""));
    EXPECT_TRUE(Sql_Tabla.endsWith(QStringLiteral(",\r")));
    ASSERT_EQ(TextosCajas().size(), 1);
    EXPECT_TRUE(TextosCajas()[0].startsWith(kCaja13));
}

TEST_F(ModuloDDL, ColumnComparedWithTheCatalog) {
    Tabla("Pedidos", 5);
    Columna("Alta", 5, {{"prec", 23}, {"xtype", 61}, {"isnullable", 0}, {"length", 8}, {"cdefault", 77}});
    Nombre(ExisteDefault("DF_Alta"), "DF_Alta");
    conexion->Responde("Select text from Tienda..syscomments where id=77", QStringList{"text"}, {{"(getdate())"}});
    Nombre("Select name from Tienda..systypes where xtype=61", "datetime");
    EXPECT_FALSE(CampoModificado("Pedidos", "Alta", "8", "0", "0", "0", "4", "getdate()", "DF_Alta"));
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{IdTabla("Pedidos"), DatoColumna("name", "Alta", 5), DatoColumna("prec", "Alta", 5),
                           DatoColumna("xtype", "Alta", 5), DatoColumna("isnullable", "Alta", 5),
                           DatoColumna("length", "Alta", 5), ExisteDefault("DF_Alta"),
                           DatoColumna("cdefault", "Alta", 5), "Select text from Tienda..syscomments where id=77",
                           "Select name from Tienda..systypes where xtype=61"}));
    EXPECT_TRUE(CampoModificado("Pedidos", "Alta", "8", "0", "0", "-1", "4", "getdate()", "DF_Alta"));
    EXPECT_TRUE(CampoModificado("Pedidos", "Alta", "8", "0", "0", "0", "15", "getdate()", "DF_Alta"));
    // bigint is not in the list: its code 0 never counts as a change of type.
    Columna("Total", 5, {{"prec", 19}, {"xtype", 127}, {"isnullable", 1}, {"length", 8}, {"cdefault", 0}});
    Nombre("Select name from Tienda..systypes where xtype=127", "bigint");
    EXPECT_FALSE(CampoModificado("Pedidos", "Total", "8", "0", "0", "-1", "0", "", ""));
    EXPECT_TRUE(CampoModificado("Pedidos", "Total", "8", "0", "0", "-1", "8", "", ""));
    // nvarchar(50) keeps 50 characters in prec, 100 bytes in length: 100 is a change.
    Columna("Nota", 5, {{"prec", 50}, {"xtype", 231}, {"isnullable", 1}, {"length", 100}, {"cdefault", 0}});
    Nombre("Select name from Tienda..systypes where xtype=231", "nvarchar");
    EXPECT_FALSE(CampoModificado("Pedidos", "Nota", "50", "0", "0", "-1", "13", "", ""));
    EXPECT_TRUE(CampoModificado("Pedidos", "Nota", "100", "0", "0", "-1", "13", "", ""));
    // No such table or column: unchanged.
    conexion->Enviadas.clear();
    EXPECT_FALSE(CampoModificado("Otra", "Alta", "8", "0", "0", "0", "4", "", ""));
    EXPECT_FALSE(CampoModificado("Pedidos", "Nada", "8", "0", "0", "0", "4", "", ""));
    EXPECT_EQ(conexion->Enviadas, (QStringList{IdTabla("Otra"), IdTabla("Pedidos"), DatoColumna("name", "Nada", 5)}));
    // A catalog that cannot be read is reported once, and nothing changed.
    conexion->Falla(DatoColumna("prec", "Alta", 5), 229, "Permission denied.");
    EXPECT_FALSE(CampoModificado("Pedidos", "Alta", "1", "0", "0", "-1", "4", "", ""));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:229 (Permission denied.)."});
}

TEST_F(ModuloDDL, AlteringAColumn) {
    Intercalacion = QStringLiteral("Modern_Spanish_CI_AS");
    Tabla("Pedidos 2004", 5);
    Columna("Nombre", 5, {});
    Nombre(ExisteDefault("DF_Nombre"), "DF_Nombre");
    EXPECT_TRUE(Modifica_Campo_SQL("Pedidos 2004", "Nombre", "20", "0", "0", "-1", "23", "'x'", "DF_Nombre"));
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{IdTabla("Pedidos 2004"), DatoColumna("name", "Nombre", 5), ExisteDefault("DF_Nombre"),
                           "ALTER TABLE Tienda..[Pedidos 2004] DROP CONSTRAINT [DF_Nombre]",
                           "ALTER TABLE Tienda..[Pedidos 2004]  ALTER COLUMN Nombre varchar  (20)  COLLATE "
                           "Modern_Spanish_CI_AS  NULL",
                           "ALTER TABLE Tienda..[Pedidos 2004] WITH NOCHECK ADD  CONSTRAINT [DF_Nombre] DEFAULT ('x') "
                           "FOR [Nombre]"}));
    // A column's own collation stays: the database's is for one without.
    conexion->Enviadas.clear();
    EXPECT_TRUE(Modifica_Campo_SQL("Pedidos 2004", "Nombre", "20", "0", "0", "0", "23", "", "", "Latin1_General_BIN"));
    EXPECT_EQ(conexion->Enviadas.mid(2), QStringList{"ALTER TABLE Tienda..[Pedidos 2004]  ALTER COLUMN Nombre varchar  "
                                                     "(20)  COLLATE Latin1_General_BIN  NOT NULL"});
    // A decimal takes the precision and scale given; an emptied default is
    // dropped and not added.
    Columna("Importe", 5, {{"prec", 18}, {"scale", 2}});
    conexion->Enviadas.clear();
    EXPECT_TRUE(Modifica_Campo_SQL("Pedidos 2004", "Importe", "13", "20", "4", "0", "5", "", "DF_Nombre"));
    EXPECT_EQ(conexion->Enviadas.mid(2),
              (QStringList{ExisteDefault("DF_Nombre"), "ALTER TABLE Tienda..[Pedidos 2004] DROP CONSTRAINT [DF_Nombre]",
                           "ALTER TABLE Tienda..[Pedidos 2004]  ALTER COLUMN Importe decimal (20,4)  NOT NULL"}));
    // image, ntext and unlisted types cannot be altered: refused, nothing sent.
    for (const char* tipo : {"7", "11", "0"}) {
        conexion->Enviadas.clear();
        EXPECT_FALSE(Modifica_Campo_SQL("Pedidos 2004", "Nombre", "16", "0", "0", "-1", tipo, "0", "DF_Nombre"));
        EXPECT_EQ(conexion->Enviadas.size(), 2) << tipo;
        EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:-2147220990 (No se puede modificar la columna Nombre de la "
                                             "tabla Pedidos 2004: su tipo no lo admite.)."})
            << tipo;
        mensajes.Cajas().clear();
    }
    // A refused ALTER leaves the default unsent.
    conexion->FallaPatron("ALTER COLUMN", 4928, "Cannot alter column.");
    conexion->Enviadas.clear();
    EXPECT_FALSE(Modifica_Campo_SQL("Pedidos 2004", "Nombre", "20", "0", "0", "-1", "19", "1", ""));
    EXPECT_TRUE(conexion->Enviadas.last().contains(QStringLiteral(" timestamp ")));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:4928 (Cannot alter column.)."});
}

TEST_F(ModuloDDL, IndexStatementsAssembled) {
    // Head, the key columns in row order, tail.
    Sql_Indice = ListaSentencias(CabeceraIndice(PrefijoBD, "Pedidos 2004", "PK 1", "P", "1", "0"));
    for (const char* c : {"Id", "Linea 2"}) EXPECT_TRUE(Crea_Indice("Pedidos 2004", "PK 1", c, "P", "1", "0"));
    Sql_Indice.AgregaTexto(ColaIndice(Sql_Columnas, "P", "90", "", false));
    EXPECT_EQ(Sql_Indice.Texto(), QStringLiteral("ALTER TABLE Tienda..[Pedidos 2004] WITH NOCHECK ADD CONSTRAINT [PK 1] "
                                                 "PRIMARY KEY  NONCLUSTERED  (Id,[Linea 2])\r WITH FILLFACTOR = 90"));
    Sql_Columnas.clear();
    Sql_Indice = ListaSentencias(CabeceraIndice(PrefijoBD, "Pedidos", "IX", "I", "0", "0"));
    EXPECT_TRUE(Crea_Indice("Pedidos", "IX", "Fecha", "I", "0", "0"));
    EXPECT_TRUE(Crea_Indice("Pedidos", "IX", "Cliente", "", "0", "0"));
    EXPECT_TRUE(Crea_Indice("Pedidos", "IX", "Otra", "X", "0", "0"));
    EXPECT_TRUE(Crea_Indice("Pedidos", "IX", "a]b c", "I", "0", "0", true));
    EXPECT_EQ(Sql_Indice.Texto(), QStringLiteral("CREATE  INDEX IX  ON Tienda..Pedidos "));
    EXPECT_EQ(Sql_Columnas, QStringLiteral("Fecha,Cliente,[a]]b c] DESC"));
    Sql_Columnas.clear();
    EXPECT_TRUE(Crea_Indice("Pedidos", "IX", "Fecha", "I", "0", "0", true));
    EXPECT_EQ(Sql_Columnas, QStringLiteral("Fecha DESC"));
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
}

// juan's Pedidos, referenced by dbo's Lineas and by ana's Envíos: each
// table is named with its owner.
TEST_F(ModuloDDL, OtherTablesKeysDroppedAndListedWithTheirRules) {
    conexion->Responde(IdTabla("Pedidos") + " and uid = (select uid from Tienda..sysusers where name = 'juan')",
                       QStringList{"id"}, {{5}});
    for (const auto& [id, uid, propietario] : {std::tuple{10, 1, "dbo"}, {20, 6, "ana"}}) {
        conexion->Responde("Select * from Tienda..sysobjects where id=" + QString::number(id), QStringList{"uid"}, {{uid}});
        Nombre("Select name from Tienda..sysusers where uid=" + QString::number(uid), propietario);
    }
    QList<QPair<int, int>> dieciseis;
    for (int k = 1; k <= 16; ++k) {
        dieciseis.append({k, k + 20});
        Nombre(ColumnaPorId(10, k), "L" + QString::number(k));
        Nombre(ColumnaPorId(5, k + 20), "P" + QString::number(k));
    }
    Referencias("SELECT * from Tienda..sysreferences WHERE rkeyid=5",
                {Referencia(100, 10, 5, dieciseis), Referencia(200, 20, 5, {{3, 21}})});
    Nombre(NombrePorId(5), "Pedidos");
    Nombre(NombrePorId(10), "Lineas");
    Nombre(NombrePorId(100), "FK_Lineas");
    Nombre(NombrePorId(20), "Envíos 2004");
    Nombre(NombrePorId(200), "FK]Envios");
    Nombre(ColumnaPorId(20, 3), "Pedido");
    ReglasDe(100, {1, 0, 0, 0});
    ReglasDe(200, {0, 0, 1, 1});
    ListaSentencias lista(QStringLiteral("CREATE INDEX i ON t (c)"));
    EXPECT_TRUE(EliminaVinculos(Conexion, "Pedidos", lista, "juan"));
    QStringList propias, referidas;
    for (int k = 1; k <= 16; ++k) propias << "L" + QString::number(k), referidas << "P" + QString::number(k);
    EXPECT_EQ(lista.Envios(),
              (QStringList{"CREATE INDEX i ON t (c)",
                           "  ALTER TABLE Lineas ADD CONSTRAINT [FK_Lineas] FOREIGN KEY (" + propias.join(',') +
                               ") REFERENCES juan.Pedidos (" + referidas.join(',') + ") ON DELETE CASCADE",
                           "  ALTER TABLE ana.[Envíos 2004] WITH NOCHECK ADD CONSTRAINT [FK]]Envios] FOREIGN KEY (Pedido) "
                           "REFERENCES juan.Pedidos (P1) NOT FOR REPLICATION",
                           "  ALTER TABLE ana.[Envíos 2004] NOCHECK CONSTRAINT [FK]]Envios]"}));
    QStringList drops;
    for (const QString& s : conexion->Enviadas)
        if (s.startsWith(QStringLiteral("ALTER"))) drops << s;
    EXPECT_EQ(drops, (QStringList{"ALTER TABLE Tienda..Lineas DROP CONSTRAINT FK_Lineas",
                                  "ALTER TABLE Tienda.ana.[Envíos 2004] DROP CONSTRAINT [FK]]Envios]"}));
    // The list runs statement by statement; a failure stops it.
    conexion->Enviadas.clear();
    conexion->FallaPatron("NOCHECK ADD", 547, "Conflict.");
    EXPECT_EQ(FalloDe([&] { EjecutaLista(Conexion, lista); }).Numero, 547);
    EXPECT_EQ(conexion->Enviadas, lista.Envios().mid(0, 3));
}

TEST_F(ModuloDDL, AKeyThatCannotBeRecreatedStays) {
    Tabla("Pedidos", 5);
    Referencias("SELECT * from Tienda..sysreferences WHERE rkeyid=5",
                {Referencia(100, 10, 5, {{1, 1}}), Referencia(200, 20, 5, {{2, 1}})});
    for (auto [id, nombre] : {std::pair{5, "Pedidos"}, {10, "Lineas"}, {100, "FK1"}, {20, "Envios"}, {200, "FK2"}})
        Nombre(NombrePorId(id), nombre);
    Nombre(ColumnaPorId(10, 1), "Pedido");
    Nombre(ColumnaPorId(5, 1), "Id");
    ReglasDe(100, {0, 0, 0, 0});
    ReglasDe(200, {0, 0, 0, 0});
    // The second key's column is not in the catalog.
    ListaSentencias lista;
    EXPECT_FALSE(EliminaVinculos(Conexion, "Pedidos", lista));
    EXPECT_EQ(lista.Envios(),
              QStringList{" ALTER TABLE Lineas ADD CONSTRAINT [FK1] FOREIGN KEY (Pedido) REFERENCES Pedidos (Id)"});
    EXPECT_FALSE(conexion->Enviadas.contains(QStringLiteral("ALTER TABLE Tienda..Envios DROP CONSTRAINT FK2")));
    EXPECT_TRUE(conexion->Enviadas.contains(QStringLiteral("ALTER TABLE Tienda..Lineas DROP CONSTRAINT FK1")));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:-2147220991 (No se puede volver a crear la clave externa FK2 de "
                                         "la tabla Envios: se deja como está.)."});
    // Rules the current database cannot tell (another database's key) keep
    // it in place too.
    Nombre(ColumnaPorId(20, 2), "Pedido");
    conexion->Responde(Reglas(200), QStringList{"a", "b", "c", "d"}, {{QVariant(), QVariant(), QVariant(), QVariant()}});
    lista.Vacia();
    conexion->Enviadas.clear();
    EXPECT_FALSE(EliminaVinculos(Conexion, "Pedidos", lista));
    EXPECT_EQ(lista.Sentencias().size(), 1);
    EXPECT_EQ(conexion->Enviadas.filter(QStringLiteral("DROP")).size(), 1);
    EXPECT_EQ(TextosCajas().size(), 2);
    // A table no key references leaves the list as it was.
    Tabla("Sola", 6);
    ListaSentencias otra(QStringLiteral("x"));
    EXPECT_TRUE(EliminaVinculos(Conexion, "Sola", otra));
    EXPECT_EQ(otra.Texto(), QStringLiteral("x"));
}

TEST_F(ModuloDDL, CatalogTests) {
    Tabla("Pedidos 2004", 5);
    Tabla("Clientes", 6);
    Nombre("Select name from Tienda..sysobjects where name = 'Pedidos 2004' and type = 'U'", "Pedidos 2004");
    Nombre(DatoColumna("name", "O'Brien", 5), "O'Brien");
    Nombre("Select name from Tienda..sysindexes where name = 'IX 1' and id=5", "IX 1");
    conexion->Responde("Select fkeyid from Tienda..sysreferences where fkeyid=5 and rkeyid=6", QStringList{"f"}, {{5}});
    EXPECT_TRUE(ExisteTabla(Conexion, "Pedidos 2004"));
    EXPECT_FALSE(ExisteTabla(Conexion, "Otra"));
    EXPECT_TRUE(ExisteCampo(Conexion, "Pedidos 2004", "O'Brien"));
    EXPECT_FALSE(ExisteCampo(Conexion, "Pedidos 2004", "Nada"));
    EXPECT_TRUE(ExisteElIndice(Conexion, "Pedidos 2004", "IX 1"));
    EXPECT_FALSE(ExisteElIndice(Conexion, "Otra", "IX 1"));
    const qsizetype antes = conexion->Enviadas.size();
    EXPECT_FALSE(ExisteElIndice(Conexion, "Pedidos 2004", ""));
    EXPECT_FALSE(ExisteLaRelacion(Conexion, "Pedidos 2004", "Clientes", ""));
    EXPECT_EQ(conexion->Enviadas.size(), antes);
    EXPECT_TRUE(ExisteLaRelacion(Conexion, "Pedidos 2004", "Clientes", "Cliente"));
    EXPECT_FALSE(ExisteLaRelacion(Conexion, "Clientes", "Pedidos 2004", "Cliente"));
    // Unlike ExisteRegistro, a query that fails answers no.
    conexion->Falla("Select name from Tienda..sysobjects where name = 'Rota' and type = 'U'", 229, "Denied.");
    EXPECT_FALSE(ExisteTabla(Conexion, "Rota"));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:229 (Denied.)."});
}

TEST_F(ModuloDDL, DesignersOwnKeysAndDefaults) {
    auto diseñador = std::make_unique<frmTabla>();
    Tabla("Lineas 2", 10);
    Referencias("SELECT * from Tienda..sysreferences WHERE fkeyid=10",
                {Referencia(100, 10, 5, {{1, 1}}), Referencia(200, 10, 6, {{2, 1}, {3, 2}})});
    Nombre(ColumnaPorId(10, 1), "Pedido");
    Nombre(ColumnaPorId(10, 2), "Cliente");
    Nombre(ColumnaPorId(10, 3), "Tienda");
    Nombre(NombrePorId(10), "Lineas 2");
    Nombre(NombrePorId(100), "FK_Pedido");
    Nombre(NombrePorId(200), "FK Cliente");
    EXPECT_TRUE(diseñador->EliminaLosVinculos(Conexion, "Lineas 2", "Tienda"));
    EXPECT_EQ(conexion->Enviadas.filter(QStringLiteral("DROP")),
              QStringList{"ALTER TABLE Tienda..[Lineas 2] DROP CONSTRAINT [FK Cliente]"});
    conexion->Enviadas.clear();
    EXPECT_TRUE(diseñador->EliminaLosVinculos(Conexion, "Lineas 2", ""));
    EXPECT_EQ(conexion->Enviadas.filter(QStringLiteral("DROP")),
              (QStringList{"ALTER TABLE Tienda..[Lineas 2] DROP CONSTRAINT FK_Pedido",
                           "ALTER TABLE Tienda..[Lineas 2] DROP CONSTRAINT [FK Cliente]"}));
    conexion->Responde("SELECT * from Tienda..sysobjects where xtype='D'  and parent_obj=10", QStringList{"Name"},
                       {{"DF_Lineas 2_a]b"}, {"DF_x"}});
    conexion->Enviadas.clear();
    EXPECT_TRUE(diseñador->EliminaConstraint(Conexion, "Lineas 2"));
    EXPECT_EQ(conexion->Enviadas.filter(QStringLiteral("DROP")),
              (QStringList{"ALTER TABLE Tienda..[Lineas 2] DROP CONSTRAINT [DF_Lineas 2_a]]b]",
                           "ALTER TABLE Tienda..[Lineas 2] DROP CONSTRAINT [DF_x]"}));
    // A refused drop is reported under the procedure and stops it.
    conexion->FallaPatron("DROP CONSTRAINT \\[DF_x", 3725, "Referenced.");
    EXPECT_FALSE(diseñador->EliminaConstraint(Conexion, "Lineas 2"));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:3725 (Referenced.)."});
}
