#pragma once
// The two-dimensional array of texts that an editable grid is bound to.
// Arrays are shared by reference: a window and the grid that shows it hold
// the same one.

#include <QString>

#include <memory>
#include <vector>

class GridDataArray {
public:
    // Sets the bounds and leaves every cell empty.
    void Redimensiona(int filaInferior, int filaSuperior, int columnaInferior, int columnaSuperior);
    // Reading or writing outside the bounds fails with 9.
    QString LeeCelda(int fila, int columna) const;
    void GrabaCelda(int fila, int columna, const QString& valor);

    // Bounds; an array never dimensioned has no rows (upper below lower).
    int FilaInferior() const { return filaInf_; }
    int FilaSuperior() const { return filaSup_; }
    int ColumnaInferior() const { return colInf_; }
    int ColumnaSuperior() const { return colSup_; }
    int Filas() const { return filaSup_ - filaInf_ + 1; }
    int Columnas() const { return colSup_ - colInf_ + 1; }

private:
    size_t Indice(int fila, int columna) const;

    int filaInf_ = 0, filaSup_ = -1, colInf_ = 0, colSup_ = -1;
    std::vector<QString> celdas_;
};

using ArrayDatos = std::shared_ptr<GridDataArray>;
