#pragma once
// Registry access for the program's one setting.

#include "platform/registro.h"

#include <QString>
#include <QVariant>

using registro::HKEY;
using registro::HKEY_CURRENT_USER;
using registro::REG_DWORD;
using registro::REG_SZ;

// Access asked for every create and open: query, set, create sub-key,
// enumerate, notify and create link.
constexpr int kAccesoRegistro = 63;

// True when the key exists or was created.
bool CreaClave(HKEY raiz, const QString& ruta);
// True when the value was written (REG_SZ or REG_DWORD).
bool EstableceValorClave(HKEY raiz, const QString& ruta, const QString& nombre, const QVariant& valor, int tipo);
// The value read (a text or a 32-bit integer), or an empty variant.
QVariant ConsultaValor(HKEY raiz, const QString& ruta, const QString& nombre);
// Writes a value on an open key; 0 on success.
long EstableceValorEx(HKEY clave, const QString& nombre, int tipo, const QVariant& valor);
// Reads a value from an open key into valor; 0 on success, -1 for a type
// other than text and 32-bit integer.
long ConsultaValorEx(HKEY clave, const QString& nombre, QVariant& valor);
