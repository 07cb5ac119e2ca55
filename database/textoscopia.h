#pragma once
// The statements of the backup and restore windows, built from plain values
// with no window, connection or globals, so that each text can be checked
// exactly. Names go through NombreSQL, quoted values through CadenaSQL.

#include "platform/datos.h"

#include <QList>
#include <QPair>
#include <QString>

namespace textoscopia {

// The kind of backup the window's options choose.
enum class TipoCopia { Completa, Diferencial, Registro };

// The recovery model of a database.
QString ModeloRecuperacion(const QString& baseDatos);
// The backup device of that name, when it exists.
QString BuscaDispositivo(const QString& dispositivo);
QString BorraDispositivo(const QString& dispositivo);
// A disk device pointing at a file as the server sees it.
QString CreaDispositivo(const QString& dispositivo, const QString& fichero);
QString Copia(TipoCopia tipo, const QString& baseDatos, const QString& dispositivo);
// The backup sets a device holds (their Position column numbers them).
QString CabeceraDispositivo(const QString& dispositivo);
// Verifies a device's set; set 1 (the only one) is not named.
QString VerificaDispositivo(const QString& dispositivo, int posicion);

// The backup sets of a file, its verification and its list of database
// files; sets above 1 are named with FILE.
QString CabeceraFichero(const QString& ruta);
QString VerificaFichero(const QString& ruta, int posicion);
QString ListaFicherosCopia(const QString& ruta, int posicion);
// The database the connection moves to before a restore: a restore of
// master cannot run from master itself.
QString UsoRestauracion(const QString& baseDatos);
// Restores a database from a file, moving each logical file (first) to its
// physical name (second).
QString Restauracion(const QString& baseDatos, const QString& ruta,
                     const QList<QPair<QString, QString>>& movimientos, int posicion);

// The highest Position of a RESTORE HEADERONLY answer: the set written
// last, the newest of the file (0 when there is none).
int UltimoJuego(const datos::ResultSet& cabecera);

}  // namespace textoscopia
