// The editable grid on a large array: binding 20,000 rows of 6 columns and
// showing them, then scrolling to the last row and back, against the query
// analyzer's read-only grid showing the same rows from a result store.
//
// Usage: bench_rejilla [--rows N] [--runs N]
// The bar: each time of the editable grid at most 2 x the analyzer grid's.
#include "platform/rejillaconsulta.h"
#include "platform/rejilladatos.h"
#include "platform/tabladatos.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int kColumnas = 6;

double segundos(QElapsedTimer& r) { return double(r.nsecsElapsed()) / 1e9; }

// The text of a cell, alike in both grids.
QString Texto(int f, int c) {
    switch (c) {
    case 0: return QString::number(f + 1);
    case 1: return QStringLiteral("Columna%1").arg(f, 6, 10, QLatin1Char('0'));
    case 2: return QStringLiteral("varchar");
    case 3: return QString::number((f * 7) % 4000);
    case 4: return (f % 3) ? QStringLiteral("-1") : QStringLiteral("0");
    default: return QStringLiteral("(getdate())");
    }
}

// Lets the grid lay out and draw what it has been asked to.
void dibuja() { QApplication::processEvents(); }

struct Tiempos {
    double enlace = 1e9;  // from binding to a grid drawn
    double vuelta = 1e9;  // one scroll to the end or back, drawn
};

// Times a grid: bind() binds its rows; both are drawn after each step.
Tiempos Mide(QTableView* g, int vueltas, const std::function<void()>& enlaza, const std::function<void()>& suelta) {
    Tiempos t;
    for (int v = 0; v < vueltas; ++v) {
        suelta();
        dibuja();
        QElapsedTimer r;
        r.start();
        enlaza();
        g->viewport()->repaint();
        dibuja();
        t.enlace = std::min(t.enlace, segundos(r));
        for (int k = 0; k < 10; ++k) {
            r.start();
            g->scrollToBottom();
            g->viewport()->repaint();
            dibuja();
            g->scrollToTop();
            g->viewport()->repaint();
            dibuja();
            t.vuelta = std::min(t.vuelta, segundos(r) / 2);
        }
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int filas = 20000;
    int vueltas = 5;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows")) filas = args[i + 1].toInt();
        if (args[i] == QLatin1String("--runs")) vueltas = args[i + 1].toInt();
    }

    // The same rows in an array and in a result store.
    auto matriz = std::make_shared<GridDataArray>();
    matriz->Redimensiona(1, filas, 0, kColumnas - 1);
    QList<datos::ColumnInfo> columnas;
    for (int c = 0; c < kColumnas; ++c) columnas.append({QStringLiteral("C%1").arg(c), datos::adVarWChar, 50});
    auto tabla = std::make_shared<datos::TablaDatos>(columnas);
    tabla->reserve(filas);
    for (int f = 0; f < filas; ++f) {
        for (int c = 0; c < kColumnas; ++c) {
            const QString t = Texto(f, c);
            matriz->GrabaCelda(f + 1, c, t);
            tabla->appendText(c, t);
        }
        tabla->finishRow();
    }

    RejillaDatos editable(kColumnas);
    for (int c = 0; c < kColumnas; ++c) editable.Columns(c).Caption(columnas[c].name);
    editable.Columns(2).ValueItems().Add("varchar", "varchar");
    editable.Columns(4).CasillaVerificacion(true);
    editable.Columns(5).Boton(true);
    editable.resize(900, 600);
    editable.show();
    RejillaConsulta consulta;
    consulta.resize(900, 600);
    consulta.show();
    dibuja();

    const Tiempos te = Mide(
        &editable, vueltas, [&] { editable.MatrizEnlazada(matriz); },
        [&] { editable.MatrizEnlazada(nullptr); });
    if (editable.model()->rowCount() != filas) {
        std::fprintf(stderr, "the editable grid shows %d rows\n", editable.model()->rowCount());
        return 1;
    }
    const Tiempos tc = Mide(
        &consulta, vueltas,
        [&] {
            consulta.EstableceOrigen(tabla);
            consulta.ReBind();
        },
        [&] {
            consulta.EstableceOrigen(nullptr);
            consulta.ReBind();
        });
    if (consulta.Filas() != filas) {
        std::fprintf(stderr, "the analyzer grid shows %d rows\n", consulta.Filas());
        return 1;
    }

    std::printf("%d rows x %d columns, best of %d\n", filas, kColumnas, vueltas);
    std::printf("                    editable   analyzer   ratio (bar <= 2.00)\n");
    std::printf("bind and draw       %8.4f s %8.4f s   %.2f\n", te.enlace, tc.enlace, te.enlace / tc.enlace);
    std::printf("scroll end or back  %8.4f s %8.4f s   %.2f\n", te.vuelta, tc.vuelta, te.vuelta / tc.vuelta);
    return 0;
}
