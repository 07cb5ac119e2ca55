// The designer's statement texts without a window or a connection: the type
// table, the column, index and foreign-key texts with ordinary and hostile
// names, catalog defaults, and statement lists against the text splitter
// they replace.

#include "common/texto.h"
#include "support/entorno.h"
#include "tabledesigner/textosddl.h"

namespace {

// How a list joined by " * " was run: cut at every "*", the blank before it
// dropped, the one after it sent with the next piece; blank pieces not sent.
QStringList CortaComoTexto(QString lista) {
    QStringList enviadas;
    qsizetype inicio = 0;
    while (!Trim(lista).isEmpty()) {
        const qsizetype p = lista.indexOf(u'*', inicio);
        QString pieza;
        if (p < 0) {
            pieza = lista.mid(inicio);
            lista.clear();
        } else {
            pieza = lista.mid(inicio, p - inicio - 1);
            inicio = p + 1;
        }
        if (!Trim(pieza).isEmpty()) enviadas.append(pieza);
    }
    return enviadas;
}

}  // namespace

TEST(TextosDDL, TypeTableDefaultsAndLocks) {
    auto inicial = [](const char* codigo) {
        const TipoColumna* t = TipoPorCodigo(QString::fromLatin1(codigo));
        return t->Nombre + u' ' + t->LongitudInicial + u',' + t->PrecisionInicial + u',' + t->EscalaInicial;
    };
    EXPECT_EQ(inicial("23"), QStringLiteral("varchar 8,0,0"));
    EXPECT_EQ(inicial("13"), QStringLiteral("nvarchar 50,0,0"));
    EXPECT_EQ(inicial("5"), QStringLiteral("decimal 9,18,0"));
    EXPECT_EQ(inicial("12"), QStringLiteral("numeric 9,18,0"));
    EXPECT_EQ(inicial("9"), QStringLiteral("money 8,19,4"));
    EXPECT_EQ(inicial("17"), QStringLiteral("smallmoney 4,10,4"));
    EXPECT_EQ(inicial("8"), QStringLiteral("int 4,10,0"));
    EXPECT_EQ(TipoPorDefecto().Codigo + inicial("3"), QStringLiteral("3char 10,0,0"));
    // Editable cells: L length, P precision, S scale; an unlisted cell locks nothing.
    auto editables = [](const QString& codigo) {
        const BloqueoCeldas b = BloqueosDeTipo(codigo);
        return QString(b.BloqueaLongitud ? "" : "L") + (b.BloqueaPrecision ? "" : "P") + (b.BloqueaEscala ? "" : "S");
    };
    QString porCodigo;
    for (const TipoColumna& t : TiposColumna()) {
        porCodigo += editables(t.Codigo) + u'|';
        EXPECT_EQ(TipoPorCodigo(t.Codigo.toInt()), &t);
    }
    EXPECT_EQ(porCodigo, QStringLiteral("L||L||PS|||||L||PS|L|||||||||L|L|"));
    for (const char* otro : {"", "0", "24", " 3", "03"}) {
        EXPECT_EQ(TipoPorCodigo(QString::fromLatin1(otro)), nullptr) << otro;
        EXPECT_EQ(editables(QString::fromLatin1(otro)), QStringLiteral("LPS"));
    }
}

TEST(TextosDDL, ClausesOfEveryType) {
    // Code, the clause (nullptr: never altered; new columns of image and
    // ntext are checked below), and whether an altered column takes the
    // collation. Decimal and numeric: the grid's precision and scale, for a
    // new column and for an altered one (18,4 here).
    const struct {
        const char* codigo;
        const char* clausula;
        bool intercalacion;
    } tipos[] = {
        {"1", " binary (20) ", false},   {"2", " bit  ", false},          {"3", " char (20) ", true},
        {"4", " datetime  ", false},     {"5", " decimal (18,4) ", false}, {"6", " float ", false},
        {"7", nullptr, false},           {"8", " int  ", false},          {"9", " money  ", false},
        {"10", " nchar (20) ", true},    {"11", nullptr, false},          {"12", " numeric  (18,4) ", false},
        {"13", " nvarchar (20) ", true}, {"14", " real  ", false},        {"15", " smalldatetime  ", false},
        {"16", " smallint ", false},     {"17", " smallmoney ", false},   {"18", " text ", true},
        {"19", " timestamp ", false},    {"20", " tinyint ", false},      {"21", " uniqueidentifier ", false},
        {"22", " varbinary  (20) ", false}, {"23", " varchar  (20) ", true}, {"0", nullptr, false},
    };
    for (const auto& t : tipos) {
        const QString codigo = QString::fromLatin1(t.codigo);
        const QStringList s = SentenciasModificaCampo("Tienda..", "Pedidos", "c", "20", "0", codigo, "", "", false,
                                                      "18", "4", "Modern_Spanish_CI_AS");
        if (!t.clausula) {
            EXPECT_EQ(s, QStringList()) << t.codigo;
            continue;
        }
        EXPECT_EQ(ClausulaCampoNuevo("Pedidos", "c", "20", "18", "4", "-1", codigo.toInt(), ""),
                  "c" + QString::fromLatin1(t.clausula) + " NULL");
        EXPECT_EQ(s, QStringList{"ALTER TABLE Tienda..Pedidos  ALTER COLUMN c" + QString::fromLatin1(t.clausula) +
                                 (t.intercalacion ? " COLLATE Modern_Spanish_CI_AS " : "") + " NOT NULL"})
            << t.codigo;
    }
    EXPECT_EQ(ClausulaCampoNuevo("t", "c", "16", "0", "0", "0", 7, ""), QStringLiteral("c image   NOT NULL"));
    EXPECT_EQ(ClausulaCampoNuevo("t", "c", "16", "0", "0", "0", 11, ""), QStringLiteral("c ntext   NOT NULL"));
    // No collation: a single blank in its place.
    EXPECT_EQ(SentenciasModificaCampo("Tienda..", "Pedidos", "c", "20", "-1", "23", "", "", false, "", "", ""),
              QStringList{"ALTER TABLE Tienda..Pedidos  ALTER COLUMN c varchar  (20)   NULL"});
}

TEST(TextosDDL, DefaultsAroundAnAlteredColumn) {
    // A new default takes the name DF_ table _ column; hostile names.
    EXPECT_EQ(SentenciasModificaCampo("Tienda..", "Pedidos 2004", "a]b", "10", "-1", "3", "'x'", "", false, "", "",
                                      ""),
              (QStringList{"ALTER TABLE Tienda..[Pedidos 2004]  ALTER COLUMN [a]]b] char (10)   NULL",
                           "ALTER TABLE Tienda..[Pedidos 2004] WITH NOCHECK ADD  CONSTRAINT [DF_Pedidos 2004_a]]b] "
                           "DEFAULT ('x') FOR [a]]b]"}));
    EXPECT_EQ(SentenciasModificaCampo("T..", "t", "c", "8", "0", "4", "", "DF]1", true, "", "", "").first(),
              QStringLiteral("ALTER TABLE T..t DROP CONSTRAINT [DF]]1]"));
    EXPECT_EQ(FalloDe([] { SentenciasModificaCampo("P..", "t", "c", "20;", "0", "23", "", "", false, "", "", ""); })
                  .Numero,
              errnum::TiposNoCoinciden);
}

TEST(TextosDDL, NewColumnClauseNamesAndSizes) {
    EXPECT_EQ(ClausulaCampoNuevo("Pedidos", "Importe", "9", "10", "2", "-1", 12, ""),
              QStringLiteral("Importe numeric  (10,2)  NULL"));
    EXPECT_EQ(ClausulaCampoNuevo("Pedidos", "Nombre", "50", "0", "0", "0", 13, "'nadie'"),
              QStringLiteral("Nombre nvarchar (50)  NOT NULL CONSTRAINT [DF_Pedidos_Nombre] DEFAULT ('nadie')"));
    EXPECT_EQ(ClausulaCampoNuevo("Pedidos 2004", "a]b", "8", "0", "0", "0", 4, "getdate()"),
              QStringLiteral("[a]]b] datetime   NOT NULL CONSTRAINT [DF_Pedidos 2004_a]]b] DEFAULT (getdate())"));
    EXPECT_EQ(ClausulaCampoNuevo("t", "select", "4", "x", "y", "-1", 8, ""), QStringLiteral("[select] int   NULL"));
    EXPECT_EQ(ClausulaCampoNuevo("t", "c", "8", "0", "0", "-1", 0, ""), QString());
    // A name that would pass 128 characters is cut, and stays apart from its
    // neighbour's; where the statement names it, it is the same.
    const QString largaT(100, u'T'), largaC(60, u'c');
    const QString uno = NombreDefaultGenerado(largaT, largaC + "1"), dos = NombreDefaultGenerado(largaT, largaC + "2");
    EXPECT_EQ(uno.size(), 128);
    EXPECT_NE(uno, dos);
    EXPECT_TRUE(uno.startsWith("DF_" + largaT + "_ccc"));
    EXPECT_EQ(ClausulaCampoNuevo(largaT, largaC + "1", "4", "0", "0", "-1", 8, "0"),
              largaC + "1 int   NULL CONSTRAINT [" + uno + "] DEFAULT (0)");
    EXPECT_EQ(SentenciasModificaCampo("T..", largaT, largaC + "2", "4", "-1", "8", "0", "", false, "", "", "").last(),
              "ALTER TABLE T.." + largaT + " WITH NOCHECK ADD  CONSTRAINT [" + dos + "] DEFAULT (0) FOR [" + largaC +
                  "2]");
    EXPECT_EQ(FalloDe([] { ClausulaCampoNuevo("t", "c", "1)--", "0", "0", "-1", 23, ""); }).Numero,
              errnum::TiposNoCoinciden);
    EXPECT_EQ(FalloDe([] { ClausulaCampoNuevo("t", "c", "9", "18", "", "-1", 5, ""); }).Numero,
              errnum::TiposNoCoinciden);
}

TEST(TextosDDL, ColumnComparison) {
    struct Catalogo {
        QStringList leidos;
        bool existe = true;
        QString texto = "((0))", tipo = "int", longitud = "4";
        ColumnaCatalogo Columna(const QString& prec, const QString& nulos) {
            return {prec, nulos, [this] { leidos << "length"; return longitud; },
                    [this] { leidos << "default"; return existe; }, [this] { leidos << "text"; return texto; },
                    [this] { leidos << "type"; return tipo; }};
        }
    };
    Catalogo c;
    // Unchanged: the length matches the catalog's length, 0 matches ((0)).
    EXPECT_FALSE(CampoDifiere(c.Columna("10", "0"), "4", "0", "0", "0", "8", "0", "DF_x"));
    EXPECT_EQ(c.leidos, (QStringList{"length", "default", "text", "type"}));
    c.leidos.clear();
    // The null flag: isnullable 1 is "-1".
    EXPECT_FALSE(CampoDifiere(c.Columna("4", "1"), "4", "0", "0", "-1", "8", "", ""));
    EXPECT_EQ(c.leidos, QStringList{"type"});
    EXPECT_TRUE(CampoDifiere(c.Columna("4", "1"), "4", "0", "0", "0", "8", "", ""));
    // A changed size is a change, and the type is not asked then.
    c.leidos.clear();
    EXPECT_TRUE(CampoDifiere(c.Columna("10", "0"), "2", "0", "0", "0", "8", "", ""));
    EXPECT_EQ(c.leidos, QStringList{"length"});
    // Only the parentheses around the whole default go.
    c.texto = "(getdate())";
    EXPECT_FALSE(CampoDifiere(c.Columna("4", "0"), "4", "0", "0", "0", "8", "getdate()", "DF_x"));
    EXPECT_TRUE(CampoDifiere(c.Columna("4", "0"), "4", "0", "0", "0", "8", "getdate", "DF_x"));
    // No constraint of that name: any value is a change.
    c.existe = false;
    EXPECT_TRUE(CampoDifiere(c.Columna("4", "0"), "4", "0", "0", "0", "8", "1", "DF_x"));
    EXPECT_FALSE(CampoDifiere(c.Columna("4", "0"), "4", "0", "0", "0", "8", "", "DF_x"));
    // The type by its name; an unlisted code never differs by it.
    c.tipo = "bigint";
    c.longitud = "8";
    EXPECT_TRUE(CampoDifiere(c.Columna("19", "0"), "8", "0", "0", "0", "8", "", ""));
    EXPECT_FALSE(CampoDifiere(c.Columna("19", "0"), "8", "0", "0", "0", "0", "", ""));
}

// Decimal and numeric also differ by precision and scale (the catalog's
// 18,2 here); other types never do.
TEST(TextosDDL, PrecisionAndScaleCompared) {
    const struct {
        const char *tipo, *precision, *escala;
        bool difiere;
    } casos[] = {{"5", "18", "2", false}, {"5", "20", "4", true}, {"5", "18", "4", true},
                 {"12", "20", "2", true}, {"8", "20", "4", false}};
    for (const auto& c : casos) {
        const QString tipo = TipoPorCodigo(QString::fromLatin1(c.tipo))->Nombre;
        const ColumnaCatalogo catalogo{"18", "0", [] { return QStringLiteral("9"); }, [] { return false; },
                                       [] { return QString(); }, [&] { return tipo; }, [] { return QStringLiteral("2"); }};
        EXPECT_EQ(CampoDifiere(catalogo, "9", c.precision, c.escala, "0", c.tipo, "", ""), c.difiere)
            << c.tipo << " " << c.precision << "," << c.escala;
    }
}

TEST(TextosDDL, ColumnsOfAKeyList) {
    const struct {
        const char* claves;
        QStringList columnas;
    } casos[] = {{"Codigo", {"Codigo"}}, {"fecha, Cod(-)", {"fecha", "Cod"}}, {" x(-), y z", {" x", "y z"}}};
    for (const auto& c : casos) EXPECT_EQ(ColumnasDeClaves(QString::fromLatin1(c.claves)), c.columnas) << c.claves;
}

TEST(TextosDDL, OuterParenthesesOfADefault) {
    const struct {
        const char *dentro, *fuera;
    } casos[] = {{"((0))", "0"},           {"(getdate())", "getdate()"}, {"((1+2)*3)", "(1+2)*3"},
                 {"(1)+(2)", "(1)+(2)"},   {"('a)b')", "'a)b'"},         {"(N'(x')", "N'(x'"},
                 {"(('it''s'))", "'it''s'"}, {"((0)", "((0)"},           {"()", ""},
                 {"", ""},                 {"0", "0"}};
    for (const auto& c : casos)
        EXPECT_EQ(QuitaParentesisExteriores(QString::fromLatin1(c.dentro)), QString::fromLatin1(c.fuera)) << c.dentro;
}

TEST(TextosDDL, IndexHeadAndTail) {
    // A new unique clustered index with a fill factor and a filegroup.
    EXPECT_EQ(CabeceraIndice("Tienda..", "Pedidos", "IX_Fecha", "I", "1", "1"),
              QStringLiteral("CREATE  UNIQUE  CLUSTERED  INDEX IX_Fecha  ON Tienda..Pedidos "));
    EXPECT_EQ(ColaIndice("Fecha,Cliente", "I", "80", "Datos2", false),
              QStringLiteral(" (Fecha,Cliente)\r WITH FILLFACTOR = 80 ON [Datos2]"));
    // The same index when it exists: rebuilt in place.
    EXPECT_EQ(ColaIndice("Fecha,Cliente", "I", "", "", true), QStringLiteral(" (Fecha,Cliente)\r WITH DROP_EXISTING "));
    EXPECT_EQ(ColaIndice("Fecha", "I", "80", "", true), QStringLiteral(" (Fecha)\r WITH FILLFACTOR = 80 ,DROP_EXISTING "));
    EXPECT_EQ(CabeceraIndice("Tienda..", "Pedidos", "IX", "I", "0", "0"),
              QStringLiteral("CREATE  INDEX IX  ON Tienda..Pedidos "));
    // A primary key, new or existing, is added, never rebuilt.
    EXPECT_EQ(CabeceraIndice("Tienda..", "Pedidos", "PK_Pedidos", "P", "1", "1"),
              QStringLiteral("ALTER TABLE Tienda..Pedidos WITH NOCHECK ADD "));
    EXPECT_EQ(ClausulaClavePrimaria("PK_Pedidos", "1"), QStringLiteral("CONSTRAINT PK_Pedidos PRIMARY KEY  CLUSTERED "));
    EXPECT_EQ(ClausulaClavePrimaria("PK 1", "0"), QStringLiteral("CONSTRAINT [PK 1] PRIMARY KEY  NONCLUSTERED "));
    EXPECT_EQ(ColaIndice("Id", "P", "0", "PRIMARY", true), QStringLiteral(" (Id)\r ON [PRIMARY]"));
    // Hostile names.
    EXPECT_EQ(CabeceraIndice("[Año 2]..", "Pedidos 2004", "Por fecha", "I", "0", "1"),
              QStringLiteral("CREATE  CLUSTERED  INDEX [Por fecha]  ON [Año 2]..[Pedidos 2004] "));
    EXPECT_EQ(ColaIndice("[a b]", "I", "", "g]1", false), QStringLiteral(" ([a b])\r ON [g]]1]"));
    EXPECT_EQ(FalloDe([] { ColaIndice("a", "I", "8O", "", false); }).Numero, errnum::TiposNoCoinciden);
    // Descending keys; an index that ignores duplicate keys keeps the option,
    // a primary key takes none.
    EXPECT_EQ(ColumnaClave("Fecha", true), QStringLiteral("Fecha DESC"));
    EXPECT_EQ(ColumnaClave("a]b c", true), QStringLiteral("[a]]b c] DESC"));
    EXPECT_EQ(ColumnaClave("a]b c", false), QStringLiteral("[a]]b c]"));
    const struct {
        const char *tipo, *factor;
        bool existe;
        const char* cola;
    } ignorando[] = {{"I", "", true, " (k)\r WITH IGNORE_DUP_KEY ,DROP_EXISTING "},
                     {"I", "80", true, " (k)\r WITH FILLFACTOR = 80 ,IGNORE_DUP_KEY ,DROP_EXISTING "},
                     {"I", "0", false, " (k)\r WITH IGNORE_DUP_KEY"},
                     {"P", "80", true, " (k)\r WITH FILLFACTOR = 80"}};
    for (const auto& c : ignorando)
        EXPECT_EQ(ColaIndice("k", c.tipo, c.factor, "", c.existe, true), QString::fromLatin1(c.cola)) << c.cola;
}

TEST(TextosDDL, ForeignKeyTexts) {
    EXPECT_EQ(SentenciasRecreaVinculo("Lineas", "FK", {"a", "b"}, "Pedidos", {"c", "d"}, {true, true, true, false}),
              QStringList{" ALTER TABLE Lineas ADD CONSTRAINT [FK] FOREIGN KEY (a,b) REFERENCES Pedidos (c,d) "
                          "ON DELETE CASCADE ON UPDATE CASCADE NOT FOR REPLICATION"});
    EXPECT_EQ(TextoCreaRelacion("Lineas 1", "R]", {"A", "B"}, "order", {"X", "Y"}),
              QStringLiteral("ALTER TABLE [Lineas 1] ADD CONSTRAINT [R]]] FOREIGN KEY (A,B ) REFERENCES [order] (X,Y)"));
    // A table of an owner other than dbo is named with it; its catalog reads
    // ask for that owner's table, dbo's too.
    const struct {
        const char *propietario, *prefijo, *renombre, *fkeys, *tabla, *nombrada = "Pedidos";
    } propietarios[] = {
        {"", "T..", "EXEC sp_rename 'Pedidos.[a]]b]', 'c', 'COLUMN'", "EXEC sp_fkeys 'Pedidos'",
         "Select * from T..sysobjects  where type = 'U' and name = 'Pedidos' order by name"},
        {"dbo", "T..", "EXEC sp_rename 'Pedidos.[a]]b]', 'c', 'COLUMN'", "EXEC sp_fkeys 'Pedidos','dbo'",
         "Select * from T..sysobjects  where type = 'U' and name = 'Pedidos' and uid = (select uid from "
         "T..sysusers where name = 'dbo') order by name"},
        {"o'k", "T.[o'k].", "EXEC sp_rename '[o''k].Pedidos.[a]]b]', 'c', 'COLUMN'", "EXEC sp_fkeys 'Pedidos','o''k'",
         "Select * from T..sysobjects  where type = 'U' and name = 'Pedidos' and uid = (select uid from "
         "T..sysusers where name = 'o''k') order by name", "[o'k].Pedidos"},
        {"Añón", "T.Añón.", "EXEC sp_rename N'Añón.Pedidos.[a]]b]', 'c', 'COLUMN'",
         "EXEC sp_fkeys 'Pedidos',N'Añón'",
         "Select * from T..sysobjects  where type = 'U' and name = 'Pedidos' and uid = (select uid from "
         "T..sysusers where name = N'Añón') order by name", "Añón.Pedidos"},
    };
    for (const auto& c : propietarios) {
        const QString p = QString::fromUtf8(c.propietario);
        EXPECT_EQ(PrefijoConPropietario("T..", p), QString::fromUtf8(c.prefijo)) << c.propietario;
        EXPECT_EQ(TextoRenombraCampo("Pedidos", "a]b", "c", p), QString::fromUtf8(c.renombre)) << c.propietario;
        EXPECT_EQ(ConsultaClaves("Pedidos", false, p), QString::fromUtf8(c.fkeys)) << c.propietario;
        EXPECT_EQ(ConsultaTabla("T..", "Pedidos", false, p), QString::fromUtf8(c.tabla)) << c.propietario;
        const QString t = QString::fromUtf8(c.nombrada);
        EXPECT_EQ(SentenciasCreaRelacion("Pedidos", "FK", {"a"}, "Pedidos", {"b"}, {}, p, p),
                  QStringList{"ALTER TABLE " + t + " ADD CONSTRAINT [FK] FOREIGN KEY (a ) REFERENCES " + t + " (b)"});
    }
    EXPECT_EQ(ConsultaReglasVinculo("77"),
              QStringLiteral("SELECT OBJECTPROPERTY(77,'CnstIsDeleteCascade'), OBJECTPROPERTY(77,'CnstIsUpdateCascade'), "
                             "OBJECTPROPERTY(77,'CnstIsNotRepl'), OBJECTPROPERTY(77,'CnstIsDisabled')"));
    EXPECT_EQ(FalloDe([] { ConsultaReglasVinculo("77,'x'),(1"); }).Numero, errnum::TiposNoCoinciden);
}

TEST(TextosDDL, StatementListsSendWhatTheJoinedTextSent) {
    // Ordinary lists: exactly the pieces the joined text was cut into.
    const QList<QStringList> listas = {
        {},
        {" ALTER TABLE a ADD CONSTRAINT [x] FOREIGN KEY (c) REFERENCES b (d)"},
        {"CREATE  INDEX i  ON P..t  (c)\r", " ALTER TABLE a ADD", "CREATE INDEX j ON t (d)"},
        {"uno", ""},         // a key that gave no statement after its separator
        {"uno", "", "dos"},  // ... and one in the middle
        {"   ", "dos"},
    };
    for (const QStringList& l : listas) {
        ListaSentencias lista;
        for (const QString& s : l) lista.Agrega(s);
        EXPECT_EQ(lista.Envios(), CortaComoTexto(lista.Texto())) << lista.Texto().toStdString();
    }
    ListaSentencias lista;
    lista.Agrega("uno");
    lista.Agrega(" dos");
    EXPECT_EQ(lista.Envios(), (QStringList{"uno", "  dos"}));
    // An empty first statement leaves the list empty, as the joined text was.
    ListaSentencias vacia;
    vacia.Agrega("");
    vacia.AgregaTexto("");
    EXPECT_TRUE(vacia.EstaVacia());
    vacia.Agrega("x");
    EXPECT_EQ(vacia.Texto(), QStringLiteral("x"));
    // Text goes on at the end of the last statement.
    lista.AgregaTexto(" (c)");
    EXPECT_EQ(lista.Texto(), QStringLiteral("uno *  dos (c)"));
    // A "*" inside a name does not cut the statement.
    ListaSentencias conAsterisco;
    conAsterisco.Agrega(SentenciasRecreaVinculo("a*b", "FK*1", {"*"}, "c", {"d"}, {}).first());
    conAsterisco.Agrega(" ALTER TABLE x ADD");
    EXPECT_EQ(conAsterisco.Envios(),
              (QStringList{" ALTER TABLE [a*b] ADD CONSTRAINT [FK*1] FOREIGN KEY ([*]) REFERENCES c (d)",
                           "  ALTER TABLE x ADD"}));
    EXPECT_EQ(ListaSentencias(QStringLiteral("uno")).Sentencias(), QStringList{"uno"});
}
