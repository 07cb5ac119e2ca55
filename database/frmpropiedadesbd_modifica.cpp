// The ALTER DATABASE of an existing database: new filegroups, then the data
// files, then the log files, one statement per change. Every pass may be
// repeated after a failure: a filegroup or file is looked up before it is
// added, and a size statement is sent only when the file is to grow.

#include "database/frmpropiedadesbd.h"
#include "database/textosbd.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/rejilladatos.h"

#include <QLineEdit>

#include <cmath>

namespace {

FicheroBD FicheroDe(const GridDataArray& a, int fila, bool registro) {
    FicheroBD f;
    f.Fila = fila;
    f.Nombre = a.LeeCelda(fila, NombreArchivo);
    f.Carpeta = a.LeeCelda(fila, Ubicacion_);
    f.Tamaño = a.LeeCelda(fila, TamañoInicial);
    f.Grupo = registro ? QString() : a.LeeCelda(fila, GrupoArchivos);
    f.Crecimiento = a.LeeCelda(fila, CrecimientoAutomatico);
    f.Unidad = a.LeeCelda(fila, UnidadCrecimiento);
    f.Cantidad = a.LeeCelda(fila, CantidadCrecimiento);
    f.Limite = a.LeeCelda(fila, LimitarCrecimiento);
    f.Maximo = a.LeeCelda(fila, CantidadMaxima);
    return f;
}

}  // namespace

void frmPropiedadesBD::EjecutaSinEspera(const QString& sql) {
    // Growing or adding a file may take longer than any statement should.
    const SinTiempoLimite sinLimite(Conexion);
    Conexion->Execute(sql);
}

bool frmPropiedadesBD::Modifica_BD() {
    bool modificada = false;
    Atrapa("Modifica_BD", [&] {
        const QString bd = NombreBD();
        PonPrefijoBD(bd);
        // A lookup that failed has been reported: its answer means nothing,
        // and nothing more is sent.
        bool fallo = false;
        auto existe = [&](const QString& tabla, const QString& campo, const QString& valor) {
            const qint64 antes = FallosNotificados();
            const bool r = ExisteRegistro(Conexion, false, tabla, {{campo, valor, QStringLiteral("Texto")}});
            fallo = FallosNotificados() != antes;
            return r;
        };

        if (ArrayGrupos)
            for (int fila = 0; fila <= kUltimaFilaBD; ++fila) {
                // Blanks only make a row empty: a group is named as the
                // catalog holds it.
                const QString grupo = ArrayGrupos->LeeCelda(fila, 0);
                if (Trim(grupo).isEmpty()) continue;
                const bool hay = existe(QStringLiteral("sysfilegroups"), QStringLiteral("groupname"), grupo);
                if (fallo) return;
                if (!hay) EjecutaSinEspera(TextoAñadeGrupoBD(bd, grupo));
            }

        for (const bool registro : {false, true}) {
            GridDataArray& a = registro ? *ArrayTransacciones : *ArrayArchivos;
            for (int fila = 0; fila <= kUltimaFilaBD; ++fila) {
                const QString nombre = a.LeeCelda(fila, NombreArchivo);
                if (Trim(nombre).isEmpty()) continue;
                const bool hay = existe(QStringLiteral("sysfiles"), QStringLiteral("name"), nombre);
                if (fallo) return;
                if (!hay) {
                    // Cells left empty take their meaning, and the grid shows it.
                    if (a.LeeCelda(fila, TamañoInicial).isEmpty()) a.GrabaCelda(fila, TamañoInicial, QStringLiteral("0"));
                    if (a.LeeCelda(fila, CantidadCrecimiento).isEmpty())
                        a.GrabaCelda(fila, CantidadCrecimiento, QStringLiteral("0"));
                    if (!registro && a.LeeCelda(fila, GrupoArchivos).isEmpty())
                        a.GrabaCelda(fila, GrupoArchivos, QStringLiteral("PRIMARY"));
                    EjecutaSinEspera(TextoAñadeFicheroBD(bd, FicheroDe(a, fila, registro), registro));
                    continue;
                }
                const FicheroBD f = FicheroDe(a, fila, registro);
                const qint64 antes = FallosNotificados();
                QString paginas = BuscaRegistro(Conexion, QStringLiteral("sysfiles"), QStringLiteral("size"),
                                                QStringLiteral("name"), nombre, QStringLiteral("Texto"));
                if (FallosNotificados() != antes) return;
                if (paginas.isEmpty()) paginas = QStringLiteral("0");
                // The file grows only past both its size rounded half to even
                // (192 pages count as 2 MB) and its exact size: a log's cell
                // shows the exact size, and sent as it stands the server would
                // refuse it as no growth.
                const double exacto = Val(paginas) / 128.0;
                const double tamaño = NumeroBD(f.Tamaño).toDouble();
                if (tamaño > std::nearbyint(exacto) && tamaño > exacto)
                    EjecutaSinEspera(TextoTamañoFicheroBD(bd, f));
                EjecutaSinEspera(TextoCrecimientoFicheroBD(bd, f));
                EjecutaSinEspera(TextoLimiteFicheroBD(bd, f));
            }
        }
        modificada = true;
    });
    TDBGridArchivos->Refresh();
    TDBGridTransacciones->Refresh();
    return modificada;
}
