// The relation (foreign-key) editor of the designer: the table's foreign
// keys listed in cboRelaciones, each a name, a referenced table (cboExterna)
// and its column pairs in TDBGridRelaciones: this table's column (grid
// column 1), the referenced column (2) and the referenced table (3, hidden)
// with its owner (column 4 of the array, not shown): every pair carries the
// table, and the save reads it from the first pair. Edits go into
// TablaRelaciones slot 0 and ArrayRelaciones; the one statement sent from
// here is the catalog query that lists the referenced table's columns.

#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/rejilladatos.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// Entries 0..99 are listed and searched: the design holds 100 relations.
constexpr int kUltimaEntrada = 99;
// A pair array: rows 0..200 (0..199 used), columns 0..4.
constexpr int kUltimaFila = 200;
constexpr int kUltimaFilaUsada = 199;
constexpr int kUltimaColumnaPares = ColumnaPropietarioReferida;
constexpr int kColumnaPropia = ColumnaCampoPropio;
constexpr int kColumnaExterna = ColumnaCampoReferido;
constexpr int kColumnaTabla = ColumnaTablaReferida;
// What an entry of the referenced-table list keeps besides its text and
// its position (the item data): the table's name and its owner.
constexpr int kPapelTabla = Qt::UserRole + 1;
constexpr int kPapelPropietario = Qt::UserRole + 2;
// A question whose default answer is No (the second button).
constexpr int kNoPorDefecto = 256;

void CopiaCeldas(const GridDataArray& origen, GridDataArray& destino) {
    const int filaInf = std::max(origen.FilaInferior(), destino.FilaInferior());
    const int filaSup = std::min(origen.FilaSuperior(), destino.FilaSuperior());
    const int colInf = std::max(origen.ColumnaInferior(), destino.ColumnaInferior());
    const int colSup = std::min(origen.ColumnaSuperior(), destino.ColumnaSuperior());
    for (int f = filaInf; f <= filaSup; ++f)
        for (int c = colInf; c <= colSup; ++c) destino.GrabaCelda(f, c, origen.LeeCelda(f, c));
}

}  // namespace

void frmTabla::ConectaRelaciones() {
    connect(cboRelaciones, &QComboBox::currentIndexChanged, this, [this] { cboRelaciones_Click(); });
    connect(cmdNuevaRelacion, &QPushButton::clicked, this, [this] { cmdNuevaRelacion_Click(); });
    ConectaKeyPress(txtNombreRelacion, [this](short& KeyAscii) { txtNombreRelacion_KeyPress(KeyAscii); });
    ConectaValidate(txtNombreRelacion, [this](bool& Cancel) { txtNombreRelacion_Validate(Cancel); });
    // Both columns of a pair offer their lists from a button.
    TDBGridRelaciones->Columns(kColumnaPropia).Boton(true);
    TDBGridRelaciones->Columns(kColumnaExterna).Boton(true);
    TDBGridRelaciones->ButtonClick = [this](int ColIndex) {
        TDBGridRelaciones_ButtonClick(ColIndex);
        AbreLista(TDBGridRelaciones, ColIndex);
    };
    TDBGridRelaciones->ValueItemError = [this](int ColIndex) { TDBGridRelaciones_ValueItemError(ColIndex); };
    TDBGridRelaciones->LostFocus = [this] {
        if (!DevolviendoFoco) TDBGridRelaciones_LostFocus();
    };
    TDBGridRelaciones->RowColChange = [this](int LastRow, int LastCol) {
        TDBGridRelaciones_RowColChange(LastRow, LastCol);
    };
    connect(cmdEliminarRelacion, &QPushButton::clicked, this, [this] { cmdEliminarRelacion_Click(); });
}

// ---- The list of relations ----

void frmTabla::CargaRelaciones() {
    Atrapa("CargaRelaciones", [&] {
        NumeroRelaciones = 0;
        // Listing is not selecting: no click, and no item selected.
        const QSignalBlocker bloqueo(cboRelaciones);
        cboRelaciones->clear();
        for (int i = 0; i <= kUltimaEntrada; ++i) {
            const QString nombre = TablaRelaciones.Lee(0, i);
            if (Trim(nombre).isEmpty()) continue;
            cboRelaciones->addItem(nombre);
            ++NumeroRelaciones;
        }
        cboRelaciones->setCurrentIndex(-1);
    });
}

bool frmTabla::ExisteRelacion(const QString& Nombre, qint32& Posicion) {
    bool existe = false;
    Atrapa("ExisteRelacion", [&] {
        Posicion = -1;
        if (Nombre.isEmpty()) return;
        for (int i = 0; i <= kUltimaEntrada; ++i)
            if (TablaRelaciones.Lee(0, i) == Nombre) {
                Posicion = i;
                existe = true;
                return;
            }
    });
    return existe;
}

void frmTabla::RecalculaGridRelaciones() {
    Atrapa("RecalculaGridRelaciones", [&] {
        const int p = PosicionEliminada;
        const int n = NumeroRelaciones;
        // Only an entry in use can be taken out: anything else would empty
        // the last entry in use.
        if (p < 0 || p >= n) FallaNumero(errnum::FueraDeIntervalo);
        // The pairs move in place, so that the grid showing an entry's array
        // shows what the entry now holds.
        for (int i = p; i < n; ++i) {
            if (i + 1 < n)
                CopiaCeldas(*Creada(ArrayRelaciones(0, i + 1), kUltimaColumnaPares),
                            *Creada(ArrayRelaciones(0, i), kUltimaColumnaPares));
            else
                ArrayRelaciones(0, i).reset();
        }
        for (int i = p + 1; i < n; ++i) TablaRelaciones(0, i - 1) = TablaRelaciones.Lee(0, i);
        TablaRelaciones(0, n - 1) = QString();
    });
}

// ---- Selecting, creating and naming ----

void frmTabla::cboRelaciones_Click() {
    Atrapa("cboRelaciones_Click", [&] {
        const int k = cboRelaciones->currentIndex();
        if (k < 0) return;
        txtNombreRelacion->setText(cboRelaciones->itemText(k));
        TDBGridRelaciones->MatrizEnlazada(Creada(ArrayRelaciones(0, k), kUltimaColumnaPares));
        TDBGridRelaciones->Reenlaza();
        TDBGridRelaciones->Refresh();
        TDBGridRelaciones->PrimeraFila(0);
        TDBGridRelaciones->FilaActual(0);
        // The referenced table of the first pair; none keeps the list as it is.
        const QString tabla = TDBGridRelaciones->Columns(kColumnaTabla).Value();
        if (!tabla.isEmpty())
            SeleccionaTablaExterna(cboExterna, ArrayRelaciones.Lee(0, k)->LeeCelda(0, ColumnaPropietarioReferida),
                                   tabla);
    });
}

void frmTabla::cmdNuevaRelacion_Click() {
    Atrapa("cmdNuevaRelacion_Click", [&] {
        fraNombreRelacion->setEnabled(true);
        lblNombreRelacion->setEnabled(true);
        cboRelaciones->setCurrentIndex(-1);
        txtNombreRelacion->setText(QString());
        DaTeclado(txtNombreRelacion);
    });
}

void frmTabla::txtNombreRelacion_KeyPress(short& KeyAscii) {
    Atrapa("txtNombreRelacion_KeyPress", [&] {
        if (KeyAscii != 13) return;
        bool Cancel = false;
        txtNombreRelacion_Validate(Cancel);
    });
}

void frmTabla::txtNombreRelacion_Validate(bool& Cancel) {
    Q_UNUSED(Cancel);
    Atrapa("txtNombreRelacion_Validate", [&] {
        const QString nombre = txtNombreRelacion->text();
        if (Trim(nombre).isEmpty()) return;
        qint32 posicion = -1;
        if (ExisteRelacion(nombre, posicion)) {
            // One of this table's relations: shown, never renamed.
            cboRelaciones->setItemText(posicion, nombre);
            SeleccionaElemento(cboRelaciones, posicion, [this] { cboRelaciones_Click(); });
            Modificado = true;
            return;
        }
        const int n = NumeroRelaciones;
        // The design holds entries 0..99: a 101st relation is refused whole.
        if (n > kUltimaEntrada) FallaNumero(errnum::FueraDeIntervalo);
        ArrayDatos& pares = ArrayRelaciones(0, n);
        if (!pares) pares = std::make_shared<GridDataArray>();
        pares->Redimensiona(0, kUltimaFila, 0, kUltimaColumnaPares);
        TablaRelaciones(0, n) = nombre;
        NumeroRelaciones = n + 1;
        AgregaElemento(cboRelaciones, nombre);
        SeleccionaElemento(cboRelaciones, cboRelaciones->count() - 1, [this] { cboRelaciones_Click(); });
        lblRelaciones->setEnabled(true);
        lblExterna->setEnabled(true);
        fraRelaciones->setEnabled(true);
        cmdEliminarRelacion->setEnabled(true);
        DaTeclado(cboExterna);
        Modificado = true;
    });
}

// ---- Column pairs ----

void frmTabla::TDBGridRelaciones_ButtonClick(int ColIndex) {
    Atrapa("TDBGridRelaciones_ButtonClick", [&] {
        if (cboExterna->currentIndex() < 0) {
            MensajeUsuario(QStringLiteral("Introduzca tabla externa."), QStringLiteral("Insert foreing table."));
            return;
        }
        if (ColIndex == kColumnaPropia) {
            // Every named column of the grid, those already paired too.
            ElementosValor lista = TDBGridRelaciones->Columns(kColumnaPropia).ValueItems();
            lista.Clear();
            if (!ArrayCampos) return;
            const int ultima = std::min(kUltimaFila, ArrayCampos->FilaSuperior());
            for (int fila = std::max(0, ArrayCampos->FilaInferior()); fila <= ultima; ++fila) {
                const QString campo = ArrayCampos->LeeCelda(fila, NombreCampo);
                if (!Trim(campo).isEmpty()) lista.Add(campo, campo);
            }
        } else if (ColIndex == kColumnaExterna) {
            ElementosValor lista = TDBGridRelaciones->Columns(kColumnaExterna).ValueItems();
            lista.Clear();
            const QString tabla = TablaExterna(cboExterna, cboExterna->currentIndex());
            const QString propietario = PropietarioExterna(cboExterna, cboExterna->currentIndex());
            PonPrefijoBD(BaseDatos);
            datos::Recordset tablas;
            // That owner's table alone: another owner's table of its name has other columns.
            if (CreaRecordset(Conexion, tablas, ConsultaTabla(PrefijoBD, tabla, false, propietario))) {
                for (; !tablas.Eof(); tablas.MoveNext()) {
                    datos::Recordset columnas;
                    if (!CreaRecordset(Conexion, columnas,
                                       QStringLiteral("Select * from ") + PrefijoBD + QStringLiteral("syscolumns ") +
                                           QStringLiteral(" where id = ") +
                                           NumeroSQL(tablas.Fields(QStringLiteral("id")).Texto()) +
                                           QStringLiteral(" order by colid")))
                        continue;
                    for (; !columnas.Eof(); columnas.MoveNext()) {
                        const QString campo = columnas.Fields(QStringLiteral("Name")).Texto();
                        lista.Add(campo, campo);
                    }
                }
            }
            // The referenced table and its owner go with the current row and
            // with every pair of the relation, the first one included, which
            // the save reads them from.
            TDBGridRelaciones->Columns(kColumnaTabla).Value(tabla);
            if (const ArrayDatos pares = TDBGridRelaciones->MatrizEnlazada()) {
                const int actual = TDBGridRelaciones->PrimeraFila() + TDBGridRelaciones->FilaActual();
                const int ultima = std::min(kUltimaFilaUsada, pares->FilaSuperior());
                for (int fila = std::max(0, pares->FilaInferior()); fila <= ultima; ++fila)
                    if (fila == actual || !pares->LeeCelda(fila, kColumnaPropia).isEmpty() ||
                        !pares->LeeCelda(fila, kColumnaExterna).isEmpty()) {
                        pares->GrabaCelda(fila, kColumnaTabla, tabla);
                        pares->GrabaCelda(fila, ColumnaPropietarioReferida, propietario);
                    }
            }
            TDBGridRelaciones->Refresh();
        }
    });
}

void frmTabla::TDBGridRelaciones_ValueItemError(int ColIndex) {
    Atrapa("TDBGridRelaciones_ValueItemError", [&] { FueraDeLista(TDBGridRelaciones, ColIndex); });
}

void frmTabla::TDBGridRelaciones_LostFocus() {
    Atrapa("TDBGridRelaciones_LostFocus", [&] {
        if (!ConfirmaCelda(TDBGridRelaciones)) return;
        const int k = cboRelaciones->currentIndex();
        if (k < 0) return;
        const ArrayDatos pares = ArrayRelaciones.Lee(0, k);
        if (!pares) return;
        // A pair with one side only; a relation without pairs passes.
        for (int fila = 0; fila <= kUltimaFilaUsada; ++fila) {
            const bool propia = pares->LeeCelda(fila, kColumnaPropia).isEmpty();
            const bool externa = pares->LeeCelda(fila, kColumnaExterna).isEmpty();
            if (propia == externa) continue;
            const int respuesta = MensajeUsuario(
                QStringLiteral("No puede existir una relación con columnas en blanco. ¿Desea eliminar la relación?"),
                QStringLiteral("Relation can't exist with space column. Do you want to delete relation?"),
                vb::vbYesNo + vb::vbQuestion + kNoPorDefecto);
            if (respuesta == vb::vbYes) {
                cmdEliminarRelacion_Click();
            } else {
                // The cursor on that array row, wherever the grid is scrolled.
                TDBGridRelaciones->FilaActual(fila - (TDBGridRelaciones->PrimeraFila() - pares->FilaInferior()));
                DevuelveFoco(TDBGridRelaciones);
            }
            return;
        }
    });
}

void frmTabla::TDBGridRelaciones_RowColChange(int LastRow, int LastCol) {
    // Moving between the pairs changes nothing.
    Q_UNUSED(LastRow);
    Q_UNUSED(LastCol);
}

// ---- Deleting ----

void frmTabla::cmdEliminarRelacion_Click() {
    Atrapa("cmdEliminarRelacion_Click", [&] {
        if (NumeroRelaciones != 0) {
            HabilitaRelaciones();
            const int k = cboRelaciones->currentIndex();
            if (k >= 0) {
                PosicionEliminada = k;
                RecalculaGridRelaciones();
                TDBGridRelaciones->Reenlaza();
                TDBGridRelaciones->Refresh();
                CargaRelaciones();
                txtNombreRelacion->setText(QString());
            }
            if (NumeroRelaciones > 0)
                SeleccionaElemento(cboRelaciones, 0, [this] { cboRelaciones_Click(); });
            else
                TDBGridRelaciones->MatrizEnlazada(Creada(ArrayRelaciones(0, 0), kUltimaColumnaPares));
        }
        // The relation controls follow whether any relation is left.
        HabilitaRelaciones();
        Modificado = true;
    });
}

// ---- The referenced-table list ----

void frmTabla::AgregaTablaExterna(QComboBox* Combo, const QString& Propietario, const QString& Tabla) {
    Combo->addItem(NombreMostrado(Propietario, Tabla));
    const int i = Combo->count() - 1;
    Combo->setItemData(i, i);
    Combo->setItemData(i, Tabla, kPapelTabla);
    Combo->setItemData(i, Propietario, kPapelPropietario);
}

QString frmTabla::TablaExterna(const QComboBox* Combo, int Indice) {
    if (Indice < 0 || Indice >= Combo->count()) return QString();
    const QVariant tabla = Combo->itemData(Indice, kPapelTabla);
    return tabla.isValid() ? tabla.toString() : Combo->itemText(Indice);
}

QString frmTabla::PropietarioExterna(const QComboBox* Combo, int Indice) {
    if (Indice < 0 || Indice >= Combo->count()) return QString();
    return Combo->itemData(Indice, kPapelPropietario).toString();
}

void frmTabla::SeleccionaTablaExterna(QComboBox* Combo, const QString& Propietario, const QString& Tabla) {
    for (int i = 0; i < Combo->count(); ++i)
        if (TablaExterna(Combo, i) == Tabla &&
            PropietarioODbo(PropietarioExterna(Combo, i)) == PropietarioODbo(Propietario)) {
            Combo->setCurrentIndex(i);
            return;
        }
    AgregaTablaExterna(Combo, Propietario, Tabla);
    Combo->setCurrentIndex(Combo->count() - 1);
}
