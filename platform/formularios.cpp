#include "platform/formularios.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

namespace {
AnfitrionHijas* gAnfitrion = nullptr;

QList<QPointer<QWidget>>& Lista() {
    static QList<QPointer<QWidget>> l;
    return l;
}
}  // namespace

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
    for (;;) {
        Formulario* siguiente = nullptr;
        const auto cargadas = Cargadas();
        for (auto it = cargadas.rbegin(); it != cargadas.rend() && !siguiente; ++it) {
            auto* f = qobject_cast<Formulario*>(*it);
            if (f && f->Cargado() && !salvo.contains(f) && !preguntada(f)) siguiente = f;
        }
        if (!siguiente) return true;
        preguntadas.append(siguiente);
        // The window whose close may ask is the one in front, with the keyboard.
        if (siguiente->Mostrado()) siguiente->Activa();
        if (!siguiente->Unload()) return false;
    }
}

}  // namespace ventanas

Formulario::Formulario(const QString& nombre, Clase clase) : clase_(clase) {
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
    const bool abre = !mostrado_;
    mostrado_ = true;
    Marco()->show();
    if (marco_) marco_->widget()->show();
    Trae(abre);
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

void Formulario::Activa() { Trae(false); }

void Formulario::Trae(bool abre) {
    if (marco_) {
        if (auto* area = marco_->mdiArea()) area->setActiveSubWindow(marco_);
        marco_->raise();
    } else {
        raise();
        activateWindow();
    }
    if (!isVisible()) return;
    // A window activated again keeps its own control; one that opens, or has
    // none, gives the keyboard to where its work starts (the area has given
    // a child that opens its first control, whatever that is). Another
    // window may have the keyboard meanwhile (a folder picker closing): this
    // one's control then gets it when the desktop activates it.
    QWidget* propio = abre ? nullptr : focusWidget();
    if (!propio || !isAncestorOf(propio) || !propio->isVisible() || !propio->isEnabled()) propio = ControlInicial();
    if (propio && QApplication::focusWidget() != propio) propio->setFocus(Qt::OtherFocusReason);
}

QWidget* Formulario::ControlInicial() {
    // The first control in tab order that can take the keyboard: a window
    // whose first control is switched off (an editor of an existing
    // account) would take it nowhere.
    QWidget* w = nextInFocusChain();
    for (int vueltas = 0; w && w != this && vueltas < 10000; w = w->nextInFocusChain(), ++vueltas) {
        if (isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) return w;
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
    if (e->type() == QEvent::ActivationChange && clase_ != Clase::Hija && isActiveWindow() && cargado_)
        Form_Activate();
}

void Formulario::ActivadaPorAnfitrion() {
    if (cargado_) Form_Activate();
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
