#pragma once
// The statements of the user and login editors, built from the names and
// passwords as typed: every quoted value is written whole by CadenaSQL
// (N'...' beyond ASCII), every database named bare goes through NombreSQL.

#include <QString>

namespace textoscuentas {

// The login of that name, if any.
QString BuscaLogin(const QString& nombre);
QString AnadeLogin(const QString& nombre, const QString& clave, const QString& baseDatos);
// The login editor's form: login and password only.
QString AnadeLoginSinBase(const QString& nombre, const QString& clave);
QString BaseDefecto(const QString& nombre, const QString& baseDatos);
// The user of that name with access to the database that belongs to the
// login of that name (same security id): a user of that name that another
// login owns is not the new account's.
QString BuscaUsuario(const QString& baseDatos, const QString& nombre);
// The login that a user of the database belongs to (by security id).
QString LoginDelUsuario(const QString& baseDatos, const QString& usuario);
QString Usa(const QString& baseDatos);
QString DaAcceso(const QString& nombre);
QString CambiaClave(const QString& anterior, const QString& clave, const QString& nombre);
QString Roles();
QString AyudaLogins(const QString& login);
QString AnadeAlRol(const QString& rol, const QString& usuario);
QString QuitaDelRol(const QString& rol, const QString& usuario);

// The login editor's forms.
// A user of the database named like the login and belonging to it.
QString AccesoLogin(const QString& baseDatos, const QString& login);
QString UsaBase(const QString& baseDatos);  // "use " and the database
QString QuitaAccesoLogin(const QString& login);
QString DaAccesoLogin(const QString& login);
QString AnadeAlRolLogin(const QString& rol, const QString& login);
QString QuitaDelRolLogin(const QString& rol, const QString& login);

// The user editor's object permissions.
// The objects of a kind (0 procedures, 1 tables with the system tables, 2
// views) in the database of the prefix, by name: tabla, id and propietario.
QString ObjetosDeTipo(const QString& prefijo, int tipo);
// The protection rows of a user (by uid) on an object (by id), in the
// current database.
QString ProteccionesObjeto(const QString& uid, const QString& id);
// The permission column (1 to 5) that a protection row's action sets: 193
// and 224 column 1, 195 column 2, 197 column 3, 196 column 4, 26 column 5;
// 0 for any other action.
int ColumnaAccionObjeto(int action);
// The start of the statement for a committed cell of a permission column
// ("GRANT SELECT ON "), "" when the column is not one or the cell holds no
// code. Column 1 is EXECUTE for procedures, SELECT otherwise.
QString PermisoObjeto(int columna, bool procedimientos, const QString& celda);
// The whole statement: the start, the object with its owner in front when
// the owner is not dbo, " TO " and the user.
QString PermisoObjetoUsuario(const QString& sentencia, const QString& propietario, const QString& objeto,
                             const QString& usuario);

}  // namespace textoscuentas
