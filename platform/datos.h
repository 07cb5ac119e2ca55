#pragma once
// The data-access layer: one connection to the server, statements sent as
// text, and client-side recordsets that hold all their rows in memory once
// opened. Every failure is thrown as an ErrorEjecucion carrying the server's
// native error number and message (the connection's error list keeps every
// entry of the last call).

#include "platform/errores.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace datos {

// Field type numbers, as the program's type mapping compares them.
enum TipoCampo : int {
    adEmpty = 0, adSmallInt = 2, adInteger = 3, adSingle = 4, adDouble = 5,
    adCurrency = 6, adDate = 7, adBoolean = 11, adVariant = 12, adDecimal = 14,
    adTinyInt = 16, adUnsignedTinyInt = 17, adBigInt = 20, adGUID = 72,
    adBinary = 128, adChar = 129, adWChar = 130, adNumeric = 131, adDBDate = 133,
    adDBTime = 134, adDBTimeStamp = 135, adVarChar = 200, adLongVarChar = 201,
    adVarWChar = 202, adLongVarWChar = 203, adVarBinary = 204, adLongVarBinary = 205,
};

enum EstadoObjeto : int { adStateClosed = 0, adStateOpen = 1 };

struct ColumnInfo {
    QString name;
    int type = adVarWChar;  // one of TipoCampo
    qint64 definedSize = 0;
};

// One entry of a connection's error list, in the order the server sent them.
struct ErrorDatos {
    QString SQLState;
    qint64 NativeError = 0;
    qint64 Number = 0;        // what a failure reports: the native number, or the provider's own
    QString Description;      // the server's text, without the driver's bracketed prefixes
};

// The rows of one result, all in memory. Read-only once built; shared by the
// recordsets and grids that show it.
class ResultSet {
public:
    virtual ~ResultSet() = default;
    virtual int columnCount() const = 0;
    virtual const ColumnInfo& column(int col) const = 0;
    virtual qsizetype rowCount() const = 0;
    virtual bool isNull(qsizetype row, int col) const = 0;
    // The value as a variant: a null value gives an invalid QVariant.
    virtual QVariant value(qsizetype row, int col) const = 0;
    // The value as text ("" for null).
    virtual QString text(qsizetype row, int col) const = 0;
    // Column index by name, compared case-insensitively; -1 when absent.
    int indexOf(const QString& name) const;
};

// Text of a value as the program shows it: integers in decimal, decimals
// with '.', dates in the platform's short format, booleans as True/False.
QString TextoDeValor(const QVariant& v);
// The shortest text that reads back as the same number: at single precision
// when simple (a real column), else at double precision.
QString TextoDeReal(double v, bool simple);

class Connection {
public:
    virtual ~Connection() = default;

    // Opens the connection described by an ADO-style connection string
    // ("Provider=...;Data Source=...;Initial Catalog=...;User Id=...;Password=...;").
    virtual void Open(const QString& connectionString) = 0;
    virtual int State() const = 0;  // adStateClosed or adStateOpen
    virtual void Close() = 0;

    // Sends a batch and reads every result and message to its end. An error
    // anywhere in the batch fails the call.
    virtual void Execute(const QString& sql) = 0;
    // Sends a batch and returns its first result that has columns (an empty
    // result without columns when none has). Reads the batch to its end; an
    // error anywhere fails the call.
    virtual std::shared_ptr<const ResultSet> Query(const QString& sql) = 0;
    // Sends a batch and returns every result that has columns, in the order
    // the server sent them (none when no result has columns), as a command's
    // NextRecordset would walk them. Reads the batch to its end; an error
    // anywhere fails the call and nothing is returned.
    virtual std::vector<std::shared_ptr<const ResultSet>> QueryAll(const QString& sql) = 0;

    virtual void BeginTrans() = 0;
    virtual void CommitTrans() = 0;
    virtual void RollbackTrans() = 0;

    // The database the connection is in now, as the server last reported it
    // (after the login and after every change of database, a USE inside a
    // batch too); nothing is sent to ask. "" while closed, or when the driver
    // cannot tell.
    virtual QString DefaultDatabase() const = 0;

    int CommandTimeout() const { return commandTimeout_; }
    virtual void setCommandTimeout(int seconds) { commandTimeout_ = seconds; }

    // Entries of the last call, cleared at the start of each call.
    const QList<ErrorDatos>& Errors() const { return errors_; }

protected:
    QList<ErrorDatos> errors_;
    int commandTimeout_ = 30;
};

// Where new connection objects come from: the real driver in the program,
// a scripted connection in tests.
using FabricaConexiones = std::function<std::shared_ptr<Connection>()>;
void EstableceFabricaConexiones(FabricaConexiones fabrica);
std::shared_ptr<Connection> NuevaConexion();

class Field {
public:
    Field(std::shared_ptr<const ResultSet> datos, qsizetype fila, int columna)
        : datos_(std::move(datos)), fila_(fila), columna_(columna) {}
    QString Name() const { return datos_->column(columna_).name; }
    int Type() const { return datos_->column(columna_).type; }
    qint64 DefinedSize() const { return datos_->column(columna_).definedSize; }
    bool IsNull() const;
    QVariant Value() const;  // invalid for null; fails at EOF
    QString Texto() const;   // "" for null; fails at EOF

private:
    std::shared_ptr<const ResultSet> datos_;
    qsizetype fila_;
    int columna_;
};

// A client-side recordset: all rows are in memory once it is open, so other
// statements may run on the connection while it is read.
class Recordset {
public:
    int CursorType = -1;      // kept for the callers that set it; every cursor is static here
    int CursorLocation = 2;
    int LockType = -1;

    void Open(const QString& source, Connection& connection);
    // Opens on rows already fetched (a command's result).
    void Open(std::shared_ptr<const ResultSet> datos);
    void Close();
    int State() const { return datos_ ? adStateOpen : adStateClosed; }

    qsizetype RecordCount() const;
    bool Eof() const;  // past the last row (EOF is a C macro)
    bool BOF() const;
    void MoveNext();
    void MoveFirst();
    qsizetype AbsolutePosition() const { return fila_; }

    int FieldCount() const;
    Field Fields(int index) const;
    Field Fields(const QString& name) const;

    std::shared_ptr<const ResultSet> Datos() const { return datos_; }

private:
    void exigeAbierto() const;
    std::shared_ptr<const ResultSet> datos_;
    qsizetype fila_ = 0;
};

}  // namespace datos
