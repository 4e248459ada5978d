// Helpers of the script tests: a script's pieces as short texts, and the
// check that pieces and the separators between them cover the script.
#ifndef SPLTWD_TEST_SCRIPT_PIECES_H
#define SPLTWD_TEST_SCRIPT_PIECES_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "spltwd.hpp"

namespace script_test {

// "S:text" for a statement, "C:" a command, "D:" data, "-:" comments alone.
std::string shown(const spltwd::ScriptPiece& piece, std::string_view script);
std::vector<std::string> shown_pieces(std::string_view script, spltwd::Dialect dialect, spltwd::Client client);

struct Range {
    std::int32_t kind;
    std::uint64_t start, end;
    bool operator==(const Range&) const = default;
};

// The pieces of a script handed over as sqlsplit reads an input: texts
// that hold what is not done with and, behind it, up to `step` bytes more.
std::vector<Range> pieces_in_texts(std::string_view script, spltwd::Dialect dialect, spltwd::Client client,
                                   std::size_t step);

// What is wrong with the pieces of a script: empty when they are in order,
// within it, and the bytes between them are blanks and delimiters (";", and
// the delimiter a mysql DELIMITER command set).  `client` tells which
// commands set a delimiter.
std::string coverage_faults(std::string_view script, const std::vector<spltwd::ScriptPiece>& pieces,
                            spltwd::Client client);

}  // namespace script_test

#endif  // SPLTWD_TEST_SCRIPT_PIECES_H
