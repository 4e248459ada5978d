// Dialects by name or by code, as people type them on the command line.
#ifndef SQLSPLIT_DIALECT_NAME_H
#define SQLSPLIT_DIALECT_NAME_H

#include <cstdint>
#include <optional>
#include <string_view>

namespace sqlsplit {

// A dialect name in any case (generic, oracle, sqlserver, db2, mysql,
// postgresql or postgres, informix) or a decimal code from 0 to 65535.
std::optional<std::uint16_t> parse_dialect(std::string_view text);

} // namespace sqlsplit

#endif // SQLSPLIT_DIALECT_NAME_H
