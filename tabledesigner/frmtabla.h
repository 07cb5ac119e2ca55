#pragma once
// The table designer: one window per table being designed, for a new table
// or for an existing one of the current database. Several designers may be
// open at once, all named "frmTabla"; the opener keeps each in its element
// of Tablas, sets the public variables below before the window loads, shows
// it and gives it its caption.
//
// A designer keeps its whole design in its own arrays and controls: the
// column grid's array, the index table with the key columns of each index,
// and the relation table with the column pairs of each relation. Nothing
// reaches the server until the close saves it.
//
// The class spreads over files by concern: frmtabla.cpp (the window, its
// load and its close), frmtabla_carga.cpp (loading an existing table from
// the catalog), frmtabla_rejilla.cpp (the column grid), frmtabla_indices.cpp
// and frmtabla_relaciones.cpp (the index and relation editors),
// frmtabla_graba.cpp (the save), frmtabla_vinculos.cpp (the foreign-key
// cascade), frmtabla_claves.cpp (dropping the table's keys and defaults),
// frmtabla_idioma.cpp (captions).

#include "platform/datos.h"
#include "platform/formularios.h"
#include "platform/griddataarray.h"
#include "tabledesigner/diseno.h"
#include "tabledesigner/textosddl.h"

#include <QPointer>
#include <QSet>

#include <array>

class ControlPestanas;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class RejillaDatos;

class frmTabla : public Formulario {
    Q_OBJECT
public:
    frmTabla();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(720, 500); }

    // Set by the opener before the window loads; setting them does not load it.
    QString NombreTabla;       // the table to design; "" for a new table
    bool TablaSistema = false; // the explorer's list marks the table as a system table
    QString NodoSeleccionado;  // the explorer's list key of the table ("T" & n)
    // The table's owner as the explorer's row shows it; "" for a new table.
    // The design reads that owner's table alone, and its statements name the
    // table with its owner when that is not dbo.
    QString Propietario;

    // ---- Controls ----
    // The table.
    QLabel* lblNombre;
    QLineEdit* txtNombreTabla;
    QGroupBox* fraBaseDatos;
    QGroupBox* fraGrupo;
    QLabel* lblGrupo;
    QComboBox* cboGrupoArchivoDatos;
    // The pages: columns, keys and indexes, relations.
    ControlPestanas* SSTabIndicesRelaciones;
    // Columns.
    RejillaDatos* TDBGridTabla;
    QPushButton* cmdEliminarFila;
    // Indexes.
    QComboBox* cboIndices;
    QLabel* lblIndices;
    QGroupBox* fraIndices;
    QPushButton* cmdNuevoIndice;
    QPushButton* cmdEliminarIndice;
    QGroupBox* fraNombreIndice;
    QLabel* lblNombreIndice;
    QLineEdit* txtNombreIndice;
    QGroupBox* fraTipoIndice;
    QRadioButton* optClavePrimaria;
    QRadioButton* optIndice;
    QCheckBox* chkIndiceUnico;
    QCheckBox* chkAgrupado;
    QLabel* lblFillFactor;
    QLineEdit* txtFillFactor;
    QGroupBox* Frame2;
    QLabel* Label3;
    QComboBox* cboGrupoArchivoIndices;
    QLabel* lblClavesPrincipales;
    RejillaDatos* TDBGridIndices;
    // Relations.
    QComboBox* cboRelaciones;
    QLabel* lblRelaciones;
    QGroupBox* fraRelaciones;
    QPushButton* cmdNuevaRelacion;
    QPushButton* cmdEliminarRelacion;
    QGroupBox* fraNombreRelacion;
    QLabel* lblNombreRelacion;
    QLineEdit* txtNombreRelacion;
    QLabel* lblExterna;
    QComboBox* cboExterna;
    QLabel* lblClavesExterna;
    RejillaDatos* TDBGridRelaciones;

    // ---- The design ----
    QString BaseDatos;           // the database of the design, from NombreNodo at load
    QString IdTabla;             // the table's object id; "" for a new table
    QString NombreTablaInicial;  // the name box at the end of loading an existing table
    bool Modificado = false;     // the design has changes to save
    // The collation of this designer's database, taken at load; the module's
    // Intercalacion is set from it when this designer saves or changes a column.
    QString IntercalacionBD;
    MatrizDispersa<QString, 1> NombreTablas{{200}};
    ArrayDatos ArrayCampos;
    MatrizDispersa<QString, 3> TablaIndices{{200, 100, 6}};
    MatrizDispersa<ArrayDatos, 2> ArrayIndices{{200, 100}};
    MatrizDispersa<QString, 2> TablaRelaciones{{200, 100}};
    MatrizDispersa<ArrayDatos, 2> ArrayRelaciones{{200, 100}};
    qint32 NumeroIndices = 0;
    qint32 NumeroRelaciones = 0;

    // Something failed while the table loaded: the design may miss part of
    // the table, so it is never saved (a save would drop what it misses).
    bool CargaIncompleta = false;

    // ---- Procedures ----
    // The loaders of an existing table (frmtabla_carga.cpp).
    void CapturaCampos_SQL(const QString& Tabla);
    void CapturaIndices_SQL(const QString& Tabla);
    void CapturaRelaciones_SQL(const QString& Tabla);
    void DimeGrupoFicheros();
    void CargaTablasExternas(QComboBox* Combo, const QString& Tabla);
    // Fills both filegroup lists from GruposFicheros.
    void CargaGrupoArchivos();
    // The save: true when the whole design reached the server; false after
    // it has reported a failure (the window then stays open).
    virtual bool ActualizaLaTabla();
    void PonIdioma();
    // The table's own foreign keys that use a column (every one for an
    // empty column) are dropped; and every DEFAULT constraint of the table
    // (frmtabla_claves.cpp). False after a reported failure.
    bool EliminaLosVinculos(const std::shared_ptr<datos::Connection>& Conexion, const QString& Tabla,
                            const QString& Campo);
    bool EliminaConstraint(const std::shared_ptr<datos::Connection>& Conexion, const QString& Tabla);

    // ---- The save and the foreign-key cascade (frmtabla_graba.cpp,
    // frmtabla_vinculos.cpp) ----
    void Elimina_Sino_Esta_SQL();
    // A column of the grid (rows 0..199) bears that name as it stands, in
    // any case.
    bool ExisteElCampo(const QString& Campo);
    void CambiaGrupoFicheros(const QString& Grupo);
    // The columns of other tables (and of this one) joined by foreign keys
    // to a column, one line each; "" for none.
    QString DetectaVinculos(const std::shared_ptr<datos::Connection>& cnn, const QString& NombreTablaOrigen,
                            const QString& NombreCampo, const QString& NombreInicial);
    // The cascade of a change of an existing column: the joined columns are
    // found, the user is asked (Mensaje) and, on Yes or without asking, the
    // keys are dropped, the columns altered to the new definition (Nueva:
    // the grid's row with the value being edited, or the save's row) and the
    // keys and indexes made again. From the grid (Mensaje) it runs in a
    // transaction of its own; from the save, inside the save's. False after
    // a reported failure (rolled back when it had its own transaction) and
    // when the user answers No.
    // Hecho, when given, tells whether the cascade altered anything.
    bool BuscaCambiaVinculos(const std::shared_ptr<datos::Connection>& cnn, const QString& NombreTablaOrigen,
                             const QString& NombreCampo, const QString& NombreInicial, bool Mensaje,
                             const DefinicionCampo& Nueva, bool* Hecho = nullptr);
    // The walk of the keys joined to a column of the table NombreTablaOrigen
    // of PropietarioOrigen (see frmtabla_vinculos.cpp). Every table it
    // reaches is read and changed as the table of its owner, as sp_fkeys
    // names it.
    bool CambiaVinculos(const std::shared_ptr<datos::Connection>& cnn, const QString& NombreTablaOrigen,
                        const QString& NombreCampo, const QString& NombreInicial, ListaSentencias& SQLIndice,
                        ListaSentencias& SQLRelacion, const DefinicionCampo& Nueva,
                        const QString& PropietarioOrigen);
    // Drops the indexes of the table of PropietarioTabla that hold a column,
    // keeping the statements that make them again.
    void BuscaCargaIndices(const QString& Tabla, const QString& Campo, ListaSentencias& ListaIndices,
                           const QString& Id, ListaSentencias& ListaVinculos, const QString& PropietarioTabla);
    void RelacionConOtrasTablas(const std::shared_ptr<datos::Connection>& Conexion, const QString& Tabla);
    // The columns the cascades of the running save or column change have
    // altered (any table's), in order.
    QList<ColumnaAlterada> AlteradasEnCascada;
    // The indexes of the table as loaded: name and kind (sysobjects xtype:
    // "PK", "UQ", or "" for a plain index); the save drops those the design
    // no longer holds.
    QList<QPair<QString, QString>> IndicesCargados;
    // The columns of the table as loaded, as the catalog names them (and as
    // the column grid's immediate renames leave them); the save drops only
    // those the design no longer holds: a column added since by another
    // hand is not this design's to drop.
    QStringList CamposCargados;

    // ---- The column grid (frmtabla_rejilla.cpp) ----
    // Rows of the column grid; the main window's Table menu calls them by
    // name on the active child window.
    Q_INVOKABLE void InsertarFila();
    Q_INVOKABLE void EliminarFila();
    // Removes array row Fila: the rows below move up, and a relation of
    // this table to the removed column of itself goes with it.
    void EliminaCampo(qint32 Fila);
    // An index (a relation, by this table's column) of the design lists the
    // column; compared in upper case, empty rows of the lists included.
    bool ExisteCampo_EnIndice(const QString& Campo);
    bool ExisteCampo_EnRelacion(const QString& Campo);
    // Locks the length, precision and scale columns by the current row's type.
    void GestionaBloqueoCeldas();
    void GestionaLongitudPrecisionEscala();
    // Checks the current row's cell of a grid column; false after a refusal
    // (the message shown, the corrected text in the cell, the cursor on it).
    bool CompruebaCelda(int ColIndex);
    // The grid's events.
    void TDBGridTabla_AfterColEdit(int ColIndex);
    void TDBGridTabla_BeforeColEdit(int ColIndex, int KeyAscii, int& Cancel);
    void TDBGridTabla_BeforeColUpdate(int ColIndex, const QString& OldValue, int& Cancel);
    void TDBGridTabla_BeforeRowColChange(int& Cancel);
    void TDBGridTabla_RowColChange(int LastRow, int LastCol);
    void TDBGridTabla_LostFocus();
    void TDBGridTabla_KeyDown(int& KeyCode, int Shift);
    void TDBGridTabla_KeyPress(int& KeyAscii);
    void TDBGridTabla_MouseDown(int Button, int Shift, int x, int y);
    void TDBGridTabla_ValueItemError(int ColIndex);
    void cmdEliminarFila_Click();
    void txtNombreTabla_KeyPress(short& KeyAscii);
    // The array row under the grid's cursor; -1 when there is none.
    int FilaCampoActual() const;
    // The current row's type code; while the type cell is being edited, the
    // code of the type name typed (the text itself when it names none).
    QString TipoFilaActual() const;
    // A named row without a type gets char, 10, 0, 0.
    void PonTipoPorDefecto();
    // Writes the checked cell of the current row. A column that exists in
    // the database changes on the server at once, as a stored edit does;
    // when that change fails the cell gets its old value back.
    void CorrigeCelda(int Columna, const QString& Texto);
    // ---- end of the column grid ----

    // ---- The index editor (frmtabla_indices.cpp) ----
    // The index or relation entry being deleted, for the re-packing.
    qint32 PosicionEliminada = 0;
    // Lists the named indexes (entries 0..99) in cboIndices, none selected,
    // and counts them into NumeroIndices.
    void CargaIndices();
    // The first index 0..99 named exactly Nombre: true with its Posicion;
    // else false with Posicion -1.
    bool ExisteIndice(const QString& Nombre, qint32& Posicion);
    // The name among the indexes of the other table slots (1..199): true
    // with the slot in Posicion; else false, Posicion unchanged.
    bool ExisteTodosIndice(const QString& Nombre, qint32& Posicion);
    // Closes the gap left by the index at PosicionEliminada (see
    // RecalculaGridRelaciones).
    void RecalculaGridIndices();
    // The current index already uses that column.
    bool EstaCampoEnIndices(const QString& Campo);
    // The key column drop-down: the table's columns the current index does
    // not use yet, in the column grid's order.
    void CargaValoresIndices();
    void cboIndices_Click();
    void cmdNuevoIndice_Click();
    void txtNombreIndice_KeyPress(short& KeyAscii);
    void txtNombreIndice_Validate(bool& Cancel);
    void optClavePrimaria_Click();
    void optIndice_Click();
    void chkIndiceUnico_Click();
    void chkAgrupado_Click();
    void txtFillFactor_KeyPress(short& KeyAscii);
    void txtFillFactor_Validate(bool& Cancel);
    void cboGrupoArchivoIndices_Click();
    void cboGrupoArchivoDatos_Click();
    void TDBGridIndices_ButtonClick(int ColIndex);
    void TDBGridIndices_ValueItemError(int ColIndex);
    // Commits the cell being edited and asks about an index without keys.
    void TDBGridIndices_LostFocus();
    void cmdEliminarIndice_Click();
    // Runs Validate when the focus leaves the box for another control of
    // the window; Cancel = true gives the focus back to the box.
    static void ConectaValidate(QLineEdit* Caja, std::function<void(bool& Cancel)> Validate);
    // Selects item k of a list and runs its click handler even when k was
    // already selected.
    static void SeleccionaElemento(QComboBox* Lista, int k, const std::function<void()>& Click);
    // Adds an item without selecting it (a list that was empty would select it).
    static void AgregaElemento(QComboBox* Lista, const QString& Texto);
    // Opens the drop-down of a grid cell whose list a button click has just
    // built.
    static void AbreLista(RejillaDatos* Rejilla, int ColIndex);
    // Gives the focus back to a control that refused to be left (a refused
    // Validate, a No to a grid's question), when it is in sight. Meanwhile the control the focus
    // had reached does not count as left: no Validate and no grid LostFocus
    // runs for it, so that two controls never hand a question back and forth.
    static void DevuelveFoco(QWidget* Control);
    static inline bool DevolviendoFoco = false;
    // Shared by the two editors: the message for an entry that is not in a
    // column's list (an emptied cell is no such entry), and the cell being
    // edited stored by moving away and back (false for a grid without rows).
    void FueraDeLista(RejillaDatos* rejilla, int ColIndex);
    bool ConfirmaCelda(RejillaDatos* rejilla);
    // ---- end of the index editor ----

    // ---- The relation editor (frmtabla_relaciones.cpp) ----
    // Lists the named relations (entries 0..99) in cboRelaciones, none
    // selected, and counts them into NumeroRelaciones.
    void CargaRelaciones();
    // Closes the gap left by the relation at PosicionEliminada: the later
    // entries move one place up and the last one is emptied. Counts and
    // lists nothing (CargaRelaciones does).
    void RecalculaGridRelaciones();
    // The first relation 0..99 named exactly Nombre: true with its Posicion;
    // else false with Posicion -1.
    bool ExisteRelacion(const QString& Nombre, qint32& Posicion);
    void cboRelaciones_Click();
    void cmdNuevaRelacion_Click();
    void txtNombreRelacion_KeyPress(short& KeyAscii);
    void txtNombreRelacion_Validate(bool& Cancel);
    // The drop-down of a pair's column: this table's columns (1) or the
    // referenced table's (2), which also writes the referenced table into
    // every pair of the relation.
    void TDBGridRelaciones_ButtonClick(int ColIndex);
    void TDBGridRelaciones_ValueItemError(int ColIndex);
    // Commits the cell being edited and asks about a half-filled pair.
    void TDBGridRelaciones_LostFocus();
    void TDBGridRelaciones_RowColChange(int LastRow, int LastCol);
    void cmdEliminarRelacion_Click();
    // The entries of a referenced-table list: each a table with its owner,
    // shown as NombreMostrado gives it (an entry added with a text alone is
    // the table of that name, of no owner).
    static void AgregaTablaExterna(QComboBox* Combo, const QString& Propietario, const QString& Tabla);
    static QString TablaExterna(const QComboBox* Combo, int Indice);
    static QString PropietarioExterna(const QComboBox* Combo, int Indice);
    // Selects the entry of that owner's table, adding it to the list when
    // the list lacks it (a key of the table to itself).
    static void SeleccionaTablaExterna(QComboBox* Combo, const QString& Propietario, const QString& Tabla);
    // ---- end of the relation editor ----

protected:
    void Form_Load() override;
    void Form_Activate() override;
    QWidget* ControlInicial() override;
    void Form_QueryUnload(int& Cancel) override;
    void Form_Unload(int& Cancel) override;

private:
    // The cascade's walk from a column of a table of an owner; origen is
    // the column the cascade started on and visitados holds the columns
    // already followed (each as frmtabla_vinculos.cpp writes a column).
    void CaminaVinculos(const std::shared_ptr<datos::Connection>& cnn, const QString& propietario,
                        const QString& tabla, const QString& campo, const QString& origen,
                        ListaSentencias& SQLIndice, ListaSentencias& SQLRelacion, const DefinicionCampo& Nueva,
                        QSet<QString>& visitados);
    void Detecta(const std::shared_ptr<datos::Connection>& cnn, const QString& propietario, const QString& tabla,
                 const QString& campo, const QString& origen, QString& lista, QSet<QString>& visitados);
    // Every open designer of a table the cascade altered shows the new type
    // and length of the columns.
    void MuestraAlteradas();
    // The definition the cascade and BuscaCargaIndices give a column now.
    DefinicionCampo definicionEnCurso_;
    void ConstruyeTabla();
    // Each concern wires the events of its own controls.
    void ConectaRejilla();
    void ConectaIndices();
    void ConectaRelaciones();
    QWidget* ConstruyePaginaCampos();
    QWidget* ConstruyePaginaIndices();
    QWidget* ConstruyePaginaRelaciones();
    // An element of ArrayIndices or ArrayRelaciones, created with its
    // bounds when it does not exist yet.
    static ArrayDatos& Creada(ArrayDatos& matriz, int columnas);
    // The index and relation controls that follow whether there is any.
    void HabilitaIndices();
    void HabilitaRelaciones();
    // Marks the rows before a save: a named row's "I" becomes "M", and an
    // empty state "I".
    void MarcaFilas();
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
