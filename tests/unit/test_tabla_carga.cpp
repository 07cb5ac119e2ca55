// Loading an existing table into a designer: the catalog statements, what
// the design holds afterwards, and a load that failed part-way, whose design
// is never saved.

#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "support/explorador_prueba.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QComboBox>
#include <QGroupBox>

namespace {

// A lookup as the program's single-row lookup writes it.
QString Busca(const QString& campo, const QString& tabla, const QString& condicion) {
    return "Select " + campo + " from Tienda.." + tabla + " where " + condicion;
}

// The design reads the table of the owner its row shows (dbo here).
const QString kDeDbo = " and uid = (select uid from Tienda..sysusers where name = 'dbo')";
const QString kTabla = "Select * from Tienda..sysobjects  where type = 'U' and name = 'Pedidos'" + kDeDbo + " order by name";
const QString kColumnas = "Select * from Tienda..syscolumns  where id = 101 order by colid";
const QString kIndices =
    "Select * from Tienda..sysindexes  where id = 101 and indid <> 255 and (status & 64)=0 order by indid";
const QString kClaves = "Select * from Tienda..sysreferences  where fkeyid = 101";
const QString kGrupo = "select s.groupname from Tienda..sysfilegroups s, Tienda..sysindexes i where i.id =101 and "
                       "i.indid < 2 and i.groupid = s.groupid";

QString Llaves(int indid) {
    return "Select * from Tienda..sysindexkeys  where id = 101 and indid = " + QString::number(indid) +
           " order by keyno";
}

}  // namespace

class CargaTabla : public PruebaDiseñador {
protected:
    // The explorer on Tienda's tables (Clientes T0, sysobjects T1, Pedidos
    // T2) and the catalog of Pedidos (id 101): four columns, a primary key,
    // a unique index and an index on two columns in key order, and a foreign
    // key on two columns to Clientes.
    void Catalogo() {
        Abre({"Tienda"});
        Objetos(SqlTablas("Tienda.."), "tipo",
                {{"Clientes", "U", "dbo"}, {"sysobjects", "S", "dbo"}, {"Pedidos", "U", "dbo"}});
        conexion->Responde(kTabla, QStringList{"name", "id"}, {{"Pedidos", 101}});
        conexion->Responde(kColumnas,
                           QStringList{"name", "xtype", "length", "prec", "scale", "isnullable", "cdefault", "collation"},
                           {{"id", 56, 4, 10, 0, 0, 0, QVariant()},
                            {"nombre", 231, 100, 50, 0, 1, 0, "Latin1_General_BIN"},
                            {"importe", 106, 9, 18, 2, 1, 201, QVariant()},
                            {"alta", 61, 8, 23, 3, 0, 202, QVariant()}});
        conexion->Responde(Busca("text", "syscomments", "id=201"), QStringList{"text"}, {{"((0))"}});
        conexion->Responde(Busca("name", "sysobjects ", "id=201 and xtype Like 'D'"), QStringList{"name"},
                           {{"DF_Pedidos_importe"}});
        conexion->Responde(Busca("text", "syscomments", "id=202"), QStringList{"text"}, {{"(getdate())"}});
        conexion->Responde(Busca("name", "sysobjects ", "id=202 and xtype Like 'D'"), QStringList{"name"},
                           {{"DF_alta"}});
        conexion->Responde(kIndices, QStringList{"name", "indid", "status", "groupid", "origfillfactor", "keys"},
                           {{"PK_Pedidos", 1, 2066, 1, 0, "k"},
                            {"IX_nombre", 2, 2, 1, 80, "k"},
                            {"IX_alta", 3, 0, 2, 0, "k"},
                            {"_WA_Sys_importe", 4, 0, 1, 0, QVariant()}});
        conexion->Responde("exec Tienda..sp_helpindex 'dbo.Pedidos'",
                           QStringList{"index_name", "index_description", "index_keys"},
                           {{"PK_Pedidos", "clustered, unique, primary key located on PRIMARY", "id"},
                            {"IX_nombre", "nonclustered, ignore duplicate keys, unique located on PRIMARY", "nombre"},
                            {"IX_alta", "nonclustered located on INDICES", "alta(-), nombre"}});
        conexion->Responde(Busca("xtype", "sysobjects", "name = 'PK_Pedidos' and parent_obj=101"),
                           QStringList{"xtype"}, {{"PK"}});
        conexion->Responde(Busca("groupname", "sysfilegroups", "groupid=1"), QStringList{"g"}, {{"PRIMARY"}});
        conexion->Responde(Busca("groupname", "sysfilegroups", "groupid=2"), QStringList{"g"}, {{"INDICES"}});
        conexion->Responde(Llaves(1), QStringList{"colid"}, {{1}});
        conexion->Responde(Llaves(2), QStringList{"colid"}, {{2}});
        conexion->Responde(Llaves(3), QStringList{"colid"}, {{4}, {2}});
        const char* columnas[] = {"id", "nombre", "importe", "alta"};
        for (int c = 1; c <= 4; ++c)
            conexion->Responde(Busca("name", "syscolumns", "id=101 and colid=" + QString::number(c)),
                               QStringList{"name"}, {{columnas[c - 1]}});
        QStringList campos{"constid", "fkeyid", "rkeyid"};
        QList<QVariant> clave{301, 101, 100};
        for (int k = 1; k <= 16; ++k) {
            campos << "fkey" + QString::number(k) << "rkey" + QString::number(k);
            clave << (k <= 2 ? k : 0) << (k == 1 ? 1 : k == 2 ? 3 : 0);
        }
        conexion->Responde(kClaves, campos, {clave});
        conexion->Responde(Busca("name", "sysobjects", "id=100"), QStringList{"name"}, {{"Clientes"}});
        conexion->Responde(Busca("name", "sysobjects", "id=301"), QStringList{"name"}, {{"FK_Pedidos_Clientes"}});
        conexion->Responde(Busca("name", "syscolumns", "id=100 and colid=1"), QStringList{"name"}, {{"id"}});
        conexion->Responde(Busca("name", "syscolumns", "id=100 and colid=3"), QStringList{"name"}, {{"codigo"}});
        conexion->Responde(kGrupo, QStringList{"groupname"}, {{"OTRO "}});
    }
    // Design of list row fila of Tienda's tables, through the menu.
    frmTabla* Diseña(int fila) {
        auto* f = frmAdministrador::SiExiste();
        f->trvBD->Nodes().Item(QStringLiteral("DTTienda")).Selected(true);
        f->ltvTablas->ListItems().Item(fila + 1).Selected(true);
        conexion->Enviadas.clear();
        m()->mnuDiseño_Click();
        return Tablas(fila);
    }
    static QStringList Fila(const ArrayDatos& a, int fila, int columnas) {
        QStringList r;
        for (int c = 0; c < columnas; ++c) r.append(a->LeeCelda(fila, c));
        return r;
    }
};

TEST_F(CargaTabla, AUserTableLoadsColumnsIndexesAndKeys) {
    Catalogo();
    frmTabla* d = Diseña(2);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join('|').toStdString();
    EXPECT_FALSE(d->CargaIncompleta);
    EXPECT_TRUE(d->Modificado);
    EXPECT_EQ(d->IdTabla, QStringLiteral("101"));
    EXPECT_EQ(NumeroTabla, 2);
    EXPECT_EQ(d->NombreTablas.Lee(2), QStringLiteral("Pedidos"));
    // State, name, type, length, precision, scale, nulls, default, its name, loaded name, collation.
    const QList<QStringList> columnas = {
        {"M", "id", "8", "4", "10", "0", "0", "", "", "id", ""},
        {"M", "nombre", "13", "50", "0", "0", "-1", "", "", "nombre", "Latin1_General_BIN"},
        {"M", "importe", "5", "9", "18", "2", "-1", "0", "DF_Pedidos_importe", "importe", ""},
        {"M", "alta", "4", "8", "0", "0", "0", "getdate()", "DF_alta", "alta", ""},
        {"", "", "", "", "", "", "", "", "", "", ""},
    };
    for (int r = 0; r < columnas.size(); ++r) EXPECT_EQ(Fila(d->ArrayCampos, r, 11), columnas[r]) << r;

    // Name, kind, clustered, unique, filegroup, fill factor, duplicates
    // ignored; then the key columns, with the name of a descending one.
    ASSERT_EQ(d->NumeroIndices, 3);
    const QList<QPair<QStringList, QStringList>> indices = {
        {{"PK_Pedidos", "P", "1", "1", "PRIMARY", "0", "0"}, {"id", ""}},
        {{"IX_nombre", "I", "0", "1", "PRIMARY", "80", "1"}, {"nombre", ""}},
        {{"IX_alta", "I", "0", "0", "INDICES", "0", "0"}, {"alta", "alta", "nombre", ""}},
    };
    for (int i = 0; i < indices.size(); ++i) {
        QStringList campos, llaves;
        for (int k = 0; k < 7; ++k) campos.append(d->TablaIndices.Lee(0, i, k));
        for (int k = 0; !d->ArrayIndices(0, i)->LeeCelda(k, 1).isEmpty(); ++k)
            llaves << d->ArrayIndices(0, i)->LeeCelda(k, 1) << d->ArrayIndices(0, i)->LeeCelda(k, 2);
        EXPECT_EQ(campos, indices[i].first) << i;
        EXPECT_EQ(llaves, indices[i].second) << i;
    }
    ASSERT_EQ(d->NumeroRelaciones, 1);
    EXPECT_EQ(d->TablaRelaciones.Lee(0, 0), QStringLiteral("FK_Pedidos_Clientes"));
    EXPECT_EQ(Fila(d->ArrayRelaciones(0, 0), 0, 5), (QStringList{"", "id", "id", "Clientes", ""}));
    EXPECT_EQ(Fila(d->ArrayRelaciones(0, 0), 1, 5), (QStringList{"", "nombre", "codigo", "Clientes", ""}));
    EXPECT_EQ(Fila(d->ArrayRelaciones(0, 0), 2, 5), (QStringList{"", "", "", "", ""}));
    // A filegroup that is not listed selects none; the other tables of the list.
    EXPECT_EQ(d->cboGrupoArchivoDatos->currentIndex(), -1);
    ASSERT_EQ(d->cboExterna->count(), 2);
    EXPECT_EQ(d->cboExterna->itemText(0), QStringLiteral("Clientes"));
    EXPECT_EQ(d->cboExterna->itemText(1), QStringLiteral("sysobjects"));
    EXPECT_EQ(d->cboExterna->itemData(1).toInt(), 1);
    EXPECT_TRUE(d->fraIndices->isEnabled());
    EXPECT_TRUE(d->fraRelaciones->isEnabled());
    EXPECT_FALSE(d->fraTipoIndice->isEnabled());
}

// The names of the columns loaded are kept as the catalog gives them: the
// save drops only those.
TEST_F(CargaTabla, TheColumnNamesLoadedAreKept) {
    Catalogo();
    frmTabla* d = Diseña(2);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->CamposCargados, (QStringList{"id", "nombre", "importe", "alta"}));
}

TEST_F(CargaTabla, ASystemTableLoadsItsColumnsOnly) {
    Catalogo();
    const QString sistema = "Select * from Tienda..sysobjects  where name = 'sysobjects'" + kDeDbo + " order by name";
    conexion->Responde(sistema, QStringList{"name", "id"}, {{"sysobjects", 1}});
    conexion->Responde("Select * from Tienda..syscolumns  where id = 1 order by colid",
                       QStringList{"name", "xtype", "length", "prec", "scale", "isnullable", "cdefault", "collation"},
                       {{"name", 231, 256, 128, 0, 0, 0, "Latin1_General_CI_AS"}});
    frmTabla* d = Diseña(1);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->TablaSistema);
    const QString usuario =
        "Select * from Tienda..sysobjects  where type = 'U' and name = 'sysobjects'" + kDeDbo + " order by name";
    EXPECT_EQ(conexion->Enviadas.mid(conexion->Enviadas.indexOf(sistema)),
              (QStringList{sistema, "Select * from Tienda..syscolumns  where id = 1 order by colid", usuario, usuario,
                           "select s.groupname from Tienda..sysfilegroups s, Tienda..sysindexes i where i.id =1 and "
                           "i.indid < 2 and i.groupid = s.groupid"}));
    EXPECT_EQ(Fila(d->ArrayCampos, 0, 10), (QStringList{"M", "name", "13", "128", "0", "0", "0", "", "", "name"}));
    EXPECT_EQ(d->NumeroIndices, 0);
    EXPECT_EQ(d->NumeroRelaciones, 0);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

// A load that failed part-way leaves the design unsaved: no question until an
// edit, and then Yes is refused with nothing sent.
TEST_F(CargaTabla, APartialLoadIsNeverSaved) {
    const QString rechazo = QStringLiteral("La tabla no se cargó completamente. No se puede guardar.");
    const std::function<void(ConexionGuion&)> fallos[] = {
        [](ConexionGuion& c) { c.Falla(kColumnas, 229, "SELECT permission denied."); },
        [](ConexionGuion& c) { c.Falla(Busca("text", "syscomments", "id=202"), 229, "SELECT permission denied."); },
        [](ConexionGuion& c) {
            ConexionGuion::Filas filas;
            for (int i = 0; i < 201; ++i) filas.append({"c" + QString::number(i), 56, 4, 10, 0, 0, 0});
            c.Responde(kColumnas, QStringList{"name", "xtype", "length", "prec", "scale", "isnullable", "cdefault"},
                       filas);
        },
    };
    for (const auto& falla : fallos) {
        Catalogo();
        falla(*conexion);
        frmTabla* d = Diseña(2);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->CargaIncompleta);
        EXPECT_FALSE(d->Modificado);
        EXPECT_FALSE(TextosCajas().isEmpty());
        mensajes.Cajas().clear();
        d->Modificado = true;  // an edit
        conexion->Enviadas.clear();
        mensajes.Respuestas = {vb::vbYes, vb::vbOK, vb::vbNo};
        EXPECT_FALSE(d->Unload());
        EXPECT_EQ(TextosCajas().last(), rechazo);
        EXPECT_TRUE(conexion->Enviadas.isEmpty());
        EXPECT_TRUE(d->Unload());
        mensajes.Cajas().clear();
        frmAdministrador::SiExiste()->DescargaSinPreguntar();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// A table the catalog no longer holds is designed and saved as a new one.
TEST_F(CargaTabla, ATableTheCatalogNoLongerHoldsIsSavedAsNew) {
    Catalogo();
    conexion->Responde(kTabla, QStringList{"name", "id"});
    frmTabla* d = Diseña(2);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->ArrayCampos->FilaSuperior(), 200);  // the rows of a new table
    for (int c = NombreCampo; c <= ValorNulo; ++c)
        d->ArrayCampos->GrabaCelda(0, c, QStringList{"", "id", "8", "4", "10", "0", "0"}[c]);
    conexion->Enviadas.clear();
    mensajes.Respuestas = {vb::vbYes};
    EXPECT_TRUE(d->Unload());
    EXPECT_EQ(TextosCajas(), QStringList{"¿Desea Guardar los cambios?"});
    EXPECT_TRUE(conexion->Enviadas.contains("CREATE TABLE Tienda..Pedidos (id int   NOT NULL)"));
    EXPECT_TRUE(conexion->Enviadas.contains("<CommitTrans>"));
}

// dbo.Pedidos (101: id, total, notas) and juan.Pedidos (102: id, fecha), as
// the server answers a question by name alone with both. Each design reads
// and saves its own owner's table: a changed column is altered in that
// table alone, and nothing of the other is loaded, dropped or named. Each
// relation shows and names its referenced table of its owner, dbo's key to
// its own table included, although every table of the list has a namesake.
TEST_F(CargaTabla, EachOwnersTableOfOneNameIsDesignedApart) {
    Abre({"Tienda"});
    Objetos(SqlTablas("Tienda.."), "tipo",
            {{"Pedidos", "U", "dbo"}, {"Pedidos", "U", "juan"}, {"Clientes", "U", "dbo"}, {"Clientes", "U", "juan"}});
    const QString tabla = "Select * from Tienda..sysobjects  where type = 'U' and name = 'Pedidos'";
    const QString id = "Select id from Tienda..sysobjects where name = 'Pedidos' and type = 'U'";
    const QString nombre = "Select name from Tienda..sysobjects where name = 'Pedidos' and type = 'U'";
    conexion->Responde(tabla + " order by name", QStringList{"name", "id"}, {{"Pedidos", 101}, {"Pedidos", 102}});
    conexion->Responde(id, QStringList{"id"}, {{101}});
    conexion->Responde(nombre, QStringList{"name"}, {{"Pedidos"}});
    conexion->Responde("Select name from Tienda..systypes where xtype=56", QStringList{"name"}, {{"int"}});
    // dbo's Pedidos has a key to itself, juan's a key to juan's Clientes (202).
    for (const auto& [id, uid, propietario, nombre] :
         {std::tuple{101, 1, "dbo", "Pedidos"}, {202, 5, "juan", "Clientes"}}) {
        conexion->Responde("Select * from Tienda..sysobjects where id=" + QString::number(id),
                           QStringList{"name", "id", "uid"}, {{nombre, id, uid}});
        conexion->Responde("Select name from Tienda..sysusers where uid=" + QString::number(uid), QStringList{"name"},
                           {{propietario}});
        conexion->Responde("Select name from Tienda..sysobjects where id=" + QString::number(id), QStringList{"name"},
                           {{nombre}});
        conexion->Responde("Select name from Tienda..syscolumns where id=" + QString::number(id) + " and colid=1",
                           QStringList{"name"}, {{"id"}});
    }
    const struct {
        const char* propietario;
        int id;
        QStringList columnas, enviadas;
        const char* externa;
    } casos[] = {
        {"dbo", 101, {"id", "total", "notas"},
         {"<BeginTrans>", "USE Tienda", "EXEC sp_fkeys 'Pedidos','dbo'", "EXEC sp_fkeys NULL,NULL,NULL,'Pedidos','dbo'",
          "exec sp_helpindex 'dbo.Pedidos'", "ALTER TABLE Tienda..Pedidos  ALTER COLUMN notas smallint  NOT NULL",
          "Use Tienda", "ALTER TABLE Pedidos ADD CONSTRAINT [FK_Cli] FOREIGN KEY (id ) REFERENCES Pedidos (id)",
          "<CommitTrans>"},
         "Pedidos"},
        {"juan", 102, {"id", "fecha"},
         {"<BeginTrans>", "USE Tienda", "EXEC sp_fkeys 'Pedidos','juan'",
          "EXEC sp_fkeys NULL,NULL,NULL,'Pedidos','juan'", "exec sp_helpindex 'juan.Pedidos'",
          "ALTER TABLE Tienda.juan.Pedidos  ALTER COLUMN fecha smallint  NOT NULL", "Use Tienda",
          "ALTER TABLE juan.Pedidos ADD CONSTRAINT [FK_Cli] FOREIGN KEY (id ) REFERENCES juan.Clientes (id)",
          "<CommitTrans>"},
         "juan.Clientes"},
    };
    for (int fila = 0; fila < 2; ++fila) {
        const auto& c = casos[fila];
        const QString suyo = " and uid = (select uid from Tienda..sysusers where name = '" + QString(c.propietario) + "')";
        const QString n = QString::number(c.id);
        QList<QVariant> clave{301, c.id, fila == 0 ? 101 : 202};
        for (int k = 1; k <= 16; ++k) clave << (k == 1 ? 1 : 0) << (k == 1 ? 1 : 0);
        QStringList referencias{"constid", "fkeyid", "rkeyid"};
        for (int k = 1; k <= 16; ++k) referencias << "fkey" + QString::number(k) << "rkey" + QString::number(k);
        conexion->Responde("Select * from Tienda..sysreferences  where fkeyid = " + n, referencias, {clave});
        conexion->Responde("Select name from Tienda..sysobjects where id=301", QStringList{"name"}, {{"FK_Cli"}});
        conexion->Responde("Select name from Tienda..syscolumns where id=" + n + " and colid=1", QStringList{"name"},
                           {{"id"}});
        conexion->Responde(tabla + suyo + " order by name", QStringList{"name", "id"}, {{"Pedidos", c.id}});
        conexion->Responde(id + suyo, QStringList{"id"}, {{c.id}});
        conexion->Responde(nombre + suyo, QStringList{"name"}, {{"Pedidos"}});
        ConexionGuion::Filas columnas;
        for (const QString& col : c.columnas) {
            columnas.append({col, 56, 4, 10, 0, 0, 0, QVariant()});
            for (const auto& [dato, valor] : {std::pair{"name", QVariant(col)}, {"prec", 10}, {"xtype", 56},
                                              {"isnullable", 0}, {"length", 4}})
                conexion->Responde("Select " + QString(dato) + " from Tienda..syscolumns where name = '" + col +
                                       "' and id=" + n,
                                   QStringList{dato}, {{valor}});
        }
        conexion->Responde("Select * from Tienda..syscolumns  where id = " + n + " order by colid",
                           QStringList{"name", "xtype", "length", "prec", "scale", "isnullable", "cdefault", "collation"},
                           columnas);
        frmTabla* d = Diseña(fila);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->CamposCargados, c.columnas) << c.propietario;
        EXPECT_EQ(d->cboExterna->currentText(), c.externa);
        EXPECT_GE(d->cboExterna->findText(fila == 0 ? "juan.Pedidos" : "Pedidos"), 0);  // the other owner's
        // The last column, an int, becomes a smallint.
        const int ultima = c.columnas.size() - 1;
        for (const auto& [k, v] : {std::pair{TipoDato, "16"}, {Longitud, "2"}, {Precision, "5"}})
            d->ArrayCampos->GrabaCelda(ultima, k, v);
        conexion->Enviadas.clear();
        EXPECT_TRUE(d->ActualizaLaTabla()) << TextosCajas().join('|').toStdString();
        QStringList enviadas;
        for (const QString& s : conexion->Enviadas)
            if (!s.startsWith("Select ", Qt::CaseInsensitive)) enviadas.append(s);
        EXPECT_EQ(enviadas, c.enviadas) << c.propietario;
        d->DescargaSinPreguntar();
    }
}
