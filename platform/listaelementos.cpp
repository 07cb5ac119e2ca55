#include "platform/listaelementos.h"

#include "platform/errores.h"
#include "platform/raton.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QHeaderView>
#include <QMouseEvent>

#include <vector>

// The rows of a list: those of a source, shown in place, or rows of its own
// kept in a vector, each with its key in a key-to-row table. The table of a
// source's keys is made the first time a key is looked up.
class ModeloElementos : public QAbstractTableModel {
public:
    struct Fila {
        QString clave;
        QStringList celdas;  // text, then the sub-items
    };

    explicit ModeloElementos(int columnas, QObject* padre)
        : QAbstractTableModel(padre), encabezados_(columnas) {}

    int rowCount(const QModelIndex& padre = {}) const override { return padre.isValid() ? 0 : Cuenta(); }
    int columnCount(const QModelIndex& padre = {}) const override {
        return padre.isValid() ? 0 : int(encabezados_.size());
    }
    QVariant data(const QModelIndex& i, int rol) const override {
        if (rol != Qt::DisplayRole || !i.isValid() || i.row() >= Cuenta()) return {};
        return CeldaEn(i.row(), i.column());
    }
    QVariant headerData(int seccion, Qt::Orientation o, int rol) const override {
        if (o == Qt::Horizontal && rol == Qt::DisplayRole && seccion >= 0 && seccion < encabezados_.size())
            return encabezados_[seccion];
        return {};
    }

    void Encabezado(int columna, const QString& texto) {
        encabezados_[columna] = texto;
        if (relleno_ == 0) emit headerDataChanged(Qt::Horizontal, columna, columna);
    }
    const QString& Encabezado(int columna) const { return encabezados_[columna]; }

    void IniciaRelleno() {
        if (relleno_++ == 0) beginResetModel();
    }
    void TerminaRelleno() {
        if (--relleno_ == 0) endResetModel();
    }

    void Vacia() { Muestra(nullptr); }

    // The source's rows take the place of every row (none for no source).
    void Muestra(std::shared_ptr<const FuenteElementos> fuente) {
        const bool avisa = relleno_ == 0;
        if (avisa) beginResetModel();
        filas_.clear();
        porClave_.clear();
        fuente_ = std::move(fuente);
        clavesHechas_ = !fuente_;
        ++generacion_;
        if (avisa) endResetModel();
    }

    void Reserva(qsizetype mas) {
        if (mas <= 0) return;
        filas_.reserve(filas_.size() + size_t(mas));
        porClave_.reserve(porClave_.size() + mas);
    }

    int Agrega(const QString& clave, const QString& texto) {
        Copia();
        if (porClave_.contains(clave)) FallaNumero(errnum::ClaveRepetida);
        const int fila = int(filas_.size());
        if (relleno_ == 0) beginInsertRows({}, fila, fila);
        Fila& f = filas_.emplace_back();
        f.clave = clave;
        f.celdas.resize(encabezados_.size());
        f.celdas[0] = texto;
        porClave_.insert(clave, fila);
        if (relleno_ == 0) endInsertRows();
        return fila;
    }

    void Celda(int fila, int columna, const QString& texto) {
        Copia();
        filas_[size_t(fila)].celdas[columna] = texto;
        if (relleno_ == 0) {
            const QModelIndex i = index(fila, columna);
            emit dataChanged(i, i, {Qt::DisplayRole});
        }
    }

    QString ClaveEn(int fila) const { return fuente_ ? fuente_->Clave(fila) : filas_[size_t(fila)].clave; }
    QString CeldaEn(int fila, int columna) const {
        if (fuente_) return fuente_->Celda(fila, columna);
        const QStringList& celdas = filas_[size_t(fila)].celdas;
        return columna < celdas.size() ? celdas[columna] : QString();
    }
    int Cuenta() const { return fuente_ ? fuente_->Cuenta() : int(filas_.size()); }
    int FilaDe(const QString& clave) const {
        if (!clavesHechas_) {
            const int n = fuente_->Cuenta();
            porClave_.reserve(n);
            for (int f = 0; f < n; ++f) {
                const QString clave = fuente_->Clave(f);
                if (!porClave_.contains(clave)) porClave_.insert(clave, f);
            }
            clavesHechas_ = true;
        }
        return porClave_.value(clave, -1);
    }
    quint64 Generacion() const { return generacion_; }
    bool Rellenando() const { return relleno_ > 0; }

private:
    // A source's rows become rows of the list's own, in the same places, so
    // that they can be changed or followed by others. Handles stay valid.
    void Copia() {
        if (!fuente_) return;
        const std::shared_ptr<const FuenteElementos> fuente = std::move(fuente_);
        const int n = fuente->Cuenta();
        porClave_.clear();
        filas_.reserve(size_t(n));
        for (int f = 0; f < n; ++f) {
            Fila& fila = filas_.emplace_back();
            fila.clave = fuente->Clave(f);
            for (int c = 0; c < encabezados_.size(); ++c) fila.celdas.append(fuente->Celda(f, c));
            if (!porClave_.contains(fila.clave)) porClave_.insert(fila.clave, f);
        }
        clavesHechas_ = true;
    }

    std::shared_ptr<const FuenteElementos> fuente_;
    std::vector<Fila> filas_;
    mutable QHash<QString, int> porClave_;
    mutable bool clavesHechas_ = true;
    QStringList encabezados_;
    quint64 generacion_ = 0;
    int relleno_ = 0;
};

// ---- ElementoLista ----

ElementoLista::ElementoLista(const ListaElementos* lista, int fila)
    : lista_(const_cast<ListaElementos*>(lista)), fila_(fila), generacion_(lista->modelo_->Generacion()) {}

int ElementoLista::Fila() const {
    if (lista_.isNull()) FallaNumero(errnum::ObjetoNoEstablecido);
    if (generacion_ != lista_->modelo_->Generacion() || fila_ < 0 || fila_ >= lista_->modelo_->Cuenta())
        FallaNumero(errnum::NodoNoHallado);
    return fila_;
}

QString ElementoLista::Key() const {
    const int f = Fila();
    return lista_->modelo_->ClaveEn(f);
}
QString ElementoLista::Text() const {
    const int f = Fila();
    return lista_->modelo_->CeldaEn(f, 0);
}
void ElementoLista::Text(const QString& texto) {
    const int f = Fila();
    lista_->modelo_->Celda(f, 0, texto);
}

QString ElementoLista::SubItems(int i) const {
    const int f = Fila();
    if (i < 1 || i >= lista_->Columnas()) FallaNumero(errnum::ValorNoValido);
    return lista_->modelo_->CeldaEn(f, i);
}

void ElementoLista::SubItems(int i, const QString& texto) {
    const int f = Fila();
    if (i < 1 || i >= lista_->Columnas()) FallaNumero(errnum::ValorNoValido);
    lista_->modelo_->Celda(f, i, texto);
}

bool ElementoLista::Selected() const {
    const int f = Fila();
    if (lista_->modelo_->Rellenando()) return false;
    return lista_->selectionModel()->isRowSelected(f, {});
}

void ElementoLista::Selected(bool si) {
    const int f = Fila();
    if (lista_->modelo_->Rellenando()) return;  // the view takes the rows when the filling ends
    const QModelIndex i = lista_->modelo_->index(f, 0);
    if (si)
        lista_->selectionModel()->setCurrentIndex(
            i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        lista_->selectionModel()->select(i, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
}

int ElementoLista::Index() const { return Fila() + 1; }

// ---- ElementosLista ----

void ElementosLista::Clear() { lista_->modelo_->Vacia(); }

ElementoLista ElementosLista::Add(const QString& clave, const QString& texto) {
    return ElementoLista(lista_, lista_->modelo_->Agrega(clave, texto));
}

void ElementosLista::Muestra(std::shared_ptr<const FuenteElementos> fuente) {
    lista_->modelo_->Muestra(std::move(fuente));
}

int ElementosLista::Count() const { return lista_->modelo_->Cuenta(); }
bool ElementosLista::Existe(const QString& clave) const { return lista_->modelo_->FilaDe(clave) >= 0; }

ElementoLista ElementosLista::Item(int indice) const {
    if (indice < 1 || indice > Count()) FallaNumero(errnum::NodoNoHallado);
    return ElementoLista(lista_, indice - 1);
}

ElementoLista ElementosLista::Item(const QString& clave) const {
    const int f = lista_->modelo_->FilaDe(clave);
    if (f < 0) FallaNumero(errnum::NodoNoHallado);
    return ElementoLista(lista_, f);
}

// ---- ListaElementos ----

ListaElementos::ListaElementos(int columnas, QWidget* padre)
    : QTreeView(padre), modelo_(new ModeloElementos(columnas, this)) {
    setModel(modelo_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::PreventContextMenu);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->setStretchLastSection(true);
    header()->setSectionsMovable(false);
}

ListaElementos::~ListaElementos() = default;

int ListaElementos::Columnas() const { return modelo_->columnCount(); }

QString ListaElementos::Encabezado(int k) const {
    if (k < 1 || k > Columnas()) FallaNumero(errnum::NodoNoHallado);
    return modelo_->Encabezado(k - 1);
}

void ListaElementos::Encabezado(int k, const QString& texto) {
    if (k < 1 || k > Columnas()) FallaNumero(errnum::NodoNoHallado);
    modelo_->Encabezado(k - 1, texto);
}

ElementoLista ListaElementos::SelectedItem() const {
    if (modelo_->Rellenando()) return ElementoLista();
    const QModelIndexList filas = selectionModel()->selectedRows();
    if (filas.isEmpty()) return ElementoLista();
    return ElementoLista(this, filas.first().row());
}

ElementoLista ListaElementos::HitTest(int x, int y) const {
    if (modelo_->Rellenando()) return ElementoLista();
    const QModelIndex i = indexAt(QPoint(x, y));
    if (!i.isValid()) return ElementoLista();
    return ElementoLista(this, i.row());
}

ListaElementos::Relleno::Relleno(ListaElementos* lista, qsizetype filas) : lista_(lista) {
    lista->modelo_->IniciaRelleno();
    lista->modelo_->Reserva(filas);
}

ListaElementos::Relleno::~Relleno() {
    if (lista_) lista_->modelo_->TerminaRelleno();
}

void ListaElementos::mousePressEvent(QMouseEvent* e) {
    QPointer<ListaElementos> yo(this);
    const QPoint p = e->position().toPoint();
    emit MouseDown(BotonRaton(e->button()), TeclasRaton(e->modifiers()), p.x(), p.y());
    if (!yo) return;
    if (e->button() == Qt::LeftButton) QTreeView::mousePressEvent(e);
    else e->accept();
}

void ListaElementos::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) mousePressEvent(e);
    else QTreeView::mouseDoubleClickEvent(e);
}
