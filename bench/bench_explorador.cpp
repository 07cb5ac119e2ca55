// Filling the explorer's table list, against reading the same recordset alone.
//
// A scripted connection answers the table list's catalog query with N tables
// (name, type, owner, creation date). Two ways, alternating, several runs
// each; the best time counts:
//   read   open the statement with CreaRecordset and read every field the
//          list shows (name, owner, trimmed type, date as text), keeping nothing;
//   fill   the explorer's MuestraTablas on a shown explorer: the same
//          statement, the label, and the list showing the result in place
//          (it reads a row's texts when it paints it).
// Both include opening the recordset (the scripted connection builds its
// rows on every query); the opening alone is printed too. After the fill the
// explorer is painted, scrolled to the end and painted again, to show that
// it stays responsive with the whole list in it; then every cell is read
// through the list once, and a first lookup by key (which makes the list's
// key table) is timed, as what the deferred work costs when it is done.
//
// Usage: bench_explorador [--rows N] [--runs N]
// The bar: fill <= 1.2 x read.
#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/frmadministrador.h"
#include "platform/listaelementos.h"
#include "support/entorno.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kPrefijo = QStringLiteral("Banco..");

QString SqlTablas() {
    return QStringLiteral("Select t.name as tabla,t.xtype as tipo,u.name as usuario,t.crdate as fecha  from ") +
           kPrefijo + QStringLiteral("sysobjects t,") + kPrefijo +
           QStringLiteral("sysusers u where (t.xtype = 'U'or t.xtype = 'S') and u.uid = t.uid order by t.name");
}

// Boxes are counted and their text printed; nothing waits for an answer.
class MensajesContados : public ServicioMensajes {
public:
    int Cajas = 0;
    int Muestra(const QString& texto, int, const QString&) override {
        ++Cajas;
        std::fprintf(stderr, "box: %s\n", qPrintable(texto));
        return vb::vbOK;
    }
};

double Ms(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

// The recordset read alone: what the list reads, kept nowhere.
qsizetype Lee() {
    datos::Recordset rs;
    if (!CreaRecordset(Conexion, rs, SqlTablas())) return -1;
    qsizetype caracteres = rs.RecordCount();
    while (!rs.Eof()) {
        caracteres += rs.Fields(QStringLiteral("tabla")).Texto().size();
        caracteres += rs.Fields(QStringLiteral("usuario")).Texto().size();
        caracteres += Trim(rs.Fields(QStringLiteral("tipo")).Texto()).size();
        caracteres += rs.Fields(QStringLiteral("fecha")).Texto().size();
        rs.MoveNext();
    }
    return caracteres;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int filas = 20000, vueltas = 7;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows")) filas = args[i + 1].toInt();
        if (args[i] == QLatin1String("--runs")) vueltas = args[i + 1].toInt();
    }

    MensajesContados mensajes;
    servicios::Usa(&mensajes);
    RegistroDoble registroDoble;  // the language is already chosen: Spanish
    registroDoble.PonNumero(QStringLiteral("Software\\tolvek"), QStringLiteral("Idioma"), 0);
    registro::Usa(&registroDoble);

    auto conexion = std::make_shared<ConexionGuion>();
    conexion->AbreSinMas();
    Conexion = conexion;
    Idioma = 0;
    NombreServidor = QStringLiteral("BANCO");
    conexion->Responde(QStringLiteral("Select name from master.dbo.sysdatabases order by name"), {"name"},
                       {{QStringLiteral("Banco")}, {QStringLiteral("master")}});
    ConexionGuion::Filas datos;
    datos.reserve(filas);
    const QDateTime base(QDate(2004, 1, 1), QTime(8, 0, 0));
    for (int i = 0; i < filas; ++i) {
        datos.append({QStringLiteral("Tabla_%1_%2").arg(i, 6, 10, QLatin1Char('0')).arg(i % 97),
                      i % 50 == 0 ? QStringLiteral("S ") : QStringLiteral("U "),
                      i % 7 == 0 ? QStringLiteral("juan") : QStringLiteral("dbo"), base.addSecs(qint64(i) * 61)});
    }
    conexion->Responde(SqlTablas(), {"tabla", "tipo", "usuario", "fecha"}, datos);

    mdiPrincipal::Instancia()->Show();
    mdiPrincipal::Instancia()->resize(1100, 760);
    frmAdministrador* explorador = frmAdministrador::Instancia();
    explorador->Show();
    PrefijoBD = kPrefijo;
    app.processEvents();

    std::vector<double> apertura, lectura, relleno;
    qsizetype leidos = 0;
    for (int v = 0; v < vueltas; ++v) {
        QElapsedTimer t;
        t.start();
        datos::Recordset rs;
        CreaRecordset(Conexion, rs, SqlTablas());
        apertura.push_back(Ms(t));
        rs.Close();

        t.restart();
        leidos = Lee();
        lectura.push_back(Ms(t));

        t.restart();
        explorador->MuestraTablas(QString());
        relleno.push_back(Ms(t));
        app.processEvents();
    }
    const int enLista = explorador->ltvTablas->ListItems().Count();

    // Responsiveness with the whole list in it: paint, scroll to the end, paint.
    QElapsedTimer t;
    t.start();
    explorador->grab();
    const double pinta = Ms(t);
    t.restart();
    explorador->ltvTablas->scrollToBottom();
    explorador->ltvTablas->ListItems().Item(enLista).Selected(true);
    explorador->grab();
    const double alFinal = Ms(t);

    // The deferred work, done once: every cell's text through the list, and
    // the key table made by a first lookup.
    t.restart();
    qsizetype celdas = 0;
    const QAbstractItemModel* modelo = explorador->ltvTablas->model();
    for (int f = 0; f < modelo->rowCount(); ++f)
        for (int c = 0; c < modelo->columnCount(); ++c) celdas += modelo->index(f, c).data().toString().size();
    const double todas = Ms(t);
    t.restart();
    const bool hallada = explorador->ltvTablas->ListItems().Existe(QStringLiteral("T%1").arg(filas - 1));
    const double primeraClave = Ms(t);

    const double a = *std::min_element(apertura.begin(), apertura.end());
    const double l = *std::min_element(lectura.begin(), lectura.end());
    const double r = *std::min_element(relleno.begin(), relleno.end());
    const double ratio = r / l;
    std::printf("tables: %d (listed %d, %s), runs: %d, best of each\n", filas, enLista,
                qPrintable(explorador->lblDetalle->text().trimmed()), vueltas);
    std::printf("open the recordset alone:          %8.2f ms\n", a);
    std::printf("read the recordset alone:          %8.2f ms  (open + read every shown field)\n", l);
    std::printf("fill the table list (MuestraTablas): %6.2f ms\n", r);
    std::printf("ratio fill / read:                 %8.2f  (bar: at most 1.20)\n", ratio);
    std::printf("paint the explorer after the fill: %8.2f ms\n", pinta);
    std::printf("scroll to the end, select, paint:  %8.2f ms\n", alFinal);
    std::printf("every cell's text through the list: %7.2f ms (%lld characters)\n", todas,
                static_cast<long long>(celdas));
    std::printf("first lookup by key (key table):   %8.2f ms\n", primeraClave);
    const bool bien = ratio <= 1.2 && enLista == filas && leidos > 0 && celdas > 0 && hallada && mensajes.Cajas == 0;
    std::printf("%s\n", bien ? "PASS" : "FAIL");

    ventanas::DescargaTodas();
    delete mdiPrincipal::SiExiste();
    Conexion.reset();
    servicios::Usa(static_cast<ServicioMensajes*>(nullptr));
    registro::Usa(nullptr);
    return bien ? 0 : 1;
}
