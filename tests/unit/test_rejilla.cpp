// The editable grid, driven as the user drives it: keys and clicks sent to
// the widgets that have them, events recorded in the order they come.
#include "platform/rejilladatos.h"

#include "support/entorno.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QRegularExpression>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

QIcon Color(Qt::GlobalColor c) {
    QPixmap p(8, 8);
    p.fill(c);
    return QIcon(p);
}

}  // namespace

class Rejilla : public PruebaTolvek {
protected:
    void SetUp() override {
        PruebaTolvek::SetUp();
        ventana = std::make_unique<QWidget>();
        auto* capa = new QVBoxLayout(ventana.get());
        g = new RejillaDatos(4, ventana.get());
        otro = new QLineEdit(ventana.get());
        capa->addWidget(g);
        capa->addWidget(otro);
        for (int k = 0; k < 4; ++k) g->Columns(k).Caption("C" + QString::number(k));
        Llena(5);
        ventana->resize(520, 300);
        ventana->show();
        QApplication::setActiveWindow(ventana.get());
        g->setFocus();
        QApplication::processEvents();
        Registra();
    }
    void TearDown() override {
        ventana.reset();
        PruebaTolvek::TearDown();
    }

    // Array rows 1 to n, columns 0 to 3, each cell "row,column".
    void Llena(int n) {
        matriz = std::make_shared<GridDataArray>();
        matriz->Redimensiona(1, n, 0, 3);
        for (int f = 1; f <= n; ++f)
            for (int c = 0; c < 4; ++c) matriz->GrabaCelda(f, c, QStringLiteral("%1,%2").arg(f).arg(c));
        g->MatrizEnlazada(matriz);
    }

    void Registra() {
        g->BeforeColEdit = [this](int c, int k, int& cancel) {
            ev << QStringLiteral("BeforeColEdit %1 %2").arg(c).arg(k);
            cancel = cancelaEdicion;
        };
        g->BeforeColUpdate = [this](int c, const QString& viejo, int& cancel) {
            ev << QStringLiteral("BeforeColUpdate %1 %2 %3").arg(c).arg(viejo, g->Columns(c).Value());
            cancel = cancelaGuardado;
        };
        g->AfterColUpdate = [this](int c) { ev << QStringLiteral("AfterColUpdate %1").arg(c); };
        g->AfterColEdit = [this](int c) { ev << QStringLiteral("AfterColEdit %1").arg(c); };
        g->BeforeRowColChange = [this](int& cancel) {
            ev << QStringLiteral("BeforeRowColChange");
            cancel = cancelaMovimiento;
        };
        g->RowColChange = [this](int f, int c) { ev << QStringLiteral("RowColChange %1 %2").arg(f).arg(c); };
        g->LostFocus = [this] { ev << QStringLiteral("LostFocus"); };
        g->KeyDown = [this](int& k, int) { ev << QStringLiteral("KeyDown %1").arg(k); };
        g->KeyPress = [this](int& k) { ev << QStringLiteral("KeyPress %1").arg(k); };
        g->MouseDown = [this](int b, int, int, int) { ev << QStringLiteral("MouseDown %1").arg(b); };
        g->ButtonClick = [this](int c) { ev << QStringLiteral("ButtonClick %1").arg(c); };
        g->ValueItemError = [this](int c) { ev << QStringLiteral("ValueItemError %1").arg(c); };
    }

    // Puts the cursor on a cell (array row) and forgets the events of the move.
    void Pon(int filaMatriz, int col) {
        g->FilaActual(filaMatriz - g->PrimeraFila());
        g->ColumnaActual(col);
        ev.clear();
    }
    int FilaCursor() { return g->PrimeraFila() + g->FilaActual(); }


    QPoint Centro(int filaMatriz, int col) {
        const QModelIndex i = g->model()->index(filaMatriz - 1, col);
        g->scrollTo(i);
        return g->visualRect(i).center();
    }
    void Clic(const QPoint& p, Qt::MouseButton b = Qt::LeftButton, bool doble = false) {
        QWidget* vp = g->viewport();
        const QPoint gl = vp->mapToGlobal(p);
        QMouseEvent pulsa(QEvent::MouseButtonPress, p, gl, b, b, Qt::NoModifier);
        QApplication::sendEvent(vp, &pulsa);
        QMouseEvent suelta(QEvent::MouseButtonRelease, p, gl, b, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &suelta);
        if (!doble) return;
        QMouseEvent dos(QEvent::MouseButtonDblClick, p, gl, b, b, Qt::NoModifier);
        QApplication::sendEvent(vp, &dos);
        QApplication::sendEvent(vp, &suelta);
    }
    QString Muestra(int filaMatriz, int col) { return g->model()->index(filaMatriz - 1, col).data().toString(); }

    std::unique_ptr<QWidget> ventana;
    RejillaDatos* g = nullptr;
    QLineEdit* otro = nullptr;
    ArrayDatos matriz;
    QStringList ev;
    int cancelaEdicion = 0, cancelaGuardado = 0, cancelaMovimiento = 0;
};

TEST_F(Rejilla, ShowsTheBoundArrayWhereItIsAndReadsItAgainOnRequest) {
    EXPECT_EQ(g->MatrizEnlazada(), matriz);
    EXPECT_EQ(g->model()->rowCount(), 5);
    EXPECT_EQ(g->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("C2"));
    EXPECT_EQ(FilaCursor(), 1);
    EXPECT_EQ(g->ColumnaActual(), 0);
    // No copy: the grid shows what the array holds now.
    matriz->GrabaCelda(4, 2, QStringLiteral("por código"));
    EXPECT_EQ(Muestra(4, 2), QStringLiteral("por código"));
    // What the user types is stored in the window's own array.
    Pon(3, 1);
    Escribe(QStringLiteral("ab"));
    Tecla(Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(matriz->LeeCelda(3, 1), QStringLiteral("ab"));

    // Grown and shrunk by code: Reenlaza keeps the cursor where it can.
    Pon(5, 2);
    matriz->Redimensiona(1, 8, 0, 3);
    g->Reenlaza();
    EXPECT_EQ(g->model()->rowCount(), 8);
    EXPECT_EQ(FilaCursor(), 5);
    EXPECT_EQ(g->ColumnaActual(), 2);
    matriz->Redimensiona(1, 2, 0, 3);
    g->Reenlaza();
    EXPECT_EQ(FilaCursor(), 2);
    EXPECT_TRUE(ev.isEmpty()) << ev.join(u'|').toStdString();  // binding raises no events

    // An array created but never dimensioned: no rows, no cursor, no edit.
    g->MatrizEnlazada(std::make_shared<GridDataArray>());
    EXPECT_EQ(g->model()->rowCount(), 0);
    EXPECT_EQ(g->FilaActual(), -1);
    EXPECT_EQ(g->Columns(1).Value(), QString());
    Escribe(QStringLiteral("x"));
    EXPECT_FALSE(g->EnEdicion());
    EXPECT_FALSE(g->grab().isNull());

    g->Columns(3).Visible(false);
    EXPECT_TRUE(g->isColumnHidden(3));
}

TEST_F(Rejilla, AnEditThenAMoveRaiseTheirEventsInOrder) {
    const QString editar = QStringLiteral("KeyDown 88|KeyPress 120|BeforeColEdit 1 120");
    const QString guardar = QStringLiteral("BeforeColUpdate 1 2,1 x|AfterColUpdate 1|AfterColEdit 1");
    struct Caso {
        const char* nombre;
        std::function<void()> mueve;
        QString antes;      // events of the move's own key or click
        QString despues;    // events after the edit's
        int fila, col;      // where the cursor ends (array row)
    } casos[] = {
        {"click on another cell", [&] { Clic(Centro(4, 2)); }, "MouseDown 1|", "|BeforeRowColChange|RowColChange 2 1", 4, 2},
        {"Tab", [&] { Tecla(Qt::Key_Tab); }, "KeyDown 9|", "|BeforeRowColChange|RowColChange 2 1", 2, 2},
        {"Down", [&] { Tecla(Qt::Key_Down); }, "KeyDown 40|", "|BeforeRowColChange|RowColChange 2 1", 3, 1},
        {"Enter", [&] { Tecla(Qt::Key_Return, "\r"); }, "KeyDown 13|KeyPress 13|", "", 2, 1},
        {"code: ColumnaActual", [&] { g->ColumnaActual(3); }, "", "|BeforeRowColChange|RowColChange 2 1", 2, 3},
        {"code: FilaActual", [&] { g->FilaActual(g->FilaActual() + 2); }, "", "|BeforeRowColChange|RowColChange 2 1", 4, 1},
        {"code: ColumnaActual on its own cell", [&] { g->ColumnaActual(1); }, "", "", 2, 1},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Llena(5);
        Pon(2, 1);
        Escribe(QStringLiteral("x"));
        ASSERT_TRUE(g->EnEdicion());
        c.mueve();
        EXPECT_EQ(ev.join(u'|'), editar + "|" + c.antes + guardar + c.despues);
        EXPECT_FALSE(g->EnEdicion());
        EXPECT_EQ(matriz->LeeCelda(2, 1), QStringLiteral("x"));
        EXPECT_EQ(FilaCursor(), c.fila);
        EXPECT_EQ(g->ColumnaActual(), c.col);
    }
}

TEST_F(Rejilla, CancelledEventsKeepTheOldValueOrTheCursor) {
    struct Caso {
        const char* nombre;
        int* cancela;
        QString teclas;     // typed, then Enter (or Escape when "esc")
        QString eventos;
        QString valor;
        int fila;
    } casos[] = {
        {"BeforeColEdit", &cancelaEdicion, "x", "KeyDown 88|KeyPress 120|BeforeColEdit 1 120|KeyDown 13|KeyPress 13",
         "2,1", 2},
        {"BeforeColUpdate", &cancelaGuardado, "x",
         "KeyDown 88|KeyPress 120|BeforeColEdit 1 120|KeyDown 13|KeyPress 13|BeforeColUpdate 1 2,1 x|AfterColEdit 1",
         "2,1", 2},
        {"Escape", nullptr, "esc", "KeyDown 88|KeyPress 120|BeforeColEdit 1 120|KeyDown 27|KeyPress 27|AfterColEdit 1",
         "2,1", 2},
        {"BeforeRowColChange", &cancelaMovimiento, "down",
         "KeyDown 88|KeyPress 120|BeforeColEdit 1 120|KeyDown 40|BeforeColUpdate 1 2,1 x|AfterColUpdate 1|"
         "AfterColEdit 1|BeforeRowColChange",
         "x", 2},
        {"nothing changed", nullptr, "same",
         "KeyDown 113|BeforeColEdit 1 0|KeyDown 13|KeyPress 13|AfterColEdit 1", "2,1", 2},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        cancelaEdicion = cancelaGuardado = cancelaMovimiento = 0;
        Llena(5);
        Pon(2, 1);
        if (c.cancela) *c.cancela = 1;
        if (c.teclas == "same") Tecla(Qt::Key_F2);
        else Escribe(QStringLiteral("x"));
        if (c.teclas == "esc") Tecla(Qt::Key_Escape, "\x1b");
        else if (c.teclas == "down") Tecla(Qt::Key_Down);
        else Tecla(Qt::Key_Return, "\r");
        EXPECT_EQ(ev.join(u'|'), c.eventos);
        EXPECT_EQ(matriz->LeeCelda(2, 1), c.valor);
        EXPECT_EQ(Muestra(2, 1), c.valor);
        EXPECT_EQ(FilaCursor(), c.fila);
        EXPECT_FALSE(g->EnEdicion());
    }
}

TEST_F(Rejilla, KeyPressSeesEveryKeyFirstAndMaySwallowOrChangeIt) {
    // As windows do: Enter checks the cell and moves on, and texts are upper case.
    g->KeyPress = [this](int& k) {
        ev << QStringLiteral("KeyPress %1").arg(k);
        if (k == 13) g->ColumnaActual(g->ColumnaActual() + 1);
        else if (k == '#') k = 0;
        else k = QChar(k).toUpper().unicode();
    };
    Pon(2, 0);
    Tecla(Qt::Key_Return, "\r");  // no editor open
    EXPECT_EQ(g->ColumnaActual(), 1);
    ev.clear();
    Escribe(QStringLiteral("a#b"));
    EXPECT_EQ(QApplication::focusWidget()->metaObject()->className(), QByteArray("QLineEdit"));
    Tecla(Qt::Key_Return, "\r");  // with the editor open
    EXPECT_EQ(matriz->LeeCelda(2, 1), QStringLiteral("AB"));
    EXPECT_EQ(g->ColumnaActual(), 2);
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("KeyDown 65|KeyPress 97|BeforeColEdit 1 65|KeyPress 35|KeyDown 66|"
                                             "KeyPress 98|KeyDown 13|KeyPress 13|BeforeColUpdate 1 2,1 AB|"
                                             "AfterColUpdate 1|AfterColEdit 1|BeforeRowColChange|RowColChange 2 1"));
    // A swallowed first key starts no edit.
    ev.clear();
    Escribe(QStringLiteral("#"));
    EXPECT_FALSE(g->EnEdicion());
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("KeyPress 35"));
    // Delete is a key, not a character.
    ev.clear();
    Tecla(Qt::Key_Delete, QStringLiteral("\x7f"));
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("KeyDown 46"));
}

TEST_F(Rejilla, ALockedColumnTakesNoEditButKeyPressStillSeesTheKey) {
    g->Columns(0).Locked(true);
    g->Columns(2).Locked(true);
    g->Columns(2).CasillaVerificacion(true);
    g->KeyPress = [this](int& k) {
        ev << QStringLiteral("KeyPress %1").arg(k);
        if (g->Columns(g->ColumnaActual()).Locked()) Beep();
    };
    Pon(2, 0);
    Escribe(QStringLiteral("x"));
    Tecla(Qt::Key_F2);
    Clic(Centro(2, 0), Qt::LeftButton, true);
    EXPECT_FALSE(g->EnEdicion());
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("KeyDown 88|KeyPress 120|KeyDown 113|MouseDown 1"));
    EXPECT_EQ(pitido.Pitidos, 1);
    EXPECT_EQ(matriz->LeeCelda(2, 0), QStringLiteral("2,0"));
    // A locked check box does not toggle either.
    matriz->GrabaCelda(2, 2, QStringLiteral("0"));
    Clic(Centro(2, 2));
    Tecla(Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(matriz->LeeCelda(2, 2), QStringLiteral("0"));
    EXPECT_EQ(pitido.Pitidos, 2);
}

TEST_F(Rejilla, LostFocusOnlyWhenAnotherControlOfTheWindowTakesTheFocus) {
    Pon(2, 1);
    Escribe(QStringLiteral("x"));  // focus to the grid's own editor
    ASSERT_TRUE(g->EnEdicion());
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, g);
    // Another window, as a message box is: the edit stays open.
    QDialog caja;
    auto* lineaCaja = new QLineEdit(&caja);
    caja.show();
    QApplication::setActiveWindow(&caja);
    lineaCaja->setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), lineaCaja);
    caja.hide();
    QApplication::setActiveWindow(ventana.get());
    g->setFocus();  // the grid itself, with the edit still open: keys go on into the edit
    QApplication::processEvents();
    EXPECT_TRUE(g->EnEdicion());
    Escribe(QStringLiteral("y"));
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("KeyDown 88|KeyPress 120|BeforeColEdit 1 120|KeyDown 89|KeyPress 121"));
    // Another control: the edit is stored first.
    ev.clear();
    otro->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(ev.join(u'|'),
              QStringLiteral("BeforeColUpdate 1 2,1 xy|AfterColUpdate 1|AfterColEdit 1|LostFocus"));
    // Focus going nowhere is not a move to another control.
    g->setFocus();
    ev.clear();
    g->clearFocus();
    QApplication::processEvents();
    EXPECT_TRUE(ev.isEmpty()) << ev.join(u'|').toStdString();
}

TEST_F(Rejilla, ValueItemsShowTextsAndStoreTheValueOfTheTextTyped) {
    auto tipos = g->Columns(1).ValueItems();
    tipos.Add("56", "int");
    tipos.Add("167", "varchar");
    tipos.Add("61", "datetime");
    EXPECT_EQ(tipos.Count(), 3);
    EXPECT_EQ(tipos.Item(1).DisplayValue, QStringLiteral("varchar"));
    EXPECT_EQ(FalloDe([&] { tipos.Item(3); }).Numero, errnum::FueraDeIntervalo);
    struct Caso {
        const char* escrito;
        QString guardado;
        QString eventos;
    } casos[] = {
        {"VarChar", "167", "BeforeColUpdate 1 56 VarChar|AfterColUpdate 1|AfterColEdit 1"},
        {"datetime", "61", "BeforeColUpdate 1 56 datetime|AfterColUpdate 1|AfterColEdit 1"},
        {"text", "56", "ValueItemError 1|AfterColEdit 1"},  // not in the list
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.escrito);
        Llena(3);
        matriz->GrabaCelda(2, 1, "56");
        matriz->GrabaCelda(3, 1, "no es un tipo");
        EXPECT_EQ(Muestra(2, 1), QStringLiteral("int"));
        EXPECT_EQ(Muestra(3, 1), QStringLiteral("no es un tipo"));
        Pon(2, 1);
        Tecla(Qt::Key_F2);
        auto* combo = qobject_cast<QComboBox*>(QApplication::focusWidget());
        ASSERT_TRUE(combo);
        EXPECT_EQ(combo->count(), 3);
        EXPECT_EQ(combo->currentText(), QStringLiteral("int"));
        ev.clear();
        combo->setEditText(QString());
        Escribe(QString::fromLatin1(c.escrito));
        Tecla(Qt::Key_Return, "\r");
        EXPECT_EQ(ev.join(u'|').remove(QRegularExpression("KeyDown \\d+\\|KeyPress \\d+\\|")), c.eventos);
        EXPECT_EQ(matriz->LeeCelda(2, 1), c.guardado);
    }
}

TEST_F(Rejilla, CheckBoxesAndPicturesTakeTheirNextValueAsAnEdit) {
    g->Columns(2).CasillaVerificacion(true);
    auto estado = g->Columns(3).ValueItems();
    estado.Add("N", Color(Qt::red));
    estado.Add("S", Color(Qt::green));
    estado.Add("X", Color(Qt::blue));
    matriz->GrabaCelda(2, 2, "0");
    matriz->GrabaCelda(2, 3, "S");
    Pon(2, 1);
    Clic(Centro(2, 2));
    EXPECT_EQ(matriz->LeeCelda(2, 2), QStringLiteral("-1"));
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("MouseDown 1|BeforeRowColChange|RowColChange 2 1|BeforeColEdit 2 0|"
                                             "BeforeColUpdate 2 0 -1|AfterColUpdate 2|AfterColEdit 2"));
    ev.clear();
    Tecla(Qt::Key_Space, " ");
    EXPECT_EQ(matriz->LeeCelda(2, 2), QStringLiteral("0"));
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("KeyDown 32|KeyPress 32|BeforeColEdit 2 32|"
                                             "BeforeColUpdate 2 -1 0|AfterColUpdate 2|AfterColEdit 2"));
    cancelaGuardado = 1;
    Tecla(Qt::Key_Space, " ");
    EXPECT_EQ(matriz->LeeCelda(2, 2), QStringLiteral("0"));
    cancelaGuardado = 0;
    // Typing other keys into a check box edits nothing.
    Escribe("a");
    EXPECT_FALSE(g->EnEdicion());
    EXPECT_EQ(matriz->LeeCelda(2, 2), QStringLiteral("0"));

    // Pictures go round their items; a value not among them goes to the first.
    EXPECT_EQ(Muestra(2, 3), QString());  // the picture, not the text
    QStringList vistos;
    for (int k = 0; k < 3; ++k) {
        Clic(Centro(2, 3));
        vistos << matriz->LeeCelda(2, 3);
    }
    EXPECT_EQ(vistos, (QStringList{"X", "N", "S"}));
    matriz->GrabaCelda(2, 3, "?");
    EXPECT_EQ(Muestra(2, 3), QStringLiteral("?"));
    Tecla(Qt::Key_Space, " ");
    EXPECT_EQ(matriz->LeeCelda(2, 3), QStringLiteral("N"));
}

TEST_F(Rejilla, ADoubleClickChangesACheckBoxOrAPictureOnce) {
    g->Columns(2).CasillaVerificacion(true);
    auto estado = g->Columns(3).ValueItems();
    estado.Add("N", Color(Qt::red));
    estado.Add("S", Color(Qt::green));
    const struct {
        int col;
        const char *antes, *despues;
    } casos[] = {{2, "-1", "0"}, {2, "0", "-1"}, {3, "N", "S"}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.antes);
        matriz->GrabaCelda(2, c.col, c.antes);
        Pon(2, c.col);
        Clic(Centro(2, c.col), Qt::LeftButton, true);
        EXPECT_EQ(matriz->LeeCelda(2, c.col), QString::fromLatin1(c.despues));
        EXPECT_EQ(ev.join(u'|'), QStringLiteral("MouseDown 1|BeforeColEdit %1 0|BeforeColUpdate %1 %2 %3|"
                                                "AfterColUpdate %1|AfterColEdit %1")
                                     .arg(c.col)
                                     .arg(c.antes, c.despues));
    }
}

TEST_F(Rejilla, ButtonClickComesFromTheCellButtonAndMouseDownComesFirst) {
    g->Columns(3).Boton(true);
    Pon(2, 0);
    const QRect celda = g->visualRect(g->model()->index(2, 3));  // array row 3
    Clic(QPoint(celda.left() + 4, celda.center().y()));  // the text part
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("MouseDown 1|BeforeRowColChange|RowColChange 2 0"));
    ev.clear();
    Clic(QPoint(celda.right() - 3, celda.center().y()));
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("MouseDown 1|ButtonClick 3"));
    // A pending edit is stored before the button's event.
    Escribe("z");
    ev.clear();
    Clic(QPoint(celda.right() - 3, celda.center().y()));
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("MouseDown 1|BeforeColUpdate 3 3,3 z|AfterColUpdate 3|AfterColEdit 3|"
                                             "ButtonClick 3"));
    // The right button is reported and moves nothing.
    ev.clear();
    Clic(Centro(5, 1), Qt::RightButton);
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("MouseDown 2"));
    EXPECT_EQ(FilaCursor(), 3);
}

TEST_F(Rejilla, FirstRowPlusRowIsTheArrayRowUnderTheCursorAfterScrolling) {
    Llena(200);
    g->PrimeraFila(100);
    EXPECT_EQ(g->PrimeraFila(), 100);
    g->FilaActual(3);
    EXPECT_EQ(g->Columns(0).Value(), QStringLiteral("103,0"));
    EXPECT_EQ(FilaCursor(), 103);
    g->verticalScrollBar()->setValue(149);  // the user scrolls away
    EXPECT_EQ(g->PrimeraFila(), 150);
    EXPECT_EQ(FilaCursor(), 103);
    Clic(QPoint(Centro(150, 2).x(), g->visualRect(g->model()->index(149, 2)).center().y()));
    EXPECT_EQ(g->FilaActual(), 0);
    EXPECT_EQ(g->Columns(2).Value(), QStringLiteral("150,2"));
    // Scrolling by code stores a pending edit and leaves the cursor on its row.
    Escribe("q");
    ev.clear();
    g->PrimeraFila(10);
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("BeforeColUpdate 2 150,2 q|AfterColUpdate 2|AfterColEdit 2"));
    EXPECT_EQ(FilaCursor(), 150);

    // Out of bounds: failure 9.
    for (auto f : std::initializer_list<std::function<void()>>{
             [&] { g->PrimeraFila(0); }, [&] { g->PrimeraFila(201); }, [&] { g->FilaActual(-50); },
             [&] { g->FilaActual(300); }, [&] { g->ColumnaActual(4); }, [&] { g->Columns(-1); },
             [&] { g->Columns(4); }}) {
        EXPECT_EQ(FalloDe(f).Numero, errnum::FueraDeIntervalo);
    }
    // A grid wider than its array: the extra column neither reads nor stores.
    matriz->Redimensiona(1, 2, 0, 2);
    g->Reenlaza();
    EXPECT_EQ(FalloDe([&] { g->Columns(3).Value("x"); }).Numero, errnum::FueraDeIntervalo);
    EXPECT_EQ(FalloDe([&] { g->Columns(3).Value(); }).Numero, errnum::FueraDeIntervalo);
}

TEST_F(Rejilla, AFailureInAHandlerStopsAtTheGrid) {
    g->BeforeColUpdate = [](int, const QString&, int&) { Falla(13, "Type mismatch"); };
    g->KeyDown = [](int&, int) { FallaNumero(errnum::FueraDeIntervalo); };
    Pon(2, 1);
    Escribe("w");
    Tecla(Qt::Key_Return, "\r");
    EXPECT_FALSE(g->EnEdicion());
    EXPECT_EQ(matriz->LeeCelda(2, 1), QStringLiteral("w"));
}

TEST_F(Rejilla, WritingValueDuringAnEditIsWhatTheEditHolds) {
    // A window that corrects the text as it is stored.
    g->BeforeColUpdate = [this](int c, const QString&, int&) { g->Columns(c).Value(g->Columns(c).Value().toUpper()); };
    Pon(2, 1);
    Escribe("abc");
    Tecla(Qt::Key_Tab);
    EXPECT_EQ(matriz->LeeCelda(2, 1), QStringLiteral("ABC"));
    EXPECT_EQ(ev.join(u'|').count("AfterColUpdate 1"), 1);
    // Written while the user types: the edit goes on from the value written.
    Pon(3, 1);
    Escribe("x");
    g->Columns(1).Value(QStringLiteral("dado"));
    EXPECT_EQ(matriz->LeeCelda(3, 1), QStringLiteral("dado"));
    EXPECT_EQ(qobject_cast<QLineEdit*>(QApplication::focusWidget())->text(), QStringLiteral("dado"));
    ev.clear();
    Tecla(Qt::Key_Return, "\r");  // nothing typed since: nothing to store
    EXPECT_EQ(ev.join(u'|'), QStringLiteral("KeyDown 13|KeyPress 13|AfterColEdit 1"));
    Escribe("y");
    EXPECT_TRUE(g->EnEdicion());  // the window goes away with the edit open
}
