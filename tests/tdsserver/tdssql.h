#pragma once
// What the scripted server reads in the text of a batch: the statements it
// answers by itself (USE, the transaction statements, SET TEXTSIZE, SELECT
// @@TRANCOUNT), the statements that change the session among others, and the
// command each statement reports in its DONE token.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tdstest::sql {

// Runs of white space as one blank, leading and trailing blanks and final
// ';' dropped: the form in which rules and statements are compared.
std::string normalize(std::string_view s);

// A statement the server understands without a script.
struct BuiltIn {
    enum class Kind { Use, Begin, Commit, Rollback, TranCount, TextSize, XactAbort };
    Kind kind = Kind::Use;
    std::string database;  // Use: the name, without brackets or quotes
    bool guarded = false;  // Commit / Rollback under "IF @@TRANCOUNT > 0"
    long long value = 0;   // TextSize: the number as written; XactAbort: 1 for ON, 0 for OFF
};

// The statements of a batch made only of statements the server understands
// (separated by blanks or ';'); nullopt when anything else is in it.
std::optional<std::vector<BuiltIn>> builtInBatch(std::string_view batch);

// The statements that change the session (Use, Begin, Commit, Rollback,
// TextSize, XactAbort) among the other statements of a batch, in order.
std::vector<BuiltIn> sessionStatements(std::string_view batch);

// Whether a batch is one call of a procedure: "EXEC <name> ..." (not
// EXEC of a string), or a system procedure named first ("sp_helplogins 'x'").
bool procedureCall(std::string_view batch);

// The command codes SQL Server puts in the DONE token of a statement.
namespace cmd {
constexpr std::uint16_t None = 0, Select = 0xC1, Insert = 0xC3, Delete = 0xC4, Update = 0xC5, CreateTable = 0xC6,
                        DropTable = 0xC7, CreateIndex = 0xC8, DropIndex = 0xC9, CreateDatabase = 0xCB,
                        DropDatabase = 0xCC, CreateView = 0xCF, DropView = 0xD0, Execute = 0xE0;
}

// The command of each statement of a batch that has one of the codes above,
// in order (a SELECT inside parentheses or after INSERT is part of the
// statement around it).
std::vector<std::uint16_t> statementCommands(std::string_view batch);

}  // namespace tdstest::sql
