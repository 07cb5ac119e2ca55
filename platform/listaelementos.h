#pragma once
// A list of items in columns (a report view): every item has a key that is
// unique in the list, a text shown in the first column and sub-items 1 to
// n-1 shown in the other columns; each column has a header; at most one item
// is selected.
//
// The items live in a model of our own (a vector of rows and a key-to-row
// table). Filling inside a Relleno tells the view once, when the Relleno
// ends, instead of once per row: the list is neither sorted, resized nor
// repainted while it fills. A long list read from the server is better
// shown from where its rows already are (FuenteElementos): the list then
// asks for a row's key and texts only when it needs them.
//
// The list raises MouseDown(Button, Shift, x, y) when a mouse button is
// pressed over it, before the list handles the press itself; x and y are in
// the list's viewport. Only the left button goes on to the list's own
// handling; the other buttons are left to the handler.

#include <QPointer>
#include <QTreeView>

#include <memory>

class ListaElementos;
class ModeloElementos;

// A handle on one item. It stays valid until the list is cleared; a handle
// kept after that fails ("Element not found"). An empty handle stands for no
// item: any use of it fails with "Object variable not set".
class ElementoLista {
public:
    ElementoLista() = default;
    bool EsNada() const { return lista_.isNull(); }

    QString Key() const;
    QString Text() const;
    void Text(const QString& texto);
    // Sub-item i (1 to columns - 1); another index fails ("Invalid property value").
    QString SubItems(int i) const;
    void SubItems(int i, const QString& texto);
    bool Selected() const;
    void Selected(bool si);
    // Position in the list, from 1.
    int Index() const;

private:
    friend class ListaElementos;
    friend class ElementosLista;
    ElementoLista(const ListaElementos* lista, int fila);
    int Fila() const;  // checks the handle
    QPointer<ListaElementos> lista_;
    int fila_ = -1;
    quint64 generacion_ = 0;
};

// Rows a list shows without copying them: row i's key and the texts of its
// columns (0 is the item's text, then the sub-items) are asked for when the
// list needs them. The rows must not change while the list shows them, and
// their keys must be unique.
class FuenteElementos {
public:
    virtual ~FuenteElementos() = default;
    virtual int Cuenta() const = 0;
    virtual QString Clave(int fila) const = 0;
    virtual QString Celda(int fila, int columna) const = 0;
};

// The list's collection of items.
class ElementosLista {
public:
    explicit ElementosLista(ListaElementos* lista) : lista_(lista) {}
    void Clear();
    // Adds an item at the end; a key already in the list fails ("Key is not
    // unique in collection").
    ElementoLista Add(const QString& clave, const QString& texto);
    // Replaces the items with the rows of a source, as a Clear followed by
    // one Add per row would. Changing an item or adding one afterwards
    // copies the source's rows into the list first.
    void Muestra(std::shared_ptr<const FuenteElementos> fuente);
    int Count() const;
    bool Existe(const QString& clave) const;
    // The item at a position counted from 1, or of a key; fails when there is none.
    ElementoLista Item(int indice) const;
    ElementoLista Item(const QString& clave) const;

private:
    ListaElementos* lista_;
};

class ListaElementos : public QTreeView {
    Q_OBJECT
public:
    explicit ListaElementos(int columnas, QWidget* padre = nullptr);
    ~ListaElementos() override;

    ElementosLista ListItems() { return ElementosLista(this); }
    int Columnas() const;
    // Header of column k (1 to Columnas()); another column fails.
    QString Encabezado(int k) const;
    void Encabezado(int k, const QString& texto);

    // The selected item, or an empty handle.
    ElementoLista SelectedItem() const;
    // The item at (x, y) of the viewport, or an empty handle.
    ElementoLista HitTest(int x, int y) const;

    // While one lives, the list is filled without telling the view row by
    // row; the view takes the whole new content when the last one ends.
    class Relleno {
    public:
        // filas: how many rows the filling will add, when known (room is
        // made for them at once).
        explicit Relleno(ListaElementos* lista, qsizetype filas = 0);
        ~Relleno();
        Relleno(const Relleno&) = delete;
        Relleno& operator=(const Relleno&) = delete;

    private:
        QPointer<ListaElementos> lista_;
    };

signals:
    void MouseDown(int Button, int Shift, int x, int y);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    friend class ElementoLista;
    friend class ElementosLista;
    ModeloElementos* modelo_;
};
