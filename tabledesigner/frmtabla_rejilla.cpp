// The column grid: type defaults and cell locks, the check of each cell, the
// immediate change of a column that exists in the database, and the grid's
// rows and keys.
//
// The grid shows rows 0..200 of ArrayCampos, but a design holds at most 200
// columns: row 200 never takes a name, an insert that would push a named row
// past row 199 is refused, and Enter on the last cell of row 199 goes back
// to row 0.

#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "common/menusprincipales.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/rejilladatos.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPoint>
#include <QPushButton>

#include <cmath>

namespace {

// The last row that can hold a column; ArrayCampos has one more.
constexpr int kUltimaFilaCampo = 199;
// Columns 0..10 move with a row.
constexpr int kUltimaColumnaFila = IntercalacionCampo;
constexpr int kUltimaFilaLista = 199;

const QString kEstadoExiste = QStringLiteral("M");

bool Blanco(const QString& s) { return Trim(s).isEmpty(); }

bool MismoNombre(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The rows of a list that the designer walks (0..199), as far as it has them.
int UltimaFila(const GridDataArray& a) { return std::min(kUltimaFilaLista, a.FilaSuperior()); }

}  // namespace

void frmTabla::ConectaRejilla() {
    RejillaDatos* g = TDBGridTabla;
    g->AfterColEdit = [this](int c) { TDBGridTabla_AfterColEdit(c); };
    g->BeforeColEdit = [this](int c, int k, int& cancel) { TDBGridTabla_BeforeColEdit(c, k, cancel); };
    g->BeforeColUpdate = [this](int c, const QString& viejo, int& cancel) {
        TDBGridTabla_BeforeColUpdate(c, viejo, cancel);
    };
    g->BeforeRowColChange = [this](int& cancel) { TDBGridTabla_BeforeRowColChange(cancel); };
    g->RowColChange = [this](int fila, int col) { TDBGridTabla_RowColChange(fila, col); };
    g->LostFocus = [this] { TDBGridTabla_LostFocus(); };
    g->KeyDown = [this](int& k, int shift) { TDBGridTabla_KeyDown(k, shift); };
    g->KeyPress = [this](int& k) { TDBGridTabla_KeyPress(k); };
    g->MouseDown = [this](int b, int shift, int x, int y) { TDBGridTabla_MouseDown(b, shift, x, y); };
    g->ValueItemError = [this](int c) { TDBGridTabla_ValueItemError(c); };
    connect(cmdEliminarFila, &QPushButton::clicked, this, [this] { cmdEliminarFila_Click(); });
    // Installed after the window's own Enter-as-Tab filter, so it runs first.
    ConectaKeyPress(txtNombreTabla, [this](short& k) { txtNombreTabla_KeyPress(k); });
}

// ---- The current row ----

int frmTabla::FilaCampoActual() const {
    const int fila = TDBGridTabla->FilaActual();
    return fila == -1 ? -1 : TDBGridTabla->PrimeraFila() + fila;
}

QString frmTabla::TipoFilaActual() const {
    const QString texto = TDBGridTabla->Columns(TipoDato).Value();
    // While the type cell is edited it holds the name typed, not the code.
    for (const TipoColumna& t : TiposColumna())
        if (t.Nombre.compare(texto, Qt::CaseInsensitive) == 0) return t.Codigo;
    return texto;
}

void frmTabla::PonTipoPorDefecto() {
    const TipoColumna& t = TipoPorDefecto();
    TDBGridTabla->Columns(TipoDato).Value(t.Codigo);
    TDBGridTabla->Columns(Longitud).Value(t.LongitudInicial);
    TDBGridTabla->Columns(Precision).Value(t.PrecisionInicial);
    TDBGridTabla->Columns(Escala).Value(t.EscalaInicial);
}

// ---- Types and locks ----

void frmTabla::TDBGridTabla_AfterColEdit(int ColIndex) {
    Atrapa("TDBGridTabla_AfterColEdit", [&] {
        if (TDBGridTabla->Columns(EstadoCampo).Value() != kEstadoExiste && ColIndex == TipoDato) {
            // A column that exists in the database keeps its sizes.
            if (const TipoColumna* t = TipoPorCodigo(TipoFilaActual())) {
                TDBGridTabla->Columns(Longitud).Value(t->LongitudInicial);
                TDBGridTabla->Columns(Precision).Value(t->PrecisionInicial);
                TDBGridTabla->Columns(Escala).Value(t->EscalaInicial);
            }
        }
        GestionaBloqueoCeldas();
    });
}

void frmTabla::GestionaBloqueoCeldas() {
    Atrapa("GestionaBloqueoCeldas", [&] {
        for (int c : {Longitud, Precision, Escala}) TDBGridTabla->Columns(c).Locked(false);
        const BloqueoCeldas b = BloqueosDeTipo(TipoFilaActual());
        TDBGridTabla->Columns(Longitud).Locked(b.BloqueaLongitud);
        TDBGridTabla->Columns(Precision).Locked(b.BloqueaPrecision);
        TDBGridTabla->Columns(Escala).Locked(b.BloqueaEscala);
    });
}

void frmTabla::GestionaLongitudPrecisionEscala() {}

// ---- The check of a cell ----

void frmTabla::CorrigeCelda(int Columna, const QString& Texto) {
    ColumnaRejilla celda = TDBGridTabla->Columns(Columna);
    // The text as it stands is left to be stored by the grid, with its events.
    if (celda.Value() == Texto) return;
    const bool editada = TDBGridTabla->EnEdicion() && TDBGridTabla->ColumnaActual() == Columna;
    const int fila = FilaCampoActual();
    const QString guardado = ArrayCampos->LeeCelda(fila, Columna);
    celda.Value(Texto);
    if (!editada || guardado == Texto || ArrayCampos->LeeCelda(fila, EstadoCampo) != kEstadoExiste) return;
    // Written by code, the user's edit is stored at once, without the
    // grid's events: the column's change must still reach the server now.
    int cancel = 0;
    TDBGridTabla_BeforeColUpdate(Columna, guardado, cancel);
    if (cancel) celda.Value(guardado);
}

bool frmTabla::CompruebaCelda(int ColIndex) {
    bool ok = false;
    Atrapa("CompruebaCelda", [&] {
        RejillaDatos* g = TDBGridTabla;
        const auto rechaza = [&](int columna, const QString& texto) {
            CorrigeCelda(columna, texto);
            DaTeclado(g);
            // Set again on its own cell the grid would store the edit in course.
            if (g->ColumnaActual() != columna) g->ColumnaActual(columna);
            ok = false;
        };
        // The cell's leading number, rounded half to even.
        const auto numero = [&](int columna) { return std::nearbyint(Val(g->Columns(columna).Value())); };
        const auto texto = [](double v) { return QString::number(v, 'f', 0); };
        // A size the row's type locks is the type's own: nothing to check or correct.
        const BloqueoCeldas bloqueo = BloqueosDeTipo(TipoFilaActual());
        if ((ColIndex == Longitud && bloqueo.BloqueaLongitud) || (ColIndex == Precision && bloqueo.BloqueaPrecision) ||
            (ColIndex == Escala && bloqueo.BloqueaEscala)) {
            ok = true;
            return;
        }
        switch (ColIndex) {
        case NombreCampo:
            if (!Blanco(g->Columns(NombreCampo).Value()) && g->Columns(TipoDato).Value().isEmpty())
                PonTipoPorDefecto();
            ok = true;
            break;
        case TipoDato:
            TDBGridTabla_AfterColEdit(TipoDato);
            ok = true;
            break;
        case Longitud: {
            const double l = numero(Longitud);
            const bool nvarchar = TipoFilaActual() == QLatin1String("13");
            const double maximo = nvarchar ? 4000 : 8000;
            if (l < 1 || l > maximo) {
                if (nvarchar)
                    MensajeUsuario(QStringLiteral("Valor de Longitud debe ser de 1 a 4000."),
                                   QStringLiteral("Length between 1 to 4000."));
                else
                    MensajeUsuario(QStringLiteral("Valor de Longitud debe ser de 1 a 8000."),
                                   QStringLiteral("Length between 1 to 8000."));
                rechaza(Longitud, l < 1 ? QStringLiteral("1") : texto(maximo));
            } else {
                CorrigeCelda(Longitud, texto(l));
                ok = true;
            }
            break;
        }
        case Precision: {
            const double p = numero(Precision);
            if (p < 1 || p > 28) {
                MensajeUsuario(QStringLiteral("Valor de Precisión debe ser de 1 a 28."),
                               QStringLiteral("Precision between 1 to 28."));
                rechaza(Precision, p < 1 ? QStringLiteral("1") : QStringLiteral("28"));
            } else {
                CorrigeCelda(Precision, texto(p));
                const QString tipo = TipoFilaActual();
                if (tipo == QLatin1String("5") || tipo == QLatin1String("12"))
                    g->Columns(Longitud).Value(p <= 9 ? QStringLiteral("5") : p <= 19 ? QStringLiteral("9")
                                                                                      : QStringLiteral("13"));
                ok = true;
            }
            break;
        }
        case Escala: {
            const double s = numero(Escala);
            const QString precision = g->Columns(Precision).Value();
            if (s < 0 || s > 28) {
                MensajeUsuario(QStringLiteral("Valor de Escala debe ser de 1 a 28."),
                               QStringLiteral("Scale between 1 to 28."));
                rechaza(Escala, s < 0 ? QStringLiteral("1") : QStringLiteral("28"));
            } else if (Val(precision) < s) {
                MensajeUsuario(QStringLiteral("Valor de Escala debe estar comprendida entre 0 y ") + precision +
                                   QStringLiteral("."),
                               QStringLiteral("Scale between 0 y ") + precision + QStringLiteral("."));
                rechaza(Escala, precision);
            } else {
                CorrigeCelda(Escala, texto(s));
                ok = true;
            }
            break;
        }
        case ValorNulo:
        case ValorPredeterminado:
            if (g->Columns(ValorNulo).Value() == QLatin1String("-1") &&
                g->Columns(ValorPredeterminado).Value().isEmpty()) {
                MensajeUsuario(QStringLiteral("Inserte valor predeterminado."),
                               QStringLiteral("Insetrt default value."));
                rechaza(ValorPredeterminado, QString());
            } else {
                ok = true;
            }
            break;
        default:
            ok = true;
        }
    });
    return ok;
}

// ---- The grid's events ----

void frmTabla::TDBGridTabla_BeforeColEdit(int ColIndex, int KeyAscii, int& Cancel) {
    Q_UNUSED(KeyAscii);
    Atrapa("TDBGridTabla_BeforeColEdit", [&] {
        RejillaDatos* g = TDBGridTabla;
        if (FilaCampoActual() > kUltimaFilaCampo) {
            // The row past the design's 200 columns takes nothing.
            Cancel = 1;
            Beep();
        } else if (Blanco(g->Columns(NombreCampo).Value()) && ColIndex > NombreCampo) {
            MensajeUsuario(QStringLiteral("Introduzca Nombre del campo."), QStringLiteral("Insert field Name."));
            DaTeclado(g);
            g->ColumnaActual(NombreCampo);
            Cancel = 1;
        } else if (Blanco(g->Columns(TipoDato).Value()) && ColIndex > TipoDato) {
            MensajeUsuario(QStringLiteral("Introduzca tipo de dato."), QStringLiteral("Insert Data type."));
            DaTeclado(g);
            g->ColumnaActual(TipoDato);
            Cancel = 1;
        } else {
            Modificado = true;
        }
    });
}

void frmTabla::TDBGridTabla_BeforeColUpdate(int ColIndex, const QString& OldValue, int& Cancel) {
    Q_UNUSED(OldValue);
    Atrapa("TDBGridTabla_BeforeColUpdate", [&] {
        RejillaDatos* g = TDBGridTabla;
        if (g->Columns(EstadoCampo).Value() != kEstadoExiste) return;
        const int r = FilaCampoActual();
        const QString nuevo = g->Columns(NombreCampo).Value();
        const QString original = ArrayCampos->LeeCelda(r, NombreCampoOriginal);
        // A rename sent at once: the names loaded follow the catalog.
        const auto cambiaCargado = [&](const QString& de, const QString& a) {
            const qsizetype k = CamposCargados.indexOf(de);
            if (k >= 0) CamposCargados[k] = a;
        };
        if (ColIndex == NombreCampo) {
            if (MismoNombre(nuevo, original)) return;
            ArrayCampos->GrabaCelda(r, NombreCampo, nuevo);
            // The lists follow the column as loaded; the save renames it.
            // A key column's descending mark follows it (marca).
            const auto renombra = [&](const ArrayDatos& lista, int columna, bool marca = false) {
                if (!lista) return;
                for (int k = 0; k <= UltimaFila(*lista); ++k) {
                    const QString celda = lista->LeeCelda(k, columna);
                    if (!Blanco(celda) && MismoNombre(celda, original) && !MismoNombre(celda, nuevo)) {
                        lista->GrabaCelda(k, columna, nuevo);
                        if (marca && lista->LeeCelda(k, ColumnaDescendente) == celda)
                            lista->GrabaCelda(k, ColumnaDescendente, lista->LeeCelda(k, columna));
                    }
                }
            };
            for (int i = 0; i < NumeroIndices; ++i)
                if (!Blanco(TablaIndices.Lee(0, i, NombreIndice)))
                    renombra(ArrayIndices.Lee(0, i), ColumnaClaveIndice, true);
            const QString tabla = txtNombreTabla->text();
            for (int i = 0; i < NumeroRelaciones; ++i) {
                if (Blanco(TablaRelaciones.Lee(0, i))) continue;
                const ArrayDatos pares = ArrayRelaciones.Lee(0, i);
                renombra(pares, 1);
                // A relation of the table to itself also names the column
                // on its referenced side.
                if (!pares) continue;
                for (int k = 0; k <= UltimaFila(*pares); ++k) {
                    const QString celda = pares->LeeCelda(k, 2);
                    if (MismoNombre(pares->LeeCelda(k, 3), tabla) && !Blanco(celda) &&
                        MismoNombre(celda, original) && !MismoNombre(celda, nuevo))
                        pares->GrabaCelda(k, 2, nuevo);
                }
            }
            return;
        }
        if (ColIndex < TipoDato || ColIndex > ValorPredeterminado) return;

        PunteroRaton(vb::vbHourglass);
        if (!Conexion) FallaNumero(errnum::ObjetoNoEstablecido);
        Conexion->Execute(QStringLiteral("USE ") + NombreSQL(BaseDatos));
        PonPrefijoBD(BaseDatos);
        const QString tabla = txtNombreTabla->text();
        // The names as they stand, as the save sends them: the catalog's
        // may have blanks of its own.
        const bool renombrada = original.toUpper() != nuevo.toUpper();
        if (renombrada) {
            ArrayCampos->GrabaCelda(r, NombreCampo, nuevo);
            Conexion->Execute(TextoRenombraCampo(tabla, original, nuevo, Propietario));
            ArrayCampos->GrabaCelda(r, NombreCampoOriginal, nuevo);
            cambiaCargado(original, nuevo);
        }
        // The row as it will be: the value being edited in place of the stored one.
        DefinicionCampo nueva;
        nueva.Campo = nuevo;
        nueva.Longitud = Trim(g->Columns(Longitud).Value());
        nueva.Precision = Trim(g->Columns(Precision).Value());
        nueva.Escala = Trim(g->Columns(Escala).Value());
        nueva.Nulo = Trim(g->Columns(ValorNulo).Value());
        nueva.Tipo = TipoFilaActual();
        nueva.Predeterminado = Trim(g->Columns(ValorPredeterminado).Value());
        nueva.NombreDefault = Trim(ArrayCampos->LeeCelda(r, NombreDefault));
        nueva.Intercalacion = ArrayCampos->LeeCelda(r, IntercalacionCampo);
        if (BuscaCambiaVinculos(Conexion, tabla, nueva.Campo, nueva.Campo, true, nueva)) {
            Modificado = true;
        } else {
            Cancel = 1;
            if (renombrada) {
                // The change is whole or nothing: the column gets its name back.
                Conexion->Execute(TextoRenombraCampo(tabla, nuevo, original, Propietario));
                ArrayCampos->GrabaCelda(r, NombreCampoOriginal, original);
                cambiaCargado(nuevo, original);
            }
        }
        PunteroRaton(vb::vbDefault);
    });
}

void frmTabla::TDBGridTabla_BeforeRowColChange(int& Cancel) {
    Q_UNUSED(Cancel);
    Atrapa("TDBGridTabla_BeforeRowColChange", [&] {
        if (!Blanco(TDBGridTabla->Columns(NombreCampo).Value()) && TDBGridTabla->Columns(TipoDato).Value().isEmpty())
            PonTipoPorDefecto();
    });
}

void frmTabla::TDBGridTabla_RowColChange(int LastRow, int LastCol) {
    Q_UNUSED(LastRow);
    Q_UNUSED(LastCol);
    Atrapa("TDBGridTabla_RowColChange", [&] {
        if (TDBGridTabla->ColumnaActual() == TipoDato && !Blanco(TDBGridTabla->Columns(NombreCampo).Value()) &&
            TDBGridTabla->Columns(TipoDato).Value().isEmpty())
            PonTipoPorDefecto();
        GestionaBloqueoCeldas();
    });
}

void frmTabla::TDBGridTabla_LostFocus() {
    Atrapa("TDBGridTabla_LostFocus", [&] {
        if (!TDBGridTabla->Columns(NombreCampo).Value().isEmpty()) CompruebaCelda(TDBGridTabla->ColumnaActual());
    });
}

void frmTabla::TDBGridTabla_KeyDown(int& KeyCode, int Shift) {
    Q_UNUSED(Shift);
    Atrapa("TDBGridTabla_KeyDown", [&] {
        if (KeyCode == 46) EliminarFila();
    });
}

void frmTabla::TDBGridTabla_KeyPress(int& KeyAscii) {
    Atrapa("TDBGridTabla_KeyPress", [&] {
        RejillaDatos* g = TDBGridTabla;
        const int columna = g->ColumnaActual();
        if (KeyAscii != 13) {
            if (g->Columns(columna).Locked()) {
                KeyAscii = 0;
                Beep();
            }
            return;
        }
        // The grid never sees the Enter.
        KeyAscii = 0;
        if (!CompruebaCelda(columna)) return;
        Modificado = true;
        if (columna == ValorPredeterminado) {
            const int fila = FilaCampoActual();
            g->ColumnaActual(NombreCampo);
            const int siguiente = fila >= kUltimaFilaCampo ? 0 : fila + 1;
            g->FilaActual(siguiente - g->PrimeraFila());
        } else {
            g->ColumnaActual(columna + 1);
        }
    });
}

void frmTabla::TDBGridTabla_MouseDown(int Button, int Shift, int x, int y) {
    Q_UNUSED(Shift);
    Atrapa("TDBGridTabla_MouseDown", [&] {
        if (Button != 2) return;
        // The menu's commands act on the row under the cursor: the row
        // clicked becomes it first, or no menu is shown.
        RejillaDatos* g = TDBGridTabla;
        const int fila = g->FilaEn(y);
        if (fila >= 0 && fila != g->FilaActual()) {
            g->FilaActual(fila);
            if (g->FilaActual() != fila) return;
        }
        MenuEmergente(MenusPrincipales::Principales()->mnuTabla, g->viewport()->mapToGlobal(QPoint(x, y)));
    });
}

void frmTabla::TDBGridTabla_ValueItemError(int ColIndex) {
    if (ColIndex == TipoDato && !TDBGridTabla->Columns(TipoDato).Value().isEmpty())
        MensajeUsuario(QStringLiteral("Su entrada debe coincidir con un elemento de la lista."),
                       QStringLiteral("His entry must coincide with an element of the list."));
}

void frmTabla::txtNombreTabla_KeyPress(short& KeyAscii) {
    Atrapa("txtNombreTabla_KeyPress", [&] {
        if (KeyAscii == 13) KeyAscii = SalidaCampo(KeyAscii);
    });
}

// ---- Rows ----

namespace {

void CopiaFila(GridDataArray& a, int desde, int hacia) {
    for (int c = 0; c <= kUltimaColumnaFila; ++c) a.GrabaCelda(hacia, c, a.LeeCelda(desde, c));
}

void VaciaFila(GridDataArray& a, int fila) {
    for (int c = 0; c <= kUltimaColumnaFila; ++c) a.GrabaCelda(fila, c, QString());
}

}  // namespace

void frmTabla::InsertarFila() {
    Atrapa("InsertarFila", [&] {
        RejillaDatos* g = TDBGridTabla;
        const int f = g->PrimeraFila();
        const int c = g->FilaActual();
        const int r = FilaCampoActual();
        if (r < 0) return;
        // The last column would be pushed out of the design.
        if (!Blanco(ArrayCampos->LeeCelda(kUltimaFilaCampo, NombreCampo))) FallaNumero(errnum::FueraDeIntervalo);
        // A cell being edited is stored in its row before the row moves.
        if (g->EnEdicion()) g->ColumnaActual(g->ColumnaActual());
        for (int i = kUltimaFilaCampo; i > r; --i) CopiaFila(*ArrayCampos, i - 1, i);
        if (r <= kUltimaFilaCampo) VaciaFila(*ArrayCampos, r);
        g->Reenlaza();
        g->Refresh();
        g->PrimeraFila(f);
        g->FilaActual(c);
    });
}

void frmTabla::cmdEliminarFila_Click() { EliminarFila(); }

void frmTabla::EliminarFila() {
    Atrapa("EliminarFila", [&] {
        if (MensajeUsuario(QStringLiteral("¿Desea eliminar la fila?"), QStringLiteral("Do you want to delete row?"),
                           vb::vbYesNo + vb::vbQuestion + 256) != vb::vbYes)
            return;
        RejillaDatos* g = TDBGridTabla;
        const QString nombre = g->Columns(NombreCampo).Value();
        if (ExisteCampo_EnIndice(nombre)) {
            MensajeUsuario(QStringLiteral("El campo existe en algún indice. No se puede eliminar."),
                           QStringLiteral("Field exits in some index. Can't delete it."));
        } else if (ExisteCampo_EnRelacion(nombre)) {
            MensajeUsuario(QStringLiteral("El campo existe en algúna relacion. No se puede eliminar."),
                           QStringLiteral("Field exits in some Relations. Can't delete it."));
        } else {
            const int f = g->PrimeraFila();
            EliminaCampo(FilaCampoActual());
            g->Reenlaza();
            g->Refresh();
            g->PrimeraFila(f);
            Modificado = true;
        }
    });
}

void frmTabla::EliminaCampo(qint32 Fila) {
    Atrapa("EliminaCampo", [&] {
        const QString tabla = txtNombreTabla->text();
        const QString campo = ArrayCampos->LeeCelda(Fila, NombreCampo);
        // Row 200 is always empty: removing it moves nothing.
        if (Fila <= kUltimaFilaCampo) {
            for (int i = Fila; i < kUltimaFilaCampo; ++i) CopiaFila(*ArrayCampos, i + 1, i);
            VaciaFila(*ArrayCampos, kUltimaFilaCampo);
        }
        if (Blanco(campo)) return;
        // A relation of the table to itself that references the column goes.
        const auto referencia = [&](int r) {
            if (TablaRelaciones.Lee(0, r).isEmpty()) return false;
            const ArrayDatos pares = ArrayRelaciones.Lee(0, r);
            if (!pares) return false;
            for (int k = 0; k <= UltimaFila(*pares); ++k)
                if (pares->LeeCelda(k, 3) == tabla && pares->LeeCelda(k, 2) == campo) return true;
            return false;
        };
        bool quitada = false;
        for (int r = 0; r < NumeroRelaciones;) {
            if (!referencia(r)) {
                ++r;
                continue;
            }
            const qint32 antes = NumeroRelaciones;
            PosicionEliminada = r;
            RecalculaGridRelaciones();
            CargaRelaciones();
            quitada = true;
            // The next entry has moved into r, unless nothing was taken out.
            if (NumeroRelaciones >= antes) ++r;
        }
        if (!quitada) return;
        if (NumeroRelaciones > 0) {
            SeleccionaElemento(cboRelaciones, 0, [this] { cboRelaciones_Click(); });
        } else {
            TDBGridRelaciones->MatrizEnlazada(Creada(ArrayRelaciones(0, 0), 4));
            HabilitaRelaciones();
        }
    });
}

bool frmTabla::ExisteCampo_EnIndice(const QString& Campo) {
    bool existe = false;
    Atrapa("ExisteCampo_EnIndice", [&] {
        const QString buscado = Campo.toUpper();
        for (int i = 0; i < NumeroIndices && !existe; ++i) {
            const ArrayDatos lista = ArrayIndices.Lee(0, i);
            if (!lista) continue;
            for (int k = 0; k <= UltimaFila(*lista) && !existe; ++k)
                existe = lista->LeeCelda(k, 1).toUpper() == buscado;
        }
    });
    return existe;
}

bool frmTabla::ExisteCampo_EnRelacion(const QString& Campo) {
    bool existe = false;
    Atrapa("ExisteCampo_EnRelacion", [&] {
        const QString buscado = Campo.toUpper();
        for (int i = 0; i < NumeroRelaciones && !existe; ++i) {
            const ArrayDatos pares = ArrayRelaciones.Lee(0, i);
            if (!pares) continue;
            for (int k = 0; k <= UltimaFila(*pares) && !existe; ++k)
                existe = pares->LeeCelda(k, 1).toUpper() == buscado;
        }
    });
    return existe;
}
