#pragma once
// Drive and folder lists over the file system of the machine the program
// runs on, for the windows where the user picks a folder or a file for the
// server (the paths are handed on unchanged).
//
// ListaUnidades lists the roots of this machine: the drive letters on
// Windows ("C:"), "/" elsewhere. ListaCarpetas shows a folder as a list: the
// folders from the root down to the folder itself, then its subfolders. Its
// indices: the folder itself is -1, the one above it -2 and so on up to the
// root; its subfolders are 0 upwards, in name order. A double click (or
// Enter) opens the item's folder; a single click only selects it.

#include <QComboBox>
#include <QListWidget>

// The folder the lists start at: the process's current folder; when it has
// none (removed, or longer than the system allows) the home folder, else the
// root.
QString CarpetaInicial();

class ListaUnidades : public QComboBox {
    Q_OBJECT
public:
    explicit ListaUnidades(QWidget* padre = nullptr);

    // The drive chosen: "C:" on Windows, "/" elsewhere.
    QString Drive() const;
    // Chooses the drive that holds a path (Change follows when it changes).
    void Drive(const QString& ruta);

signals:
    // The user or the program chose another drive.
    void Change();

private:
    static QString UnidadDe(const QString& ruta);
};

class ListaCarpetas : public QListWidget {
    Q_OBJECT
public:
    // Starts at CarpetaInicial().
    explicit ListaCarpetas(QWidget* padre = nullptr);

    // The folder shown, as a full path in the platform's own separators.
    QString Path() const { return ruta_; }
    // Opens a folder; a drive alone ("C:", "/") opens its current folder
    // when it is the current drive, else its root. A folder that cannot be
    // read fails with 76 (path not found) and the list keeps its folder;
    // opened by the user (Enter, a double click), the failure is reported.
    void Path(const QString& ruta);
    // The selected item's index (see the header of this file); -1 when the
    // folder itself is selected or nothing is.
    int ListIndex() const;
    // The number of subfolders (the items from index 0).
    int ListCount() const;
    // The full path of the item at an index; failure 9 out of range.
    QString List(int indice) const;

signals:
    // The folder shown changed (Path).
    void Change();
    // A single click on an item.
    void Click();

private:
    void Llena();
    int FilaDe(int indice) const { return indice + arriba_; }

    QString ruta_;
    QStringList rutas_;  // the full path of each row
    int arriba_ = 0;     // rows of the folder itself and those above it
};
