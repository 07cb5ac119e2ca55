// The designer's column grid over the program's real path (ODBC, FreeTDS,
// TDS) against the scripted server: changing the type of a key column that
// another table references asks first, and a cascade the server refuses is
// rolled back with the cell showing its old type.
#include "explorer/consolasql.h"
#include "platform/rejilladatos.h"
#include "support/extremo.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/frmtabla.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include <algorithm>

using tdstest::Column;
using tdstest::Reply;
using tdstest::Type;

namespace {

Column Nombre(const char* n) { return {n, Type::NVarChar, 128, 0, 0, false}; }

Reply ClavesExternas(std::vector<tdstest::Row> filas) {
    return Reply::rows({Nombre("PKTABLE_OWNER"), Nombre("PKTABLE_NAME"), Nombre("PKCOLUMN_NAME"),
                        Nombre("FKTABLE_OWNER"), Nombre("FKTABLE_NAME"), Nombre("FKCOLUMN_NAME"), Nombre("FK_NAME")},
                       std::move(filas));
}

void Tecla(QWidget* rejilla, int tecla, const QString& texto = {}) {
    QWidget* w = QApplication::focusWidget() ? QApplication::focusWidget() : rejilla;
    QKeyEvent pulsa(QEvent::KeyPress, tecla, Qt::NoModifier, texto);
    QApplication::sendEvent(w, &pulsa);
    QKeyEvent suelta(QEvent::KeyRelease, tecla, Qt::NoModifier, texto);
    QApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &suelta);
}

}  // namespace

class RejillaExtremo : public PruebaExtremo {
protected:
    void TearDown() override {
        if (d) d->TDBGridTabla->LostFocus = nullptr;
        ReiniciaBD_SQL();
        PruebaExtremo::TearDown();
    }
    // A designer of Clientes, whose key column Id (int) the column
    // IdCliente of Pedidos references.
    void Abre() {
        servidor.on("Select name from master.dbo.sysdatabases order by name",
                    Reply::rows({Nombre("name")}, {{"master"}, {"Tienda"}}));
        servidor.on(" select convert(sysname,DatabasePropertyEx('Tienda','Collation'))",
                    Reply::rows({{"", Type::NVarChar, 128}}, {{"Modern_Spanish_CI_AS"}}));
        servidor.on("EXEC sp_fkeys 'Clientes'",
                    ClavesExternas({{"dbo", "Clientes", "Id", "dbo", "Pedidos", "IdCliente", "FK_Pedidos_Clientes"}}));
        servidor.on("EXEC sp_fkeys NULL,NULL,NULL,'Clientes'", ClavesExternas({}));
        ASSERT_NE(ConectaYExplora(), nullptr);
        GruposFicheros = std::make_shared<GridDataArray>();
        GruposFicheros->Redimensiona(0, 200, 0, 4);
        NombreNodo = QStringLiteral("Tienda");
        TablaNueva = true;
        d = new frmTabla();
        MuestraFormulario(d);
        d->txtNombreTabla->setText(QStringLiteral("Clientes"));
        const QStringList id{"M", "Id", "8", "4", "10", "0", "0", "", "", "Id"};
        for (int c = 0; c < id.size(); ++c) d->ArrayCampos->GrabaCelda(0, c, id[c]);
        QApplication::setActiveWindow(d->window());
        d->TDBGridTabla->setFocus();
        servidor.clearRecord();
    }
    // Picks smallint in the type cell of Id and confirms it.
    void CambiaTipo() {
        RejillaDatos* g = d->TDBGridTabla;
        g->ColumnaActual(TipoDato);
        g->FilaActual(0);
        Tecla(g, Qt::Key_F2);
        auto* combo = qobject_cast<QComboBox*>(QApplication::focusWidget());
        ASSERT_TRUE(combo);
        combo->setEditText(QStringLiteral("smallint"));
        Tecla(g, Qt::Key_Return, QStringLiteral("\r"));
    }
    std::vector<std::string> Enviadas() { return servidor.statements(); }

    frmTabla* d = nullptr;
};

TEST_F(RejillaExtremo, NoToTheQuestionSendsNothingAfterTheDetection) {
    Abre();
    mensajes.Respuestas = {vb::vbNo};
    CambiaTipo();
    ASSERT_EQ(mensajes.Cajas().size(), 1);
    EXPECT_EQ(mensajes.Cajas()[0].estilo, 292);
    EXPECT_TRUE(mensajes.Cajas()[0].texto.contains(QStringLiteral("En la columna (IdCliente) de la tabla PEDIDOS")));
    EXPECT_EQ(Enviadas(), (std::vector<std::string>{"USE Tienda", "EXEC sp_fkeys 'Clientes'",
                                                    "EXEC sp_fkeys NULL,NULL,NULL,'Clientes'"}));
    // The edit is taken back.
    EXPECT_EQ(d->ArrayCampos->LeeCelda(0, TipoDato), QStringLiteral("8"));
}

TEST_F(RejillaExtremo, ACascadeTheServerRefusesIsRolledBackAndTheCellShowsTheOldType) {
    Abre();
    servidor.on(std::regex("Select id from Tienda\\.\\.sysobjects where name = 'Pedidos'.*"),
                Reply::error(208, "Invalid object name 'Pedidos'."));
    mensajes.Respuestas = {vb::vbYes};
    CambiaTipo();
    ASSERT_EQ(mensajes.Cajas().size(), 2);
    EXPECT_EQ(mensajes.Cajas()[1].texto, QStringLiteral(" Error Nº:208 (Invalid object name 'Pedidos'.)."));
    const auto enviadas = Enviadas();
    const auto inicio = std::find(enviadas.begin(), enviadas.end(), "BEGIN TRANSACTION");
    ASSERT_NE(inicio, enviadas.end());
    EXPECT_EQ(std::vector<std::string>(enviadas.begin(), inicio),
              (std::vector<std::string>{"USE Tienda", "EXEC sp_fkeys 'Clientes'",
                                        "EXEC sp_fkeys NULL,NULL,NULL,'Clientes'"}));
    EXPECT_NE(std::find(inicio, enviadas.end(), "ROLLBACK TRANSACTION"), enviadas.end());
    EXPECT_EQ(std::find(inicio, enviadas.end(), "COMMIT TRANSACTION"), enviadas.end());
    EXPECT_FALSE(servidor.inTransaction());
    // The cell shows int again, and the array holds its code.
    EXPECT_EQ(d->ArrayCampos->LeeCelda(0, TipoDato), QStringLiteral("8"));
    EXPECT_EQ(d->TDBGridTabla->model()->index(0, TipoDato).data().toString(), QStringLiteral("int"));
    EXPECT_EQ(puntero.actual, vb::vbDefault);
}
