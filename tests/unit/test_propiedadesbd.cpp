// The database window: loading an existing database's files, the file
// grids as the user drives them (defaults, locks, the size and filegroup
// rules, the limit switch), the folder picker's way back, the CREATE
// DATABASE sent by OK, OK's rename, the removal of a file or filegroup, and
// the statement permissions.

#include "common/funciones.h"
#include "database/frmpropiedadesbd.h"
#include "database/frmubicacion.h"
#include "explorer/consolasql.h"
#include "platform/listasarchivos.h"
#include "platform/rejilladatos.h"
#include "support/explorador_prueba.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

const QString kFicheros = QStringLiteral("Select * from Tienda..sysfiles  order by fileid,groupid");
const QStringList kColumnasFicheros{"name", "filename", "size", "groupid", "growth", "status", "maxsize"};
const QString kGrupos = QStringLiteral(".*from Tienda\\.\\.sysfilegroups g order by groupid");
const QStringList kColumnasGrupos{"groupname", "status", "groupid", "filecount"};
const QString kCR = QStringLiteral("\r");

// The nine option statements OK writes when nothing was read or ticked.
QStringList Opciones(const QString& bd, const QString& modelo = QStringLiteral("FULL")) {
    QStringList r{"alter database " + bd + " set RECOVERY " + modelo};
    for (const char* o : {"ANSI_NULL_DEFAULT", "AUTO_CREATE_STATISTICS", "AUTO_UPDATE_STATISTICS", "AUTO_CLOSE",
                          "QUOTED_IDENTIFIER ", "TORN_PAGE_DETECTION", "AUTO_SHRINK", "RECURSIVE_TRIGGERS"})
        r.append("alter database " + bd + " set " + QString::fromUtf8(o) + " OFF");
    return r;
}

QString Error(qint64 numero) {
    return QStringLiteral(" Error Nº:%1 (%2).").arg(numero).arg(DescripcionError(numero));
}

}  // namespace

class VentanaBD : public PruebaExplorador {
protected:
    void TearDown() override {
        QLocale::setDefault(QLocale::c());
        Ubicacion.clear();
        PruebaExplorador::TearDown();
    }
    // Opens the window as the menu commands do.
    frmPropiedadesBD* Abre(bool nueva, const QString& nombre = QStringLiteral("Tienda")) {
        BDNueva = nueva;
        NombreNodo = nombre;
        p = frmPropiedadesBD::Instancia();
        MuestraFormulario(p);
        QApplication::setActiveWindow(p->window());
        conexion->Enviadas.clear();
        return p;
    }
    // Tienda with its filegroups PRIMARY and HIST, and these files.
    frmPropiedadesBD* AbreTienda(const ConexionGuion::Filas& ficheros) {
        conexion->Responde(kFicheros, kColumnasFicheros, ficheros);
        conexion->RespondePatron(kGrupos, kColumnasGrupos, {{"PRIMARY", 0, 1, 1}, {"HIST", 0, 2, 0}});
        conexion->Responde("Select groupname from Tienda..sysfilegroups where groupid=1", {"groupname"},
                           {{"PRIMARY"}});
        conexion->Responde("Select groupname from Tienda..sysfilegroups where groupid=2", {"groupname"}, {{"HIST"}});
        return Abre(false);
    }
    // A grid on its tab, focused.
    RejillaDatos* Rejilla(bool registro) {
        p->sstBaseDatos->PestañaActual(registro ? PestañaTransacciones : PestañaArchivos);
        g = registro ? p->TDBGridTransacciones : p->TDBGridArchivos;
        g->setFocus();
        QApplication::processEvents();
        return g;
    }
    void Pon(int f, int c) {
        g->ColumnaActual(c);
        g->FilaActual(f - g->PrimeraFila());
    }
    int FilaCursor() { return g->PrimeraFila() + g->FilaActual(); }
    void Tecla(int tecla, const QString& texto = {}) {
        QWidget* w = QApplication::focusWidget() ? QApplication::focusWidget() : g;
        QKeyEvent pulsa(QEvent::KeyPress, tecla, Qt::NoModifier, texto);
        QApplication::sendEvent(w, &pulsa);
        QKeyEvent suelta(QEvent::KeyRelease, tecla, Qt::NoModifier, texto);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &suelta);
    }
    void Escribe(const QString& s) {
        for (QChar ch : s) {
            const QChar m = ch.toUpper();
            const int tecla = m >= u'A' && m <= u'Z'   ? Qt::Key_A + (m.unicode() - 'A')
                              : m >= u'0' && m <= u'9' ? Qt::Key_0 + (m.unicode() - '0')
                                                       : Qt::Key_unknown;
            Tecla(tecla, QString(ch));
        }
    }
    void Enter() { Tecla(Qt::Key_Return, QStringLiteral("\r")); }
    // Types into a cell and confirms with Enter.
    void Teclea(int f, int c, const QString& s) {
        Pon(f, c);
        Escribe(s);
        Enter();
    }
    // The boxes shown since the last look.
    QStringList Cajas() {
        QStringList r;
        for (const auto& c : mensajes.Cajas()) r.append(c.texto);
        mensajes.Cajas().clear();
        mensajes.Cajas();  // counts from the empty list again
        return r;
    }
    QStringList Celdas(const ArrayDatos& a, int f) {
        QStringList r;
        for (int c = 0; c <= CantidadMaxima; ++c) r.append(a->LeeCelda(f, c));
        return r;
    }
    void Fila(const ArrayDatos& a, int f, const QStringList& celdas) {
        for (int c = 0; c < celdas.size(); ++c) a->GrabaCelda(f, c, celdas[c]);
    }
    // The worked example's rows.
    void Ejemplo() {
        p->txtNombreBD->setText("Ventas");
        Fila(p->ArrayArchivos, 0, {"Ventas", "C:\\Datos\\", "10", "PRIMARY", "-1", "P", "10", "0", ""});
        Fila(p->ArrayArchivos, 1, {"Ventas2", "C:\\Datos\\", "5", "PRIMARY", "-1", "M", "5", "-1", "50"});
        Fila(p->ArrayArchivos, 2, {"Hist1", "C:\\Datos\\", "0", "HISTORICO", "0", "P", "10", "0", ""});
        Fila(p->ArrayTransacciones, 0, {"Ventas_log", "C:\\Datos\\", "2", "LOG", "-1", "P", "10", "0", ""});
        p->TDBGridArchivos->Reenlaza();
        p->TDBGridTransacciones->Reenlaza();
    }
    static QString Ejemplo_SQL() {
        return "CREATE DATABASE Ventas" + kCR +
               " ON PRIMARY (NAME = Ventas, FILENAME = 'C:\\Datos\\Ventas.mdf', SIZE = 10MB, MAXSIZE =UNLIMITED,"
               "FILEGROWTH=10%)," + kCR +
               " (NAME = Ventas2, FILENAME = 'C:\\Datos\\Ventas2.ndf', SIZE = 5MB, MAXSIZE =50MB,FILEGROWTH=5MB)," +
               kCR + " FILEGROUP HISTORICO (NAME = Hist1, FILENAME = 'C:\\Datos\\Hist1.ndf', SIZE = 512KB, " +
               "MAXSIZE =UNLIMITED,FILEGROWTH=0)" + kCR +
               " LOG ON  (NAME = Ventas_log, FILENAME = 'C:\\Datos\\Ventas_log.ldf', SIZE = 2MB, "
               "MAXSIZE =UNLIMITED,FILEGROWTH=10%)" + kCR;
    }

    frmPropiedadesBD* p = nullptr;
    RejillaDatos* g = nullptr;
};

// ---- Loading ----

TEST_F(VentanaBD, LoadsEachFileAsTheGridsShowIt) {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    struct Caso {
        const char* nombre;
        QList<QVariant> registro;  // name, filename, size, groupid, growth, status, maxsize
        bool log;
        QStringList fila;
    };
    const Caso casos[] = {
        {"64 pages round to even", {"Tienda", "C:\\Datos\\Tienda.mdf", 64, 1, 10, 1048578, -1}, false,
         {"Tienda", "C:\\Datos\\", "0", "PRIMARY", "-1", "P", "10", "0", ""}},
        {"192 pages, growth in pages, 100 MB maximum", {"T2", "D:\\X\\T2.ndf", 192, 2, 1280, 2, 12800}, false,
         {"T2", "D:\\X\\", "2", "HIST", "-1", "M", "10", "-1", "100"}},
        {"no folder, no growth", {"T3", "T3.ndf", 128, 1, 0, 2, -1}, false,
         {"T3", "", "1", "PRIMARY", "0", "M", "0", "0", ""}},
        {"a log under Spanish settings", {"Tienda_log", "C:\\Datos\\Tienda_log.ldf", 64, 0, 64, 2, 256}, true,
         {"Tienda_log", "C:\\Datos\\", "0,5", "LOG", "-1", "M", "0,5", "-1", "2"}},
    };
    ConexionGuion::Filas filas;
    for (const Caso& c : casos) filas.append(c.registro);
    AbreTienda(filas);
    int datos = 0, log = 0;
    for (const Caso& c : casos) {
        const ArrayDatos a = c.log ? p->ArrayTransacciones : p->ArrayArchivos;
        EXPECT_EQ(Celdas(a, c.log ? log++ : datos++), c.fila) << c.nombre;
    }
    EXPECT_EQ(Celdas(p->ArrayArchivos, 3), QStringList(9, QString()));
    EXPECT_EQ(p->TDBGridArchivos->MatrizEnlazada(), p->ArrayArchivos);
    EXPECT_EQ(p->ArrayGrupos->LeeCelda(1, 0), "HIST");
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBD, MoreFilesThanRowsAreReportedAndTheRowsKept) {
    ConexionGuion::Filas filas;
    for (int i = 0; i < 203; ++i) filas.append({QStringLiteral("f%1").arg(i), "C:\\D\\f.ndf", 128, 1, 0, 2, -1});
    AbreTienda(filas);
    EXPECT_EQ(Cajas(), QStringList{Error(9)});
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(200, 0), "f200");
    EXPECT_EQ(p->TDBGridArchivos->MatrizEnlazada(), p->ArrayArchivos);
}

// ---- The grids ----

TEST_F(VentanaBD, ANamedRowTakesItsDefaults) {
    Abre(true);
    Rejilla(false);
    Teclea(0, NombreArchivo, "Datos");
    EXPECT_EQ(Celdas(p->ArrayArchivos, 0), (QStringList{"Datos", "", "1", "PRIMARY", "-1", "P", "10", "0", ""}));
    EXPECT_EQ(g->ColumnaActual(), Ubicacion_);
    Rejilla(true);
    Teclea(0, NombreArchivo, "Log");
    EXPECT_EQ(Celdas(p->ArrayTransacciones, 0), (QStringList{"Log", "", "1", "LOG", "-1", "P", "10", "0", ""}));
    // A row that has its group keeps its cells.
    Fila(p->ArrayArchivos, 1, {"", "", "7", "HIST", "0", "M", "", "0", ""});
    Rejilla(false);
    g->Reenlaza();
    Teclea(1, NombreArchivo, "Otro");
    EXPECT_EQ(Celdas(p->ArrayArchivos, 1), (QStringList{"Otro", "", "7", "HIST", "0", "M", "", "0", ""}));
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBD, LockedCellsTakeNoEdit) {
    Abre(true);
    Rejilla(false);
    Fila(p->ArrayArchivos, 0, {"A", "", "1", "PRIMARY", "0", "P", "", "0", ""});
    Fila(p->ArrayArchivos, 1, {"B", "", "1", "PRIMARY", "-1", "P", "10", "-1", "5"});
    g->Reenlaza();
    struct Caso {
        int fila, columna;
        int cancel;
    };
    for (const Caso& c : {Caso{0, GrupoArchivos, 1}, Caso{1, GrupoArchivos, 0}, Caso{0, UnidadCrecimiento, 1},
                          Caso{0, CantidadCrecimiento, 1}, Caso{1, CantidadCrecimiento, 0}, Caso{0, CantidadMaxima, 1},
                          Caso{1, CantidadMaxima, 0}, Caso{0, NombreArchivo, 0}, Caso{0, LimitarCrecimiento, 0}}) {
        Pon(c.fila, c.columna);
        int cancel = 0;
        g->BeforeColEdit(c.columna, 0, cancel);
        EXPECT_EQ(cancel, c.cancel) << c.fila << "," << c.columna;
    }
    // Typed into row 0's group, nothing changes.
    Teclea(0, GrupoArchivos, "X");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, GrupoArchivos), "PRIMARY");
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBD, AnExistingFileMayNotShrinkWhateverTheExplorerSelected) {
    AbreTienda({{"Tienda", "C:\\D\\Tienda.mdf", 192, 1, 10, 1048578, -1}});
    conexion->Responde("Select size from Tienda..sysfiles where name = 'Tienda'", {"size"}, {{192}});
    PrefijoBD = QStringLiteral("Otra..");  // the explorer moved on meanwhile
    Rejilla(false);
    Pon(0, TamañoInicial);
    Tecla(Qt::Key_F2);
    Tecla(Qt::Key_Backspace, "\b");
    Escribe("1");
    Enter();
    EXPECT_EQ(Cajas(), QStringList{"Tamaño inicial debe se mayor del existente."});
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, TamañoInicial), "2");
    EXPECT_TRUE(conexion->Enviadas.contains("Select size from Tienda..sysfiles where name = 'Tienda'"));
    EXPECT_EQ(PrefijoBD, "Tienda..");
    // Equal or larger is taken; a new row is never looked up.
    Pon(0, TamañoInicial);
    Tecla(Qt::Key_F2);
    Tecla(Qt::Key_Backspace, "\b");
    Escribe("3");
    Enter();
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, TamañoInicial), "3");
    Teclea(1, NombreArchivo, "Nuevo");
    conexion->Enviadas.clear();
    Pon(1, TamañoInicial);
    Tecla(Qt::Key_F2);
    Tecla(Qt::Key_Backspace, "\b");
    Escribe("0");
    Enter();
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(1, TamañoInicial), "0");
    // A size that is no number is refused before it is compared.
    Pon(1, TamañoInicial);
    Escribe("x");
    Enter();
    EXPECT_EQ(Cajas(), QStringList{"Valor no numérico."});
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(1, TamañoInicial), "");
    EXPECT_EQ(g->ColumnaActual(), TamañoInicial);
}

TEST_F(VentanaBD, FilegroupsMustExistOnlyForAnExistingDatabase) {
    AbreTienda({{"Tienda", "C:\\D\\Tienda.mdf", 128, 1, 10, 1048578, -1}});
    Rejilla(false);
    Teclea(1, NombreArchivo, "F2");
    Teclea(1, GrupoArchivos, "NADA");
    EXPECT_EQ(Cajas(), QStringList{"No existe el grupo de ficheros."});
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(1, GrupoArchivos), "PRIMARY");
    // A group typed with blanks at its ends is matched as it stands.
    p->ArrayGrupos->GrabaCelda(2, 0, " Ventas ");
    for (const QString grupo : {"hist", " Ventas "}) {
        Pon(1, GrupoArchivos);
        Tecla(Qt::Key_F2);
        for (qsizetype i = p->ArrayArchivos->LeeCelda(1, GrupoArchivos).size(); i > 0; --i)
            Tecla(Qt::Key_Backspace, "\b");
        Escribe(grupo);
        Enter();
        EXPECT_EQ(p->ArrayArchivos->LeeCelda(1, GrupoArchivos), grupo);
    }
    // The log grid refuses to start editing a group it does not know.
    Rejilla(true);
    p->ArrayTransacciones->GrabaCelda(1, GrupoArchivos, "LOG");
    g->Reenlaza();
    Pon(1, GrupoArchivos);
    int cancel = 0;
    g->BeforeColEdit(GrupoArchivos, 0, cancel);
    EXPECT_EQ(cancel, 1);
    EXPECT_EQ(Cajas(), QStringList{"No existe el grupo de ficheros."});
    p->Unload();

    Abre(true, "Nueva");
    Rejilla(false);
    Teclea(1, NombreArchivo, "F2");
    Pon(1, GrupoArchivos);
    Tecla(Qt::Key_F2);
    for (int i = 0; i < 7; ++i) Tecla(Qt::Key_Backspace, "\b");
    Escribe("NADA");
    Enter();
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(1, GrupoArchivos), "NADA");
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBD, TheLimitSwitchIsTakenAndItsQuantityAskedFor) {
    Abre(true);
    Rejilla(false);
    Teclea(0, NombreArchivo, "Datos");
    Pon(0, LimitarCrecimiento);
    Tecla(Qt::Key_Space, " ");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, LimitarCrecimiento), "-1");
    EXPECT_EQ(g->ColumnaActual(), CantidadMaxima);
    Pon(0, LimitarCrecimiento);
    Enter();
    EXPECT_EQ(Cajas(), QStringList{"Inserte Cantidad limite."});
    EXPECT_EQ(g->ColumnaActual(), CantidadMaxima);
    Escribe("50");
    Enter();
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, CantidadMaxima), "50");
    EXPECT_EQ(FilaCursor(), 1);
    EXPECT_EQ(g->ColumnaActual(), NombreArchivo);
    // Switched off, the quantity goes; growth off clears its amount.
    Pon(0, LimitarCrecimiento);
    Tecla(Qt::Key_Space, " ");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, CantidadMaxima), "");
    Pon(0, CrecimientoAutomatico);
    Tecla(Qt::Key_Space, " ");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, CantidadCrecimiento), "");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, UnidadCrecimiento), "P");
    // Enter on the last row's last column goes back to the first row.
    Pon(200, CantidadMaxima);
    Enter();
    EXPECT_EQ(FilaCursor(), 0);
    EXPECT_TRUE(Cajas().isEmpty());
}

// ---- The folder picker ----

TEST_F(VentanaBD, TheFolderLandsInTheRowWhoseButtonWasPressed) {
    QTemporaryDir dir;
    Abre(true, "Nueva");
    Rejilla(false);
    Pon(5, Ubicacion_);
    g->ButtonClick(Ubicacion_);
    EXPECT_TRUE(p->EsperaUbicacion);
    auto* u = frmUbicacion::SiExiste();
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->lblUbicacion->text(), u->DirUbicacion->Path());
    // The user goes on elsewhere before choosing.
    Pon(2, Ubicacion_);
    Rejilla(true);
    Pon(3, Ubicacion_);
    u->DirUbicacion->Path(dir.path());
    EXPECT_EQ(u->lblUbicacion->text(), QDir::toNativeSeparators(dir.path()));
    u->cmdAceptar->click();
    EXPECT_EQ(frmUbicacion::SiExiste(), nullptr);
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(5, Ubicacion_), QDir::toNativeSeparators(dir.path()) + "/");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(2, Ubicacion_), "");
    EXPECT_EQ(p->ArrayTransacciones->LeeCelda(3, Ubicacion_), "");
    EXPECT_FALSE(p->EsperaUbicacion);
    EXPECT_EQ(Ubicacion, "");

    // A root keeps its one separator; a Windows folder gets "\", a "/" path
    // "/" even after a "\".
    for (const auto& [elegida, celda] : {std::pair{"/", "/"}, std::pair{"C:\\Datos", "C:\\Datos\\"},
                                         std::pair{"/srv/x\\", "/srv/x\\/"}}) {
        Pon(1, Ubicacion_);
        g->ButtonClick(Ubicacion_);
        QApplication::setActiveWindow(frmUbicacion::SiExiste());  // the picker has the keys
        frmUbicacion::SiExiste()->lblUbicacion->setText(elegida);
        frmUbicacion::SiExiste()->cmdAceptar->click();
        QApplication::setActiveWindow(p->window());  // the desktop's, once the picker has gone
        EXPECT_EQ(p->ArrayTransacciones->LeeCelda(1, Ubicacion_), celda);
        EXPECT_TRUE(g == QApplication::focusWidget() || g->isAncestorOf(QApplication::focusWidget())) << elegida;
    }

    // Cancel writes nothing and leaves the request; a later pick lands.
    Pon(4, Ubicacion_);
    g->ButtonClick(Ubicacion_);
    frmUbicacion::SiExiste()->cmdCancelar->click();
    EXPECT_EQ(p->ArrayTransacciones->LeeCelda(4, Ubicacion_), "");
    EXPECT_TRUE(p->EsperaUbicacion);
    Pon(6, Ubicacion_);
    g->ButtonClick(Ubicacion_);
    frmUbicacion::SiExiste()->lblUbicacion->setText("/srv");
    frmUbicacion::SiExiste()->cmdAceptar->click();
    EXPECT_EQ(p->ArrayTransacciones->LeeCelda(6, Ubicacion_), "/srv/");
    EXPECT_EQ(p->ArrayTransacciones->LeeCelda(4, Ubicacion_), "");
    // The cell stays typeable.
    Teclea(7, Ubicacion_, "X");
    EXPECT_EQ(p->ArrayTransacciones->LeeCelda(7, Ubicacion_), "X");
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBD, TheFolderListWalksTheFileSystem) {
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("b");
    QDir(dir.path()).mkdir("a");
    ListaCarpetas lista;
    lista.Path(dir.path());
    EXPECT_EQ(lista.ListCount(), 2);
    EXPECT_EQ(lista.List(0), QDir::toNativeSeparators(dir.path() + "/a"));
    EXPECT_EQ(lista.List(-1), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(lista.List(-2), QDir::toNativeSeparators(QFileInfo(dir.path()).path()));
    EXPECT_EQ(FalloDe([&] { lista.List(2); }).Numero, 9);
    EXPECT_EQ(FalloDe([&] { lista.Path(dir.path() + "/nada"); }).Numero, 76);
    EXPECT_EQ(lista.Path(), QDir::toNativeSeparators(dir.path()));
    // A folder removed after it was listed: Enter on it is reported, and the
    // list stays where it was.
    QDir(dir.path()).rmdir("b");
    emit lista.itemActivated(lista.item(lista.count() - 1));
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:76 (Path not found: '" + QDir::toNativeSeparators(dir.path() + "/b") +
                                   "')."});
    EXPECT_EQ(lista.Path(), QDir::toNativeSeparators(dir.path()));
    // With no current folder (removed) the list starts at the home folder.
    const QString actual = QDir::currentPath();
    {
        QTemporaryDir borrada;
        QDir::setCurrent(borrada.path());
    }
    ListaCarpetas sinActual;
    QDir::setCurrent(actual);
    EXPECT_EQ(sinActual.Path(), QDir::toNativeSeparators(QDir::homePath()));
    ListaUnidades unidades;
    EXPECT_FALSE(unidades.Drive().isEmpty());
}

// ---- CREATE DATABASE ----

TEST_F(VentanaBD, CreatesTheDatabaseWhereverTheCursorIs) {
    for (int cursor : {0, 3, 150}) {
        Abre(true, "Tienda");
        Ejemplo();
        p->ArrayArchivos->GrabaCelda(200, NombreArchivo, "");
        Rejilla(false);
        Pon(cursor, NombreArchivo);
        conexion->Enviadas.clear();
        conexion->setCommandTimeout(120);
        p->cmdAceptar->click();
        EXPECT_EQ(conexion->Enviadas, (QStringList{" USE master", Ejemplo_SQL(), kBases} + Opciones("Ventas"))) << cursor;
        EXPECT_EQ(conexion->CommandTimeout(), 120);
        EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
        EXPECT_EQ(PrefijoBD, "Ventas..");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(puntero.actual, vb::vbDefault);
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBD, CreateReadsEveryRowAndRefusesWhatIsNoNumber) {
    Abre(true);
    p->txtNombreBD->setText("  Nueva ");
    // The name goes as typed, blanks included.
    Fila(p->ArrayArchivos, 200, {" Ultimo ", "/d/", "", "", "0", "P", "", "0", ""});
    p->TDBGridArchivos->Reenlaza();
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas.value(1), "CREATE DATABASE Nueva" + kCR +
                                                " ON PRIMARY (NAME = [ Ultimo ], FILENAME = '/d/ Ultimo .ndf', "
                                                "SIZE = 512KB, MAXSIZE =UNLIMITED,FILEGROWTH=0)" + kCR);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    Abre(true);
    p->txtNombreBD->setText("Nueva");
    Fila(p->ArrayArchivos, 0, {"F", "/d/", "1", "PRIMARY", "-1", "M", "1", "-1", "mucho"});
    p->TDBGridArchivos->Reenlaza();
    conexion->setCommandTimeout(120);
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, QStringList{" USE master"});
    EXPECT_TRUE(Cajas().value(0).startsWith(" Error Nº:13 (")) << conexion->Enviadas.join("|").toStdString();
    EXPECT_EQ(conexion->CommandTimeout(), 120);
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, CantidadMaxima), "mucho");
    EXPECT_EQ(puntero.actual, vb::vbDefault);

    // A refused CREATE keeps the window, its rows and the time-out.
    p->ArrayArchivos->GrabaCelda(0, CantidadMaxima, "9");
    conexion->FallaPatron("CREATE DATABASE.*", 1802, "CREATE DATABASE failed.");
    conexion->Enviadas.clear();
    p->cmdAceptar->click();
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:1802 (CREATE DATABASE failed.)."});
    EXPECT_EQ(conexion->CommandTimeout(), 120);
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, NombreArchivo), "F");
}

// ---- OK ----

TEST_F(VentanaBD, OkAsksForAName) {
    Abre(true);
    p->txtNombreBD->setText("   ");
    p->cmdAceptar->click();
    EXPECT_EQ(Cajas(), QStringList{"Introduzca nombre de la base de datos."});
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
}

TEST_F(VentanaBD, ARenameIsSentOnce) {
    AbreTienda({});
    RespondeBases({"master", "Nueva"});
    p->txtNombreBD->setText(" Nueva ");
    conexion->FallaPatron("Select groupname from Nueva.*", 916, "No access.");
    p->cmdAceptar->click();
    // The rename is sent from master, never from inside the database.
    EXPECT_EQ(conexion->Enviadas.mid(0, 4), (QStringList{" USE master", " EXEC sp_renamedb 'Tienda','Nueva'", kBases,
                                                         " USE master"}));
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:916 (No access.)."});
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
    EXPECT_EQ(puntero.actual, vb::vbDefault);

    conexion = std::make_shared<ConexionGuion>();
    conexion->AbreSinMas();
    Conexion = conexion;
    conexion->RespondePatron("Select groupname from Nueva\\.\\.sysfilegroups where .*", {"groupname"}, {{"x"}});
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, (QStringList{" USE master",
                                               "Select groupname from Nueva..sysfilegroups where groupname = 'PRIMARY'",
                                               "Select groupname from Nueva..sysfilegroups where groupname = 'HIST'"} +
                                   Opciones("Nueva")));
    EXPECT_EQ(PrefijoBD, "Nueva..");
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBD, ADesignerOnAnotherDatabaseChangesNothingHere) {
    AbreTienda({{"Tienda", "C:\\D\\Tienda.mdf", 128, 1, 10, 1048578, -1}});
    // A designer is opened on Otra meanwhile.
    conexion->RespondePatron(".*from Otra\\.\\.sysfilegroups g order by groupid", kColumnasGrupos,
                             {{"PRIMARY", 0, 1, 1}, {"OTRO", 0, 2, 0}});
    NombreNodo = QStringLiteral("Otra");
    CapturaGruposFicheros_SQL();
    ASSERT_EQ(GruposFicheros->LeeCelda(1, 0), "OTRO");
    EXPECT_FALSE(p->ExisteGrupoFichero("OTRO"));
    EXPECT_TRUE(p->ExisteGrupoFichero("hist"));
    EXPECT_FALSE(p->ExisteGrupoFichero(" HIST"));
    EXPECT_EQ(p->TDBGridGrupos->MatrizEnlazada()->LeeCelda(1, 0), "HIST");
    conexion->RespondePatron("Select groupname from Tienda\\.\\.sysfilegroups where .*", {"groupname"}, {{"x"}});
    conexion->Responde("Select name from Tienda..sysfiles where name = 'Tienda'", {"name"}, {{"Tienda"}});
    conexion->Responde("Select size from Tienda..sysfiles where name = 'Tienda'", {"size"}, {{128}});
    conexion->Enviadas.clear();
    p->cmdAceptar->click();
    const QString h = "ALTER DATABASE Tienda" + kCR + " MODIFY FILE  (NAME = Tienda,";
    EXPECT_EQ(conexion->Enviadas,
              QStringList({" USE master", "Select groupname from Tienda..sysfilegroups where groupname = 'PRIMARY'",
                           "Select groupname from Tienda..sysfilegroups where groupname = 'HIST'",
                           "Select name from Tienda..sysfiles where name = 'Tienda'",
                           "Select size from Tienda..sysfiles where name = 'Tienda'", h + "FILEGROWTH=10%)",
                           h + " MAXSIZE =UNLIMITED)"}) +
                  Opciones("Tienda"));
    EXPECT_EQ(PrefijoBD, "Tienda..");
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
    EXPECT_TRUE(Cajas().isEmpty());
}

// ---- ALTER DATABASE, options and the General tab ----

class VentanaBDAlter : public VentanaBD {
protected:
    // Tienda with the worked example's rows: Ventas_Data and Ventas_Log on
    // the server (1 MB each), a new filegroup, a new data file and log file.
    void EjemploAlter() {
        AbreTienda({});
        // The lookups answer for whichever database the window names.
        conexion->RespondePatron("Select groupname from \\w+\\.\\.sysfilegroups where groupname = 'PRIMARY'",
                                 {"groupname"}, {{"PRIMARY"}});
        for (const char* f : {"Ventas_Data", "Ventas_Log"}) {
            conexion->RespondePatron(QString("Select name from \\w+\\.\\.sysfiles where name = '%1'").arg(f), {"name"},
                                     {{f}});
            conexion->RespondePatron(QString("Select size from \\w+\\.\\.sysfiles where name = '%1'").arg(f), {"size"},
                                     {{128}});
        }
        Fila(p->ArrayGrupos, 0, {"PRIMARY", "1", "0", "-1"});
        // The grids' last row is read like any other.
        Fila(p->ArrayGrupos, 1, {""});
        Fila(p->ArrayGrupos, 200, {"Historico", "", "0", "0"});
        Fila(p->ArrayArchivos, 0, {"Ventas_Data", "C:\\D\\", "5", "PRIMARY", "-1", "P", "10", "0", ""});
        Fila(p->ArrayArchivos, 1, {"Ventas_Hist", "D:\\Datos\\", "2", "Historico", "-1", "M", "5", "-1", "50"});
        Fila(p->ArrayTransacciones, 0, {"Ventas_Log", "C:\\D\\", "1", "LOG", "-1", "P", "10", "0", ""});
        Fila(p->ArrayTransacciones, 200, {"Ventas_Log2", "D:\\Datos\\", "1", "LOG", "-1", "P", "10", "0", ""});
        p->txtNombreBD->setText("Tienda");
        p->TDBGridArchivos->Reenlaza();
        p->TDBGridTransacciones->Reenlaza();
        conexion->Enviadas.clear();
    }
    static QStringList Sentencias(const QStringList& enviadas) {
        QStringList r;
        for (const QString& s : enviadas)
            if (!s.startsWith("Select ")) r.append(s);
        return r;
    }
    static QStringList EjemploAlter_SQL() {
        const QString h = "ALTER DATABASE Tienda" + kCR;
        return {h + " ADD FILEGROUP Historico",
                h + " MODIFY FILE  (NAME = Ventas_Data, SIZE = 5MB)",
                h + " MODIFY FILE  (NAME = Ventas_Data,FILEGROWTH=10%)",
                h + " MODIFY FILE  (NAME = Ventas_Data, MAXSIZE =UNLIMITED)",
                h + " ADD FILE  (NAME = Ventas_Hist, FILENAME = 'D:\\Datos\\Ventas_Hist.ndf', SIZE = 2MB, "
                    "MAXSIZE =50MB,FILEGROWTH=5MB) TO FILEGROUP Historico",
                h + " MODIFY FILE  (NAME = Ventas_Log,FILEGROWTH=10%)",
                h + " MODIFY FILE  (NAME = Ventas_Log, MAXSIZE =UNLIMITED)",
                h + " ADD LOG FILE  (NAME = Ventas_Log2, FILENAME = 'D:\\Datos\\Ventas_Log2.ldf', SIZE = 1MB, "
                    "MAXSIZE =UNLIMITED,FILEGROWTH=10%)"};
    }
};

TEST_F(VentanaBDAlter, OkAltersInThreePassesWithoutTheTimeOut) {
    EjemploAlter();
    conexion->setCommandTimeout(120);
    p->cmdAceptar->click();
    EXPECT_EQ(Sentencias(conexion->Enviadas), QStringList{" USE master"} + EjemploAlter_SQL() + Opciones("Tienda"));
    EXPECT_EQ(conexion->Enviadas.value(1), "Select groupname from Tienda..sysfilegroups where groupname = 'PRIMARY'");
    EXPECT_EQ(conexion->CommandTimeout(), 120);
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
    EXPECT_EQ(puntero.actual, vb::vbDefault);
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBDAlter, ARefusedAlterStopsOkAndASecondOkRepeatsSafely) {
    EjemploAlter();
    p->txtNombreBD->setText("Nueva");
    RespondeBases({"Nueva"});
    // The third statement is refused.
    conexion->FallaPatron("ALTER DATABASE Nueva\r MODIFY FILE  \\(NAME = Ventas_Data,FILEGROWTH.*", 5039, "No.");
    conexion->setCommandTimeout(120);
    p->cmdAceptar->click();
    QStringList esperado{" USE master", " EXEC sp_renamedb 'Tienda','Nueva'", " USE master"};
    for (const QString& s : EjemploAlter_SQL().mid(0, 3)) esperado.append(QString(s).replace("Tienda", "Nueva"));
    EXPECT_EQ(Sentencias(conexion->Enviadas), esperado);
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:5039 (No.)."});
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
    EXPECT_EQ(conexion->CommandTimeout(), 120);
    EXPECT_EQ(puntero.actual, vb::vbDefault);
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(1, NombreArchivo), "Ventas_Hist");

    // Again, with Historico now on the server and the first file grown: no
    // rename, no second ADD FILEGROUP, no second size statement.
    auto nueva = std::make_shared<ConexionGuion>();
    nueva->AbreSinMas();
    for (const char* g : {"PRIMARY", "Historico"})
        nueva->Responde(QString("Select groupname from Nueva..sysfilegroups where groupname = '%1'").arg(g),
                        {"groupname"}, {{g}});
    for (const char* f : {"Ventas_Data", "Ventas_Log"})
        nueva->Responde(QString("Select name from Nueva..sysfiles where name = '%1'").arg(f), {"name"}, {{f}});
    nueva->Responde("Select size from Nueva..sysfiles where name = 'Ventas_Data'", {"size"}, {{640}});
    nueva->Responde("Select size from Nueva..sysfiles where name = 'Ventas_Log'", {"size"}, {{128}});
    conexion = nueva;
    Conexion = conexion;
    p->cmdAceptar->click();
    esperado = QStringList{" USE master"};
    for (const QString& s : EjemploAlter_SQL().mid(2)) esperado.append(QString(s).replace("Tienda", "Nueva"));
    EXPECT_EQ(Sentencias(conexion->Enviadas), esperado + Opciones("Nueva"));
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBDAlter, AFailedLookupSendsNothingMore) {
    struct Caso {
        const char* consulta;
        int enviadas;  // statements of the example sent before it
    };
    for (const Caso& c : {Caso{"Select name from Tienda..sysfiles where name = 'Ventas_Data'", 1},
                          Caso{"Select groupname from Tienda..sysfilegroups where groupname = 'Historico'", 0}}) {
        EjemploAlter();
        conexion->Falla(c.consulta, 208, "Invalid object.");
        p->cmdAceptar->click();
        EXPECT_EQ(Sentencias(conexion->Enviadas), QStringList{" USE master"} + EjemploAlter_SQL().mid(0, c.enviadas));
        EXPECT_EQ(conexion->Enviadas.last(), c.consulta);
        EXPECT_EQ(Cajas(), QStringList{" Error Nº:208 (Invalid object.)."});
        EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
        EXPECT_EQ(puntero.actual, vb::vbDefault);
        p->cmdCancelar->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(VentanaBDAlter, ANewDatabaseIsCreatedOnceThoughAnOptionFails) {
    Abre(true, "Tienda");
    Ejemplo();
    RespondeBases({"Tienda", "Ventas"});
    conexion->Falla("alter database Ventas set AUTO_UPDATE_STATISTICS OFF", 5070, "In use.");
    p->cmdAceptar->click();
    EXPECT_EQ(conexion->Enviadas, (QStringList{" USE master", Ejemplo_SQL(), kBases} + Opciones("Ventas").mid(0, 4)));
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:5070 (In use.)."});
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
    EXPECT_FALSE(p->EsNueva);
    EXPECT_EQ(p->NombreOriginal, "Ventas");
    EXPECT_EQ(puntero.actual, vb::vbDefault);

    // The second OK alters what was created and writes the options.
    auto nueva = std::make_shared<ConexionGuion>();
    nueva->AbreSinMas();
    nueva->RespondePatron("Select name from Ventas\\.\\.sysfiles where .*", {"name"}, {{"x"}});
    nueva->RespondePatron("Select size from Ventas\\.\\.sysfiles where .*", {"size"}, {{12800}});
    conexion = nueva;
    Conexion = conexion;
    p->cmdAceptar->click();
    const QStringList enviadas = Sentencias(conexion->Enviadas);
    EXPECT_FALSE(enviadas.join("|").contains("CREATE DATABASE")) << enviadas.join("|").toStdString();
    EXPECT_EQ(enviadas.value(1), "ALTER DATABASE Ventas" + kCR + " MODIFY FILE  (NAME = Ventas,FILEGROWTH=10%)");
    EXPECT_EQ(enviadas.mid(enviadas.size() - 9), Opciones("Ventas"));
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
    EXPECT_TRUE(Cajas().isEmpty());
}

// OK on the files as loaded: each is looked up and named as the catalog
// holds it, grows only past both its rounded and its exact size (a log's
// cell shows the exact size), and keeps its limit whatever its growth.
TEST_F(VentanaBDAlter, OkSendsForEachLoadedFileOnlyWhatItsRowHolds) {
    struct Caso {
        const char *nombre, *sql;
        int paginas, maximo;
        const char *tamaño, *crece, *limite;  // size typed (null: as loaded), size statement (null: none)
    };
    const Caso casos[] = {
        {" La", "[ La]", 141, -1, nullptr, nullptr, "UNLIMITED"},  // shows 1,1015625
        {"Lb", "Lb", 63, 12800, nullptr, nullptr, "100MB"},        // shows 0,4921875; growth amount emptied
        {"Lc", "Lc", 192, -1, "2", nullptr, "UNLIMITED"},          // 1.5 MB counts as 2
        {"Ld", "Ld", 141, -1, "2", " SIZE = 2MB)", "UNLIMITED"},
        {"Le", "Le", 63, -1, "1", " SIZE = 1MB)", "UNLIMITED"},
    };
    // Under a locale with digits of its own the cells keep ASCII digits.
    for (const QLocale& local : {QLocale(QLocale::Spanish, QLocale::Spain), QLocale(QLocale::Arabic, QLocale::Egypt)}) {
        QLocale::setDefault(local);
        ConexionGuion::Filas filas;
        for (const Caso& c : casos) filas.append({c.nombre, "C:\\D\\L.ldf", c.paginas, 0, 0, 2, c.maximo});
        AbreTienda(filas);
        conexion->RespondePatron("Select groupname from Tienda\\.\\.sysfilegroups where groupname = '(PRIMARY|HIST| G )'",
                                 {"n"}, {{"x"}});
        QStringList esperado{" USE master"};
        for (int i = 0; i < int(std::size(casos)); ++i) {
            const Caso& c = casos[i];
            for (const QString t : {"name", "size"})
                conexion->Responde("Select " + t + " from Tienda..sysfiles where name = '" + c.nombre + "'", {t},
                                   {{c.paginas}});
            if (c.tamaño) p->ArrayTransacciones->GrabaCelda(i, TamañoInicial, c.tamaño);
            const QString h = "ALTER DATABASE Tienda" + kCR + " MODIFY FILE  (NAME = " + c.sql + ",";
            if (c.crece) esperado.append(h + c.crece);
            esperado += QStringList{h + "FILEGROWTH=0)", h + " MAXSIZE =" + c.limite + ")"};
        }
        p->ArrayTransacciones->GrabaCelda(1, CantidadCrecimiento, "");  // as growth switched off leaves it
        p->ArrayTransacciones->GrabaCelda(6, NombreArchivo, "   ");     // blanks alone: an empty row
        p->ArrayGrupos->GrabaCelda(2, 0, " G ");                       // on the server
        Rejilla(true)->Reenlaza();
        Teclea(0, TamañoInicial, "0");  // the size check looks " La" up too
        EXPECT_EQ(Cajas(), QStringList{"Tamaño inicial debe se mayor del existente."});
        conexion->Enviadas.clear();
        p->cmdAceptar->click();
        EXPECT_EQ(Sentencias(conexion->Enviadas), esperado + Opciones("Tienda"));
        EXPECT_TRUE(Cajas().isEmpty());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(VentanaBDAlter, OptionsAreReadAndWritten) {
    struct Caso {
        QVariant recuperacion;
        QVariant valor;
        int posicion;
        Qt::CheckState estado;
    };
    const QList<Caso> casos = {{"FULL", 1, 0, Qt::Checked},
                               {"BULK_LOGGED", 0, 1, Qt::Unchecked},
                               {QVariant(), QVariant(), 2, Qt::Unchecked},
                               {"SIMPLE", 2, 2, Qt::Unchecked}};
    for (const Caso& c : casos) {
        conexion->Responde("select DATABASEPROPERTYEX ('Tienda','Recovery')", {"v"},
                           {{c.recuperacion}});
        conexion->RespondePatron("select DATABASEPROPERTYEX \\('Tienda','Is.*", {"v"}, {{c.valor}});
        AbreTienda({});
        EXPECT_EQ(p->cboModelo->currentIndex(), c.posicion);
        for (QCheckBox* k : p->CasillasOpciones()) EXPECT_EQ(k->checkState(), c.estado);
        p->cmdCancelar->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // A new database shows the options of model, whatever the name box holds.
    conexion->Responde("select DATABASEPROPERTYEX ('model','Recovery')", {"v"}, {{"BULK_LOGGED"}});
    conexion->RespondePatron("select DATABASEPROPERTYEX \\('model','IsAutoCreateStatistics'\\)", {"v"}, {{1}});
    Abre(true);
    EXPECT_EQ(p->cboModelo->currentIndex(), 1);
    EXPECT_TRUE(p->chkCrearEstadisticas->isChecked());
    EXPECT_FALSE(p->chkActEstadisticas->isChecked());
    p->cmdCancelar->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    AbreTienda({});
    p->cboModelo->setCurrentIndex(1);
    p->chkIdenComillas->setCheckState(Qt::Checked);
    p->chkNULL->setCheckState(Qt::PartiallyChecked);
    conexion->Enviadas.clear();
    ASSERT_TRUE(p->GrabaOpciones());
    QStringList esperado = Opciones("Tienda", "BULK_LOGGED");
    esperado[5] = "alter database Tienda set QUOTED_IDENTIFIER  ON";
    EXPECT_EQ(conexion->Enviadas, esperado);
}

TEST_F(VentanaBDAlter, TheGeneralTabShowsTheServersData) {
    conexion->Responde("select DATABASEPROPERTYEX( 'Tienda' , 'status' )", {"s"}, {{"ONLINE"}});
    conexion->Responde("select name, suser_sname(sid) as owner, crdate, dbid, cmptlevel  from master.dbo.sysdatabases "
                       "where name = 'Tienda'",
                       {"name", "owner", "crdate"}, {{"Tienda", "sa", QDateTime(QDate(2003, 2, 1), QTime(9, 5, 7))}});
    conexion->RespondePatron("declare @low.*", {"t"}, {{"      3.50"}});
    conexion->RespondePatron("(?i).*collation.*", {"c"}, {{"Modern_Spanish_CI_AS"}});
    conexion->RespondePatron(" SELECT usu.Name,case.*", {"n"}, {{"a"}, {"b"}});
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    AbreTienda({});
    EXPECT_EQ(p->lblEstado->text(), "ONLINE");
    EXPECT_EQ(p->lblPropietario->text(), "sa");
    EXPECT_EQ(p->lblFechaCreacion->text(), "01/02/2003 09:05");
    EXPECT_EQ(p->lblTamaño->text(), "3.50 MB");
    EXPECT_EQ(p->lblEspacio->text(), "");
    EXPECT_EQ(p->lblIntercalacion->text(), "Modern_Spanish_CI_AS");
    // The users are counted right after the window's own USE.
    EXPECT_EQ(p->lblUsuarios->text(), "2");
}

TEST_F(VentanaBDAlter, TheUsersAreCountedOnlyAfterTheWindowsOwnUse) {
    struct Caso {
        const char* nombre;
        bool nueva;
        bool usoFalla;
        QString usuarios;
        QStringList cajas;
    };
    const Caso casos[] = {
        {"the window's USE went through", false, false, "2", {}},
        {"the window's USE was refused", false, true, "", {" Error Nº:911 (No such database.)."}},
        {"a new database sends no USE", true, false, "", {}},
    };
    for (const Caso& c : casos) {
        conexion->Enviadas.clear();
        conexion->RespondePatron(" SELECT usu.Name,case.*", {"n"}, {{"a"}, {"b"}});
        if (c.usoFalla) conexion->Falla("USE Tienda", 911, "No such database.");
        if (c.nueva) Abre(true);
        else AbreTienda({});
        EXPECT_EQ(p->lblUsuarios->text(), c.usuarios) << c.nombre;
        EXPECT_EQ(Cajas(), c.cajas) << c.nombre;
        p->cmdCancelar->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// ---- Removing a file or a filegroup ----

class VentanaBDElimina : public VentanaBD {
protected:
    // Tienda with a second data file in HIST, a log file and groups PRIMARY
    // (one file) and HIST (none shown).
    void AbreTiendaConFicheros() {
        AbreTienda({{"Tienda", "C:\\D\\Tienda.mdf", 128, 1, 0, 2, -1},
                    {"Hist1", "C:\\D\\Hist1.ndf", 128, 2, 0, 2, -1},
                    {"Tienda_log", "C:\\D\\Tienda_log.ldf", 128, 0, 0, 2, -1},
                    {"Tienda_log2", "C:\\D\\Tienda_log2.ldf", 128, 0, 0, 2, -1}});
    }
    // What the server answers after the removal.
    void ServidorDespues() {
        conexion->Responde(kFicheros, kColumnasFicheros,
                           {{"Tienda", "C:\\D\\Tienda.mdf", 256, 1, 0, 2, -1},
                            {"Tienda_log", "C:\\D\\Tienda_log.ldf", 128, 0, 0, 2, -1}});
        conexion->RespondePatron(kGrupos, kColumnasGrupos, {{"PRIMARY", 0, 1, 1}, {"NUEVO", 0, 3, 0}});
    }
    void EnPestaña(int pestaña, int fila) {
        p->sstBaseDatos->PestañaActual(pestaña);
        g = pestaña == PestañaGrupos ? p->TDBGridGrupos
            : pestaña == PestañaArchivos ? p->TDBGridArchivos
                                          : p->TDBGridTransacciones;
        g->setFocus();
        Pon(fila, 0);
    }
    static QStringList Sentencias(const QStringList& enviadas) {
        QStringList r;
        for (const QString& s : enviadas)
            if (!s.startsWith("Select ") && !s.startsWith("select ")) r.append(s);
        return r;
    }
};

TEST_F(VentanaBDElimina, RemovesWhatIsUnderTheCursorAndReloads) {
    struct Caso {
        const char* nombre;
        int pestaña;
        int fila;
        QString tecleado;     // a name typed into the box and not applied
        QStringList enviadas;  // statements other than queries
        QStringList cajas;
        bool recargaFicheros;
    };
    const QString h = "ALTER DATABASE Tienda" + kCR;
    const Caso casos[] = {
        {"a data file", PestañaArchivos, 1, {}, {h + " REMOVE FILE Hist1"}, {}, true},
        {"a log file", PestañaTransacciones, 1, {}, {h + " REMOVE FILE Tienda_log2"}, {}, true},
        {"a rename typed and not applied names the window's database", PestañaArchivos, 1, "Nueva",
         {h + " REMOVE FILE Hist1"}, {}, true},
        {"an empty data-file row", PestañaArchivos, 5, {}, {}, {}, false},
        {"an empty log-file row", PestañaTransacciones, 7, {}, {}, {}, false},
        {"a group with files", PestañaGrupos, 0, {}, {},
         {"El grupo de archivo contiene un o mas archivos. No se puede eliminar."}, false},
        {"an empty group", PestañaGrupos, 1, {}, {h + " REMOVE FILEGROUP HIST"}, {}, false},
        {"an empty group row", PestañaGrupos, 4, {}, {}, {}, false},
        {"a group typed and not saved", PestañaGrupos, 2, {}, {}, {}, false},
    };
    for (const Caso& c : casos) {
        AbreTiendaConFicheros();
        if (!c.tecleado.isEmpty()) p->txtNombreBD->setText(c.tecleado);
        // Rows typed and not saved.
        Fila(p->ArrayArchivos, 3, {"Nuevo", "C:\\D\\", "1", "PRIMARY", "-1", "P", "10", "0", ""});
        p->TDBGridArchivos->Reenlaza();
        EnPestaña(c.pestaña, c.fila);
        p->ArrayGrupos->GrabaCelda(2, 0, "TECLEADO");
        p->TDBGridGrupos->Reenlaza();
        ServidorDespues();
        conexion->Enviadas.clear();
        p->cmdEliminarFila[c.pestaña - PestañaGrupos]->click();
        EXPECT_EQ(Sentencias(conexion->Enviadas), c.enviadas) << c.nombre;
        EXPECT_EQ(Cajas(), c.cajas) << c.nombre;
        // The filegroups always come again from the server, from the top.
        EXPECT_EQ(p->TDBGridGrupos->MatrizEnlazada(), p->ArrayGrupos) << c.nombre;
        EXPECT_EQ(p->ArrayGrupos->LeeCelda(1, 0), "NUEVO") << c.nombre;
        EXPECT_EQ(p->ArrayGrupos->LeeCelda(2, 0), "") << c.nombre;
        EXPECT_EQ(p->TDBGridGrupos->PrimeraFila(), 0) << c.nombre;
        EXPECT_TRUE(conexion->Enviadas.join("|").contains("from Tienda..sysfilegroups g")) << c.nombre;
        // A file removal reloads both file lists: the unsaved row is gone.
        EXPECT_EQ(p->ArrayArchivos->LeeCelda(3, 0), c.recargaFicheros ? "" : "Nuevo") << c.nombre;
        EXPECT_EQ(p->ArrayArchivos->LeeCelda(1, 0), c.recargaFicheros ? "" : "Hist1") << c.nombre;
        EXPECT_EQ(p->ArrayTransacciones->LeeCelda(1, 0), c.recargaFicheros ? "" : "Tienda_log2") << c.nombre;
        if (c.recargaFicheros) {
            EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, TamañoInicial), "2") << c.nombre;
            EXPECT_EQ(g->MatrizEnlazada()->LeeCelda(0, 0), c.pestaña == PestañaArchivos ? "Tienda" : "Tienda_log")
                << c.nombre;
            EXPECT_EQ(g->PrimeraFila(), 0) << c.nombre;
        }
        EXPECT_EQ(p->txtNombreBD->text(), c.tecleado.isEmpty() ? "Tienda" : c.tecleado) << c.nombre;
        p->cmdCancelar->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(VentanaBDElimina, ARefusedRemovalIsShownAndChangesNothing) {
    AbreTiendaConFicheros();
    Fila(p->ArrayArchivos, 3, {"Nuevo", "C:\\D\\", "1", "PRIMARY", "-1", "P", "10", "0", ""});
    p->TDBGridArchivos->Reenlaza();
    EnPestaña(PestañaArchivos, 1);
    ServidorDespues();
    conexion->Falla("ALTER DATABASE Tienda" + kCR + " REMOVE FILE Hist1", 5042, "The file cannot be removed.");
    conexion->Enviadas.clear();
    p->cmdEliminarFila[1]->click();
    EXPECT_EQ(conexion->Enviadas, QStringList{"ALTER DATABASE Tienda" + kCR + " REMOVE FILE Hist1"});
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:5042 (The file cannot be removed.)."});
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(1, 0), "Hist1");
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(3, 0), "Nuevo");
    EXPECT_EQ(p->ArrayGrupos->LeeCelda(1, 0), "HIST");
}

TEST_F(VentanaBDElimina, ANameWithBlanksIsRemovedAsItStands) {
    for (const auto& [pestaña, sentencia] : {std::pair{PestañaArchivos, " REMOVE FILE [ Hist]"},
                                             std::pair{PestañaGrupos, " REMOVE FILEGROUP [ G ]"}}) {
        AbreTienda({{"Tienda", "C:\\D\\Tienda.mdf", 128, 1, 0, 2, -1}, {" Hist", "C:\\D\\Hist.ndf", 128, 2, 0, 2, -1}});
        p->ArrayGrupos->GrabaCelda(1, 0, " G ");
        EnPestaña(pestaña, 1);
        conexion->Enviadas.clear();
        p->cmdEliminarFila[pestaña - PestañaGrupos]->click();
        EXPECT_EQ(Sentencias(conexion->Enviadas), QStringList{"ALTER DATABASE Tienda" + kCR + sentencia});
        p->cmdCancelar->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(VentanaBDElimina, ANewDatabaseOnlyLosesTheRowUnderTheCursor) {
    for (const bool registro : {false, true}) {
        Abre(true);
        const ArrayDatos a = registro ? p->ArrayTransacciones : p->ArrayArchivos;
        Fila(a, 0, {"Uno", "C:\\D\\", "1", registro ? "LOG" : "PRIMARY", "-1", "P", "10", "0", ""});
        Fila(a, 1, {"Dos", "C:\\D\\", "2", registro ? "LOG" : "PRIMARY", "-1", "P", "10", "-1", "9"});
        EnPestaña(registro ? PestañaTransacciones : PestañaArchivos, 1);
        g->Reenlaza();
        conexion->Enviadas.clear();
        p->cmdEliminarFila[registro ? 2 : 1]->click();
        EXPECT_TRUE(conexion->Enviadas.isEmpty()) << conexion->Enviadas.join("|").toStdString();
        EXPECT_TRUE(Cajas().isEmpty());
        EXPECT_EQ(Celdas(a, 0)[0], "Uno");
        EXPECT_EQ(Celdas(a, 1), QStringList(9, QString()));
        EXPECT_EQ(g->MatrizEnlazada(), a);
        p->cmdCancelar->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// ---- Statement permissions ----

class VentanaBDPermisos : public VentanaBD {
protected:
    static QString Protecciones(int uid) {
        return QStringLiteral("select * from sysprotects where uid=%1and action IN(203,198,207,222,236,178,228,235 )")
            .arg(uid);
    }
    // Tienda with ana (uid 5), dbo (uid 1, whose protections cannot be read)
    // and "Juan Pérez" (uid 7, no rows).
    void AbrePermisos(const QString& bd = QStringLiteral("Tienda")) {
        conexion->Responde(" SELECT usu.Name as nombre,usu.uid as id From " + bd +
                               "..sysusers usu ,master.dbo.syslogins lo Where usu.sid = lo.sid and  (usu.islogin = 1 "
                               "and usu.isaliased = 0 and usu.hasdbaccess = 1) ",
                           QStringList{"nombre", "id"}, ConexionGuion::Filas{{"ana", 5}, {"dbo", 1}, {"Juan Pérez", 7}});
        conexion->Responde(Protecciones(5), QStringList{"id", "uid", "action", "protecttype"},
                           ConexionGuion::Filas{{0, 5, 198, 205},    // CREATE TABLE granted
                            {0, 5, 207, 206},    // CREATE VIEW denied
                            {0, 5, 222, 204},    // CREATE PROCEDURE granted with grant option
                            {0, 5, 193, 205},    // an action of no column
                            {0, 5, 228, 200},    // an unknown protection
                            {0, 5, 235, 206},    // BACKUP LOG denied ...
                            {0, 5, 235, 205}});  // ... then granted: the later row holds
        conexion->Falla(Protecciones(1), 229, "Permission denied.");
        if (bd == "Tienda") AbreTienda({});
        else Abre(false, bd);
        g = p->TDBGridPermisos;
    }
    QStringList FilaPermisos(int f) {
        QStringList r;
        for (int c = 0; c <= 8; ++c) r.append(p->ArrayPermisos->LeeCelda(f, c));
        return r;
    }
    // Space on a permission cell: the cell takes its next code.
    void Cambia(int f, int c) {
        p->sstBaseDatos->PestañaActual(PestañaPermisos);
        g->setFocus();
        Pon(f, c);
        Tecla(Qt::Key_Space, " ");
    }
};

TEST_F(VentanaBDPermisos, LoadsEachUsersPermissions) {
    AbrePermisos();
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:229 (Permission denied.)."});
    ASSERT_TRUE(p->ArrayPermisos);
    EXPECT_EQ(p->ArrayPermisos->FilaSuperior(), 3);
    EXPECT_EQ(p->ArrayPermisos->ColumnaSuperior(), 9);
    EXPECT_EQ(FilaPermisos(0), (QStringList{"ana", "NA", "PE", "NP", "PE", "NA", "NA", "NA", "PE"}));
    EXPECT_EQ(FilaPermisos(1), (QStringList{"dbo", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA"}));
    EXPECT_EQ(FilaPermisos(2), (QStringList{"Juan Pérez", "NA", "NA", "NA", "NA", "NA", "NA", "NA", "NA"}));
    EXPECT_EQ(FilaPermisos(3), QStringList(9, QString()));
    EXPECT_EQ(g->MatrizEnlazada(), p->ArrayPermisos);
    EXPECT_FALSE(g->Columns(1).Visible());
    for (int k = 2; k <= 8; ++k) EXPECT_TRUE(g->Columns(k).Visible()) << k;
    EXPECT_EQ(g->Columns(3).ValueItems().Count(), 3);
    EXPECT_EQ(g->Columns(3).ValueItems().Item(1).Value, "PE");
    EXPECT_FALSE(g->Columns(3).ValueItems().Item(1).Imagen.isNull());
}

TEST_F(VentanaBDPermisos, MasterShowsCreateDatabaseAndAFailedUserQueryLeavesTheGridUnbound) {
    conexion->Falla(" SELECT usu.Name as nombre,usu.uid as id From master..sysusers usu ,master.dbo.syslogins lo "
                    "Where usu.sid = lo.sid and  (usu.islogin = 1 and usu.isaliased = 0 and usu.hasdbaccess = 1) ",
                    208, "Invalid object.");
    Abre(false, "master");
    EXPECT_TRUE(p->TDBGridPermisos->Columns(1).Visible());
    EXPECT_EQ(Cajas(), QStringList{" Error Nº:208 (Invalid object.)."});
    EXPECT_FALSE(p->TDBGridPermisos->MatrizEnlazada());
}

TEST_F(VentanaBDPermisos, ACellMovesOnAndIsSentAtOnce) {
    AbrePermisos();
    Cajas();
    struct Caso {
        int fila, columna;
        QString antes, despues;
        QString sentencia;
    };
    const QList<Caso> casos = {
        {0, 3, "NP", "NA", "REVOKE CREATE VIEW TO ana"},
        {0, 2, "PE", "NP", "DENY CREATE TABLE TO ana"},
        {0, 2, "NP", "NA", "REVOKE CREATE TABLE TO ana"},
        {1, 2, "NA", "PE", "GRANT CREATE TABLE TO dbo"},
        {1, 8, "NA", "PE", "GRANT BACKUP LOG  TO dbo"},
        {2, 7, "NA", "PE", "GRANT BACKUP DATABASE TO [Juan Pérez]"},
    };
    for (const Caso& c : casos) {
        // The name box no longer holds the window's database.
        p->txtNombreBD->setText("Otra");
        EXPECT_EQ(p->ArrayPermisos->LeeCelda(c.fila, c.columna), c.antes) << c.sentencia.toStdString();
        conexion->Enviadas.clear();
        Cambia(c.fila, c.columna);
        EXPECT_EQ(conexion->Enviadas, (QStringList{"USE Tienda", c.sentencia}));
        EXPECT_EQ(p->ArrayPermisos->LeeCelda(c.fila, c.columna), c.despues) << c.sentencia.toStdString();
        EXPECT_TRUE(Cajas().isEmpty());
    }
}

TEST_F(VentanaBDPermisos, ARefusalPutsTheCellBack) {
    struct Caso {
        const char* nombre;
        QString falla;
    };
    const Caso casos[] = {{"the USE", "USE Tienda"}, {"the GRANT", "GRANT CREATE RULE TO ana"}};
    for (const Caso& c : casos) {
        AbrePermisos();
        Cajas();
        conexion->Falla(c.falla, 4604, "There is no such user.");
        conexion->Enviadas.clear();
        Cambia(0, 5);
        EXPECT_EQ(conexion->Enviadas.last(), c.falla) << c.nombre;
        EXPECT_EQ(Cajas(), QStringList{" Error Nº:4604 (There is no such user.)."}) << c.nombre;
        EXPECT_EQ(p->ArrayPermisos->LeeCelda(0, 5), "NA") << c.nombre;
        // The next change goes on from what the server holds.
        conexion->Responde(c.falla, QStringList{});
        conexion->Enviadas.clear();
        p->cmdCancelar->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(VentanaBDPermisos, TheEmptyRowAndTheUserColumnSendNothing) {
    AbrePermisos();
    Cajas();
    conexion->Enviadas.clear();
    Cambia(3, 2);
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(3, 2), "");
    Pon(0, 0);
    Escribe("x");
    Enter();
    EXPECT_EQ(p->ArrayPermisos->LeeCelda(0, 0), "ana");
    EXPECT_TRUE(conexion->Enviadas.isEmpty()) << conexion->Enviadas.join("|").toStdString();
    EXPECT_TRUE(Cajas().isEmpty());
}

TEST_F(VentanaBDPermisos, ANewDatabaseHasNoPermissions) {
    Abre(true);
    EXPECT_FALSE(p->sstBaseDatos->PestañaActiva(PestañaPermisos));
    EXPECT_FALSE(p->TDBGridPermisos->MatrizEnlazada());
    EXPECT_FALSE(p->ArrayPermisos);
}
