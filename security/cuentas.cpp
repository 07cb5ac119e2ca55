#include "security/cuentas.h"

#include "common/funciones.h"
#include "common/texto.h"
#include "platform/formularios.h"
#include "platform/listacasillas.h"
#include "security/textoscuentas.h"

#include <QLineEdit>

namespace cuentas {

namespace {
void Distintas(QLineEdit* clave) {
    MensajeUsuario(QStringLiteral("Contraseña y confirmación de contraseña no son iguales."),
                   QStringLiteral("Confirm password is difernt to password."));
    DaTeclado(clave);
}
}  // namespace

bool CajasValidas(QLineEdit* usuario, QLineEdit* clave, QLineEdit* confirmacion) {
    if (Trim(usuario->text()).isEmpty()) {
        MensajeUsuario(QStringLiteral("Introduzca nombre usuario."), QStringLiteral("Insert User."));
        DaTeclado(usuario);
        return false;
    }
    if (Trim(clave->text()).isEmpty()) {
        MensajeUsuario(QStringLiteral("Introduzca contraseña."), QStringLiteral("Insert Password."));
        DaTeclado(clave);
        return false;
    }
    if (clave->text() != confirmacion->text()) {
        Distintas(clave);
        return false;
    }
    return true;
}

CambioClave CompruebaCambioClave(QLineEdit* clave, QLineEdit* confirmacion) {
    const bool hayClave = !Trim(clave->text()).isEmpty();
    const bool hayConfirmacion = !Trim(confirmacion->text()).isEmpty();
    if (hayClave && !hayConfirmacion) {
        MensajeUsuario(QStringLiteral("Introduzca confirmación de contraseña."),
                       QStringLiteral("Insert Confirm password."));
        DaTeclado(clave);
        return CambioClave::Rechazado;
    }
    if (clave->text() != confirmacion->text()) {
        Distintas(clave);
        return CambioClave::Rechazado;
    }
    return hayClave && hayConfirmacion ? CambioClave::Cambia : CambioClave::Ninguno;
}

void MarcaRoles(ListaCasillas* roles, const QString& login, const QString& baseDatos) {
    for (int i = 0; i < roles->ListCount(); ++i) roles->PonSinAviso(i, i == 0);
    if (login.isEmpty()) return;
    const auto resultados = Conexion->QueryAll(textoscuentas::AyudaLogins(login));
    // The second result relates the login to databases: login, database,
    // user or role, and the kind of relation.
    if (resultados.size() < 2) return;
    datos::Recordset rs;
    rs.Open(resultados[1]);
    // The procedure takes a pattern: a login such as ana_b also brings in
    // the rows of the logins it matches, which are not this one's.
    for (; !rs.Eof(); rs.MoveNext()) {
        if (rs.Fields(0).Texto() != login || rs.Fields(1).Texto() != baseDatos) continue;
        const QString rol = rs.Fields(QStringLiteral("username")).Texto();
        for (int i = 0; i < roles->ListCount(); ++i)
            if (roles->List(i) == rol) roles->PonSinAviso(i, true);
    }
}

}  // namespace cuentas
