#pragma once
// The explorer: the server's tree on the left (server, databases with their
// tables, views, stored procedures and users folders, security with the
// logins), the objects of the selected folder in a list on the right, and a
// label with their count. Its list procedures are the refresh operations
// that the editors call after they have changed the server.
//
// Tree keys: "S" server, "B" databases folder, "BD" & database, "DT", "DV",
// "DP", "DU" & database (its tables, views, stored procedures and users
// folders), "SG" security folder, "DI" logins folder.
// List keys: "T" & n and "P" & n for a table and a stored procedure (n the
// row's position counted from 0), "V" & owner "." & name for a view (owner
// and name as the server reads them, so two owners' views of one name are
// two items), "U" & name for a user, "I" & name for a login.

#include "platform/formularios.h"
#include "platform/listaimagenes.h"

class ArbolNodos;
class ListaElementos;
class Nodo;
class QLabel;
class QSplitter;

class frmAdministrador : public FormularioUnico<frmAdministrador> {
    Q_OBJECT
public:
    frmAdministrador();

    ArbolNodos* trvBD;
    ListaElementos* ltvTablas;
    QLabel* lblDetalle;
    ListaImagenes ImageList1;

    // The list procedures. MuestraTablas, MuestraProcedimientos and
    // MuestraVistas read the database from PrefijoBD, which the caller sets
    // first; their argument is accepted and not used.
    void Muestra_InicioSesion();
    void MuestraTablas(const QString& BaseDatos);
    void MuestraProcedimientos(const QString& BaseDatos);
    void MuestraVistas();
    void MuestraUsuarios(const QString& BaseDatos);
    // Switches the database menu's items for a node or list item key.
    void GestionMenu(const QString& Clave);
    void PonIdioma();

    // The size the window opens with in the main window.
    QSize sizeHint() const override { return QSize(780, 470); }

public slots:
    void trvBD_Click();
    void trvBD_MouseDown(int Button, int Shift, int x, int y);
    void ltvTablas_MouseDown(int Button, int Shift, int x, int y);

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(int& Cancel) override;

private:
    // Fills the list for a folder node (setting PrefijoBD first), or empties
    // it for any other node or for none.
    void ListaNodo(const Nodo& nodo);
    // The common body of the tables, procedures and views lists.
    void ListaObjetos(QChar letra, const QString& sql, const QString& palabraEs, const QString& palabraEn,
                      bool vistas);

    QSplitter* divisor_;
    bool activando_ = false;
};
