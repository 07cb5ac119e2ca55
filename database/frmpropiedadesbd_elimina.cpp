// The delete button of the filegroups, data-files and log-files tabs: it
// removes the item under the cursor of the current tab's grid from the
// server at once, without asking, and reloads what the removal changed.
//
// A removal always names the window's own database (the one it was opened
// on, or its new name once a rename went through), never the name box while
// a rename waits for OK. In new mode nothing is on the server yet: the
// button only empties the row under the cursor.

#include "database/frmpropiedadesbd.h"
#include "database/textosbd.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/controlpestanas.h"
#include "platform/rejilladatos.h"

namespace {

int FilaBajoCursor(const RejillaDatos* g) { return g->PrimeraFila() + g->FilaActual(); }

}  // namespace

void frmPropiedadesBD::cmdEliminarFila_Click(int /*Index*/) {
    Atrapa("cmdEliminarFila_Click", [&] {
        const int pestaña = sstBaseDatos->PestañaActual();
        if (EsNueva) {
            VaciaFila();
            return;
        }
        if (pestaña == PestañaArchivos || pestaña == PestañaTransacciones) {
            const bool registro = pestaña == PestañaTransacciones;
            RejillaDatos* g = registro ? TDBGridTransacciones : TDBGridArchivos;
            ArrayDatos& a = registro ? ArrayTransacciones : ArrayArchivos;
            const int fila = FilaBajoCursor(g);
            // The name as the catalog holds it; blanks alone are an empty row.
            const QString nombre = fila >= 0 && a ? a->LeeCelda(fila, NombreArchivo) : QString();
            if (!Trim(nombre).isEmpty()) {
                Conexion->Execute(TextoEliminaFicheroBD(BaseDatos, nombre));
                // Both file lists come again from the server.
                CargaFicheros();
                if (!a) a = std::make_shared<GridDataArray>();
                g->MatrizEnlazada(a);
                g->Reenlaza();
                g->Refresh();
                if (g->FilaActual() >= 0) g->PrimeraFila(0);
            }
        } else if (pestaña == PestañaGrupos) {
            const int fila = FilaBajoCursor(TDBGridGrupos);
            const QString grupo = fila >= 0 && ArrayGrupos ? ArrayGrupos->LeeCelda(fila, 0) : QString();
            const QString ficheros = Trim(TDBGridGrupos->Columns(1).Value());
            // A group typed here and never saved has no count: it is not on
            // the server, and the reload below takes it away.
            if (!Trim(grupo).isEmpty() && !ficheros.isEmpty()) {
                if (Val(ficheros) != 0) {
                    MensajeUsuario(QStringLiteral("El grupo de archivo contiene un o mas archivos. No se puede eliminar."),
                                   QStringLiteral("File group have one or more files. Can't delete it."));
                } else {
                    Conexion->Execute(TextoEliminaGrupoBD(BaseDatos, grupo));
                }
            }
        }
        RecargaGrupos();
    });
}

void frmPropiedadesBD::RecargaGrupos() {
    ArrayGrupos = std::make_shared<GridDataArray>();
    ArrayGrupos->Redimensiona(0, 200, 0, 4);
    CapturaGruposFicheros_SQL(BaseDatos, ArrayGrupos);
    TDBGridGrupos->MatrizEnlazada(ArrayGrupos);
    TDBGridGrupos->Reenlaza();
    TDBGridGrupos->Refresh();
    if (TDBGridGrupos->FilaActual() >= 0) TDBGridGrupos->PrimeraFila(0);
}

void frmPropiedadesBD::VaciaFila() {
    RejillaDatos* g = nullptr;
    switch (sstBaseDatos->PestañaActual()) {
    case PestañaGrupos: g = TDBGridGrupos; break;
    case PestañaArchivos: g = TDBGridArchivos; break;
    case PestañaTransacciones: g = TDBGridTransacciones; break;
    default: return;
    }
    const ArrayDatos a = g->MatrizEnlazada();
    const int fila = FilaBajoCursor(g);
    if (!a || fila < a->FilaInferior() || fila > a->FilaSuperior()) return;
    // Drop an edit in course first, so that it cannot land in the emptied row.
    g->Reenlaza();
    for (int c = a->ColumnaInferior(); c <= a->ColumnaSuperior(); ++c) a->GrabaCelda(fila, c, QString());
    g->Reenlaza();
    g->Refresh();
}
