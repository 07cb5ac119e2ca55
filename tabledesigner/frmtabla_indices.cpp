// The index and primary-key editor of the designer: the table's indexes (the
// primary key is one of them) listed in cboIndices, the selected one shown
// in the controls beside the list and its key columns in TDBGridIndices.
// Nothing here talks to the server: every edit goes into TablaIndices slot 0
// and ArrayIndices, which the save turns into statements. The list item k is
// entry k; the selected item is the current index of every handler, and a
// handler that stores into the current entry stores nothing while none is
// selected.
//
// Also here: the clicks of both filegroup lists, and the helpers that both
// editors use for their lists, their name boxes and their grids' drop-downs.

#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/rejilladatos.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// Entries 0..99 are listed and searched: the design holds 100 indexes.
constexpr int kUltimaEntrada = 99;
// Table slots besides this window's own (slot 0).
constexpr int kUltimaRanura = 199;
// A key column array: rows 0..200 (0..199 used), columns 0..2 (1 the column).
constexpr int kUltimaFila = 200;
constexpr int kUltimaFilaUsada = 199;
constexpr int kUltimaColumnaClaves = 2;
constexpr int kColumnaClave = 1;
// A question whose default answer is No (the second button).
constexpr int kNoPorDefecto = 256;

// The designer window a control belongs to.
const Formulario* VentanaDe(const QWidget* w) {
    for (; w; w = w->parentWidget())
        if (auto* f = qobject_cast<const Formulario*>(w)) return f;
    return nullptr;
}

// A fill factor is a whole number written in digits, nothing else.
bool SoloDigitos(const QString& texto) {
    if (texto.isEmpty()) return false;
    for (QChar c : texto)
        if (c < u'0' || c > u'9') return false;
    return true;
}

}  // namespace

// ---- Helpers of both editors ----

void frmTabla::ConectaValidate(QLineEdit* Caja, std::function<void(bool& Cancel)> Validate) {
    QObject::connect(qApp, &QApplication::focusChanged, Caja,
                     [Caja, Validate = std::move(Validate)](QWidget* antes, QWidget* ahora) {
                         // Only a move to another control of the same window: not
                         // to a message box, a pop-up or another window.
                         if (DevolviendoFoco || antes != Caja || !ahora || VentanaDe(ahora) != VentanaDe(Caja))
                             return;
                         bool Cancel = false;
                         Validate(Cancel);
                         if (Cancel && Caja->isEnabled()) DevuelveFoco(Caja);
                     });
}

void frmTabla::DevuelveFoco(QWidget* Control) {
    // A control out of sight (on another page) is not given the focus.
    if (!Control->isVisible()) return;
    const bool antes = DevolviendoFoco;
    DevolviendoFoco = true;
    DaTeclado(Control);
    DevolviendoFoco = antes;
}

void frmTabla::SeleccionaElemento(QComboBox* Lista, int k, const std::function<void()>& Click) {
    if (Lista->currentIndex() == k) Click();
    else Lista->setCurrentIndex(k);  // the list's click runs on the change
}

void frmTabla::AgregaElemento(QComboBox* Lista, const QString& Texto) {
    const QSignalBlocker bloqueo(Lista);
    const int actual = Lista->currentIndex();
    Lista->addItem(Texto);
    Lista->setCurrentIndex(actual);
}

void frmTabla::AbreLista(RejillaDatos* Rejilla, int ColIndex) {
    if (!Rejilla->isVisible() || Rejilla->EnEdicion() || Rejilla->ColumnaActual() != ColIndex ||
        Rejilla->Columns(ColIndex).ValueItems().Count() == 0)
        return;
    // F2 opens the cell's editor, a drop-down of the list just built.
    QKeyEvent f2(QEvent::KeyPress, Qt::Key_F2, Qt::NoModifier);
    QApplication::sendEvent(Rejilla, &f2);
    if (!Rejilla->EnEdicion()) return;
    for (QComboBox* lista : Rejilla->viewport()->findChildren<QComboBox*>())
        if (lista->isVisible()) {
            lista->showPopup();
            return;
        }
}

// ---- Wiring ----

void frmTabla::ConectaIndices() {
    connect(cboIndices, &QComboBox::currentIndexChanged, this, [this] { cboIndices_Click(); });
    connect(cmdNuevoIndice, &QPushButton::clicked, this, [this] { cmdNuevoIndice_Click(); });
    ConectaKeyPress(txtNombreIndice, [this](short& KeyAscii) { txtNombreIndice_KeyPress(KeyAscii); });
    ConectaValidate(txtNombreIndice, [this](bool& Cancel) { txtNombreIndice_Validate(Cancel); });
    connect(optClavePrimaria, &QRadioButton::toggled, this, [this] { optClavePrimaria_Click(); });
    connect(optIndice, &QRadioButton::toggled, this, [this] { optIndice_Click(); });
    connect(chkIndiceUnico, &QCheckBox::stateChanged, this, [this] { chkIndiceUnico_Click(); });
    connect(chkAgrupado, &QCheckBox::stateChanged, this, [this] { chkAgrupado_Click(); });
    ConectaKeyPress(txtFillFactor, [this](short& KeyAscii) { txtFillFactor_KeyPress(KeyAscii); });
    ConectaValidate(txtFillFactor, [this](bool& Cancel) { txtFillFactor_Validate(Cancel); });
    connect(cboGrupoArchivoIndices, &QComboBox::currentIndexChanged, this, [this] { cboGrupoArchivoIndices_Click(); });
    connect(cboGrupoArchivoDatos, &QComboBox::currentIndexChanged, this, [this] { cboGrupoArchivoDatos_Click(); });
    // The key column cell offers its list from a button.
    TDBGridIndices->Columns(kColumnaClave).Boton(true);
    TDBGridIndices->ButtonClick = [this](int ColIndex) {
        TDBGridIndices_ButtonClick(ColIndex);
        AbreLista(TDBGridIndices, ColIndex);
    };
    TDBGridIndices->ValueItemError = [this](int ColIndex) { TDBGridIndices_ValueItemError(ColIndex); };
    TDBGridIndices->LostFocus = [this] {
        if (!DevolviendoFoco) TDBGridIndices_LostFocus();
    };
    connect(cmdEliminarIndice, &QPushButton::clicked, this, [this] { cmdEliminarIndice_Click(); });
}

// ---- The list of indexes ----

void frmTabla::CargaIndices() {
    Atrapa("CargaIndices", [&] {
        NumeroIndices = 0;
        // Listing is not selecting: no click, and no item selected.
        const QSignalBlocker bloqueo(cboIndices);
        cboIndices->clear();
        for (int i = 0; i <= kUltimaEntrada; ++i) {
            const QString nombre = TablaIndices.Lee(0, i, NombreIndice);
            if (Trim(nombre).isEmpty()) continue;
            cboIndices->addItem(nombre);
            ++NumeroIndices;
        }
        cboIndices->setCurrentIndex(-1);
    });
}

bool frmTabla::ExisteIndice(const QString& Nombre, qint32& Posicion) {
    bool existe = false;
    Atrapa("ExisteIndice", [&] {
        Posicion = -1;
        if (Nombre.isEmpty()) return;
        for (int i = 0; i <= kUltimaEntrada; ++i)
            if (TablaIndices.Lee(0, i, NombreIndice) == Nombre) {
                Posicion = i;
                existe = true;
                return;
            }
    });
    return existe;
}

bool frmTabla::ExisteTodosIndice(const QString& Nombre, qint32& Posicion) {
    bool existe = false;
    Atrapa("ExisteTodosIndice", [&] {
        if (Nombre.isEmpty()) return;
        for (int ranura = 1; ranura <= kUltimaRanura; ++ranura)
            for (int i = 0; i <= kUltimaEntrada; ++i)
                if (TablaIndices.Lee(ranura, i, NombreIndice) == Nombre) {
                    Posicion = ranura;
                    existe = true;
                    return;
                }
    });
    return existe;
}

namespace {

// Every cell of one array into the other, where both have it.
void CopiaCeldas(const GridDataArray& origen, GridDataArray& destino) {
    const int filaInf = std::max(origen.FilaInferior(), destino.FilaInferior());
    const int filaSup = std::min(origen.FilaSuperior(), destino.FilaSuperior());
    const int colInf = std::max(origen.ColumnaInferior(), destino.ColumnaInferior());
    const int colSup = std::min(origen.ColumnaSuperior(), destino.ColumnaSuperior());
    for (int f = filaInf; f <= filaSup; ++f)
        for (int c = colInf; c <= colSup; ++c) destino.GrabaCelda(f, c, origen.LeeCelda(f, c));
}

}  // namespace

void frmTabla::RecalculaGridIndices() {
    Atrapa("RecalculaGridIndices", [&] {
        const int p = PosicionEliminada;
        const int n = NumeroIndices;
        // Only an entry in use can be taken out: anything else would empty
        // the last entry in use.
        if (p < 0 || p >= n) FallaNumero(errnum::FueraDeIntervalo);
        // The key columns move in place, so that the grid showing an entry's
        // array shows what the entry now holds.
        for (int i = p; i < n; ++i) {
            if (i + 1 < n)
                CopiaCeldas(*Creada(ArrayIndices(0, i + 1), kUltimaColumnaClaves),
                            *Creada(ArrayIndices(0, i), kUltimaColumnaClaves));
            else
                ArrayIndices(0, i).reset();
        }
        for (int i = p + 1; i < n; ++i)
            for (int k = NombreIndice; k <= IgnoraDuplicados; ++k) TablaIndices(0, i - 1, k) = TablaIndices.Lee(0, i, k);
        for (int k = NombreIndice; k <= IgnoraDuplicados; ++k) TablaIndices(0, n - 1, k) = QString();
    });
}

bool frmTabla::EstaCampoEnIndices(const QString& Campo) {
    bool esta = false;
    Atrapa("EstaCampoEnIndices", [&] {
        const int k = cboIndices->currentIndex();
        if (k < 0) return;
        const ArrayDatos claves = ArrayIndices.Lee(0, k);
        if (!claves) return;
        for (int fila = 0; fila <= kUltimaFilaUsada; ++fila)
            if (Trim(claves->LeeCelda(fila, kColumnaClave)) == Campo) {
                esta = true;
                return;
            }
    });
    return esta;
}

void frmTabla::CargaValoresIndices() {
    Atrapa("CargaValoresIndices", [&] {
        ElementosValor lista = TDBGridIndices->Columns(kColumnaClave).ValueItems();
        lista.Clear();
        if (ArrayCampos) {
            const int ultima = std::min(kUltimaFila, ArrayCampos->FilaSuperior());
            for (int fila = std::max(0, ArrayCampos->FilaInferior()); fila <= ultima; ++fila) {
                const QString campo = ArrayCampos->LeeCelda(fila, NombreCampo);
                if (Trim(campo).isEmpty() || EstaCampoEnIndices(campo)) continue;
                lista.Add(campo, campo);
            }
        }
        TDBGridIndices->Reenlaza();
    });
}

// ---- Selecting, creating and naming ----

void frmTabla::cboIndices_Click() {
    Atrapa("cboIndices_Click", [&] {
        const int k = cboIndices->currentIndex();
        if (k < 0) return;
        txtNombreIndice->setText(cboIndices->itemText(k));
        {
            // Showing the entry: the controls' own clicks would only write
            // the same values back.
            const QSignalBlocker b1(optClavePrimaria), b2(optIndice), b3(chkIndiceUnico), b4(chkAgrupado);
            if (TablaIndices.Lee(0, k, TipoIndice) == QLatin1String("P")) optClavePrimaria->setChecked(true);
            else optIndice->setChecked(true);
            chkIndiceUnico->setChecked(TablaIndices.Lee(0, k, Unico) == QLatin1String("1"));
            chkAgrupado->setChecked(TablaIndices.Lee(0, k, Agrupado) == QLatin1String("1"));
        }
        {
            // The entry keeps its filegroup even when the list does not
            // hold it (a list that failed to load would otherwise move every
            // index shown to the default filegroup at the save).
            const QSignalBlocker bloqueo(cboGrupoArchivoIndices);
            const QString grupo = TablaIndices.Lee(0, k, GrupoIndice);
            if (!grupo.isEmpty()) SeleccionaBaseDatos(grupo, cboGrupoArchivoIndices);
            else cboGrupoArchivoIndices->setCurrentIndex(-1);
            Modificado = true;
        }
        txtFillFactor->setText(TablaIndices.Lee(0, k, FactorRelleno));
        TDBGridIndices->MatrizEnlazada(Creada(ArrayIndices(0, k), kUltimaColumnaClaves));
        TDBGridIndices->Reenlaza();
        TDBGridIndices->Refresh();
        TDBGridIndices->PrimeraFila(0);
        TDBGridIndices->FilaActual(0);
    });
}

void frmTabla::cmdNuevoIndice_Click() {
    Atrapa("cmdNuevoIndice_Click", [&] {
        fraNombreIndice->setEnabled(true);
        fraTipoIndice->setEnabled(true);
        lblNombreIndice->setEnabled(true);
        cboIndices->setCurrentIndex(-1);
        txtNombreIndice->setText(QString());
        DaTeclado(txtNombreIndice);
    });
}

void frmTabla::txtNombreIndice_KeyPress(short& KeyAscii) {
    Atrapa("txtNombreIndice_KeyPress", [&] {
        if (KeyAscii != 13) return;
        bool Cancel = false;
        txtNombreIndice_Validate(Cancel);
    });
}

void frmTabla::txtNombreIndice_Validate(bool& Cancel) {
    Atrapa("txtNombreIndice_Validate", [&] {
        const QString nombre = txtNombreIndice->text();
        if (Trim(nombre).isEmpty()) return;
        qint32 posicion = -1;
        if (ExisteTodosIndice(nombre, posicion)) {
            const QString tabla = NombreTablas.Lee(posicion);
            MensajeUsuario(QStringLiteral("El nombre de indice existe en la base de datos ") + tabla + u'.',
                           QStringLiteral("Index exist in database ") + tabla + u'.');
            Cancel = true;
            return;
        }
        if (ExisteIndice(nombre, posicion)) {
            // One of this table's indexes: shown, never renamed.
            cboIndices->setItemText(posicion, nombre);
            SeleccionaElemento(cboIndices, posicion, [this] { cboIndices_Click(); });
            Modificado = true;
            return;
        }
        const int n = NumeroIndices;
        // The design holds entries 0..99: a 101st index is refused whole.
        if (n > kUltimaEntrada) FallaNumero(errnum::FueraDeIntervalo);
        ArrayDatos& claves = ArrayIndices(0, n);
        if (!claves) claves = std::make_shared<GridDataArray>();
        claves->Redimensiona(0, kUltimaFila, 0, kUltimaColumnaClaves);
        NumeroIndices = n + 1;
        AgregaElemento(cboIndices, nombre);
        SeleccionaElemento(cboIndices, cboIndices->count() - 1, [this] { cboIndices_Click(); });
        const int k = cboIndices->currentIndex();
        TablaIndices(0, k, NombreIndice) = nombre;
        optIndice->setChecked(true);
        TablaIndices(0, k, TipoIndice) = QStringLiteral("I");
        chkIndiceUnico->setChecked(false);
        TablaIndices(0, k, Unico) = QStringLiteral("0");
        chkAgrupado->setChecked(false);
        TablaIndices(0, k, Agrupado) = QStringLiteral("0");
        lblIndices->setEnabled(true);
        fraIndices->setEnabled(true);
        cmdEliminarIndice->setEnabled(true);
        DaTeclado(TDBGridIndices);
        Modificado = true;
    });
}

// ---- Kind, flags, fill factor and filegroups ----

void frmTabla::optClavePrimaria_Click() {
    Atrapa("optClavePrimaria_Click", [&] {
        const int k = cboIndices->currentIndex();
        if (k < 0) return;
        if (optClavePrimaria->isChecked()) {
            // A primary key is unique.
            TablaIndices(0, k, TipoIndice) = QStringLiteral("P");
            chkIndiceUnico->setChecked(true);
            TablaIndices(0, k, Unico) = QStringLiteral("1");
        } else {
            TablaIndices(0, k, TipoIndice) = QStringLiteral("I");
        }
    });
}

void frmTabla::optIndice_Click() {
    Atrapa("optIndice_Click", [&] {
        const int k = cboIndices->currentIndex();
        if (k < 0 || !optIndice->isChecked()) return;
        TablaIndices(0, k, TipoIndice) = QStringLiteral("I");
    });
}

void frmTabla::chkIndiceUnico_Click() {
    Atrapa("chkIndiceUnico_Click", [&] {
        const int k = cboIndices->currentIndex();
        if (k < 0) return;
        TablaIndices(0, k, Unico) = chkIndiceUnico->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    });
}

void frmTabla::chkAgrupado_Click() {
    Atrapa("chkAgrupado_Click", [&] {
        const int k = cboIndices->currentIndex();
        if (k < 0) return;
        TablaIndices(0, k, Agrupado) = chkAgrupado->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    });
}

void frmTabla::txtFillFactor_KeyPress(short& KeyAscii) {
    Atrapa("txtFillFactor_KeyPress", [&] {
        if (KeyAscii == 13) KeyAscii = SalidaCampo(KeyAscii);
    });
}

void frmTabla::txtFillFactor_Validate(bool& Cancel) {
    Atrapa("txtFillFactor_Validate", [&] {
        // The save pastes the fill factor bare: only digits pass.
        const QString valor = Trim(txtFillFactor->text());
        const int k = cboIndices->currentIndex();
        if (valor.isEmpty()) {
            if (k >= 0) TablaIndices(0, k, FactorRelleno) = QStringLiteral("0");
        } else if (SoloDigitos(valor)) {
            if (k < 0) return;
            TablaIndices(0, k, FactorRelleno) = valor;
            Modificado = true;
        } else {
            MensajeUsuario(QStringLiteral("Valor no numérico."), QStringLiteral("Not numeric value."));
            Cancel = true;
        }
    });
}

void frmTabla::cboGrupoArchivoIndices_Click() {
    Atrapa("cboGrupoArchivoIndices_Click", [&] {
        const int k = cboIndices->currentIndex();
        const int grupo = cboGrupoArchivoIndices->currentIndex();
        if (k >= 0) TablaIndices(0, k, GrupoIndice) = BaseDatosDe(cboGrupoArchivoIndices, grupo);
        Modificado = true;
    });
}

void frmTabla::cboGrupoArchivoDatos_Click() {
    // The save reads the data filegroup from the list itself.
    Atrapa("cboGrupoArchivoDatos_Click", [&] { Modificado = true; });
}

// ---- Key columns ----

void frmTabla::TDBGridIndices_ButtonClick(int ColIndex) {
    Q_UNUSED(ColIndex);
    Atrapa("TDBGridIndices_ButtonClick", [&] { CargaValoresIndices(); });
}

void frmTabla::FueraDeLista(RejillaDatos* rejilla, int ColIndex) {
    ColumnaRejilla columna = rejilla->Columns(ColIndex);
    if (columna.Value().isEmpty()) {
        // An emptied cell takes its side out of the key or the pair.
        columna.Value(QString());
        return;
    }
    MensajeUsuario(QStringLiteral("Su entrada debe coincidir con un elemento de la lista."),
                   QStringLiteral("His entry must coincide with an element of the list."));
}

bool frmTabla::ConfirmaCelda(RejillaDatos* rejilla) {
    // A grid with rows has a current row, even one scrolled out of sight
    // (whose number may then be -1).
    const ArrayDatos enlazada = rejilla->MatrizEnlazada();
    if (!enlazada || enlazada->Filas() <= 0) return false;
    const int r = rejilla->FilaActual();
    // Away and back: a cell being edited reaches the array.
    rejilla->FilaActual(r == 0 ? 1 : 0);
    rejilla->FilaActual(r);
    return true;
}

void frmTabla::TDBGridIndices_ValueItemError(int ColIndex) {
    Atrapa("TDBGridIndices_ValueItemError", [&] { FueraDeLista(TDBGridIndices, ColIndex); });
}

void frmTabla::TDBGridIndices_LostFocus() {
    Atrapa("TDBGridIndices_LostFocus", [&] {
        if (!ConfirmaCelda(TDBGridIndices)) return;
        bool hayClave = false;
        const int k = cboIndices->currentIndex();
        if (k >= 0)
            if (const ArrayDatos claves = ArrayIndices.Lee(0, k))
                for (int fila = 0; fila <= kUltimaFilaUsada && !hayClave; ++fila)
                    hayClave = !claves->LeeCelda(fila, kColumnaClave).isEmpty();
        if (txtNombreIndice->text().isEmpty() || hayClave) return;
        const int respuesta =
            MensajeUsuario(QStringLiteral("No puede existir un indice con columnas en blanco. ¿Desea eliminar el indice?"),
                           QStringLiteral("Index can't exist with space column. Do you want to delete index?"),
                           vb::vbYesNo + vb::vbQuestion + kNoPorDefecto);
        if (respuesta == vb::vbYes) cmdEliminarIndice_Click();
        else DevuelveFoco(TDBGridIndices);
    });
}

// ---- Deleting ----

void frmTabla::cmdEliminarIndice_Click() {
    Atrapa("cmdEliminarIndice_Click", [&] {
        if (NumeroIndices != 0) {
            HabilitaIndices();
            const int k = cboIndices->currentIndex();
            if (k >= 0) {
                PosicionEliminada = k;
                RecalculaGridIndices();
                TDBGridIndices->Reenlaza();
                TDBGridIndices->Refresh();
                CargaIndices();
                txtNombreIndice->setText(QString());
            }
            if (NumeroIndices > 0)
                SeleccionaElemento(cboIndices, 0, [this] { cboIndices_Click(); });
            else
                TDBGridIndices->MatrizEnlazada(Creada(ArrayIndices(0, 0), kUltimaColumnaClaves));
        }
        // The index controls follow whether any index is left.
        HabilitaIndices();
        Modificado = true;
    });
}
