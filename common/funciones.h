#pragma once
// Procedures that every window and module uses: the common error reporter
// and the failure convention, user messages in the current language, the
// recordset opener and single-row lookups, the window helpers and the
// Enter-as-Tab filter.

#include "common/globales.h"
#include "platform/datos.h"
#include "platform/errores.h"
#include "platform/servicios.h"

#include <QString>

#include <new>

class QComboBox;
class Formulario;

// Reports a failure: " Error Nº:" number " (" text ")." in a box titled
// "Atención."; when that box cannot be shown, a critical box that also names
// the message and the procedure. Nothing is logged.
void MuestraError(const QString& mensaje, const QString& procedimiento, qint64 numero, const QString& texto);
// How many failures have been reported so far: a procedure that must know
// whether anything it called failed compares the count before and after.
qint64 FallosNotificados();

// The failure convention: runs a procedure's body; a failure anywhere in it
// is reported through MuestraError with the procedure's message and name,
// the mouse pointer returns to the default, and false is returned. The
// procedure's result is whatever the body had set by then.
void ReportaFallo(const QString& mensaje, const char* procedimiento, qint64 numero, const QString& texto);
template <class F>
bool Atrapa(const char* procedimiento, const QString& mensaje, F&& cuerpo) {
    try {
        cuerpo();
        return true;
    } catch (const ErrorEjecucion& e) {
        ReportaFallo(mensaje, procedimiento, e.Numero, e.Descripcion);
    } catch (const std::bad_alloc&) {
        ReportaFallo(mensaje, procedimiento, 7, QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        ReportaFallo(mensaje, procedimiento, errnum::LlamadaNoValida, QString::fromLocal8Bit(e.what()));
    }
    return false;
}
template <class F>
bool Atrapa(const char* procedimiento, F&& cuerpo) {
    return Atrapa(procedimiento, QString(), std::forward<F>(cuerpo));
}

// Calls aplica with the text of the current language; any other language
// index calls nothing.
template <class F>
void ConIdioma(const QString& es, const QString& en, F&& aplica) {
    if (Idioma == 0) aplica(es);
    else if (Idioma == 1) aplica(en);
}
// A message to the user: the text of the current language goes into Mensaje
// (any other language index leaves Mensaje as it was) and Mensaje is shown
// with the product's title. Returns the answer.
int MensajeUsuario(const QString& es, const QString& en, int estilo = vb::vbExclamation);

// Opens a new recordset for the statement on the connection into rs.
bool CreaRecordset(const std::shared_ptr<datos::Connection>& conexion, datos::Recordset& rs,
                   const QString& sql);

// One lookup criterion: field, value and type ("Numerico" or "Texto").
struct Criterio {
    QString Campo;
    QString Valor;
    QString Tipo;
};

// A text argument that a procedure may write back: bound to the caller's
// variable when one is passed, else to a copy of the value.
class RefTexto {
public:
    RefTexto(QString& variable) : p_(&variable) {}
    RefTexto(const QString& valor) : copia_(valor), p_(&copia_) {}
    RefTexto(const char* valor) : copia_(QString::fromUtf8(valor)), p_(&copia_) {}
    RefTexto(const RefTexto&) = delete;
    RefTexto& operator=(const RefTexto&) = delete;
    QString& operator*() const { return *p_; }

private:
    QString copia_;
    QString* p_;
};

// The first field of the first row of PrefijoBD & tabla matching up to five
// criteria, as text; "" when none or when the first value is empty. With a
// numeric first criterion the trimmed value is written back into valor1.
QString BuscaRegistro(const std::shared_ptr<datos::Connection>& conexion, const QString& tabla,
                      const QString& campoResultado, const QString& campo1, RefTexto valor1,
                      const QString& tipo1, const QString& campo2 = {}, const QString& valor2 = {},
                      const QString& tipo2 = {}, const QString& campo3 = {}, const QString& valor3 = {},
                      const QString& tipo3 = {}, const QString& campo4 = {}, const QString& valor4 = {},
                      const QString& tipo4 = {}, const QString& campo5 = {}, const QString& valor5 = {},
                      const QString& tipo5 = {});

// True when a row of PrefijoBD & tabla matches up to six criteria, and also
// when the query could not run (the failure was reported); False when the
// first value is empty or nothing matches. With avisa it warns that the code
// already exists.
bool ExisteRegistro(const std::shared_ptr<datos::Connection>& conexion, bool avisa, const QString& tabla,
                    const QList<Criterio>& criterios);

// Selects the item whose trimmed text equals texto; none when no item does.
bool BuscarComboCadena(const QString& texto, QComboBox* combo);

// True when a window of that name (compared in upper case) is loaded.
bool ExisteFormulario(const QString& nombre);

// Shows a window modeless and moves it to the left edge, or activates it when
// it is already shown (and moves every table designer to the left edge); the
// child windows are cascaded in both cases.
void MuestraFormulario(Formulario* ventana);

// Key filter of the entry fields: Enter becomes a Tab press (the focus moves
// to the next control) and is swallowed.
short SalidaCampo(short KeyAscii);
// Wires a control's key press to SalidaCampo for Enter.
void ConectaSalidaCampo(QWidget* control);

// The connection's command time-out is off while this lives, and back as
// it was afterwards, failures included: for statements that may take far
// longer than any other (creating or growing files, backups, restores).
class SinTiempoLimite {
public:
    explicit SinTiempoLimite(std::shared_ptr<datos::Connection> c) : c_(std::move(c)) {
        if (!c_) FallaNumero(errnum::ObjetoNoEstablecido);
        previo_ = c_->CommandTimeout();
        c_->setCommandTimeout(0);
    }
    ~SinTiempoLimite() { c_->setCommandTimeout(previo_); }
    SinTiempoLimite(const SinTiempoLimite&) = delete;
    SinTiempoLimite& operator=(const SinTiempoLimite&) = delete;

private:
    std::shared_ptr<datos::Connection> c_;
    int previo_ = 0;
};

// Opens a new connection into conexion on the given database with the shared
// provider, server, login and password.
bool Conecta_SQL(std::shared_ptr<datos::Connection>& conexion, const QString& baseDatos);
