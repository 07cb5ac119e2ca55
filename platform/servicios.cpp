#include "platform/servicios.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace {

// A lone carriage return breaks the line, as it does in the desktop's boxes.
QString LineasDeCaja(const QString& texto) {
    QString r;
    r.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c == u'\r') {
            r += u'\n';
            if (i + 1 < texto.size() && texto[i + 1] == u'\n') ++i;
        } else {
            r += c;
        }
    }
    return r;
}

// The window a box belongs to (defined with the keyboard's watch below).
QWidget* VentanaDeCaja();

// The style asks for the second button as the default one (No in Yes/No).
bool SegundoPorDefecto(int estilo) { return (estilo & 0x300) == 0x100; }

class MensajesQt : public ServicioMensajes {
public:
    int Muestra(const QString& texto, int estilo, const QString& titulo) override {
        QMessageBox caja(VentanaDeCaja());
        caja.setWindowTitle(titulo);
        caja.setText(LineasDeCaja(texto));
        switch (estilo & 0x70) {
        case vb::vbCritical: caja.setIcon(QMessageBox::Critical); break;
        case vb::vbQuestion: caja.setIcon(QMessageBox::Question); break;
        case vb::vbExclamation: caja.setIcon(QMessageBox::Warning); break;
        case vb::vbInformation: caja.setIcon(QMessageBox::Information); break;
        default: break;
        }
        switch (estilo & 0x0F) {
        case vb::vbYesNoCancel: {
            caja.addButton(QMessageBox::Yes);
            caja.addButton(QMessageBox::No);
            auto* cancelar = caja.addButton(QMessageBox::Cancel);
            caja.setEscapeButton(cancelar);
            caja.setDefaultButton(SegundoPorDefecto(estilo) ? QMessageBox::No : QMessageBox::Yes);
            break;
        }
        case vb::vbYesNo:
            caja.addButton(QMessageBox::Yes);
            caja.addButton(QMessageBox::No);
            caja.setDefaultButton(SegundoPorDefecto(estilo) ? QMessageBox::No : QMessageBox::Yes);
            break;
        default: caja.addButton(QMessageBox::Ok); break;
        }
        // The pointer shows an arrow while the user answers.
        const bool ocupado = QApplication::overrideCursor() != nullptr;
        if (ocupado) QApplication::setOverrideCursor(Qt::ArrowCursor);
        caja.exec();
        if (ocupado) QApplication::restoreOverrideCursor();
        switch (caja.standardButton(caja.clickedButton())) {
        case QMessageBox::Yes: return vb::vbYes;
        case QMessageBox::No: return vb::vbNo;
        case QMessageBox::Cancel: return vb::vbCancel;
        default:
            // A box closed from its frame answers Cancel where it has one.
            return (estilo & 0x0F) == vb::vbYesNoCancel ? vb::vbCancel : vb::vbOK;
        }
    }
};

class PunteroQt : public ServicioPuntero {
public:
    void Establece(int puntero) override {
        const bool ocupado = puntero == vb::vbHourglass;
        if (ocupado && !ocupado_) QApplication::setOverrideCursor(Qt::WaitCursor);
        if (!ocupado && ocupado_) QApplication::restoreOverrideCursor();
        ocupado_ = ocupado;
        actual_ = ocupado ? vb::vbHourglass : vb::vbDefault;
    }
    int Actual() const override { return actual_; }

private:
    bool ocupado_ = false;
    int actual_ = vb::vbDefault;
};

class TecladoQt : public ServicioTeclado {
public:
    void EnviaTabulador() override {
        QWidget* foco = QApplication::focusWidget();
        if (!foco) return;
        // Posted, so the focus moves after the current key handler returns.
        QCoreApplication::postEvent(foco, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
        QCoreApplication::postEvent(foco, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier));
    }
};

class AplicacionQt : public ServicioAplicacion {
public:
    void Termina() override { QCoreApplication::exit(0); }
};

class ArchivosQt : public ServicioArchivos {
public:
    QString Abrir(const QString& extension, const QString& filtro) override {
        return Dialogo(QFileDialog::AcceptOpen, extension, filtro);
    }
    QString Guardar(const QString& extension, const QString& filtro) override {
        return Dialogo(QFileDialog::AcceptSave, extension, filtro);
    }

private:
    static QString Dialogo(QFileDialog::AcceptMode modo, const QString& extension, const QString& filtro) {
        QFileDialog d(QApplication::activeWindow());
        d.setAcceptMode(modo);
        d.setFileMode(modo == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        d.setDefaultSuffix(extension);
        d.setNameFilter(filtro);
        if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return QString();
        return d.selectedFiles().first();
    }
};

ArchivosQt gArchivosQt;
ServicioArchivos* gArchivos = &gArchivosQt;
class MenusQt : public ServicioMenus {
public:
    void Emergente(QMenu* menu, const QPoint& posicion) override {
        // The pointer shows an arrow while the user chooses.
        const bool ocupado = QApplication::overrideCursor() != nullptr;
        if (ocupado) QApplication::setOverrideCursor(Qt::ArrowCursor);
        menu->exec(posicion);
        if (ocupado) QApplication::restoreOverrideCursor();
    }
};

class PitidoQt : public ServicioPitido {
public:
    void Pita() override { QApplication::beep(); }
};

PitidoQt gPitidoQt;
ServicioPitido* gPitido = &gPitidoQt;
MenusQt gMenusQt;
ServicioMenus* gMenus = &gMenusQt;
MensajesQt gMensajesQt;
PunteroQt gPunteroQt;
TecladoQt gTecladoQt;
AplicacionQt gAplicacionQt;

ServicioMensajes* gMensajes = &gMensajesQt;
ServicioPuntero* gPuntero = &gPunteroQt;
ServicioTeclado* gTeclado = &gTecladoQt;
ServicioAplicacion* gAplicacion = &gAplicacionQt;

}  // namespace

namespace servicios {
ServicioPitido& Pitido() { return *gPitido; }
void Usa(ServicioPitido* s) { gPitido = s ? s : &gPitidoQt; }
ServicioMenus& Menus() { return *gMenus; }
void Usa(ServicioMenus* s) { gMenus = s ? s : &gMenusQt; }
ServicioArchivos& Archivos() { return *gArchivos; }
void Usa(ServicioArchivos* s) { gArchivos = s ? s : &gArchivosQt; }
ServicioMensajes& Mensajes() { return *gMensajes; }
ServicioPuntero& Puntero() { return *gPuntero; }
ServicioTeclado& Teclado() { return *gTeclado; }
ServicioAplicacion& Aplicacion() { return *gAplicacion; }
void Usa(ServicioMensajes* s) { gMensajes = s ? s : &gMensajesQt; }
void Usa(ServicioPuntero* s) { gPuntero = s ? s : &gPunteroQt; }
void Usa(ServicioTeclado* s) { gTeclado = s ? s : &gTecladoQt; }
void Usa(ServicioAplicacion* s) { gAplicacion = s ? s : &gAplicacionQt; }
}  // namespace servicios

namespace {

// Whether a control can take the keyboard now.
bool PuedeTenerFoco(const QWidget* w) {
    return w && w->isVisible() && w->isEnabled() && w->focusPolicy() != Qt::NoFocus;
}

// Gives the keyboard to a control, its child window in front of its area.
// In a window that is not active yet the control is only marked as the
// window's own, and gets the keyboard when the window is activated.
void DaFoco(QWidget* w) {
    for (QWidget* p = w; p; p = p->parentWidget()) {
        auto* marco = qobject_cast<QMdiSubWindow*>(p);
        if (marco && marco->mdiArea() && marco->mdiArea()->activeSubWindow() != marco)
            marco->mdiArea()->setActiveSubWindow(marco);
    }
    if (QApplication::focusWidget() != w) w->setFocus(Qt::ActiveWindowFocusReason);
}

// The control that has the keyboard before a box, with the widgets around
// it. A box hands the keyboard back to the desktop, which may give it to
// another window; and a cell editor that closes meanwhile takes its focus
// with it. Afterwards the window that raised the box is the active one
// again, and the control (or, when it has gone, the nearest control around
// it that takes the focus) has the keyboard, unless the code that raised
// the box gave it to another control after it.
class FocoAntesDeCaja {
public:
    FocoAntesDeCaja();
    void Devuelve() const;
    // Gives the keyboard back to the nearest surviving control.
    void Restaura() const {
        for (const QPointer<QWidget>& w : cadena_) {
            if (!PuedeTenerFoco(w)) continue;
            DaFoco(w);
            return;
        }
    }
    QWidget* Ventana() const { return ventana_; }

private:
    QPointer<QWidget> ventana_;
    QList<QPointer<QWidget>> cadena_;
};

// On a real display the desktop activates the main window again only some
// moments after the box has gone, and by then the control that had the
// keyboard may be gone too (the grid closes its cell editor after its
// message); Qt would then give the keyboard to the window's first control,
// and with it bring another child window to the front. This watch settles
// the keyboard when that activation comes, before Qt chooses: on the
// control the code gave it to after the box (it is the window's own focus
// control by then), else back where it was.
class FocoAlActivarse : public QObject {
public:
    // One watch at a time: the latest box's.
    static void Vigila(const FocoAntesDeCaja& foco) {
        if (actual_) actual_->Termina();
        actual_ = new FocoAlActivarse(foco);
    }
    // The window a watch waits for; a box shown meanwhile belongs to it.
    static QWidget* Esperada() { return actual_ ? actual_->foco_.Ventana() : nullptr; }

    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::WindowActivate && o == foco_.Ventana()) {
            QWidget* elegido = foco_.Ventana()->focusWidget();
            // The child window brought back may itself show a box.
            const FocoAntesDeCaja foco = foco_;
            const bool movido = elegido != dejado_ && PuedeTenerFoco(elegido);
            Termina();
            if (movido) DaFoco(elegido);
            else foco.Restaura();
        }
        return false;
    }

private:
    explicit FocoAlActivarse(const FocoAntesDeCaja& foco)
        : foco_(foco), dejado_(foco.Ventana() ? foco.Ventana()->focusWidget() : nullptr) {
        qApp->installEventFilter(this);
        // A desktop that activates nothing leaves the watch behind a moment.
        QTimer::singleShot(1000, this, [this] { Termina(); });
    }
    void Termina() {
        qApp->removeEventFilter(this);
        deleteLater();
        if (actual_ == this) actual_ = nullptr;
    }
    const FocoAntesDeCaja foco_;
    // The window's own control when the box had gone: another one there at
    // the activation was chosen by the code after the box.
    const QPointer<QWidget> dejado_;
    static inline QPointer<FocoAlActivarse> actual_;
};

// The window a box belongs to: the active one or, while the desktop has not
// yet activated the window that raised the last box, that window.
QWidget* VentanaDeCaja() {
    if (QWidget* w = QApplication::activeWindow()) return w;
    return FocoAlActivarse::Esperada();
}

FocoAntesDeCaja::FocoAntesDeCaja() : ventana_(VentanaDeCaja()) {
    QWidget* foco = QApplication::focusWidget();
    if (ventana_ && (!foco || foco->window() != ventana_)) foco = ventana_->focusWidget();
    for (QWidget* w = foco; w; w = w->parentWidget()) cadena_.append(w);
}

void FocoAntesDeCaja::Devuelve() const {
    const bool activa = QApplication::activeWindow() == ventana_;
    if (activa && (cadena_.isEmpty() || QApplication::focusWidget() == cadena_.first())) return;  // nothing moved
    if (ventana_ && !activa) ventana_->activateWindow();
    Restaura();
    if (ventana_ && QApplication::activeWindow() != ventana_) FocoAlActivarse::Vigila(*this);
}

}  // namespace

int MsgBox(const QString& texto, int estilo, const QString& titulo) {
    const FocoAntesDeCaja foco;
    const int respuesta = servicios::Mensajes().Muestra(texto, estilo, titulo);
    foco.Devuelve();
    return respuesta;
}
void Beep() { servicios::Pitido().Pita(); }
void PunteroRaton(int puntero) { servicios::Puntero().Establece(puntero); }
int PunteroRaton() { return servicios::Puntero().Actual(); }
void MenuEmergente(QMenu* menu, const QPoint& posicion) { servicios::Menus().Emergente(menu, posicion); }
