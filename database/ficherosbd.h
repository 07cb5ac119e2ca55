#pragma once
// Named numbers of the database window: its tabs, and the columns of its
// data-file and log-file arrays.

// The last row of the file and filegroup arrays: every pass reads to it.
constexpr int kUltimaFilaBD = 200;

// Tabs of the window.
enum PestañaBD { PestañaGeneral, PestañaOpciones, PestañaGrupos, PestañaArchivos, PestañaTransacciones, PestañaPermisos };

// Columns of the file arrays (column 9 is kept empty).
enum ColumnaFichero {
    NombreArchivo,          // logical name
    Ubicacion_,             // folder, ending in its separator
    TamañoInicial,          // MB
    GrupoArchivos,          // filegroup; "LOG" in the log array
    CrecimientoAutomatico,  // "-1" / "0"
    UnidadCrecimiento,      // "P" percent, "M" megabytes
    CantidadCrecimiento,    // percent or MB
    LimitarCrecimiento,     // "-1" / "0"
    CantidadMaxima          // MB
};
