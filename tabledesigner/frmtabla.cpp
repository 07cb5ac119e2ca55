#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/controlpestanas.h"
#include "platform/rejilladatos.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/textosddl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

ArrayTablas Tablas;

QPointer<frmTabla>& ArrayTablas::operator()(int n) {
    if (n < 0 || n > Ultimo) FallaNumero(errnum::FueraDeIntervalo);
    return elementos_[static_cast<size_t>(n)];
}

namespace {

template <class W>
W* Control(W* w, const char* nombre) {
    w->setObjectName(QString::fromLatin1(nombre));
    return w;
}

// Bounds of the arrays a design is made of.
constexpr int kUltimaFila = 200;
constexpr int kUltimaColumnaCampos = 10;
constexpr int kUltimaColumnaIndices = 2;
constexpr int kUltimaColumnaRelaciones = 4;

ArrayDatos NuevoArray(int ultimaColumna) {
    auto a = std::make_shared<GridDataArray>();
    a->Redimensiona(0, kUltimaFila, 0, ultimaColumna);
    return a;
}

}  // namespace

frmTabla::frmTabla() : Formulario(QStringLiteral("frmTabla"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Tabla"));
    ConstruyeTabla();
    ConectaRejilla();
    ConectaIndices();
    ConectaRelaciones();
    resize(sizeHint());
}

void frmTabla::ConstruyeTabla() {
    auto* capa = new QVBoxLayout(this);

    fraBaseDatos = Control(new QGroupBox(this), "fraBaseDatos");
    auto* arriba = new QGridLayout(fraBaseDatos);
    lblNombre = Control(new QLabel(QStringLiteral("Nombre:"), fraBaseDatos), "lblNombre");
    txtNombreTabla = Control(new QLineEdit(fraBaseDatos), "txtNombreTabla");
    txtNombreTabla->setMinimumWidth(240);
    lblGrupo = Control(new QLabel(QStringLiteral("Grupo de archivo de datos:"), fraBaseDatos), "lblGrupo");
    cboGrupoArchivoDatos = Control(new QComboBox(fraBaseDatos), "cboGrupoArchivoDatos");
    cboGrupoArchivoDatos->setMinimumWidth(160);
    arriba->addWidget(lblNombre, 0, 0);
    arriba->addWidget(txtNombreTabla, 0, 1);
    arriba->addWidget(lblGrupo, 0, 2);
    arriba->addWidget(cboGrupoArchivoDatos, 0, 3);
    arriba->setColumnStretch(1, 1);
    capa->addWidget(fraBaseDatos);

    SSTabIndicesRelaciones = Control(new ControlPestanas(this), "SSTabIndicesRelaciones");
    SSTabIndicesRelaciones->addTab(ConstruyePaginaCampos(), QStringLiteral("Campos"));
    SSTabIndicesRelaciones->addTab(ConstruyePaginaIndices(), QStringLiteral("Claves e índices"));
    SSTabIndicesRelaciones->addTab(ConstruyePaginaRelaciones(), QStringLiteral("Relaciones"));
    capa->addWidget(SSTabIndicesRelaciones, 1);
}

QWidget* frmTabla::ConstruyePaginaCampos() {
    auto* pagina = new QWidget;
    auto* capa = new QVBoxLayout(pagina);
    TDBGridTabla = Control(new RejillaDatos(8, pagina), "TDBGridTabla");
    const char* titulos[] = {"Estado", "Nombre de Campo", "Tipo de dato", "Longitud", "Precisión",
                             "Escala", "Valor Nulo", "Valor Predeterminado"};
    for (int k = 0; k < 8; ++k) TDBGridTabla->Columns(k).Caption(QString::fromUtf8(titulos[k]));
    // The row state is the design's own bookkeeping.
    TDBGridTabla->Columns(EstadoCampo).Visible(false);
    TDBGridTabla->Columns(ValorNulo).CasillaVerificacion(true);
    // The type cell stores the type's code and shows its name.
    for (const TipoColumna& tipo : TiposColumna()) TDBGridTabla->Columns(TipoDato).ValueItems().Add(tipo.Codigo, tipo.Nombre);
    const std::pair<int, int> anchos[] = {{NombreCampo, 160}, {TipoDato, 120}, {Longitud, 70}, {Precision, 70},
                                          {Escala, 60},       {ValorNulo, 75}, {ValorPredeterminado, 150}};
    for (const auto& [columna, ancho] : anchos) TDBGridTabla->Columns(columna).Width(ancho);
    cmdEliminarFila = Control(new QPushButton(QStringLiteral("Eliminar fila"), pagina), "cmdEliminarFila");
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdEliminarFila);
    capa->addWidget(TDBGridTabla, 1);
    capa->addLayout(botones);
    return pagina;
}

QWidget* frmTabla::ConstruyePaginaIndices() {
    auto* pagina = new QWidget;
    auto* capa = new QGridLayout(pagina);

    fraIndices = Control(new QGroupBox(pagina), "fraIndices");
    auto* capaIndices = new QHBoxLayout(fraIndices);
    lblIndices = Control(new QLabel(QStringLiteral("Indice Seleccionado:"), fraIndices), "lblIndices");
    cboIndices = Control(new QComboBox(fraIndices), "cboIndices");
    cboIndices->setMinimumWidth(200);
    cmdNuevoIndice = Control(new QPushButton(QStringLiteral("&Numevo"), pagina), "cmdNuevoIndice");
    cmdEliminarIndice = Control(new QPushButton(QStringLiteral("&Eliminar"), pagina), "cmdEliminarIndice");
    capaIndices->addWidget(lblIndices);
    capaIndices->addWidget(cboIndices, 1);
    // Outside the frame: a new index can be made while there is none.
    auto* filaIndices = new QHBoxLayout;
    filaIndices->addWidget(fraIndices, 1);
    filaIndices->addWidget(cmdNuevoIndice);
    filaIndices->addWidget(cmdEliminarIndice);
    capa->addLayout(filaIndices, 0, 0, 1, 2);

    fraNombreIndice = Control(new QGroupBox(pagina), "fraNombreIndice");
    auto* capaNombre = new QGridLayout(fraNombreIndice);
    lblNombreIndice = Control(new QLabel(QStringLiteral("Nombre Indice:"), fraNombreIndice), "lblNombreIndice");
    txtNombreIndice = Control(new QLineEdit(fraNombreIndice), "txtNombreIndice");
    fraTipoIndice = Control(new QGroupBox(QStringLiteral(" Tipo "), fraNombreIndice), "fraTipoIndice");
    auto* capaTipo = new QHBoxLayout(fraTipoIndice);
    optClavePrimaria = Control(new QRadioButton(QStringLiteral("Clave Principal"), fraTipoIndice), "optClavePrimaria");
    optIndice = Control(new QRadioButton(QStringLiteral("Indice"), fraTipoIndice), "optIndice");
    capaTipo->addWidget(optClavePrimaria);
    capaTipo->addWidget(optIndice);
    chkIndiceUnico = Control(new QCheckBox(QStringLiteral("Indice Unico"), fraNombreIndice), "chkIndiceUnico");
    chkAgrupado = Control(new QCheckBox(QStringLiteral("Indice Agrupado"), fraNombreIndice), "chkAgrupado");
    lblFillFactor = Control(new QLabel(QStringLiteral("Factor Relleno:"), fraNombreIndice), "lblFillFactor");
    txtFillFactor = Control(new QLineEdit(fraNombreIndice), "txtFillFactor");
    txtFillFactor->setMaximumWidth(60);
    capaNombre->addWidget(lblNombreIndice, 0, 0);
    capaNombre->addWidget(txtNombreIndice, 0, 1, 1, 3);
    capaNombre->addWidget(fraTipoIndice, 1, 0, 1, 4);
    capaNombre->addWidget(chkIndiceUnico, 2, 0, 1, 2);
    capaNombre->addWidget(chkAgrupado, 2, 2, 1, 2);
    capaNombre->addWidget(lblFillFactor, 3, 0);
    capaNombre->addWidget(txtFillFactor, 3, 1);

    fraGrupo = Control(new QGroupBox(QStringLiteral(" Grupo de archivos de indices  "), fraNombreIndice), "fraGrupo");
    auto* capaGrupo = new QVBoxLayout(fraGrupo);
    Frame2 = Control(new QGroupBox(fraGrupo), "Frame2");
    Frame2->setFlat(true);
    auto* capaFrame2 = new QHBoxLayout(Frame2);
    Label3 = Control(new QLabel(QStringLiteral("Grupo:"), Frame2), "Label3");
    cboGrupoArchivoIndices = Control(new QComboBox(Frame2), "cboGrupoArchivoIndices");
    capaFrame2->addWidget(Label3);
    capaFrame2->addWidget(cboGrupoArchivoIndices, 1);
    capaGrupo->addWidget(Frame2);
    capaNombre->addWidget(fraGrupo, 4, 0, 1, 4);
    capaNombre->setRowStretch(5, 1);
    capa->addWidget(fraNombreIndice, 1, 0);

    auto* columnas = new QVBoxLayout;
    lblClavesPrincipales = Control(new QLabel(QStringLiteral("Claves Principales"), pagina), "lblClavesPrincipales");
    TDBGridIndices = Control(new RejillaDatos(2, pagina), "TDBGridIndices");
    TDBGridIndices->Columns(0).Caption(QStringLiteral("Estado"));
    TDBGridIndices->Columns(1).Caption(QStringLiteral("Nombre de Campo"));
    TDBGridIndices->Columns(0).Visible(false);
    TDBGridIndices->Columns(1).Width(200);
    columnas->addWidget(lblClavesPrincipales);
    columnas->addWidget(TDBGridIndices, 1);
    capa->addLayout(columnas, 1, 1);
    capa->setColumnStretch(1, 1);
    return pagina;
}

QWidget* frmTabla::ConstruyePaginaRelaciones() {
    auto* pagina = new QWidget;
    auto* capa = new QVBoxLayout(pagina);

    fraRelaciones = Control(new QGroupBox(pagina), "fraRelaciones");
    auto* capaRelaciones = new QHBoxLayout(fraRelaciones);
    lblRelaciones = Control(new QLabel(QStringLiteral("Relación Seleccionada:"), fraRelaciones), "lblRelaciones");
    cboRelaciones = Control(new QComboBox(fraRelaciones), "cboRelaciones");
    cboRelaciones->setMinimumWidth(200);
    cmdNuevaRelacion = Control(new QPushButton(QStringLiteral("&Nueva"), pagina), "cmdNuevaRelacion");
    cmdEliminarRelacion = Control(new QPushButton(QStringLiteral("&Eliminar"), pagina), "cmdEliminarRelacion");
    capaRelaciones->addWidget(lblRelaciones);
    capaRelaciones->addWidget(cboRelaciones, 1);
    auto* filaRelaciones = new QHBoxLayout;
    filaRelaciones->addWidget(fraRelaciones, 1);
    filaRelaciones->addWidget(cmdNuevaRelacion);
    filaRelaciones->addWidget(cmdEliminarRelacion);
    capa->addLayout(filaRelaciones);

    fraNombreRelacion = Control(new QGroupBox(pagina), "fraNombreRelacion");
    auto* capaNombre = new QGridLayout(fraNombreRelacion);
    lblNombreRelacion = Control(new QLabel(QStringLiteral("Nombre Relación:"), fraNombreRelacion), "lblNombreRelacion");
    txtNombreRelacion = Control(new QLineEdit(fraNombreRelacion), "txtNombreRelacion");
    lblExterna = Control(new QLabel(QStringLiteral("Tabla externa:"), fraNombreRelacion), "lblExterna");
    cboExterna = Control(new QComboBox(fraNombreRelacion), "cboExterna");
    cboExterna->setMinimumWidth(200);
    lblClavesExterna = Control(new QLabel(QStringLiteral("Claves Expternas"), fraNombreRelacion), "lblClavesExterna");
    TDBGridRelaciones = Control(new RejillaDatos(4, fraNombreRelacion), "TDBGridRelaciones");
    TDBGridRelaciones->Columns(0).Caption(QStringLiteral("Estado"));
    TDBGridRelaciones->Columns(1).Caption(QStringLiteral("Campo"));
    TDBGridRelaciones->Columns(2).Caption(QStringLiteral("Campo externo"));
    TDBGridRelaciones->Columns(3).Caption(QStringLiteral("Tabla externa"));
    // The referenced table is the same for every pair: the list above shows it.
    TDBGridRelaciones->Columns(0).Visible(false);
    TDBGridRelaciones->Columns(3).Visible(false);
    TDBGridRelaciones->Columns(1).Width(200);
    TDBGridRelaciones->Columns(2).Width(200);
    capaNombre->addWidget(lblNombreRelacion, 0, 0);
    capaNombre->addWidget(txtNombreRelacion, 0, 1);
    capaNombre->addWidget(lblExterna, 1, 0);
    capaNombre->addWidget(cboExterna, 1, 1);
    capaNombre->addWidget(lblClavesExterna, 2, 0, 1, 2);
    capaNombre->addWidget(TDBGridRelaciones, 3, 0, 1, 2);
    capaNombre->setColumnStretch(1, 1);
    capa->addWidget(fraNombreRelacion, 1);
    return pagina;
}

// ---- Loading ----

ArrayDatos& frmTabla::Creada(ArrayDatos& matriz, int columnas) {
    if (!matriz) matriz = NuevoArray(columnas);
    return matriz;
}

void frmTabla::Form_Load() {
    Atrapa("Form_Load", [&] {
        EstableceLeft(0);
        BaseDatos = NombreNodo;
        SSTabIndicesRelaciones->PestañaActual(0);
        CargaGrupoArchivos();
        IntercalacionBD = DameIntercalacion(BaseDatos);
        Intercalacion = IntercalacionBD;
        if (TablaNueva) {
            txtNombreTabla->setEnabled(true);
            ArrayCampos = NuevoArray(kUltimaColumnaCampos);
            ArrayIndices(0, 0) = NuevoArray(kUltimaColumnaIndices);
            ArrayRelaciones(0, 0) = NuevoArray(kUltimaColumnaRelaciones);
            NumeroIndices = 0;
            NumeroRelaciones = 0;
            TDBGridTabla->MatrizEnlazada(ArrayCampos);
            TDBGridIndices->MatrizEnlazada(ArrayIndices(0, 0));
            TDBGridRelaciones->MatrizEnlazada(ArrayRelaciones(0, 0));
            // A new table can reference the tables listed from its first design;
            // without the explorer there is no list to offer.
            if (frmAdministrador::SiExiste()) CargaTablasExternas(cboExterna, NombreTabla);
        } else {
            txtNombreTabla->setText(NombreTabla);
            txtNombreTabla->setEnabled(false);
            const qint64 fallosAntes = FallosNotificados();
            CapturaCampos_SQL(txtNombreTabla->text());
            CapturaIndices_SQL(txtNombreTabla->text());
            CapturaRelaciones_SQL(txtNombreTabla->text());
            DimeGrupoFicheros();
            NombreTablaInicial = txtNombreTabla->text();
            // A table the catalog no longer holds is designed as a new one:
            // its grid has the rows of one, and the save creates it.
            TDBGridTabla->MatrizEnlazada(Creada(ArrayCampos, kUltimaColumnaCampos));
            CargaIndices();
            CargaRelaciones();
            CargaValoresIndices();
            CargaTablasExternas(cboExterna, NombreTabla);
            CargaIncompleta = FallosNotificados() != fallosAntes;
            TDBGridIndices->MatrizEnlazada(Creada(ArrayIndices(0, 0), kUltimaColumnaIndices));
            TDBGridRelaciones->MatrizEnlazada(Creada(ArrayRelaciones(0, 0), kUltimaColumnaRelaciones));
            if (cboIndices->count() > 0) cboIndices->setCurrentIndex(0);
            if (cboRelaciones->count() > 0) cboRelaciones->setCurrentIndex(0);
            fraTipoIndice->setEnabled(false);
        }
        HabilitaIndices();
        HabilitaRelaciones();
        // A design that misses part of its table has nothing to save until an edit.
        Modificado = !CargaIncompleta;
    });
}

void frmTabla::HabilitaIndices() {
    const bool hay = NumeroIndices != 0;
    for (QWidget* w : std::initializer_list<QWidget*>{lblNombreIndice, fraNombreIndice, lblIndices, fraIndices,
                                                      cmdEliminarIndice})
        w->setEnabled(hay);
}

void frmTabla::HabilitaRelaciones() {
    const bool hay = NumeroRelaciones != 0;
    for (QWidget* w : std::initializer_list<QWidget*>{lblNombreRelacion, fraNombreRelacion, lblRelaciones, lblExterna,
                                                      fraRelaciones, cmdEliminarRelacion})
        w->setEnabled(hay);
}

void frmTabla::CargaGrupoArchivos() {
    Atrapa("CargaGrupoArchivos", [&] {
        if (!GruposFicheros) GruposFicheros = std::make_shared<GridDataArray>();
        // Filling the lists is not choosing in them.
        const QSignalBlocker datos(cboGrupoArchivoDatos);
        const QSignalBlocker indices(cboGrupoArchivoIndices);
        // Only the rows the array has: one never filled has none. Each entry
        // shows its name trimmed and keeps the catalog's own beside it, as
        // the lists of databases do (BaseDatosDe): statements name that one.
        const int ultima = std::min(199, GruposFicheros->FilaSuperior());
        for (int fila = std::max(0, GruposFicheros->FilaInferior()); fila <= ultima; ++fila) {
            const QString grupo = GruposFicheros->LeeCelda(fila, 0);
            if (Trim(grupo).isEmpty()) continue;
            cboGrupoArchivoDatos->addItem(Trim(grupo), grupo);
            cboGrupoArchivoIndices->addItem(Trim(grupo), grupo);
        }
    });
}

void frmTabla::Form_Activate() { PonIdioma(); }

// Where each page's work starts. The columns: a new table's name, an
// existing table's grid. The keys and the relations: the entry's name, or the
// button that makes the first. Never the filegroup lists nor the lists of
// indexes and relations: a key there changes the design at once.
QWidget* frmTabla::ControlInicial() {
    switch (SSTabIndicesRelaciones->PestañaActual()) {
    case 1: return txtNombreIndice->isEnabled() ? static_cast<QWidget*>(txtNombreIndice) : cmdNuevoIndice;
    case 2: return txtNombreRelacion->isEnabled() ? static_cast<QWidget*>(txtNombreRelacion) : cmdNuevaRelacion;
    default: return txtNombreTabla->isEnabled() ? static_cast<QWidget*>(txtNombreTabla) : TDBGridTabla;
    }
}

// ---- Closing ----

void frmTabla::Form_QueryUnload(int& Cancel) {
    Q_UNUSED(Cancel);
    // Moving the cursor away and back stores the cell being edited.
    Atrapa("Form_QueryUnload", [&] {
        const int r = TDBGridTabla->FilaActual();
        if (r == -1) {
            // A grid without rows has no row 0.
            if (ArrayCampos && ArrayCampos->Filas() > 0) TDBGridTabla->FilaActual(0);
        } else {
            TDBGridTabla->FilaActual(r == 0 ? 1 : 0);
            TDBGridTabla->FilaActual(r);
        }
        for (RejillaDatos* rejilla : {TDBGridIndices, TDBGridRelaciones}) {
            const int fila = rejilla->FilaActual();
            if (fila >= 1) {
                rejilla->FilaActual(0);
                rejilla->FilaActual(fila);
            }
        }
    });
}

void frmTabla::MarcaFilas() {
    for (int fila = 0; fila <= kUltimaFila; ++fila) {
        if (Trim(ArrayCampos->LeeCelda(fila, NombreCampo)).isEmpty()) continue;
        const QString estado = ArrayCampos->LeeCelda(fila, EstadoCampo);
        if (estado == QLatin1String("I")) ArrayCampos->GrabaCelda(fila, EstadoCampo, QStringLiteral("M"));
        else if (estado.isEmpty()) ArrayCampos->GrabaCelda(fila, EstadoCampo, QStringLiteral("I"));
    }
}

void frmTabla::Form_Unload(int& Cancel) {
    PunteroRaton(vb::vbHourglass);
    Atrapa("Form_Unload", [&] {
        if (txtNombreTabla->text() != NombreTablaInicial) Modificado = true;
        if (!Modificado) return;
        TDBGridTabla_LostFocus();
        TDBGridIndices_LostFocus();
        TDBGridRelaciones_LostFocus();
        ConIdioma(QStringLiteral("¿Desea Guardar los cambios?"), QStringLiteral("Do you want save the changes?"),
                  [](const QString& t) { Mensaje = t; });
        const int respuesta = MsgBox(Mensaje, vb::vbYesNoCancel + vb::vbQuestion, kProducto);
        if (respuesta == vb::vbCancel) {
            DaTeclado(TDBGridTabla);
            Cancel = 1;
        } else if (respuesta == vb::vbYes) {
            if (CargaIncompleta) {
                MensajeUsuario(QStringLiteral("La tabla no se cargó completamente. No se puede guardar."),
                               QStringLiteral("The table was not loaded completely. It cannot be saved."));
                Cancel = 1;
                return;
            }
            if (Trim(txtNombreTabla->text()).isEmpty()) {
                MensajeUsuario(QStringLiteral("Introduzca Nombre Tabla."), QStringLiteral("Insert Table Name."));
                Cancel = 1;
                DaTeclado(txtNombreTabla);
                return;
            }
            NombreTablas(0) = txtNombreTabla->text();
            MarcaFilas();
            if (ActualizaLaTabla()) {
                // The list shows this database's tables again; a list of
                // another node stays that node's.
                frmAdministrador* explorador = frmAdministrador::Instancia();
                const Nodo nodo = explorador->trvBD->SelectedItem();
                if (!nodo.EsNada() && nodo.Key().startsWith(QLatin1String("DT")) && BaseDatosDelPadre(nodo) == BaseDatos)
                    explorador->MuestraTablas(nodo.Text());
            } else {
                Cancel = 1;
            }
        }
    });
    PunteroRaton(vb::vbDefault);
}

