#include "platform/griddataarray.h"

#include "platform/errores.h"

void GridDataArray::Redimensiona(int filaInferior, int filaSuperior, int columnaInferior, int columnaSuperior) {
    if (filaSuperior < filaInferior - 1 || columnaSuperior < columnaInferior - 1)
        FallaNumero(errnum::FueraDeIntervalo);
    filaInf_ = filaInferior;
    filaSup_ = filaSuperior;
    colInf_ = columnaInferior;
    colSup_ = columnaSuperior;
    celdas_.assign(size_t(Filas()) * size_t(qMax(0, Columnas())), QString());
}

size_t GridDataArray::Indice(int fila, int columna) const {
    if (fila < filaInf_ || fila > filaSup_ || columna < colInf_ || columna > colSup_)
        FallaNumero(errnum::FueraDeIntervalo);
    return size_t(fila - filaInf_) * size_t(Columnas()) + size_t(columna - colInf_);
}

QString GridDataArray::LeeCelda(int fila, int columna) const { return celdas_[Indice(fila, columna)]; }

void GridDataArray::GrabaCelda(int fila, int columna, const QString& valor) {
    celdas_[Indice(fila, columna)] = valor;
}
