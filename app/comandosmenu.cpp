// The main window's commands that open an editor: the database menu (also
// the explorer's pop-up menu) and the table menu. A command copies what it
// needs of the explorer's selection into the shared context (NombreNodo,
// NombreObjeto, BDNueva, TablaNueva), creates the window and shows it
// modeless; the window reads the context when it loads.

#include "app/mdiprincipal.h"

#include "common/funciones.h"
#include "database/frmcopiaseguridad.h"
#include "database/frmpropiedadesbd.h"
#include "database/frmrestaurarcopia.h"
#include "explorer/consolasql.h"
#include "explorer/disenos.h"
#include "explorer/frmadministrador.h"
#include "explorer/frmprocedimiento.h"
#include "explorer/frmvista.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"
#include "security/frminiciosesion.h"
#include "security/frmusuario.h"
#include "tabledesigner/frmtabla.h"

#include <QAction>
#include <QMetaObject>

namespace {

// The explorer, the only source of context; fails (91) when it is not open.
frmAdministrador* Explorador() {
    frmAdministrador* explorador = frmAdministrador::SiExiste();
    if (!explorador) FallaNumero(errnum::ObjetoNoEstablecido);
    return explorador;
}

// The node selected in the explorer's tree; an empty handle when none is
// (any use of it then fails).
Nodo NodoSeleccionado() { return Explorador()->trvBD->SelectedItem(); }

// The database of the selected node, as the catalog names it: a database
// node's own, else (a folder of a database) its parent's.
QString BaseDelNodo() {
    const Nodo nodo = NodoSeleccionado();
    return nodo.Key().startsWith(u'B') ? BaseDatosDelNodo(nodo) : BaseDatosDelPadre(nodo);
}

// Calls a procedure without arguments on the active child window, found by
// its name when the command runs; fails (438) when the active window has no
// such procedure or no child window is active.
void LlamaEnHijaActiva(const char* procedimiento) {
    AnfitrionHijas* anfitrion = ventanas::Anfitrion();
    Formulario* hija = anfitrion ? anfitrion->HijaActiva() : nullptr;
    const QByteArray firma = QByteArray(procedimiento) + "()";
    if (!hija || hija->metaObject()->indexOfMethod(firma.constData()) < 0)
        FallaNumero(errnum::MetodoNoAdmitido);
    QMetaObject::invokeMethod(hija, procedimiento, Qt::DirectConnection);
}

}  // namespace

void mdiPrincipal::ConectaComandosEditores() {
    connect(mnuNuevaBD, &QAction::triggered, this, &mdiPrincipal::mnuNuevaBD_Click);
    connect(mnuPropiedadesBD, &QAction::triggered, this, &mdiPrincipal::mnuPropiedadesBD_Click);
    connect(mnuCopiaSeguridad, &QAction::triggered, this, &mdiPrincipal::mnuCopiaSeguridad_Click);
    connect(mnuRestaurarCopia, &QAction::triggered, this, &mdiPrincipal::mnuRestaurarCopia_Click);
    connect(mnuAñadirTabla, &QAction::triggered, this, &mdiPrincipal::mnuAñadirTabla_Click);
    connect(mnuAñadirVista, &QAction::triggered, this, &mdiPrincipal::mnuAñadirVista_Click);
    connect(mnuAñadirProcedimiento, &QAction::triggered, this, &mdiPrincipal::mnuAñadirProcedimiento_Click);
    connect(mnuAñadirInicioSesion, &QAction::triggered, this, &mdiPrincipal::mnuAñadirInicioSesion_Click);
    connect(mnuAñadirUsuario, &QAction::triggered, this, &mdiPrincipal::mnuAñadirUsuario_Click);
    connect(mnuDiseño, &QAction::triggered, this, &mdiPrincipal::mnuDiseño_Click);
    connect(mnuInsertarFila, &QAction::triggered, this, &mdiPrincipal::mnuInsertarFila_Click);
    connect(mnuEliminarFila, &QAction::triggered, this, &mdiPrincipal::mnuEliminarFila_Click);
}

// ---- Databases ----

void mdiPrincipal::mnuNuevaBD_Click() {
    Atrapa("mnuNuevaBD_Click", [&] {
        BDNueva = true;
        frmPropiedadesBD::Instancia()->Show();
    });
}

void mdiPrincipal::mnuPropiedadesBD_Click() {
    Atrapa("mnuPropiedadesBD_Click", [&] {
        BDNueva = false;
        NombreNodo = BaseDatosDelNodo(NodoSeleccionado());
        frmPropiedadesBD::Instancia()->Show();
    });
}

void mdiPrincipal::mnuCopiaSeguridad_Click() {
    Atrapa("mnuCopiaSeguridad_Click", [&] {
        NombreNodo = BaseDatosDelNodo(NodoSeleccionado());
        frmCopiaSeguridad::Instancia()->Show();
    });
}

void mdiPrincipal::mnuRestaurarCopia_Click() {
    Atrapa("mnuRestaurarCopia_Click", [&] {
        NombreNodo = BaseDatosDelNodo(NodoSeleccionado());
        frmRestaurarCopia::Instancia()->Show();
    });
}

// ---- New objects ----

void mdiPrincipal::mnuAñadirTabla_Click() {
    Atrapa("mnuAñadirTabla_Click", [&] {
        TablaNueva = true;
        NombreNodo = BaseDelNodo();
        CapturaGruposFicheros_SQL();
        // A new table's designer takes element 0; one that was there stays open.
        QPointer<frmTabla>& ranura = Tablas(0);
        auto* diseñador = new frmTabla();
        ranura = diseñador;
        diseñador->NombreTabla = QString();
        MuestraFormulario(diseñador);
        diseñador->Caption(QStringLiteral("Tabla [Nueva]"));
    });
}

void mdiPrincipal::mnuAñadirVista_Click() {
    Atrapa("mnuAñadirVista_Click", [&] {
        // Also offered on a database node: that node is the database.
        NombreNodo = BaseDelNodo();
        MuestraFormulario(frmVista::Instancia());
    });
}

void mdiPrincipal::mnuAñadirProcedimiento_Click() {
    Atrapa("mnuAñadirProcedimiento_Click", [&] {
        NombreNodo = BaseDatosDelPadre(NodoSeleccionado());
        MuestraFormulario(frmProcedimiento::Instancia());
    });
}

void mdiPrincipal::mnuAñadirInicioSesion_Click() {
    Atrapa("mnuAñadirInicioSesion_Click", [&] {
        NombreObjeto = QString();
        NombreNodo = BaseDatosDelPadre(NodoSeleccionado());
        MuestraFormulario(frmInicioSesion::ParaObjeto());
    });
}

void mdiPrincipal::mnuAñadirUsuario_Click() {
    Atrapa("mnuAñadirUsuario_Click", [&] {
        NombreObjeto = QString();
        NombreNodo = BaseDatosDelPadre(NodoSeleccionado());
        MuestraFormulario(frmUsuario::ParaObjeto());
    });
}

// ---- The selected object ----

void mdiPrincipal::mnuDiseño_Click() {
    Atrapa("mnuDiseño_Click", [&] {
        NombreNodo = BaseDatosDelPadre(NodoSeleccionado());
        const ElementoLista elemento = Explorador()->ltvTablas->SelectedItem();
        const QString clave = elemento.Key();
        const QChar letra = clave.isEmpty() ? QChar() : clave.at(0);
        if (letra == u'T') {
            CapturaGruposFicheros_SQL();
            TablaNueva = false;
            DiseñoTabla();
        } else if (letra == u'V') {
            DiseñoVista();
        } else if (letra == u'P') {
            DiseñoProcedimiento();
        } else if (letra == u'I') {
            NombreObjeto = elemento.Text();
            DiseñoInicioSesion();
        } else if (letra == u'U') {
            NombreObjeto = elemento.Text();
            DiseñoUsuario();
        }
    });
}

// ---- The table menu, on the active designer ----

void mdiPrincipal::mnuInsertarFila_Click() {
    Atrapa("mnuInsertarFila_Click", [&] { LlamaEnHijaActiva("InsertarFila"); });
}

void mdiPrincipal::mnuEliminarFila_Click() {
    Atrapa("mnuEliminarFila_Click", [&] { LlamaEnHijaActiva("EliminarFila"); });
}
