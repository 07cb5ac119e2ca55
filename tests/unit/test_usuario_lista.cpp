// The check-box list of the role lists: ItemCheck for every change of a
// tick, the user's and the program's, and none for a quiet one.

#include "platform/listacasillas.h"
#include "support/entorno.h"

#include <QApplication>
#include <QKeyEvent>

TEST(ListaCasillas, EveryChangeOfATickRaisesItemCheckButAQuietOne) {
    ListaCasillas l;
    QList<int> avisos;
    QObject::connect(&l, &ListaCasillas::ItemCheck, [&](int i) { avisos.append(i); });
    l.AddItem("public");
    l.AddItem("db_owner");
    EXPECT_TRUE(avisos.isEmpty());
    EXPECT_EQ(l.ListCount(), 2);
    EXPECT_EQ(l.List(1), "db_owner");
    l.EstableceSelected(1, true);
    l.EstableceSelected(1, true);  // no change, no event
    EXPECT_EQ(avisos, QList<int>{1});
    l.PonSinAviso(0, true);
    EXPECT_TRUE(l.Selected(0));
    EXPECT_EQ(avisos, QList<int>{1});
    l.item(0)->setText("otro");  // a change of text is not a tick
    EXPECT_EQ(avisos, QList<int>{1});
    // The user's space bar on the current item.
    l.show();
    l.setCurrentRow(0);
    l.setFocus();
    QKeyEvent pulsa(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(&l, &pulsa);
    QKeyEvent suelta(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
    QApplication::sendEvent(&l, &suelta);
    EXPECT_EQ(avisos, (QList<int>{1, 0}));
    EXPECT_FALSE(l.Selected(0));
    EXPECT_EQ(FalloDe([&] { l.Selected(2); }).Numero, 9);
    l.Clear();
    EXPECT_EQ(l.ListCount(), 0);
    EXPECT_EQ(avisos, (QList<int>{1, 0}));
}
