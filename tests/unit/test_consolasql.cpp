#include "explorer/consolasql.h"

#include "common/funciones.h"
#include "support/entorno.h"

class Catalogo : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        conexion->AbreSinMas();
        Conexion = conexion;
    }
    static QString ConsultaGrupos(const QString& prefijo) {
        return "select  g.groupname,g.status,  g.groupid, 'filecount' =         (select count(*) from " + prefijo +
               "sysfiles f             Where f.groupid = g.groupid                 and (f.status & 0x40 <> 0x40))"
               "     from " + prefijo + "sysfilegroups g order by groupid";
    }
    QStringList Fila(int f) {
        QStringList r;
        for (int c = 0; c <= 4; ++c) r.append(GruposFicheros->LeeCelda(f, c));
        return r;
    }
};

TEST_F(Catalogo, DameTipoDatoOverItsWholeTable) {
    struct Caso {
        const char* catalogo;
        const char* campo;
        const char* codigo;
        bool numerico;
    } casos[] = {{"173", "128", "1", false}, {"104", "11", "2", false},  {"175", "129", "3", false},
                 {"61", "133", "4", false},  {"106", "14", "5", true},   {"62", "5", "6", true},
                 {"34", "205", "7", false},  {"56", "3", "8", true},     {"60", "6", "9", true},
                 {"239", "130", "10", false}, {"99", "203", "11", false}, {"108", "131", "12", true},
                 {"231", "202", "13", false}, {"59", "4", "14", true},   {"58", "7", "15", false},
                 {"52", "2", "16", true},    {"122", nullptr, "17", true}, {"35", nullptr, "18", false},
                 {"189", "135", "19", false}, {"48", "16", "20", true},  {"36", nullptr, "21", false},
                 {"165", "204", "22", false}, {"167", "200", "23", false}};
    for (const auto& c : casos) {
        bool numerico = !c.numerico;
        EXPECT_EQ(DameTipoDato(QString::fromLatin1(c.catalogo), numerico), QString::fromLatin1(c.codigo)) << c.catalogo;
        EXPECT_EQ(numerico, c.numerico) << c.catalogo;
        if (c.campo) {
            numerico = !c.numerico;
            EXPECT_EQ(DameTipoDato(QString::fromLatin1(c.campo), numerico), QString::fromLatin1(c.codigo)) << c.campo;
            EXPECT_EQ(numerico, c.numerico) << c.campo;
        }
    }
    for (const char* nada : {"0", "056", " 56", "56 ", "", "1000", "adInteger", "-3"}) {
        bool numerico = true;
        EXPECT_EQ(DameTipoDato(QString::fromLatin1(nada), numerico), QStringLiteral("0")) << nada;
        EXPECT_FALSE(numerico) << nada;
    }
}

TEST_F(Catalogo, DameIntercalacionQuotesTheName) {
    conexion->Responde(" select convert(sysname,DatabasePropertyEx('Ventas','Collation'))", {"c"},
                       {{QStringLiteral("Modern_Spanish_CI_AS")}});
    conexion->Falla(" select convert(sysname,DatabasePropertyEx('Mal','Collation'))", 911,
                    QStringLiteral("Could not locate entry in sysdatabases."));
    conexion->Responde(" select convert(sysname,DatabasePropertyEx('Nula','Collation'))", {"c"}, {{QVariant()}});
    EXPECT_EQ(DameIntercalacion("Ventas"), QStringLiteral("Modern_Spanish_CI_AS"));
    EXPECT_EQ(DameIntercalacion("Mal"), QString());
    EXPECT_EQ(DameIntercalacion("Nula"), QString());
    EXPECT_EQ(DameIntercalacion("Vacía"), QString());
    DameIntercalacion("O'Hara");
    EXPECT_EQ(conexion->Enviadas.last(),
              QStringLiteral(" select convert(sysname,DatabasePropertyEx('O''Hara','Collation'))"));
    EXPECT_EQ(mensajes.Cajas().size(), 1);
}

TEST_F(Catalogo, FilegroupsWithTheirFlags) {
    NombreNodo = QStringLiteral("Ventas");
    conexion->Responde(ConsultaGrupos("Ventas.."), {"groupname", "status", "groupid", "filecount"},
                       {{QStringLiteral("PRIMARY"), 16, 1, 2},
                        {QStringLiteral("Datos"), 0, 2, 1},
                        {QStringLiteral("SoloLog"), 8, 3, 0},
                        {QStringLiteral("Ambos"), 24, 4, 0}});
    CapturaGruposFicheros_SQL();
    EXPECT_EQ(conexion->Enviadas, QStringList{ConsultaGrupos("Ventas..")});
    EXPECT_EQ(PrefijoBD, QStringLiteral("Ventas.."));
    ASSERT_TRUE(GruposFicheros);
    EXPECT_EQ(GruposFicheros->FilaSuperior(), 200);
    EXPECT_EQ(GruposFicheros->ColumnaSuperior(), 4);
    EXPECT_EQ(Fila(0), (QStringList{"PRIMARY", "2", "0", "-1", ""}));
    EXPECT_EQ(Fila(1), (QStringList{"Datos", "1", "0", "0", ""}));
    EXPECT_EQ(Fila(2), (QStringList{"SoloLog", "0", "-1", "0", ""}));
    EXPECT_EQ(Fila(3), (QStringList{"Ambos", "0", "-1", "-1", ""}));
    EXPECT_EQ(Fila(4), (QStringList{"", "", "", "", ""}));

    // Another database: its prefix is quoted, and nothing of the first stays.
    NombreNodo = QStringLiteral("Mi Base");
    conexion->Responde(ConsultaGrupos("[Mi Base].."), {"groupname", "status", "groupid", "filecount"},
                       {{QStringLiteral("PRIMARY"), 0, 1, 1}});
    CapturaGruposFicheros_SQL();
    EXPECT_EQ(PrefijoBD, QStringLiteral("[Mi Base].."));
    EXPECT_EQ(Fila(0), (QStringList{"PRIMARY", "1", "0", "0", ""}));
    EXPECT_EQ(Fila(1), (QStringList{"", "", "", "", ""}));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Catalogo, AFailedQueryKeepsTheFilegroups) {
    NombreNodo = QStringLiteral("Ventas");
    conexion->Responde(ConsultaGrupos("Ventas.."), {"groupname", "status", "groupid", "filecount"},
                       {{QStringLiteral("PRIMARY"), 16, 1, 2}});
    CapturaGruposFicheros_SQL();
    NombreNodo = QStringLiteral("Otra");
    conexion->Falla(ConsultaGrupos("Otra.."), 916, QStringLiteral("Server user is not a valid user."));
    CapturaGruposFicheros_SQL();
    EXPECT_EQ(PrefijoBD, QStringLiteral("Otra.."));
    EXPECT_EQ(Fila(0)[0], QStringLiteral("PRIMARY"));
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:916 (Server user is not a valid user.).")});
}

TEST_F(Catalogo, TooManyFilegroupsKeepTheFirst201) {
    NombreNodo = QStringLiteral("Grande");
    ConexionGuion::Filas filas;
    for (int i = 0; i < 205; ++i) filas.append({QStringLiteral("G%1").arg(i), 0, i + 1, 1});
    conexion->Responde(ConsultaGrupos("Grande.."), {"groupname", "status", "groupid", "filecount"}, filas);
    CapturaGruposFicheros_SQL();
    EXPECT_EQ(GruposFicheros->LeeCelda(200, 0), QStringLiteral("G200"));
    EXPECT_EQ(TextosCajas(), QStringList{QStringLiteral(" Error Nº:9 (Subscript out of range).")});
}

TEST(GridDataArrayTest, BoundsAndRedimension) {
    GridDataArray a;
    EXPECT_EQ(a.Filas(), 0);
    EXPECT_THROW(a.LeeCelda(0, 0), ErrorEjecucion);
    a.Redimensiona(1, 3, 0, 2);
    EXPECT_EQ(a.Filas(), 3);
    a.GrabaCelda(3, 2, QStringLiteral("x"));
    EXPECT_EQ(a.LeeCelda(3, 2), QStringLiteral("x"));
    try {
        a.GrabaCelda(0, 0, QStringLiteral("y"));
        FAIL();
    } catch (const ErrorEjecucion& e) {
        EXPECT_EQ(e.Numero, 9);
    }
    EXPECT_THROW(a.LeeCelda(1, 3), ErrorEjecucion);
    a.Redimensiona(1, 3, 0, 2);
    EXPECT_EQ(a.LeeCelda(3, 2), QString());
    a.Redimensiona(0, -1, 0, 4);  // no rows
    EXPECT_EQ(a.Filas(), 0);
    EXPECT_THROW(a.LeeCelda(0, 0), ErrorEjecucion);
}
