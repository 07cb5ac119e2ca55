#include "platform/rejillaconsulta.h"

#include <QFontMetrics>
#include <QHeaderView>

void ModeloResultado::EstableceDatos(std::shared_ptr<const datos::ResultSet> datos) {
    beginResetModel();
    datos_ = std::move(datos);
    endResetModel();
}

int ModeloResultado::rowCount(const QModelIndex& padre) const {
    if (padre.isValid() || !datos_) return 0;
    return int(qMin<qsizetype>(datos_->rowCount(), std::numeric_limits<int>::max()));
}

int ModeloResultado::columnCount(const QModelIndex& padre) const {
    if (padre.isValid() || !datos_) return 0;
    return datos_->columnCount();
}

QVariant ModeloResultado::data(const QModelIndex& i, int rol) const {
    if (!datos_ || !i.isValid()) return {};
    if (rol == Qt::DisplayRole || rol == Qt::ToolTipRole) {
        if (datos_->isNull(i.row(), i.column())) return rol == Qt::DisplayRole ? QStringLiteral("NULL") : QVariant();
        return datos_->text(i.row(), i.column());
    }
    if (rol == Qt::TextAlignmentRole) {
        switch (datos_->column(i.column()).type) {
        case datos::adSmallInt: case datos::adInteger: case datos::adTinyInt: case datos::adUnsignedTinyInt:
        case datos::adBigInt: case datos::adSingle: case datos::adDouble: case datos::adCurrency:
        case datos::adDecimal: case datos::adNumeric:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        default: return int(Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    if (rol == Qt::ForegroundRole && datos_->isNull(i.row(), i.column())) return QColor(Qt::gray);
    return {};
}

QVariant ModeloResultado::headerData(int seccion, Qt::Orientation o, int rol) const {
    if (rol != Qt::DisplayRole || !datos_) return {};
    if (o == Qt::Horizontal) return seccion < datos_->columnCount() ? datos_->column(seccion).name : QVariant();
    return QVariant();  // a plain row selector: its width never depends on how far down the rows go
}

RejillaConsulta::RejillaConsulta(QWidget* padre) : QTableView(padre), modelo_(new ModeloResultado(this)) {
    setModel(modelo_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // Uniform rows: the view never measures a row to place the others.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(16);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
}

void RejillaConsulta::ReBind() {
    modelo_->EstableceDatos(origen_);
    AnchosDeMuestra();
}

void RejillaConsulta::AnchosDeMuestra() {
    if (!origen_) return;
    constexpr int kMuestra = 200;
    const QFontMetrics fm(font());
    const QFontMetrics fmCabecera(horizontalHeader()->font());
    const int filas = int(qMin<qsizetype>(origen_->rowCount(), kMuestra));
    for (int c = 0; c < origen_->columnCount(); ++c) {
        int ancho = fmCabecera.horizontalAdvance(origen_->column(c).name) + 24;
        for (int f = 0; f < filas; ++f)
            ancho = qMax(ancho, fm.horizontalAdvance(origen_->text(f, c).left(200)) + 16);
        setColumnWidth(c, qMin(ancho, 400));
    }
}

QString RejillaConsulta::TextoCelda(int fila, int columna) const {
    const auto d = modelo_->Datos();
    return d ? d->text(fila, columna) : QString();
}
