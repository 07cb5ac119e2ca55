// The query analyzer on a large result: from the call of Ejecuta to a grid
// ready to show, against the time the recordset alone takes to fetch the
// same rows; then scrolling to the last row and back, against drawing the
// visible rows once.
//
// Usage: bench_analizador [--rows N] [--runs N]
// The bars: Ejecuta <= 1.2 x the fetch alone; a scroll to the end and back
// costs no more than drawing the visible rows.
#include "tablagrande.h"

#include "common/globales.h"
#include "explorer/frmanalizadorconsultas.h"
#include "platform/rejillaconsulta.h"
#include "platform/servicios.h"
#include "platform/textomultilinea.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {
const QString kConsulta = QStringLiteral("select id, nombre, precio, alta from t");

// SQLite has no list of databases: the analyzer's load reports that, and
// the report goes to the terminal instead of a box nobody would close.
class MensajesEnTerminal : public ServicioMensajes {
public:
    int Muestra(const QString& texto, int, const QString&) override {
        std::fprintf(stderr, "(box) %s\n", qPrintable(texto));
        return vb::vbOK;
    }
};

double segundos(QElapsedTimer& r) { return double(r.nsecsElapsed()) / 1e9; }

// Lets the grid draw what it has been asked to draw.
void dibuja() { QApplication::processEvents(); }

// Asks the whole grid (its rows, its headers and its scroll bars) to draw.
void pideDibujo(RejillaConsulta* g) {
    g->viewport()->update();
    g->horizontalHeader()->viewport()->update();
    g->verticalHeader()->viewport()->update();
    g->verticalScrollBar()->update();
    g->horizontalScrollBar()->update();
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MensajesEnTerminal mensajes;
    servicios::Usa(&mensajes);
    qint64 filas = 1000000;
    int vueltas = 3;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows")) filas = args[i + 1].toLongLong();
        if (args[i] == QLatin1String("--runs")) vueltas = args[i + 1].toInt();
    }
    QTemporaryDir dir;
    const QString archivo = dir.filePath(QStringLiteral("grande.db"));
    std::printf("making %lld rows...\n", (long long)filas);
    creaTabla(archivo, filas);

    auto c = std::make_shared<datos::OdbcConnection>();
    c->Open(cadena(archivo));
    Conexion = c;

    double fetch = 1e9, ejecuta = 1e9, scroll = 1e9, visibles = 1e9;
    auto* a = frmAnalizadorConsultas::Instancia();
    a->resize(1000, 700);
    a->show();
    a->txtSQL->EstableceText(kConsulta);
    for (int v = 0; v < vueltas; ++v) {
        QElapsedTimer r;
        {
            r.start();
            datos::Recordset rs;
            rs.Open(kConsulta, *c);
            fetch = std::min(fetch, segundos(r));
        }
        r.start();
        a->Ejecuta();
        QApplication::processEvents();  // the grid is laid out and ready to show
        ejecuta = std::min(ejecuta, segundos(r));
        if (a->GridSQL->Filas() != filas) {
            std::fprintf(stderr, "the grid shows %d rows\n", a->GridSQL->Filas());
            return 1;
        }
        RejillaConsulta* g = a->GridSQL;
        for (int k = 0; k < 20; ++k) {
            r.start();
            pideDibujo(g);
            dibuja();
            visibles = std::min(visibles, segundos(r));
            r.start();
            g->scrollToBottom();
            dibuja();
            g->scrollToTop();
            dibuja();
            scroll = std::min(scroll, segundos(r) / 2);
        }
    }
    std::printf("fetch alone      %8.3f s (%lld rows)\n", fetch, (long long)filas);
    std::printf("Ejecuta to grid  %8.3f s  ratio %.2f (bar <= 1.20)\n", ejecuta, ejecuta / fetch);
    std::printf("draw visible     %8.4f s\n", visibles);
    std::printf("scroll end/back  %8.4f s per move  ratio %.2f (bar <= 1.00 + noise)\n", scroll, scroll / visibles);
    Conexion.reset();
    return 0;
}
