#include "platform/arbolnodos.h"

#include "platform/errores.h"
#include "platform/listaimagenes.h"
#include "platform/raton.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <functional>

namespace {
constexpr int kRolClave = Qt::UserRole;
constexpr int kRolImagen = Qt::UserRole + 1;
constexpr int kRolEtiqueta = Qt::UserRole + 2;
}  // namespace

// ---- Nodo ----

Nodo::Nodo(const ArbolNodos* arbol, const QString& clave)
    : arbol_(const_cast<ArbolNodos*>(arbol)), clave_(clave) {}

QTreeWidgetItem* Nodo::Elemento() const {
    if (arbol_.isNull()) FallaNumero(errnum::ObjetoNoEstablecido);
    QTreeWidgetItem* e = arbol_->ElementoDe(clave_);
    if (!e) FallaNumero(errnum::NodoNoHallado);
    return e;
}

QString Nodo::Key() const {
    Elemento();
    return clave_;
}

QString Nodo::Text() const { return Elemento()->text(0); }
void Nodo::Text(const QString& texto) { Elemento()->setText(0, texto); }
QString Nodo::Image() const { return Elemento()->data(0, kRolImagen).toString(); }
QString Nodo::Tag() const { return Elemento()->data(0, kRolEtiqueta).toString(); }
void Nodo::Tag(const QString& valor) { Elemento()->setData(0, kRolEtiqueta, valor); }

Nodo Nodo::Parent() const {
    QTreeWidgetItem* p = Elemento()->parent();
    if (!p) return Nodo();
    return Nodo(arbol_.data(), p->data(0, kRolClave).toString());
}

int Nodo::Children() const { return Elemento()->childCount(); }
bool Nodo::Expanded() const { return Elemento()->isExpanded(); }
void Nodo::Expanded(bool si) { Elemento()->setExpanded(si); }
bool Nodo::Selected() const { return Elemento()->isSelected(); }

void Nodo::Selected(bool si) {
    QTreeWidgetItem* e = Elemento();
    if (si) {
        arbol_->setCurrentItem(e);
        e->setSelected(true);
    } else {
        e->setSelected(false);
    }
}

// ---- NodosArbol ----

void NodosArbol::Clear() {
    arbol_->porClave_.clear();
    arbol_->clear();
    arbol_->notificada_.clear();
}

Nodo NodosArbol::Add(const QString& relativo, const QString& clave, const QString& texto, const QString& imagen) {
    if (arbol_->porClave_.contains(clave)) FallaNumero(errnum::ClaveRepetida);
    QTreeWidgetItem* padre = nullptr;
    if (!relativo.isEmpty()) {
        padre = arbol_->ElementoDe(relativo);
        if (!padre) FallaNumero(errnum::NodoNoHallado);
    }
    QIcon icono;
    if (!imagen.isEmpty()) {
        if (!arbol_->imagenes_) FallaNumero(errnum::NodoNoHallado);
        icono = arbol_->imagenes_->Imagen(imagen);
    }
    auto* e = new QTreeWidgetItem(QStringList{texto});
    e->setData(0, kRolClave, clave);
    e->setData(0, kRolImagen, imagen);
    if (!icono.isNull()) e->setIcon(0, icono);
    if (padre) padre->addChild(e);
    else arbol_->addTopLevelItem(e);
    arbol_->porClave_.insert(clave, e);
    return Nodo(arbol_, clave);
}

int NodosArbol::Count() const { return int(arbol_->porClave_.size()); }
bool NodosArbol::Existe(const QString& clave) const { return arbol_->porClave_.contains(clave); }

Nodo NodosArbol::Item(const QString& clave) const {
    if (!arbol_->porClave_.contains(clave)) FallaNumero(errnum::NodoNoHallado);
    return Nodo(arbol_, clave);
}

QStringList NodosArbol::Claves() const {
    QStringList r;
    std::function<void(QTreeWidgetItem*)> recorre = [&](QTreeWidgetItem* e) {
        r.append(e->data(0, kRolClave).toString());
        for (int i = 0; i < e->childCount(); ++i) recorre(e->child(i));
    };
    for (int i = 0; i < arbol_->topLevelItemCount(); ++i) recorre(arbol_->topLevelItem(i));
    return r;
}

// ---- ArbolNodos ----

ArbolNodos::ArbolNodos(QWidget* padre) : QTreeWidget(padre) {
    setColumnCount(1);
    header()->hide();
    // Long texts widen the tree, which then scrolls sideways.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &ArbolNodos::SeleccionCambiada);
}

void ArbolNodos::SeleccionCambiada() {
    const QString ahora = ClaveSeleccionada();
    if (ahora.isEmpty() || ahora == notificada_) return;
    notificada_ = ahora;
    clicDesdePulsacion_ = true;
    emit Click();
}

QItemSelectionModel::SelectionFlags ArbolNodos::selectionCommand(const QModelIndex& indice,
                                                                 const QEvent* evento) const {
    const QItemSelectionModel::SelectionFlags orden = QTreeWidget::selectionCommand(indice, evento);
    // Ctrl+click on the selected node would leave none selected.
    if (orden.testFlag(QItemSelectionModel::Deselect)) return QItemSelectionModel::NoUpdate;
    return orden;
}

QTreeWidgetItem* ArbolNodos::ElementoDe(const QString& clave) const { return porClave_.value(clave, nullptr); }

Nodo ArbolNodos::SelectedItem() const {
    const auto sel = selectedItems();
    if (sel.isEmpty()) return Nodo();
    return Nodo(this, sel.first()->data(0, kRolClave).toString());
}

QString ArbolNodos::ClaveSeleccionada() const {
    const auto sel = selectedItems();
    return sel.isEmpty() ? QString() : sel.first()->data(0, kRolClave).toString();
}

Nodo ArbolNodos::HitTest(int x, int y) const {
    const QPoint p(x, y);
    const QModelIndex i = indexAt(p);
    if (!i.isValid()) return Nodo();
    // Left of the node's picture lie the indentation and the branch button.
    if (p.x() < visualRect(i).left()) return Nodo();
    QTreeWidgetItem* e = itemFromIndex(i);
    if (!e) return Nodo();
    return Nodo(this, e->data(0, kRolClave).toString());
}

void ArbolNodos::mousePressEvent(QMouseEvent* e) {
    QPointer<ArbolNodos> yo(this);
    const QPoint p = e->position().toPoint();
    pulsadoSobreNodo_ = e->button() == Qt::LeftButton && !HitTest(p.x(), p.y()).EsNada();
    clicDesdePulsacion_ = false;
    emit MouseDown(BotonRaton(e->button()), TeclasRaton(e->modifiers()), p.x(), p.y());
    if (!yo) return;
    if (e->button() == Qt::LeftButton) QTreeWidget::mousePressEvent(e);
    else e->accept();
}

void ArbolNodos::mouseReleaseEvent(QMouseEvent* e) {
    // A press that changed the selection has had its Click already.
    const bool clic = e->button() == Qt::LeftButton && pulsadoSobreNodo_ && !clicDesdePulsacion_;
    pulsadoSobreNodo_ = false;
    QPointer<ArbolNodos> yo(this);
    if (e->button() == Qt::LeftButton) QTreeWidget::mouseReleaseEvent(e);
    else e->accept();
    if (yo && clic) emit Click();
}

void ArbolNodos::mouseDoubleClickEvent(QMouseEvent* e) {
    // A second press of another button is a press like the first.
    if (e->button() != Qt::LeftButton) mousePressEvent(e);
    else QTreeWidget::mouseDoubleClickEvent(e);
}
