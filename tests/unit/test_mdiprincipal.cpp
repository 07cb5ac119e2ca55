#include "app/mdiprincipal.h"

#include "app/frmidioma.h"
#include "common/funciones.h"
#include "support/entorno.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMenuBar>
#include <QRadioButton>

class Principal : public PruebaTolvek {};

namespace {
QStringList Captions(mdiPrincipal* m) {
    QStringList r;
    for (QAction* a : {m->mnuArchivo->menuAction(), m->mnuBaseDatos->menuAction(), m->mnuConsulta->menuAction(),
                       m->mnuConectar, m->mnuAdministrador, m->mnuAnalizadorConsultas, m->mnuSalir, m->mnuNuevaBD,
                       m->mnuAñadirTabla, m->mnuAñadirVista, m->mnuAñadirProcedimiento, m->mnuPropiedadesBD,
                       m->mnuDiseño, m->mnuVerRegistros, m->mnuEliminar, m->mnuCopiaSeguridad,
                       m->mnuRestaurarCopia, m->mnuAñadirInicioSesion, m->mnuAñadirUsuario, m->mnuAbrir,
                       m->mnuGuardar, m->mnuTabla->menuAction(), m->mnuInsertarFila, m->mnuEliminarFila})
        r.append(a->text());
    return r;
}
}  // namespace

TEST_F(Principal, StartsWithOnlyConnectAndExit) {
    Idioma = 3;  // whatever was there: the load reads the stored language again
    Main();
    auto* m = mdiPrincipal::SiExiste();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Idioma, 0);
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tolvek"));
    EXPECT_TRUE(m->isVisible());
    EXPECT_TRUE(m->mnuConectar->isEnabled());
    EXPECT_TRUE(m->mnuSalir->isEnabled());
    EXPECT_TRUE(mdiPrincipal::Habilitado(m->mnuArchivo));
    EXPECT_FALSE(m->mnuAdministrador->isEnabled());
    EXPECT_FALSE(m->mnuAnalizadorConsultas->isEnabled());
    EXPECT_FALSE(mdiPrincipal::Habilitado(m->mnuBaseDatos));
    EXPECT_FALSE(mdiPrincipal::Habilitado(m->mnuConsulta));
    // The table menu is a pop-up only.
    const auto barra = m->menuBar()->actions();
    EXPECT_EQ(barra.size(), 3);
    EXPECT_FALSE(barra.contains(m->mnuTabla->menuAction()));
    EXPECT_TRUE(ExisteFormulario(QStringLiteral("MDIPRINCIPAL")));
    EXPECT_NE(m->findChild<QAction*>(QStringLiteral("mnuDiseño")), nullptr);
    EXPECT_TRUE(Conexion == nullptr);  // nothing connects by itself
}

TEST_F(Principal, AFailureThatReachesTheEventLoopIsReportedAndTheProgramGoesOn) {
    struct Suelta : QObject {
        bool event(QEvent*) override { Falla(76, QStringLiteral("Path not found")); }
    } receptor;
    QEvent evento(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&receptor, &evento));
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_EQ(mensajes.Cajas()[0].texto, QStringLiteral(" Error Nº:76 (Path not found)."));
}

TEST_F(Principal, CaptionsInBothLanguages) {
    mdiPrincipal::Instancia()->Show();
    auto* m = mdiPrincipal::SiExiste();
    EXPECT_EQ(Captions(m),
              (QStringList{"&Archivo", "&Base Datos", "&Consulta", "&Conectar", "&Administrador",
                           "A&nalizador Consultas", "&Salir", "&Nueva Base Datos", "Añadir &Tabla", "Añadir &Vista",
                           "Añadir &Procedimiento", "&Propiedades", "&Diseño", "&Ver Registros", "&Eliminar",
                           "&Copia Seguridad Base de Datos", "&Restaurar Copia Seguridad", "Añadir Inicio &Sesion",
                           "Añadir &Usuario", "&Abrir", "&Guardar", "&Tabla", "Insertar Fila", "Eliminar Fila"}));
    Idioma = 1;
    m->PonIdioma();
    EXPECT_EQ(Captions(m),
              (QStringList{"&File", "&Database", "&Query", "&Connect", "&Administrator", "&Query Analyzer", "&Exit",
                           "&New Database", "Add &Table", "Add &View", "Add &Procedure", "&Properties", "&Desing",
                           "V&iew Register", "&Delete", "&Backup database", "&Restore backup", "Add Inicio &Sesion",
                           "Add &User", "&Open", "&Save", "&Tabla", "Insertar Fila", "Eliminar Fila"}));
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Tolvek"));
}

TEST_F(Principal, AnotherLanguageIndexKeepsTheDesignCaptions) {
    registro.PonNumero("Software\\tolvek", "Idioma", 7);
    Main();
    auto* m = mdiPrincipal::SiExiste();
    EXPECT_EQ(Idioma, 7);
    const QStringList c = Captions(m);
    EXPECT_EQ(c[0], QStringLiteral("&Archivo"));
    EXPECT_EQ(c[5], QStringLiteral("Analizador &Consultas"));
    EXPECT_EQ(c[7], QStringLiteral("Nueva Base de datos"));
    EXPECT_EQ(c[12], QStringLiteral("Diseño"));
    EXPECT_EQ(c[13], QStringLiteral("Ver registros"));
    EXPECT_EQ(c[17], QStringLiteral("Añadir Inicio Sesion"));
}

TEST_F(Principal, AFirstStartAsksTheLanguageBeforeTheWindow) {
    registro.Valores.clear();
    bool principalVisible = true;
    AlEntrarEnBucle([&] {
        principalVisible = mdiPrincipal::SiExiste() != nullptr;
        frmIdioma::SiExiste()->optIngles->setChecked(true);
        frmIdioma::SiExiste()->close();
    });
    Main();
    EXPECT_FALSE(principalVisible);
    auto* m = mdiPrincipal::SiExiste();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Idioma, 1);
    EXPECT_EQ(m->mnuArchivo->menuAction()->text(), QStringLiteral("&File"));
}

TEST_F(Principal, ExitClosesAnOpenConnectionAndEnds) {
    mdiPrincipal::Instancia()->Show();
    mdiPrincipal::SiExiste()->mnuSalir->trigger();
    EXPECT_EQ(aplicacion.Terminaciones, 1);

    conexion->AbreSinMas();
    Conexion = conexion;
    mdiPrincipal::SiExiste()->mnuSalir->trigger();
    EXPECT_EQ(conexion->State(), datos::adStateClosed);
    EXPECT_EQ(aplicacion.Terminaciones, 2);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}
