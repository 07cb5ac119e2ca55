#pragma once
// A tree of nodes. Every node has a key that is unique in the tree, a text,
// a picture taken by key from a ListaImagenes, a parent (none for a root)
// and an expanded and a selected state; at most one node is selected.
//
// The tree raises two events of its own:
// - MouseDown(Button, Shift, x, y) when a mouse button is pressed over it,
//   before the tree handles the press itself; x and y are in the tree's
//   viewport. Only the left button goes on to the tree's own handling (it
//   selects the node or opens and closes a branch); the other buttons are
//   left to the handler.
// - Click whenever another node becomes the selected one, however that
//   happens (a press anywhere in its row, the keyboard, the program), and
//   when the left button is released over a node that was already the
//   selected one: what follows the selection can rely on one event.
// Once a node is selected the user cannot leave the tree without one (a
// Ctrl+click on the selected node keeps it selected).

#include <QHash>
#include <QPointer>
#include <QTreeWidget>

class ArbolNodos;
class ListaImagenes;

// A handle on one node. It finds its node again by key on every use, so a
// handle kept after the node was removed fails ("Element not found") instead
// of touching a node that is gone. An empty handle stands for no node: any
// use of it fails with "Object variable not set".
class Nodo {
public:
    Nodo() = default;
    bool EsNada() const { return arbol_.isNull(); }

    QString Key() const;
    QString Text() const;
    void Text(const QString& texto);
    QString Image() const;
    // A text the program keeps with the node, not shown ("" until set).
    QString Tag() const;
    void Tag(const QString& valor);
    // The parent node; an empty handle for a root.
    Nodo Parent() const;
    int Children() const;
    bool Expanded() const;
    void Expanded(bool si);
    bool Selected() const;
    void Selected(bool si);

    QTreeWidgetItem* Elemento() const;

private:
    friend class ArbolNodos;
    friend class NodosArbol;
    Nodo(const ArbolNodos* arbol, const QString& clave);
    QPointer<ArbolNodos> arbol_;
    QString clave_;
};

// The tree's collection of nodes.
class NodosArbol {
public:
    explicit NodosArbol(ArbolNodos* arbol) : arbol_(arbol) {}
    // Removes every node.
    void Clear();
    // Adds a node as the last child of the node keyed relativo, or as the
    // last root when relativo is empty. A key already in the tree fails
    // ("Key is not unique in collection"), and so do a relative or a
    // picture key that does not exist ("Element not found").
    Nodo Add(const QString& relativo, const QString& clave, const QString& texto, const QString& imagen = {});
    int Count() const;
    bool Existe(const QString& clave) const;
    // The node of a key; fails when there is none.
    Nodo Item(const QString& clave) const;
    // Every key, in the order the tree shows the nodes (each node before its
    // children).
    QStringList Claves() const;

private:
    ArbolNodos* arbol_;
};

class ArbolNodos : public QTreeWidget {
    Q_OBJECT
public:
    explicit ArbolNodos(QWidget* padre = nullptr);

    NodosArbol Nodes() { return NodosArbol(this); }
    // The pictures that the nodes' image keys name (not owned).
    void ImageList(const ListaImagenes* imagenes) { imagenes_ = imagenes; }
    const ListaImagenes* ImageList() const { return imagenes_; }

    // The selected node, or an empty handle when none is selected.
    Nodo SelectedItem() const;
    // The node at (x, y) of the viewport, or an empty handle over empty
    // space and over the button that opens and closes a branch.
    Nodo HitTest(int x, int y) const;

signals:
    void Click();
    void MouseDown(int Button, int Shift, int x, int y);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& indice,
                                                         const QEvent* evento = nullptr) const override;

private:
    void SeleccionCambiada();

    friend class Nodo;
    friend class NodosArbol;
    QTreeWidgetItem* ElementoDe(const QString& clave) const;
    QString ClaveSeleccionada() const;

    QHash<QString, QTreeWidgetItem*> porClave_;
    const ListaImagenes* imagenes_ = nullptr;
    bool pulsadoSobreNodo_ = false;
    bool clicDesdePulsacion_ = false;  // a Click went out since the last press
    QString notificada_;               // the key of the last Click's node
};
