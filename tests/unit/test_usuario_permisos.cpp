// The user editor's object permissions against a scripted connection: the
// load of each kind (USE, uid, objects with their owners, one protection
// query per object), dbo, a user the database lacks, the codes of the
// protection rows, and the statement a changed cell sends.

#include "common/funciones.h"
#include "common/globales.h"
#include "platform/listacasillas.h"
#include "platform/rejilladatos.h"
#include "security/frmusuario.h"
#include "security/textoscuentas.h"
#include "support/explorador_prueba.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>

namespace {

const QString kUsa = QStringLiteral("USE Tienda");
const QString kRoles =
    QStringLiteral("select * from master..sysusers where issqlrole = 1 or isapprole = 1 order by uid");
QString Uid(const QString& literal) { return "Select uid from Tienda..sysusers where name = '" + literal + "'"; }
QString ConsultaObjetos(int tipo) {
    const char* condicion[] = {" where t.xtype = 'P'", " where (t.xtype = 'U'or t.xtype = 'S')",
                               " where t.xtype = 'V'"};
    return QStringLiteral("Select t.name as tabla,t.id as id,u.name as propietario from Tienda..sysobjects "
                          "t,Tienda..sysusers u") +
           QString::fromLatin1(condicion[tipo]) + " and u.uid = t.uid order by t.name";
}
QString Protecciones(int uid, int id) {
    return QStringLiteral("select * from sysprotects  where uid=%1 and id=%2").arg(uid).arg(id);
}

}  // namespace

class PermisosUsuario : public PruebaExplorador {
protected:
    void SetUp() override {
        PruebaExplorador::SetUp();
        PruebaExplorador::Abre();
        conexion->Responde(kRoles, QStringList{"uid", "name"}, {{0, "public"}, {16384, "db_owner"}});
        // Another window left another database in the prefix.
        PrefijoBD = QStringLiteral("Otra..");
    }
    // Every kind lists the same two objects of two owners.
    void Catalogo(const QString& usuario = QStringLiteral("ana"), const QString& literal = QStringLiteral("ana")) {
        conexion->Responde(Uid(literal), QStringList{"uid"}, {{5}});
        Q_UNUSED(usuario);
        for (int k = 0; k < 3; ++k)
            conexion->Responde(ConsultaObjetos(k), QStringList{"tabla", "id", "propietario"},
                               {{"Clientes", 11, "dbo"}, {"Ventas", 12, "juan"}});
        conexion->Responde(Protecciones(5, 11), QStringList{"id", "uid", "action", "protecttype"},
                           {{11, 5, 193, 205},    // SELECT granted
                            {11, 5, 195, 206},    // INSERT denied
                            {11, 5, 197, 204},    // UPDATE granted with grant option
                            {11, 5, 196, 200},    // an unknown protection
                            {11, 5, 26, 205},     // REFERENCES granted
                            {11, 5, 999, 206}});  // an action of no column
        conexion->Responde(Protecciones(5, 12), QStringList{"id", "uid", "action", "protecttype"},
                           {{12, 5, 224, 205},    // EXECUTE lands in column 1
                            {12, 5, 26, 206},     // REFERENCES denied ...
                            {12, 5, 26, 205}});   // ... then granted: the later row holds
    }
    frmUsuario* Abre(const QString& usuario) {
        NombreNodo = QStringLiteral("Tienda");
        NombreObjeto = usuario;
        p = frmUsuario::Instancia();
        MuestraFormulario(p);
        QApplication::setActiveWindow(p->window());
        cargadas = conexion->Enviadas;
        conexion->Enviadas.clear();
        g = p->TDBGridPermisos;
        return p;
    }
    // The user picks a kind in the list.
    void Elige(int tipo) {
        p->cboObjetos->setCurrentIndex(tipo);
        emit p->cboObjetos->activated(tipo);
    }
    QStringList Fila(int f) {
        QStringList r;
        for (int c = 0; c <= 6; ++c) r.append(p->ArrayPermisos->LeeCelda(f, c));
        return r;
    }
    void Pon(int f, int c) {
        g->ColumnaActual(c);
        g->FilaActual(f - g->PrimeraFila());
    }
    void Tecla(int tecla, const QString& texto = {}) {
        QWidget* w = QApplication::focusWidget() ? QApplication::focusWidget() : g;
        QKeyEvent pulsa(QEvent::KeyPress, tecla, Qt::NoModifier, texto);
        QApplication::sendEvent(w, &pulsa);
        QKeyEvent suelta(QEvent::KeyRelease, tecla, Qt::NoModifier, texto);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &suelta);
    }
    // Space on a permission cell: the cell takes its next code.
    void Cambia(int f, int c) {
        p->SSTabUsuario->setCurrentIndex(1);
        g->setFocus();
        QApplication::processEvents();
        Pon(f, c);
        Tecla(Qt::Key_Space, " ");
    }
    QStringList Cajas() {
        QStringList r;
        for (const auto& c : mensajes.Cajas()) r.append(c.texto);
        mensajes.Cajas().clear();
        mensajes.Cajas();
        return r;
    }
    void Cierra() {
        p->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    frmUsuario* p = nullptr;
    RejillaDatos* g = nullptr;
    QStringList cargadas;
};

// ---- Loading ----

TEST_F(PermisosUsuario, EachKindLoadsItsObjectsWithTheUsersCodes) {
    Catalogo();
    Abre("ana");
    // The first load, tables, reads this database whatever the prefix held.
    EXPECT_EQ(cargadas.mid(0, 5), (QStringList{kUsa, Uid("ana"), ConsultaObjetos(1), Protecciones(5, 11), Protecciones(5, 12)}));
    struct Caso {
        int tipo;
        QString titulo;
        bool columnas;
    };
    const Caso casos[] = {{0, "EXEC", false}, {2, "SELECT", true}, {1, "SELECT", true}};
    for (const Caso& c : casos) {
        PrefijoBD = QStringLiteral("Otra..");
        conexion->Enviadas.clear();
        Elige(c.tipo);
        EXPECT_EQ(conexion->Enviadas,
                  (QStringList{kUsa, Uid("ana"), ConsultaObjetos(c.tipo), Protecciones(5, 11), Protecciones(5, 12)}))
            << c.tipo;
        EXPECT_EQ(g->Columns(1).Caption(), c.titulo);
        for (int k = 2; k <= 5; ++k) EXPECT_EQ(g->Columns(k).Visible(), c.columnas) << c.tipo << " " << k;
        EXPECT_TRUE(g->Columns(0).Visible());
        EXPECT_EQ(p->UidUsuario, "5");
        ASSERT_TRUE(p->ArrayPermisos);
        EXPECT_EQ(p->ArrayPermisos->FilaSuperior(), 2);
        EXPECT_EQ(p->ArrayPermisos->ColumnaSuperior(), 6);
        EXPECT_EQ(Fila(0), (QStringList{"Clientes", "PE", "NP", "PE", "NA", "PE", "dbo"}));
        EXPECT_EQ(Fila(1), (QStringList{"Ventas", "PE", "NA", "NA", "NA", "PE", "juan"}));
        EXPECT_EQ(Fila(2), QStringList(7, QString()));
        EXPECT_EQ(g->MatrizEnlazada(), p->ArrayPermisos);
        EXPECT_EQ(PrefijoBD, "Tienda..");
    }
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(PermisosUsuario, DboHoldsEverythingReadsNoProtectionsAndTakesNoEdit) {
    Catalogo();
    Abre("dbo");
    EXPECT_EQ(cargadas.mid(0, 2), (QStringList{kUsa, ConsultaObjetos(1)}));
    EXPECT_FALSE(cargadas.join('|').contains("sysprotects"));
    EXPECT_EQ(p->UidUsuario, "0");
    EXPECT_EQ(Fila(0), (QStringList{"Clientes", "PE", "PE", "PE", "PE", "PE", "dbo"}));
    EXPECT_EQ(Fila(1), (QStringList{"Ventas", "PE", "PE", "PE", "PE", "PE", "juan"}));
    for (int c = 1; c <= 5; ++c) {
        Cambia(0, c);
        EXPECT_EQ(p->ArrayPermisos->LeeCelda(0, c), "PE") << c;
    }
    short cancela = 0;
    p->TDBGridPermisos_BeforeColEdit(0, 0, cancela);
    EXPECT_EQ(cancela, 1);
    EXPECT_TRUE(conexion->Enviadas.isEmpty()) << conexion->Enviadas.join('|').toStdString();
}

TEST_F(PermisosUsuario, AUserTheDatabaseLacksOrANewOneLoadsNothing) {
    struct Caso {
        QString usuario;
        QStringList enviadas;
    };
    const QList<Caso> casos = {{"pedro", {kUsa, Uid("pedro")}}, {"", {kUsa}}};
    for (const Caso& c : casos) {
        Catalogo();
        Abre(c.usuario);
        EXPECT_EQ(cargadas.mid(0, c.enviadas.size()), c.enviadas);
        EXPECT_FALSE(cargadas.join('|').contains("sysobjects"));
        EXPECT_EQ(p->UidUsuario, "");
        EXPECT_FALSE(p->ArrayPermisos);
        EXPECT_FALSE(g->MatrizEnlazada());
        Cierra();
    }
}

TEST_F(PermisosUsuario, AFailingProtectionQueryLeavesThatObjectNoPermission) {
    Catalogo();
    conexion->Falla(Protecciones(5, 11), 229, "Permission denied.");
    Abre("ana");
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:229 (Permission denied.)."});
    EXPECT_EQ(Fila(0), (QStringList{"Clientes", "NA", "NA", "NA", "NA", "NA", "dbo"}));
    EXPECT_EQ(Fila(1), (QStringList{"Ventas", "PE", "NA", "NA", "NA", "PE", "juan"}));
}

TEST_F(PermisosUsuario, AFailingObjectQueryKeepsTheGridUnderTheNewColumns) {
    Catalogo();
    Abre("ana");
    conexion->Falla(ConsultaObjetos(0), 208, "Invalid object.");
    Elige(0);
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:208 (Invalid object.)."});
    EXPECT_EQ(g->Columns(1).Caption(), "EXEC");
    EXPECT_EQ(Fila(1), (QStringList{"Ventas", "PE", "NA", "NA", "NA", "PE", "juan"}));
}

// ---- Writing ----

TEST(TextosPermisoObjeto, EachColumnAndKindHasItsThreeTexts) {
    struct Caso {
        int columna;
        bool procedimientos;
        QString permiso;
    };
    const Caso casos[] = {{1, true, "EXECUTE"}, {1, false, "SELECT"}, {2, false, "INSERT"},
                          {3, false, "UPDATE"}, {4, false, "DELETE"}, {5, false, "REFERENCES"}};
    for (const Caso& c : casos) {
        EXPECT_EQ(textoscuentas::PermisoObjeto(c.columna, c.procedimientos, "NA"), "REVOKE " + c.permiso + " ON ");
        EXPECT_EQ(textoscuentas::PermisoObjeto(c.columna, c.procedimientos, "PE"), "GRANT " + c.permiso + " ON ");
        EXPECT_EQ(textoscuentas::PermisoObjeto(c.columna, c.procedimientos, "NP"), "DENY " + c.permiso + " ON ");
        EXPECT_EQ(textoscuentas::PermisoObjeto(c.columna, c.procedimientos, "xx"), "");
    }
    EXPECT_EQ(textoscuentas::PermisoObjeto(0, false, "PE"), "");
    EXPECT_EQ(textoscuentas::PermisoObjeto(6, false, "PE"), "");
    EXPECT_EQ(textoscuentas::PermisoObjetoUsuario("GRANT SELECT ON ", "juan", "Ventas", "ana"),
              "GRANT SELECT ON juan.Ventas TO ana");
    EXPECT_EQ(textoscuentas::PermisoObjetoUsuario("GRANT SELECT ON ", "dbo", "Ventas", "ana"),
              "GRANT SELECT ON Ventas TO ana");
    EXPECT_EQ(textoscuentas::PermisoObjetoUsuario("DENY SELECT ON ", "mi]dueño", "Order Details", "Juan Pérez"),
              "DENY SELECT ON [mi]]dueño].[Order Details] TO [Juan Pérez]");
    const int acciones[][2] = {{193, 1}, {224, 1}, {195, 2}, {197, 3}, {196, 4}, {26, 5}, {198, 0}, {0, 0}};
    for (const auto& a : acciones) EXPECT_EQ(textoscuentas::ColumnaAccionObjeto(a[0]), a[1]) << a[0];
}

TEST_F(PermisosUsuario, ACellIsSentAtOnceNamingTheObjectWithItsOwner) {
    Catalogo();
    Abre("ana");
    struct Caso {
        int tipo, fila, columna;
        QString antes, despues, sentencia;
    };
    const QList<Caso> casos = {
        {1, 0, 4, "NA", "PE", "GRANT DELETE ON Clientes TO ana"},
        {1, 0, 2, "NP", "NA", "REVOKE INSERT ON Clientes TO ana"},
        {1, 1, 1, "PE", "NP", "DENY SELECT ON juan.Ventas TO ana"},
        {1, 1, 3, "NA", "PE", "GRANT UPDATE ON juan.Ventas TO ana"},
        {1, 1, 5, "PE", "NP", "DENY REFERENCES ON juan.Ventas TO ana"},
        {0, 1, 1, "PE", "NP", "DENY EXECUTE ON juan.Ventas TO ana"},
        {2, 0, 1, "PE", "NP", "DENY SELECT ON Clientes TO ana"},
    };
    int tipo = 1;
    for (const Caso& c : casos) {
        if (c.tipo != tipo) Elige(tipo = c.tipo);
        EXPECT_EQ(p->ArrayPermisos->LeeCelda(c.fila, c.columna), c.antes) << c.sentencia.toStdString();
        conexion->Enviadas.clear();
        Cambia(c.fila, c.columna);
        EXPECT_EQ(conexion->Enviadas, (QStringList{kUsa, c.sentencia}));
        EXPECT_EQ(p->ArrayPermisos->LeeCelda(c.fila, c.columna), c.despues) << c.sentencia.toStdString();
        EXPECT_TRUE(Cajas().isEmpty());
    }
    // A scrolled grid: the owner is that of the clicked row, not of the
    // row at that place on the screen.
    ConexionGuion::Filas muchos;
    for (int i = 0; i < 80; ++i)
        muchos.append({QString("T%1").arg(i, 2, 10, QChar('0')), 100 + i, i == 70 ? "juan" : "dbo"});
    conexion->Responde(ConsultaObjetos(1), QStringList{"tabla", "id", "propietario"}, muchos);
    Elige(1);
    conexion->Enviadas.clear();
    Cambia(70, 1);
    EXPECT_GT(g->PrimeraFila(), 0);
    EXPECT_EQ(conexion->Enviadas, (QStringList{kUsa, "GRANT SELECT ON juan.T70 TO ana"}));
}

TEST_F(PermisosUsuario, ARetypedNameIsReadBeforeACellActsOnIt) {
    // ana's login exists: the first tick acts on her and the name box stays
    // open; her objects are loaded. Retyped as bob, a click on a cell reads
    // bob instead, who is no user here: no other user's cells stay shown.
    Catalogo();
    conexion->Responde(" select * from master.dbo.sysxlogins where name='ana'", QStringList{"name"}, {{"ana"}});
    Abre("");
    for (QLineEdit* t : {p->txtUsuario, p->txtClave, p->txtConfClave}) t->setText("ana");
    p->lstFunciones->EstableceSelected(1, true);
    Elige(1);
    ASSERT_TRUE(g->MatrizEnlazada());
    p->txtUsuario->setText("bob");
    conexion->Enviadas.clear();
    Cambia(1, 2);
    EXPECT_EQ(conexion->Enviadas, (QStringList{kRoles, "sp_helplogins 'bob'", kUsa, Uid("bob")}));
    EXPECT_FALSE(g->MatrizEnlazada());
}

TEST_F(PermisosUsuario, NamesThatNeedBracketsAreBracketed) {
    conexion->Responde(Uid("Juan O''Hara"), QStringList{"uid"}, {{7}});
    conexion->Responde(ConsultaObjetos(1), QStringList{"tabla", "id", "propietario"},
                       {{"Order Details", 11, "mi]dueño"}, {"select", 12, "dbo"}});
    Abre("Juan O'Hara");
    EXPECT_EQ(cargadas.mid(0, 5),
              (QStringList{kUsa, Uid("Juan O''Hara"), ConsultaObjetos(1), Protecciones(7, 11), Protecciones(7, 12)}));
    conexion->Enviadas.clear();
    Cambia(0, 1);
    Cambia(1, 2);
    EXPECT_EQ(conexion->Enviadas, (QStringList{kUsa, "GRANT SELECT ON [mi]]dueño].[Order Details] TO [Juan O'Hara]",
                                               kUsa, "GRANT INSERT ON [select] TO [Juan O'Hara]"}));
}

TEST_F(PermisosUsuario, ARefusalPutsTheCellBack) {
    struct Caso {
        const char* nombre;
        int fila;
        QString falla;
        QString antes;
    };
    const Caso casos[] = {{"the USE", 1, kUsa, "NA"},
                          {"the GRANT", 1, "GRANT INSERT ON juan.Ventas TO ana", "NA"},
                          {"the empty row", 2, "REVOKE INSERT ON [] TO ana", ""}};
    for (const Caso& c : casos) {
        Catalogo();
        Abre("ana");
        Cajas();
        conexion->Falla(c.falla, 4604, "There is no such user.");
        conexion->Enviadas.clear();
        Cambia(c.fila, 2);
        EXPECT_EQ(conexion->Enviadas.last(), c.falla) << c.nombre;
        EXPECT_EQ(Cajas(), QStringList{" Error Nº:4604 (There is no such user.)."}) << c.nombre;
        EXPECT_EQ(p->ArrayPermisos->LeeCelda(c.fila, 2), c.antes) << c.nombre;
        conexion->Responde(c.falla, QStringList{});
        Cierra();
    }
}

TEST_F(PermisosUsuario, TheNameColumnTakesNoTypingAndSendsNothing) {
    Catalogo();
    Abre("ana");
    conexion->Enviadas.clear();
    p->SSTabUsuario->setCurrentIndex(1);
    g->setFocus();
    Pon(0, 0);
    Tecla(Qt::Key_X, "x");
    Tecla(Qt::Key_Return, "\r");
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(0, 0), "Clientes");
    p->TDBGridPermisos_AfterColUpdate(0);
    EXPECT_TRUE(conexion->Enviadas.isEmpty()) << conexion->Enviadas.join('|').toStdString();
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(PermisosUsuario, SwitchingKindsReloadsFromTheCatalog) {
    Catalogo();
    Abre("ana");
    Cambia(1, 2);  // granted on the server
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(1, 2), "PE");
    Elige(0);
    conexion->Enviadas.clear();
    Elige(1);
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{kUsa, Uid("ana"), ConsultaObjetos(1), Protecciones(5, 11), Protecciones(5, 12)}));
    // The script still says nothing about INSERT: the grid shows that.
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(1, 2), "NA");
    // Picking the kind already shown loads again too.
    conexion->Enviadas.clear();
    Elige(1);
    EXPECT_EQ(conexion->Enviadas.size(), 5);
}
