#pragma once
// The test bench: doubles for the desktop's services and a fixture that
// starts every test from a program that has just started, connected to a
// scripted connection.

#include "conexion_guion.h"

#include "platform/errores.h"
#include "platform/registro.h"
#include "platform/servicios.h"

#include <QMap>
#include <QPointer>
#include <QPoint>

#include <gtest/gtest.h>

#include <ostream>

// The failure a call raised; a test failure when it raised none.
template <typename F>
ErrorEjecucion FalloDe(F&& f) {
    try {
        f();
    } catch (const ErrorEjecucion& e) {
        return e;
    }
    ADD_FAILURE() << "the call did not fail";
    return ErrorEjecucion(0, QString());
}

// Texts in test failures as texts.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// Records every box and answers from a script (OK, or the next answer
// queued). A question (a box with Yes/No buttons) that no answer was queued
// for fails the test at once, and so, when the test ends, does any box that
// the test never looked at (through Cajas() or TextosCajas()): a box no test
// expected must not pass unseen, nor wait for a user who is not there.
class MensajesDoble : public ServicioMensajes {
public:
    struct Caja {
        QString texto;
        int estilo;
        QString titulo;
        QPointer<QWidget> ventana;  // the window it belongs to, as the desktop's box would
    };
    QList<int> Respuestas;
    int FallarSiguientes = 0;  // the next n boxes fail to show
    std::function<void()> AlMostrar;  // what the desktop does while a box is up

    // The boxes shown so far; reading them counts as expecting them.
    QList<Caja>& Cajas() {
        vistas_ = cajas_.size();
        return cajas_;
    }
    // Boxes shown after the test last looked.
    qsizetype SinVer() const { return cajas_.size() - vistas_; }

    int Muestra(const QString& texto, int estilo, const QString& titulo) override;

private:
    QList<Caja> cajas_;
    qsizetype vistas_ = 0;
};

// Where no test has put its own double: any box fails the test at once.
class MensajesInesperados : public ServicioMensajes {
public:
    int Muestra(const QString& texto, int estilo, const QString& titulo) override;
};
// Puts it in place; every test program does so before its first test.
void UsaMensajesInesperados();

class PunteroDoble : public ServicioPuntero {
public:
    QList<int> Historia;
    int actual = 0;
    void Establece(int p) override {
        Historia.append(p);
        actual = p == vb::vbHourglass ? p : vb::vbDefault;
    }
    int Actual() const override { return actual; }
};

// Answers the file dialogs with the names queued ("" = cancelled).
class ArchivosDoble : public ServicioArchivos {
public:
    QStringList Abrir_, Guardar_;
    QStringList Pedidos;  // "abrir ext filtro" / "guardar ext filtro"
    QString Abrir(const QString& e, const QString& f) override {
        Pedidos.append("abrir " + e + " " + f);
        return Abrir_.isEmpty() ? QString() : Abrir_.takeFirst();
    }
    QString Guardar(const QString& e, const QString& f) override {
        Pedidos.append("guardar " + e + " " + f);
        return Guardar_.isEmpty() ? QString() : Guardar_.takeFirst();
    }
};

// Records every pop-up menu without showing it: the menu, the point and the
// items switched on at that moment; it can choose an item as the user would.
class MenusDoble : public ServicioMenus {
public:
    struct Mostrado {
        QMenu* menu;
        QPoint posicion;
        QStringList activos;  // object names of the items switched on
    };
    QList<Mostrado> Mostrados;
    QStringList Elegir;  // object names of the items to choose, one per pop-up ("" chooses none)

    void Emergente(QMenu* menu, const QPoint& posicion) override;
};

// Counts the bells instead of sounding them.
class PitidoDoble : public ServicioPitido {
public:
    int Pitidos = 0;
    void Pita() override { ++Pitidos; }
};

class AplicacionDoble : public ServicioAplicacion {
public:
    int Terminaciones = 0;
    void Termina() override { ++Terminaciones; }
};

// A registry in memory, with the key creation and the write able to fail.
class RegistroDoble : public registro::Almacen {
public:
    bool FallaCreacion = false;
    bool FallaEscritura = false;
    // Stored values: path -> name -> (type, data as the registry keeps it).
    QMap<QString, QMap<QString, QPair<int, QByteArray>>> Valores;
    void PonTexto(const QString& ruta, const QString& nombre, const QByteArray& texto);
    void PonNumero(const QString& ruta, const QString& nombre, qint32 n);

    long CreaClave(registro::HKEY raiz, const QString& ruta, int acceso, registro::HKEY* clave) override;
    long AbreClave(registro::HKEY raiz, const QString& ruta, int acceso, registro::HKEY* clave) override;
    long ConsultaTipo(registro::HKEY clave, const QString& nombre, int* tipo, qint64* tamano) override;
    long ConsultaDatos(registro::HKEY clave, const QString& nombre, QByteArray* datos) override;
    long EstableceValor(registro::HKEY clave, const QString& nombre, int tipo, const QByteArray& datos) override;
    long CierraClave(registro::HKEY clave) override;

private:
    QMap<registro::HKEY, QString> abiertas_;
    registro::HKEY siguiente_ = 100;
};

class PruebaTolvek : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The texts of the boxes shown so far.
    QStringList TextosCajas();

    MensajesDoble mensajes;
    PunteroDoble puntero;
    AplicacionDoble aplicacion;
    PitidoDoble pitido;
    MenusDoble menus;
    ArchivosDoble archivos;
    RegistroDoble registro;
    std::shared_ptr<ConexionGuion> conexion;  // what the program connects to
};

// A key pressed and released on the focused widget (on porDefecto when none
// has the focus), as the keyboard sends it; and text typed key by key.
void Tecla(int tecla, const QString& texto = {}, QWidget* porDefecto = nullptr);
void Escribe(const QString& s, QWidget* porDefecto = nullptr);

// Runs f as soon as the event loop runs (for closing a modal window).
void AlEntrarEnBucle(std::function<void()> f);
