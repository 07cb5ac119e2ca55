#pragma once
// The restore window: the database to restore into (the one in NombreNodo
// when the window loads is selected) and a backup file, picked in the drive,
// folder and file lists of this computer and read by the server under the
// same path on its own side.
//
// A click on a file has the server check the newest backup set in it and
// list that set's database files in the grid, where each may be given a new
// physical name. Restore stays off until a file was read, and goes off again
// when a later file cannot be read; it restores the file whose list is shown
// (Ficheros, NumFicheros), wherever the lists have moved since. The
// statements that read or restore a backup run without the command
// time-out.

#include "platform/formularios.h"
#include "platform/griddataarray.h"

class ListaCarpetas;
class ListaFicheros;
class ListaUnidades;
class QComboBox;
class QGroupBox;
class QPushButton;
class RejillaDatos;

class frmRestaurarCopia : public FormularioUnico<frmRestaurarCopia> {
    Q_OBJECT
public:
    frmRestaurarCopia();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(520, 520); }

    QGroupBox* fraBaseDatos;
    QComboBox* cboBD;
    QGroupBox* fraOrigen;
    ListaUnidades* DriveUbicacion;
    ListaCarpetas* DirUbicacion;
    ListaFicheros* FileUbicacion;
    QGroupBox* Frame13;
    RejillaDatos* TDBGridFicheros;
    QPushButton* cmdAceptar;
    QPushButton* cmdCancelar;

    // The database files of the backup set read last: logical name, physical
    // name (the user may change it); NumFicheros of them, 0 when none.
    ArrayDatos Ficheros;
    int NumFicheros = 0;
    // The full path of the file whose list is shown ("" when none) and the
    // number of its set that was read.
    QString RutaLeida;
    int JuegoLeido = 0;

    // Fills the database list from the server and selects NombreNodo's database.
    void CargaBD();
    void PonIdioma();

public slots:
    void DriveUbicacion_Change();
    void DirUbicacion_Change();
    void FileUbicacion_Click();
    void cmdAceptar_Click();
    void cmdCancelar_Click();

public:
    void TDBGridFicheros_KeyPress(int& KeyAscii);

protected:
    void Form_Load() override;
    void Form_Activate() override;

private:
    // Reads the backup file at ruta into the grid; fails as the server does.
    void LeeFichero(const QString& ruta);
    // No file read: the list empty and Restore off.
    void OlvidaFichero();
};
