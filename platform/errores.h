#pragma once
// Run-time failures. A procedure's body may fail anywhere; the failure
// travels as an ErrorEjecucion up to the procedure's own trap, which reports
// it (see common/funciones.h). Numbers follow the classic run-time numbering
// for failures inside the program and the server's native number for
// failures that come from the server.

#include <QString>
#include <exception>

class ErrorEjecucion : public std::exception {
public:
    ErrorEjecucion(qint64 numero, QString descripcion)
        : Numero(numero), Descripcion(std::move(descripcion)) {}
    const char* what() const noexcept override { return "ErrorEjecucion"; }

    qint64 Numero;
    QString Descripcion;
};

// Numbers of the failures raised inside the program.
namespace errnum {
constexpr qint64 LlamadaNoValida = 5;      // invalid procedure call or argument
constexpr qint64 Desbordamiento = 6;       // overflow
constexpr qint64 FueraDeIntervalo = 9;     // subscript out of range
constexpr qint64 TiposNoCoinciden = 13;    // type mismatch
constexpr qint64 ObjetoNoEstablecido = 91; // object variable not set
constexpr qint64 MetodoNoAdmitido = 438;   // object doesn't support this method
constexpr qint64 ElementoNoEncontrado = 3265; // item not found in the collection
constexpr qint64 ObjetoCerrado = 3704;     // operation not allowed when the object is closed
constexpr qint64 FalloGeneral = -2147467259; // unspecified failure of the data provider
constexpr qint64 ValorNoValido = 380;       // invalid property value
constexpr qint64 NodoNoHallado = 35601;    // element not found (tree, list and image list collections)
constexpr qint64 ClaveRepetida = 35602;    // key is not unique in the collection
}

[[noreturn]] inline void Falla(qint64 numero, const QString& descripcion) {
    throw ErrorEjecucion(numero, descripcion);
}
[[noreturn]] void FallaNumero(qint64 numero);  // with the standard description
QString DescripcionError(qint64 numero);

// Where a control of the platform reports a failure of a handler of its own,
// one that no window's handler traps (a folder list opening a folder): the
// program's error reporter, which common/ installs. None, nothing is shown.
using ReportadorFallos = void (*)(const char* procedimiento, qint64 numero, const QString& descripcion);
void InstalaReportador(ReportadorFallos reportador);
void ReportaFalloControl(const char* procedimiento, qint64 numero, const QString& descripcion);
// Runs a control's own handler under its name: a failure is reported there
// and goes no further.
template <class F>
void AtrapaControl(const char* procedimiento, F&& cuerpo) {
    try {
        cuerpo();
    } catch (const ErrorEjecucion& e) {
        ReportaFalloControl(procedimiento, e.Numero, e.Descripcion);
    }
}
