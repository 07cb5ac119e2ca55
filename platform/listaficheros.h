#pragma once
// A file list over a folder of the machine the program runs on, the kind of
// list that sits beside the drive and folder lists (platform/listasarchivos.h)
// where the user picks a file for the server. It lists every file of its
// folder (no pattern), by name; a single click selects one and raises Click.

#include <QListWidget>

class ListaFicheros : public QListWidget {
    Q_OBJECT
public:
    // Starts at the folder the folder lists start at (CarpetaInicial).
    explicit ListaFicheros(QWidget* padre = nullptr);

    // The folder listed, as it was given.
    QString Path() const { return ruta_; }
    // Lists a folder; a folder that cannot be read fails with 76 (path not
    // found) and the list keeps its folder.
    void Path(const QString& ruta);
    // The selected file's name, "" when none is selected.
    QString FileName() const;
    // The selected item's index, -1 when none; the number of files; the name
    // of the file at an index (failure 9 out of range).
    int ListIndex() const { return currentRow(); }
    void ListIndex(int indice);
    int ListCount() const { return count(); }
    QString List(int indice) const;

signals:
    // A click on a file (also a selection made by ListIndex).
    void Click();

private:
    QString ruta_;
};
