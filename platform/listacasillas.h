#pragma once
// A list box with a check box per item. ItemCheck is raised after an item's
// tick has changed, whoever changed it: the user's click or space bar, or
// code through EstableceSelected. A window that sets ticks it does not want
// to act on guards its own handler; PonSinAviso sets a tick without raising
// the event (to put back a tick the handler refused).

#include <QListWidget>

class ListaCasillas : public QListWidget {
    Q_OBJECT
public:
    explicit ListaCasillas(QWidget* padre = nullptr);

    void AddItem(const QString& texto);
    void Clear();
    int ListCount() const { return count(); }
    // The item's text; failure 9 out of range.
    QString List(int indice) const;
    // Whether the item is ticked; failure 9 out of range.
    bool Selected(int indice) const;
    // Ticks or unticks an item; ItemCheck is raised when the tick changes.
    void EstableceSelected(int indice, bool marcado);
    // The same without the event.
    void PonSinAviso(int indice, bool marcado);

signals:
    void ItemCheck(int Item);

private:
    QListWidgetItem* elemento(int indice) const;
    void alCambiar(QListWidgetItem* item);

    QList<bool> marcas_;  // the tick of each item as last seen
    bool callado_ = false;
};
