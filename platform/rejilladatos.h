#pragma once
// The editable grid: shows a GridDataArray and edits it in place, cell by
// cell, with the events and members that the designer, database and
// security windows use. Grid column k shows array column k (from the
// array's lower column); array rows are the grid's rows, all of them.
//
// The cursor is on one cell (ColumnaActual, and the row PrimeraFila +
// FilaActual), or on none (FilaActual -1) while the array has no rows.
//
// Editing a cell, whether the user or the program drives it, raises in this
// order:
//   BeforeColEdit    when the edit starts (a key typed into the cell, a
//                    double click, F2; a click on a check box or a picture
//                    cell, or Space on it); Cancel = 1 keeps the cell as it
//                    was and no edit starts.
//   BeforeColUpdate  when the edited text is about to be stored (the cursor
//                    leaves the cell, Enter passes through KeyPress to the
//                    grid, or code moves the cursor); Cancel = 1 keeps the
//                    old value in the array.
//   AfterColUpdate   after a new value was stored in the array.
//   AfterColEdit     when the edit has ended, stored or not.
// and then, for a move of the cursor:
//   BeforeRowColChange (Cancel = 1 keeps the cursor where it is), the move,
//   RowColChange(LastRow, LastCol).
// A move made by code (ColumnaActual, FilaActual, PrimeraFila) commits a
// pending edit and raises the same events as a move by the user.
// While a cell is being edited, Columns(k).Value() of that column is the
// text being edited.
//
// Kinds of column:
//   text       (the default) edited in a line editor;
//   check box  stores "-1" (ticked) or "0"; a click or Space toggles it;
//   button     a cell button at the right of each cell raises ButtonClick;
//   items      ValueItems: each stored value has a text or a picture, which
//              the cell shows. A text column with items offers them in a
//              drop-down; a typed text that equals an item's text (in any
//              case) stores that item's value, any other text raises
//              ValueItemError and the cell keeps its previous value. A
//              column whose items carry pictures moves to its next item on a
//              click (after the last, the first), as an edit with the events
//              above.
// A Locked column takes no edit: a typed key still reaches KeyPress (where
// a window may beep), but nothing changes.
//
// LostFocus is raised when the focus goes to another control of the
// program; never for a message box, a pop-up menu or the grid's own cell
// editor. A pending edit is stored (with its events) before LostFocus.
//
// In detail:
// - An edit that ends with the text it began with stores nothing: only
//   AfterColEdit. Escape ends an edit the same way, whatever was typed.
// - Cancel = 1 in BeforeColUpdate ends the edit (AfterColEdit) with the old
//   value, and a move that caused it goes on.
// - A typed text that names no item of a column with items: ValueItemError,
//   then AfterColEdit; BeforeColUpdate is not raised and the cell keeps its
//   previous value.
// - A check box or a picture cell changes as one whole edit per click or
//   Space, stored at once: BeforeColEdit (KeyAscii 0 for a click, 32 for
//   Space), BeforeColUpdate, AfterColUpdate, AfterColEdit. A click on another
//   cell moves the cursor there first (with its events). A double click
//   changes such a cell once, as one click: its second press changes
//   nothing. A value not among the picture items goes to the first one.
//   "-1" (or "1", "True") shows ticked; a toggle stores "-1" or "0".
// - A click on a cell button moves the cursor to the cell, stores a pending
//   edit, then raises ButtonClick.
// - RowColChange's LastRow is the array row the cursor left (-1 for none),
//   LastCol the grid column.
// - Binding an array and Reenlaza raise no move events; a pending edit is
//   dropped unstored (the array may have changed under it), with
//   AfterColEdit. Reenlaza keeps the cursor's row and column where they
//   still exist, else goes to the last row.
// - PrimeraFila(r) scrolls: it stores a pending edit, the cursor stays on
//   its array row and no move events are raised. FilaActual counts from
//   PrimeraFila, so it is negative or past the visible rows while the
//   cursor's row is scrolled out of sight. Setting it moves the cursor to
//   that row and shows it.
// - Code that sets ColumnaActual or FilaActual to the cell the cursor is on
//   stores a pending edit, without move events.
// - KeyDown comes for every key with a desktop number, KeyPress for typed
//   characters and Enter (13), Escape (27) and Backspace (8); KeyAscii is the
//   character's code (Unicode) and a handler may change it to another
//   character, which is what the cell receives. Tab, the arrows and the page
//   keys move from cell to cell (in a line editor Left and Right move the
//   caret); only the left mouse button moves the cursor.
// - A failure (ErrorEjecucion) that a handler lets out is dropped at the
//   grid, which goes on as if the handler had returned: handlers trap and
//   report their own failures.
// - Failure 9: Columns(k), ColumnaActual(k), FilaActual(r) and PrimeraFila(r)
//   outside the grid or the array, ValueItems().Item(i) outside the list,
//   and Value of a column the array does not have. While there is no current
//   row Value() is "" and writing Value fails with 9.

#include "platform/griddataarray.h"

#include <QIcon>
#include <QTableView>

#include <functional>
#include <memory>
#include <vector>

class ModeloRejilla;
class RejillaDatos;

// One entry of a column's ValueItems: the stored value, and what the cell
// shows for it.
struct ElementoValor {
    QString Value;
    QString DisplayValue;
    QIcon Imagen;  // when set, the cell shows the picture instead of the text
};

// A column's list of value items.
class ElementosValor {
public:
    void Clear();
    void Add(const QString& valor, const QString& texto);
    void Add(const QString& valor, const QIcon& imagen);
    int Count() const;
    // Item i, from 0; failure 9 out of range.
    ElementoValor Item(int i) const;

private:
    friend class ColumnaRejilla;
    friend class RejillaDatos;
    ElementosValor(RejillaDatos* rejilla, int columna) : rejilla_(rejilla), columna_(columna) {}
    RejillaDatos* rejilla_;
    int columna_;
};

// A handle on one grid column (Columns(k)).
class ColumnaRejilla {
public:
    // The current row's cell of this column; while the cell is being edited,
    // the text being edited. Writing it stores the text in the array at
    // once (no events) and shows it.
    QString Value() const;
    void Value(const QString& valor);
    QString Caption() const;
    void Caption(const QString& titulo);
    bool Visible() const;
    void Visible(bool si);
    bool Locked() const;
    void Locked(bool si);
    int Width() const;
    void Width(int ancho);
    ElementosValor ValueItems() const { return ElementosValor(rejilla_, columna_); }

    // The column's kind (see the header of this file).
    void CasillaVerificacion(bool si);
    bool CasillaVerificacion() const;
    void Boton(bool si);
    bool Boton() const;

private:
    friend class RejillaDatos;
    ColumnaRejilla(RejillaDatos* rejilla, int columna) : rejilla_(rejilla), columna_(columna) {}
    RejillaDatos* rejilla_;
    int columna_;
};

class RejillaDatos : public QTableView {
    Q_OBJECT
public:
    // A grid of so many columns (numbered from 0), bound to no array yet.
    explicit RejillaDatos(int columnas, QWidget* padre = nullptr);
    ~RejillaDatos() override;

    // The bound array: setting binds it and shows it (the cursor goes to
    // its first row and column 0, or to no row); reading gives the same
    // array, with what the user has stored in it.
    void MatrizEnlazada(ArrayDatos matriz);
    ArrayDatos MatrizEnlazada() const;
    // Reads the bound array again after code changed its size or cells.
    void Reenlaza();
    // Repaints the grid.
    void Refresh();
    // Shows the current row again after code changed one of its cells.
    void RefrescaFila();

    int ColumnCount() const;
    // Column k, from 0; failure 9 out of range.
    ColumnaRejilla Columns(int k);

    int ColumnaActual() const;
    void ColumnaActual(int k);
    // The current row as the grid counts it: from the first visible row
    // (PrimeraFila), -1 when there is none.
    int FilaActual() const;
    void FilaActual(int fila);
    // The row under a height of the grid's area (as MouseDown gives it),
    // counted as FilaActual counts; -1 below the last row.
    int FilaEn(int y) const;
    // The array row shown first; setting it scrolls.
    int PrimeraFila() const;
    void PrimeraFila(int fila);
    // The grid's own title, above the headers; hidden while empty.
    QString Caption() const;
    void Caption(const QString& titulo);
    // Whether a cell is being edited now.
    bool EnEdicion() const;

    // Events. Unset ones do nothing.
    std::function<void(int ColIndex, int KeyAscii, int& Cancel)> BeforeColEdit;
    std::function<void(int ColIndex, const QString& OldValue, int& Cancel)> BeforeColUpdate;
    std::function<void(int ColIndex)> AfterColUpdate;
    std::function<void(int ColIndex)> AfterColEdit;
    std::function<void(int& Cancel)> BeforeRowColChange;
    std::function<void(int LastRow, int LastCol)> RowColChange;
    std::function<void()> LostFocus;
    // KeyCode as the desktop numbers keys (Delete is 46, F2 113); 0 swallows it.
    std::function<void(int& KeyCode, int Shift)> KeyDown;
    // A typed character (Enter is 13, Backspace 8); 0 swallows it.
    std::function<void(int& KeyAscii)> KeyPress;
    // Button: 1 left, 2 right, 4 middle; x and y in the grid's viewport.
    std::function<void(int Button, int Shift, int x, int y)> MouseDown;
    std::function<void(int ColIndex)> ButtonClick;
    std::function<void(int ColIndex)> ValueItemError;

private:
    friend class ColumnaRejilla;
    friend class ElementosValor;
    friend class ModeloRejilla;
    friend class DelegadoRejilla;
    friend class SeleccionRejilla;
    struct Estado;
    std::unique_ptr<Estado> e_;

    // Every move of the cursor, the user's and the program's, passes here.
    void CambiaActual(const QModelIndex& destino, QItemSelectionModel::SelectionFlags modo);
    void MueveA(const QModelIndex& destino);
    void Coloca(int fila, int columna, int arriba);  // without events
    // Starts an edit of the current cell (a key typed into it, or none).
    bool AbreEdicion(int keyAscii, const QKeyEvent* tecla);
    // A check box or a picture cell takes its next value, as a whole edit.
    void Alterna(int keyAscii);
    // Ends the edit in course, storing what it holds or not.
    void TerminaEdicion(bool guardar);
    QString TextoEdicion() const;
    void PoneTextoEditor(const QString& texto);
    // KeyDown and KeyPress for a key; false when a handler swallowed it.
    bool NotificaTecla(const QKeyEvent* tecla, int& keyAscii);
    bool FiltraEditor(QObject* editor, QEvent* evento);
    void TeclaRejilla(QKeyEvent* tecla);
    void ClicIzquierdo(QMouseEvent* evento, bool doble);
    void CambioDeFoco(QWidget* antes, QWidget* ahora);
    bool Contiene(const QWidget* w) const;
    int FilaMatriz(int fila) const;

    void keyPressEvent(QKeyEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseDoubleClickEvent(QMouseEvent* evento) override;
    void mouseMoveEvent(QMouseEvent* evento) override;
    bool edit(const QModelIndex& indice, EditTrigger disparo, QEvent* evento) override;
    void commitData(QWidget* editor) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint pista) override;
    void keyboardSearch(const QString& texto) override;
};
