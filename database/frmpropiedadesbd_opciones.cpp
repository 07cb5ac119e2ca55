// The database window's General tab (status, owner, creation date, size,
// users, collation) and its nine options, read when the window loads and
// written by OK.

#include "database/frmpropiedadesbd.h"
#include "database/textosbd.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>

namespace {

// The first field of the first row of a query, when it opened and has rows.
bool PrimerValor(const QString& sql, datos::Recordset& rs) {
    return CreaRecordset(Conexion, rs, sql) && !rs.Eof();
}

}  // namespace

QList<QCheckBox*> frmPropiedadesBD::CasillasOpciones() const {
    return {chkNULL, chkCrearEstadisticas, chkActEstadisticas, chkCerrar,
            chkIdenComillas, chkPaginaRasgada, chkReducir, chkDesencadenadores};
}

void frmPropiedadesBD::PonOpciones() {
    Atrapa("PonOpciones", [&] {
        // A new database starts with the options of model, the server's
        // template, so that OK writes what the server would give it.
        const QString bd = EsNueva ? QStringLiteral("model") : NombreBD();
        datos::Recordset rs;
        if (PrimerValor(TextoLeeOpcionBD(bd, 0), rs)) {
            const int posicion = PosicionRecuperacionBD(rs.Fields(0).Texto(), rs.Fields(0).IsNull());
            if (posicion >= 0) cboModelo->setCurrentIndex(posicion);
        }
        const QList<QCheckBox*> casillas = CasillasOpciones();
        for (int i = 1; i < kOpcionesBD; ++i) {
            datos::Recordset opcion;
            if (!PrimerValor(TextoLeeOpcionBD(bd, i), opcion)) continue;
            const bool activa = !opcion.Fields(0).IsNull() && Val(opcion.Fields(0).Texto()) == 1;
            casillas[i - 1]->setCheckState(activa ? Qt::Checked : Qt::Unchecked);
        }
    });
}

bool frmPropiedadesBD::GrabaOpciones() {
    return Atrapa("GrabaOpciones", [&] {
        const QString bd = NombreBD();
        const QString recuperacion = TextoRecuperacionBD(bd, cboModelo->currentIndex());
        if (!recuperacion.isEmpty()) Conexion->Execute(recuperacion);
        const QList<QCheckBox*> casillas = CasillasOpciones();
        // A greyed box counts as clear.
        for (int i = 1; i < kOpcionesBD; ++i)
            Conexion->Execute(TextoOpcionBD(bd, i, casillas[i - 1]->checkState() == Qt::Checked));
    });
}

void frmPropiedadesBD::DatosGenerales() {
    Atrapa("DatosGenerales", [&] {
        const QString bd = NombreBD();
        datos::Recordset rs;
        if (PrimerValor(TextoEstadoBD(bd), rs)) lblEstado->setText(rs.Fields(0).Texto());
        datos::Recordset dueño;
        if (PrimerValor(TextoPropietarioBD(bd), dueño)) {
            lblPropietario->setText(dueño.Fields(QStringLiteral("owner")).Texto());
            const QVariant fecha = dueño.Fields(QStringLiteral("crdate")).Value();
            // Day first, whatever the regional date order.
            if (fecha.isValid())
                lblFechaCreacion->setText(fecha.toDateTime().toString(QStringLiteral("dd/MM/yyyy HH:mm")));
        }
        // A new database not yet named has no files: "from [].dbo.sysfiles"
        // is a statement no server accepts.
        datos::Recordset tamaño;
        if (!Trim(bd).isEmpty() && PrimerValor(TextoTamañoBD(bd), tamaño))
            lblTamaño->setText(Trim(tamaño.Fields(0).Texto()) + QStringLiteral(" MB"));
        // The users query names no database: it counts only right after this
        // window's own USE went through.
        if (UsoPropio_) {
            UsoPropio_ = false;
            datos::Recordset usuarios;
            if (CreaRecordset(Conexion, usuarios, TextoUsuariosBD()))
                lblUsuarios->setText(QString::number(usuarios.RecordCount()));
        }
        lblIntercalacion->setText(DameIntercalacion(bd));
    });
}
