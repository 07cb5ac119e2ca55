#pragma once
// What the user and login editors check alike before they send anything:
// the name, password and confirmation of a new account, and a password
// change. Each refusal shows its message (Tolvek, exclamation) and puts the
// focus on the box to correct.

class ListaCasillas;
class QLineEdit;
class QString;

namespace cuentas {

// The name and the password must not be empty once trimmed; the password
// and its confirmation must be equal, compared exactly.
bool CajasValidas(QLineEdit* usuario, QLineEdit* clave, QLineEdit* confirmacion);

enum class CambioClave { Ninguno, Cambia, Rechazado };
// An existing account's password boxes: Ninguno when both are empty (once
// trimmed), Cambia when both are filled and equal, Rechazado (after its
// message) otherwise.
CambioClave CompruebaCambioClave(QLineEdit* clave, QLineEdit* confirmacion);

// Ticks, in a list of role names, public and the roles a login's user
// belongs to in a database, as the second result of sp_helplogins relates
// them (its rows of that very login only); every other role is cleared. Ticks are set without raising the
// list's check event. A login of "" ticks public alone.
void MarcaRoles(ListaCasillas* roles, const QString& login, const QString& baseDatos);

}  // namespace cuentas
