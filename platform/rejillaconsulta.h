#pragma once
// The query analyzer's grid: shows a result read-only through a model that
// reads the rows where they are kept (no copy per cell, no insertion per
// row); column widths come from a sample of rows.

#include "platform/datos.h"

#include <QAbstractTableModel>
#include <QTableView>

#include <memory>

class ModeloResultado : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void EstableceDatos(std::shared_ptr<const datos::ResultSet> datos);
    std::shared_ptr<const datos::ResultSet> Datos() const { return datos_; }

    int rowCount(const QModelIndex& padre = {}) const override;
    int columnCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& i, int rol) const override;
    QVariant headerData(int seccion, Qt::Orientation o, int rol) const override;

private:
    std::shared_ptr<const datos::ResultSet> datos_;
};

class RejillaConsulta : public QTableView {
    Q_OBJECT
public:
    explicit RejillaConsulta(QWidget* padre = nullptr);

    // The rows shown: set the source, then re-read it.
    void EstableceOrigen(std::shared_ptr<const datos::ResultSet> datos) { origen_ = std::move(datos); }
    std::shared_ptr<const datos::ResultSet> Origen() const { return origen_; }
    void ReBind();

    int Filas() const { return modelo_->rowCount(); }
    int Columnas() const { return modelo_->columnCount(); }
    QString TextoCelda(int fila, int columna) const;

private:
    void AnchosDeMuestra();

    ModeloResultado* modelo_;
    std::shared_ptr<const datos::ResultSet> origen_;
};
