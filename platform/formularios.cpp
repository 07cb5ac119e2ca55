#include "platform/formularios.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>

namespace {
AnfitrionHijas* gAnfitrion = nullptr;
bool gCerrando = false;
QPointer<QWidget> gEsperada;  // the window a box gave back to, not yet activated

QList<QPointer<QWidget>>& Lista() {
    static QList<QPointer<QWidget>> l;
    return l;
}

// Whether a window is where the keyboard is: its own desktop window is the
// active one and, for a child window, it is the one in front of the area.
bool EnSuSitio(Formulario* f) {
    if (!f->window()->isActiveWindow()) return false;
    AnfitrionHijas* a = gAnfitrion;
    return f->isWindow() || !a || a->HijaActiva() == f;
}

// The one watch of the keyboard. Every control a window's keyboard moves to
// becomes its own; what the desktop gives a window it activates, and what
// the area picks for a child window it brings to the front, do not count:
// the window's own control takes the keyboard instead.
class VigiaTeclado : public QObject {
public:
    static void Instala() {
        static VigiaTeclado* vigia = nullptr;
        if (!vigia) {
            vigia = new VigiaTeclado();
            qApp->installEventFilter(vigia);
        }
    }

    bool eventFilter(QObject* o, QEvent* e) override {
        if (!o->isWidgetType()) return false;
        auto* w = static_cast<QWidget*>(o);
        if (e->type() == QEvent::FocusIn) Foco(w, static_cast<QFocusEvent*>(e)->reason());
        else if (e->type() == QEvent::WindowActivate && w->isWindow()) Activada(w);
        else if ((e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) && !enBarra_) {
            if (auto* barra = qobject_cast<QMenuBar*>(w)) return TeclaEnBarra(barra, e);
        }
        return false;
    }

private:
    static void Foco(QWidget* w, Qt::FocusReason razon) {
        if (auto* marco = qobject_cast<QMdiSubWindow*>(w)) {
            // A click on a child window's frame or title: the area would pick a
            // control of its own choosing next.
            auto* f = qobject_cast<Formulario*>(marco->widget());
            if (f && f->Cargado()) f->DevuelveTeclado();
            return;
        }
        Formulario* f = FormularioDe(w);
        if (!f || w == f || !f->Cargado()) return;
        // The desktop's choice on activating a window, or the area's first
        // control, is never the window's own.
        if (razon == Qt::ActiveWindowFocusReason) return;
        // The user's own moves count wherever they land (a click in a child
        // window behind brings it to the front); any other only in the window
        // that has the keyboard.
        const bool delUsuario = razon == Qt::MouseFocusReason || razon == Qt::TabFocusReason ||
                                razon == Qt::BacktabFocusReason || razon == Qt::ShortcutFocusReason;
        if (delUsuario || EnSuSitio(f)) f->Recuerda(w);
    }

    // Sent before Qt gives the keyboard to the window's focus widget, which
    // then is the window's own control.
    static void Activada(QWidget* ventana) {
        if (gEsperada == ventana) gEsperada = nullptr;
        ventanas::DevuelveTeclado(ventana);
    }

    // Escape leaves the menu bar, and Qt gives the keyboard back to the
    // control it came from; but the letter of a disabled menu, pressed in
    // between, makes the bar forget that control and keep the keyboard with
    // nothing highlighted. The bar takes its key here, and once it has
    // nothing highlighted it holds the keyboard no longer.
    bool TeclaEnBarra(QMenuBar* barra, QEvent* e) {
        enBarra_ = true;
        QCoreApplication::sendEvent(barra, e);
        enBarra_ = false;
        if (QApplication::focusWidget() == barra && !barra->activeAction()) ventanas::DevuelveTeclado(barra->window());
        return true;
    }

    bool enBarra_ = false;
};
}  // namespace

Formulario* FormularioDe(QWidget* control) {
    for (QWidget* w = control; w; w = w->parentWidget()) {
        if (auto* f = qobject_cast<Formulario*>(w)) return f;
        if (w->isWindow()) return nullptr;
    }
    return nullptr;
}

bool PuedeTomarTeclado(const QWidget* control) {
    return control && control->isVisible() && control->isEnabled() && control->focusPolicy() != Qt::NoFocus;
}

void DaTeclado(QWidget* control) {
    if (!control) return;
    if (Formulario* f = FormularioDe(control)) f->Recuerda(control);
    control->setFocus(Qt::OtherFocusReason);
}

namespace ventanas {

void EstableceAnfitrion(AnfitrionHijas* anfitrion) { gAnfitrion = anfitrion; }
AnfitrionHijas* Anfitrion() { return gAnfitrion; }

QList<QWidget*> Cargadas() {
    QList<QWidget*> r;
    for (const auto& p : Lista())
        if (p) r.append(p.data());
    return r;
}

void Registra(QWidget* ventana) {
    if (!Lista().contains(ventana)) Lista().append(ventana);
}

void Olvida(QWidget* ventana) { Lista().removeAll(ventana); }

bool Cerrando() { return gCerrando; }

QWidget* VentanaDeCaja() {
    if (QWidget* w = QApplication::activeWindow()) return w;
    return gEsperada;
}

void EsperaActivacion(QWidget* ventana) { gEsperada = ventana; }

void DevuelveTeclado(QWidget* ventana) {
    auto* f = qobject_cast<Formulario*>(ventana);
    if (!f && gAnfitrion && gAnfitrion->Ventana() == ventana) f = gAnfitrion->HijaActiva();
    if (f && f->Cargado() && f->Mostrado()) f->DevuelveTeclado();
}

void DescargaTodas() {
    const auto todas = Cargadas();
    for (auto it = todas.rbegin(); it != todas.rend(); ++it) {
        QWidget* w = *it;
        Olvida(w);
        if (auto* f = qobject_cast<Formulario*>(w)) f->DescargaSinPreguntar();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool DescargaPreguntando(const QList<QWidget*>& salvo) {
    // Each window is asked once: one that stays loaded after its close
    // (a close already under way) is not asked again.
    QList<QPointer<Formulario>> preguntadas;
    auto preguntada = [&](Formulario* f) {
        for (const auto& p : preguntadas)
            if (p == f) return true;
        return false;
    };
    const bool antes = gCerrando;
    gCerrando = true;
    bool todas = true;
    for (;;) {
        Formulario* siguiente = nullptr;
        const auto cargadas = Cargadas();
        for (auto it = cargadas.rbegin(); it != cargadas.rend() && !siguiente; ++it) {
            auto* f = qobject_cast<Formulario*>(*it);
            if (f && f->Cargado() && !salvo.contains(f) && !preguntada(f)) siguiente = f;
        }
        if (!siguiente) break;
        preguntadas.append(siguiente);
        // The window whose close may ask is the one in front, shown, with the
        // keyboard: the user sees which window asks.
        if (siguiente->Mostrado()) {
            if (siguiente->Minimizado()) siguiente->Restaura();
            siguiente->Activa();
        }
        if (!siguiente->Unload()) {
            todas = false;
            break;
        }
    }
    gCerrando = antes;
    // The program goes on with the windows left: the one in front does the
    // work of its activation, which the closes held back.
    if (!gCerrando && gAnfitrion)
        if (Formulario* f = gAnfitrion->HijaActiva()) f->ActivadaPorAnfitrion();
    return todas;
}

}  // namespace ventanas

Formulario::Formulario(const QString& nombre, Clase clase) : clase_(clase) {
    VigiaTeclado::Instala();
    setObjectName(nombre);
    if (clase_ == Clase::Libre || clase_ == Clase::Modal) {
        setWindowFlag(Qt::Dialog);
        if (auto* a = ventanas::Anfitrion()) setParent(a->Ventana(), windowFlags() | Qt::Dialog);
    }
}

Formulario::~Formulario() {
    // A window destroyed without unloading leaves the collection all the same.
    ventanas::Olvida(this);
}

void Formulario::Load() {
    if (cargado_) return;
    cargado_ = true;
    ventanas::Registra(this);
    Form_Load();
}

QWidget* Formulario::Marco() const {
    if (marco_) return marco_.data();
    return const_cast<Formulario*>(this);
}

void Formulario::Show() {
    Load();
    if (!cargado_) return;  // the load unloaded the window
    if (clase_ == Clase::Hija && !marco_ && ventanas::Anfitrion()) {
        marco_ = ventanas::Anfitrion()->AgregaHija(this);
    }
    mostrado_ = true;
    Marco()->show();
    if (marco_) marco_->widget()->show();
    Activa();
}

void Formulario::ShowModal() {
    Load();
    if (!cargado_) return;
    QPointer<Formulario> yo(this);
    setWindowModality(Qt::ApplicationModal);
    mostrado_ = true;
    QEventLoop bucle;
    connect(this, &Formulario::Descargado, &bucle, &QEventLoop::quit);
    show();
    raise();
    activateWindow();
    bucle.exec();
}

void Formulario::Activa() {
    if (marco_) {
        if (auto* area = marco_->mdiArea()) area->setActiveSubWindow(marco_);
        marco_->raise();
    } else {
        raise();
        activateWindow();
    }
    // After the area's activation, which may have picked a control of its
    // own for a window whose desktop window is not active yet.
    if (isVisible()) DevuelveTeclado();
}

void Formulario::Recuerda(QWidget* control) {
    if (!control || control == this || !isAncestorOf(control)) return;
    propio_.clear();
    for (QWidget* w = control; w && w != this; w = w->parentWidget()) propio_.append(w);
}

QWidget* Formulario::ControlPropio() {
    if (!propio_.isEmpty()) {
        if (QWidget* propio = propio_.first()) {
            if (PuedeTomarTeclado(propio)) return propio;
        } else {
            // Gone (a cell editor closed meanwhile): the nearest control around it.
            for (const QPointer<QWidget>& w : propio_)
                if (PuedeTomarTeclado(w)) return w;
        }
    }
    return ControlDeInicio();
}

void Formulario::DevuelveTeclado() { DaTeclado(ControlPropio()); }

void Formulario::TecladoAlInicio() { DaTeclado(ControlDeInicio()); }

QWidget* Formulario::ControlDeInicio() {
    QWidget* inicial = ControlInicial();
    if (inicial && isAncestorOf(inicial) && PuedeTomarTeclado(inicial)) return inicial;
    return PrimeroEnTabulacion();
}

QWidget* Formulario::ControlInicial() { return PrimeroEnTabulacion(); }

QWidget* Formulario::PrimeroEnTabulacion() {
    // A window whose first control is switched off (an editor of an
    // existing account) starts at the next one.
    QWidget* w = nextInFocusChain();
    for (int vueltas = 0; w && w != this && vueltas < 10000; w = w->nextInFocusChain(), ++vueltas) {
        if (isAncestorOf(w) && PuedeTomarTeclado(w) && (w->focusPolicy() & Qt::TabFocus)) return w;
    }
    return nullptr;
}

void Formulario::DevuelveAnterior() {
    // The child window that was active before this one comes back, not the
    // next one in the order the windows were made.
    QMdiArea* area = marco_ ? marco_->mdiArea() : nullptr;
    if (!area || area->activeSubWindow() != marco_) return;
    const auto historia = area->subWindowList(QMdiArea::ActivationHistoryOrder);
    for (auto it = historia.rbegin(); it != historia.rend(); ++it) {
        auto* anterior = qobject_cast<Formulario*>((*it)->widget());
        if (*it == marco_ || !anterior || !(*it)->isVisible()) continue;
        anterior->Activa();
        return;
    }
}

int Formulario::Left() const { return Marco()->x(); }
int Formulario::Top() const { return Marco()->y(); }
void Formulario::EstableceLeft(int x) { Marco()->move(x, Marco()->y()); }
void Formulario::EstableceTop(int y) { Marco()->move(Marco()->x(), y); }
void Formulario::AEsquina() {
    EstableceTop(0);
    EstableceLeft(0);
}
bool Formulario::Minimizado() const { return Marco()->isMinimized(); }
void Formulario::Restaura() { Marco()->showNormal(); }

bool Formulario::PreguntaDescarga() {
    int cancel = 0;
    Form_QueryUnload(cancel);
    if (cancel == 0) Form_Unload(cancel);
    return cancel == 0;
}

void Formulario::Finaliza() {
    cargado_ = false;
    mostrado_ = false;
    ventanas::Olvida(this);
    OlvidaInstancia();
    emit Descargado();
}

void Formulario::DescargaSinPreguntar() {
    if (descargando_) return;
    descargando_ = true;
    if (cargado_) Finaliza();
    if (marco_) marco_->deleteLater();
    else deleteLater();
}

bool Formulario::Unload() {
    if (!cargado_ || descargando_) return true;
    descargando_ = true;
    if (!PreguntaDescarga()) {
        descargando_ = false;
        return false;
    }
    Finaliza();
    if (marco_) {
        marco_->setAttribute(Qt::WA_DeleteOnClose);
        marco_->close();
    } else {
        hide();
        deleteLater();
    }
    return true;
}

void Formulario::closeEvent(QCloseEvent* e) {
    if (!descargando_ && cargado_) {
        descargando_ = true;
        if (!PreguntaDescarga()) {
            descargando_ = false;
            e->ignore();
            return;
        }
        Finaliza();
        if (marco_) marco_->setAttribute(Qt::WA_DeleteOnClose);
        else deleteLater();
    }
    e->accept();
    DevuelveAnterior();
}

void Formulario::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    // Children are activated by the main window; free windows by the desktop.
    if (e->type() == QEvent::ActivationChange && clase_ != Clase::Hija && isActiveWindow() && cargado_ &&
        !ventanas::Cerrando())
        Form_Activate();
}

void Formulario::ActivadaPorAnfitrion() {
    if (!cargado_) return;
    DevuelveTeclado();
    if (!ventanas::Cerrando()) Form_Activate();
}

namespace {
class FiltroKeyPress : public QObject {
public:
    FiltroKeyPress(QObject* padre, ManejadorKeyPress m) : QObject(padre), m_(std::move(m)) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        short codigo = 0;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) codigo = 13;
        else if (k->key() == Qt::Key_Escape) codigo = 27;
        else if (!k->text().isEmpty()) codigo = short(k->text().at(0).unicode());
        else return false;
        const short original = codigo;
        m_(codigo);
        return codigo == 0 && original != 0;
    }

private:
    ManejadorKeyPress m_;
};
}  // namespace

void ConectaKeyPress(QWidget* control, ManejadorKeyPress manejador) {
    control->installEventFilter(new FiltroKeyPress(control, std::move(manejador)));
}

QHBoxLayout* BotonesAceptarCancelar(QWidget* ventana, QPushButton*& cmdAceptar, QPushButton*& cmdCancelar) {
    cmdAceptar = new QPushButton(QStringLiteral("&Aceptar"), ventana);
    cmdAceptar->setObjectName(QStringLiteral("cmdAceptar"));
    cmdCancelar = new QPushButton(QStringLiteral("&Cancelar"), ventana);
    cmdCancelar->setObjectName(QStringLiteral("cmdCancelar"));
    auto* botones = new QHBoxLayout;
    botones->addStretch();
    botones->addWidget(cmdAceptar);
    botones->addWidget(cmdCancelar);
    return botones;
}
