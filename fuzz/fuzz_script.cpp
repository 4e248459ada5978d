// Fuzzes the script cursor: the whole input is a script, read by each
// client in its own dialect and in the generic mode.  Whatever the bytes,
// the cursor must give its pieces without failing; they lie in order
// inside the script, each text its own range of it; the bytes between
// them are blanks and delimiters (";", and the delimiter of the last mysql
// DELIMITER or \d command; sqlcmd's byte-order mark); and the script handed
// over in two texts, cut where the input's first byte says, must give the
// same pieces.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "spltwd_script.h"

namespace {

struct Piece {
    std::int32_t kind;
    std::uint64_t start, end;
    bool operator==(const Piece&) const = default;
};

bool IsBlank(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f' || byte == '\v';
}

char Lower(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// The delimiter a mysql DELIMITER or \d command sets, read from the line
// from the command on (\d's range may end inside its quoted argument);
// `delimiter` unchanged when it sets none.
void RunCommand(std::string_view line, std::string& delimiter) {
    std::size_t at = 2;
    if (line.substr(0, 2) != "\\d") {
        if (line.size() < 10 || !EqualIgnoringCase(line.substr(0, 9), "delimiter") || !IsBlank(line[9])) return;
        at = 9;
    }
    const std::string_view command = line;
    while (at < command.size() && (command[at] == ' ' || command[at] == '\t')) ++at;
    std::string_view set;
    if (at < command.size() && (command[at] == '\'' || command[at] == '"' || command[at] == '`')) {
        const std::size_t close = command.find(command[at], at + 1);
        if (close == std::string_view::npos) return;
        set = command.substr(at + 1, close - at - 1);
    } else {
        std::size_t end = at;
        while (end < command.size() && !IsBlank(command[end])) ++end;
        set = command.substr(at, end - at);
    }
    if (!set.empty() && set.find('\\') == std::string_view::npos) delimiter = set;
}

// The mysql client drops the ";" that end a statement under another
// delimiter: those are delimiters too.
bool BlanksAndDelimiters(std::string_view gap, std::string_view delimiter) {
    for (std::size_t at = 0; at < gap.size();) {
        if (gap.size() - at >= delimiter.size() && EqualIgnoringCase(gap.substr(at, delimiter.size()), delimiter)) {
            at += delimiter.size();
        } else if (IsBlank(gap[at]) || gap[at] == ';') {
            ++at;
        } else {
            return false;
        }
    }
    return true;
}

// The pieces of the script handed over in two texts, the first ending at
// `cut` (the whole script when cut is its size).
std::vector<Piece> Pieces(std::uint16_t dialect, std::int32_t client, const char* script, std::size_t size,
                          std::size_t cut) {
    spltwd_script* cursor = spltwd_script_create(dialect, client);
    Require(cursor != nullptr, "a cursor");
    std::vector<Piece> pieces;
    std::string delimiter = ";";
    // sqlcmd takes a byte-order mark for the script's encoding.
    std::uint64_t covered =
        client == SPLTWD_CLIENT_SQLCMD && std::string_view(script, size).substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    std::size_t given = cut;
    Require(spltwd_script_set_text(cursor, script, cut, cut < size) == 0, "the first text is taken");
    for (;;) {
        spltwd_piece piece;
        std::int32_t result;
        while ((result = spltwd_script_next(cursor, &piece)) == 1) {
            Require(piece.start >= covered && piece.end > piece.start && piece.end <= given, "pieces lie in order in the text");
            Require(piece.kind >= SPLTWD_PIECE_STATEMENT && piece.kind <= SPLTWD_PIECE_COMMENT, "a piece has a kind");
            Require(piece.text == nullptr ? piece.kind == SPLTWD_PIECE_DATA : piece.text == script + piece.start,
                    "a piece's text is its range");
            Require(BlanksAndDelimiters(std::string_view(script + covered, piece.start - covered), delimiter),
                    "only blanks and delimiters lie between pieces");
            if (client == SPLTWD_CLIENT_MYSQL && piece.kind == SPLTWD_PIECE_COMMAND) {
                const std::string_view rest(script + piece.start, given - piece.start);
                RunCommand(rest.substr(0, rest.find('\n')), delimiter);
            }
            pieces.push_back({piece.kind, piece.start, piece.end});
            covered = piece.end;
        }
        Require(result == 0, "the cursor never fails on a script");
        if (given == size) break;
        const std::uint64_t position = spltwd_script_position(cursor);
        Require(position >= covered && position <= given, "the position lies after the pieces given");
        given = size;
        Require(spltwd_script_set_text(cursor, script + position, size - position, 0) == 0, "the second text is taken");
    }
    Require(BlanksAndDelimiters(std::string_view(script + covered, size - covered), delimiter),
            "only blanks and delimiters follow the last piece");
    spltwd_script_destroy(cursor);
    return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A heap copy of exactly the input, so that AddressSanitizer catches a
    // read past its end.
    char* script = static_cast<char*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(script, data, size);
    const std::size_t cut = size == 0 ? 0 : size * data[0] / 256;
    for (const std::int32_t client :
         {SPLTWD_CLIENT_NONE, SPLTWD_CLIENT_MYSQL, SPLTWD_CLIENT_PSQL, SPLTWD_CLIENT_SQLCMD, SPLTWD_CLIENT_SQLPLUS}) {
        for (const std::uint16_t dialect :
             {static_cast<std::uint16_t>(client == SPLTWD_CLIENT_MYSQL      ? SPLT_WD_DIALECT_MYSQL
                                         : client == SPLTWD_CLIENT_PSQL     ? SPLT_WD_DIALECT_POSTGRESQL
                                         : client == SPLTWD_CLIENT_SQLCMD   ? SPLT_WD_DIALECT_SQLSERVER
                                         : client == SPLTWD_CLIENT_SQLPLUS  ? SPLT_WD_DIALECT_ORACLE
                                                                            : SPLT_WD_DIALECT_DB2),
              std::uint16_t{0}}) {
            const std::vector<Piece> whole = Pieces(dialect, client, script, size, size);
            Require(Pieces(dialect, client, script, size, cut) == whole, "two texts give the pieces of one");
        }
    }
    Require(size == 0 || std::memcmp(script, data, size) == 0, "the script is never written");
    std::free(script);
    return 0;
}
