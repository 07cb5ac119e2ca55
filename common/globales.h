#pragma once
// The program's shared state: the connection and the strings and flags that
// windows hand to each other.

#include "platform/datos.h"

#include <QString>

#include <memory>

class GridDataArray;

// The one connection to the server.
extern std::shared_ptr<datos::Connection> Conexion;
extern QString Proveedor;       // provider of the connection string
extern QString NombreServidor;  // server as typed
extern QString NombreUsuario;   // login as typed
extern QString ClaveUsuario;    // password as typed; in memory only

extern qint16 Idioma;    // 0 Spanish, 1 English
extern QString Mensaje;  // text of the next message box, in the current language

extern QString PrefijoBD;     // current database & ".."
extern QString NombreNodo;    // current database, from the explorer's selection
extern QString NombreObjeto;  // user or login being edited ("" for a new one)
extern bool BDNueva;          // the database properties open for a new database
extern bool TablaNueva;       // the table designer opens for a new table
extern QString Ubicacion;     // folder chosen in the folder picker ("" when cancelled)

// Product name: title of the user's message boxes and of the main window.
inline const QString kProducto = QStringLiteral("Tolvek");

// Back to the state of a program that has just started (tests use it).
void ReiniciaGlobales();
