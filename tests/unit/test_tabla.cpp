// The table designer window: what a load leaves in a design, designers that
// keep apart, the commit of pending edits before a close, the close with its
// question and save, and the captions.

#include "common/funciones.h"
#include "explorer/consolasql.h"
#include "platform/controlpestanas.h"
#include "platform/rejilladatos.h"
#include "support/explorador_prueba.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QKeyEvent>

#include <functional>

namespace {

QString ConsultaIntercalacion(const QString& base) {
    return " select convert(sysname,DatabasePropertyEx('" + base + "','Collation'))";
}

// A designer whose save a test decides.
class frmTablaPrueba : public frmTabla {
public:
    std::function<bool()> Graba;
    int Grabaciones = 0;
    QStringList EstadosAlGrabar;  // the row states the save found, rows 0..3
    bool ActualizaLaTabla() override {
        ++Grabaciones;
        QStringList estados;
        for (int f = 0; f < 4; ++f) estados.append(ArrayCampos->LeeCelda(f, EstadoCampo));
        EstadosAlGrabar.append(estados.join(u','));
        return Graba ? Graba() : frmTabla::ActualizaLaTabla();
    }
};

}  // namespace

class Diseñador : public PruebaDiseñador {
protected:
    void SetUp() override {
        PruebaDiseñador::SetUp();
        PonGrupos({"PRIMARY", " Datos2 "});
        conexion->Responde(ConsultaIntercalacion("Tienda"), QStringList{"c"}, {{"Modern_Spanish_CI_AS"}});
        conexion->Responde(ConsultaIntercalacion("Ventas"), QStringList{"c"}, {{"Latin1_General_BIN"}});
    }
    // A designer opened as the openers do, on a database.
    frmTablaPrueba* Abre(const QString& base) { return NuevoDiseñador<frmTablaPrueba>(base); }
    static QString Limites(const ArrayDatos& a) {
        return QStringLiteral("%1..%2x%3..%4")
            .arg(a->FilaInferior())
            .arg(a->FilaSuperior())
            .arg(a->ColumnaInferior())
            .arg(a->ColumnaSuperior());
    }
    static QStringList Elementos(QComboBox* c) {
        QStringList r;
        for (int i = 0; i < c->count(); ++i) r.append(c->itemText(i));
        return r;
    }
};

TEST_F(Diseñador, ANewTableStartsEmptyAndTwoDesignersKeepApart) {
    auto* d = Abre("Tienda");
    EXPECT_EQ(d->BaseDatos, QStringLiteral("Tienda"));
    EXPECT_EQ(Limites(d->ArrayCampos), QStringLiteral("0..200x0..10"));
    EXPECT_EQ(Limites(d->ArrayIndices(0, 0)), QStringLiteral("0..200x0..2"));
    EXPECT_EQ(Limites(d->ArrayRelaciones(0, 0)), QStringLiteral("0..200x0..4"));
    EXPECT_EQ(d->TDBGridTabla->MatrizEnlazada(), d->ArrayCampos);
    EXPECT_EQ(d->TDBGridIndices->MatrizEnlazada(), d->ArrayIndices(0, 0));
    EXPECT_EQ(d->TDBGridRelaciones->MatrizEnlazada(), d->ArrayRelaciones(0, 0));
    EXPECT_EQ(d->NumeroIndices, 0);
    EXPECT_EQ(d->NumeroRelaciones, 0);
    EXPECT_TRUE(d->txtNombreTabla->isEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{d->lblNombreIndice, d->fraNombreIndice, d->lblIndices,
                                                      d->fraIndices, d->cmdEliminarIndice, d->lblNombreRelacion,
                                                      d->fraNombreRelacion, d->lblRelaciones, d->lblExterna,
                                                      d->fraRelaciones, d->cmdEliminarRelacion})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(d->cmdNuevoIndice->isEnabled());
    EXPECT_TRUE(d->cmdNuevaRelacion->isEnabled());
    EXPECT_EQ(Elementos(d->cboGrupoArchivoDatos), (QStringList{"PRIMARY", "Datos2"}));
    EXPECT_EQ(Elementos(d->cboGrupoArchivoIndices), (QStringList{"PRIMARY", "Datos2"}));
    EXPECT_EQ(d->SSTabIndicesRelaciones->PestañaActual(), 0);
    EXPECT_TRUE(d->Modificado);

    // A second designer on another database: its own database, collation
    // and design; the module's collation is the last loaded one's.
    d->ArrayCampos->GrabaCelda(0, NombreCampo, QStringLiteral("id"));
    auto* otro = Abre("Ventas");
    EXPECT_EQ(Intercalacion, QStringLiteral("Latin1_General_BIN"));
    EXPECT_EQ(d->IntercalacionBD, QStringLiteral("Modern_Spanish_CI_AS"));
    EXPECT_EQ(otro->IntercalacionBD, QStringLiteral("Latin1_General_BIN"));
    EXPECT_EQ(d->BaseDatos, QStringLiteral("Tienda"));
    EXPECT_EQ(otro->BaseDatos, QStringLiteral("Ventas"));
    EXPECT_NE(otro->ArrayCampos, d->ArrayCampos);
    EXPECT_EQ(otro->ArrayCampos->LeeCelda(0, NombreCampo), QString());
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Diseñador, AFilegroupListThatWasNeverLoadedGivesNoGroups) {
    GruposFicheros = std::make_shared<GridDataArray>();
    auto* d = Abre("Tienda");
    EXPECT_EQ(d->cboGrupoArchivoDatos->count(), 0);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(Diseñador, ClosingCommitsTheCellBeingEdited) {
    auto* d = Abre("Tienda");
    QList<int> filas;
    d->TDBGridTabla->RowColChange = [&](int, int) { filas.append(d->TDBGridTabla->FilaActual()); };
    // Row 0 goes to 1 and back; row 3 to 0 and back.
    for (const auto& [desde, camino] : {std::pair{0, QList<int>{1, 0}}, {3, QList<int>{0, 3}}}) {
        d->TDBGridTabla->FilaActual(desde);
        filas.clear();
        mensajes.Respuestas = {vb::vbCancel};
        EXPECT_FALSE(d->Unload());
        EXPECT_EQ(filas, camino) << desde;
    }
    EXPECT_EQ(TextosCajas().size(), 2);
    // A name typed into a cell and not yet confirmed reaches the array.
    d->TDBGridTabla->FilaActual(2);
    d->TDBGridTabla->ColumnaActual(NombreCampo);
    d->TDBGridTabla->setFocus();
    for (const auto& [tecla, texto] : {std::pair{Qt::Key_I, "i"}, {Qt::Key_D, "d"}}) {
        QWidget* destino = QApplication::focusWidget() ? QApplication::focusWidget() : d->TDBGridTabla;
        QKeyEvent pulsa(QEvent::KeyPress, tecla, Qt::NoModifier, QString::fromLatin1(texto));
        QApplication::sendEvent(destino, &pulsa);
    }
    EXPECT_TRUE(d->TDBGridTabla->EnEdicion());
    mensajes.Respuestas = {vb::vbCancel};
    EXPECT_FALSE(d->Unload());
    EXPECT_EQ(d->ArrayCampos->LeeCelda(2, NombreCampo), QStringLiteral("id"));
    EXPECT_EQ(TextosCajas().size(), 3);
}

TEST_F(Diseñador, TheCloseAsksAndSavesAsAnswered) {
    const QString pregunta = QStringLiteral("¿Desea Guardar los cambios?");
    // As a desktop does it: no window is active while a box is up, and the
    // main window is activated only after the last one has gone. The keys
    // then go where the close put them, not back to the filegroup list.
    mensajes.AlMostrar = [] { QApplication::setActiveWindow(nullptr); };
    auto cierra = [](frmTabla* d) {
        QApplication::setActiveWindow(d->window());
        d->cboGrupoArchivoDatos->setFocus();
        const bool cerrado = d->Unload();
        QApplication::setActiveWindow(d->window());
        return cerrado;
    };
    // Unmodified: no question.
    {
        auto* d = Abre("Tienda");
        d->Modificado = false;
        conexion->Enviadas.clear();
        EXPECT_TRUE(d->Unload());
        EXPECT_TRUE(mensajes.Cajas().isEmpty());
        EXPECT_TRUE(conexion->Enviadas.isEmpty());
    }
    // Cancel keeps everything; No closes and sends nothing.
    {
        auto* d = Abre("Tienda");
        d->ArrayCampos->GrabaCelda(0, NombreCampo, QStringLiteral("id"));
        conexion->Enviadas.clear();
        mensajes.Respuestas = {vb::vbCancel, vb::vbNo};
        EXPECT_FALSE(cierra(d));
        EXPECT_EQ(QApplication::focusWidget(), d->TDBGridTabla);
        EXPECT_TRUE(d->Cargado());
        EXPECT_EQ(d->ArrayCampos->LeeCelda(0, NombreCampo), QStringLiteral("id"));
        EXPECT_EQ(d->ArrayCampos->LeeCelda(0, EstadoCampo), QString());
        EXPECT_TRUE(d->Unload());
        EXPECT_EQ(d->Grabaciones, 0);
        EXPECT_TRUE(conexion->Enviadas.isEmpty());
        ASSERT_EQ(mensajes.Cajas().size(), 2);
        EXPECT_EQ(mensajes.Cajas()[0].texto, pregunta);
        EXPECT_EQ(mensajes.Cajas()[0].estilo, vb::vbYesNoCancel + vb::vbQuestion);
        mensajes.Cajas().clear();
    }
    // Yes with a blank name: the message, and the window stays.
    {
        auto* d = Abre("Tienda");
        d->txtNombreTabla->setText(QStringLiteral("   "));
        mensajes.Respuestas = {vb::vbYes};
        EXPECT_FALSE(cierra(d));
        EXPECT_EQ(QApplication::focusWidget(), d->txtNombreTabla);
        EXPECT_EQ(TextosCajas(), (QStringList{pregunta, "Introduzca Nombre Tabla."}));
        // The second box, before the desktop activated the window again, is its window's too.
        for (const auto& caja : mensajes.Cajas()) EXPECT_EQ(caja.ventana, d->window());
        EXPECT_EQ(d->Grabaciones, 0);
        mensajes.Cajas().clear();
        d->DescargaSinPreguntar();
    }
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}

TEST_F(Diseñador, AFailedSaveKeepsTheWindowAndMarksTheRowsOnEachClose) {
    auto* d = Abre("Tienda");
    d->txtNombreTabla->setText(QStringLiteral("Clientes"));
    d->ArrayCampos->GrabaCelda(0, NombreCampo, QStringLiteral("id"));
    d->ArrayCampos->GrabaCelda(1, NombreCampo, QStringLiteral("nombre"));
    d->ArrayCampos->GrabaCelda(1, EstadoCampo, QStringLiteral("M"));
    d->ArrayCampos->GrabaCelda(3, EstadoCampo, QStringLiteral("I"));  // no name: left alone
    // Two saves that fail, then one that commits.
    int intentos = 0;
    d->Graba = [&] { return ++intentos == 3; };
    Objetos(SqlTablas("Tienda.."), "tipo", {{"Clientes", "U", "dbo"}});
    RespondeBases({"Tienda"});
    frmAdministrador::Instancia()->trvBD->Nodes().Item(QStringLiteral("DTTienda")).Selected(true);
    conexion->Enviadas.clear();
    mensajes.Respuestas = {vb::vbYes, vb::vbYes, vb::vbYes};
    EXPECT_FALSE(d->Unload());
    EXPECT_EQ(d->NombreTablas(0), QStringLiteral("Clientes"));
    EXPECT_FALSE(d->Unload());
    EXPECT_TRUE(d->Unload());
    EXPECT_EQ(d->EstadosAlGrabar, (QStringList{"I,M,,I", "M,M,,I", "M,M,,I"}));
    // The explorer's list of the table's database is read again.
    EXPECT_EQ(conexion->Enviadas, QStringList{SqlTablas("Tienda..")});
    EXPECT_EQ(puntero.actual, vb::vbDefault);
    EXPECT_EQ(TextosCajas().size(), 3);
}

TEST_F(Diseñador, ASaveRefreshesTheListOnlyWhenItShowsItsDatabase) {
    RespondeBases({"Tienda", "Ventas"});
    frmAdministrador::Instancia()->trvBD->Nodes().Item(QStringLiteral("DTVentas")).Selected(true);
    auto* d = Abre("Tienda");
    d->txtNombreTabla->setText(QStringLiteral("Clientes"));
    d->Graba = [] { return true; };
    conexion->Enviadas.clear();
    mensajes.Respuestas = {vb::vbYes};
    EXPECT_TRUE(d->Unload());
    // Ventas' list stays Ventas'; nothing is read, nothing reported.
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_EQ(TextosCajas(), QStringList{"¿Desea Guardar los cambios?"});
}

TEST_F(Diseñador, CaptionsInBothLanguages) {
    struct Caso {
        int idioma;
        QString tabla, ventana, longitud, indices, grupo;
    };
    const Caso casos[] = {
        {0, "Clientes", "Tabla [Tienda.Clientes]", "Longitud", "Indice Seleccionado:", " Grupo de archivos de indices  "},
        {1, "Clientes", "Table [Tienda.Clientes]", "Length ", "Delected Index:", " Group Files Index  "},
        {0, "", "Tabla [Tienda.]", "Longitud", "Indice Seleccionado:", " Grupo de archivos de indices  "},
    };
    for (const auto& c : casos) {
        Idioma = qint16(c.idioma);
        auto* d = Abre("Tienda");
        d->txtNombreTabla->setText(c.tabla);
        d->PonIdioma();
        EXPECT_EQ(d->Caption(), c.ventana);
        EXPECT_EQ(d->TDBGridTabla->Columns(3).Caption(), c.longitud);
        EXPECT_EQ(d->lblIndices->text(), c.indices);
        EXPECT_EQ(d->fraGrupo->title(), c.grupo);
        EXPECT_EQ(d->SSTabIndicesRelaciones->TabCaption(1), c.idioma ? "Keys and Indexes" : "Claves e índices");
        d->DescargaSinPreguntar();
    }
    // Another language leaves every text as it was, the opener's caption too.
    Idioma = 1;
    auto* d = Abre("Tienda");
    d->PonIdioma();
    Idioma = 2;
    d->Caption(QStringLiteral("Tabla [Nueva]"));
    d->PonIdioma();
    EXPECT_EQ(d->Caption(), QStringLiteral("Tabla [Nueva]"));
    EXPECT_EQ(d->cmdNuevoIndice->text(), QStringLiteral("&New"));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}
