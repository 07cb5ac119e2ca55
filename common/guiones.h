#pragma once
// Script files (.sql): 8-bit text in the Windows-1252 code page with CR LF
// line ends.

#include <QString>

// The file's lines, each followed by CR LF. A line may end in CR LF, LF or
// CR. Fails (as a run-time error) when the file cannot be read.
QString LeeGuion(const QString& ruta);
// Writes the text followed by CR LF, unless it already ends with a line end.
// A character the code page cannot hold is written as "?".
void GrabaGuion(const QString& ruta, const QString& texto);
