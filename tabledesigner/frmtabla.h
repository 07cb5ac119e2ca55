#pragma once
// The table designer: one window per table being designed, for a new table
// or for an existing one of the current database. Several designers may be
// open at once, all named "frmTabla"; the opener keeps each in its element
// of Tablas, sets the public variables below before the window loads, shows
// it and gives it its caption.
//
// What the window holds so far is the table's name box; the columns,
// indexes and relations, and the save, are built on this class.

#include "platform/formularios.h"

#include <QPointer>

#include <array>

class QLabel;
class QLineEdit;

class frmTabla : public Formulario {
    Q_OBJECT
public:
    frmTabla();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(640, 420); }

    // Set by the opener before the window loads; setting them does not load it.
    QString NombreTabla;       // the table to design; "" for a new table
    bool TablaSistema = false; // the explorer's list marks the table as a system table
    QString NodoSeleccionado;  // the explorer's list key of the table ("T" & n)

    QLabel* lblNombre;
    QLineEdit* txtNombreTabla;

    // The database of the design, taken from NombreNodo when the window loads.
    QString BaseDatos;

    // Rows of the column grid; the main window's Table menu calls them by
    // name on the active child window. The column grid is not built yet, so
    // there is no row for them to insert or delete.
    Q_INVOKABLE void InsertarFila();
    Q_INVOKABLE void EliminarFila();

protected:
    void Form_Load() override;
};

// The designer windows by slot: element n holds the designer of the table
// listed under the key "T" & n, and element 0 also the designer of a new
// table. Putting a new designer into an element only replaces the reference:
// a designer that was there stays open.
class ArrayTablas {
public:
    static constexpr int Ultimo = 200;
    // Element n; a subscript outside 0 to 200 fails (9).
    QPointer<frmTabla>& operator()(int n);

private:
    std::array<QPointer<frmTabla>, Ultimo + 1> elementos_;
};
extern ArrayTablas Tablas;
