#include "platform/teclashija.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>

namespace {

// The menu bar's letters and a child window's controls' letters are all
// shortcuts of the main window, so where they share one Qt's shortcut map
// finds both and sends an ambiguous shortcut event to whichever registered
// first: the bar then opens its menu, a button only takes the focus. Qt
// itself must keep acting on the control (a button clicked, a tab shown, a
// label's buddy focused), so nothing here copies those reactions. When the
// bar gets such an event while the keyboard is in a child window, its part
// of the letter is switched off by the id the event carries and the key
// goes through the map again (a key press sent by the program passes the
// map first). The window's control is then found alone, as for a letter
// that clashes with nothing. Only when nothing of the window takes the key
// does the bar's event go on as before. If the window's control comes
// first, it hands its turn on: the same key again reaches the next holder
// of the letter, and so the bar.
class TeclasHija : public QObject {
public:
    explicit TeclasHija(QMenuBar* barra) : QObject(barra), barra_(barra) { qApp->installEventFilter(this); }

    bool eventFilter(QObject* o, QEvent* e) override {
        // The key sent again, when no shortcut took it, types nothing.
        if (e->type() == QEvent::KeyPress) return e == repetida_;
        if (e->type() != QEvent::Shortcut) return false;
        auto* s = static_cast<QShortcutEvent*>(e);
        QWidget* marco = MarcoConFoco();
        if (!marco) return false;
        if (o == barra_) return (s->isAmbiguous() || apartada_ > 0) && Aparta(s);
        if (apartada_ > 0) {
            // With the bar's part switched off only the window's own controls act.
            alcanzada_ = alcanzada_ || Dentro(o, marco);
            return !Dentro(o, marco);
        }
        if (!s->isAmbiguous() || !Dentro(o, marco) || !BarraTiene(s->key()) || turnos_ >= kTurnos) return false;
        ++turnos_;
        Repite(s->key());
        --turnos_;
        return true;
    }

private:
    static constexpr int kTurnos = 8;

    // The frame of the child window that has the keyboard, in the bar's window.
    QWidget* MarcoConFoco() const {
        if (!barra_->isVisible() || !barra_->isEnabled()) return nullptr;
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            if (w->windowType() == Qt::SubWindow) return w->window() == barra_->window() ? w : nullptr;
            if (w->isWindow()) return nullptr;
        }
        return nullptr;
    }
    static bool Dentro(QObject* o, QWidget* marco) {
        for (; o; o = o->parent())
            if (o == marco) return true;
        return false;
    }
    bool BarraTiene(const QKeySequence& tecla) const {
        for (QAction* a : barra_->actions())
            if (QKeySequence::mnemonic(a->text()) == tecla) return true;
        return false;
    }
    // A shortcut of the bar's that comes again while its first one is off
    // is switched off as well; the first one decides whether the bar acts.
    bool Aparta(QShortcutEvent* s) {
        const bool primera = apartada_ == 0;
        if (primera) alcanzada_ = false;
        ++apartada_;
        barra_->setShortcutEnabled(s->shortcutId(), false);
        Repite(s->key());
        barra_->setShortcutEnabled(s->shortcutId(), true);
        --apartada_;
        return !primera || alcanzada_;
    }
    void Repite(const QKeySequence& tecla) {
        QWidget* foco = QApplication::focusWidget();
        if (!foco || tecla.isEmpty()) return;
        QKeyEvent pulsa(QEvent::KeyPress, tecla[0].key(), tecla[0].keyboardModifiers());
        QEvent* antes = repetida_;
        repetida_ = &pulsa;
        QCoreApplication::sendEvent(foco, &pulsa);
        repetida_ = antes;
    }

    QMenuBar* barra_;
    int apartada_ = 0;       // depth of the runs with the bar's part switched off
    bool alcanzada_ = false;  // the window's own control took the key in that run
    int turnos_ = 0;
    QEvent* repetida_ = nullptr;
};

}  // namespace

void PrioridadTeclasHija(QMenuBar* barra) { new TeclasHija(barra); }
