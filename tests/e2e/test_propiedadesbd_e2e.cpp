// Creating a database over the program's real path (ODBC, FreeTDS, TDS)
// against the scripted server: rows typed into the database window, OK
// sends " USE master" and the CREATE DATABASE, and the explorer lists the
// new database; a refused CREATE shows the server's error and keeps the
// rows.

#include "common/menusprincipales.h"
#include "database/frmpropiedadesbd.h"
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/rejilladatos.h"
#include "support/extremo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

using tdstest::Column;
using tdstest::Reply;
using tdstest::Type;

namespace {

Column Nombre(const char* n) { return {n, Type::NVarChar, 128, 0, 0, false}; }
Reply Bases(std::vector<tdstest::Row> filas) { return Reply::rows({Nombre("name")}, std::move(filas)); }

const std::string kCrea =
    "CREATE DATABASE Ventas\r"
    " ON PRIMARY (NAME = Ventas, FILENAME = '/srv/datos/Ventas.mdf', SIZE = 1MB, MAXSIZE =UNLIMITED,FILEGROWTH=10%)\r"
    " LOG ON  (NAME = Ventas_log, FILENAME = '/srv/datos/Ventas_log.ldf', SIZE = 1MB, MAXSIZE =UNLIMITED,"
    "FILEGROWTH=10%)\r";

}  // namespace

class PropiedadesExtremo : public PruebaExtremo {
protected:
    void Tecla(int tecla, const QString& texto = {}) {
        QWidget* w = QApplication::focusWidget() ? QApplication::focusWidget() : g;
        QKeyEvent pulsa(QEvent::KeyPress, tecla, Qt::NoModifier, texto);
        QApplication::sendEvent(w, &pulsa);
        QKeyEvent suelta(QEvent::KeyRelease, tecla, Qt::NoModifier, texto);
        QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &suelta);
    }
    void Teclea(int fila, int columna, const QString& s) {
        g->ColumnaActual(columna);
        g->FilaActual(fila - g->PrimeraFila());
        for (QChar ch : s) Tecla(Qt::Key_unknown, QString(ch));
        Tecla(Qt::Key_Return, QStringLiteral("\r"));
    }
    // A new database named Ventas with one data file and one log file, typed.
    frmPropiedadesBD* NuevaVentas() {
        servidor.setDefaultReply(Reply());
        servidor.on("Select name from master.dbo.sysdatabases order by name", Bases({{"master"}, {"Tienda"}}));
        frmAdministrador* f = ConectaYExplora();
        if (!f) return nullptr;
        f->trvBD->Nodes().Item("B").Selected(true);
        mdiPrincipal::SiExiste()->mnuNuevaBD->trigger();
        auto* p = frmPropiedadesBD::SiExiste();
        if (!p) return nullptr;
        p->txtNombreBD->setText("Ventas");
        QApplication::setActiveWindow(p->window());
        for (bool registro : {false, true}) {
            p->sstBaseDatos->PestañaActual(registro ? PestañaTransacciones : PestañaArchivos);
            g = registro ? p->TDBGridTransacciones : p->TDBGridArchivos;
            g->setFocus();
            Teclea(0, NombreArchivo, registro ? "Ventas_log" : "Ventas");
            Teclea(0, Ubicacion_, "/srv/datos/");
        }
        servidor.clearRecord();
        return p;
    }
    RejillaDatos* g = nullptr;
};

TEST_F(PropiedadesExtremo, ANewDatabaseIsCreatedAndListed) {
    auto* p = NuevaVentas();
    ASSERT_NE(p, nullptr);
    servidor.on("Select name from master.dbo.sysdatabases order by name", Bases({{"master"}, {"Tienda"}, {"Ventas"}}));
    p->cmdAceptar->click();
    const std::vector<std::string> enviadas = servidor.statements();
    ASSERT_GE(enviadas.size(), 3u);
    EXPECT_EQ(enviadas[0], " USE master");
    EXPECT_EQ(enviadas[1], kCrea);
    EXPECT_EQ(enviadas[2], "Select name from master.dbo.sysdatabases order by name");
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), nullptr);
    auto* f = frmAdministrador::SiExiste();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->trvBD->Nodes().Claves().contains("BDVentas"));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(PropiedadesExtremo, ARefusedCreateShowsTheServersErrorAndKeepsTheRows) {
    auto* p = NuevaVentas();
    ASSERT_NE(p, nullptr);
    servidor.on(std::regex("CREATE DATABASE Ventas.*"),
                Reply::error(1802, "CREATE DATABASE failed. Some file names listed could not be created."));
    p->cmdAceptar->click();
    EXPECT_EQ(TextosCajas(),
              QStringList{" Error Nº:1802 (CREATE DATABASE failed. Some file names listed could not be created.)."});
    EXPECT_EQ(frmPropiedadesBD::SiExiste(), p);
    EXPECT_EQ(p->ArrayArchivos->LeeCelda(0, NombreArchivo), "Ventas");
    EXPECT_EQ(p->TDBGridTransacciones->MatrizEnlazada()->LeeCelda(0, Ubicacion_), "/srv/datos/");
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}
