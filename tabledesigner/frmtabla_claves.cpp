// The designer's own keys and defaults on the server: dropping the foreign
// keys the table holds (those on one column, or every one) and every DEFAULT
// constraint of the table.

#include "tabledesigner/frmtabla.h"

#include "common/funciones.h"
#include "common/globales.h"
#include "common/texto.h"
#include "tabledesigner/bd_sql.h"
#include "tabledesigner/textosddl.h"

bool frmTabla::EliminaLosVinculos(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                                  const QString& campo) {
    return Atrapa("EliminaLosVinculos", [&] {
        // The designer's own table: of its owner.
        const QString& propietario = Propietario;
        const QString id = IdTablaUsuario(conexion, tabla, propietario);
        if (id.isEmpty()) return;
        datos::Recordset claves;
        AbreCatalogo(conexion, claves,
                     QStringLiteral("SELECT * from ") + PrefijoBD + QStringLiteral("sysreferences") +
                         QStringLiteral(" WHERE fkeyid=") + NumeroSQL(id));
        for (; !claves.Eof(); claves.MoveNext()) {
            const QString fkeyid = claves.Fields(QStringLiteral("fkeyid")).Texto();
            bool elegida = campo.isEmpty();
            for (int k = 1; k <= 16 && !elegida; ++k) {
                const QString fkey = claves.Fields(QStringLiteral("fkey") + QString::number(k)).Texto();
                if (Val(fkey) == 0) continue;
                elegida = LeeCatalogo(conexion, QStringLiteral("syscolumns"), QStringLiteral("name"),
                                      {{QStringLiteral("id"), fkeyid, QStringLiteral("Numerico")},
                                       {QStringLiteral("colid"), fkey, QStringLiteral("Numerico")}}) == campo;
            }
            if (!elegida) continue;
            auto nombrePorId = [&](const QString& idObjeto) {
                return LeeCatalogo(conexion, QStringLiteral("sysobjects"), QStringLiteral("name"),
                                   {{QStringLiteral("id"), idObjeto, QStringLiteral("Numerico")}});
            };
            const QString nombre = nombrePorId(claves.Fields(QStringLiteral("constid")).Texto());
            const QString suTabla = nombrePorId(fkeyid);
            if (!nombre.isEmpty() && !suTabla.isEmpty())
                conexion->Execute(
                    TextoEliminaConstraint(PrefijoConPropietario(PrefijoBD, propietario), suTabla, nombre));
        }
    });
}

bool frmTabla::EliminaConstraint(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla) {
    return Atrapa("EliminaConstraint", [&] {
        // The designer's own table: of its owner.
        const QString& propietario = Propietario;
        const QString id = IdTablaUsuario(conexion, tabla, propietario);
        if (id.isEmpty()) return;
        datos::Recordset defaults;
        AbreCatalogo(conexion, defaults,
                     QStringLiteral("SELECT * from ") + PrefijoBD + QStringLiteral("sysobjects") +
                         QStringLiteral(" where xtype='D' ") + QStringLiteral(" and parent_obj=") + NumeroSQL(id));
        for (; !defaults.Eof(); defaults.MoveNext())
            conexion->Execute(TextoEliminaDefault(PrefijoConPropietario(PrefijoBD, propietario), tabla,
                                                  defaults.Fields(QStringLiteral("Name")).Texto()));
    });
}
