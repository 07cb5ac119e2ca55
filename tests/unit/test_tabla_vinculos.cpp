// The foreign-key cascade through the scripted connection: which joined
// columns a change reaches, the question, the keys dropped and made again
// with their rules, and the whole change undone when any part of it fails.

#include "common/funciones.h"
#include "explorer/consolasql.h"
#include "support/catalogo_claves.h"
#include "support/explorador_prueba.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QLineEdit>

namespace {

// What the cascade sends besides its catalog questions, trimmed.
QStringList Sentencias(const QStringList& enviadas) {
    QStringList r;
    for (const QString& s : enviadas) {
        const QString m = s.trimmed().toUpper();
        if (m.startsWith(QLatin1String("SELECT")) || m.startsWith(QLatin1String("EXEC SP_"))) continue;
        r.append(s.trimmed());
    }
    return r;
}

const QString kPregunta =
    "Para conservar las relaciones exitentes se modificará una o más propiedades (Tipo de dato, Longitud,Precision, "
    "Escala) en cada una de las siguientes columnas:\r\r";

}  // namespace

class Cascada : public PruebaDiseñador {
protected:
    // A designer of table B (of dbo, or of the owner b names): A.Id is
    // referenced by B.IdA and by C.Id, and references Z.Id in turn; ana has
    // a table C too.
    frmTabla* Diseñador(const QList<Clave>& claves, bool describibles = true, const QString& b = "B") {
        auto* d = NuevoDiseñador();
        d->txtNombreTabla->setText(QStringLiteral("B"));
        if (b.contains('.')) d->Propietario = b.section('.', 0, 0);
        catalogo = std::make_unique<CatalogoClaves>(*conexion);
        catalogo->Tabla("A", 1, {"Id"});
        catalogo->Tabla(b, 2, {"IdA"});
        catalogo->Tabla("C", 3, {"Id"});
        catalogo->Tabla("Z", 4, {"Id"});
        catalogo->Tabla("ana.C", 5, {"Id"});
        catalogo->Claves(claves, describibles);
        conexion->Enviadas.clear();
        return d;
    }
    const DefinicionCampo kSmallint{"IdA", "2", "0", "16", "", ""};
    std::unique_ptr<CatalogoClaves> catalogo;
};

// Every table is read and changed as its owner's: juan's B, dbo's A, C and
// Z, and ana's C beside dbo's.
TEST_F(Cascada, TheChainIsWalkedWithSameNamedKeysAndCyclesEnd) {
    const QList<Clave> claves = {{"juan.B", "IdA", "A", "Id", "FK_B_A", 11},
                                 {"C", "Id", "A", "Id", "FK_C_A", 12, {1, 0, 0, 0}},
                                 {"ana.C", "Id", "A", "Id", "FK_anaC_A", 15},
                                 {"A", "Id", "Z", "Id", "FK_A_Z", 13},
                                 {"Z", "Id", "A", "Id", "FK_Z_A", 14}};  // a cycle A -> Z -> A
    auto* d = Diseñador(claves, true, "juan.B");
    // A designer of dbo's B, which the cascade does not reach, shows what it did.
    auto* deDbo = NuevoDiseñador();
    deDbo->txtNombreTabla->setText(QStringLiteral("B"));
    deDbo->Propietario = QStringLiteral("dbo");
    for (const auto& [columna, valor] : {std::pair{EstadoCampo, "M"}, {NombreCampo, "IdA"}, {TipoDato, "8"}})
        deDbo->ArrayCampos->GrabaCelda(0, columna, QString::fromLatin1(valor));
    const QString lineas = d->DetectaVinculos(Conexion, "B", "IdA", "IdA");
    EXPECT_EQ(lineas, "En la columna (Id) de la tabla A\r"
                      "En la columna (Id) de la tabla C\r"
                      "En la columna (Id) de la tabla ANA.C\r"
                      "En la columna (Id) de la tabla Z\r"
                      "En la columna (Id) de la tabla Z\r"
                      "En la columna (Id) de la tabla A\r"
                      "En la columna (Id) de la tabla A\r");
    conexion->Enviadas.clear();
    mensajes.Respuestas = {vb::vbYes};
    bool hecho = false;
    EXPECT_TRUE(d->BuscaCambiaVinculos(Conexion, "B", "IdA", "IdA", true, kSmallint, &hecho));
    EXPECT_TRUE(hecho);
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_EQ(mensajes.Cajas()[0].texto, kPregunta + lineas + "\r¿Desea contimnuar con las modificaciones?");
    EXPECT_EQ(deDbo->ArrayCampos->LeeCelda(0, TipoDato), QStringLiteral("8"));
    EXPECT_EQ(mensajes.Cajas()[0].estilo, 292);
    EXPECT_EQ(Sentencias(conexion->Enviadas),
              (QStringList{"<BeginTrans>",
                           "ALTER TABLE Tienda.juan.B DROP CONSTRAINT FK_B_A",
                           "ALTER TABLE Tienda..A  ALTER COLUMN Id smallint  NOT NULL",
                           "ALTER TABLE Tienda..C DROP CONSTRAINT FK_C_A",
                           "ALTER TABLE Tienda..C  ALTER COLUMN Id smallint  NOT NULL",
                           "ALTER TABLE Tienda.ana.C DROP CONSTRAINT FK_anaC_A",
                           "ALTER TABLE Tienda.ana.C  ALTER COLUMN Id smallint  NOT NULL",
                           "ALTER TABLE Tienda..Z DROP CONSTRAINT FK_Z_A",
                           "ALTER TABLE Tienda..Z  ALTER COLUMN Id smallint  NOT NULL",
                           "ALTER TABLE Tienda..A DROP CONSTRAINT FK_A_Z",
                           "ALTER TABLE Tienda.juan.B  ALTER COLUMN IdA smallint  NOT NULL",
                           "ALTER TABLE juan.B ADD CONSTRAINT [FK_B_A] FOREIGN KEY (IdA) REFERENCES A (Id)",
                           "ALTER TABLE C ADD CONSTRAINT [FK_C_A] FOREIGN KEY (Id) REFERENCES A (Id) ON DELETE CASCADE",
                           "ALTER TABLE ana.C ADD CONSTRAINT [FK_anaC_A] FOREIGN KEY (Id) REFERENCES A (Id)",
                           "ALTER TABLE Z ADD CONSTRAINT [FK_Z_A] FOREIGN KEY (Id) REFERENCES A (Id)",
                           "ALTER TABLE A ADD CONSTRAINT [FK_A_Z] FOREIGN KEY (Id) REFERENCES Z (Id)",
                           "<CommitTrans>"}));
}

TEST_F(Cascada, NoSendsNothingAndAFailureUndoesTheWholeChange) {
    const QList<Clave> claves = {{"B", "IdA", "A", "Id", "FK_B_A", 11}};
    // No: nothing after the detection.
    auto* d = Diseñador(claves);
    mensajes.Respuestas = {vb::vbNo};
    bool hecho = true;
    EXPECT_FALSE(d->BuscaCambiaVinculos(Conexion, "B", "IdA", "IdA", true, kSmallint, &hecho));
    EXPECT_FALSE(hecho);
    EXPECT_TRUE(Sentencias(conexion->Enviadas).isEmpty());
    mensajes.Cajas().clear();

    // A refused alteration: rolled back, reported once.
    conexion->Falla("ALTER TABLE Tienda..A  ALTER COLUMN Id smallint  NOT NULL", 5074, "The object is dependent on column.");
    conexion->Enviadas.clear();
    mensajes.Respuestas = {vb::vbYes};
    EXPECT_FALSE(d->BuscaCambiaVinculos(Conexion, "B", "IdA", "IdA", true, kSmallint));
    EXPECT_EQ(Sentencias(conexion->Enviadas).last(), QStringLiteral("<RollbackTrans>"));
    EXPECT_EQ(TextosCajas().mid(1), QStringList{" Error Nº:5074 (The object is dependent on column.)."});
    mensajes.Cajas().clear();
    d->DescargaSinPreguntar();

    // A key that cannot be described is never dropped.
    d = Diseñador(claves, false);
    mensajes.Respuestas = {vb::vbYes};
    EXPECT_FALSE(d->BuscaCambiaVinculos(Conexion, "B", "IdA", "IdA", true, kSmallint));
    EXPECT_EQ(Sentencias(conexion->Enviadas), (QStringList{"<BeginTrans>", "<RollbackTrans>"}));
    EXPECT_EQ(TextosCajas().mid(1),
              QStringList{" Error Nº:-2147220991 (No se puede volver a crear la clave externa FK_B_A: se deja como está.)."});
}

// A decimal key column changed in precision and scale gives them to the
// columns joined to it, and to the designers that show them; the default it
// gets at the same time is its own from then on, by the name it was given.
TEST_F(Cascada, JoinedColumnsTakeThePrecisionAndScale) {
    auto* d = Diseñador({{"B", "IdA", "A", "Id", "FK_B_A", 11}});
    d->ArrayCampos->GrabaCelda(0, EstadoCampo, QStringLiteral("M"));
    d->ArrayCampos->GrabaCelda(0, NombreCampo, QStringLiteral("IdA"));
    mensajes.Respuestas = {vb::vbYes};
    EXPECT_TRUE(d->BuscaCambiaVinculos(Conexion, "B", "IdA", "IdA", true, {"IdA", "13", "0", "5", "0", "", "20", "4"}));
    EXPECT_EQ(Sentencias(conexion->Enviadas).filter("ALTER COLUMN"),
              (QStringList{"ALTER TABLE Tienda..A  ALTER COLUMN Id decimal (20,4)  NOT NULL",
                           "ALTER TABLE Tienda..B  ALTER COLUMN IdA decimal (20,4)  NOT NULL"}));
    EXPECT_TRUE(conexion->Enviadas.contains("ALTER TABLE Tienda..B WITH NOCHECK ADD  CONSTRAINT [DF_B_IdA] DEFAULT (0) FOR [IdA]"));
    EXPECT_EQ(d->ArrayCampos->LeeCelda(0, NombreDefault), QStringLiteral("DF_B_IdA"));
    EXPECT_EQ(d->ArrayCampos->LeeCelda(0, Precision), QStringLiteral("20"));
    EXPECT_EQ(d->ArrayCampos->LeeCelda(0, Escala), QStringLiteral("4"));
    EXPECT_EQ(mensajes.Cajas().size(), 1);  // the question
}

// Character columns keep their own collations through the cascade: the
// changed one as loaded, a joined one as the catalog holds it.
TEST_F(Cascada, AlteredColumnsKeepTheirOwnCollations) {
    auto* d = Diseñador({{"B", "IdA", "A", "Id", "FK_B_A", 11}});
    d->IntercalacionBD = QStringLiteral("Modern_Spanish_CI_AS");
    conexion->Responde("Select collation from Tienda..syscolumns where id=1 and name = 'Id'", QStringList{"collation"},
                       {{"Latin1_General_BIN"}});
    mensajes.Respuestas = {vb::vbYes};
    EXPECT_TRUE(d->BuscaCambiaVinculos(Conexion, "B", "IdA", "IdA", true,
                                       {"IdA", "12", "0", "3", "", "", "0", "0", "Latin1_General_CS_AS"}));
    EXPECT_EQ(Sentencias(conexion->Enviadas).filter("ALTER COLUMN"),
              (QStringList{"ALTER TABLE Tienda..A  ALTER COLUMN Id char (12)  COLLATE Latin1_General_BIN  NOT NULL",
                           "ALTER TABLE Tienda..B  ALTER COLUMN IdA char (12)  COLLATE Latin1_General_CS_AS  NOT NULL"}));
    EXPECT_EQ(mensajes.Cajas().size(), 1);  // the question
}
