#pragma once
// The data-access layer over ODBC (unixODBC): the program's connection to
// SQL Server through the FreeTDS driver, or through another ODBC driver for
// SQL Server named by the environment variable TOLVEK_ODBC_DRIVER.
//
// One OdbcConnection is one physical connection: it is never pooled and never
// reopened behind the program's back. Every call runs synchronously on the
// caller's thread.

#include "platform/datos.h"

#include <QString>

#include <memory>

namespace datos {

class TablaDatos;

// The ODBC driver the program connects through: TOLVEK_ODBC_DRIVER when it
// is set (the name of an installed driver, or the path of its library),
// "FreeTDS" otherwise.
QString ControladorOdbc();

// Translates the program's ADO-style connection string
// ("Provider=...;Data Source=...;Initial Catalog=...;User Id=...;Password=...;")
// into an ODBC connection string for the driver. A string that already is an
// ODBC one is returned as it stands: one that starts with "DRIVER=" or "DSN=",
// or one written as "ODBC;<odbc string>" (the prefix is dropped).
QString TraduceCadenaConexion(const QString& ado, const QString& controlador);

// A driver's message without the bracketed prefixes the driver manager and
// the driver put before it ("[unixODBC][Driver Manager]", "[FreeTDS][SQL Server]").
QString QuitaPrefijosControlador(const QString& mensaje);

class OdbcConnection : public Connection {
public:
    OdbcConnection();
    ~OdbcConnection() override;
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void Open(const QString& connectionString) override;
    int State() const override;
    void Close() override;

    void Execute(const QString& sql) override;
    std::shared_ptr<const ResultSet> Query(const QString& sql) override;
    std::vector<std::shared_ptr<const ResultSet>> QueryAll(const QString& sql) override;

    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;

    // The driver's current catalog (SQL_ATTR_CURRENT_CATALOG), which FreeTDS
    // keeps from the server's notices of a change of database. "" when the
    // call fails or the driver keeps none (the SQLite driver answers "").
    QString DefaultDatabase() const override;

    // How texts travel from the driver. UTF-8 (SQL_C_CHAR) is used where the
    // driver is known to hand over UTF-8: FreeTDS with the character set this
    // layer asks for, and the SQLite driver; UTF-16 (SQL_C_WCHAR) anywhere else.
    enum class Texto { Automatico, Utf8, Utf16 };
    void setTransferenciaTexto(Texto t) { texto_ = t; }
    bool textoEnUtf8() const { return utf8_; }

private:
    struct Llamada;
    struct Plan;

    void exigeAbierta() const;
    // Runs a batch to its end. With conFilas the first result that has
    // columns is returned; with todas every such result is appended to it.
    std::shared_ptr<const ResultSet> ejecuta(const QString& sql, bool conFilas,
                                             std::vector<std::shared_ptr<const ResultSet>>* todas = nullptr);
    void leeResultado(void* sentencia, int columnas, Llamada& ll, std::shared_ptr<TablaDatos>* destino);
    void finTransaccion(bool confirma);
    void cierraFisica();
    [[noreturn]] void falla(Llamada& ll);

    void* entorno_ = nullptr;   // SQLHENV
    void* conexion_ = nullptr;  // SQLHDBC, null while closed
    bool enTransaccion_ = false;
    bool utf8_ = false;
    Texto texto_ = Texto::Automatico;
};

// Makes NuevaConexion() return OdbcConnection objects (the program's real
// data provider).
void UsaConexionesOdbc();

}  // namespace datos
