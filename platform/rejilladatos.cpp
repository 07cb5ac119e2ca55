#include "platform/rejilladatos.h"

#include "platform/errores.h"
#include "platform/raton.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <optional>

namespace {

// One grid column's settings.
struct Columna {
    QString titulo;
    bool bloqueada = false;
    bool casilla = false;
    bool boton = false;
    std::vector<ElementoValor> elementos;

    bool ConImagenes() const {
        for (const auto& e : elementos)
            if (!e.Imagen.isNull()) return true;
        return false;
    }
    // A column edited by clicks: a check box, or items with pictures.
    bool SeAlterna() const { return casilla || ConImagenes(); }
    // A column edited in a drop-down of texts.
    bool ConTextos() const { return !elementos.empty() && !casilla && !ConImagenes(); }
    const ElementoValor* Elemento(const QString& valor) const {
        for (const auto& e : elementos)
            if (e.Value == valor) return &e;
        return nullptr;
    }
};

// A ticked check box: "-1" as the program stores it (and "1" or "True",
// which some callers write).
bool Marcada(const QString& v) {
    return v == QLatin1String("-1") || v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
}

// Runs an event handler. A failure that the handler did not trap itself
// ends at the grid: it never crosses Qt's event handling.
template <class F, class... A>
void Lanza(const F& f, A&&... args) {
    if (!f) return;
    try {
        f(std::forward<A>(args)...);
    } catch (const ErrorEjecucion&) {
    }
}

// The desktop's number for a key (0 for a key it has none for).
int CodigoTecla(const QKeyEvent* k) {
    const int q = k->key();
    const bool teclado = k->modifiers() & Qt::KeypadModifier;
    if (q >= Qt::Key_A && q <= Qt::Key_Z) return q;
    if (q >= Qt::Key_0 && q <= Qt::Key_9) return teclado ? 96 + (q - Qt::Key_0) : q;
    if (q >= Qt::Key_F1 && q <= Qt::Key_F24) return 112 + (q - Qt::Key_F1);
    switch (q) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 9;
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Asterisk: return teclado ? 106 : 0;
    case Qt::Key_Plus: return teclado ? 107 : 0;
    case Qt::Key_Minus: return teclado ? 109 : 189;
    case Qt::Key_Period: return teclado ? 110 : 190;
    case Qt::Key_Slash: return teclado ? 111 : 191;
    case Qt::Key_Semicolon: return 186;
    case Qt::Key_Equal: return 187;
    case Qt::Key_Comma: return 188;
    case Qt::Key_QuoteLeft: return 192;
    case Qt::Key_BracketLeft: return 219;
    case Qt::Key_Backslash: return 220;
    case Qt::Key_BracketRight: return 221;
    case Qt::Key_Apostrophe: return 222;
    default: return 0;
    }
}

// The character a key types, as KeyPress receives it (0 for none): Enter 13,
// Escape 27, Backspace 8, otherwise the character's code.
int AsciiTecla(const QKeyEvent* k) {
    switch (k->key()) {
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: case Qt::Key_Backtab: case Qt::Key_Delete: return 0;
    default: break;
    }
    const QString t = k->text();
    if (t.size() != 1) return 0;
    const int c = t[0].unicode();
    return c == 127 ? 0 : c;
}

// The cell button of a button column, at the right of the cell.
QRect RectBoton(const QRect& celda) {
    const int ancho = qMin(qMax(16, celda.height()), celda.width() / 2);
    return QRect(celda.right() - ancho + 1, celda.top(), ancho, celda.height());
}

constexpr int kRolValor = Qt::UserRole;  // the stored value itself

}  // namespace

class DelegadoRejilla;
class SeleccionRejilla;
class CabeceraRejilla;

struct RejillaDatos::Estado {
    std::vector<Columna> columnas;
    ArrayDatos matriz;
    int filas = 0;  // rows shown: the array's rows when it was last read
    ModeloRejilla* modelo = nullptr;
    DelegadoRejilla* delegado = nullptr;
    SeleccionRejilla* seleccion = nullptr;
    QItemSelectionModel* cursor = nullptr;  // the same, as Qt knows it
    CabeceraRejilla* cabecera = nullptr;
    int columnaSinFila = 0;  // the current column while there is no row
    int silencio = 0;        // moves made while binding raise no events

    // The edit in course, on the cell (filaEd, colEd) (model row, grid column).
    bool editando = false;
    bool terminando = false;
    int filaEd = -1, colEd = -1;
    QString inicial;    // what the edit began with, as edited
    QString pendiente;  // the new value of an edit without an editor (a toggle)
    QPointer<QWidget> editor;
    bool abriendo = false;  // the grid itself opens an editor
    bool cargando = false;  // the editor takes the cell's text
    std::optional<QString> fijado;  // a value written by code while the edit was being stored
    const QEvent* notificado = nullptr;  // a key already raised as KeyDown and KeyPress
};

// The rows of the bound array, read where they are: no copy per cell.
class ModeloRejilla : public QAbstractTableModel {
public:
    ModeloRejilla(RejillaDatos::Estado* e, QObject* padre) : QAbstractTableModel(padre), e_(e) {}
    void Suelta() { e_ = nullptr; }

    int rowCount(const QModelIndex& padre = {}) const override { return padre.isValid() || !e_ ? 0 : e_->filas; }
    int columnCount(const QModelIndex& padre = {}) const override {
        return padre.isValid() || !e_ ? 0 : int(e_->columnas.size());
    }
    Qt::ItemFlags flags(const QModelIndex& i) const override {
        if (!i.isValid()) return Qt::NoItemFlags;
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    }

    // A cell of the array; "" where the array has no such cell.
    QString Celda(int fila, int col) const {
        if (!e_ || !e_->matriz) return QString();
        const GridDataArray& m = *e_->matriz;
        const int f = m.FilaInferior() + fila, c = m.ColumnaInferior() + col;
        if (fila < 0 || col < 0 || f > m.FilaSuperior() || c > m.ColumnaSuperior()) return QString();
        return m.LeeCelda(f, c);
    }
    // Stores a cell (failure 9 where the array has no such cell) and shows it.
    void Graba(int fila, int col, const QString& valor) {
        if (!e_ || !e_->matriz) FallaNumero(errnum::FueraDeIntervalo);
        GridDataArray& m = *e_->matriz;
        m.GrabaCelda(m.FilaInferior() + fila, m.ColumnaInferior() + col, valor);
        const QModelIndex i = index(fila, col);
        if (i.isValid()) emit dataChanged(i, i);
    }

    // What a cell shows for a value, and what its editor edits.
    QString Texto(int col, const QString& valor) const {
        const Columna& c = e_->columnas[size_t(col)];
        if (c.ConTextos())
            if (const ElementoValor* el = c.Elemento(valor)) return el->DisplayValue;
        return valor;
    }

    QVariant data(const QModelIndex& i, int rol) const override {
        if (!e_ || !i.isValid()) return {};
        switch (rol) {
        case Qt::DisplayRole: {
            const Columna& c = e_->columnas[size_t(i.column())];
            const QString v = Celda(i.row(), i.column());
            if (c.casilla) return QVariant();
            if (c.ConImagenes() && c.Elemento(v)) return QVariant();
            return Texto(i.column(), v);
        }
        case Qt::EditRole: return Texto(i.column(), Celda(i.row(), i.column()));
        case kRolValor: return Celda(i.row(), i.column());
        case Qt::BackgroundRole:
            // A locked column shows that it takes no edit.
            if (e_->columnas[size_t(i.column())].bloqueada)
                return QApplication::palette().brush(QPalette::Disabled, QPalette::Window);
            return {};
        default: return {};
        }
    }
    bool setData(const QModelIndex& i, const QVariant& v, int rol) override {
        if (!i.isValid() || (rol != Qt::EditRole && rol != kRolValor)) return false;
        try {
            Graba(i.row(), i.column(), v.toString());
        } catch (const ErrorEjecucion&) {
            return false;
        }
        return true;
    }
    QVariant headerData(int seccion, Qt::Orientation o, int rol) const override {
        if (!e_ || rol != Qt::DisplayRole) return {};
        if (o == Qt::Vertical) {
            // The row selector marks the cursor's row.
            const QModelIndex actual = e_->cursor ? e_->cursor->currentIndex() : QModelIndex();
            return actual.isValid() && actual.row() == seccion ? QStringLiteral("\u25B8") : QString();
        }
        if (seccion < 0 || seccion >= int(e_->columnas.size())) return {};
        return e_->columnas[size_t(seccion)].titulo;
    }

    // The array was bound or changed its size: read it again.
    void Relee() {
        beginResetModel();
        e_->filas = e_->matriz ? qMax(0, e_->matriz->Filas()) : 0;
        endResetModel();
    }
    void CabeceraCambia(int col) { emit headerDataChanged(Qt::Horizontal, col, col); }

private:
    RejillaDatos::Estado* e_;
};

// Draws check boxes, pictures and cell buttons; edits texts in a line and
// value items in a drop-down. Storing is the grid's business, not Qt's.
class DelegadoRejilla : public QStyledItemDelegate {
public:
    explicit DelegadoRejilla(RejillaDatos* r) : QStyledItemDelegate(r), r_(r) {}
    void Suelta() { r_ = nullptr; }

    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        if (!r_) return;
        const Columna& c = r_->e_->columnas[size_t(i.column())];
        QStyle* estilo = o.widget ? o.widget->style() : QApplication::style();
        if (c.boton) {
            QStyleOptionViewItem texto = o;
            const QRect boton = RectBoton(o.rect);
            texto.rect.setRight(boton.left() - 1);
            QStyledItemDelegate::paint(p, texto, i);
            QStyleOptionButton b;
            b.rect = boton;
            b.text = QStringLiteral("...");
            b.state = QStyle::State_Enabled | QStyle::State_Raised;
            b.palette = o.palette;
            estilo->drawControl(QStyle::CE_PushButton, &b, p, o.widget);
            return;
        }
        QStyledItemDelegate::paint(p, o, i);  // background, and the text where there is one
        const QString valor = i.data(kRolValor).toString();
        if (c.casilla) {
            QStyleOptionButton b;
            const int lado = estilo->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, o.widget);
            b.rect = QRect(0, 0, lado, lado);
            b.rect.moveCenter(o.rect.center());
            b.state = QStyle::State_Enabled | (Marcada(valor) ? QStyle::State_On : QStyle::State_Off);
            b.palette = o.palette;
            estilo->drawPrimitive(QStyle::PE_IndicatorCheckBox, &b, p, o.widget);
        } else if (c.ConImagenes()) {
            if (const ElementoValor* el = c.Elemento(valor)) {
                const int lado = qMin(16, o.rect.height() - 2);
                QRect r(0, 0, lado, lado);
                r.moveCenter(o.rect.center());
                el->Imagen.paint(p, r);
            }
        }
    }

    QWidget* createEditor(QWidget* padre, const QStyleOptionViewItem&, const QModelIndex& i) const override {
        if (!r_) return nullptr;
        const Columna& c = r_->e_->columnas[size_t(i.column())];
        QWidget* w;
        if (c.ConTextos()) {
            auto* combo = new QComboBox(padre);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setCompleter(nullptr);  // the text typed is the text stored
            combo->setFrame(false);
            for (const auto& el : c.elementos) combo->addItem(el.DisplayValue);
            w = combo;
        } else {
            auto* linea = new QLineEdit(padre);
            linea->setFrame(false);
            w = linea;
        }
        r_->e_->editor = w;
        return w;
    }
    void setEditorData(QWidget* w, const QModelIndex& i) const override {
        // Only when the edit opens: later changes of the row keep what is typed.
        if (!r_ || !r_->e_->cargando) return;
        const QString texto = i.data(Qt::EditRole).toString();
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            combo->setCurrentIndex(combo->findText(texto, Qt::MatchFixedString | Qt::MatchCaseSensitive));
            combo->setEditText(texto);
            combo->lineEdit()->selectAll();
        } else if (auto* linea = qobject_cast<QLineEdit*>(w)) {
            linea->setText(texto);
        }
    }
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
    void updateEditorGeometry(QWidget* w, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        QRect r = o.rect;
        if (r_ && r_->e_->columnas[size_t(i.column())].boton) r.setRight(RectBoton(o.rect).left() - 1);
        w->setGeometry(r);
    }
    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&, const QModelIndex&) override {
        return false;
    }

protected:
    bool eventFilter(QObject* o, QEvent* ev) override { return r_ ? r_->FiltraEditor(o, ev) : false; }

private:
    RejillaDatos* r_;
};

// Hands every change of the current cell to the grid, which raises the
// events around it.
class SeleccionRejilla : public QItemSelectionModel {
public:
    SeleccionRejilla(QAbstractItemModel* m, RejillaDatos* r) : QItemSelectionModel(m, r), r_(r) {}
    void Suelta() { r_ = nullptr; }
    void setCurrentIndex(const QModelIndex& i, QItemSelectionModel::SelectionFlags modo) override {
        if (r_) r_->CambiaActual(i, modo);
        else PoneActual(i, modo);
    }
    void PoneActual(const QModelIndex& i, QItemSelectionModel::SelectionFlags modo) {
        QItemSelectionModel::setCurrentIndex(i, modo);
    }

private:
    RejillaDatos* r_;
};

// The column headers, with the grid's caption in a band above them.
class CabeceraRejilla : public QHeaderView {
public:
    explicit CabeceraRejilla(QWidget* padre) : QHeaderView(Qt::Horizontal, padre) {}
    QString titulo;

    int Banda() const { return titulo.isEmpty() ? 0 : fontMetrics().height() + 8; }
    QSize sizeHint() const override {
        QSize s = QHeaderView::sizeHint();
        s.rheight() += Banda();
        return s;
    }

protected:
    void paintSection(QPainter* p, const QRect& r, int seccion) const override {
        QHeaderView::paintSection(p, r.adjusted(0, Banda(), 0, 0), seccion);
    }
    void paintEvent(QPaintEvent* ev) override {
        QHeaderView::paintEvent(ev);
        if (titulo.isEmpty()) return;
        QPainter p(viewport());
        QStyleOptionHeader o;
        initStyleOption(&o);
        o.rect = QRect(0, 0, viewport()->width(), Banda());
        o.text = titulo;
        o.textAlignment = Qt::AlignCenter;
        o.position = QStyleOptionHeader::OnlyOneSection;
        o.section = 0;
        style()->drawControl(QStyle::CE_Header, &o, &p, this);
    }
};

// ---------------------------------------------------------------------------
// Value items and columns.

void ElementosValor::Clear() {
    rejilla_->e_->columnas[size_t(columna_)].elementos.clear();
    rejilla_->viewport()->update();
}

void ElementosValor::Add(const QString& valor, const QString& texto) {
    rejilla_->e_->columnas[size_t(columna_)].elementos.push_back({valor, texto, QIcon()});
    rejilla_->viewport()->update();
}

void ElementosValor::Add(const QString& valor, const QIcon& imagen) {
    rejilla_->e_->columnas[size_t(columna_)].elementos.push_back({valor, QString(), imagen});
    rejilla_->viewport()->update();
}

int ElementosValor::Count() const { return int(rejilla_->e_->columnas[size_t(columna_)].elementos.size()); }

ElementoValor ElementosValor::Item(int i) const {
    const auto& el = rejilla_->e_->columnas[size_t(columna_)].elementos;
    if (i < 0 || size_t(i) >= el.size()) FallaNumero(errnum::FueraDeIntervalo);
    return el[size_t(i)];
}

QString ColumnaRejilla::Value() const {
    const RejillaDatos::Estado& e = *rejilla_->e_;
    const QModelIndex i = rejilla_->currentIndex();
    if (!i.isValid()) return QString();
    if (e.editando && e.filaEd == i.row() && e.colEd == columna_) return rejilla_->TextoEdicion();
    if (!e.matriz || e.matriz->ColumnaInferior() + columna_ > e.matriz->ColumnaSuperior())
        FallaNumero(errnum::FueraDeIntervalo);
    return e.modelo->Celda(i.row(), columna_);
}

void ColumnaRejilla::Value(const QString& valor) {
    RejillaDatos::Estado& e = *rejilla_->e_;
    const QModelIndex i = rejilla_->currentIndex();
    if (!i.isValid()) FallaNumero(errnum::FueraDeIntervalo);
    e.modelo->Graba(i.row(), columna_, valor);
    if (e.editando && e.filaEd == i.row() && e.colEd == columna_) {
        // The edit in course now holds the value written.
        const QString texto = e.editor ? e.modelo->Texto(columna_, valor) : valor;
        rejilla_->PoneTextoEditor(texto);
        if (e.terminando) e.fijado = valor;
        else e.inicial = texto;
    }
}

QString ColumnaRejilla::Caption() const { return rejilla_->e_->columnas[size_t(columna_)].titulo; }

void ColumnaRejilla::Caption(const QString& titulo) {
    rejilla_->e_->columnas[size_t(columna_)].titulo = titulo;
    rejilla_->e_->modelo->CabeceraCambia(columna_);
}

bool ColumnaRejilla::Visible() const { return !rejilla_->isColumnHidden(columna_); }
void ColumnaRejilla::Visible(bool si) { rejilla_->setColumnHidden(columna_, !si); }
bool ColumnaRejilla::Locked() const { return rejilla_->e_->columnas[size_t(columna_)].bloqueada; }
void ColumnaRejilla::Locked(bool si) {
    rejilla_->e_->columnas[size_t(columna_)].bloqueada = si;
    rejilla_->viewport()->update();
}
int ColumnaRejilla::Width() const { return rejilla_->columnWidth(columna_); }
void ColumnaRejilla::Width(int ancho) { rejilla_->setColumnWidth(columna_, ancho); }

void ColumnaRejilla::CasillaVerificacion(bool si) {
    rejilla_->e_->columnas[size_t(columna_)].casilla = si;
    rejilla_->viewport()->update();
}
bool ColumnaRejilla::CasillaVerificacion() const { return rejilla_->e_->columnas[size_t(columna_)].casilla; }
void ColumnaRejilla::Boton(bool si) {
    rejilla_->e_->columnas[size_t(columna_)].boton = si;
    rejilla_->viewport()->update();
}
bool ColumnaRejilla::Boton() const { return rejilla_->e_->columnas[size_t(columna_)].boton; }

// ---------------------------------------------------------------------------
// The grid.

RejillaDatos::RejillaDatos(int columnas, QWidget* padre) : QTableView(padre), e_(std::make_unique<Estado>()) {
    e_->columnas.resize(size_t(qMax(0, columnas)));
    e_->cabecera = new CabeceraRejilla(this);
    setHorizontalHeader(e_->cabecera);
    e_->modelo = new ModeloRejilla(e_.get(), this);
    setModel(e_->modelo);
    QItemSelectionModel* deQt = selectionModel();
    e_->seleccion = new SeleccionRejilla(e_->modelo, this);
    setSelectionModel(e_->seleccion);
    e_->cursor = e_->seleccion;
    delete deQt;
    // The row selector follows the cursor.
    connect(e_->seleccion, &QItemSelectionModel::currentRowChanged, verticalHeader()->viewport(),
            qOverload<>(&QWidget::update));
    e_->delegado = new DelegadoRejilla(this);
    setItemDelegate(e_->delegado);

    setEditTriggers(QAbstractItemView::NoEditTriggers);  // every edit starts here, with its events
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    // Uniform rows: nothing is measured or done per row, however many rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(16);
    verticalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);

    connect(qApp, &QApplication::focusChanged, this, [this](QWidget* antes, QWidget* ahora) {
        try {
            CambioDeFoco(antes, ahora);
        } catch (const ErrorEjecucion&) {
        }
    });
}

RejillaDatos::~RejillaDatos() {
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    // Qt may still reach the model, the delegate and the selection while the
    // view goes away: from here on they no longer look at this grid.
    e_->modelo->Suelta();
    e_->delegado->Suelta();
    e_->seleccion->Suelta();
}

void RejillaDatos::MatrizEnlazada(ArrayDatos matriz) {
    TerminaEdicion(false);
    e_->matriz = std::move(matriz);
    e_->modelo->Relee();
    // The cursor starts on the first column the user sees.
    int primera = 0;
    while (primera < ColumnCount() - 1 && isColumnHidden(primera)) ++primera;
    Coloca(0, primera, 0);
}

ArrayDatos RejillaDatos::MatrizEnlazada() const { return e_->matriz; }

void RejillaDatos::Reenlaza() {
    TerminaEdicion(false);
    const QModelIndex a = currentIndex();
    const int fila = a.isValid() ? a.row() : 0;
    const int col = a.isValid() ? a.column() : e_->columnaSinFila;
    const int arriba = verticalScrollBar()->value();
    e_->modelo->Relee();
    Coloca(fila, col, arriba);
}

void RejillaDatos::Coloca(int fila, int columna, int arriba) {
    columna = qBound(0, columna, qMax(0, ColumnCount() - 1));
    e_->columnaSinFila = columna;
    if (e_->filas == 0 || ColumnCount() == 0) return;
    ++e_->silencio;
    selectionModel()->setCurrentIndex(e_->modelo->index(qMin(fila, e_->filas - 1), columna),
                                      QItemSelectionModel::ClearAndSelect);
    --e_->silencio;
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(arriba);
}

void RejillaDatos::Refresh() {
    viewport()->update();
    horizontalHeader()->viewport()->update();
}

void RejillaDatos::RefrescaFila() {
    const QModelIndex i = currentIndex();
    if (!i.isValid()) return;
    emit e_->modelo->dataChanged(e_->modelo->index(i.row(), 0), e_->modelo->index(i.row(), ColumnCount() - 1));
}

int RejillaDatos::ColumnCount() const { return int(e_->columnas.size()); }

ColumnaRejilla RejillaDatos::Columns(int k) {
    if (k < 0 || k >= ColumnCount()) FallaNumero(errnum::FueraDeIntervalo);
    return ColumnaRejilla(this, k);
}

int RejillaDatos::ColumnaActual() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() : e_->columnaSinFila;
}

void RejillaDatos::ColumnaActual(int k) {
    if (k < 0 || k >= ColumnCount()) FallaNumero(errnum::FueraDeIntervalo);
    const QModelIndex i = currentIndex();
    if (!i.isValid()) {
        e_->columnaSinFila = k;
        return;
    }
    MueveA(e_->modelo->index(i.row(), k));
}

int RejillaDatos::FilaActual() const {
    const QModelIndex i = currentIndex();
    if (!i.isValid()) return -1;
    return i.row() - (PrimeraFila() - (e_->matriz ? e_->matriz->FilaInferior() : 0));
}

void RejillaDatos::FilaActual(int fila) {
    const int destino = PrimeraFila() - (e_->matriz ? e_->matriz->FilaInferior() : 0) + fila;
    if (destino < 0 || destino >= e_->filas) FallaNumero(errnum::FueraDeIntervalo);
    MueveA(e_->modelo->index(destino, ColumnaActual()));
}

int RejillaDatos::FilaEn(int y) const {
    const int fila = rowAt(y);
    return fila < 0 ? -1 : fila - (PrimeraFila() - (e_->matriz ? e_->matriz->FilaInferior() : 0));
}

int RejillaDatos::PrimeraFila() const {
    const int inferior = e_->matriz ? e_->matriz->FilaInferior() : 0;
    if (e_->filas == 0) return inferior;
    const int arriba = verticalHeader()->logicalIndexAt(0);
    return inferior + qMax(0, arriba);
}

void RejillaDatos::PrimeraFila(int fila) {
    const int inferior = e_->matriz ? e_->matriz->FilaInferior() : 0;
    if (fila < inferior || fila >= inferior + e_->filas) FallaNumero(errnum::FueraDeIntervalo);
    TerminaEdicion(true);
    executeDelayedItemsLayout();
    updateGeometries();
    verticalScrollBar()->setValue(fila - inferior);
}

QString RejillaDatos::Caption() const { return e_->cabecera->titulo; }

void RejillaDatos::Caption(const QString& titulo) {
    e_->cabecera->titulo = titulo;
    e_->cabecera->updateGeometry();
    e_->cabecera->viewport()->update();
    updateGeometries();
}

bool RejillaDatos::EnEdicion() const { return e_->editando; }

int RejillaDatos::FilaMatriz(int fila) const { return (e_->matriz ? e_->matriz->FilaInferior() : 0) + fila; }

bool RejillaDatos::Contiene(const QWidget* w) const { return w && (w == this || isAncestorOf(w)); }

// ---------------------------------------------------------------------------
// Moves of the cursor.

void RejillaDatos::MueveA(const QModelIndex& destino) {
    if (destino == currentIndex()) {
        TerminaEdicion(true);  // a move onto the same cell still stores the edit
        return;
    }
    selectionModel()->setCurrentIndex(destino, QItemSelectionModel::ClearAndSelect);
}

void RejillaDatos::CambiaActual(const QModelIndex& destino, QItemSelectionModel::SelectionFlags modo) {
    const QModelIndex antes = currentIndex();
    if (e_->silencio || !destino.isValid() || destino == antes) {
        e_->seleccion->PoneActual(destino, modo);
        return;
    }
    const int ultimaFila = antes.isValid() ? FilaMatriz(antes.row()) : -1;
    const int ultimaCol = antes.isValid() ? antes.column() : e_->columnaSinFila;
    const QPersistentModelIndex d(destino);
    QPointer<RejillaDatos> yo(this);
    TerminaEdicion(true);
    if (!yo) return;
    int cancel = 0;
    Lanza(BeforeRowColChange, cancel);
    if (!yo || cancel || !d.isValid() || currentIndex() == QModelIndex(d)) return;
    e_->seleccion->PoneActual(d, modo);
    Lanza(RowColChange, ultimaFila, ultimaCol);
}

// ---------------------------------------------------------------------------
// Edits.

QString RejillaDatos::TextoEdicion() const {
    if (auto* combo = qobject_cast<QComboBox*>(e_->editor.data())) return combo->currentText();
    if (auto* linea = qobject_cast<QLineEdit*>(e_->editor.data())) return linea->text();
    return e_->pendiente;
}

void RejillaDatos::PoneTextoEditor(const QString& texto) {
    if (auto* combo = qobject_cast<QComboBox*>(e_->editor.data())) combo->setEditText(texto);
    else if (auto* linea = qobject_cast<QLineEdit*>(e_->editor.data())) linea->setText(texto);
    else e_->pendiente = texto;
}

bool RejillaDatos::AbreEdicion(int keyAscii, const QKeyEvent* tecla) {
    Estado& e = *e_;
    const QModelIndex i = currentIndex();
    if (!i.isValid() || e.editando) return false;
    const Columna& c = e.columnas[size_t(i.column())];
    if (c.bloqueada || c.SeAlterna()) return false;
    QPointer<RejillaDatos> yo(this);
    int cancel = 0;
    Lanza(BeforeColEdit, i.column(), keyAscii, cancel);
    if (!yo || cancel || e.editando || currentIndex() != i) return false;

    e.editando = true;
    e.filaEd = i.row();
    e.colEd = i.column();
    e.fijado.reset();
    e.editor = nullptr;
    e.abriendo = e.cargando = true;
    const bool abierto = QTableView::edit(i, QAbstractItemView::AllEditTriggers, nullptr);
    e.abriendo = e.cargando = false;
    if (!abierto || !e.editor) {
        e.editando = false;
        return false;
    }
    e.inicial = TextoEdicion();
    if (tecla) {
        // The key that started the edit is the first one typed into it.
        QKeyEvent copia(QEvent::KeyPress, tecla->key(), tecla->modifiers(), tecla->text());
        e.notificado = &copia;
        QWidget* destino = e.editor->focusProxy() ? e.editor->focusProxy() : e.editor.data();
        QApplication::sendEvent(destino, &copia);
        e.notificado = nullptr;
    } else {
        // F2 or a double click: the caret after the text.
        QLineEdit* linea = qobject_cast<QLineEdit*>(e.editor.data());
        if (auto* combo = qobject_cast<QComboBox*>(e.editor.data())) linea = combo->lineEdit();
        if (linea) {
            linea->deselect();
            linea->end(false);
        }
    }
    return true;
}

void RejillaDatos::Alterna(int keyAscii) {
    Estado& e = *e_;
    const QModelIndex i = currentIndex();
    if (!i.isValid() || e.editando) return;
    const Columna& c = e.columnas[size_t(i.column())];
    if (c.bloqueada || !c.SeAlterna()) return;
    QPointer<RejillaDatos> yo(this);
    int cancel = 0;
    Lanza(BeforeColEdit, i.column(), keyAscii, cancel);
    if (!yo || cancel || e.editando || currentIndex() != i) return;

    const Columna& col = e.columnas[size_t(i.column())];
    const QString valor = e.modelo->Celda(i.row(), i.column());
    QString siguiente;
    if (col.casilla) {
        siguiente = Marcada(valor) ? QStringLiteral("0") : QStringLiteral("-1");
    } else if (!col.elementos.empty()) {
        size_t k = 0;
        for (size_t j = 0; j < col.elementos.size(); ++j)
            if (col.elementos[j].Value == valor) k = (j + 1) % col.elementos.size();
        siguiente = col.elementos[k].Value;
    } else {
        siguiente = valor;
    }
    e.editando = true;
    e.filaEd = i.row();
    e.colEd = i.column();
    e.fijado.reset();
    e.editor = nullptr;
    e.inicial = valor;
    e.pendiente = siguiente;
    TerminaEdicion(true);
}

void RejillaDatos::TerminaEdicion(bool guardar) {
    Estado& e = *e_;
    if (!e.editando || e.terminando) return;
    e.terminando = true;
    const int fila = e.filaEd, col = e.colEd;
    QPointer<RejillaDatos> yo(this);
    bool guardado = false;
    const QString texto = TextoEdicion();
    if (guardar && texto != e.inicial) {
        // What the text stores: itself, or the value of the item it names.
        std::optional<QString> valor = texto;
        const Columna& c = e.columnas[size_t(col)];
        if (c.ConTextos()) {
            valor.reset();
            for (const auto& el : c.elementos)
                if (el.DisplayValue.compare(texto, Qt::CaseInsensitive) == 0) {
                    valor = el.Value;
                    break;
                }
        }
        if (!valor) {
            Lanza(ValueItemError, col);
        } else {
            const QString viejo = e.modelo->Celda(fila, col);
            int cancel = 0;
            Lanza(BeforeColUpdate, col, viejo, cancel);
            if (!yo) return;
            if (e.fijado) guardado = !cancel;  // the handler wrote the cell itself
            else if (!cancel) guardado = e.modelo->setData(e.modelo->index(fila, col), *valor, kRolValor);
        }
        if (!yo) return;
    }
    e.editando = false;
    e.terminando = false;
    e.fijado.reset();
    e.pendiente.clear();
    if (QWidget* ed = e.editor.data()) {
        e.editor = nullptr;
        // The grid takes the focus back first, so that hiding the editor
        // does not hand it to another control on the way.
        if (Contiene(QApplication::focusWidget()) && QApplication::focusWidget() != this)
            setFocus(Qt::OtherFocusReason);
        QTableView::closeEditor(ed, QAbstractItemDelegate::NoHint);
    }
    const QModelIndex i = e.modelo->index(fila, col);
    if (i.isValid()) update(i);
    if (guardado) Lanza(AfterColUpdate, col);
    if (!yo) return;
    Lanza(AfterColEdit, col);
}

// ---------------------------------------------------------------------------
// Keys, mouse and focus.

bool RejillaDatos::NotificaTecla(const QKeyEvent* tecla, int& keyAscii) {
    QPointer<RejillaDatos> yo(this);
    keyAscii = 0;
    if (int codigo = CodigoTecla(tecla)) {
        Lanza(KeyDown, codigo, TeclasRaton(tecla->modifiers()));
        if (!yo || codigo == 0) return false;
    }
    if (int ascii = AsciiTecla(tecla)) {
        Lanza(KeyPress, ascii);
        if (!yo || ascii == 0) return false;
        keyAscii = ascii;
    }
    return true;
}

bool RejillaDatos::FiltraEditor(QObject* editor, QEvent* evento) {
    if (evento->type() != QEvent::KeyPress || evento == e_->notificado) return false;
    try {
        auto* tecla = static_cast<QKeyEvent*>(evento);
        QPointer<RejillaDatos> yo(this);
        int ascii = 0;
        if (!NotificaTecla(tecla, ascii) || !yo) return true;
        if (!e_->editando || editor != e_->editor) return true;  // a handler ended the edit: the key is spent
        if (ascii >= 32 && ascii != AsciiTecla(tecla)) {
            // KeyPress changed the character: the editor receives the new one.
            QKeyEvent otra(QEvent::KeyPress, Qt::Key_unknown, tecla->modifiers(), QString(QChar(ascii)));
            e_->notificado = &otra;
            QApplication::sendEvent(editor, &otra);
            e_->notificado = nullptr;
            return true;
        }
        const bool linea = qobject_cast<QLineEdit*>(editor) != nullptr;
        switch (tecla->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: TerminaEdicion(true); return true;
        case Qt::Key_Escape: TerminaEdicion(false); return true;
        case Qt::Key_Tab: MueveA(moveCursor(MoveNext, tecla->modifiers())); return true;
        case Qt::Key_Backtab: MueveA(moveCursor(MovePrevious, tecla->modifiers())); return true;
        case Qt::Key_Up:
            if (!linea) return false;
            MueveA(moveCursor(MoveUp, tecla->modifiers()));
            return true;
        case Qt::Key_Down:
            if (!linea) return false;
            MueveA(moveCursor(MoveDown, tecla->modifiers()));
            return true;
        case Qt::Key_PageUp: MueveA(moveCursor(MovePageUp, tecla->modifiers())); return true;
        case Qt::Key_PageDown: MueveA(moveCursor(MovePageDown, tecla->modifiers())); return true;
        default: return false;
        }
    } catch (const ErrorEjecucion&) {
        return true;
    }
}

void RejillaDatos::keyPressEvent(QKeyEvent* evento) {
    try {
        TeclaRejilla(evento);
    } catch (const ErrorEjecucion&) {
        evento->accept();
    }
}

void RejillaDatos::TeclaRejilla(QKeyEvent* tecla) {
    if (e_->editor) {
        if (Contiene(QApplication::focusWidget()) && QApplication::focusWidget() != this) {
            // Come up from the cell editor, which has raised its events already.
            tecla->ignore();
            return;
        }
        // The grid has the focus while an edit is open (code gave it back):
        // the key goes to the editor, as the user means it.
        QPointer<QWidget> editor = e_->editor;
        editor->setFocus(Qt::OtherFocusReason);
        QApplication::sendEvent(editor->focusProxy() ? editor->focusProxy() : editor.data(), tecla);
        return;
    }
    QPointer<RejillaDatos> yo(this);
    int ascii = 0;
    if (!NotificaTecla(tecla, ascii)) {
        if (yo) tecla->accept();
        return;
    }
    switch (tecla->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        TerminaEdicion(true);
        tecla->accept();
        return;
    case Qt::Key_F2:
        if (tecla->modifiers() == Qt::NoModifier) {
            AbreEdicion(0, nullptr);
            tecla->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        tecla->ignore();  // for the window (a dialog's Cancel)
        return;
    default: break;
    }
    if (ascii >= 32 && ascii != 127) {
        const QModelIndex i = currentIndex();
        if (i.isValid() && e_->columnas[size_t(i.column())].SeAlterna()) {
            if (ascii == 32) Alterna(32);
        } else {
            const QKeyEvent tipo(QEvent::KeyPress, ascii == AsciiTecla(tecla) ? tecla->key() : int(Qt::Key_unknown),
                                 tecla->modifiers() & ~Qt::KeypadModifier, QString(QChar(ascii)));
            AbreEdicion(ascii, &tipo);
        }
        tecla->accept();
        return;
    }
    QTableView::keyPressEvent(tecla);
}

void RejillaDatos::mousePressEvent(QMouseEvent* evento) {
    try {
        QPointer<RejillaDatos> yo(this);
        const QPoint p = evento->position().toPoint();
        Lanza(MouseDown, BotonRaton(evento->button()), TeclasRaton(evento->modifiers()), p.x(), p.y());
        if (!yo) return;
        if (evento->button() != Qt::LeftButton) {
            evento->accept();  // only the left button moves the cursor
            return;
        }
        ClicIzquierdo(evento, false);
    } catch (const ErrorEjecucion&) {
        evento->accept();
    }
}

void RejillaDatos::mouseDoubleClickEvent(QMouseEvent* evento) {
    try {
        if (evento->button() == Qt::LeftButton) ClicIzquierdo(evento, true);
        else evento->accept();
    } catch (const ErrorEjecucion&) {
        evento->accept();
    }
}

void RejillaDatos::ClicIzquierdo(QMouseEvent* evento, bool doble) {
    const QPoint p = evento->position().toPoint();
    const QModelIndex i = indexAt(p);
    if (!i.isValid()) {
        if (!doble) QTableView::mousePressEvent(evento);
        return;
    }
    QPointer<RejillaDatos> yo(this);
    const QPersistentModelIndex pi(i);
    if (i != currentIndex()) {
        selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
        if (!yo || currentIndex() != QModelIndex(pi)) {  // the move was refused
            evento->accept();
            return;
        }
    }
    const Columna& c = e_->columnas[size_t(pi.column())];
    evento->accept();
    if (c.boton && RectBoton(visualRect(pi)).contains(p)) {
        if (doble) return;
        TerminaEdicion(true);
        if (yo) Lanza(ButtonClick, pi.column());
        return;
    }
    if (c.SeAlterna()) {
        // One press, one change: the second press of a double click leaves
        // the value its first press stored.
        if (!doble) Alterna(0);
        return;
    }
    if (doble) AbreEdicion(0, nullptr);
    else QTableView::mousePressEvent(evento);
}

void RejillaDatos::mouseMoveEvent(QMouseEvent* evento) {
    // Dragging does not move the cursor from cell to cell.
    if (evento->buttons() != Qt::NoButton) evento->accept();
    else QTableView::mouseMoveEvent(evento);
}

void RejillaDatos::CambioDeFoco(QWidget* antes, QWidget* ahora) {
    if (!Contiene(antes) || Contiene(ahora)) return;
    // Only another control of the same window: not a message box, a pop-up
    // or another window, and not the focus going nowhere.
    if (!ahora || ahora->window() != window()) return;
    QPointer<RejillaDatos> yo(this);
    TerminaEdicion(true);
    if (yo) Lanza(LostFocus);
}

bool RejillaDatos::edit(const QModelIndex& indice, EditTrigger disparo, QEvent* evento) {
    // Qt's own triggers start nothing: edits start in AbreEdicion, with events.
    if (!e_->abriendo) return false;
    return QTableView::edit(indice, disparo, evento);
}

void RejillaDatos::commitData(QWidget*) {}  // the grid stores, in TerminaEdicion

void RejillaDatos::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint pista) {
    if (editor && editor == e_->editor && e_->editando && !e_->terminando) {
        TerminaEdicion(pista != QAbstractItemDelegate::RevertModelCache);
        return;
    }
    QTableView::closeEditor(editor, pista);
}

void RejillaDatos::keyboardSearch(const QString&) {}
