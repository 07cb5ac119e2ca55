// The designer's captions in the user's language, set on every activation.

#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "platform/controlpestanas.h"
#include "platform/rejilladatos.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void frmTabla::PonIdioma() {
    Atrapa("PonIdioma", [&] {
        if (Idioma != 0 && Idioma != 1) return;
        const bool es = Idioma == 0;
        auto texto = [es](const char* espanol, const char* ingles) {
            return QString::fromUtf8(es ? espanol : ingles);
        };
        // The caption follows the name box: a new table shows what has been typed so far.
        Caption(texto("Tabla [", "Table [") + BaseDatos + u'.' + txtNombreTabla->text() + u']');
        SSTabIndicesRelaciones->TabCaption(0, texto("Campos", "Fields"));
        SSTabIndicesRelaciones->TabCaption(1, texto("Claves e índices", "Keys and Indexes"));
        SSTabIndicesRelaciones->TabCaption(2, texto("Relaciones", "Relations"));
        lblNombre->setText(texto("Nombre:", "Name:"));
        const char* columnas[][2] = {{"Estado", "State"},
                                     {"Nombre de Campo", "Field Name"},
                                     {"Tipo de dato", "Data Type"},
                                     {"Longitud", "Length "},
                                     {"Precisión", "Precision"},
                                     {"Escala", "Scale"},
                                     {"Valor Nulo", "Null Value"},
                                     {"Valor Predeterminado", "Default Value"}};
        for (int k = 0; k < 8; ++k) TDBGridTabla->Columns(k).Caption(texto(columnas[k][0], columnas[k][1]));
        lblNombreIndice->setText(texto("Nombre Indice:", "Index Name:"));
        cmdNuevoIndice->setText(texto("&Numevo", "&New"));
        cmdEliminarIndice->setText(texto("&Eliminar", "&Delete"));
        lblIndices->setText(texto("Indice Seleccionado:", "Delected Index:"));
        fraTipoIndice->setTitle(texto(" Tipo ", " Type "));
        optClavePrimaria->setText(texto("Clave Principal", "Primary Key"));
        optIndice->setText(texto("Indice", "Index"));
        chkIndiceUnico->setText(texto("Indice Unico", "Unique Index"));
        chkAgrupado->setText(texto("Indice Agrupado", "Clustered Index"));
        fraGrupo->setTitle(texto(" Grupo de archivos de indices  ", " Group Files Index  "));
        TDBGridIndices->Columns(0).Caption(texto("Estado", "State"));
        TDBGridIndices->Columns(1).Caption(texto("Nombre de Campo", "Field Name"));
        lblNombreRelacion->setText(texto("Nombre Relación:", "Relacition Name:"));
        cmdNuevaRelacion->setText(texto("&Nueva", "&New"));
        cmdEliminarRelacion->setText(texto("&Eliminar", "&Delete"));
        lblRelaciones->setText(texto("Relación Seleccionada:", "Selected Relation:"));
        lblExterna->setText(texto("Tabla externa:", "Foreing Table:"));
        lblClavesPrincipales->setText(texto("Claves Principales", "Principals Keys"));
        lblClavesExterna->setText(texto("Claves Expternas", "ForeingKey"));
        lblFillFactor->setText(texto("Factor Relleno:", "Fill Factor:"));
        lblGrupo->setText(texto("Grupo de archivo de datos:", "Group Files data:"));
    });
}
