#pragma once
// A tabbed control: pages of controls, one in front. A tab switched off
// cannot be brought to the front by the user.

#include <QTabWidget>

class ControlPestanas : public QTabWidget {
    Q_OBJECT
public:
    explicit ControlPestanas(QWidget* padre = nullptr);

    // The tab in front, from 0.
    int PestañaActual() const { return currentIndex(); }
    void PestañaActual(int pestaña) { setCurrentIndex(pestaña); }
    // Switches a tab on or off; failure 9 for a tab that does not exist.
    void PestañaActiva(int pestaña, bool si);
    bool PestañaActiva(int pestaña) const;
    QString TabCaption(int pestaña) const;
    void TabCaption(int pestaña, const QString& titulo);

private:
    void Existe(int pestaña) const;
};
