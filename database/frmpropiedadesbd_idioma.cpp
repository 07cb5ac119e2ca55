// The database window's captions in the two languages.

#include "database/frmpropiedadesbd.h"

#include "common/funciones.h"
#include "platform/controlpestanas.h"
#include "platform/rejilladatos.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

void frmPropiedadesBD::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        auto texto = [es](const char* espanol, const char* ingles) { return QString::fromUtf8(es ? espanol : ingles); };
        setWindowTitle(texto("Propiedades BD", "Properties DB"));
        lblNombre->setText(texto("Nombre BD:", "DB Name:"));
        cmdAceptar->setText(texto("&Aceptar", "&Accept"));
        cmdCancelar->setText(texto("&Cancelar", "&Cancel"));
        lbEstado->setText(texto("Estado:", "Status:"));
        lbPropietario->setText(texto("Propietario:", "Owner:"));
        lbFecha->setText(texto("Fecha creación:", "Create date:"));
        lbTamaño->setText(texto("Tamaño:", "Size:"));
        lbEspacio->setText(texto("Espacio disponible:", "Available space:"));
        lbUsuarios->setText(texto("Número usuarios:", "Number Users:"));
        lbIntercalacion->setText(texto("Nombre de Intercalación:", "Collate name:"));
        TDBGridArchivos->Caption(texto("Archivos de la Base de datos", "Database files"));
        TDBGridTransacciones->Caption(texto("Archivos del registro de transacciones", "Transactions record files"));
        const char* columnas[][2] = {{"Nombre Archivo", "File name"},
                                     {"Ubicación", "Path"},
                                     {"Tamaño Inicial (MB)", "Initial size (MB)"},
                                     {"Grupo de Archivos", "Files Group"},
                                     {"Crecimiento Automatico", "Automatic growth"},
                                     {"Crecimiento de archivo", "Growth of file"},
                                     {"Cantidad Crecimiento (MB)", "Quantity Growth (MB)"},
                                     {"Limitar Crecimiento", "Growth limit"},
                                     {"Cantidad Max. (MB)", "Quantity Max. (MB)"}};
        for (int k = 0; k < 9; ++k) {
            for (RejillaDatos* g : {TDBGridArchivos, TDBGridTransacciones}) {
                g->Columns(k).Caption(texto(columnas[k][0], columnas[k][1]));
                // Wide enough for its header.
                const int ancho = g->fontMetrics().horizontalAdvance(g->Columns(k).Caption()) + 16;
                if (g->Columns(k).Width() < ancho) g->Columns(k).Width(ancho);
            }
        }
        const char* pestañas[][2] = {{"General", "General"},
                                     {"Opciones", "Opcions"},
                                     {"Grupo archivos", "Files Group"},
                                     {"Archivo Datos", "Data Files"},
                                     {"Reg Transacciones", "Transaction Reg."},
                                     {"Permisos", "Grants"}};
        for (int i = 0; i < 6; ++i) sstBaseDatos->TabCaption(i, texto(pestañas[i][0], pestañas[i][1]));
        const char* grupos[][2] = {
            {"Nombre", "Name"}, {"Nº Archivos", "Files number"}, {"Solo Lectura", "Read only"},
            {"Predeterminado", "Default"}};
        for (int k = 0; k < 4; ++k) TDBGridGrupos->Columns(k).Caption(texto(grupos[k][0], grupos[k][1]));
        for (QPushButton* b : cmdEliminarFila) b->setText(texto("Eliminar", "Delete"));
        TDBGridPermisos->Columns(0).Caption(texto("Usuario", "User"));
        chkNULL->setText(texto("NULL_ANSI Predeterminado", "NULL_ANSI default"));
        chkDesencadenadores->setText(texto("Desencadenadores Recursivos", "Recursive Triggers"));
        chkActEstadisticas->setText(texto("Actualizar estadisticas automaticamente", "Auto update statistics"));
        chkPaginaRasgada->setText(texto("Detección página rasgada", "Torn page detection"));
        chkCerrar->setText(texto("Cerrar Automaticamente", "Auto close"));
        chkReducir->setText(texto("Reducir automaticamente", "Auto Shrink"));
        chkCrearEstadisticas->setText(texto("Crear estadisticas automaticamente", "Auto create statistics"));
        chkIdenComillas->setText(texto("Utilizar identificadores entre comillas", "Quoted identifier"));
        fraRecuperacion->setTitle(texto(" Recuperacion ", " Recuperation "));
        fraConfiguracion->setTitle(texto(" Configuracion ", " Configuration "));
    });
}
