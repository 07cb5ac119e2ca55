#pragma once
// Parameters of remote procedure calls (sp_executesql, sp_prepexec, ...):
// each one read from the request with its type, and its value turned into
// text for the server's record.

#include "tdswire.h"

#include <optional>
#include <string>
#include <vector>

namespace tdstest::wire {

struct RpcParam {
    std::string name;
    std::uint8_t status = 0;           // 0x01: output parameter
    std::uint8_t type = 0;             // the TDS type byte
    std::optional<std::string> value;  // as text; nullopt for NULL
};

// Reads one parameter (name, status, type information and value). Integers
// and floats come out in decimal, dates as "YYYY-MM-DD hh:mm:ss.fff" (or the
// parts their type has), text as UTF-8, binary values as "0x" and hex digits.
// tds72: whether the session speaks TDS 7.2 or later. Throws ProtocolError
// for types a parameter of the driver never has (XML, CLR types, tables).
RpcParam readRpcParam(Reader& r, bool tds72);

}  // namespace tdstest::wire
