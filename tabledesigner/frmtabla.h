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
// the catalog), frmtabla_claves.cpp (dropping the table's keys and
// defaults), frmtabla_idioma.cpp (captions).

#include "platform/datos.h"
#include "platform/formularios.h"
#include "platform/griddataarray.h"
#include "tabledesigner/diseno.h"

#include <QPointer>

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
    MatrizDispersa<QString, 3> TablaIndices{{200, 100, 5}};
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

    // Rows of the column grid; the main window's Table menu calls them by
    // name on the active child window.
    Q_INVOKABLE void InsertarFila();
    Q_INVOKABLE void EliminarFila();

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_QueryUnload(int& Cancel) override;
    void Form_Unload(int& Cancel) override;

private:
    void ConstruyeTabla();
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
