// Every result of a batch through FreeTDS against the scripted TDS server:
// what a procedure such as sp_helplogins sends back as several results, and
// the failure of the whole call when the server sends an error among them.
#if __has_include("tdsserver.h")

#include "tdsserver.h"

#include "platform/odbc.h"

#include "support/entorno.h"

#include <gtest/gtest.h>

using namespace datos;
using namespace tdstest;

namespace {

class VariosResultados : public ::testing::Test {
protected:
    void SetUp() override {
        antes_ = qgetenv("TOLVEK_ODBC_DRIVER");
        habia_ = qEnvironmentVariableIsSet("TOLVEK_ODBC_DRIVER");
        qunsetenv("TOLVEK_ODBC_DRIVER");
        server_.acceptLogin("tolvek", "clave");
        server_.start();
        c_.Open(QStringLiteral("Provider=SQLOLEDB.1;Data Source=127.0.0.1,%1;Initial Catalog=master;"
                               "User Id=tolvek;Password=clave;")
                    .arg(server_.port()));
    }
    void TearDown() override {
        c_.Close();
        server_.stop();
        if (habia_) qputenv("TOLVEK_ODBC_DRIVER", antes_);
    }
    TdsServer server_;
    OdbcConnection c_;
    QByteArray antes_;
    bool habia_ = false;
};

}  // namespace

TEST_F(VariosResultados, EveryResultWithColumnsComesBackInOrder) {
    server_.on("sp_helplogins 'ana'",
               Reply::rows({{"LoginName", Type::NVarChar, 128}, {"SID", Type::Int}}, {{"ana", 7}})
                   .thenRowsAffected(1)
                   .thenInfo(0, "aviso")
                   .thenRows({{"LoginName", Type::NVarChar, 128}, {"DBName", Type::NVarChar, 128},
                              {"UserName", Type::NVarChar, 128}, {"UserOrAlias", Type::NVarChar, 8}},
                             {{"ana", "Tienda", "db_owner", "MemberOf"}, {"ana", "Tienda", "ana", "User"}}));
    const auto todas = c_.QueryAll("sp_helplogins 'ana'");
    ASSERT_EQ(todas.size(), 2u);
    EXPECT_EQ(todas[0]->column(0).name, "LoginName");
    ASSERT_EQ(todas[0]->rowCount(), 1);
    EXPECT_EQ(todas[0]->text(0, 1), "7");
    ASSERT_EQ(todas[1]->columnCount(), 4);
    EXPECT_EQ(todas[1]->column(2).name, "UserName");
    ASSERT_EQ(todas[1]->rowCount(), 2);
    EXPECT_EQ(todas[1]->text(0, 2), "db_owner");
    EXPECT_EQ(todas[1]->text(1, 1), "Tienda");
    EXPECT_EQ(server_.statements(), (std::vector<std::string>{"sp_helplogins 'ana'"}));
}

TEST_F(VariosResultados, ABatchWithoutColumnsGivesNoResult) {
    server_.on("UPDATE t SET a = 1", Reply::rowsAffected(2));
    EXPECT_TRUE(c_.QueryAll("UPDATE t SET a = 1").empty());
}

TEST_F(VariosResultados, AnErrorAfterTheFirstResultFailsTheCall) {
    const struct {
        const char* sql;
        Reply reply;
        int numero;
    } casos[] = {
        {"sp_helplogins 'x1'",
         Reply::rows({{"a", Type::Int}}, {{1}}).thenError(15007, "'x1' is not a valid login or you do not have permission."),
         15007},
        {"sp_helplogins 'x2'",
         Reply::rows({{"a", Type::Int}}, {{1}}).thenRows({{"b", Type::Int}}, {{2}}).thenError(50000, "al final"), 50000},
        {"sp_helplogins 'x3'", Reply::error(208, "Invalid object name 'y'.").thenRows({{"b", Type::Int}}, {{2}}), 208},
    };
    for (const auto& caso : casos) {
        SCOPED_TRACE(caso.sql);
        server_.on(caso.sql, caso.reply);
        std::vector<std::shared_ptr<const datos::ResultSet>> todas;
        ErrorEjecucion e = FalloDe([&] { todas = c_.QueryAll(QString::fromUtf8(caso.sql)); });
        EXPECT_EQ(e.Numero, caso.numero);
        EXPECT_TRUE(todas.empty());
        EXPECT_EQ(c_.State(), adStateOpen);
    }
    // The connection serves the next call.
    server_.on("SELECT 1", Reply::rows({{"", Type::Int}}, {{1}}));
    const auto una = c_.QueryAll("SELECT 1");
    ASSERT_EQ(una.size(), 1u);
    EXPECT_EQ(una[0]->value(0, 0).toInt(), 1);
}

#endif
