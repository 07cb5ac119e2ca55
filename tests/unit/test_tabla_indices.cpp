// The designer's index editor and relation editor: naming, kinds and flags,
// fill factor and filegroups, the drop-downs of the key columns and of the
// column pairs (with the one catalog query), the checks on leaving their
// grids, deleting, the 100 entries a design holds, and what the load and the
// close do with them.

#include "app/mdiprincipal.h"
#include "common/funciones.h"
#include "explorer/consolasql.h"
#include "platform/controlpestanas.h"
#include "platform/rejilladatos.h"
#include "support/explorador_prueba.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QString kPreguntaIndice =
    QStringLiteral("No puede existir un indice con columnas en blanco. ¿Desea eliminar el indice?");
const QString kPreguntaRelacion =
    QStringLiteral("No puede existir una relación con columnas en blanco. ¿Desea eliminar la relación?");
const QString kFueraDeIntervalo = QStringLiteral(" Error Nº:9 (Subscript out of range).");
// Yes/No, the question icon, No the default.
constexpr int kEstiloPregunta = vb::vbYesNo + vb::vbQuestion + 256;

QStringList Elementos(const ElementosValor& lista) {
    QStringList r;
    for (int i = 0; i < lista.Count(); ++i) r.append(lista.Item(i).Value);
    return r;
}

QStringList Elementos(const QComboBox* c) {
    QStringList r;
    for (int i = 0; i < c->count(); ++i) r.append(c->itemText(i));
    return r;
}

// Column c of rows 0..n-1 of an array.
QStringList Columna(const ArrayDatos& a, int c, int n) {
    QStringList r;
    for (int f = 0; f < n; ++f) r.append(a ? a->LeeCelda(f, c) : QStringLiteral("<none>"));
    return r;
}

}  // namespace

class EditorIndices : public PruebaDiseñador {
protected:
    void SetUp() override {
        PruebaDiseñador::SetUp();
        PonGrupos({"PRIMARY", "INDICES"});
        for (const char* base : {"Tienda", "Mi Base"})
            conexion->Responde(" select convert(sysname,DatabasePropertyEx('" + QString::fromUtf8(base) +
                                   "','Collation'))",
                               QStringList{"c"}, {{"Modern_Spanish_CI_AS"}});
    }

    // A designer of a new table of the database, with these columns in its
    // grid (a blank name is an empty row), shown and active on a page.
    frmTabla* Nueva(const QStringList& campos = {"id", "nombre", "importe", "  ", "alta"},
                    const QString& base = QStringLiteral("Tienda"), int pagina = 1) {
        auto* d = NuevoDiseñador(base);
        d->SSTabIndicesRelaciones->PestañaActual(pagina);
        for (int f = 0; f < campos.size(); ++f) d->ArrayCampos->GrabaCelda(f, NombreCampo, campos[f]);
        QApplication::setActiveWindow(m());
        d->Activa();
        conexion->Enviadas.clear();
        return d;
    }
    // A name typed into a name box and confirmed with Enter.
    static void Nombra(QLineEdit* caja, const QString& nombre) {
        caja->setText(nombre);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(caja, &enter);
    }
    static void NuevoIndice(frmTabla* d, const QString& nombre, const QStringList& claves = {}) {
        d->cmdNuevoIndice->click();
        Nombra(d->txtNombreIndice, nombre);
        const ArrayDatos a = d->ArrayIndices(0, d->cboIndices->currentIndex());
        for (int f = 0; f < claves.size(); ++f) a->GrabaCelda(f, 1, claves[f]);
    }
    static void NuevaRelacion(frmTabla* d, const QString& nombre, const QList<QStringList>& pares = {}) {
        d->cmdNuevaRelacion->click();
        Nombra(d->txtNombreRelacion, nombre);
        const ArrayDatos a = d->ArrayRelaciones(0, d->cboRelaciones->currentIndex());
        for (int f = 0; f < pares.size(); ++f)
            for (int c = 0; c < pares[f].size(); ++c) a->GrabaCelda(f, c + 1, pares[f][c]);
    }
    static QStringList Entrada(frmTabla* d, int i) {
        QStringList r;
        for (int k = 0; k <= FactorRelleno; ++k) r.append(d->TablaIndices.Lee(0, i, k));
        return r;
    }
    static QStringList Estado(std::initializer_list<QWidget*> controles) {
        QStringList r;
        for (QWidget* w : controles) r.append(w->objectName() + (w->isEnabled() ? "+" : "-"));
        return r;
    }
};

// ---- Indexes ----

TEST_F(EditorIndices, NamingAnIndexMakesOneOrSelectsIt) {
    frmTabla* d = Nueva();
    for (QWidget* w : std::initializer_list<QWidget*>{d->lblIndices, d->fraIndices, d->cmdEliminarIndice}) EXPECT_FALSE(w->isEnabled());
    NuevoIndice(d, QStringLiteral("PK_Pedidos"));
    EXPECT_EQ(d->NumeroIndices, 1);
    EXPECT_EQ(Entrada(d, 0), (QStringList{"PK_Pedidos", "I", "0", "0", "", ""}));
    EXPECT_TRUE(d->optIndice->isChecked());
    EXPECT_EQ(d->TDBGridIndices->MatrizEnlazada(), d->ArrayIndices(0, 0));
    for (QWidget* w : std::initializer_list<QWidget*>{d->lblIndices, d->fraIndices, d->cmdEliminarIndice}) EXPECT_TRUE(w->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), d->TDBGridIndices);

    // A second name while the first is selected: a second index.
    d->Modificado = false;
    NuevoIndice(d, QStringLiteral("IX_nombre"));
    EXPECT_TRUE(d->Modificado);
    EXPECT_EQ(Elementos(d->cboIndices), (QStringList{"PK_Pedidos", "IX_nombre"}));
    EXPECT_EQ(Entrada(d, 0)[0], QStringLiteral("PK_Pedidos"));
    EXPECT_EQ(Entrada(d, 1), (QStringList{"IX_nombre", "I", "0", "0", "", ""}));
    EXPECT_EQ(d->TDBGridIndices->MatrizEnlazada(), d->ArrayIndices(0, 1));

    // A blank name does nothing; an existing one selects its index, and a
    // name that differs only in case is another index.
    d->Modificado = false;
    d->cmdNuevoIndice->click();
    Nombra(d->txtNombreIndice, QStringLiteral("   "));
    EXPECT_EQ(d->NumeroIndices, 2);
    EXPECT_EQ(d->cboIndices->currentIndex(), -1);
    EXPECT_FALSE(d->Modificado);
    Nombra(d->txtNombreIndice, QStringLiteral("PK_Pedidos"));
    EXPECT_EQ(d->NumeroIndices, 2);
    EXPECT_EQ(d->cboIndices->currentIndex(), 0);
    EXPECT_EQ(d->TDBGridIndices->MatrizEnlazada(), d->ArrayIndices(0, 0));
    EXPECT_TRUE(d->Modificado);
    Nombra(d->txtNombreIndice, QStringLiteral("pk_pedidos"));
    EXPECT_EQ(d->NumeroIndices, 3);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(EditorIndices, NamesLeavingTheBoxAreCheckedAndARefusedOneKeepsTheFocus) {
    frmTabla* d = Nueva();
    d->cmdNuevoIndice->click();
    ASSERT_EQ(QApplication::focusWidget(), d->txtNombreIndice);
    d->txtNombreIndice->setText(QStringLiteral("IX_alta"));
    d->txtFillFactor->setFocus();  // leaving the box makes the index
    EXPECT_EQ(Elementos(d->cboIndices), QStringList{"IX_alta"});
    EXPECT_EQ(QApplication::focusWidget(), d->TDBGridIndices);
    // Back to the index without leaving its key grid with a name in the box.
    d->cmdNuevoIndice->click();
    d->cboIndices->setCurrentIndex(0);
    d->txtFillFactor->setFocus();
    EXPECT_EQ(d->NumeroIndices, 1);

    // A fill factor that is not a number: the message, and the focus goes
    // back to the box without the grid it reached counting as left (which
    // would ask about the index's missing key columns).
    d->txtFillFactor->setText(QStringLiteral("abc"));
    d->TDBGridIndices->setFocus();
    EXPECT_EQ(TextosCajas(), QStringList{"Valor no numérico."});
    EXPECT_EQ(QApplication::focusWidget(), d->txtFillFactor);
    d->txtFillFactor->setText(QStringLiteral("90"));
    d->cboIndices->setFocus();
    EXPECT_EQ(d->TablaIndices.Lee(0, 0, FactorRelleno), QStringLiteral("90"));
    EXPECT_EQ(QApplication::focusWidget(), d->cboIndices);
    EXPECT_EQ(TextosCajas().size(), 1);
}

TEST_F(EditorIndices, APrimaryKeyIsUniqueAndFlagsDoNotMarkTheDesign) {
    frmTabla* d = Nueva();
    NuevoIndice(d, QStringLiteral("PK_Pedidos"));
    d->Modificado = false;
    d->optClavePrimaria->click();
    EXPECT_EQ(Entrada(d, 0), (QStringList{"PK_Pedidos", "P", "0", "1", "", ""}));
    EXPECT_TRUE(d->chkIndiceUnico->isChecked());
    d->optIndice->click();
    EXPECT_EQ(Entrada(d, 0), (QStringList{"PK_Pedidos", "I", "0", "1", "", ""}));
    d->chkAgrupado->click();
    EXPECT_EQ(Entrada(d, 0)[Agrupado], QStringLiteral("1"));
    d->chkIndiceUnico->click();
    EXPECT_EQ(Entrada(d, 0)[Unico], QStringLiteral("0"));
    EXPECT_FALSE(d->Modificado);

    // Selecting an entry shows it and changes none: a primary key whose
    // unique flag was cleared keeps it cleared.
    d->optClavePrimaria->click();
    d->chkIndiceUnico->click();
    NuevoIndice(d, QStringLiteral("IX_nombre"));
    d->chkAgrupado->click();
    d->cboIndices->setCurrentIndex(0);
    EXPECT_TRUE(d->optClavePrimaria->isChecked());
    EXPECT_FALSE(d->chkIndiceUnico->isChecked());
    EXPECT_TRUE(d->chkAgrupado->isChecked());
    EXPECT_EQ(Entrada(d, 0), (QStringList{"PK_Pedidos", "P", "1", "0", "", ""}));
    d->cboIndices->setCurrentIndex(1);
    EXPECT_TRUE(d->optIndice->isChecked());
    EXPECT_EQ(Entrada(d, 1), (QStringList{"IX_nombre", "I", "1", "0", "", ""}));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(EditorIndices, TheFillFactorTakesDigitsOnly) {
    struct Caso {
        QString texto, guardado, mensaje;
        bool modificado;
        int idioma = 0;
    };
    const Caso casos[] = {
        {"", "0", "", false},
        {"   ", "0", "", false},
        {"250", "250", "", true},
        {" 80 ", "80", "", true},
        {"abc", "70", "Valor no numérico.", false},
        {"abc", "70", "Not numeric value.", false, 1},
        {"1e3", "70", "Valor no numérico.", false},
        {"-5", "70", "Valor no numérico.", false},
        {"8 0", "70", "Valor no numérico.", false},
    };
    for (const Caso& c : casos) {
        Idioma = qint16(c.idioma);
        frmTabla* d = Nueva();
        NuevoIndice(d, QStringLiteral("IX"));
        d->TablaIndices(0, 0, FactorRelleno) = QStringLiteral("70");
        d->Modificado = false;
        d->txtFillFactor->setText(c.texto);
        bool cancel = false;
        d->txtFillFactor_Validate(cancel);
        EXPECT_EQ(d->TablaIndices.Lee(0, 0, FactorRelleno), c.guardado) << c.texto.toStdString();
        EXPECT_EQ(d->Modificado, c.modificado) << c.texto.toStdString();
        EXPECT_EQ(cancel, !c.mensaje.isEmpty()) << c.texto.toStdString();
        EXPECT_EQ(TextosCajas(), c.mensaje.isEmpty() ? QStringList() : QStringList{c.mensaje}) << c.texto.toStdString();
        if (!c.mensaje.isEmpty()) {
            EXPECT_EQ(mensajes.Cajas()[0].estilo, vb::vbExclamation);
            EXPECT_EQ(mensajes.Cajas()[0].titulo, QStringLiteral("Tolvek"));
        }
        mensajes.Cajas().clear();
        // With no index selected nothing is stored.
        d->cmdNuevoIndice->click();
        d->txtFillFactor->setText(QStringLiteral("60"));
        d->txtFillFactor_Validate(cancel);
        EXPECT_EQ(d->TablaIndices.Lee(0, 0, FactorRelleno), c.guardado);
        d->DescargaSinPreguntar();
    }
}

TEST_F(EditorIndices, TheFilegroupListStoresItsChoiceInTheSelectedIndex) {
    PonGrupos({"PRIMARY", "INDICES", " Ventas "});
    frmTabla* d = Nueva();
    NuevoIndice(d, QStringLiteral("IX_a"));
    EXPECT_EQ(d->cboGrupoArchivoIndices->currentIndex(), -1);
    // A name shown trimmed is stored as the catalog holds it.
    d->cboGrupoArchivoIndices->setCurrentIndex(2);
    EXPECT_EQ(d->cboGrupoArchivoIndices->currentText(), QStringLiteral("Ventas"));
    EXPECT_EQ(d->TablaIndices.Lee(0, 0, GrupoIndice), QStringLiteral(" Ventas "));
    d->Modificado = false;
    d->cboGrupoArchivoIndices->setCurrentIndex(1);
    EXPECT_EQ(d->TablaIndices.Lee(0, 0, GrupoIndice), QStringLiteral("INDICES"));
    EXPECT_TRUE(d->Modificado);
    d->Modificado = false;
    d->cboGrupoArchivoIndices->setCurrentIndex(-1);
    EXPECT_EQ(d->TablaIndices.Lee(0, 0, GrupoIndice), QString());
    EXPECT_TRUE(d->Modificado);

    // Selecting an index shows its filegroup; one that the list does not
    // hold selects none and stays in the index.
    d->cboGrupoArchivoIndices->setCurrentIndex(1);
    NuevoIndice(d, QStringLiteral("IX_b"));
    EXPECT_EQ(d->cboGrupoArchivoIndices->currentIndex(), -1);
    d->TablaIndices(0, 1, GrupoIndice) = QStringLiteral("OTRO");
    d->cboIndices->setCurrentIndex(0);
    EXPECT_EQ(d->cboGrupoArchivoIndices->currentText(), QStringLiteral("INDICES"));
    d->cboIndices->setCurrentIndex(1);
    EXPECT_EQ(d->cboGrupoArchivoIndices->currentIndex(), -1);
    EXPECT_EQ(d->TablaIndices.Lee(0, 1, GrupoIndice), QStringLiteral("OTRO"));

    // With no index selected nothing is stored; the data filegroup only
    // marks the design.
    d->cmdNuevoIndice->click();
    d->cboGrupoArchivoIndices->setCurrentIndex(0);
    EXPECT_EQ(d->TablaIndices.Lee(0, 0, GrupoIndice), QStringLiteral("INDICES"));
    EXPECT_EQ(d->TablaIndices.Lee(0, 1, GrupoIndice), QStringLiteral("OTRO"));
    d->Modificado = false;
    d->cboGrupoArchivoDatos->setCurrentIndex(1);
    EXPECT_TRUE(d->Modificado);
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(EditorIndices, TheKeyColumnListOffersTheColumnsNotUsedYetInGridOrder) {
    frmTabla* d = Nueva({"id", "nombre", "importe", "  ", "alta", "", "fecha"});
    NuevoIndice(d, QStringLiteral("IX_a"), {"importe", "id"});
    struct Caso {
        int indice;
        QStringList lista;
    };
    NuevoIndice(d, QStringLiteral("IX_b"), {"alta"});
    const Caso casos[] = {
        {0, {"nombre", "alta", "fecha"}},
        {1, {"id", "nombre", "importe", "fecha"}},
        {-1, {"id", "nombre", "importe", "alta", "fecha"}},  // none selected
    };
    for (const Caso& c : casos) {
        d->cboIndices->setCurrentIndex(c.indice);
        d->TDBGridIndices_ButtonClick(1);
        EXPECT_EQ(Elementos(d->TDBGridIndices->Columns(1).ValueItems()), c.lista) << c.indice;
    }
    // A typed column that is not listed is refused with the message; an
    // emptied cell takes the key column out.
    d->cboIndices->setCurrentIndex(0);
    d->TDBGridIndices_ButtonClick(1);
    d->TDBGridIndices->FilaActual(1);
    d->TDBGridIndices->ColumnaActual(1);
    d->TDBGridIndices->Columns(1).Value(QStringLiteral("nada"));
    d->TDBGridIndices_ValueItemError(1);
    EXPECT_EQ(TextosCajas(), QStringList{"Su entrada debe coincidir con un elemento de la lista."});
    Idioma = 1;
    d->TDBGridIndices_ValueItemError(1);
    EXPECT_EQ(TextosCajas().last(), QStringLiteral("His entry must coincide with an element of the list."));
    d->TDBGridIndices->Columns(1).Value(QString());
    d->TDBGridIndices_ValueItemError(1);
    EXPECT_EQ(TextosCajas().size(), 2);
    EXPECT_EQ(Columna(d->ArrayIndices(0, 0), 1, 2), (QStringList{"importe", ""}));
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
}

TEST_F(EditorIndices, DeletingAnIndexClosesTheGap) {
    frmTabla* d = Nueva();
    NuevoIndice(d, QStringLiteral("PK_Pedidos"), {"id"});
    d->optClavePrimaria->click();
    NuevoIndice(d, QStringLiteral("IX_nombre"), {"nombre", "alta"});
    d->cboGrupoArchivoIndices->setCurrentIndex(1);
    NuevoIndice(d, QStringLiteral("IX_alta"), {"alta"});
    d->TablaIndices(0, 2, FactorRelleno) = QStringLiteral("80");
    d->TablaIndices(0, 2, IgnoraDuplicados) = QStringLiteral("1");
    d->ArrayIndices(0, 1)->GrabaCelda(200, 2, QStringLiteral("resto"));
    const ArrayDatos segunda = d->ArrayIndices(0, 1);

    d->cboIndices->setCurrentIndex(1);
    d->Modificado = false;
    d->cmdEliminarIndice->click();
    EXPECT_EQ(d->NumeroIndices, 2);
    EXPECT_EQ(Elementos(d->cboIndices), (QStringList{"PK_Pedidos", "IX_alta"}));
    EXPECT_EQ(d->cboIndices->currentIndex(), 0);
    EXPECT_EQ(Entrada(d, 0), (QStringList{"PK_Pedidos", "P", "0", "1", "", ""}));
    EXPECT_EQ(Entrada(d, 1), (QStringList{"IX_alta", "I", "0", "0", "", "80"}));
    EXPECT_EQ(Entrada(d, 2), (QStringList{"", "", "", "", "", ""}));
    EXPECT_EQ(d->TablaIndices.Lee(0, 1, IgnoraDuplicados), QStringLiteral("1"));
    EXPECT_EQ(d->TablaIndices.Lee(0, 2, IgnoraDuplicados), QString());
    EXPECT_EQ(Columna(d->ArrayIndices(0, 0), 1, 2), (QStringList{"id", ""}));
    EXPECT_EQ(Columna(d->ArrayIndices(0, 1), 1, 2), (QStringList{"alta", ""}));
    // The third's keys moved into the second's array, every cell of it.
    EXPECT_EQ(d->ArrayIndices(0, 1), segunda);
    EXPECT_EQ(segunda->LeeCelda(200, 2), QString());
    EXPECT_EQ(d->ArrayIndices.Lee(0, 2), nullptr);
    EXPECT_EQ(d->TDBGridIndices->MatrizEnlazada(), d->ArrayIndices(0, 0));
    EXPECT_TRUE(d->Modificado);

    // Deleting the other two leaves an empty list and the controls off.
    d->cmdEliminarIndice->click();
    d->cmdEliminarIndice_Click();
    EXPECT_EQ(d->NumeroIndices, 0);
    EXPECT_EQ(d->cboIndices->count(), 0);
    EXPECT_EQ(Entrada(d, 0), (QStringList{"", "", "", "", "", ""}));
    ASSERT_NE(d->ArrayIndices.Lee(0, 0), nullptr);
    EXPECT_EQ(d->TDBGridIndices->MatrizEnlazada(), d->ArrayIndices(0, 0));
    EXPECT_EQ(Columna(d->ArrayIndices(0, 0), 1, 1), QStringList{""});
    EXPECT_EQ(Estado({d->lblNombreIndice, d->fraNombreIndice, d->lblIndices, d->fraIndices, d->cmdEliminarIndice}),
              (QStringList{"lblNombreIndice-", "fraNombreIndice-", "lblIndices-", "fraIndices-", "cmdEliminarIndice-"}));
    // Re-packing only takes out an entry in use.
    d->PosicionEliminada = 0;
    d->RecalculaGridIndices();
    EXPECT_EQ(TextosCajas(), QStringList{kFueraDeIntervalo});
}

TEST_F(EditorIndices, LeavingTheKeyGridOfAnIndexWithoutKeysAsks) {
    struct Caso {
        QStringList claves;
        QString nombreCaja;  // what the name box holds when the grid is left
        int respuesta;       // 0: no question
        int indicesDespues;
    };
    const Caso casos[] = {
        {{}, "IX", vb::vbNo, 1},
        {{}, "IX", vb::vbYes, 0},
        {{"", "id"}, "IX", 0, 1},
        {{}, "", 0, 1},
    };
    for (const Caso& c : casos) {
        frmTabla* d = Nueva();
        NuevoIndice(d, QStringLiteral("IX"), c.claves);
        ASSERT_EQ(QApplication::focusWidget(), d->TDBGridIndices);
        d->txtNombreIndice->setText(c.nombreCaja);
        d->TDBGridIndices->FilaActual(3);
        if (c.respuesta) mensajes.Respuestas = {c.respuesta};
        d->txtFillFactor->setFocus();
        EXPECT_EQ(d->NumeroIndices, c.indicesDespues);
        if (!c.respuesta) {
            EXPECT_TRUE(mensajes.Cajas().isEmpty());
        } else {
            ASSERT_EQ(mensajes.Cajas().size(), 1);
            EXPECT_EQ(mensajes.Cajas()[0].texto, kPreguntaIndice);
            EXPECT_EQ(mensajes.Cajas()[0].estilo, kEstiloPregunta);
            EXPECT_EQ(mensajes.Cajas()[0].titulo, QStringLiteral("Tolvek"));
            if (c.respuesta == vb::vbNo) EXPECT_EQ(QApplication::focusWidget(), d->TDBGridIndices);
            mensajes.Cajas().clear();
        }
        d->DescargaSinPreguntar();
    }
    // Through the focus, in English.
    Idioma = 1;
    frmTabla* d = Nueva();
    NuevoIndice(d, QStringLiteral("IX"));
    ASSERT_EQ(QApplication::focusWidget(), d->TDBGridIndices);
    mensajes.Respuestas = {vb::vbNo};
    d->cboIndices->setFocus();
    EXPECT_EQ(TextosCajas(), QStringList{"Index can't exist with space column. Do you want to delete index?"});
    EXPECT_EQ(QApplication::focusWidget(), d->TDBGridIndices);
}

TEST_F(EditorIndices, ADesignHoldsAHundredIndexes) {
    frmTabla* d = Nueva();
    for (int i = 0; i < 100; ++i) d->TablaIndices(0, i, NombreIndice) = "IX" + QString::number(i);
    d->CargaIndices();
    EXPECT_EQ(d->NumeroIndices, 100);
    EXPECT_EQ(d->cboIndices->currentIndex(), -1);
    d->cmdNuevoIndice->click();
    Nombra(d->txtNombreIndice, QStringLiteral("IX100"));
    EXPECT_EQ(TextosCajas(), QStringList{kFueraDeIntervalo});
    EXPECT_EQ(d->NumeroIndices, 100);
    EXPECT_EQ(d->cboIndices->count(), 100);
    EXPECT_EQ(d->TablaIndices.Lee(0, 100, NombreIndice), QString());
    EXPECT_EQ(d->ArrayIndices.Lee(0, 100), nullptr);
    // An existing name still selects its index.
    Nombra(d->txtNombreIndice, QStringLiteral("IX99"));
    EXPECT_EQ(d->cboIndices->currentIndex(), 99);
    EXPECT_EQ(TextosCajas().size(), 1);
}

// ---- Relations ----

TEST_F(EditorIndices, TheColumnListsNeedAReferencedTable) {
    for (int idioma : {0, 1}) {
        Idioma = qint16(idioma);
        frmTabla* d = Nueva();
        d->cboExterna->addItem(QStringLiteral("Clientes"));
        d->cboExterna->setCurrentIndex(-1);
        NuevaRelacion(d, QStringLiteral("FK_a"));
        for (int c : {1, 2, 0}) d->TDBGridRelaciones_ButtonClick(c);
        const QString texto = idioma ? "Insert foreing table." : "Introduzca tabla externa.";
        EXPECT_EQ(TextosCajas(), (QStringList{texto, texto, texto}));
        EXPECT_EQ(mensajes.Cajas()[0].estilo, vb::vbExclamation);
        EXPECT_EQ(d->TDBGridRelaciones->Columns(1).ValueItems().Count(), 0);
        EXPECT_EQ(d->TDBGridRelaciones->Columns(2).ValueItems().Count(), 0);
        EXPECT_EQ(Columna(d->ArrayRelaciones(0, 0), 3, 1), QStringList{""});
        EXPECT_TRUE(conexion->Enviadas.isEmpty());
        mensajes.Cajas().clear();
        d->DescargaSinPreguntar();
    }
}

TEST_F(EditorIndices, TheReferencedColumnListReadsTheCatalogAndCarriesTheTable) {
    struct Caso {
        QString base, tabla, consultaTabla, consultaColumnas, propietario;
    };
    const Caso casos[] = {
        {"Tienda", "Clientes", "Select * from Tienda..sysobjects  where type = 'U' and name = 'Clientes' order by name",
         "Select * from Tienda..syscolumns  where id = 77 order by colid"},
        {"Mi Base", "O'Brien", "Select * from [Mi Base]..sysobjects  where type = 'U' and name = 'O''Brien' order by name",
         "Select * from [Mi Base]..syscolumns  where id = 77 order by colid"},
        {"Tienda", "Año", "Select * from Tienda..sysobjects  where type = 'U' and name = N'Año' order by name",
         "Select * from Tienda..syscolumns  where id = 77 order by colid"},
        // juan's table, not dbo's of that name, listed first.
        {"Tienda", "Pedidos",
         "Select * from Tienda..sysobjects  where type = 'U' and name = 'Pedidos' and uid = (select uid from "
         "Tienda..sysusers where name = 'juan') order by name",
         "Select * from Tienda..syscolumns  where id = 77 order by colid", "juan"},
    };
    for (const Caso& c : casos) {
        frmTabla* d = Nueva({"cliente", "pais"}, c.base);
        conexion->Responde(c.consultaTabla, QStringList{"name", "id"}, {{c.tabla, 77}});
        conexion->Responde(c.consultaColumnas, QStringList{"Name"}, {{"id"}, {"pais"}, {"codigo"}});
        frmTabla::AgregaTablaExterna(d->cboExterna, "dbo", c.propietario.isEmpty() ? "Otra" : c.tabla);
        frmTabla::AgregaTablaExterna(d->cboExterna, c.propietario, c.tabla);
        EXPECT_EQ(d->cboExterna->itemText(1), c.propietario.isEmpty() ? c.tabla : c.propietario + "." + c.tabla);
        d->cboExterna->setCurrentIndex(1);
        // Two pairs, one half-filled pair, an empty row, and the cursor on row 4.
        NuevaRelacion(d, QStringLiteral("FK"), {{"cliente", "id", "Otra"}, {"pais", ""}, {"", "pais"}});
        d->TDBGridRelaciones->FilaActual(4);
        d->TDBGridRelaciones->ColumnaActual(2);
        d->TDBGridRelaciones_ButtonClick(2);
        EXPECT_EQ(conexion->Enviadas, (QStringList{c.consultaTabla, c.consultaColumnas}));
        EXPECT_EQ(Elementos(d->TDBGridRelaciones->Columns(2).ValueItems()), (QStringList{"id", "pais", "codigo"}));
        EXPECT_EQ(Columna(d->ArrayRelaciones(0, 0), 3, 6), (QStringList{c.tabla, c.tabla, c.tabla, "", c.tabla, ""}));
        const QString& p = c.propietario;
        EXPECT_EQ(Columna(d->ArrayRelaciones(0, 0), ColumnaPropietarioReferida, 6), (QStringList{p, p, p, "", p, ""}));
        EXPECT_EQ(PrefijoBD, c.base == "Tienda" ? QStringLiteral("Tienda..") : QStringLiteral("[Mi Base].."));
        // Built again, the list does not grow.
        d->TDBGridRelaciones_ButtonClick(2);
        EXPECT_EQ(d->TDBGridRelaciones->Columns(2).ValueItems().Count(), 3);
        EXPECT_TRUE(mensajes.Cajas().isEmpty());
        d->DescargaSinPreguntar();
    }
}

TEST_F(EditorIndices, TheOwnColumnListOffersEveryNamedColumn) {
    frmTabla* d = Nueva({"id", "  ", "cliente", "", "pais"});
    d->cboExterna->addItem(QStringLiteral("Clientes"));
    d->cboExterna->setCurrentIndex(0);
    NuevaRelacion(d, QStringLiteral("FK"), {{"cliente", "id", "Clientes"}});
    d->TDBGridRelaciones_ButtonClick(1);
    d->TDBGridRelaciones_ButtonClick(1);
    EXPECT_EQ(Elementos(d->TDBGridRelaciones->Columns(1).ValueItems()), (QStringList{"id", "cliente", "pais"}));
    EXPECT_TRUE(conexion->Enviadas.isEmpty());
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(EditorIndices, LeavingThePairGridWithAHalfPairAsks) {
    struct Caso {
        QList<QStringList> pares;
        int respuesta;  // 0: no question
        int fila;       // where No leaves the cursor
    };
    const Caso casos[] = {
        {{{"id", "id"}, {"pais", ""}}, vb::vbNo, 1},
        {{{"id", "id"}, {"", ""}, {"", "codigo"}}, vb::vbNo, 2},
        {{{"", "codigo"}}, vb::vbYes, -1},
        {{{"id", "id"}, {"pais", "pais"}}, 0, -1},
        {{}, 0, -1},
    };
    for (const Caso& c : casos) {
        frmTabla* d = Nueva({"id", "pais"}, QStringLiteral("Tienda"), 2);
        NuevaRelacion(d, QStringLiteral("FK"), c.pares);
        d->TDBGridRelaciones->FilaActual(5);
        if (c.respuesta) mensajes.Respuestas = {c.respuesta};
        d->TDBGridRelaciones_LostFocus();
        if (!c.respuesta) {
            EXPECT_TRUE(mensajes.Cajas().isEmpty());
            EXPECT_EQ(d->NumeroRelaciones, 1);
        } else {
            ASSERT_EQ(mensajes.Cajas().size(), 1);
            EXPECT_EQ(mensajes.Cajas()[0].texto, kPreguntaRelacion);
            EXPECT_EQ(mensajes.Cajas()[0].estilo, kEstiloPregunta);
            EXPECT_EQ(d->NumeroRelaciones, c.respuesta == vb::vbYes ? 0 : 1);
            if (c.respuesta == vb::vbNo) {
                EXPECT_EQ(d->TDBGridRelaciones->FilaActual(), c.fila);
                EXPECT_EQ(QApplication::focusWidget(), d->TDBGridRelaciones);
            }
            mensajes.Cajas().clear();
        }
        d->DescargaSinPreguntar();
    }
    // The cursor lands on the array row wherever the grid is scrolled; in English.
    Idioma = 1;
    frmTabla* d = Nueva({"id", "pais"}, QStringLiteral("Tienda"), 2);
    NuevaRelacion(d, QStringLiteral("FK"), {{"id", "id"}, {"pais", ""}});
    d->TDBGridRelaciones->PrimeraFila(1);
    ASSERT_EQ(d->TDBGridRelaciones->FilaActual(), -1);  // row 0, above the first row shown
    mensajes.Respuestas = {vb::vbNo};
    d->TDBGridRelaciones_LostFocus();
    EXPECT_EQ(TextosCajas(), QStringList{"Relation can't exist with space column. Do you want to delete relation?"});
    EXPECT_EQ(d->TDBGridRelaciones->PrimeraFila() + d->TDBGridRelaciones->FilaActual(), 1);
}

TEST_F(EditorIndices, NamingAndDeletingRelations) {
    frmTabla* d = Nueva();
    d->cboExterna->addItem(QStringLiteral("Clientes"));
    d->cboExterna->addItem(QStringLiteral("Paises"));
    d->cboExterna->setCurrentIndex(-1);
    NuevaRelacion(d, QStringLiteral("FK_Clientes"), {{"cliente", "id", "Clientes"}});
    EXPECT_EQ(QApplication::focusWidget(), d->cboExterna);
    EXPECT_EQ(Estado({d->lblRelaciones, d->lblExterna, d->fraRelaciones, d->cmdEliminarRelacion}),
              (QStringList{"lblRelaciones+", "lblExterna+", "fraRelaciones+", "cmdEliminarRelacion+"}));
    NuevaRelacion(d, QStringLiteral("FK_Paises"), {{"pais", "codigo", "Paises"}, {"region", "region", "Paises"}});
    EXPECT_EQ(Elementos(d->cboRelaciones), (QStringList{"FK_Clientes", "FK_Paises"}));
    // Selecting shows the relation and its referenced table; a name already
    // listed selects its relation.
    d->cboRelaciones->setCurrentIndex(0);
    EXPECT_EQ(d->cboExterna->currentText(), QStringLiteral("Clientes"));
    d->cboRelaciones->setCurrentIndex(1);
    EXPECT_EQ(d->cboExterna->currentText(), QStringLiteral("Paises"));
    d->cmdNuevaRelacion->click();
    d->Modificado = false;
    Nombra(d->txtNombreRelacion, QStringLiteral("FK_Clientes"));
    EXPECT_EQ(d->NumeroRelaciones, 2);
    EXPECT_EQ(d->cboRelaciones->currentIndex(), 0);
    EXPECT_EQ(d->cboExterna->currentText(), QStringLiteral("Clientes"));
    EXPECT_EQ(d->TDBGridRelaciones->MatrizEnlazada(), d->ArrayRelaciones(0, 0));
    EXPECT_TRUE(d->Modificado);

    // Deleting the first leaves the former second, selected.
    d->Modificado = false;
    d->cmdEliminarRelacion->click();
    EXPECT_EQ(d->NumeroRelaciones, 1);
    EXPECT_EQ(Elementos(d->cboRelaciones), QStringList{"FK_Paises"});
    EXPECT_EQ(d->cboRelaciones->currentIndex(), 0);
    EXPECT_EQ(d->TablaRelaciones.Lee(0, 0), QStringLiteral("FK_Paises"));
    EXPECT_EQ(d->TablaRelaciones.Lee(0, 1), QString());
    EXPECT_EQ(Columna(d->ArrayRelaciones(0, 0), 1, 3), (QStringList{"pais", "region", ""}));
    EXPECT_EQ(Columna(d->ArrayRelaciones(0, 0), 2, 3), (QStringList{"codigo", "region", ""}));
    EXPECT_EQ(d->ArrayRelaciones.Lee(0, 1), nullptr);
    EXPECT_EQ(d->TDBGridRelaciones->MatrizEnlazada(), d->ArrayRelaciones(0, 0));
    EXPECT_TRUE(d->Modificado);

    // The last one: the six controls off.
    d->cmdEliminarRelacion->click();
    EXPECT_EQ(d->NumeroRelaciones, 0);
    EXPECT_EQ(d->cboRelaciones->count(), 0);
    EXPECT_EQ(Estado({d->lblNombreRelacion, d->fraNombreRelacion, d->lblRelaciones, d->lblExterna, d->fraRelaciones,
                      d->cmdEliminarRelacion}),
              (QStringList{"lblNombreRelacion-", "fraNombreRelacion-", "lblRelaciones-", "lblExterna-",
                           "fraRelaciones-", "cmdEliminarRelacion-"}));
    EXPECT_EQ(d->TDBGridRelaciones->MatrizEnlazada(), d->ArrayRelaciones(0, 0));
    EXPECT_TRUE(mensajes.Cajas().isEmpty());
}

TEST_F(EditorIndices, ADesignHoldsAHundredRelations) {
    frmTabla* d = Nueva();
    for (int i = 0; i < 100; ++i) d->TablaRelaciones(0, i) = "FK" + QString::number(i);
    d->CargaRelaciones();
    EXPECT_EQ(d->NumeroRelaciones, 100);
    d->cmdNuevaRelacion->click();
    Nombra(d->txtNombreRelacion, QStringLiteral("FK100"));
    EXPECT_EQ(TextosCajas(), QStringList{kFueraDeIntervalo});
    EXPECT_EQ(d->NumeroRelaciones, 100);
    EXPECT_EQ(d->cboRelaciones->count(), 100);
    EXPECT_EQ(d->TablaRelaciones.Lee(0, 100), QString());
    EXPECT_EQ(d->ArrayRelaciones.Lee(0, 100), nullptr);
    Nombra(d->txtNombreRelacion, QStringLiteral("FK7"));
    EXPECT_EQ(d->cboRelaciones->currentIndex(), 7);
    EXPECT_EQ(TextosCajas().size(), 1);
}

// ---- The load and the close ----

TEST_F(EditorIndices, TheCloseChecksBothGridsBeforeTheSaveQuestion) {
    frmTabla* d = Nueva();
    NuevaRelacion(d, QStringLiteral("FK"), {{"id", ""}});
    NuevoIndice(d, QStringLiteral("IX"));
    // Leaving the key grid for another page asks already; No cannot give
    // the focus back to a grid out of sight.
    mensajes.Respuestas = {vb::vbNo};
    d->SSTabIndicesRelaciones->PestañaActual(0);
    EXPECT_EQ(TextosCajas(), QStringList{kPreguntaIndice});
    EXPECT_NE(QApplication::focusWidget(), d->TDBGridIndices);
    mensajes.Cajas().clear();
    // The close asks for each grid (No keeps it as it is, and gives no
    // focus to a grid out of sight, so that Cancel, which sends the focus
    // to the column grid, asks nothing more), then the save question.
    mensajes.Respuestas = {vb::vbNo, vb::vbNo, vb::vbCancel};
    EXPECT_FALSE(d->Unload());
    EXPECT_EQ(TextosCajas(), (QStringList{kPreguntaIndice, kPreguntaRelacion, "¿Desea Guardar los cambios?"}));
    // Yes to both: the index and the relation go before the question.
    mensajes.Cajas().clear();
    mensajes.Respuestas = {vb::vbYes, vb::vbYes, vb::vbCancel};
    EXPECT_FALSE(d->Unload());
    EXPECT_EQ(d->NumeroIndices, 0);
    EXPECT_EQ(d->NumeroRelaciones, 0);
    EXPECT_EQ(TextosCajas().size(), 3);
}

TEST_F(EditorIndices, ALoadedTableShowsItsFirstIndexAndRelation) {
    Abre({"Tienda"});
    Objetos(SqlTablas("Tienda.."), "tipo", {{"Clientes", "U", "dbo"}, {"Pedidos", "U", "dbo"}});
    auto busca = [](const QString& campo, const QString& tabla, const QString& condicion) {
        return "Select " + campo + " from Tienda.." + tabla + " where " + condicion;
    };
    conexion->RespondePatron("sysfilegroups g order by groupid", QStringList{"groupname", "status", "groupid", "filecount"},
                             {{"PRIMARY", 16, 1, 1}, {"INDICES", 0, 2, 1}});
    conexion->Responde("Select * from Tienda..sysobjects  where type = 'U' and name = 'Pedidos' and uid = (select uid "
                       "from Tienda..sysusers where name = 'dbo') order by name",
                       QStringList{"name", "id"}, {{"Pedidos", 101}});
    conexion->Responde("Select * from Tienda..syscolumns  where id = 101 order by colid",
                       QStringList{"name", "xtype", "length", "prec", "scale", "isnullable", "cdefault", "collation"},
                       {{"id", 56, 4, 10, 0, 0, 0, QVariant()},
                        {"cliente", 56, 4, 10, 0, 0, 0, QVariant()},
                        {"alta", 61, 8, 23, 3, 0, 0, QVariant()}});
    conexion->Responde(
        "Select * from Tienda..sysindexes  where id = 101 and indid <> 255 and (status & 64)=0 order by indid",
        QStringList{"name", "indid", "status", "groupid", "origfillfactor", "keys"},
        {{"PK_Pedidos", 1, 2066, 2, 90, "k"}, {"IX_alta", 2, 0, 1, 0, "k"}});
    conexion->Responde(busca("xtype", "sysobjects", "name = 'PK_Pedidos' and parent_obj=101"), QStringList{"xtype"},
                       {{"PK"}});
    conexion->Responde(busca("groupname", "sysfilegroups", "groupid=1"), QStringList{"g"}, {{"PRIMARY"}});
    conexion->Responde(busca("groupname", "sysfilegroups", "groupid=2"), QStringList{"g"}, {{"INDICES"}});
    conexion->Responde("Select * from Tienda..sysindexkeys  where id = 101 and indid = 1 order by keyno",
                       QStringList{"colid"}, {{1}});
    conexion->Responde("Select * from Tienda..sysindexkeys  where id = 101 and indid = 2 order by keyno",
                       QStringList{"colid"}, {{3}});
    for (const auto& [colid, nombre] : {std::pair{1, "id"}, {2, "cliente"}, {3, "alta"}})
        conexion->Responde(busca("name", "syscolumns", "id=101 and colid=" + QString::number(colid)),
                           QStringList{"name"}, {{nombre}});
    QStringList campos{"constid", "fkeyid", "rkeyid"};
    QList<QVariant> clave{301, 101, 100};
    for (int k = 1; k <= 16; ++k) {
        campos << "fkey" + QString::number(k) << "rkey" + QString::number(k);
        clave << (k == 1 ? 2 : 0) << (k == 1 ? 1 : 0);
    }
    conexion->Responde("Select * from Tienda..sysreferences  where fkeyid = 101", campos, {clave});
    conexion->Responde(busca("name", "sysobjects", "id=100"), QStringList{"name"}, {{"Clientes"}});
    conexion->Responde(busca("name", "sysobjects", "id=301"), QStringList{"name"}, {{"FK_Pedidos_Clientes"}});
    conexion->Responde(busca("name", "syscolumns", "id=100 and colid=1"), QStringList{"name"}, {{"id"}});

    auto* f = frmAdministrador::SiExiste();
    f->trvBD->Nodes().Item(QStringLiteral("DTTienda")).Selected(true);
    f->ltvTablas->ListItems().Item(2).Selected(true);
    m()->mnuDiseño_Click();
    frmTabla* d = Tablas(1);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(mensajes.Cajas().isEmpty()) << TextosCajas().join('|').toStdString();
    EXPECT_EQ(Elementos(d->cboIndices), (QStringList{"PK_Pedidos", "IX_alta"}));
    EXPECT_EQ(d->cboIndices->currentIndex(), 0);
    EXPECT_EQ(d->txtNombreIndice->text(), QStringLiteral("PK_Pedidos"));
    EXPECT_TRUE(d->optClavePrimaria->isChecked());
    EXPECT_TRUE(d->chkIndiceUnico->isChecked());
    EXPECT_TRUE(d->chkAgrupado->isChecked());
    EXPECT_EQ(d->cboGrupoArchivoIndices->currentText(), QStringLiteral("INDICES"));
    EXPECT_EQ(d->TDBGridIndices->MatrizEnlazada(), d->ArrayIndices(0, 0));
    EXPECT_EQ(Entrada(d, 0), (QStringList{"PK_Pedidos", "P", "1", "1", "INDICES", "90"}));
    // Built at the load, before any index was selected: every column.
    EXPECT_EQ(Elementos(d->TDBGridIndices->Columns(1).ValueItems()), (QStringList{"id", "cliente", "alta"}));
    EXPECT_EQ(Elementos(d->cboRelaciones), QStringList{"FK_Pedidos_Clientes"});
    EXPECT_EQ(d->cboExterna->currentText(), QStringLiteral("Clientes"));
    EXPECT_EQ(d->TDBGridRelaciones->MatrizEnlazada(), d->ArrayRelaciones(0, 0));
    EXPECT_FALSE(d->fraTipoIndice->isEnabled());
    EXPECT_TRUE(d->Modificado);
}
