#pragma once
// The database properties window: a new database (BDNueva) or the
// properties of the database in NombreNodo, both read once when the window
// loads. A window already open is only brought forward and keeps the mode
// and the database it was loaded with.
//
// The window works on its own database (BaseDatos): the one it was loaded
// on, or the new name once a rename went through; the name box serves the
// rename and the name of a new database, always trimmed. Its filegroups are
// its own too (ArrayGrupos), so that a designer opened meanwhile on another
// database changes nothing here.
//
// Spread over files by concern: this one holds the window, its load,
// activation, OK and Cancel; frmpropiedadesbd_ficheros.cpp the file and
// filegroup grids and the CREATE DATABASE; frmpropiedadesbd_modifica.cpp the
// ALTER DATABASE; frmpropiedadesbd_elimina.cpp the removal of a file or a
// filegroup; frmpropiedadesbd_permisos.cpp the statement permissions;
// frmpropiedadesbd_opciones.cpp the options and the General data;
// frmpropiedadesbd_idioma.cpp the captions.

#include "database/ficherosbd.h"
#include "platform/controlpestanas.h"
#include "platform/formularios.h"
#include "platform/griddataarray.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class RejillaDatos;
struct FicheroBD;

class frmPropiedadesBD : public FormularioUnico<frmPropiedadesBD> {
    Q_OBJECT
public:
    frmPropiedadesBD();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(860, 460); }

    QGroupBox* Frame1;
    QLabel* lblNombre;
    QLineEdit* txtNombreBD;
    ControlPestanas* sstBaseDatos;
    // General tab.
    QGroupBox* Frame2;
    QLabel *lbEstado, *lbPropietario, *lbFecha, *lbTamaño, *lbEspacio, *lbUsuarios, *lbIntercalacion;
    QLabel *lblEstado, *lblPropietario, *lblFechaCreacion, *lblTamaño, *lblEspacio, *lblUsuarios, *lblIntercalacion;
    // Options tab.
    QGroupBox* fraRecuperacion;
    QLabel* Label1;
    QComboBox* cboModelo;
    QGroupBox* fraConfiguracion;
    QCheckBox *chkNULL, *chkCrearEstadisticas, *chkActEstadisticas, *chkCerrar, *chkIdenComillas, *chkPaginaRasgada,
        *chkReducir, *chkDesencadenadores;
    // Grids of tabs 2 to 5, and the delete button of tabs 2, 3 and 4.
    RejillaDatos* TDBGridGrupos;
    RejillaDatos* TDBGridArchivos;
    RejillaDatos* TDBGridTransacciones;
    RejillaDatos* TDBGridPermisos;
    QPushButton* cmdEliminarFila[3];
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;

    // Data files and log files: rows 0..200, columns 0..9 (ColumnaFichero).
    ArrayDatos ArrayArchivos;
    ArrayDatos ArrayTransacciones;
    // The window's own filegroups: rows 0..200, columns 0..4.
    ArrayDatos ArrayGrupos;
    // A folder button opened the picker and its answer is still to be taken.
    bool EsperaUbicacion = false;
    // The name in the name box when the window loaded.
    QString NombreOriginal;
    // The mode the window loaded in: True for a new database.
    bool EsNueva = false;
    // The database the window works on (existing mode).
    QString BaseDatos;
    // Statement permissions: one row per user (column 0 the name, 1 to 8 the
    // codes) and an empty last row.
    ArrayDatos ArrayPermisos;

    // Loads the users' statement permissions and binds their grid; leaves
    // the connection on this window's database.
    void CargaPermisos();
    // Sends the permission of a changed cell at once.
    void TDBGridPermisos_AfterColUpdate(short ColIndex);

    void CargaFicheros();
    bool CompruebaCeldaArchivos(short ColIndex);
    bool CompruebaCeldaTransacciones(short ColIndex);
    bool Crea_BD();
    bool ExisteGrupoFichero(const QString& Nombre);
    // Adds the new filegroups and files and sets the size, growth and limit
    // of the existing files; false at the first failure (reported).
    bool Modifica_BD();
    // Writes the nine options; false at the first failure (reported).
    bool GrabaOpciones();
    void PonOpciones();
    void DatosGenerales();
    void PonIdioma();
    // The eight option boxes in the order the options are read and written.
    QList<QCheckBox*> CasillasOpciones() const;


public slots:
    void cmdAceptar_Click();
    // Removes the file or filegroup under the cursor of the current tab.
    void cmdEliminarFila_Click(int Index);
    void cmdCancelar_Click();

protected:
    void Form_Load() override;
    void Form_Activate() override;

private:
    void CreaControles();
    QWidget* PaginaGeneral();
    QWidget* PaginaOpciones();
    QWidget* PaginaRejilla(RejillaDatos* rejilla, QPushButton* eliminar);
    void PreparaRejillaFicheros(RejillaDatos* g, bool registro);
    void ConectaRejillaFicheros(RejillaDatos* g, bool registro);
    void ConectaRejillaGrupos();
    void ConectaRejillaPermisos();
    // Reloads the filegroups from the server and shows them from the top.
    void RecargaGrupos();
    // New mode: empties the row under the cursor of the current tab's grid.
    void VaciaFila();

    bool CompruebaCelda(RejillaDatos* g, bool registro, short ColIndex);
    void BeforeColEdit(RejillaDatos* g, bool registro, int ColIndex, int& Cancel);
    void BeforeColUpdate(RejillaDatos* g, bool registro, int ColIndex, int& Cancel);
    void AfterColUpdate(RejillaDatos* g, int ColIndex);
    void KeyPressFicheros(RejillaDatos* g, bool registro, int& KeyAscii);
    void ButtonClick(RejillaDatos* g, int ColIndex);
    void TomaUbicacion();
    QList<FicheroBD> LeeFicheros(const ArrayDatos& a, bool registro);
    // The name that statements and lookups use.
    QString NombreBD() const;
    // Executes an ALTER DATABASE without the command time-out.
    void EjecutaSinEspera(const QString& sql);
    // True when the users may be counted: the window's own USE went through.
    bool UsoPropio_ = false;
    // A permission cell's code before the change in course.
    QString permisoAnterior_;

    // Where the folder asked for goes: the grid and array row whose button
    // was pressed.
    RejillaDatos* rejillaUbicacion_ = nullptr;
    int filaUbicacion_ = -1;
};
