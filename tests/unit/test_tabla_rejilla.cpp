// The designer's column grid, driven as the user drives it where the keys
// matter: the check of each cell, the type defaults and locks, Enter and the
// other keys, inserting and deleting rows, and the immediate change of a
// column that exists in the database (renamed in the lists, renamed on the
// server, handed to the foreign-key cascade).

#include "common/funciones.h"
#include "common/menusprincipales.h"
#include "explorer/consolasql.h"
#include "platform/rejilladatos.h"
#include "support/explorador_prueba.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

const QString kFkReferencias = QStringLiteral("EXEC sp_fkeys 'Pedidos'");
const QString kFkPropias = QStringLiteral("EXEC sp_fkeys NULL,NULL,NULL,'Pedidos'");
const QStringList kColumnasFk{"pktable_owner", "pktable_name", "pkcolumn_name", "fktable_owner",
                              "fktable_name", "fkcolumn_name", "fk_name"};

QString Error(qint64 numero) {
    return QStringLiteral(" Error Nº:%1 (%2).").arg(numero).arg(DescripcionError(numero));
}

}  // namespace

class RejillaCampos : public PruebaDiseñador {
protected:
    void SetUp() override {
        PruebaDiseñador::SetUp();
        PonGrupos({});
        conexion->Responde(" select convert(sysname,DatabasePropertyEx('Tienda','Collation'))", QStringList{"c"},
                           {{"Modern_Spanish_CI_AS"}});
        d = NuevoDiseñador();
        d->txtNombreTabla->setText(QStringLiteral("Pedidos"));
        g = d->TDBGridTabla;
        a = d->ArrayCampos;
        QApplication::setActiveWindow(d->window());
        g->setFocus();
        QApplication::processEvents();
        conexion->Enviadas.clear();
        puntero.Historia.clear();
    }
    void TearDown() override {
        // The window goes away with whatever cell the test left.
        if (d) d->TDBGridTabla->LostFocus = nullptr;
        PruebaDiseñador::TearDown();
    }

    // Cells 0..9 of a row.
    void Fila(int f, const QStringList& celdas) {
        for (int c = 0; c < celdas.size(); ++c) a->GrabaCelda(f, c, celdas[c]);
    }
    QStringList Celdas(int f, int hasta = NombreCampoOriginal) {
        QStringList r;
        for (int c = 0; c <= hasta; ++c) r.append(a->LeeCelda(f, c));
        return r;
    }
    // A column as the loader leaves it.
    void Existente(int f, const QString& nombre, const QString& tipo, const QString& longitud,
                   const QString& nulo = "0") {
        Fila(f, {"M", nombre, tipo, longitud, "0", "0", nulo, "", "", nombre});
    }
    void Pon(int f, int c) {
        g->ColumnaActual(c);
        g->FilaActual(f - g->PrimeraFila());
    }
    int FilaCursor() { return g->PrimeraFila() + g->FilaActual(); }

    void Tecla(int tecla, const QString& texto = {}) { ::Tecla(tecla, texto, g); }
    void Escribe(const QString& s) { ::Escribe(s, g); }
    void Enter() { Tecla(Qt::Key_Return, QStringLiteral("\r")); }
    // Picks a type by its name in the type cell's drop-down, and confirms it.
    void EligeTipo(const QString& nombre) {
        Tecla(Qt::Key_F2);
        auto* combo = qobject_cast<QComboBox*>(QApplication::focusWidget());
        ASSERT_TRUE(combo);
        combo->setEditText(nombre);
        Enter();
    }
    // A relation entry of slot 0 with its column pairs (own, referenced, table).
    void Relacion(int i, const QString& nombre, const QList<QStringList>& pares) {
        d->TablaRelaciones(0, i) = nombre;
        auto lista = std::make_shared<GridDataArray>();
        lista->Redimensiona(0, 200, 0, 4);
        for (int k = 0; k < pares.size(); ++k)
            for (int c = 0; c < 3; ++c) lista->GrabaCelda(k, c + 1, pares[k][c]);
        d->ArrayRelaciones(0, i) = lista;
        d->NumeroRelaciones = std::max(d->NumeroRelaciones, i + 1);
    }
    void Indice(int i, const QString& nombre, const QStringList& columnas) {
        d->TablaIndices(0, i, NombreIndice) = nombre;
        auto lista = std::make_shared<GridDataArray>();
        lista->Redimensiona(0, 200, 0, 2);
        for (int k = 0; k < columnas.size(); ++k) lista->GrabaCelda(k, 1, columnas[k]);
        d->ArrayIndices(0, i) = lista;
        d->NumeroIndices = std::max(d->NumeroIndices, i + 1);
    }
    // Clientes.Id is referenced by the column IdB of Lineas.
    void Referenciada(const QString& campo) {
        conexion->Responde(kFkReferencias, kColumnasFk, {{"dbo", "Pedidos", campo, "dbo", "Lineas", "IdB", "FK_Lineas_Pedidos"}});
    }

    frmTabla* d = nullptr;
    RejillaDatos* g = nullptr;
    ArrayDatos a;
};

// ---- The check of a cell ----

TEST_F(RejillaCampos, EachColumnIsCheckedAsItsRulesSay) {
    struct Caso {
        const char* nombre;
        int idioma;
        QStringList fila;  // type, length, precision, scale, nulls, default of a new row named "c"
        int columna;
        bool aceptada;
        QStringList despues;  // type .. default afterwards
        QString mensaje;      // "" for none
        int columnaFinal;
    };
    const Caso casos[] = {
        {"length: leading number", 0, {"23", "12abc", "0", "0", "0", ""}, 3, true, {"23", "12", "0", "0", "0", ""}, "", 3},
        {"length: letters only", 0, {"23", "abc", "0", "0", "0", ""}, 3, false, {"23", "1", "0", "0", "0", ""},
         "Valor de Longitud debe ser de 1 a 8000.", 3},
        {"length: above 8000", 1, {"3", "8001", "0", "0", "0", ""}, 3, false, {"3", "8000", "0", "0", "0", ""},
         "Length between 1 to 8000.", 3},
        {"length: nvarchar 4001", 0, {"13", "4001", "0", "0", "0", ""}, 3, false, {"13", "4000", "0", "0", "0", ""},
         "Valor de Longitud debe ser de 1 a 4000.", 3},
        {"length: nvarchar 4001, English", 1, {"13", "4001", "0", "0", "0", ""}, 3, false,
         {"13", "4000", "0", "0", "0", ""}, "Length between 1 to 4000.", 3},
        {"length: nchar 4001", 0, {"10", "4001", "0", "0", "0", ""}, 3, true, {"10", "4001", "0", "0", "0", ""}, "", 3},
        {"length: no type", 0, {"", "9000", "", "", "", ""}, 3, false, {"", "8000", "", "", "", ""},
         "Valor de Longitud debe ser de 1 a 8000.", 3},
        {"precision 9", 0, {"5", "9", "9", "0", "0", ""}, 4, true, {"5", "5", "9", "0", "0", ""}, "", 4},
        {"precision 10", 0, {"12", "9", "10", "0", "0", ""}, 4, true, {"12", "9", "10", "0", "0", ""}, "", 4},
        {"precision 19", 0, {"5", "9", "19", "0", "0", ""}, 4, true, {"5", "9", "19", "0", "0", ""}, "", 4},
        {"precision 20", 0, {"5", "9", "20", "0", "0", ""}, 4, true, {"5", "13", "20", "0", "0", ""}, "", 4},
        {"precision 28", 0, {"5", "5", "28", "0", "0", ""}, 4, true, {"5", "13", "28", "0", "0", ""}, "", 4},
        {"precision of an int row", 0, {"8", "4", "20", "0", "0", ""}, 4, true, {"8", "4", "20", "0", "0", ""}, "", 4},
        {"precision of a char row: locked", 0, {"3", "10", "0", "0", "0", ""}, 4, true, {"3", "10", "0", "0", "0", ""},
         "", 4},
        {"scale of a datetime row: locked", 0, {"4", "8", "0", "-1", "0", ""}, 5, true, {"4", "8", "0", "-1", "0", ""},
         "", 5},
        {"precision 29", 1, {"5", "9", "29", "0", "0", ""}, 4, false, {"5", "9", "28", "0", "0", ""},
         "Precision between 1 to 28.", 4},
        {"precision 0", 0, {"5", "9", "0", "0", "0", ""}, 4, false, {"5", "9", "1", "0", "0", ""},
         "Valor de Precisión debe ser de 1 a 28.", 4},
        {"scale 0", 0, {"5", "9", "5", "0", "0", ""}, 5, true, {"5", "9", "5", "0", "0", ""}, "", 5},
        {"scale -1", 0, {"5", "9", "5", "-1", "0", ""}, 5, false, {"5", "9", "5", "1", "0", ""},
         "Valor de Escala debe ser de 1 a 28.", 5},
        {"scale 29", 1, {"5", "9", "5", "29", "0", ""}, 5, false, {"5", "9", "5", "28", "0", ""},
         "Scale between 1 to 28.", 5},
        {"scale above precision", 0, {"5", "9", "5", "10", "0", ""}, 5, false, {"5", "9", "5", "5", "0", ""},
         "Valor de Escala debe estar comprendida entre 0 y 5.", 5},
        {"scale above precision, English", 1, {"5", "9", "5", "10", "0", ""}, 5, false,
         {"5", "9", "5", "5", "0", ""}, "Scale between 0 y 5.", 5},
        {"nulls without default", 0, {"8", "4", "10", "0", "-1", ""}, 6, false, {"8", "4", "10", "0", "-1", ""},
         "Inserte valor predeterminado.", 7},
        {"default empty with nulls, English", 1, {"8", "4", "10", "0", "-1", ""}, 7, false,
         {"8", "4", "10", "0", "-1", ""}, "Insetrt default value.", 7},
        {"not null without default", 0, {"8", "4", "10", "0", "0", ""}, 6, true, {"8", "4", "10", "0", "0", ""}, "", 6},
        {"nulls with a default", 0, {"8", "4", "10", "0", "-1", "0"}, 7, true, {"8", "4", "10", "0", "-1", "0"}, "", 7},
        {"a name gives a type", 0, {"", "", "", "", "", ""}, 1, true, {"3", "10", "0", "0", "", ""}, "", 1},
        {"a type gives its sizes", 0, {"9", "", "", "", "", ""}, 2, true, {"9", "8", "19", "4", "", ""}, "", 2},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        Idioma = qint16(c.idioma);
        Fila(4, QStringList{"", "c"} + c.fila);
        Pon(4, c.columna);
        mensajes.Cajas().clear();
        EXPECT_EQ(d->CompruebaCelda(c.columna), c.aceptada);
        EXPECT_EQ(Celdas(4, ValorPredeterminado).mid(TipoDato), c.despues);
        if (c.mensaje.isEmpty()) {
            EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join(u'|').toStdString();
        } else {
            ASSERT_EQ(mensajes.Cajas().size(), 1);
            EXPECT_EQ(mensajes.Cajas()[0].texto, c.mensaje);
            EXPECT_EQ(mensajes.Cajas()[0].estilo, vb::vbExclamation);
            EXPECT_EQ(mensajes.Cajas()[0].titulo, QStringLiteral("Tolvek"));
        }
        EXPECT_EQ(g->ColumnaActual(), c.columnaFinal);
        EXPECT_EQ(FilaCursor(), 4);
    }
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
}

// ---- Grid rules ----

TEST_F(RejillaCampos, ANameComesFirstThenAType) {
    Pon(2, Longitud);
    Escribe(QStringLiteral("5"));
    EXPECT_EQ(TextosCajas(), QStringList{"Introduzca Nombre del campo."});
    EXPECT_EQ(g->ColumnaActual(), NombreCampo);
    EXPECT_FALSE(g->EnEdicion());
    // The type cell of that row is refused the same way.
    Pon(2, TipoDato);
    Escribe(QStringLiteral("i"));
    EXPECT_EQ(TextosCajas().size(), 2);
    EXPECT_EQ(g->ColumnaActual(), NombreCampo);
    // The name itself can be typed.
    d->Modificado = false;
    Escribe(QStringLiteral("id"));
    EXPECT_TRUE(g->EnEdicion());
    EXPECT_TRUE(d->Modificado);
    // Moving on gives the named row the default type.
    Tecla(Qt::Key_Down);
    EXPECT_EQ(Celdas(2), (QStringList{"", "id", "3", "10", "0", "0", "", "", "", ""}));

    // A named row whose type is blank: the type first.
    Pon(3, Longitud);
    Fila(3, {"", "nombre", "  "});
    Escribe(QStringLiteral("7"));
    EXPECT_EQ(TextosCajas().last(), QStringLiteral("Introduzca tipo de dato."));
    EXPECT_EQ(g->ColumnaActual(), TipoDato);
    mensajes.Cajas().clear();
    Idioma = 1;
    Pon(5, Longitud);
    Fila(5, {"", "otro", ""});
    Escribe(QStringLiteral("7"));
    EXPECT_EQ(TextosCajas(), QStringList{"Insert Data type."});
    EXPECT_EQ(g->ColumnaActual(), TipoDato);
    // Arriving on the type cell gave the row the default type.
    EXPECT_EQ(Celdas(5).mid(TipoDato, 4), (QStringList{"3", "10", "0", "0"}));
    EXPECT_EQ(pitido.Pitidos, 0);
}

TEST_F(RejillaCampos, ATypeGivesANewRowItsSizesAndAnExistingColumnKeepsItsOwn) {
    Fila(0, {"", "nuevo", "3", "10", "0", "0", "0"});
    Existente(1, "viejo", "3", "25");
    struct Caso {
        int fila;
        const char* tipo;
        QStringList despues;  // type, length, precision, scale
        QList<bool> bloqueos; // length, precision, scale
    } casos[] = {
        {0, "varchar", {"23", "8", "0", "0"}, {false, true, true}},
        {0, "nvarchar", {"13", "50", "0", "0"}, {false, true, true}},
        {0, "Decimal", {"5", "9", "18", "0"}, {true, false, false}},
        {0, "numeric", {"12", "9", "18", "0"}, {true, false, false}},
        {0, "money", {"9", "8", "19", "4"}, {true, true, true}},
        {0, "smallmoney", {"17", "4", "10", "4"}, {true, true, true}},
        {0, "int", {"8", "4", "10", "0"}, {true, true, true}},
        {0, "binary", {"1", "10", "0", "0"}, {false, true, true}},
        {1, "decimal", {"5", "25", "0", "0"}, {true, false, false}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.tipo);
        Pon(c.fila, TipoDato);
        EligeTipo(QString::fromLatin1(c.tipo));
        EXPECT_EQ(Celdas(c.fila).mid(TipoDato, 4), c.despues);
        EXPECT_EQ(g->ColumnaActual(), Longitud);
        EXPECT_EQ((QList<bool>{g->Columns(Longitud).Locked(), g->Columns(Precision).Locked(),
                               g->Columns(Escala).Locked()}),
                  c.bloqueos);
    }
    // The existing column went to the server as a change (nothing joined to it).
    EXPECT_EQ(conexion->Enviadas, (QStringList{"USE Tienda", kFkReferencias, kFkPropias}));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(RejillaCampos, TheLocksFollowTheTypeOfTheRowUnderTheCursor) {
    // Editable: L length, P precision, S scale; "" locks nothing.
    const QMap<QString, QString> editables = {
        {"1", "L"},  {"2", ""},   {"3", "L"},  {"4", ""},  {"5", "PS"}, {"6", ""},   {"7", ""},   {"8", ""},
        {"9", ""},   {"10", "L"}, {"11", ""},  {"12", "PS"}, {"13", "L"}, {"14", ""}, {"15", ""}, {"16", ""},
        {"17", ""},  {"18", ""},  {"19", ""},  {"20", ""}, {"21", ""},  {"22", "L"}, {"23", "L"}};
    int f = 0;
    for (auto e = editables.begin(); e != editables.end(); ++e, ++f) Fila(f, {"", "c", e.key()});
    Fila(f, {"", "c", ""});
    Fila(f + 1, {"", "c", "0"});
    Pon(0, NombreCampo);
    f = 0;
    for (auto e = editables.begin(); e != editables.end(); ++e, ++f) {
        SCOPED_TRACE(e.key().toStdString());
        Pon(f, ValorNulo);
        EXPECT_EQ(g->Columns(Longitud).Locked(), !e.value().contains(u'L'));
        EXPECT_EQ(g->Columns(Precision).Locked(), !e.value().contains(u'P'));
        EXPECT_EQ(g->Columns(Escala).Locked(), !e.value().contains(u'S'));
    }
    for (int vacia : {f, f + 1}) {
        Pon(vacia, ValorNulo);
        EXPECT_FALSE(g->Columns(Longitud).Locked() || g->Columns(Precision).Locked() || g->Columns(Escala).Locked());
    }

    // From a decimal row to an int row: precision and scale lock again, and
    // a key typed into them beeps and changes nothing.
    Fila(0, {"", "importe", "5", "9", "18", "2", "0"});
    Fila(1, {"", "cantidad", "8", "4", "10", "0", "0"});
    Pon(0, Precision);
    EXPECT_FALSE(g->Columns(Precision).Locked());
    Tecla(Qt::Key_Down);
    EXPECT_EQ(FilaCursor(), 1);
    EXPECT_TRUE(g->Columns(Precision).Locked());
    EXPECT_TRUE(g->Columns(Escala).Locked());
    Escribe(QStringLiteral("7"));
    EXPECT_EQ(pitido.Pitidos, 1);
    EXPECT_FALSE(g->EnEdicion());
    EXPECT_EQ(a->LeeCelda(1, Precision), QStringLiteral("10"));
    // Enter is not a typed key: it passes over the locked cell.
    Enter();
    EXPECT_EQ(pitido.Pitidos, 1);
    EXPECT_EQ(g->ColumnaActual(), Escala);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(RejillaCampos, EnterMovesOnWrapsAtTheLastColumnRowAndStaysOnARefusedCell) {
    Fila(3, {"", "id", "8", "4", "10", "0", "0", ""});
    Pon(3, NombreCampo);
    d->Modificado = false;
    QList<int> columnas;
    for (int k = 0; k < 7; ++k) {
        Enter();
        columnas.append(g->ColumnaActual());
    }
    EXPECT_EQ(columnas, (QList<int>{2, 3, 4, 5, 6, 7, 1}));
    EXPECT_EQ(FilaCursor(), 4);
    // A char row's precision and scale are its type's: Enter passes them unchecked.
    Fila(5, {"", "nombre", "3", "10", "0", "0", "0", ""});
    Pon(5, Longitud);
    for (int k = 0; k < 3; ++k) Enter();
    EXPECT_EQ(g->ColumnaActual(), ValorNulo);
    EXPECT_EQ(a->LeeCelda(5, Precision), QStringLiteral("0"));
    EXPECT_TRUE(d->Modificado);
    // The last row that can hold a column goes back to the first one.
    Fila(199, {"", "ultimo", "8", "4", "10", "0", "0", ""});
    Pon(199, ValorPredeterminado);
    Enter();
    EXPECT_EQ(FilaCursor(), 0);
    EXPECT_EQ(g->ColumnaActual(), NombreCampo);
    // A refused cell keeps the cursor, with the corrected text.
    Fila(3, {"", "id", "23", "8", "0", "0", "0", ""});
    Pon(3, Longitud);
    Escribe(QStringLiteral("x"));
    Enter();
    EXPECT_EQ(TextosCajas(), QStringList{"Valor de Longitud debe ser de 1 a 8000."});
    EXPECT_EQ(FilaCursor(), 3);
    EXPECT_EQ(g->ColumnaActual(), Longitud);
    EXPECT_EQ(a->LeeCelda(3, Longitud), QStringLiteral("1"));
    // Typed again and confirmed, it moves on with the new length.
    Escribe(QStringLiteral("20"));
    Enter();
    EXPECT_EQ(a->LeeCelda(3, Longitud), QStringLiteral("120"));
    EXPECT_EQ(g->ColumnaActual(), Precision);
    // The row past the last one takes no name.
    Pon(200, NombreCampo);
    Escribe(QStringLiteral("z"));
    EXPECT_FALSE(g->EnEdicion());
    EXPECT_EQ(a->LeeCelda(200, NombreCampo), QString());
    EXPECT_EQ(pitido.Pitidos, 1);
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
}

TEST_F(RejillaCampos, AnEntryNotInTheTypeListIsReported) {
    // Whatever the desktop does around the box, afterwards this designer is
    // the active child window and its grid has the keys: another window may
    // take them while the box is up, or the main window may be activated
    // again only after the box and the cell editor have gone.
    auto* otra = NuevoDiseñador();
    conexion->Enviadas.clear();
    for (bool despues : {false, true}) {
        d->Activa();
        QApplication::setActiveWindow(d->window());
        g->setFocus();
        mensajes.AlMostrar = [&] {
            if (despues) return QApplication::setActiveWindow(nullptr);
            QApplication::focusWidget()->clearFocus();
            otra->Activa();
        };
        Fila(0, {"", "id", "8", "4", "10", "0", "0"});
        Pon(0, TipoDato);
        EligeTipo(QStringLiteral("entero"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::setActiveWindow(d->window());
        EXPECT_EQ(TextosCajas(), QStringList{"Su entrada debe coincidir con un elemento de la lista."});
        EXPECT_EQ(a->LeeCelda(0, TipoDato), QStringLiteral("8"));
        EXPECT_EQ(ventanas::Anfitrion()->HijaActiva(), d) << despues;
        EXPECT_TRUE(g == QApplication::focusWidget() || g->isAncestorOf(QApplication::focusWidget())) << despues;
        mensajes.Cajas().clear();
    }
    EXPECT_EQ(conexion->Enviadas, QStringList());
    mensajes.AlMostrar = nullptr;
    // An emptied entry is silent.
    Idioma = 1;
    Pon(0, TipoDato);
    EligeTipo(QString());
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
    d->TDBGridTabla_ValueItemError(TipoDato);  // the type cell holds "8"
    EXPECT_EQ(TextosCajas(), QStringList{"His entry must coincide with an element of the list."});
}

// ---- Rows ----

TEST_F(RejillaCampos, InsertOpensAnEmptyRowAboveTheCursorUpTo200Columns) {
    Existente(0, "id", "8", "4");
    a->GrabaCelda(0, IntercalacionCampo, QStringLiteral("Latin1_General_BIN"));  // moves with its row
    Fila(1, {"", "nombre", "23", "8", "0", "0", "-1", "x", "", ""});
    Fila(2, {"I", "alta", "4", "8", "0", "0", "0"});
    const QStringList id = Celdas(0, IntercalacionCampo), nombre = Celdas(1), alta = Celdas(2);
    Pon(0, TipoDato);
    d->InsertarFila();
    EXPECT_EQ(Celdas(0, IntercalacionCampo), QStringList(11, QString()));
    EXPECT_EQ(Celdas(1, IntercalacionCampo), id);
    EXPECT_EQ(Celdas(2), nombre);
    EXPECT_EQ(Celdas(3), alta);
    EXPECT_EQ(FilaCursor(), 0);
    EXPECT_EQ(g->PrimeraFila(), 0);
    // From the Table menu of the main window, on the active designer.
    Pon(2, NombreCampo);
    MenusPrincipales::Principales()->mnuInsertarFila->trigger();
    EXPECT_EQ(Celdas(2), QStringList(10, QString()));
    EXPECT_EQ(Celdas(3), nombre);
    EXPECT_EQ(Celdas(4), alta);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());

    // A design of 200 columns: nothing moves, and it is reported.
    for (int f = 5; f <= 199; ++f) Fila(f, {"", "c" + QString::number(f), "8", "4", "10", "0", "0"});
    g->PrimeraFila(150);
    Pon(160, NombreCampo);
    d->InsertarFila();
    EXPECT_EQ(TextosCajas(), QStringList{Error(errnum::FueraDeIntervalo)});
    EXPECT_EQ(a->LeeCelda(160, NombreCampo), QStringLiteral("c160"));
    EXPECT_EQ(a->LeeCelda(199, NombreCampo), QStringLiteral("c199"));
    EXPECT_EQ(a->LeeCelda(200, NombreCampo), QString());
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(RejillaCampos, DeleteAsksAndRefusesAColumnAnIndexOrARelationUses) {
    const QString pregunta = QStringLiteral("¿Desea eliminar la fila?");
    const QString enIndice = QStringLiteral("El campo existe en algún indice. No se puede eliminar.");
    const QString enRelacion = QStringLiteral("El campo existe en algúna relacion. No se puede eliminar.");
    struct Caso {
        const char* nombre;
        QStringList indice;    // key columns of one index ({} for none)
        QStringList relacion;  // own columns of one relation ({} for none)
        QString fila;          // name of the row deleted
        QStringList cajas;
        bool borrada;
    } casos[] = {
        {"used by an index, in any case", {"ID"}, {}, "Id", {pregunta, enIndice}, false},
        {"used by both", {"Id"}, {"Id"}, "Id", {pregunta, enIndice}, false},
        {"used by a relation", {}, {"nombre"}, "NOMBRE", {pregunta, enRelacion}, false},
        {"an empty row with an index", {"Id"}, {}, "", {pregunta, enIndice}, false},
        {"an empty row with a relation only", {}, {"Id"}, "", {pregunta, enRelacion}, false},
        {"a column nothing uses", {"Id"}, {"Id"}, "nombre", {pregunta}, true},
        {"an empty row of a bare design", {}, {}, "", {pregunta}, true},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        d->NumeroIndices = d->NumeroRelaciones = 0;
        d->TablaIndices.Vacia();
        d->TablaRelaciones.Vacia();
        if (!c.indice.isEmpty()) Indice(0, "IX_a", c.indice);
        if (!c.relacion.isEmpty()) Relacion(0, "FK_a", {{c.relacion[0], "Id", "Clientes"}});
        for (int f = 0; f <= 199; ++f) Fila(f, QStringList(10, QString()));
        Fila(0, {"M", "Id", "8", "4", "10", "0", "0", "", "", "Id"});
        Fila(1, {"", c.fila, "23", "8", "0", "0", "0"});
        Fila(2, {"", "tercera", "8", "4", "10", "0", "0"});
        Pon(1, TipoDato);
        d->Modificado = false;
        mensajes.Respuestas = {vb::vbYes};
        d->cmdEliminarFila->click();
        EXPECT_EQ(TextosCajas(), c.cajas);
        EXPECT_EQ(mensajes.Cajas()[0].estilo, 292);
        EXPECT_EQ(a->LeeCelda(1, NombreCampo), c.borrada ? QStringLiteral("tercera") : c.fila);
        EXPECT_EQ(a->LeeCelda(2, NombreCampo), c.borrada ? QString() : QStringLiteral("tercera"));
        EXPECT_EQ(d->Modificado, c.borrada);
        mensajes.Cajas().clear();
    }
    // No keeps the row.
    Fila(1, {"", "nombre", "23", "8", "0", "0", "0"});
    mensajes.Respuestas = {vb::vbNo};
    d->EliminarFila();
    EXPECT_EQ(TextosCajas(), QStringList{pregunta});
    EXPECT_EQ(a->LeeCelda(1, NombreCampo), QStringLiteral("nombre"));
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
}

TEST_F(RejillaCampos, TheOnlyColumnOfANewTableGoesAndLeavesAnEmptyGrid) {
    Fila(0, {"", "id", "8", "4", "10", "0", "0"});
    g->PrimeraFila(0);
    Pon(0, NombreCampo);
    d->Modificado = false;
    mensajes.Respuestas = {vb::vbYes};
    d->EliminarFila();
    EXPECT_EQ(TextosCajas().size(), 1);
    mensajes.Cajas().clear();
    for (int f : {0, 1, 199, 200}) EXPECT_EQ(Celdas(f), QStringList(10, QString())) << f;
    EXPECT_TRUE(d->Modificado);
    // Removing the row past the last leaves the last one where it is.
    Fila(199, {"", "ultimo", "8", "4", "10", "0", "0"});
    d->EliminaCampo(200);
    EXPECT_EQ(a->LeeCelda(199, NombreCampo), QStringLiteral("ultimo"));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(RejillaCampos, ARemovedColumnTakesTheRelationOfTheTableToItselfWithIt) {
    d->txtNombreTabla->setText(QStringLiteral("Empleados"));
    Existente(0, "id", "8", "4");
    Existente(1, "jefe", "8", "4");
    Existente(2, "dep", "8", "4");
    // The self-reference comes second, so the entries must close up.
    Relacion(0, "FK_dep", {{"dep", "id", "Departamentos"}});
    Relacion(1, "FK_jefe", {{"jefe", "id", "Empleados"}});
    Relacion(2, "FK_otro", {{"dep", "jefe", "Empleados"}});
    d->CargaRelaciones();
    Pon(0, NombreCampo);
    mensajes.Respuestas = {vb::vbYes};
    d->EliminarFila();
    EXPECT_EQ(TextosCajas().size(), 1);
    EXPECT_EQ(a->LeeCelda(0, NombreCampo), QStringLiteral("jefe"));
    EXPECT_EQ(d->NumeroRelaciones, 2);
    EXPECT_EQ(d->TablaRelaciones.Lee(0, 0), QStringLiteral("FK_dep"));
    EXPECT_EQ(d->TablaRelaciones.Lee(0, 1), QStringLiteral("FK_otro"));
    EXPECT_EQ(d->TablaRelaciones.Lee(0, 2), QString());
    EXPECT_EQ(d->ArrayRelaciones(0, 1)->LeeCelda(0, 2), QStringLiteral("jefe"));
    EXPECT_EQ(d->cboRelaciones->count(), 2);
    EXPECT_EQ(d->cboRelaciones->itemText(1), QStringLiteral("FK_otro"));
}

TEST_F(RejillaCampos, TheRightButtonTheDeleteKeyAndTheMenuAct) {
    Fila(0, {"", "id", "8", "4", "10", "0", "0"});
    Fila(1, {"", "nombre", "23", "8", "0", "0", "0"});
    Pon(1, NombreCampo);
    const QPoint punto = g->visualRect(g->model()->index(1, 1)).center();
    const auto clic = [&](Qt::MouseButton b) {
        QMouseEvent pulsa(QEvent::MouseButtonPress, punto, g->viewport()->mapToGlobal(punto), b, b, Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &pulsa);
        QMouseEvent suelta(QEvent::MouseButtonRelease, punto, g->viewport()->mapToGlobal(punto), b, Qt::NoButton,
                           Qt::NoModifier);
        QApplication::sendEvent(g->viewport(), &suelta);
    };
    clic(Qt::LeftButton);
    EXPECT_TRUE(menus.Mostrados.isEmpty());
    clic(Qt::RightButton);
    ASSERT_EQ(menus.Mostrados.size(), 1);
    EXPECT_EQ(menus.Mostrados[0].menu, MenusPrincipales::Principales()->mnuTabla);
    EXPECT_EQ(menus.Mostrados[0].posicion, g->viewport()->mapToGlobal(punto));
    // Its Delete row acts on this designer, on the row clicked.
    Pon(0, NombreCampo);
    menus.Elegir = {"mnuEliminarFila"};
    mensajes.Respuestas = {vb::vbYes};
    clic(Qt::RightButton);
    EXPECT_EQ(a->LeeCelda(1, NombreCampo), QString());
    EXPECT_EQ(a->LeeCelda(0, NombreCampo), QStringLiteral("id"));
    // So does the Delete key, asking first.
    Pon(0, NombreCampo);
    mensajes.Respuestas = {vb::vbNo};
    Tecla(Qt::Key_Delete);
    EXPECT_EQ(TextosCajas(), (QStringList{"¿Desea eliminar la fila?", "¿Desea eliminar la fila?"}));
    EXPECT_EQ(a->LeeCelda(0, NombreCampo), QStringLiteral("id"));
    // Scrolled down one row, the click lands on the row now under the pointer.
    g->PrimeraFila(1);
    menus.Elegir = {""};
    clic(Qt::RightButton);
    EXPECT_EQ(FilaCursor(), 2);
}

TEST_F(RejillaCampos, EnterInTheTableNameMovesToTheNextControl) {
    int tabuladores = 0;
    struct TecladoDoble : ServicioTeclado {
        int* n;
        void EnviaTabulador() override { ++*n; }
    } teclado;
    teclado.n = &tabuladores;
    servicios::Usa(&teclado);
    d->txtNombreTabla->setFocus();
    QKeyEvent intro(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(d->txtNombreTabla, &intro);
    QKeyEvent letra(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(d->txtNombreTabla, &letra);
    servicios::Usa(static_cast<ServicioTeclado*>(nullptr));
    EXPECT_EQ(tabuladores, 1);
    EXPECT_TRUE(d->txtNombreTabla->text().endsWith(u'x'));
}

// ---- A column that exists in the database ----

TEST_F(RejillaCampos, ARenameFollowsTheLoadedNameInTheListsAndSendsNothing) {
    Existente(0, "A", "8", "4");
    Indice(0, "IX_a", {"A", "otra"});
    Indice(1, "IX_b", {"x", "a", " A"});  // " A" is another column
    d->ArrayIndices(0, 1)->GrabaCelda(1, 2, QStringLiteral("a"));  // a descending key
    Relacion(0, "FK_a", {{"otra", "Id", "Clientes"}});
    d->ArrayRelaciones(0, 0)->GrabaCelda(20, 1, QStringLiteral("A"));  // past the 16 pairs a key has
    Relacion(1, "FK_yo", {{"padre", "A", "Pedidos"}, {"hijo", "A", "Otra"}});
    d->txtNombreTabla->setText(QStringLiteral("pedidos"));
    Pon(0, NombreCampo);
    Escribe(QStringLiteral("B"));
    Enter();
    EXPECT_EQ(a->LeeCelda(0, NombreCampo), QStringLiteral("B"));
    EXPECT_EQ(a->LeeCelda(0, NombreCampoOriginal), QStringLiteral("A"));
    EXPECT_EQ(d->ArrayIndices(0, 0)->LeeCelda(0, 1), QStringLiteral("B"));
    EXPECT_EQ(d->ArrayIndices(0, 1)->LeeCelda(1, 1), QStringLiteral("B"));
    EXPECT_EQ(d->ArrayIndices(0, 1)->LeeCelda(1, 2), QStringLiteral("B"));
    EXPECT_EQ(d->ArrayIndices(0, 1)->LeeCelda(2, 1), QStringLiteral(" A"));
    EXPECT_EQ(d->ArrayRelaciones(0, 0)->LeeCelda(20, 1), QStringLiteral("B"));
    EXPECT_EQ(d->ArrayRelaciones(0, 1)->LeeCelda(0, 2), QStringLiteral("B"));
    EXPECT_EQ(d->ArrayRelaciones(0, 1)->LeeCelda(1, 2), QStringLiteral("A"));  // another table's column
    // Again, to C: the lists are matched against A, so they keep B.
    Pon(0, NombreCampo);
    Tecla(Qt::Key_F2);
    qobject_cast<QLineEdit*>(QApplication::focusWidget())->setText(QString());
    Escribe(QStringLiteral("C"));
    Enter();
    EXPECT_EQ(a->LeeCelda(0, NombreCampo), QStringLiteral("C"));
    EXPECT_EQ(d->ArrayIndices(0, 0)->LeeCelda(0, 1), QStringLiteral("B"));
    EXPECT_EQ(d->ArrayRelaciones(0, 1)->LeeCelda(0, 2), QStringLiteral("B"));
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(RejillaCampos, AChangedLengthIsRenamedFirstThenAskedAboutAndNoTakesTheEditBack) {
    Existente(0, "A", "23", "10");
    Pon(0, NombreCampo);
    Escribe(QStringLiteral("B"));
    Enter();
    Referenciada("B");
    Pon(0, Longitud);
    Escribe(QStringLiteral("20"));
    mensajes.Respuestas = {vb::vbNo};
    Enter();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"USE Tienda", "EXEC sp_rename 'Pedidos.[A]', 'B', 'COLUMN'",
                                               kFkReferencias, kFkPropias,
                                               "EXEC sp_rename 'Pedidos.[B]', 'A', 'COLUMN'"}));
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_EQ(mensajes.Cajas()[0].estilo, 292);
    EXPECT_TRUE(mensajes.Cajas()[0].texto.contains(QStringLiteral("En la columna (IdB) de la tabla LINEAS")));
    // No: the cell is as before the edit, and the save has nothing to change.
    EXPECT_EQ(a->LeeCelda(0, Longitud), QStringLiteral("10"));
    EXPECT_EQ(g->Columns(Longitud).Value(), QStringLiteral("10"));
    EXPECT_EQ(a->LeeCelda(0, NombreCampoOriginal), QStringLiteral("A"));
    EXPECT_EQ(g->ColumnaActual(), Precision);
    EXPECT_EQ(puntero.actual, vb::vbDefault);

    // Only the letter case changed: no rename.
    Existente(1, "Nombre", "23", "10");
    Pon(1, NombreCampo);
    Tecla(Qt::Key_F2);
    qobject_cast<QLineEdit*>(QApplication::focusWidget())->setText(QStringLiteral("NOMBRE"));
    Enter();
    conexion->Enviadas.clear();
    Pon(1, Longitud);
    Escribe(QStringLiteral("30"));
    Enter();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"USE Tienda", "EXEC sp_fkeys 'Pedidos'", kFkPropias}));
    EXPECT_EQ(a->LeeCelda(1, Longitud), QStringLiteral("30"));

    // Names as they stand, blanks included, in brackets and quotes as needed.
    d->txtNombreTabla->setText(QStringLiteral("Ped'idos"));
    for (const auto& [fila, original, nuevo, renombre] :
         {std::tuple{2, "x]y", "o'k", "EXEC sp_rename '[Ped''idos].[x]]y]', 'o''k', 'COLUMN'"},
          {3, " x", "y ", "EXEC sp_rename '[Ped''idos].[ x]', 'y ', 'COLUMN'"},
          {4, " z", "z", "EXEC sp_rename '[Ped''idos].[ z]', 'z', 'COLUMN'"}}) {
        Existente(fila, QString::fromUtf8(original), "23", "10");
        Pon(fila, NombreCampo);
        Tecla(Qt::Key_F2);
        qobject_cast<QLineEdit*>(QApplication::focusWidget())->setText(QString::fromUtf8(nuevo));
        Enter();
        conexion->Enviadas.clear();
        Pon(fila, Longitud);
        Escribe(QStringLiteral("5"));
        Enter();
        EXPECT_EQ(conexion->Enviadas.mid(0, 2), (QStringList{"USE Tienda", renombre})) << original;
        EXPECT_EQ(a->LeeCelda(fila, NombreCampoOriginal), QString::fromUtf8(nuevo)) << original;
    }
}

// The names the save may drop follow a rename sent at once, and go back
// with it when the change is undone.
TEST_F(RejillaCampos, TheLoadedNamesFollowARenameSentAtOnce) {
    Existente(0, "A", "23", "10");
    Existente(1, "C", "23", "10");
    Existente(2, " E", "23", "10");
    d->CamposCargados = {"A", "C", " E"};
    for (const auto& [fila, nombre, cargados] : {std::tuple{0, "B", QStringList{"B", "C", " E"}},
                                                 {1, "D", {"B", "C", " E"}},
                                                 {2, "F ", {"B", "C", " E"}}}) {
        if (fila == 1) conexion->FallaPatron(QStringLiteral("^EXEC sp_fkeys"), 208, QStringLiteral("Invalid object name 'x'."));
        Pon(fila, NombreCampo);
        Escribe(QString::fromLatin1(nombre));
        Enter();
        Pon(fila, Longitud);
        Escribe(QStringLiteral("20"));
        Enter();
        EXPECT_EQ(d->CamposCargados, cargados) << nombre;
    }
    EXPECT_EQ(conexion->Enviadas.filter("sp_rename").mid(2),
              (QStringList{"EXEC sp_rename 'Pedidos.[D]', 'C', 'COLUMN'", "EXEC sp_rename 'Pedidos.[ E]', 'F ', 'COLUMN'",
                           "EXEC sp_rename 'Pedidos.[F ]', ' E', 'COLUMN'"}));
    EXPECT_EQ(TextosCajas(), QStringList(2, " Error Nº:208 (Invalid object name 'x'.)."));
}

TEST_F(RejillaCampos, ACascadeThatFailsLeavesTheServerAndTheCellAsTheyWere) {
    Existente(0, "A", "23", "10");
    Pon(0, NombreCampo);
    Escribe(QStringLiteral("B"));
    Enter();
    Referenciada("B");
    // Everything but the detection, the renames and the transaction fails.
    conexion->FallaPatron(QStringLiteral("^(?!EXEC sp_fkeys|EXEC sp_rename|USE |<)"), 208,
                          QStringLiteral("Invalid object name 'x'."));
    Pon(0, Longitud);
    Escribe(QStringLiteral("20"));
    mensajes.Respuestas = {vb::vbYes};
    Enter();
    const QStringList& enviadas = conexion->Enviadas;
    ASSERT_GE(enviadas.size(), 6);
    EXPECT_EQ(enviadas.mid(0, 4), (QStringList{"USE Tienda", "EXEC sp_rename 'Pedidos.[A]', 'B', 'COLUMN'",
                                               kFkReferencias, kFkPropias}));
    EXPECT_EQ(enviadas[4], QStringLiteral("<BeginTrans>"));
    EXPECT_TRUE(enviadas.contains(QStringLiteral("<RollbackTrans>")));
    EXPECT_FALSE(enviadas.contains(QStringLiteral("<CommitTrans>")));
    // After the rollback the column gets its name back too.
    EXPECT_EQ(enviadas.last(), QStringLiteral("EXEC sp_rename 'Pedidos.[B]', 'A', 'COLUMN'"));
    EXPECT_EQ(a->LeeCelda(0, NombreCampoOriginal), QStringLiteral("A"));
    EXPECT_EQ(a->LeeCelda(0, NombreCampo), QStringLiteral("B"));
    EXPECT_EQ(a->LeeCelda(0, Longitud), QStringLiteral("10"));
    EXPECT_EQ(g->Columns(Longitud).Value(), QStringLiteral("10"));
    EXPECT_EQ(TextosCajas().size(), 2);  // the question, the failure
    EXPECT_EQ(mensajes.Cajas().last().titulo, QStringLiteral("Atención."));
    EXPECT_EQ(puntero.actual, vb::vbDefault);

    // The same refused through a correction of the cell: the old value again.
    conexion->Enviadas.clear();
    Pon(0, Longitud);
    Escribe(QStringLiteral("9001"));
    mensajes.Respuestas = {vb::vbOK, vb::vbYes};
    Enter();
    EXPECT_EQ(TextosCajas().mid(2, 1), QStringList{"Valor de Longitud debe ser de 1 a 8000."});
    EXPECT_TRUE(conexion->Enviadas.contains(QStringLiteral("<RollbackTrans>")));
    EXPECT_EQ(a->LeeCelda(0, Longitud), QStringLiteral("10"));
    EXPECT_EQ(g->ColumnaActual(), Longitud);
}

TEST_F(RejillaCampos, AFailingUseOrRenameKeepsTheNewValueAndStops) {
    Existente(0, "A", "23", "10");
    Existente(1, "C", "23", "10");
    conexion->Falla(QStringLiteral("USE Tienda"), 911, QStringLiteral("Could not locate entry in sysdatabases."));
    Pon(0, Longitud);
    Escribe(QStringLiteral("20"));
    Enter();
    EXPECT_EQ(TextosCajas(), QStringList{" Error Nº:911 (Could not locate entry in sysdatabases.)."});
    EXPECT_EQ(conexion->Enviadas, QStringList{"USE Tienda"});
    EXPECT_EQ(a->LeeCelda(0, Longitud), QStringLiteral("20"));
    EXPECT_EQ(puntero.actual, vb::vbDefault);

    // On another database, where USE works, the rename fails.
    d->BaseDatos = QStringLiteral("Ventas");
    conexion->FallaPatron(QStringLiteral("^EXEC sp_rename"), 15248, QStringLiteral("Either the parameter is wrong."));
    Pon(1, NombreCampo);
    Escribe(QStringLiteral("D"));
    Enter();
    conexion->Enviadas.clear();
    Pon(1, Longitud);
    Escribe(QStringLiteral("30"));
    Enter();
    EXPECT_EQ(conexion->Enviadas, (QStringList{"USE Ventas", "EXEC sp_rename 'Pedidos.[C]', 'D', 'COLUMN'"}));
    EXPECT_EQ(a->LeeCelda(1, Longitud), QStringLiteral("30"));
    EXPECT_EQ(a->LeeCelda(1, NombreCampoOriginal), QStringLiteral("C"));
    EXPECT_EQ(TextosCajas().size(), 2);
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(RejillaCampos, LostFocusAndTheCloseCheckTheCurrentCell) {
    Fila(0, {"", "id", "8", "4", "10", "0", "-1", ""});
    Pon(0, ValorNulo);
    d->cmdEliminarFila->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(TextosCajas(), QStringList{"Inserte valor predeterminado."});
    EXPECT_EQ(g->ColumnaActual(), ValorPredeterminado);
    // Closing checks it again before the question.
    mensajes.Respuestas = {vb::vbOK, vb::vbCancel};
    EXPECT_FALSE(d->Unload());
    EXPECT_EQ(TextosCajas().mid(1),
              (QStringList{"Inserte valor predeterminado.", "¿Desea Guardar los cambios?"}));
    // An empty row is not checked.
    Fila(0, QStringList(8, QString()));
    Fila(0, {"", "", "", "", "", "", "-1"});
    mensajes.Cajas().clear();
    d->TDBGridTabla_LostFocus();
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}
