// The database window's statement permissions: one row per user of the
// database, one permission cell per statement (CREATE DATABASE to BACKUP
// LOG). A changed cell is sent at once as REVOKE, GRANT or DENY; OK and
// Cancel neither apply nor undo it. The grid is loaded once, when the
// window opens on an existing database.

#include "database/frmpropiedadesbd.h"
#include "database/textosbd.h"

#include "common/celdapermiso.h"
#include "common/funciones.h"
#include "common/texto.h"
#include "platform/rejilladatos.h"

void frmPropiedadesBD::ConectaRejillaPermisos() {
    RejillaDatos* g = TDBGridPermisos;
    g->BeforeColUpdate = [this](int, const QString& anterior, int&) { permisoAnterior_ = anterior; };
    g->AfterColUpdate = [this](int c) { TDBGridPermisos_AfterColUpdate(short(c)); };
}

void frmPropiedadesBD::CargaPermisos() {
    Atrapa("CargaPermisos", [&] {
        Conexion->Execute(TextoUsoBD(BaseDatos));
        // The connection is on this database now: the users may be counted.
        UsoPropio_ = true;
        datos::Recordset usuarios;
        if (!CreaRecordset(Conexion, usuarios, TextoUsuariosPermisoBD(BaseDatos))) return;
        auto permisos = std::make_shared<GridDataArray>();
        const int total = int(usuarios.RecordCount());
        permisos->Redimensiona(0, total, 0, 9);
        for (int r = 0; !usuarios.Eof(); ++r, usuarios.MoveNext()) {
            permisos->GrabaCelda(r, 0, usuarios.Fields(QStringLiteral("nombre")).Texto());
            for (int k = 1; k <= kColumnasPermisoBD; ++k) permisos->GrabaCelda(r, k, kPermisoNoAsignado);
            datos::Recordset protecciones;
            // A user whose protections cannot be read keeps "NA" everywhere.
            if (!CreaRecordset(Conexion, protecciones,
                               TextoProteccionesBD(usuarios.Fields(QStringLiteral("id")).Texto())))
                continue;
            for (; !protecciones.Eof(); protecciones.MoveNext()) {
                const QString codigo = CodigoProteccion(int(Val(protecciones.Fields(QStringLiteral("protecttype")).Texto())));
                const int columna = ColumnaAccionBD(int(Val(protecciones.Fields(QStringLiteral("action")).Texto())));
                if (codigo.isEmpty() || columna == 0) continue;
                permisos->GrabaCelda(r, columna, codigo);
            }
        }
        ArrayPermisos = permisos;
        TDBGridPermisos->MatrizEnlazada(ArrayPermisos);
        TDBGridPermisos->Reenlaza();
        TDBGridPermisos->Refresh();
    });
}

void frmPropiedadesBD::TDBGridPermisos_AfterColUpdate(short ColIndex) {
    if (ColIndex <= 0) return;
    RejillaDatos* g = TDBGridPermisos;
    const QString anterior = permisoAnterior_;
    // The cell shows what the server holds: a change that was not applied
    // goes back.
    const auto deshace = [&] {
        g->Columns(ColIndex).Value(anterior);
        g->RefrescaFila();
    };
    const QString usuario = g->Columns(0).Value();
    // The empty last row belongs to no user: there is nobody to give it to.
    if (Trim(usuario).isEmpty()) {
        deshace();
        return;
    }
    const bool aplicado = Atrapa("TDBGridPermisos_AfterColUpdate", [&] {
        Conexion->Execute(TextoUsoBD(BaseDatos));
        const QString sentencia = TextoPermisoBD(ColIndex, g->Columns(ColIndex).Value());
        if (sentencia.isEmpty()) return;
        Conexion->Execute(TextoPermisoUsuarioBD(sentencia, usuario));
    });
    if (!aplicado) Atrapa("TDBGridPermisos_AfterColUpdate", deshace);
}
