#include "platform/errores.h"

QString DescripcionError(qint64 numero) {
    switch (numero) {
    case errnum::LlamadaNoValida: return QStringLiteral("Invalid procedure call or argument");
    case errnum::Desbordamiento: return QStringLiteral("Overflow");
    case errnum::FueraDeIntervalo: return QStringLiteral("Subscript out of range");
    case errnum::TiposNoCoinciden: return QStringLiteral("Type mismatch");
    case errnum::ObjetoNoEstablecido: return QStringLiteral("Object variable or With block variable not set");
    case errnum::MetodoNoAdmitido: return QStringLiteral("Object doesn't support this property or method");
    case errnum::ElementoNoEncontrado: return QStringLiteral("Item cannot be found in the collection corresponding to the requested name or ordinal.");
    case errnum::ObjetoCerrado: return QStringLiteral("Operation is not allowed when the object is closed.");
    case errnum::ValorNoValido: return QStringLiteral("Invalid property value");
    case errnum::NodoNoHallado: return QStringLiteral("Element not found");
    case errnum::ClaveRepetida: return QStringLiteral("Key is not unique in collection");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

void FallaNumero(qint64 numero) { throw ErrorEjecucion(numero, DescripcionError(numero)); }

namespace {
ReportadorFallos gReportador = nullptr;
}

void InstalaReportador(ReportadorFallos reportador) { gReportador = reportador; }

void ReportaFalloControl(const char* procedimiento, qint64 numero, const QString& descripcion) {
    if (gReportador) gReportador(procedimiento, numero, descripcion);
}
