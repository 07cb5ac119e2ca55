// The backup and restore windows against a scripted connection: the
// statements each sends, in order and exact; the recovery model's hold on
// the log option; the stop at the first failure with the window kept open;
// the backup file read into the grid and the restore of that file; the
// command time-out off during the long statements and back afterwards.

#include "common/funciones.h"
#include "database/frmcopiaseguridad.h"
#include "database/frmrestaurarcopia.h"
#include "database/textoscopia.h"
#include "platform/listaficheros.h"
#include "platform/listasarchivos.h"
#include "platform/rejilladatos.h"
#include "support/explorador_prueba.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace textoscopia;

namespace {

// Records the command time-out each statement was sent under.
class ConexionConTiempo : public ConexionGuion {
public:
    QStringList Tiempos;  // "statement@seconds"
    void Execute(const QString& sql) override {
        Tiempos.append(sql + u'@' + QString::number(CommandTimeout()));
        ConexionGuion::Execute(sql);
    }
    std::shared_ptr<const datos::ResultSet> Query(const QString& sql) override {
        Tiempos.append(sql + u'@' + QString::number(CommandTimeout()));
        return ConexionGuion::Query(sql);
    }
};

const QString kRecuperacion = QStringLiteral("select DATABASEPROPERTYEX ('%1','Recovery')");
const QString kDispositivo = QStringLiteral("select * from master.dbo.sysdevices where name = 'CopiaTienda'");
const QString kBorra = QStringLiteral("EXEC sp_dropdevice 'CopiaTienda'");
const QString kAnade = QStringLiteral("EXEC sp_addumpdevice 'disk', 'CopiaTienda',   'C:\\Copias\\Tienda.bak'");
const QString kCabecera = QStringLiteral("RESTORE HEADERONLY FROM CopiaTienda");

}  // namespace

class VentanaCopia : public PruebaExplorador {
protected:
    void SetUp() override {
        PruebaExplorador::SetUp();
        auto c = std::make_shared<ConexionConTiempo>();
        c->AbreSinMas();
        c->setCommandTimeout(120);
        tiempo = c;
        conexion = c;
        Conexion = c;
        RespondeBases({"master", "Tienda", "Simple"});
        conexion->Responde(kRecuperacion.arg("Tienda"), {"r"}, {{"FULL"}});
        conexion->Responde(kRecuperacion.arg("master"), {"r"}, {{"SIMPLE"}});
        conexion->Responde(kRecuperacion.arg("Simple"), {"r"}, {{"SIMPLE"}});
    }
    frmCopiaSeguridad* Abre(const QString& nombre = QStringLiteral("Tienda")) {
        NombreNodo = nombre;
        p = frmCopiaSeguridad::Instancia();
        MuestraFormulario(p);
        QApplication::setActiveWindow(p->window());
        p->txtDestino->setText("C:\\Copias\\Tienda.bak");
        conexion->Enviadas.clear();
        tiempo->Tiempos.clear();
        puntero.Historia.clear();
        return p;
    }
    void Cierra() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    QStringList Cajas() {
        QStringList r;
        for (const auto& c : mensajes.Cajas()) r.append(c.texto);
        mensajes.Cajas().clear();
        mensajes.Cajas();
        return r;
    }
    void Elige(const QString& base) { p->cboBD->setCurrentIndex(p->cboBD->findText(base)); }

    std::shared_ptr<ConexionConTiempo> tiempo;
    frmCopiaSeguridad* p = nullptr;
};

// ---- Loading and the recovery model ----

TEST_F(VentanaCopia, LoadsSelectsAndProposesTheName) {
    NombreNodo = "Tienda";
    p = frmCopiaSeguridad::Instancia();
    MuestraFormulario(p);
    EXPECT_EQ(conexion->Enviadas, (QStringList{kBases, kRecuperacion.arg("Tienda")}));
    EXPECT_EQ(p->cboBD->currentText(), "Tienda");
    EXPECT_EQ(p->txtNombreCopia->text(), "CopiaTienda");
    EXPECT_TRUE(p->optCompleta->isChecked());
    EXPECT_TRUE(p->optRegistro->isEnabled());
    EXPECT_FALSE(p->chkComprobar->isChecked());
    EXPECT_FALSE(p->cboBD->isEditable());
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(VentanaCopia, SimpleRecoverySwitchesTheLogOptionOffButKeepsItChosen) {
    Abre();
    p->optRegistro->setChecked(true);
    Elige("Simple");
    EXPECT_EQ(conexion->Enviadas, QStringList{kRecuperacion.arg("Simple")});
    EXPECT_FALSE(p->optRegistro->isEnabled());
    EXPECT_TRUE(p->optCompleta->isEnabled());
    EXPECT_TRUE(p->optDiferencial->isEnabled());
    EXPECT_TRUE(p->optRegistro->isChecked());
    // The log backup is still what OK sends; the server's refusal is shown.
    conexion->Falla("BACKUP LOG Simple TO CopiaTienda", 4208, "No log backup in SIMPLE.");
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas.last(), "BACKUP LOG Simple TO CopiaTienda");
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:4208 (No log backup in SIMPLE.)."});
    Elige("Tienda");
    EXPECT_TRUE(p->optRegistro->isEnabled());
}

TEST_F(VentanaCopia, NoDatabaseChosenAsksForOne) {
    Abre("Bases de datos");
    EXPECT_EQ(p->cboBD->currentIndex(), -1);
    EXPECT_EQ(p->txtNombreCopia->text(), "");
    p->cmdAceptar->click();
    EXPECT_EQ(Cajas(), QStringList{"Seleccione una base de datos."});
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_EQ(frmCopiaSeguridad::SiExiste(), p);
}

// ---- OK ----

TEST_F(VentanaCopia, SendsTheStatementsOfEachKind) {
    struct Caso {
        const char* tipo;
        bool existe;
        bool comprueba;
        QStringList posiciones;
        QStringList esperadas;
        QString caja;
    };
    const QString completa = "BACKUP DATABASE Tienda TO CopiaTienda";
    const QString diferencial = "BACKUP DATABASE Tienda TO CopiaTienda WITH DIFFERENTIAL";
    const QString registro = "BACKUP LOG Tienda TO CopiaTienda";
    const QString hecha = "Copia realizada con exito.";
    const QString verificada = QString::fromUtf8("Copia y verificación realizada con exito.");
    const Caso casos[] = {
        {"completa", false, false, {}, {kDispositivo, kAnade, completa}, hecha},
        {"completa", true, false, {}, {kDispositivo, kBorra, kAnade, completa}, hecha},
        {"diferencial", false, false, {}, {kDispositivo, kAnade, diferencial}, hecha},
        {"diferencial", true, false, {}, {kDispositivo, kBorra, kAnade, diferencial}, hecha},
        {"registro", false, false, {}, {kDispositivo, kAnade, registro}, hecha},
        {"registro", true, false, {}, {kDispositivo, kBorra, kAnade, registro}, hecha},
        {"completa", false, true, {"1"},
         {kDispositivo, kAnade, completa, kCabecera, "RESTORE VERIFYONLY  FROM CopiaTienda"}, verificada},
        {"completa", true, true, {"1", "3", "2"},
         {kDispositivo, kBorra, kAnade, completa, kCabecera, "RESTORE VERIFYONLY  FROM CopiaTienda WITH FILE = 3"},
         verificada},
        {"registro", false, true, {"1", "2"},
         {kDispositivo, kAnade, registro, kCabecera, "RESTORE VERIFYONLY  FROM CopiaTienda WITH FILE = 2"},
         verificada},
    };
    for (const auto& c : casos) {
        const QString nombre = QStringLiteral("%1 %2 %3").arg(c.tipo).arg(c.existe).arg(c.comprueba);
        conexion->Responde(kDispositivo, {"name"},
                           c.existe ? ConexionGuion::Filas{{"CopiaTienda"}} : ConexionGuion::Filas{});
        ConexionGuion::Filas posiciones;
        for (const auto& n : c.posiciones) posiciones.append(QList<QVariant>{QStringLiteral("x"), n.toInt()});
        conexion->Responde(kCabecera, QStringList{"BackupName", "Position"}, posiciones);
        Abre();
        (QString(c.tipo) == "registro"      ? p->optRegistro
         : QString(c.tipo) == "diferencial" ? p->optDiferencial
                                            : p->optCompleta)
            ->setChecked(true);
        p->chkComprobar->setChecked(c.comprueba);
        p->cmdAceptar->click();
        EXPECT_EQ(conexion->Enviadas, c.esperadas) << nombre.toStdString();
        EXPECT_EQ(Cajas(), QStringList{c.caja}) << nombre.toStdString();
        EXPECT_EQ(frmCopiaSeguridad::SiExiste(), nullptr) << nombre.toStdString();
        EXPECT_EQ(conexion->CommandTimeout(), 120);
        EXPECT_EQ(puntero.actual, vb::vbDefault);
        EXPECT_EQ(puntero.Historia.value(0), vb::vbHourglass);
        Cierra();
    }
}

TEST_F(VentanaCopia, TheBackupAndItsCheckRunWithoutTheTimeOut) {
    conexion->Responde(kCabecera, {"Position"}, {{1}});
    Abre();
    p->chkComprobar->setChecked(true);
    p->cmdAceptar->click();
    EXPECT_EQ(tiempo->Tiempos, (QStringList{kDispositivo + "@120", kAnade + "@120",
                                            "BACKUP DATABASE Tienda TO CopiaTienda@0", kCabecera + "@0",
                                            "RESTORE VERIFYONLY  FROM CopiaTienda@0"}));
    EXPECT_EQ(conexion->CommandTimeout(), 120);
    Cajas();
}

TEST_F(VentanaCopia, StopsAtTheFirstRefusalAndKeepsTheWindow) {
    struct Caso {
        QString falla;
        int enviadas;  // statements sent, the refused one included
    };
    const Caso casos[] = {
        {kBorra, 2},
        {kAnade, 3},
        {"BACKUP DATABASE Tienda TO CopiaTienda", 4},
        {kCabecera, 5},
        {"RESTORE VERIFYONLY  FROM CopiaTienda", 6},
    };
    const QStringList todas{kDispositivo, kBorra, kAnade, "BACKUP DATABASE Tienda TO CopiaTienda", kCabecera,
                            "RESTORE VERIFYONLY  FROM CopiaTienda"};
    for (const auto& c : casos) {
        auto nueva = std::make_shared<ConexionConTiempo>();
        nueva->AbreSinMas();
        nueva->setCommandTimeout(120);
        tiempo = nueva;
        conexion = nueva;
        Conexion = nueva;
        RespondeBases({"master", "Tienda"});
        conexion->Responde(kDispositivo, {"name"}, {{"CopiaTienda"}});
        conexion->Responde(kCabecera, {"Position"}, {{1}});
        conexion->Falla(c.falla, 3201, "Cannot open backup device.");
        Abre();
        p->chkComprobar->setChecked(true);
        p->cmdAceptar->click();
        EXPECT_EQ(conexion->Enviadas, todas.mid(0, c.enviadas)) << c.falla.toStdString();
        EXPECT_EQ(Cajas(), QStringList{" Error Nº:3201 (Cannot open backup device.)."}) << c.falla.toStdString();
        EXPECT_EQ(frmCopiaSeguridad::SiExiste(), p);
        EXPECT_EQ(p->txtDestino->text(), "C:\\Copias\\Tienda.bak");
        EXPECT_TRUE(p->chkComprobar->isChecked());
        EXPECT_EQ(conexion->CommandTimeout(), 120) << c.falla.toStdString();
        EXPECT_EQ(puntero.actual, vb::vbDefault);
        // A retry once the server takes it drops and adds the device again.
        conexion->Falla(c.falla, 0, "");
        nueva = std::make_shared<ConexionConTiempo>();
        nueva->AbreSinMas();
        conexion = nueva;
        Conexion = nueva;
        conexion->Responde(kDispositivo, {"name"}, {{"CopiaTienda"}});
        conexion->Responde(kCabecera, {"Position"}, {{1}});
        p->cmdAceptar->click();
        EXPECT_EQ(conexion->Enviadas, todas);
        EXPECT_EQ(Cajas(), QStringList{QString::fromUtf8("Copia y verificación realizada con exito.")});
        EXPECT_EQ(frmCopiaSeguridad::SiExiste(), nullptr);
        Cierra();
    }
}

TEST_F(VentanaCopia, AFailedDeviceLookupSendsNothing) {
    conexion->Falla(kDispositivo, 229, "SELECT permission denied.");
    Abre();
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, QStringList{kDispositivo});
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:229 (SELECT permission denied.)."});
    EXPECT_EQ(frmCopiaSeguridad::SiExiste(), p);
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(VentanaCopia, NamesAreQuotedAndTheTypedNameServesEveryStatement) {
    RespondeBases({"Mi Base"});
    conexion->Responde(kRecuperacion.arg("Mi Base"), {"r"}, {{"FULL"}});
    conexion->Responde("RESTORE HEADERONLY FROM [Co'pia]", {"Position"}, {{1}});
    Abre("Mi Base");
    EXPECT_EQ(p->txtNombreCopia->text(), "CopiaMi Base");
    p->txtNombreCopia->setText("Co'pia");
    p->txtDestino->setText("/srv/o'h.bak");
    p->chkComprobar->setChecked(true);
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas,
              (QStringList{"select * from master.dbo.sysdevices where name = 'Co''pia'",
                           "EXEC sp_addumpdevice 'disk', 'Co''pia',   '/srv/o''h.bak'",
                           "BACKUP DATABASE [Mi Base] TO [Co'pia]", "RESTORE HEADERONLY FROM [Co'pia]",
                           "RESTORE VERIFYONLY  FROM [Co'pia]"}));
    Cajas();
}

TEST_F(VentanaCopia, CaptionsInEnglish) {
    Abre();
    Idioma = 1;
    p->PonIdioma();
    EXPECT_EQ(p->windowTitle(), "Backup database");
    EXPECT_EQ(p->cmdAceptar->text(), "&Acept");
    EXPECT_EQ(p->fraDestino->title(), " Source ");
    EXPECT_EQ(p->FraTipo->title(), " Type ");
    EXPECT_EQ(p->chkComprobar->text(), "Verify backup");
    EXPECT_EQ(p->optDiferencial->text(), "Diferential");
    EXPECT_EQ(p->optRegistro->text(), "Transactions log");
    p->cmdAceptar->click();
    EXPECT_EQ(Cajas(), QStringList{"Copy realized successfully"});
    Idioma = 0;
}

// ---- Restore ----

namespace {
const QStringList kColumnasLista{"LogicalName", "PhysicalName", "Type"};
}  // namespace

class VentanaRestaura : public VentanaCopia {
protected:
    void SetUp() override {
        VentanaCopia::SetUp();
        ASSERT_TRUE(dir.isValid());
        for (const char* n : {"a.bak", "b.bak", "c.txt"}) {
            QFile f(dir.path() + "/" + n);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        QDir(dir.path()).mkdir("otra");
        ruta = dir.path();
    }
    frmRestaurarCopia* AbreR(const QString& nombre = QStringLiteral("Tienda")) {
        NombreNodo = nombre;
        r = frmRestaurarCopia::Instancia();
        MuestraFormulario(r);
        QApplication::setActiveWindow(r->window());
        r->DirUbicacion->Path(ruta);
        conexion->Enviadas.clear();
        tiempo->Tiempos.clear();
        return r;
    }
    QString Ruta(const QString& fichero) { return ruta + "/" + fichero; }
    // A good backup file: its sets and its database files.
    void Bueno(const QString& fichero, const ConexionGuion::Filas& ficheros, QList<int> sets = {1}) {
        ConexionGuion::Filas posiciones;
        for (int n : sets) posiciones.append(QList<QVariant>{n});
        conexion->Responde(CabeceraFichero(Ruta(fichero)), QStringList{"Position"}, posiciones);
        const int n = sets.isEmpty() ? 0 : *std::max_element(sets.begin(), sets.end());
        conexion->Responde(ListaFicherosCopia(Ruta(fichero), n), kColumnasLista, ficheros);
    }
    void Clic(const QString& fichero) {
        const int i = r->FileUbicacion->findItems(fichero, Qt::MatchExactly).value(0)
                          ? r->FileUbicacion->row(r->FileUbicacion->findItems(fichero, Qt::MatchExactly).value(0))
                          : -1;
        ASSERT_GE(i, 0) << fichero.toStdString();
        r->FileUbicacion->ListIndex(i);
    }
    QStringList Fila(int f) { return {r->Ficheros->LeeCelda(f, 0), r->Ficheros->LeeCelda(f, 1)}; }

    QTemporaryDir dir;
    QString ruta;
    frmRestaurarCopia* r = nullptr;
};

TEST_F(VentanaRestaura, ReadsTheClickedFileIntoTheGrid) {
    Bueno("a.bak", {{"Tienda_Data", "C:\\D\\Tienda.mdf", "D"}, {"Tienda_Log", QVariant(), "L"}});
    AbreR();
    EXPECT_FALSE(r->cmdAceptar->isEnabled());
    EXPECT_EQ(r->FileUbicacion->ListCount(), 3);
    Clic("a.bak");
    const QString a = Ruta("a.bak");
    EXPECT_EQ(conexion->Enviadas, (QStringList{"RESTORE HEADERONLY FROM DISK = '" + a + "'",
                                               "RESTORE VERIFYONLY FROM DISK = '" + a + "'",
                                               " RESTORE FILELISTONLY FROM DISK = '" + a + "'"}));
    EXPECT_EQ(tiempo->Tiempos.join(u'|').count("@0"), 3);
    EXPECT_EQ(conexion->CommandTimeout(), 120);
    EXPECT_EQ(r->NumFicheros, 2);
    EXPECT_EQ(Fila(0), (QStringList{"Tienda_Data", "C:\\D\\Tienda.mdf"}));
    EXPECT_EQ(Fila(1), (QStringList{"Tienda_Log", ""}));
    EXPECT_EQ(r->TDBGridFicheros->MatrizEnlazada(), r->Ficheros);
    EXPECT_TRUE(r->TDBGridFicheros->Columns(0).Locked());
    EXPECT_FALSE(r->TDBGridFicheros->Columns(1).Locked());
    EXPECT_TRUE(r->cmdAceptar->isEnabled());
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(VentanaRestaura, TheNewestSetOfAFileIsNamed) {
    Bueno("a.bak", {{"T", "/d/t.mdf"}}, {1, 3, 2});
    AbreR();
    Clic("a.bak");
    const QString a = Ruta("a.bak");
    EXPECT_EQ(conexion->Enviadas, (QStringList{"RESTORE HEADERONLY FROM DISK = '" + a + "'",
                                               "RESTORE VERIFYONLY FROM DISK = '" + a + "' WITH FILE = 3",
                                               " RESTORE FILELISTONLY FROM DISK = '" + a + "' WITH FILE = 3"}));
    conexion->Enviadas.clear();
    r->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"use master", "RESTORE DATABASE Tienda FROM  DISK ='" + a +
                                                                 "' WITH MOVE 'T' TO '/d/t.mdf', FILE = 3"}));
    EXPECT_EQ(Cajas(), QStringList{QString::fromUtf8("Restauración realizada con exito.")});
    EXPECT_EQ(frmRestaurarCopia::SiExiste(), nullptr);
}

TEST_F(VentanaRestaura, FailuresOfReadingAFile) {
    struct Caso {
        QString falla;  // the statement refused
        qint64 numero;
        QStringList cajas;
    };
    const QString b = Ruta("b.bak");
    const Caso casos[] = {
        {"RESTORE VERIFYONLY FROM DISK = '" + b + "'", 3242, {}},
        {"RESTORE HEADERONLY FROM DISK = '" + b + "'", 3242, {}},
        {"RESTORE VERIFYONLY FROM DISK = '" + b + "'", 3201, {" Error Nº:3201 (Cannot open backup device.)."}},
        {"RESTORE HEADERONLY FROM DISK = '" + b + "'", 3201, {" Error Nº:3201 (Cannot open backup device.)."}},
        {" RESTORE FILELISTONLY FROM DISK = '" + b + "'", 3201, {" Error Nº:3201 (Cannot open backup device.)."}},
    };
    for (const auto& c : casos) {
        Bueno("a.bak", {{"Tienda_Data", "C:\\D\\Tienda.mdf"}});
        Bueno("b.bak", {{"Otra_Data", "C:\\D\\Otra.mdf"}});
        conexion->Falla(c.falla, c.numero, c.numero == 3242 ? "The file is not a valid backup set."
                                                            : "Cannot open backup device.");
        AbreR();
        Clic("a.bak");
        ASSERT_EQ(r->NumFicheros, 1);
        Clic("b.bak");
        EXPECT_EQ(Cajas(), c.cajas) << c.falla.toStdString();
        EXPECT_EQ(r->NumFicheros, 0);
        EXPECT_EQ(r->TDBGridFicheros->MatrizEnlazada()->Filas(), 0);
        EXPECT_FALSE(r->cmdAceptar->isEnabled());
        EXPECT_EQ(conexion->CommandTimeout(), 120);
        EXPECT_EQ(puntero.actual, vb::vbDefault);
        // A good file read again switches Restore back on.
        Clic("a.bak");
        EXPECT_TRUE(r->cmdAceptar->isEnabled());
        EXPECT_EQ(r->RutaLeida, Ruta("a.bak"));
        r->cmdCancelar->click();
        Cierra();
        conexion->Falla(c.falla, 0, "");
        conexion->Responde(c.falla, QStringList{});
    }
}

TEST_F(VentanaRestaura, RestoresTheFileItReadWithOneOrTwoFiles) {
    struct Caso {
        QString base;
        ConexionGuion::Filas ficheros;
        QString uso;
        QString mover;
    };
    const Caso casos[] = {
        {"Tienda", {{"Tienda_Data", "C:\\D\\Tienda.mdf"}}, "use master", "'Tienda_Data' TO 'C:\\D\\Tienda.mdf'"},
        {"Tienda",
         {{"Tienda_Data", "C:\\D\\Tienda.mdf"}, {"Tienda_Log", "C:\\D\\Tienda.ldf"}},
         "use master",
         "'Tienda_Data' TO 'C:\\D\\Tienda.mdf', MOVE 'Tienda_Log' TO 'C:\\D\\Tienda.ldf'"},
        {"master", {{"master", "C:\\D\\master.mdf"}}, "use msdb", "'master' TO 'C:\\D\\master.mdf'"},
    };
    for (const auto& c : casos) {
        Bueno("a.bak", c.ficheros);
        AbreR(c.base);
        Clic("a.bak");
        // Moving elsewhere changes nothing of what is restored.
        r->DirUbicacion->Path(ruta + "/otra");
        EXPECT_EQ(r->FileUbicacion->ListCount(), 0);
        conexion->Enviadas.clear();
        tiempo->Tiempos.clear();
        r->cmdAceptar->click();
        const QString restaura = "RESTORE DATABASE " + c.base + " FROM  DISK ='" + Ruta("a.bak") + "' WITH MOVE " + c.mover;
        EXPECT_EQ(conexion->Enviadas, (QStringList{c.uso, restaura}));
        EXPECT_EQ(tiempo->Tiempos, (QStringList{c.uso + "@120", restaura + "@0"}));
        EXPECT_EQ(conexion->CommandTimeout(), 120);
        EXPECT_EQ(Cajas(), QStringList{QString::fromUtf8("Restauración realizada con exito.")});
        EXPECT_EQ(frmRestaurarCopia::SiExiste(), nullptr);
        Cierra();
    }
}

TEST_F(VentanaRestaura, ARefusedRestoreKeepsTheWindowAndItsList) {
    Bueno("a.bak", {{"Tienda_Data", "C:\\D\\Tienda.mdf"}});
    conexion->FallaPatron("RESTORE DATABASE .*", 3101, "Exclusive access could not be obtained.");
    AbreR();
    Clic("a.bak");
    r->Ficheros->GrabaCelda(0, 1, "C:\\Nuevo\\T.mdf");
    r->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas.last(),
              "RESTORE DATABASE Tienda FROM  DISK ='" + Ruta("a.bak") + "' WITH MOVE 'Tienda_Data' TO 'C:\\Nuevo\\T.mdf'");
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:3101 (Exclusive access could not be obtained.)."});
    EXPECT_EQ(frmRestaurarCopia::SiExiste(), r);
    EXPECT_EQ(r->NumFicheros, 1);
    EXPECT_TRUE(r->cmdAceptar->isEnabled());
    EXPECT_EQ(conexion->CommandTimeout(), 120);
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(VentanaRestaura, OkAsksForADatabase) {
    Bueno("a.bak", {{"T", "t"}});
    AbreR("Bases de datos");
    Clic("a.bak");
    conexion->Enviadas.clear();
    r->cmdAceptar->click();
    EXPECT_EQ(Cajas(), QStringList{"Seleccione una base de datos."});
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_FALSE(r->cboBD->isEditable());
}

TEST_F(VentanaRestaura, EnterWalksThePhysicalNamesAndWraps) {
    Bueno("a.bak", {{"A", "a"}, {"B", "b"}, {"C", "c"}});
    AbreR();
    Clic("a.bak");
    auto* g = r->TDBGridFicheros;
    g->setFocus();
    auto enter = [&] {
        QKeyEvent pulsa(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : g, &pulsa);
    };
    auto donde = [&] { return QStringLiteral("%1,%2").arg(g->PrimeraFila() + g->FilaActual()).arg(g->ColumnaActual()); };
    g->ColumnaActual(0);
    g->FilaActual(1 - g->PrimeraFila());
    QStringList pasos;
    for (int i = 0; i < 4; ++i) {
        enter();
        pasos.append(donde());
    }
    EXPECT_EQ(pasos, (QStringList{"1,1", "2,1", "0,1", "1,1"}));
}

TEST_F(VentanaRestaura, CaptionsInEnglish) {
    AbreR();
    Idioma = 1;
    r->PonIdioma();
    EXPECT_EQ(r->windowTitle(), "Restore backup");
    EXPECT_EQ(r->cmdAceptar->text(), "&Restore");
    EXPECT_EQ(r->fraOrigen->title(), " Origin ");
    EXPECT_EQ(r->TDBGridFicheros->Columns(0).Caption(), "Name");
    EXPECT_EQ(r->TDBGridFicheros->Columns(1).Caption(), "Fisic Name");
    Idioma = 0;
}
