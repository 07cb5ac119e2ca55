#include "platform/servicios.h"

#include "platform/formularios.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

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

// The style asks for the second button as the default one (No in Yes/No).
bool SegundoPorDefecto(int estilo) { return (estilo & 0x300) == 0x100; }

class MensajesQt : public ServicioMensajes {
public:
    int Muestra(const QString& texto, int estilo, const QString& titulo) override {
        QMessageBox caja(ventanas::VentanaDeCaja());
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

// The window a box belongs to, and the child window in front in it. A box
// hands the keyboard to the desktop, which may give it to another window, or
// bring another child window to the front; afterwards both come back, and
// the window's own control takes the keyboard: the one the code gave it
// after the box, else the one it had. On a real display the desktop
// activates the window only some moments after the box has gone; the watch
// of the keyboard then applies the window's own control.
class VentanaAntesDeCaja {
public:
    VentanaAntesDeCaja() : ventana_(ventanas::VentanaDeCaja()), foco_(QApplication::focusWidget()) {
        AnfitrionHijas* a = ventanas::Anfitrion();
        if (a && ventana_ == a->Ventana()) hija_ = a->HijaActiva();
    }
    void Devuelve() const {
        if (!ventana_) return;
        AnfitrionHijas* a = ventanas::Anfitrion();
        const bool activa = QApplication::activeWindow() == ventana_;
        if (activa && foco_ && QApplication::focusWidget() == foco_ && (!hija_ || (a && a->HijaActiva() == hija_)))
            return;  // nothing moved
        if (hija_ && hija_->Cargado() && hija_->Mostrado() && a && a->HijaActiva() != hija_) hija_->Activa();
        if (QApplication::activeWindow() != ventana_) {
            ventana_->activateWindow();
            ventanas::EsperaActivacion(ventana_);
            return;
        }
        ventanas::DevuelveTeclado(ventana_);
    }

private:
    QPointer<QWidget> ventana_;
    QPointer<QWidget> foco_;
    QPointer<Formulario> hija_;
};

}  // namespace

int MsgBox(const QString& texto, int estilo, const QString& titulo) {
    const VentanaAntesDeCaja ventana;
    const int respuesta = servicios::Mensajes().Muestra(texto, estilo, titulo);
    ventana.Devuelve();
    return respuesta;
}
void Beep() { servicios::Pitido().Pita(); }
void PunteroRaton(int puntero) { servicios::Puntero().Establece(puntero); }
int PunteroRaton() { return servicios::Puntero().Actual(); }
void MenuEmergente(QMenu* menu, const QPoint& posicion) { servicios::Menus().Emergente(menu, posicion); }
