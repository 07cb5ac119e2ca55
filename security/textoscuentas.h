#pragma once
// The statements of the user and login editors, built from the names and
// passwords as typed: every value inside a quoted literal has its quotes
// doubled, every database named bare goes through NombreSQL.

#include <QString>

namespace textoscuentas {

// The login of that name, if any.
QString BuscaLogin(const QString& nombre);
QString AnadeLogin(const QString& nombre, const QString& clave, const QString& baseDatos);
// The login editor's form: login and password only.
QString AnadeLoginSinBase(const QString& nombre, const QString& clave);
QString BaseDefecto(const QString& nombre, const QString& baseDatos);
// The user of that name with access to the database, belonging to a login.
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

}  // namespace textoscuentas
