#include "tdssql.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace tdstest::sql {

namespace {

struct Token {
    enum class Kind { Word, Quoted, String, Punct };
    Kind kind = Kind::Word;
    std::string text;   // a quoted name without its quotes
    std::string upper;  // words in capitals, for keywords
    int depth = 0;      // parentheses around the token
};

bool wordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '@' || c == '#' || c == '$' || c >= 0x80; }

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Words, quoted names, string literals and single punctuation characters;
// blanks and comments dropped.
std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> out;
    int depth = 0;
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const unsigned char c = s[i];
        if (std::isspace(c)) {
            ++i;
        } else if (c == '-' && i + 1 < n && s[i + 1] == '-') {
            while (i < n && s[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < n && s[i + 1] == '*') {
            int nested = 0;
            do {
                if (s.compare(i, 2, "/*") == 0) {
                    ++nested;
                    i += 2;
                } else if (s.compare(i, 2, "*/") == 0) {
                    --nested;
                    i += 2;
                } else {
                    ++i;
                }
            } while (i < n && nested > 0);
        } else if (c == '\'' || c == '[' || c == '"') {
            const char close = c == '[' ? ']' : static_cast<char>(c);
            Token t;
            t.kind = c == '\'' ? Token::Kind::String : Token::Kind::Quoted;
            t.depth = depth;
            ++i;
            while (i < n) {
                if (s[i] == close) {
                    if (i + 1 < n && s[i + 1] == close) {
                        t.text.push_back(close);
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                t.text.push_back(s[i++]);
            }
            t.upper = upper(t.text);
            out.push_back(std::move(t));
        } else if (wordChar(c)) {
            Token t;
            t.depth = depth;
            while (i < n && wordChar(static_cast<unsigned char>(s[i]))) t.text.push_back(s[i++]);
            t.upper = upper(t.text);
            out.push_back(std::move(t));
        } else {
            if (c == ')') depth = std::max(0, depth - 1);
            Token t;
            t.kind = Token::Kind::Punct;
            t.text = std::string(1, static_cast<char>(c));
            t.upper = t.text;
            t.depth = depth;
            out.push_back(std::move(t));
            if (c == '(') ++depth;
            ++i;
        }
    }
    return out;
}

// Words that begin a statement, and so cannot be the name of a transaction.
const std::set<std::string>& statementWords() {
    static const std::set<std::string> words = {
        "ALTER",  "BEGIN", "BREAK",   "COMMIT", "CONTINUE", "CREATE", "DBCC",    "DECLARE", "DELETE", "DENY",
        "DROP",   "ELSE",  "END",     "EXEC",   "EXECUTE",  "FETCH",  "GO",      "GOTO",    "GRANT",  "IF",
        "INSERT", "KILL",  "MERGE",   "OPEN",   "PRINT",    "RAISERROR", "RETURN", "REVOKE", "ROLLBACK", "SAVE",
        "SELECT", "SET",   "TRUNCATE", "UPDATE", "USE",     "WAITFOR", "WHILE",   "WITH",
    };
    return words;
}

class Parser {
public:
    explicit Parser(std::vector<Token> t) : t_(std::move(t)) {}

    bool end() const { return i_ >= t_.size(); }
    const Token* peek(std::size_t k = 0) const { return i_ + k < t_.size() ? &t_[i_ + k] : nullptr; }
    bool is(const char* word, std::size_t k = 0) const {
        const Token* t = peek(k);
        return t && t->kind != Token::Kind::String && t->kind != Token::Kind::Quoted && t->upper == word;
    }
    void skip(std::size_t k = 1) { i_ += k; }

    // "TRAN", "TRANSACTION" (and "WORK" where allowed) and an optional name.
    bool tranWord(bool work) {
        if (is("TRAN") || is("TRANSACTION") || (work && is("WORK"))) {
            const bool named = !is("WORK");
            skip();
            if (named) optionalName();
            return true;
        }
        return false;
    }
    void optionalName() {
        const Token* t = peek();
        if (!t || t->kind == Token::Kind::Punct || t->kind == Token::Kind::String) return;
        if (t->kind == Token::Kind::Word && statementWords().count(t->upper)) return;
        skip();
    }
    // "IF @@TRANCOUNT > 0" (also written "> = 1" and the like is not read).
    bool tranCountGuard() {
        if (is("IF") && is("@@TRANCOUNT", 1) && peek(2) && peek(2)->text == ">" && is("0", 3)) {
            skip(4);
            return true;
        }
        return false;
    }

    // One statement the server understands, from the current token.
    std::optional<BuiltIn> builtIn() {
        BuiltIn b;
        if (is("USE")) {
            const Token* name = peek(1);
            if (!name || (name->kind != Token::Kind::Word && name->kind != Token::Kind::Quoted)) return std::nullopt;
            b.kind = BuiltIn::Kind::Use;
            b.database = name->text;
            skip(2);
            return b;
        }
        if (is("BEGIN")) {
            skip();
            if (is("DISTRIBUTED")) skip();
            if (!tranWord(false)) return std::nullopt;
            b.kind = BuiltIn::Kind::Begin;
            return b;
        }
        if (is("SET") && is("TEXTSIZE", 1)) {
            long long size = 0;
            if (!textSizeAt(1, size)) return std::nullopt;
            b.kind = BuiltIn::Kind::TextSize;
            b.value = size;
            skip(3 + (peek(2)->text == "-"));
            return b;
        }
        if (is("SET") && is("XACT_ABORT", 1) && (is("ON", 2) || is("OFF", 2))) {
            b.kind = BuiltIn::Kind::XactAbort;
            b.value = is("ON", 2);
            skip(3);
            return b;
        }
        if (is("SELECT") && is("@@TRANCOUNT", 1)) {
            skip(2);
            b.kind = BuiltIn::Kind::TranCount;
            return b;
        }
        const bool guarded = tranCountGuard();
        if (is("COMMIT") || is("ROLLBACK")) {
            b.kind = is("COMMIT") ? BuiltIn::Kind::Commit : BuiltIn::Kind::Rollback;
            b.guarded = guarded;
            skip();
            tranWord(true);
            return b;
        }
        return std::nullopt;
    }

    // The number after the TEXTSIZE at peek(k) (a '-' may precede it).
    bool textSizeAt(std::size_t k, long long& size) const {
        const bool negative = peek(k + 1) && peek(k + 1)->text == "-";
        const Token* n = peek(k + 1 + negative);
        if (!n || n->kind != Token::Kind::Word || n->text.find_first_not_of("0123456789") != std::string::npos ||
            n->text.size() > 12)
            return false;
        size = std::stoll(n->text) * (negative ? -1 : 1);
        return true;
    }

private:
    std::vector<Token> t_;
    std::size_t i_ = 0;
};

}  // namespace

std::string normalize(std::string_view s) {
    std::string out;
    bool space = false;
    for (char c : s) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = true;
            continue;
        }
        if (space && !out.empty()) out.push_back(' ');
        space = false;
        out.push_back(c);
    }
    while (!out.empty() && (out.back() == ';' || out.back() == ' ')) out.pop_back();
    return out;
}

std::optional<std::vector<BuiltIn>> builtInBatch(std::string_view batch) {
    Parser p(tokenize(batch));
    std::vector<BuiltIn> out;
    while (!p.end()) {
        if (p.peek()->kind == Token::Kind::Punct && p.peek()->text == ";") {
            p.skip();
            continue;
        }
        std::optional<BuiltIn> b = p.builtIn();
        if (!b) return std::nullopt;
        out.push_back(std::move(*b));
    }
    if (out.empty()) return std::nullopt;
    return out;
}

std::vector<BuiltIn> sessionStatements(std::string_view batch) {
    const std::vector<Token> tokens = tokenize(batch);
    const Parser p(tokens);
    std::vector<BuiltIn> out;
    auto word = [&](std::size_t i, const char* w) {
        return i < tokens.size() && tokens[i].kind == Token::Kind::Word && tokens[i].upper == w;
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].depth != 0 || tokens[i].kind != Token::Kind::Word) continue;
        long long size = 0;
        if (word(i, "SET") && word(i + 1, "TEXTSIZE") && p.textSizeAt(i + 1, size)) {
            out.push_back({BuiltIn::Kind::TextSize, "", false, size});
        } else if (word(i, "SET") && word(i + 1, "XACT_ABORT") && (word(i + 2, "ON") || word(i + 2, "OFF"))) {
            out.push_back({BuiltIn::Kind::XactAbort, "", false, word(i + 2, "ON")});
        } else if (word(i, "USE") && i + 1 < tokens.size() &&
                   (tokens[i + 1].kind == Token::Kind::Word || tokens[i + 1].kind == Token::Kind::Quoted)) {
            out.push_back({BuiltIn::Kind::Use, tokens[i + 1].text, false});
        } else if (word(i, "BEGIN")) {
            const std::size_t k = word(i + 1, "DISTRIBUTED") ? i + 2 : i + 1;
            if (word(k, "TRAN") || word(k, "TRANSACTION")) out.push_back({BuiltIn::Kind::Begin, "", false});
        } else if (word(i, "COMMIT") || word(i, "ROLLBACK")) {
            const bool guarded = i >= 4 && word(i - 4, "IF") && word(i - 3, "@@TRANCOUNT") && tokens[i - 2].text == ">" &&
                                 tokens[i - 1].text == "0";
            out.push_back({word(i, "COMMIT") ? BuiltIn::Kind::Commit : BuiltIn::Kind::Rollback, "", guarded});
        }
    }
    return out;
}

bool procedureCall(std::string_view batch) {
    const std::vector<Token> tokens = tokenize(batch);
    if (tokens.empty() || tokens[0].kind != Token::Kind::Word) return false;
    const std::string& first = tokens[0].upper;
    std::size_t i = 1;
    if (first == "EXEC" || first == "EXECUTE") {
        if (tokens.size() < 2 || tokens[1].kind == Token::Kind::Punct) return false;  // EXEC ('...')
        if (tokens.size() > 3 && tokens[2].text == "=") i = 3;                          // EXEC @r = p
    } else if (first.rfind("SP_", 0) != 0 && first.rfind("XP_", 0) != 0) {
        return false;
    }
    // Its arguments, and no other statement after them.
    for (; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.depth == 0 && t.kind == Token::Kind::Word && statementWords().count(t.upper)) return false;
        if (t.kind == Token::Kind::Punct && t.text == ";" && i + 1 < tokens.size()) return false;
    }
    return true;
}

std::vector<std::uint16_t> statementCommands(std::string_view batch) {
    const std::vector<Token> tokens = tokenize(batch);
    std::vector<std::uint16_t> out;
    auto word = [&](std::size_t i, const char* w) {
        return i < tokens.size() && tokens[i].kind == Token::Kind::Word && tokens[i].upper == w;
    };
    bool afterInsert = false;  // a SELECT or EXEC here is the source of the INSERT's rows
    bool inGrant = false;      // the permissions of GRANT, REVOKE and DENY name commands
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.depth != 0) continue;
        if (t.kind == Token::Kind::Punct) {
            if (t.text == ";") afterInsert = inGrant = false;
            continue;
        }
        if (t.kind != Token::Kind::Word) continue;
        if (inGrant) {
            if (t.upper == "ON" || t.upper == "TO") inGrant = false;
            continue;
        }
        if (i > 0 && word(i - 1, "ON")) continue;  // ON DELETE, ON UPDATE
        const std::string& w = t.upper;
        if (w == "GRANT" || w == "REVOKE" || w == "DENY") {
            inGrant = true;
        } else if (w == "SELECT" || w == "EXEC" || w == "EXECUTE") {
            if (afterInsert) {
                afterInsert = false;
                continue;
            }
            out.push_back(w == "SELECT" ? cmd::Select : cmd::Execute);
        } else if (w == "INSERT") {
            out.push_back(cmd::Insert);
            afterInsert = true;
        } else if (w == "UPDATE") {
            out.push_back(cmd::Update);
        } else if (w == "DELETE") {
            out.push_back(cmd::Delete);
        } else if (w == "CREATE" || w == "DROP") {
            const bool create = w == "CREATE";
            std::size_t k = i + 1;
            while (word(k, "UNIQUE") || word(k, "CLUSTERED") || word(k, "NONCLUSTERED")) ++k;
            if (word(k, "TABLE")) out.push_back(create ? cmd::CreateTable : cmd::DropTable);
            else if (word(k, "INDEX")) out.push_back(create ? cmd::CreateIndex : cmd::DropIndex);
            else if (word(k, "DATABASE")) out.push_back(create ? cmd::CreateDatabase : cmd::DropDatabase);
            else if (word(k, "VIEW")) out.push_back(create ? cmd::CreateView : cmd::DropView);
            // The body of a view, procedure, function or trigger is the rest of the batch.
            if (create && (word(k, "VIEW") || word(k, "PROC") || word(k, "PROCEDURE") || word(k, "FUNCTION") ||
                           word(k, "TRIGGER")))
                break;
        }
    }
    return out;
}

}  // namespace tdstest::sql
