#include "explorer/frmprocedimiento.h"
#include "explorer/frmvista.h"

#include "explorer/disenos.h"

#include "common/funciones.h"
#include "explorer/frmanalizadorconsultas.h"
#include "platform/rejillaconsulta.h"
#include "platform/textomultilinea.h"
#include "support/explorador_prueba.h"

#include <QComboBox>
#include <QPushButton>

namespace {
QString Cargador(const QString& prefijo, char tipo, const QString& literal) {
    return "Select obj.name,com.text  from " + prefijo + "sysobjects obj, " + prefijo +
           "syscomments com where obj.type = '" + QChar(tipo) + "' and name='" + literal +
           "' and com.id=obj.id order by name, com.colid";
}
}  // namespace

class Editores : public PruebaExplorador {
protected:
    // The view editor on a stored view of Tienda, as Design opens it.
    frmVista* VistaCargada(const QStringList& trozos = {"CREATE VIEW Ventas2003 AS ", "select * from Ventas"}) {
        ConexionGuion::Filas filas;
        for (const auto& t : trozos) filas.append({QStringLiteral("Ventas2003"), t});
        conexion->Responde(Cargador("Tienda..", 'V', "Ventas2003"), QStringList{"name", "text"}, filas);
        NombreNodo = QStringLiteral("Tienda");
        MuestraFormulario(frmVista::Instancia());
        frmVista::SiExiste()->CapturaVistas_SQL(QStringLiteral("Ventas2003"));
        conexion->Enviadas.clear();
        return frmVista::SiExiste();
    }
};

TEST_F(Editores, ANewViewStartsFromTheTemplate) {
    NombreNodo = QStringLiteral("Tienda");
    MuestraFormulario(frmVista::Instancia());
    auto* v = frmVista::SiExiste();
    EXPECT_EQ(v->txtSQL->Text(), QStringLiteral("CREATE VIEW [NOMBRE_VISTA] AS "));
    EXPECT_EQ(v->NombreOriginal, QString());
    EXPECT_EQ(v->windowTitle(), QStringLiteral("Vista"));
    EXPECT_EQ(v->cmdAceptar->text(), QStringLiteral("Aceptar"));
    Idioma = 1;
    v->PonIdioma();
    EXPECT_EQ(v->windowTitle(), QStringLiteral("View"));
    EXPECT_EQ(v->cmdCancelar->text(), QStringLiteral("Cancel"));
    // OK without editing: the server refuses the template; nothing else goes.
    conexion->Falla("CREATE VIEW [NOMBRE_VISTA] AS ", 156, QStringLiteral("Incorrect syntax near the keyword 'AS'."));
    v->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{"USE Tienda", "<BeginTrans>", "CREATE VIEW [NOMBRE_VISTA] AS ", "<RollbackTrans>"}));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:156 (Incorrect syntax near the keyword 'AS'.)."});
    EXPECT_EQ(frmVista::SiExiste(), v);  // still open with the user's text
}

TEST_F(Editores, TheLoaderJoinsThePiecesInTheirOrder) {
    auto* v = VistaCargada({"CREATE VIEW Ventas2003 AS select a,", " b, c from Ventas", " where año = 2003"});
    EXPECT_EQ(v->txtSQL->Text(), QStringLiteral("CREATE VIEW Ventas2003 AS select a, b, c from Ventas where año = 2003"));
    EXPECT_EQ(v->NombreOriginal, QStringLiteral("Ventas2003"));
    EXPECT_EQ(PrefijoBD, QStringLiteral("Tienda.."));
    // Quoted names in the loader.
    NombreNodo = QStringLiteral("Mi Tienda");
    v->CapturaVistas_SQL(QStringLiteral("O'Hara"));
    EXPECT_EQ(conexion->Enviadas.last(), Cargador("[Mi Tienda]..", 'V', "O''Hara"));
}

TEST_F(Editores, OkReplacesTheViewInOneTransactionAndRelists) {
    auto* v = VistaCargada();
    conexion->Responde(SqlVistas("Tienda.."), QStringList{"tabla", "categoria", "usuario", "fecha"},
                       {{QStringLiteral("Ventas2003"), 0, QStringLiteral("dbo"), kFecha}});
    v->txtSQL->EstableceText(QStringLiteral("CREATE VIEW Ventas2003 AS select 1 as uno"));
    v->cmdAceptar->click();
    // The explorer was not open: it is loaded (its tree first), then re-lists.
    EXPECT_EQ(conexion->Enviadas.mid(0, 5),
              (QStringList{"USE Tienda", "<BeginTrans>", "DROP VIEW Ventas2003",
                           "CREATE VIEW Ventas2003 AS select 1 as uno", "<CommitTrans>"}));
    EXPECT_EQ(conexion->Enviadas.last(), SqlVistas("Tienda.."));
    EXPECT_EQ(frmVista::SiExiste(), nullptr);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
    ASSERT_NE(frmAdministrador::SiExiste(), nullptr);
    EXPECT_EQ(frmAdministrador::SiExiste()->ltvTablas->ListItems().Count(), 1);
}

TEST_F(Editores, ARefusedDefinitionKeepsTheOldObjectAndARetryWorks) {
    auto* v = VistaCargada();
    v->txtSQL->EstableceText(QStringLiteral("CREATE VIEW Ventas2003 AS selec 1"));
    conexion->Falla("CREATE VIEW Ventas2003 AS selec 1", 102, QStringLiteral("Incorrect syntax near 'selec'."));
    v->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"USE Tienda", "<BeginTrans>", "DROP VIEW Ventas2003",
                                               "CREATE VIEW Ventas2003 AS selec 1", "<RollbackTrans>"}));
    EXPECT_EQ(frmVista::SiExiste(), v);
    EXPECT_EQ(v->NombreOriginal, QStringLiteral("Ventas2003"));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:102 (Incorrect syntax near 'selec'.)."});
    conexion->Enviadas.clear();
    v->txtSQL->EstableceText(QStringLiteral("CREATE VIEW Ventas2003 AS select 1"));
    v->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas.mid(0, 5), (QStringList{"USE Tienda", "<BeginTrans>", "DROP VIEW Ventas2003",
                                                         "CREATE VIEW Ventas2003 AS select 1", "<CommitTrans>"}));
    EXPECT_EQ(frmVista::SiExiste(), nullptr);
}

TEST_F(Editores, TheEditorKeepsItsOwnDatabase) {
    auto* v = VistaCargada();
    NombreNodo = QStringLiteral("Otra");  // another command ran meanwhile
    v->cmdAceptar->click();
    ASSERT_FALSE(conexion->Enviadas.isEmpty());
    EXPECT_EQ(conexion->Enviadas.first(), QStringLiteral("USE Tienda"));
}

TEST_F(Editores, ALoaderThatFindsNothingLeavesNoOldName) {
    auto* v = VistaCargada();
    conexion->Responde(Cargador("Tienda..", 'V', "Borrada"), QStringList{"name", "text"});
    v->CapturaVistas_SQL(QStringLiteral("Borrada"));
    EXPECT_EQ(v->NombreOriginal, QString());
    EXPECT_EQ(v->txtSQL->Text(), QString());
    conexion->Enviadas.clear();
    v->cmdAceptar->click();  // an empty text sends nothing
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    // A loader whose query fails keeps what the window had.
    v->txtSQL->EstableceText(QStringLiteral("CREATE VIEW x AS select 1"));
    conexion->Falla(Cargador("Tienda..", 'V', "Mala"), 208, QStringLiteral("Invalid object name."));
    v->CapturaVistas_SQL(QStringLiteral("Mala"));
    EXPECT_EQ(v->txtSQL->Text(), QStringLiteral("CREATE VIEW x AS select 1"));
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:208 (Invalid object name.)."});
}

TEST_F(Editores, TheProcedureTwin) {
    NombreNodo = QStringLiteral("Tienda");
    conexion->Responde(Cargador("Tienda..", 'P', "Alta"), QStringList{"name", "text"},
                       {{QStringLiteral("Alta"), QStringLiteral("CREATE PROCEDURE Alta AS ")},
                        {QStringLiteral("Alta"), QStringLiteral("select 1")}});
    MuestraFormulario(frmProcedimiento::Instancia());
    auto* p = frmProcedimiento::SiExiste();
    EXPECT_EQ(p->txtSQL->Text(), QStringLiteral("CREATE PROCEDURE [NOMBRE_PROCEDIMIENTO] AS "));
    EXPECT_EQ(p->windowTitle(), QStringLiteral("Procedimiento Almacenado"));
    p->CapturaProcedimiento_SQL(QStringLiteral("Alta"));
    EXPECT_EQ(p->txtSQL->Text(), QStringLiteral("CREATE PROCEDURE Alta AS select 1"));
    conexion->Enviadas.clear();
    p->txtSQL->EstableceText(QStringLiteral("CREATE PROCEDURE Alta AS select 2"));
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas.mid(0, 5),
              (QStringList{"USE Tienda", "<BeginTrans>", "DROP PROCEDURE Alta", "CREATE PROCEDURE Alta AS select 2",
                           "<CommitTrans>"}));
    EXPECT_EQ(conexion->Enviadas.last(), SqlProcedimientos("Tienda.."));
    EXPECT_EQ(frmProcedimiento::SiExiste(), nullptr);
    Idioma = 1;
    MuestraFormulario(frmProcedimiento::Instancia());
    frmProcedimiento::SiExiste()->PonIdioma();
    EXPECT_EQ(frmProcedimiento::SiExiste()->windowTitle(), QStringLiteral("Stored Procedure"));
}

TEST_F(Editores, CancelSendsNothing) {
    auto* v = VistaCargada();
    v->cmdCancelar->click();
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_EQ(frmVista::SiExiste(), nullptr);
}

class VerRegistros : public PruebaExplorador {
protected:
    void SetUp() override {
        PruebaExplorador::SetUp();
        ConexionGuion::Filas filas = {{QStringLiteral("Ventas"), QStringLiteral("U"), QStringLiteral("dbo"), kFecha},
                                      {QStringLiteral("Ventas"), QStringLiteral("U"), QStringLiteral("juan"), kFecha},
                                      {QStringLiteral("Ventas"), QStringLiteral("U"), QStringLiteral("user"), kFecha}};
        conexion->Responde(SqlTablas("Tienda.."), QStringList{"tabla", "tipo", "usuario", "fecha"}, filas);
        conexion->Responde("select * from Ventas", QStringList{"id"}, {{1}, {2}});
        conexion->Responde("select * from juan.Ventas", QStringList{"id"}, {{3}});
        conexion->Responde("select * from [user].Ventas", QStringList{"id"}, {{4}});
        explorador = Abre({"master", "Tienda", "Otra"});
        explorador->trvBD->Nodes().Item(QStringLiteral("DTTienda")).Selected(true);
        explorador->trvBD_Click();
        conexion->Enviadas.clear();
    }
    frmAdministrador* explorador = nullptr;
};

TEST_F(VerRegistros, ShowsTheRowsOfTheSelectedTable) {
    explorador->ltvTablas->ListItems().Item(1).Selected(true);
    m()->mnuVerRegistros_Click();
    auto* a = frmAnalizadorConsultas::SiExiste();
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->Mostrado());
    EXPECT_EQ(a->cboBD->currentText(), QStringLiteral("Tienda"));
    EXPECT_EQ(a->txtSQL->Text(), QStringLiteral("select * from Ventas"));
    EXPECT_EQ(a->GridSQL->Filas(), 2);
    const int use = conexion->Enviadas.lastIndexOf(QStringLiteral("Use Tienda"));
    ASSERT_GE(use, 0);
    EXPECT_EQ(conexion->Enviadas.indexOf(QStringLiteral("select * from Ventas")), use + 1);
    EXPECT_EQ(NombreNodo, QStringLiteral("Tienda"));
    EXPECT_EQ(puntero.actual, vb::vbDefault);

    // Another owner's table of the same name; the list already shows the
    // database, so the Use is View rows' own.
    for (const auto& [fila, sql] : {std::pair{2, "select * from juan.Ventas"}, {3, "select * from [user].Ventas"}}) {
        explorador->ltvTablas->ListItems().Item(fila).Selected(true);
        conexion->Enviadas.clear();
        m()->mnuVerRegistros_Click();
        EXPECT_EQ(conexion->Enviadas, (QStringList{"Use Tienda", sql}));
        EXPECT_EQ(a->txtSQL->Text(), QString::fromLatin1(sql));
        EXPECT_EQ(a->GridSQL->Filas(), 1);
    }
}

TEST_F(VerRegistros, AnOldTextNeverRuns) {
    conexion->Responde(SqlProcedimientos("Tienda.."), QStringList{"tabla", "tipo", "usuario", "fecha"},
                       {{QStringLiteral("Alta"), QStringLiteral("P"), QStringLiteral("dbo"), kFecha}});
    conexion->Falla(QStringLiteral("select * from Ventas"), 229, QStringLiteral("SELECT permission denied."));
    // A procedure has no rows to show (the analyzer's list moves to the
    // database first); a table's are refused by the server.
    const struct {
        const char* carpeta;
        QStringList enviadas;
        QStringList cajas;
    } casos[] = {
        {"DPTienda", {"Use Tienda", "Use Tienda"}, {}},
        {"DTTienda", {"Use Tienda", "select * from Ventas"}, {" Error Nº:229 (SELECT permission denied.)."}},
    };
    for (const auto& caso : casos) {
        MuestraFormulario(frmAnalizadorConsultas::Instancia());
        frmAnalizadorConsultas::SiExiste()->txtSQL->EstableceText(QStringLiteral("delete from Ventas"));
        explorador->trvBD->Nodes().Item(QString::fromLatin1(caso.carpeta)).Selected(true);
        explorador->ltvTablas->ListItems().Item(1).Selected(true);
        conexion->Enviadas.clear();
        mensajes.Cajas().clear();
        m()->mnuVerRegistros_Click();
        EXPECT_EQ(conexion->Enviadas, caso.enviadas) << caso.carpeta;
        EXPECT_EQ(TextosCajas(), caso.cajas) << caso.carpeta;
        EXPECT_EQ(puntero.actual, vb::vbDefault);
    }
}

TEST_F(VerRegistros, AnotherOwnersViewIsLoadedAndReplacedWithItsOwner) {
    conexion->Responde(SqlVistas("Tienda.."), QStringList{"tabla", "categoria", "usuario", "fecha"},
                       {{QStringLiteral("Ventas"), 0, QStringLiteral("dbo"), kFecha},
                        {QStringLiteral("Ventas"), 0, QStringLiteral("juan"), kFecha}});
    const QString deJuan = Cargador("Tienda..", 'V', "Ventas")
                               .replace(" and com.id", " and obj.uid = (select uid from Tienda..sysusers where "
                                                       "name = 'juan') and com.id");
    conexion->Responde(deJuan, QStringList{"name", "text"},
                       {{QStringLiteral("Ventas"), QStringLiteral("CREATE VIEW juan.Ventas AS select 1")}});
    explorador->trvBD->Nodes().Item(QStringLiteral("DVTienda")).Selected(true);
    explorador->trvBD_Click();
    // The database owner's view loads with the query as it always was.
    explorador->ltvTablas->ListItems().Item(1).Selected(true);
    NombreNodo = QStringLiteral("Tienda");
    DiseñoVista();
    EXPECT_EQ(conexion->Enviadas.last(), Cargador("Tienda..", 'V', "Ventas"));
    explorador->ltvTablas->ListItems().Item(2).Selected(true);
    DiseñoVista();
    EXPECT_EQ(conexion->Enviadas.last(), deJuan);
    auto* v = frmVista::SiExiste();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->txtSQL->Text(), QStringLiteral("CREATE VIEW juan.Ventas AS select 1"));
    conexion->Enviadas.clear();
    v->txtSQL->EstableceText(QStringLiteral("CREATE VIEW juan.Ventas AS select 2"));
    v->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas.mid(0, 4), (QStringList{"USE Tienda", "<BeginTrans>", "DROP VIEW juan.Ventas",
                                                         "CREATE VIEW juan.Ventas AS select 2"}));
}
