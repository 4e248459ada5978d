#include "script_pieces.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace script_test {

namespace {

bool is_blank(char byte) {
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f' || byte == '\v';
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& byte : result)
        if (byte >= 'A' && byte <= 'Z') byte = static_cast<char>(byte - 'A' + 'a');
    return result;
}

// The delimiter a mysql DELIMITER or \\d command sets, or "" when it sets
// none, read from the line from the command on (\\d's range may end inside
// its quoted argument).
std::string delimiter_set_by(std::string_view command) {
    std::size_t at = 9;
    if (command.substr(0, 2) == "\\d") {
        at = 2;
    } else if (command.size() < 10 || lower(command.substr(0, 9)) != "delimiter" || !is_blank(command[9])) {
        return "";
    }
    while (at < command.size() && (command[at] == ' ' || command[at] == '\t')) ++at;
    std::size_t end = at;
    if (at < command.size() && (command[at] == '\'' || command[at] == '"' || command[at] == '`')) {
        end = command.find(command[at], at + 1);
        return end == std::string_view::npos ? "" : std::string(command.substr(at + 1, end - at - 1));
    }
    while (end < command.size() && !is_blank(command[end])) ++end;
    const std::string_view delimiter = command.substr(at, end - at);
    return delimiter.find('\\') == std::string_view::npos ? std::string(delimiter) : "";
}

// Whether `gap` is blanks and whole delimiters, the delimiter compared
// without regard to case, and ";" (the mysql client drops those that end a
// statement under another delimiter).
bool blanks_and_delimiters(std::string_view gap, const std::string& delimiter) {
    const std::string folded = lower(gap);
    for (std::size_t at = 0; at < folded.size();) {
        if (folded.compare(at, delimiter.size(), delimiter) == 0) {
            at += delimiter.size();
        } else if (is_blank(folded[at]) || folded[at] == ';') {
            ++at;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string shown(const spltwd::ScriptPiece& piece, std::string_view script) {
    const char* kinds[] = {"?", "S:", "C:", "D:", "-:"};
    const auto kind = static_cast<std::size_t>(piece.kind);
    std::string text = kind < 5 ? kinds[kind] : "?:";
    text += script.substr(static_cast<std::size_t>(piece.start), static_cast<std::size_t>(piece.end - piece.start));
    return text;
}

std::vector<std::string> shown_pieces(std::string_view script, spltwd::Dialect dialect, spltwd::Client client) {
    std::vector<std::string> result;
    for (const spltwd::ScriptPiece& piece : spltwd::script_pieces(script, dialect, client)) result.push_back(shown(piece, script));
    return result;
}

std::vector<Range> pieces_in_texts(std::string_view script, spltwd::Dialect dialect, spltwd::Client client,
                                   std::size_t step) {
    spltwd::Script cursor(dialect, client);
    std::vector<Range> ranges;
    std::string held;
    std::size_t read = 0;
    std::uint64_t offset = 0;
    for (;;) {
        const std::size_t more = std::min(std::max(step, held.size()), script.size() - read);
        held.append(script, read, more);
        read += more;
        const bool at_end = read == script.size();
        EXPECT_TRUE(cursor.set_text(held, !at_end));
        spltwd::ScriptPiece piece;
        std::int32_t result;
        while ((result = cursor.next(piece)) == 1) {
            ranges.push_back({static_cast<std::int32_t>(piece.kind), piece.start, piece.end});
            if (!piece.text.empty()) {
                EXPECT_EQ(piece.text, script.substr(piece.start, piece.end - piece.start));
            }
        }
        EXPECT_EQ(result, 0);
        if (at_end) return ranges;
        held.erase(0, cursor.position() - offset);
        offset = cursor.position();
    }
}

std::string coverage_faults(std::string_view script, const std::vector<spltwd::ScriptPiece>& pieces,
                            spltwd::Client client) {
    std::string delimiter = ";";
    // sqlcmd takes a byte-order mark for the script's encoding.
    std::uint64_t covered = client == spltwd::Client::sqlcmd && script.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const spltwd::ScriptPiece& piece = pieces[i];
        const std::string where = "piece " + std::to_string(i) + " [" + std::to_string(piece.start) + ", " +
                                  std::to_string(piece.end) + ")";
        if (piece.start < covered || piece.end <= piece.start || piece.end > script.size())
            return where + " is out of order or out of the script";
        if (piece.text.data() != script.data() + piece.start || piece.text.size() != piece.end - piece.start)
            return where + ": its text is not its range of the script";
        const std::string_view gap = script.substr(static_cast<std::size_t>(covered), static_cast<std::size_t>(piece.start - covered));
        if (!blanks_and_delimiters(gap, delimiter)) return "before " + where + ": \"" + std::string(gap) + "\" is left out";
        if (client == spltwd::Client::mysql && piece.kind == spltwd::ScriptPiece::Kind::command) {
            const std::string_view line = script.substr(static_cast<std::size_t>(piece.start));
            const std::string set = delimiter_set_by(line.substr(0, line.find('\n')));
            if (!set.empty()) delimiter = lower(set);
        }
        covered = piece.end;
    }
    const std::string_view rest = script.substr(static_cast<std::size_t>(covered));
    if (!blanks_and_delimiters(rest, delimiter)) return "at the end: \"" + std::string(rest) + "\" is left out";
    return "";
}

}  // namespace script_test
