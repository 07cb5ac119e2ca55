#pragma once
// The registry, as the program uses it: keys under the current user with
// typed values. The default store keeps them in QSettings (the real registry
// on Windows, a file under the user's configuration folder elsewhere); a test
// double can take its place.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace registro {

using HKEY = std::uintptr_t;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;

constexpr int REG_SZ = 1;
constexpr int REG_DWORD = 4;

constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_MORE_DATA = 234;

// The calls of a registry, shaped as the desktop's own: each returns 0 on
// success or an error code.
class Almacen {
public:
    virtual ~Almacen() = default;
    virtual long CreaClave(HKEY raiz, const QString& ruta, int acceso, HKEY* clave) = 0;
    virtual long AbreClave(HKEY raiz, const QString& ruta, int acceso, HKEY* clave) = 0;
    // The value's type and data size in bytes (a text counts its final zero).
    virtual long ConsultaTipo(HKEY clave, const QString& nombre, int* tipo, qint64* tamano) = 0;
    // The value's data: a text as 8-bit bytes with its final zero, a number as 4 bytes.
    virtual long ConsultaDatos(HKEY clave, const QString& nombre, QByteArray* datos) = 0;
    virtual long EstableceValor(HKEY clave, const QString& nombre, int tipo, const QByteArray& datos) = 0;
    virtual long CierraClave(HKEY clave) = 0;
};

Almacen& Actual();
// Replaces the store (nullptr restores the default); the caller keeps ownership.
void Usa(Almacen* almacen);

}  // namespace registro
