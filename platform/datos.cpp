#include "platform/datos.h"

namespace datos {

namespace {
FabricaConexiones& fabrica() {
    static FabricaConexiones f;
    return f;
}
}  // namespace

void EstableceFabricaConexiones(FabricaConexiones f) { fabrica() = std::move(f); }

std::shared_ptr<Connection> NuevaConexion() {
    if (!fabrica()) Falla(errnum::ObjetoNoEstablecido, QStringLiteral("No data provider is available."));
    return fabrica()();
}

bool Field::IsNull() const {
    if (fila_ < 0 || fila_ >= datos_->rowCount())
        Falla(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    return datos_->isNull(fila_, columna_);
}

QVariant Field::Value() const { return IsNull() ? QVariant() : datos_->value(fila_, columna_); }

QString Field::Texto() const { return IsNull() ? QString() : datos_->text(fila_, columna_); }

void Recordset::exigeAbierto() const {
    if (!datos_) FallaNumero(errnum::ObjetoCerrado);
}

void Recordset::Open(const QString& source, Connection& connection) {
    Close();
    datos_ = connection.Query(source);
    fila_ = 0;
}

void Recordset::Open(std::shared_ptr<const ResultSet> datos) {
    datos_ = std::move(datos);
    fila_ = 0;
}

void Recordset::Close() {
    datos_.reset();
    fila_ = 0;
}

qsizetype Recordset::RecordCount() const {
    exigeAbierto();
    return datos_->rowCount();
}

bool Recordset::Eof() const {
    exigeAbierto();
    return fila_ >= datos_->rowCount();
}

bool Recordset::BOF() const {
    exigeAbierto();
    return datos_->rowCount() == 0 || fila_ < 0;
}

void Recordset::MoveNext() {
    exigeAbierto();
    if (fila_ >= datos_->rowCount())
        Falla(3021, QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    ++fila_;
}

void Recordset::MoveFirst() {
    exigeAbierto();
    fila_ = 0;
}

int Recordset::FieldCount() const {
    exigeAbierto();
    return datos_->columnCount();
}

Field Recordset::Fields(int index) const {
    exigeAbierto();
    if (index < 0 || index >= datos_->columnCount()) FallaNumero(errnum::ElementoNoEncontrado);
    return Field(datos_, fila_, index);
}

Field Recordset::Fields(const QString& name) const {
    exigeAbierto();
    const int i = datos_->indexOf(name);
    if (i < 0) FallaNumero(errnum::ElementoNoEncontrado);
    return Field(datos_, fila_, i);
}

}  // namespace datos
