#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "platform/listaimagenes.h"

#include "platform/errores.h"

#include <QPixmap>

#include <gtest/gtest.h>

namespace {

// The number a failure carries; 0 when the call did not fail.
template <class F>
qint64 Fallo(F&& f) {
    try {
        f();
    } catch (const ErrorEjecucion& e) {
        return e.Numero;
    }
    return 0;
}

QIcon Punto() {
    QPixmap p(4, 4);
    p.fill(Qt::red);
    return QIcon(p);
}

}  // namespace

TEST(ArbolNodos, KeysAreUniqueAndRelativesAndPicturesMustExist) {
    ListaImagenes imagenes;
    imagenes.Agrega("Tabla", Punto());
    EXPECT_EQ(Fallo([&] { imagenes.Agrega("Tabla", Punto()); }), errnum::ClaveRepetida);
    EXPECT_EQ(Fallo([&] { imagenes.Imagen("Vista"); }), errnum::NodoNoHallado);

    ArbolNodos arbol;
    arbol.ImageList(&imagenes);
    auto nodos = arbol.Nodes();
    nodos.Add({}, "S", "servidor", "Tabla");
    nodos.Add("S", "A", "a");
    EXPECT_EQ(Fallo([&] { nodos.Add("S", "A", "otra a"); }), errnum::ClaveRepetida);
    EXPECT_EQ(Fallo([&] { nodos.Add("X", "B", "b"); }), errnum::NodoNoHallado);
    EXPECT_EQ(Fallo([&] { nodos.Add("S", "C", "c", "Vista"); }), errnum::NodoNoHallado);
    // Keys are compared exactly.
    EXPECT_EQ(Fallo([&] { nodos.Add("S", "a", "minúscula"); }), 0);
    EXPECT_EQ(nodos.Claves(), (QStringList{"S", "A", "a"}));
    EXPECT_EQ(nodos.Item("A").Parent().Key(), QStringLiteral("S"));
    EXPECT_TRUE(nodos.Item("S").Parent().EsNada());
    EXPECT_EQ(nodos.Item("S").Image(), QStringLiteral("Tabla"));
    EXPECT_FALSE(nodos.Item("S").Elemento()->icon(0).isNull());
}

TEST(ArbolNodos, HandlesFailOnceTheirNodeIsGone) {
    ArbolNodos arbol;
    auto nodos = arbol.Nodes();
    Nodo s = nodos.Add({}, "S", "servidor");
    Nodo ninguno;
    EXPECT_EQ(Fallo([&] { ninguno.Key(); }), errnum::ObjetoNoEstablecido);
    EXPECT_EQ(Fallo([&] { ninguno.Parent(); }), errnum::ObjetoNoEstablecido);
    EXPECT_TRUE(arbol.SelectedItem().EsNada());
    s.Selected(true);
    EXPECT_EQ(arbol.SelectedItem().Key(), QStringLiteral("S"));
    nodos.Clear();
    EXPECT_EQ(nodos.Count(), 0);
    EXPECT_TRUE(arbol.SelectedItem().EsNada());
    EXPECT_EQ(Fallo([&] { s.Text(); }), errnum::NodoNoHallado);
    // The key can be used again after a clear.
    EXPECT_EQ(Fallo([&] { nodos.Add({}, "S", "otra vez"); }), 0);
    EXPECT_EQ(s.Text(), QStringLiteral("otra vez"));
}

TEST(ListaElementos, KeysSubItemsAndHeaders) {
    ListaElementos lista(4);
    auto items = lista.ListItems();
    ElementoLista a = items.Add("T0", "Clientes");
    a.SubItems(1, "dbo");
    a.SubItems(3, "fecha");
    EXPECT_EQ(Fallo([&] { items.Add("T0", "otra"); }), errnum::ClaveRepetida);
    EXPECT_EQ(Fallo([&] { a.SubItems(0, "x"); }), errnum::ValorNoValido);
    EXPECT_EQ(Fallo([&] { a.SubItems(4, "x"); }), errnum::ValorNoValido);
    EXPECT_EQ(Fallo([&] { lista.Encabezado(5, "x"); }), errnum::NodoNoHallado);
    EXPECT_EQ(lista.model()->index(0, 1).data().toString(), QStringLiteral("dbo"));
    EXPECT_EQ(items.Item("T0").SubItems(3), QStringLiteral("fecha"));
    EXPECT_EQ(Fallo([&] { items.Item(2); }), errnum::NodoNoHallado);
    lista.Encabezado(2, "Propietario");
    EXPECT_EQ(lista.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Propietario"));

    EXPECT_TRUE(lista.SelectedItem().EsNada());
    a.Selected(true);
    EXPECT_EQ(lista.SelectedItem().Key(), QStringLiteral("T0"));
    items.Clear();
    EXPECT_TRUE(lista.SelectedItem().EsNada());
    EXPECT_EQ(Fallo([&] { a.Text(); }), errnum::NodoNoHallado);
    EXPECT_EQ(Fallo([&] { ElementoLista().Key(); }), errnum::ObjetoNoEstablecido);
}

namespace {
// Rows "K<i>" with texts "t<i>" and sub-items "s<i>.<c>"; counts the texts asked for.
class FuenteContada : public FuenteElementos {
public:
    explicit FuenteContada(int n) : n_(n) {}
    int Cuenta() const override { return n_; }
    QString Clave(int f) const override { return "K" + QString::number(f); }
    QString Celda(int f, int c) const override {
        ++pedidas;
        return c == 0 ? "t" + QString::number(f) : QStringLiteral("s%1.%2").arg(f).arg(c);
    }
    mutable int pedidas = 0;

private:
    int n_;
};
}  // namespace

TEST(ListaElementos, ASourceIsShownInPlaceAndCopiedWhenChanged) {
    ListaElementos lista(3);
    auto items = lista.ListItems();
    items.Add("viejo", "se va");
    auto fuente = std::make_shared<FuenteContada>(1000);
    items.Muestra(fuente);
    EXPECT_EQ(fuente->pedidas, 0);
    EXPECT_EQ(items.Count(), 1000);
    EXPECT_FALSE(items.Existe("viejo"));
    EXPECT_EQ(items.Item("K999").Text(), QStringLiteral("t999"));
    EXPECT_EQ(lista.model()->index(7, 2).data().toString(), QStringLiteral("s7.2"));
    ElementoLista e = items.Item(6);  // counted from 1
    EXPECT_EQ(e.Key(), QStringLiteral("K5"));

    // Changing or adding copies the rows; handles and keys stay as they were.
    e.SubItems(1, "cambiado");
    EXPECT_EQ(e.SubItems(1), QStringLiteral("cambiado"));
    EXPECT_EQ(items.Item(7).SubItems(2), QStringLiteral("s6.2"));
    EXPECT_EQ(Fallo([&] { items.Add("K3", "otra"); }), errnum::ClaveRepetida);
    items.Add("nuevo", "n");
    EXPECT_EQ(items.Item("nuevo").Index(), 1001);

    items.Muestra(std::make_shared<FuenteContada>(2));
    EXPECT_EQ(Fallo([&] { e.Text(); }), errnum::NodoNoHallado);
    items.Clear();
    EXPECT_EQ(lista.model()->rowCount(), 0);
}

TEST(ListaElementos, AFillingTellsTheViewOnceAtItsEnd) {
    ListaElementos lista(4);
    auto items = lista.ListItems();
    items.Add("X", "antes");
    int reinicios = 0, insertadas = 0, cambios = 0;
    QObject::connect(lista.model(), &QAbstractItemModel::modelReset, [&] { ++reinicios; });
    QObject::connect(lista.model(), &QAbstractItemModel::rowsInserted, [&] { ++insertadas; });
    QObject::connect(lista.model(), &QAbstractItemModel::dataChanged, [&] { ++cambios; });
    {
        ListaElementos::Relleno relleno(&lista);
        items.Clear();
        for (int i = 0; i < 100; ++i) items.Add("T" + QString::number(i), "t").SubItems(1, "dbo");
        EXPECT_EQ(reinicios, 0);
    }
    EXPECT_EQ(reinicios, 1);
    EXPECT_EQ(insertadas, 0);
    EXPECT_EQ(cambios, 0);
    EXPECT_EQ(lista.model()->rowCount(), 100);

    // A failure inside the filling still ends it, with the rows added so far.
    const qint64 n = Fallo([&] {
        ListaElementos::Relleno relleno(&lista);
        items.Clear();
        items.Add("A", "a");
        items.Add("A", "otra");
    });
    EXPECT_EQ(n, errnum::ClaveRepetida);
    EXPECT_EQ(reinicios, 2);
    EXPECT_EQ(lista.model()->rowCount(), 1);
}
