#pragma once
// Small services in place of what the desktop gives a program: message boxes,
// the screen's mouse pointer, the key injected by Enter-as-Tab, the bell and
// the end of the program. Each has a default that talks to Qt and can be
// replaced by a test double, so that no test ever waits on a modal box.

#include <QString>

#include <functional>
#include <memory>

class QMenu;
class QPoint;
class QWidget;

// Message box styles and answers, as the program passes and compares them.
namespace vb {
constexpr int vbOKOnly = 0;
constexpr int vbYesNoCancel = 3;
constexpr int vbYesNo = 4;
constexpr int vbCritical = 16;
constexpr int vbQuestion = 32;
constexpr int vbExclamation = 48;
constexpr int vbInformation = 64;

constexpr int vbOK = 1;
constexpr int vbCancel = 2;
constexpr int vbYes = 6;
constexpr int vbNo = 7;

constexpr int vbDefault = 0;    // mouse pointer: the default arrow
constexpr int vbHourglass = 11; // mouse pointer: busy
}  // namespace vb

class ServicioMensajes {
public:
    virtual ~ServicioMensajes() = default;
    // Shows a box and returns the answer (vbOK, vbCancel, vbYes, vbNo). A
    // failure to show it is thrown as an ErrorEjecucion.
    virtual int Muestra(const QString& texto, int estilo, const QString& titulo) = 0;
};

class ServicioPuntero {
public:
    virtual ~ServicioPuntero() = default;
    // Sets the screen's pointer: vbHourglass or vbDefault. Setting, not
    // stacking: any number of hourglasses and one default leave the default.
    virtual void Establece(int puntero) = 0;
    virtual int Actual() const = 0;
};

class ServicioTeclado {
public:
    virtual ~ServicioTeclado() = default;
    // Presses and releases Tab for the focused control, after the current
    // key handler has returned.
    virtual void EnviaTabulador() = 0;
};

class ServicioAplicacion {
public:
    virtual ~ServicioAplicacion() = default;
    // Ends the program at once: the event loop stops, no window is asked.
    virtual void Termina() = 0;
};

class ServicioArchivos {
public:
    virtual ~ServicioArchivos() = default;
    // The open and save dialogs: the chosen file's name, "" when cancelled.
    // A name typed without an extension gets the default one.
    virtual QString Abrir(const QString& extension, const QString& filtro) = 0;
    virtual QString Guardar(const QString& extension, const QString& filtro) = 0;
};

class ServicioMenus {
public:
    virtual ~ServicioMenus() = default;
    // Shows a menu as a pop-up at a point of the screen and returns when it
    // has closed; the item chosen, if any, has run its command by then.
    virtual void Emergente(QMenu* menu, const QPoint& posicion) = 0;
};

class ServicioPitido {
public:
    virtual ~ServicioPitido() = default;
    // Sounds the desktop's bell (a refused key, a locked cell).
    virtual void Pita() = 0;
};

namespace servicios {
ServicioPitido& Pitido();
void Usa(ServicioPitido* s);
ServicioMenus& Menus();
void Usa(ServicioMenus* s);
ServicioArchivos& Archivos();
void Usa(ServicioArchivos* s);
ServicioMensajes& Mensajes();
ServicioPuntero& Puntero();
ServicioTeclado& Teclado();
ServicioAplicacion& Aplicacion();

// Replace a service (nullptr restores the default). The caller keeps
// ownership and must restore it before the object goes away.
void Usa(ServicioMensajes* s);
void Usa(ServicioPuntero* s);
void Usa(ServicioTeclado* s);
void Usa(ServicioAplicacion* s);
}  // namespace servicios

// Shorthands used throughout the program.
// A box through the service; afterwards the window that raised it is active
// again, with the keyboard on its own control.
int MsgBox(const QString& texto, int estilo, const QString& titulo);
void Beep();
void PunteroRaton(int puntero);
int PunteroRaton();
// Shows a menu as a pop-up at a point of the screen (modal).
void MenuEmergente(QMenu* menu, const QPoint& posicion);
