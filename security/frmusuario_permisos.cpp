// The user editor's object permissions: every object of the kind chosen in
// cboObjetos, one row each, with the user's code for each permission. A
// changed cell is sent at once as REVOKE, GRANT or DENY; the grid is not
// read again after it. dbo holds every permission and takes no edit.

#include "security/frmusuario.h"

#include "common/celdapermiso.h"
#include "common/funciones.h"
#include "common/globales.h"
#include "common/texto.h"
#include "explorer/consolasql.h"
#include "platform/rejilladatos.h"
#include "security/textoscuentas.h"

#include <QComboBox>

using namespace textoscuentas;

namespace {
constexpr int kColumnasPermiso = 5;      // columns 1 to 5
constexpr int kColumnaPropietario = 6;   // kept in the array, not shown
const QString kDbo = QStringLiteral("dbo");
}  // namespace

void frmUsuario::PreparaRejillaPermisos() {
    RejillaDatos* g = TDBGridPermisos;
    const char* titulos[] = {"Nombre", "SELECT", "INSERT", "UPDATE", "DELETE", "DRI"};
    for (int k = 0; k <= kColumnasPermiso; ++k) g->Columns(k).Caption(QString::fromLatin1(titulos[k]));
    // The name is the catalog's: it cannot be typed over.
    g->Columns(0).Locked(true);
    g->Columns(0).Width(160);
    for (int k = 1; k <= kColumnasPermiso; ++k) {
        PreparaColumnaPermiso(g, k);
        g->Columns(k).Width(g->fontMetrics().horizontalAdvance(QStringLiteral("REFERENCES")) + 4);
    }
    g->BeforeColEdit = [this](int c, int tecla, int& cancela) {
        short s = short(cancela);
        TDBGridPermisos_BeforeColEdit(short(c), short(tecla), s);
        cancela = s;
    };
    g->BeforeColUpdate = [this](int, const QString& anterior, int&) { permisoAnterior_ = anterior; };
    g->AfterColUpdate = [this](int c) { TDBGridPermisos_AfterColUpdate(short(c)); };
}

void frmUsuario::cboObjetos_Click() {
    const bool procedimientos = cboObjetos->currentIndex() == 0;
    TDBGridPermisos->Columns(1).Caption(procedimientos ? QStringLiteral("EXEC") : QStringLiteral("SELECT"));
    for (int k = 2; k <= kColumnasPermiso; ++k) TDBGridPermisos->Columns(k).Visible(!procedimientos);
    CargaObjetos();
}

void frmUsuario::CargaObjetos() {
    Atrapa("CargaObjetos", [&] {
        Conexion->Execute(Usa(BaseDatos));
        // The catalog read is the one of this database, whatever another
        // window left in the prefix.
        PonPrefijoBD(BaseDatos);
        if (Usuario == kDbo) UidUsuario = QStringLiteral("0");
        else UidUsuario = BuscaRegistro(Conexion, QStringLiteral("sysusers"), QStringLiteral("uid"),
                                        QStringLiteral("name"), Usuario, QStringLiteral("Texto"));
        if (UidUsuario.isEmpty()) {
            // No user of that name: no other account's permissions stay shown.
            if (ArrayPermisos) {
                ArrayPermisos.reset();
                TDBGridPermisos->MatrizEnlazada(ArrayPermisos);
            }
            return;
        }
        datos::Recordset objetos;
        if (!CreaRecordset(Conexion, objetos, ObjetosDeTipo(PrefijoBD, cboObjetos->currentIndex()))) return;
        if (!ArrayPermisos) ArrayPermisos = std::make_shared<GridDataArray>();
        ArrayPermisos->Redimensiona(0, int(objetos.RecordCount()), 0, kColumnaPropietario);
        for (int r = 0; !objetos.Eof(); ++r, objetos.MoveNext()) {
            ArrayPermisos->GrabaCelda(r, 0, objetos.Fields(QStringLiteral("Tabla")).Texto());
            ArrayPermisos->GrabaCelda(r, kColumnaPropietario, objetos.Fields(QStringLiteral("propietario")).Texto());
            if (Usuario == kDbo) {
                for (int k = 1; k <= kColumnasPermiso; ++k) ArrayPermisos->GrabaCelda(r, k, kPermisoConcedido);
                continue;
            }
            for (int k = 1; k <= kColumnasPermiso; ++k) ArrayPermisos->GrabaCelda(r, k, kPermisoNoAsignado);
            datos::Recordset protecciones;
            // An object whose protections cannot be read keeps "NA".
            if (!CreaRecordset(Conexion, protecciones,
                               ProteccionesObjeto(UidUsuario, objetos.Fields(QStringLiteral("id")).Texto())))
                continue;
            for (; !protecciones.Eof(); protecciones.MoveNext()) {
                const QString codigo =
                    CodigoProteccion(int(Val(protecciones.Fields(QStringLiteral("protecttype")).Texto())));
                const int columna =
                    ColumnaAccionObjeto(int(Val(protecciones.Fields(QStringLiteral("Action")).Texto())));
                if (codigo.isEmpty() || columna == 0) continue;
                ArrayPermisos->GrabaCelda(r, columna, codigo);
            }
        }
        TDBGridPermisos->MatrizEnlazada(ArrayPermisos);
        TDBGridPermisos->Reenlaza();
        TDBGridPermisos->Refresh();
    });
}

void frmUsuario::TDBGridPermisos_BeforeColEdit(short ColIndex, short KeyAscii, short& Cancel) {
    Q_UNUSED(ColIndex);
    Q_UNUSED(KeyAscii);
    if (Usuario == kDbo || LeeOtraCuenta()) Cancel = 1;
}

void frmUsuario::TDBGridPermisos_AfterColUpdate(short ColIndex) {
    if (ColIndex <= 0) return;
    RejillaDatos* g = TDBGridPermisos;
    const QString anterior = permisoAnterior_;
    // The cell shows what the server holds: a change that was not applied
    // goes back.
    const auto deshace = [&] {
        g->Columns(ColIndex).Value(anterior);
        g->RefrescaFila();
    };
    const bool aplicado = Atrapa("TDBGridPermisos_AfterColUpdate", [&] {
        Conexion->Execute(Usa(BaseDatos));
        const QString sentencia =
            PermisoObjeto(ColIndex, cboObjetos->currentIndex() == 0, g->Columns(ColIndex).Value());
        if (sentencia.isEmpty()) return;
        const QString propietario =
            g->MatrizEnlazada()->LeeCelda(g->PrimeraFila() + g->FilaActual(), kColumnaPropietario);
        Conexion->Execute(PermisoObjetoUsuario(sentencia, propietario, g->Columns(0).Value(), Usuario));
    });
    if (!aplicado) Atrapa("TDBGridPermisos_AfterColUpdate", deshace);
}
