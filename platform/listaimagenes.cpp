#include "platform/listaimagenes.h"

#include "platform/errores.h"

void ListaImagenes::Agrega(const QString& clave, const QIcon& imagen) {
    if (imagenes_.contains(clave)) FallaNumero(errnum::ClaveRepetida);
    imagenes_.insert(clave, imagen);
    orden_.append(clave);
}

QIcon ListaImagenes::Imagen(const QString& clave) const {
    const auto it = imagenes_.constFind(clave);
    if (it == imagenes_.constEnd()) FallaNumero(errnum::NodoNoHallado);
    return it.value();
}
