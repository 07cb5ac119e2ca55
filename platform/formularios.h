#pragma once
// Windows of the program. Every window has a name (its objectName), is
// "loaded" from the moment its load handler starts until it unloads, and is
// listed meanwhile in the collection of loaded windows. Child windows live in
// the main window's multiple-document area; a window class with one default
// instance derives from FormularioUnico.

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class QHBoxLayout;
class QMdiSubWindow;
class QPushButton;

class Formulario;

// What the main window offers its child windows.
class AnfitrionHijas {
public:
    virtual ~AnfitrionHijas() = default;
    virtual QMdiSubWindow* AgregaHija(Formulario* hija) = 0;
    virtual void Cascada() = 0;
    // The child window in front: the active one, or while another window
    // of the desktop is active (a box), the one that is active again after it.
    virtual Formulario* HijaActiva() const = 0;
    virtual QWidget* Ventana() = 0;
};

namespace ventanas {
// The main window registers itself here; nullptr when none.
void EstableceAnfitrion(AnfitrionHijas* anfitrion);
AnfitrionHijas* Anfitrion();

// The collection of loaded windows, in load order (the main window included).
QList<QWidget*> Cargadas();
void Registra(QWidget* ventana);
void Olvida(QWidget* ventana);

// Unloads every loaded window without asking any; used when the program
// ends and between tests.
void DescargaTodas();

// Unloads the loaded windows newest first, each through its own close (its
// query-unload may ask the user), all but those in salvo; a window loaded
// while another closes is asked too. Each window is brought to the front
// (shown again when minimised) before its close. Stops at the first window
// that cancels and answers false: it and the older ones stay loaded, and
// the window in front then does its activation's work.
bool DescargaPreguntando(const QList<QWidget*>& salvo = {});
// Whether DescargaPreguntando is closing the windows: a window that comes
// back meanwhile only takes the keyboard; its activation does no work (no
// list read from the server being left, no box).
bool Cerrando();

// The window a box belongs to: the active one or, while the desktop has not
// yet activated the window the last box gave back to, that window.
QWidget* VentanaDeCaja();
// A box has gone and its window waits for the desktop to activate it.
void EsperaActivacion(QWidget* ventana);
// The keyboard goes back to a window's own control, or in the main window
// to that of the child window in front.
void DevuelveTeclado(QWidget* ventana);
}  // namespace ventanas

// The window of the program a control belongs to: a child window in the
// main window's area, or a window of its own; none for a pop-up or a box.
Formulario* FormularioDe(QWidget* control);

// Whether a control can take the keyboard now: shown, switched on and
// taking the focus at all. Every choice of a control asks this.
bool PuedeTomarTeclado(const QWidget* control);

// Gives the keyboard to a control the code chose. It becomes its window's
// own control: it has the keyboard at once when its window is the active
// one, else when the window comes back (the desktop activates a window only
// some moments after a box has gone).
void DaTeclado(QWidget* control);

class Formulario : public QWidget {
    Q_OBJECT
public:
    enum class Clase { Hija, Libre, Modal };

    Formulario(const QString& nombre, Clase clase);
    ~Formulario() override;

    QString Name() const { return objectName(); }
    bool Cargado() const { return cargado_; }
    bool Mostrado() const { return mostrado_; }

    // Runs the load handler once; a loaded window is not loaded again.
    void Load();
    // Shows the window modeless, loading it first when needed.
    void Show();
    // Shows the window modal: returns when it has unloaded.
    void ShowModal();
    // Runs the unload handler; false when it cancelled.
    bool Unload();
    // Unloads without running the unload handler (the program is ending).
    void DescargaSinPreguntar();
    // Makes the window the active one and brings it to the front, with the
    // keyboard on its own control.
    void Activa();

    // Each window remembers its own control: the one that last had its
    // keyboard, or that the code gave it (DaTeclado) while the window was
    // not active. However the window comes back (another window closing, a
    // click on its frame, a box or another window going away), that control
    // gets the keyboard, if it can take it; the nearest control around it
    // if it has gone; else the starting control of the page now shown. What
    // the desktop or the multiple-document area would pick never counts.
    QWidget* ControlPropio();
    // Gives the keyboard to the window's own control (on a window that is
    // not active yet, to take when the desktop activates it).
    void DevuelveTeclado();
    // The starting control of the page now shown takes the keyboard.
    void TecladoAlInicio();
    // The control that has the keyboard becomes the window's own.
    void Recuerda(QWidget* control);

    // Position inside the main window's area (of the frame around a child).
    int Left() const;
    int Top() const;
    void EstableceLeft(int x);
    void EstableceTop(int y);
    // Top, then left, to 0: the top-left corner of the main window's area.
    void AEsquina();
    bool Minimizado() const;
    void Restaura();

    void Caption(const QString& texto) { setWindowTitle(texto); }
    QString Caption() const { return windowTitle(); }

    // The frame the window is shown in: its multiple-document frame for a
    // child shown in the main window, else the window itself.
    QWidget* Marco() const;

    // Called by the main window when this child becomes the active one.
    void ActivadaPorAnfitrion();

signals:
    void Descargado();

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    // Before the unload handler, whoever closes the window: Cancel = 1 keeps
    // it open and the unload handler does not run.
    virtual void Form_QueryUnload(int& Cancel) { Q_UNUSED(Cancel); }
    virtual void Form_Unload(int& Cancel) { Q_UNUSED(Cancel); }
    // Default instances forget themselves here.
    virtual void OlvidaInstancia() {}
    // Where the keyboard goes when the window opens, or comes back without
    // a control of its own it can give it to: where the work of the page
    // shown starts, never a list whose change acts at once. The first
    // control in tab order that takes the keyboard unless a window says; a
    // control that cannot take it now gives way to that one.
    virtual QWidget* ControlInicial();

    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    bool PreguntaDescarga();
    void Finaliza();
    void DevuelveAnterior();
    QWidget* PrimeroEnTabulacion();
    QWidget* ControlDeInicio();

    Clase clase_;
    bool cargado_ = false;
    bool mostrado_ = false;
    bool descargando_ = false;
    QPointer<QMdiSubWindow> marco_;
    // The window's own control and the widgets around it, innermost first.
    QList<QPointer<QWidget>> propio_;
};

// A window class with one default instance, created and loaded on first use
// (published before its load runs) and forgotten when it unloads. Base is
// the window's own base class when twin windows share one.
template <class T, class Base = Formulario>
class FormularioUnico : public Base {
public:
    using Base::Base;

    static T* Instancia() {
        if (!instancia_) {
            instancia_ = new T();
            instancia_->Load();
        }
        return instancia_;
    }
    // The default instance when one exists, without creating it.
    static T* SiExiste() { return instancia_; }

protected:
    void OlvidaInstancia() override {
        if (instancia_ == this) instancia_ = nullptr;
    }

private:
    static inline T* instancia_ = nullptr;
};

// Key-press handler with the code of the key typed (13 for Enter); setting
// the code to 0 swallows the key.
using ManejadorKeyPress = std::function<void(short& KeyAscii)>;
void ConectaKeyPress(QWidget* control, ManejadorKeyPress manejador);

// The "&Aceptar" and "&Cancelar" buttons of a dialog, named cmdAceptar and
// cmdCancelar, in a row that keeps them at its right.
QHBoxLayout* BotonesAceptarCancelar(QWidget* ventana, QPushButton*& cmdAceptar, QPushButton*& cmdCancelar);
