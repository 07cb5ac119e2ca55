#include "database/frmpropiedadesbd.h"

#include "common/celdapermiso.h"
#include "common/funciones.h"
#include "common/texto.h"
#include "database/textosbd.h"
#include "explorer/consolasql.h"
#include "platform/controlpestanas.h"
#include "platform/rejilladatos.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

bool EsDeSistema(const QString& nombre) {
    const QString n = Trim(nombre).toUpper();
    return n == QLatin1String("MASTER") || n == QLatin1String("MODEL");
}

ArrayDatos ArrayVacio(int columnas) {
    auto a = std::make_shared<GridDataArray>();
    a->Redimensiona(0, 200, 0, columnas);
    return a;
}

}  // namespace

frmPropiedadesBD::frmPropiedadesBD() : FormularioUnico(QStringLiteral("frmPropiedadesBD"), Clase::Hija) {
    setWindowTitle(QStringLiteral("Propiedades BD"));
    CreaControles();
    resize(sizeHint());

    ConectaSalidaCampo(txtNombreBD);
    ConectaSalidaCampo(cboModelo);
    for (QCheckBox* c : {chkNULL, chkCrearEstadisticas, chkActEstadisticas, chkCerrar, chkIdenComillas,
                         chkPaginaRasgada, chkReducir, chkDesencadenadores})
        ConectaSalidaCampo(c);
    ConectaRejillaFicheros(TDBGridArchivos, false);
    ConectaRejillaFicheros(TDBGridTransacciones, true);
    ConectaRejillaGrupos();
    ConectaRejillaPermisos();
    for (int i = 0; i < 3; ++i)
        connect(cmdEliminarFila[i], &QPushButton::clicked, this, [this, i] { cmdEliminarFila_Click(i); });
    connect(cmdAceptar, &QPushButton::clicked, this, &frmPropiedadesBD::cmdAceptar_Click);
    connect(cmdCancelar, &QPushButton::clicked, this, &frmPropiedadesBD::cmdCancelar_Click);
}

void frmPropiedadesBD::CreaControles() {
    auto* capa = new QVBoxLayout(this);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* nombre = new QHBoxLayout(Frame1);
    lblNombre = new QLabel(QStringLiteral("Nombre BD:"), Frame1);
    lblNombre->setObjectName(QStringLiteral("lblNombre"));
    txtNombreBD = new QLineEdit(Frame1);
    txtNombreBD->setObjectName(QStringLiteral("txtNombreBD"));
    txtNombreBD->setMinimumWidth(260);
    nombre->addWidget(lblNombre);
    nombre->addWidget(txtNombreBD);
    nombre->addStretch();

    TDBGridGrupos = new RejillaDatos(5);
    TDBGridGrupos->setObjectName(QStringLiteral("TDBGridGrupos"));
    TDBGridArchivos = new RejillaDatos(10);
    TDBGridArchivos->setObjectName(QStringLiteral("TDBGridArchivos"));
    TDBGridTransacciones = new RejillaDatos(10);
    TDBGridTransacciones->setObjectName(QStringLiteral("TDBGridTransacciones"));
    TDBGridPermisos = new RejillaDatos(9);
    TDBGridPermisos->setObjectName(QStringLiteral("TDBGridPermisos"));
    for (int i = 0; i < 3; ++i) {
        cmdEliminarFila[i] = new QPushButton(QStringLiteral("Eliminar"));
        cmdEliminarFila[i]->setObjectName(QStringLiteral("cmdEliminarFila%1").arg(i));
    }

    sstBaseDatos = new ControlPestanas(this);
    sstBaseDatos->setObjectName(QStringLiteral("sstBaseDatos"));
    sstBaseDatos->addTab(PaginaGeneral(), QStringLiteral("General"));
    sstBaseDatos->addTab(PaginaOpciones(), QStringLiteral("Opciones"));
    sstBaseDatos->addTab(PaginaRejilla(TDBGridGrupos, cmdEliminarFila[0]), QStringLiteral("Grupo archivos"));
    sstBaseDatos->addTab(PaginaRejilla(TDBGridArchivos, cmdEliminarFila[1]), QStringLiteral("Archivo Datos"));
    sstBaseDatos->addTab(PaginaRejilla(TDBGridTransacciones, cmdEliminarFila[2]),
                         QStringLiteral("Reg Transacciones"));
    sstBaseDatos->addTab(PaginaRejilla(TDBGridPermisos, nullptr), QStringLiteral("Permisos"));

    PreparaRejillaFicheros(TDBGridArchivos, false);
    PreparaRejillaFicheros(TDBGridTransacciones, true);
    TDBGridGrupos->Columns(2).CasillaVerificacion(true);
    TDBGridGrupos->Columns(3).CasillaVerificacion(true);
    // The count and the flags are the server's; only new names are typed.
    for (int k = 1; k <= 3; ++k) TDBGridGrupos->Columns(k).Locked(true);
    TDBGridGrupos->Columns(4).Visible(false);
    const char* permisos[] = {"Usuario", "Create Database", "Create Table", "Create View", "Create Procedure",
                              "Create Rule", "Create Function", "Backup Database", "Backup Log"};
    for (int k = 0; k < 9; ++k) TDBGridPermisos->Columns(k).Caption(QString::fromUtf8(permisos[k]));
    // The users are the server's: only the permissions change here.
    TDBGridPermisos->Columns(0).Locked(true);
    TDBGridPermisos->Columns(0).Width(100);
    for (int k = 1; k <= kColumnasPermisoBD; ++k) {
        PreparaColumnaPermiso(TDBGridPermisos, k);
        TDBGridPermisos->Columns(k).Width(
            TDBGridPermisos->fontMetrics().horizontalAdvance(QString::fromUtf8(permisos[k])) + 12);
    }

    auto* botones = BotonesAceptarCancelar(this, cmdAceptar, cmdCancelar);

    capa->addWidget(Frame1);
    capa->addWidget(sstBaseDatos, 1);
    capa->addLayout(botones);
}

QWidget* frmPropiedadesBD::PaginaGeneral() {
    auto* pagina = new QWidget;
    auto* capa = new QVBoxLayout(pagina);
    Frame2 = new QGroupBox(QStringLiteral(" SQL Server "), pagina);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    auto* rejilla = new QGridLayout(Frame2);
    auto par = [&](int fila, QLabel*& titulo, QLabel*& valor, const char* nombreTitulo, const char* nombreValor) {
        titulo = new QLabel(Frame2);
        titulo->setObjectName(QString::fromUtf8(nombreTitulo));
        valor = new QLabel(Frame2);
        valor->setObjectName(QString::fromUtf8(nombreValor));
        rejilla->addWidget(titulo, fila, 0);
        rejilla->addWidget(valor, fila, 1);
    };
    par(0, lbEstado, lblEstado, "lbEstado", "lblEstado");
    par(1, lbPropietario, lblPropietario, "lbPropietario", "lblPropietario");
    par(2, lbFecha, lblFechaCreacion, "lbFecha", "lblFechaCreacion");
    par(3, lbTamaño, lblTamaño, "lbTamaño", "lblTamaño");
    par(4, lbEspacio, lblEspacio, "lbEspacio", "lblEspacio");
    par(5, lbUsuarios, lblUsuarios, "lbUsuarios", "lblUsuarios");
    par(6, lbIntercalacion, lblIntercalacion, "lbIntercalacion", "lblIntercalacion");
    rejilla->setColumnStretch(1, 1);
    capa->addWidget(Frame2);
    capa->addStretch();
    return pagina;
}

QWidget* frmPropiedadesBD::PaginaOpciones() {
    auto* pagina = new QWidget;
    auto* capa = new QVBoxLayout(pagina);
    fraRecuperacion = new QGroupBox(pagina);
    fraRecuperacion->setObjectName(QStringLiteral("fraRecuperacion"));
    auto* recuperacion = new QHBoxLayout(fraRecuperacion);
    Label1 = new QLabel(QStringLiteral("Modelo"), fraRecuperacion);
    Label1->setObjectName(QStringLiteral("Label1"));
    cboModelo = new QComboBox(fraRecuperacion);
    cboModelo->setObjectName(QStringLiteral("cboModelo"));
    recuperacion->addWidget(Label1);
    recuperacion->addWidget(cboModelo);
    recuperacion->addStretch();

    fraConfiguracion = new QGroupBox(pagina);
    fraConfiguracion->setObjectName(QStringLiteral("fraConfiguracion"));
    auto* configuracion = new QGridLayout(fraConfiguracion);
    QCheckBox** casillas[] = {&chkNULL, &chkCrearEstadisticas, &chkActEstadisticas, &chkCerrar,
                              &chkIdenComillas, &chkPaginaRasgada, &chkReducir, &chkDesencadenadores};
    const char* nombres[] = {"chkNULL", "chkCrearEstadisticas", "chkActEstadisticas", "chkCerrar",
                             "chkIdenComillas", "chkPaginaRasgada", "chkReducir", "chkDesencadenadores"};
    for (int i = 0; i < 8; ++i) {
        *casillas[i] = new QCheckBox(fraConfiguracion);
        (*casillas[i])->setObjectName(QString::fromUtf8(nombres[i]));
        configuracion->addWidget(*casillas[i], i / 2, i % 2);
    }
    capa->addWidget(fraRecuperacion);
    capa->addWidget(fraConfiguracion);
    capa->addStretch();
    return pagina;
}

QWidget* frmPropiedadesBD::PaginaRejilla(RejillaDatos* rejilla, QPushButton* eliminar) {
    auto* pagina = new QWidget;
    auto* capa = new QVBoxLayout(pagina);
    rejilla->setParent(pagina);
    capa->addWidget(rejilla, 1);
    if (eliminar) {
        eliminar->setParent(pagina);
        auto* fila = new QHBoxLayout;
        fila->addStretch();
        fila->addWidget(eliminar);
        capa->addLayout(fila);
    }
    return pagina;
}

QString frmPropiedadesBD::NombreBD() const { return EsNueva ? Trim(txtNombreBD->text()) : BaseDatos; }

void frmPropiedadesBD::Form_Load() {
    Atrapa("Form_Load", [&] {
        sstBaseDatos->PestañaActual(PestañaGeneral);
        EsperaUbicacion = false;
        rejillaUbicacion_ = nullptr;
        filaUbicacion_ = -1;
        ArrayArchivos = std::make_shared<GridDataArray>();
        ArrayTransacciones = std::make_shared<GridDataArray>();
        UsoPropio_ = false;
        txtNombreBD->setText(NombreNodo);
        NombreOriginal = txtNombreBD->text();
        BaseDatos = NombreNodo;
        TDBGridPermisos->Columns(1).Visible(txtNombreBD->text().toUpper() == QLatin1String("MASTER"));
        EsNueva = BDNueva;
        if (EsNueva) {
            ArrayArchivos = ArrayVacio(9);
            ArrayTransacciones = ArrayVacio(9);
            ArrayGrupos = ArrayVacio(4);
            sstBaseDatos->PestañaActiva(PestañaGrupos, false);
            sstBaseDatos->PestañaActiva(PestañaPermisos, false);
        } else {
            // master and model keep their names.
            if (EsDeSistema(txtNombreBD->text())) txtNombreBD->setEnabled(false);
            CargaFicheros();
            // The filegroups of this window's database, in an array of its own.
            ArrayGrupos = ArrayVacio(4);
            CapturaGruposFicheros_SQL(BaseDatos, ArrayGrupos);
            sstBaseDatos->PestañaActiva(PestañaGrupos, true);
            sstBaseDatos->PestañaActiva(PestañaPermisos, true);
            CargaPermisos();
        }
        TDBGridArchivos->MatrizEnlazada(ArrayArchivos);
        TDBGridTransacciones->MatrizEnlazada(ArrayTransacciones);
        TDBGridGrupos->MatrizEnlazada(ArrayGrupos);
        cboModelo->clear();
        if (Idioma == 0) cboModelo->addItems({QStringLiteral("Completo"), QStringLiteral("Registro Masivo"),
                                              QStringLiteral("Sencillo")});
        else if (Idioma == 1) cboModelo->addItems({QStringLiteral("Full"), QStringLiteral("Bulk logged"),
                                                   QStringLiteral("Simple")});
        DatosGenerales();
        PonOpciones();
    });
}

void frmPropiedadesBD::Form_Activate() {
    Atrapa("Form_Activate", [&] {
        AEsquina();
        PonIdioma();
        TomaUbicacion();
    });
}

void frmPropiedadesBD::cmdAceptar_Click() {
    Atrapa("cmdAceptar_Click", [&] {
        const QString nombre = Trim(txtNombreBD->text());
        if (nombre.isEmpty()) {
            MensajeUsuario(QStringLiteral("Introduzca nombre de la base de datos."),
                           QStringLiteral("Insert database name."));
            return;
        }
        if (!EsNueva && !Trim(BaseDatos).isEmpty() && Trim(BaseDatos).toUpper() != nombre.toUpper()) {
            // The window's own loads left the connection in the database,
            // and the server renames no database in use.
            Conexion->Execute(QStringLiteral(" USE master"));
            Conexion->Execute(QStringLiteral(" EXEC sp_renamedb ") + CadenaSQL(BaseDatos) + u',' +
                              CadenaSQL(nombre));
            // From here on the window works on the new name: a second OK
            // never renames again.
            BaseDatos = nombre;
            CapturaBD_SQL();
        }
        if (EsDeSistema(nombre)) {
            Unload();
            return;
        }
        PonPrefijoBD(NombreBD());
        PunteroRaton(vb::vbHourglass);
        ArrayArchivos = TDBGridArchivos->MatrizEnlazada();
        ArrayTransacciones = TDBGridTransacciones->MatrizEnlazada();
        Conexion->Execute(QStringLiteral(" USE master"));
        // The first failure anywhere stops OK: it has been reported, and the
        // window stays open with every edit for another try.
        if (EsNueva) {
            if (!Crea_BD()) {
                PunteroRaton(vb::vbDefault);
                return;
            }
            // CREATE DATABASE cannot be undone by a retry: from here on the
            // window works on the database it created, so that another OK
            // alters it and never creates it again.
            EsNueva = false;
            BaseDatos = nombre;
            NombreOriginal = nombre;
            CapturaBD_SQL();
        } else if (!Modifica_BD()) {
            PunteroRaton(vb::vbDefault);
            return;
        }
        if (!GrabaOpciones()) {
            PunteroRaton(vb::vbDefault);
            return;
        }
        ArrayArchivos.reset();
        ArrayTransacciones.reset();
        ArrayGrupos.reset();
        GruposFicheros.reset();
        PunteroRaton(vb::vbDefault);
        Unload();
    });
}

void frmPropiedadesBD::cmdCancelar_Click() {
    Atrapa("cmdCancelar_Click", [&] {
        ArrayArchivos.reset();
        ArrayTransacciones.reset();
        ArrayGrupos.reset();
        GruposFicheros.reset();
        Unload();
    });
}
