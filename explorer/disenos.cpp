#include "explorer/disenos.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/frmadministrador.h"
#include "explorer/frmprocedimiento.h"
#include "explorer/frmvista.h"
#include "platform/listaelementos.h"
#include "security/frminiciosesion.h"
#include "security/frmusuario.h"
#include "tabledesigner/frmtabla.h"

namespace {

// The item selected in the explorer's list; fails (91) when the explorer is
// not open or nothing is selected.
ElementoLista ElementoSeleccionado() {
    frmAdministrador* explorador = frmAdministrador::SiExiste();
    if (!explorador) FallaNumero(errnum::ObjetoNoEstablecido);
    const ElementoLista elemento = explorador->ltvTablas->SelectedItem();
    if (elemento.EsNada()) FallaNumero(errnum::ObjetoNoEstablecido);
    return elemento;
}

// The system mark of the tables list, in either language.
bool EsMarcaSistema(const QString& marca) {
    return marca == QLatin1String("Sistema") || marca == QLatin1String("Sistem");
}

}  // namespace

void DiseñoTabla() {
    Atrapa("DiseñoTabla", [&] {
        const ElementoLista elemento = ElementoSeleccionado();
        const QString clave = elemento.Key();
        // The slot is checked before any window is made: a table listed
        // beyond the last slot opens nothing.
        QPointer<frmTabla>& ranura = Tablas(CInt(clave.mid(1)));
        auto* diseñador = new frmTabla();
        ranura = diseñador;
        diseñador->NodoSeleccionado = clave;
        diseñador->NombreTabla = elemento.Text();
        // The row's owner: another owner's table of that name is not this one.
        diseñador->Propietario = elemento.SubItems(1);
        diseñador->TablaSistema = EsMarcaSistema(elemento.SubItems(2));
        MuestraFormulario(diseñador);
        diseñador->Caption(QStringLiteral("Tabla [") + elemento.Text() + u']');
    });
}

void DiseñoVista() {
    Atrapa("DiseñoVista", [&] {
        const ElementoLista elemento = ElementoSeleccionado();
        frmVista* editor = frmVista::Instancia();
        MuestraFormulario(editor);
        editor->Propietario = elemento.SubItems(1);
        editor->CapturaVistas_SQL(elemento.Text());
    });
}

void DiseñoProcedimiento() {
    Atrapa("DiseñoProcedimiento", [&] {
        const ElementoLista elemento = ElementoSeleccionado();
        frmProcedimiento* editor = frmProcedimiento::Instancia();
        MuestraFormulario(editor);
        editor->Propietario = elemento.SubItems(1);
        editor->CapturaProcedimiento_SQL(elemento.Text());
    });
}

void DiseñoUsuario() {
    Atrapa("DiseñoUsuario", [&] {
        NombreObjeto = ElementoSeleccionado().Text();
        MuestraFormulario(frmUsuario::ParaObjeto());
    });
}

void DiseñoInicioSesion() {
    Atrapa("DiseñoInicioSesion", [&] {
        NombreObjeto = ElementoSeleccionado().Text();
        MuestraFormulario(frmInicioSesion::ParaObjeto());
    });
}
