#pragma once
// A scripted connection: records every statement it is sent, in order,
// answers queries with canned columns and rows, and fails chosen statements
// with a chosen number and text.

#include "platform/datos.h"

#include <QRegularExpression>
#include <QStringList>

#include <functional>
#include <variant>

class ConexionGuion : public datos::Connection {
public:
    using Filas = QList<QList<QVariant>>;

    // Rows for a statement matched exactly. Column types come from the first
    // row's values (int, double, date-time, bool, else text).
    void Responde(const QString& sql, const QStringList& columnas, const Filas& filas = {});
    void Responde(const QString& sql, const QList<datos::ColumnInfo>& columnas, const Filas& filas);
    // Rows for every statement that matches the pattern.
    void RespondePatron(const QString& patron, const QStringList& columnas, const Filas& filas = {});
    // Several results for one statement, in order (a batch or a procedure
    // that returns more than one result). Query gives the first, QueryAll
    // every one that has columns.
    struct Resultado {
        QStringList columnas;
        Filas filas;
    };
    void RespondeVarios(const QString& sql, const QList<Resultado>& resultados);
    // The statement fails with the server's number and text.
    void Falla(const QString& sql, qint64 numero, const QString& texto);
    void FallaPatron(const QString& patron, qint64 numero, const QString& texto);
    // Opening fails.
    void FallaApertura(qint64 numero, const QString& texto);

    // Everything sent, in order; transactions appear as "<BeginTrans>",
    // "<CommitTrans>" and "<RollbackTrans>".
    QStringList Enviadas;
    QString CadenaConexion;
    int Aperturas = 0;

    void Open(const QString& connectionString) override;
    int State() const override { return estado_; }
    void Close() override { estado_ = datos::adStateClosed; }
    void Execute(const QString& sql) override;
    std::shared_ptr<const datos::ResultSet> Query(const QString& sql) override;
    std::vector<std::shared_ptr<const datos::ResultSet>> QueryAll(const QString& sql) override;
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    // As a server reports it: the connection string's Initial Catalog, then
    // the database of the last USE that succeeded, alone or inside a batch.
    QString DefaultDatabase() const override { return estado_ == datos::adStateOpen ? baseDatos_ : QString(); }

    void AbreSinMas() { estado_ = datos::adStateOpen; }

private:
    struct Guion {
        bool patron = false;
        QString sql;
        QRegularExpression re;
        bool falla = false;
        qint64 numero = 0;
        QString texto;
        QList<datos::ColumnInfo> columnas;
        Filas filas;
        QList<Resultado> resto;  // the results after the first
    };
    const Guion* Busca(const QString& sql) const;
    std::shared_ptr<const datos::ResultSet> Ejecuta(const QString& sql);
    static QList<datos::ColumnInfo> Infiere(const QStringList& nombres, const Filas& filas);

    QList<Guion> guiones_;
    QString baseDatos_;
    int estado_ = datos::adStateClosed;
    bool fallaApertura_ = false;
    qint64 numeroApertura_ = 0;
    QString textoApertura_;
};
