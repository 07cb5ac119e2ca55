#pragma once
// A keyed set of small pictures for the nodes of a tree or the items of a
// list: each picture is found by its key; asking for a key that is not in the
// set fails with "Element not found".

#include <QHash>
#include <QIcon>
#include <QString>

class ListaImagenes {
public:
    // Adds a picture under a key; a key already present fails.
    void Agrega(const QString& clave, const QIcon& imagen);
    bool Existe(const QString& clave) const { return imagenes_.contains(clave); }
    // The picture of a key; fails when the key is not in the set.
    QIcon Imagen(const QString& clave) const;
    QStringList Claves() const { return orden_; }
    int Cuenta() const { return int(orden_.size()); }

private:
    QHash<QString, QIcon> imagenes_;
    QStringList orden_;
};
