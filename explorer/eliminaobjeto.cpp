#include "explorer/eliminaobjeto.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "explorer/frmadministrador.h"
#include "platform/arbolnodos.h"
#include "platform/listaelementos.h"

#include <algorithm>

namespace {

void Ejecuta(const QString& sql) {
    if (!Conexion) FallaNumero(errnum::ObjetoNoEstablecido);
    Conexion->Execute(sql);
}

// Takes the login's access away in every database (from the user that
// belongs to it, whatever that user is called), then drops the login.
//
// Nothing is taken away while the drop is bound to be refused: a login that
// owns a database goes straight to sp_droplogin, whose refusal tells why. The
// users are all looked up before the first revoke, and those that own
// objects are revoked first, so that the server's refusal of one of them
// comes before any access was taken.
void EliminaInicioSesion(const QString& login) {
    const QString literal = CadenaSQL(login);
    datos::Recordset propias;
    const bool duena = CreaRecordset(Conexion, propias,
                                     QStringLiteral("Select name from master.dbo.sysdatabases where sid = suser_sid(") +
                                         literal + QStringLiteral(")")) &&
                       !propias.Eof();
    struct Acceso {
        QString base, usuario;
        bool conObjetos;
    };
    QList<Acceso> accesos;
    datos::Recordset bases;
    if (!duena &&
        CreaRecordset(Conexion, bases, QStringLiteral("Select name from master.dbo.sysdatabases order by name"))) {
        while (!bases.Eof()) {
            const QString base = bases.Fields(QStringLiteral("Name")).Texto();
            PonPrefijoBD(base);
            // The database's users whose security id is the login's. A
            // database that cannot be read has been reported and is passed by.
            // The login's user in a database it owns is dbo, whose access
            // cannot be revoked.
            datos::Recordset usuarios;
            if (CreaRecordset(Conexion, usuarios,
                              QStringLiteral("Select u.name,(select count(*) from ") + PrefijoBD +
                                  QStringLiteral("sysobjects o where o.uid = u.uid) as objetos from ") + PrefijoBD +
                                  QStringLiteral("sysusers u,master.dbo.syslogins l where u.sid = l.sid and l.name = ") +
                                  literal + QStringLiteral(" and u.uid <> 1"))) {
                while (!usuarios.Eof()) {
                    accesos.append({base, usuarios.Fields(QStringLiteral("name")).Texto(),
                                    usuarios.Fields(QStringLiteral("objetos")).Texto() != QLatin1String("0")});
                    usuarios.MoveNext();
                }
            }
            bases.MoveNext();
        }
    }
    std::stable_partition(accesos.begin(), accesos.end(), [](const Acceso& a) { return a.conObjetos; });
    for (const Acceso& a : accesos) {
        Ejecuta(QStringLiteral("use ") + NombreSQL(a.base));
        Ejecuta(QStringLiteral("exec sp_revokedbaccess  ") + CadenaSQL(a.usuario));
    }
    Ejecuta(QStringLiteral(" EXEC sp_droplogin ") + literal);
}

}  // namespace

void EliminaObjetoSeleccionado() {
    PunteroRaton(vb::vbHourglass);
    const bool bien = Atrapa("mnuEliminar_Click", [&] {
        frmAdministrador* explorador = frmAdministrador::SiExiste();
        if (!explorador) FallaNumero(errnum::ObjetoNoEstablecido);
        const Nodo nodo = explorador->trvBD->SelectedItem();
        if (nodo.Key().left(2) == QLatin1String("BD")) {
            NombreNodo = BaseDatosDelNodo(nodo);
            // A database in use by this very connection cannot be dropped.
            Ejecuta(QStringLiteral("USE master"));
            Ejecuta(QStringLiteral("DROP DATABASE ") + NombreSQL(NombreNodo));
            CapturaBD_SQL();
            explorador->Show();  // shown, activated and brought to the front
        } else {
            const ElementoLista elemento = explorador->ltvTablas->SelectedItem();
            const QString clave = elemento.Key();
            const QChar letra = clave.isEmpty() ? QChar() : clave.at(0);
            if (letra == u'T') {
                NombreNodo = BaseDatosDelPadre(nodo);
                Ejecuta(QStringLiteral("use ") + NombreSQL(NombreNodo));
                Ejecuta(QStringLiteral("DROP TABLE ") + NombreConPropietario(elemento.SubItems(1), elemento.Text()));
                PonPrefijoBD(NombreNodo);
                explorador->MuestraTablas(nodo.Text());
            } else if (letra == u'V') {
                NombreNodo = BaseDatosDelPadre(nodo);
                Ejecuta(QStringLiteral("Use ") + NombreSQL(NombreNodo));
                Ejecuta(QStringLiteral("DROP VIEW ") + NombreConPropietario(elemento.SubItems(1), elemento.Text()));
                PonPrefijoBD(NombreNodo);
                explorador->MuestraVistas();
            } else if (letra == u'P') {
                NombreNodo = BaseDatosDelPadre(nodo);
                Ejecuta(QStringLiteral("Use ") + NombreSQL(NombreNodo));
                Ejecuta(QStringLiteral("DROP PROCEDURE ") +
                        NombreConPropietario(elemento.SubItems(1), elemento.Text()));
                PonPrefijoBD(NombreNodo);
                explorador->MuestraProcedimientos(NombreNodo);
            } else if (letra == u'I') {
                EliminaInicioSesion(elemento.Text());
                explorador->Muestra_InicioSesion();
            } else if (letra == u'U') {
                NombreNodo = BaseDatosDelPadre(nodo);
                Ejecuta(QStringLiteral("use ") + NombreSQL(NombreNodo));
                Ejecuta(QStringLiteral(" sp_revokedbaccess ") + CadenaSQL(elemento.Text()));
                explorador->MuestraUsuarios(NombreNodo);
            }
        }
        PunteroRaton(vb::vbDefault);
    });
    // The failure has been reported; the pointer comes back after it.
    if (!bien) PunteroRaton(vb::vbDefault);
}
