#include "script_rules.h"

#include <algorithm>
#include <cstring>

#include "mirx_sql_splt_wd.h"

namespace script_layer {

namespace {

char lower(char byte)
{
    return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

// The word in lower case when it is short enough to be one of the words
// the rules look for, else empty.
std::string_view lower_word(std::string_view text, char (&buffer)[16])
{
    if (text.size() >= sizeof buffer) {
        return {};
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        buffer[i] = lower(text[i]);
    }
    return {buffer, text.size()};
}

bool is_quote(char byte)
{
    return byte == '\'' || byte == '"' || byte == '`';
}

// A word the client reads as code, not as the inside of a string, a quoted
// name or a comment.
bool is_code(const Word &word)
{
    switch (word.type) {
        case SPLT_WD_TYPE_COMMENT:
        case SPLT_WD_TYPE_STRING:
        case SPLT_WD_TYPE_DQ_STRING:
        case SPLT_WD_TYPE_BIT_STRING:
        case SPLT_WD_TYPE_DOLLAR_STRING: return false;
        default: break;
    }
    // Quoted names and quoted variables (`a`, "a", [a], @'a').
    return std::none_of(word.text.begin(), word.text.end(), is_quote) && !(word.text.size() > 1 && word.text[0] == '[');
}

// An unquoted name or keyword, as psql's scanner tells identifiers.
bool is_identifier(const Word &word)
{
    if (word.text.empty() || !is_code(word) || word.type == SPLT_WD_TYPE_NUMBER) {
        return false;
    }
    const unsigned char first = static_cast<unsigned char>(word.text[0]);
    return (first >= 'a' && first <= 'z') || (first >= 'A' && first <= 'Z') || first == '_' || first >= 0x80;
}

bool blanks_only(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), is_blank);
}

// sqlcmd: what may follow GO on its line: blanks, a count, blanks, a
// "--" comment.
bool is_go_tail(std::string_view rest)
{
    std::size_t at = 0;
    while (at < rest.size() && (rest[at] == ' ' || rest[at] == '\t')) ++at;
    while (at < rest.size() && rest[at] >= '0' && rest[at] <= '9') ++at;
    while (at < rest.size() && (rest[at] == ' ' || rest[at] == '\t')) ++at;
    return rest.substr(at, 2) == "--" || blanks_only(rest.substr(at));
}

// The mysql client's one-letter commands ("\g"), and those of them that
// take the rest of their line as arguments, up to the delimiter.  "\N" is
// no command: it stands for NULL.
constexpr std::string_view kMysqlCommands = "?CcdeGghnPpqRr#-.s!TtuWw";
constexpr std::string_view kMysqlArgumentCommands = "?hCdrPR.!Tu";

// psql: where a meta-command's arguments end, from `from` on: at the line
// end, or past a "\\\\" outside quotes, behind which the line goes on as
// SQL (`separator`).
std::uint64_t psql_arguments_end(const Text &text, std::uint64_t from, std::uint64_t line_end, bool &separator)
{
    for (std::uint64_t at = from; at < line_end; ++at) {
        const char byte = text.at(at);
        if (byte == '\'') {
            for (++at; at < line_end && text.at(at) != '\''; ++at) {
                if (text.at(at) == '\\') ++at;
            }
            if (at >= line_end) break;
        } else if (byte == '\\' && at + 1 < line_end && text.at(at + 1) == '\\') {
            separator = true;
            return at + 2;
        }
    }
    separator = false;
    return line_end;
}

// psql with standard_conforming_strings off: where the string whose quote
// is at `quote` ends, a backslash escaping the byte after it, a quote after
// blanks that hold a line feed going on with it.  text.end() when that is
// not known within the text.
std::uint64_t escaped_string_end(const Text &text, std::uint64_t quote)
{
    std::uint64_t at = quote + 1;
    while (at < text.end()) {
        const char byte = text.at(at);
        if (byte == '\\') {
            at += 2;
        } else if (byte != '\'') {
            ++at;
        } else if (at + 1 < text.end() && text.at(at + 1) == '\'') {
            at += 2;
        } else {
            const std::uint64_t close = at + 1;
            std::uint64_t next = close;
            bool line_feed = false;
            while (next < text.end() && is_blank(text.at(next))) {
                line_feed = line_feed || text.at(next) == '\n';
                ++next;
            }
            if (next == text.end() && (line_feed || close == text.end())) {
                return text.end();
            }
            if (!line_feed || text.at(next) != '\'') {
                return close;
            }
            at = next + 1;
        }
    }
    return text.end();
}

// sqlplus's own commands, which run to the end of their line, and the
// least of each name that the tool takes for it (SPO for SPOOL).  Not
// SQL: no statement of Oracle starts with one of them.
struct SqlplusCommand {
    std::string_view name;
    std::size_t shortest;
};
constexpr SqlplusCommand kSqlplusCommands[] = {
    {"accept", 3},   {"break", 3},    {"btitle", 3},   {"clear", 2},  {"column", 3},  {"compute", 4},
    {"connect", 4},  {"define", 3},   {"describe", 4}, {"disconnect", 4}, {"execute", 4}, {"exit", 4},
    {"host", 2},     {"pause", 3},    {"print", 3},    {"prompt", 3}, {"quit", 4},    {"remark", 3},
    {"set", 3},      {"show", 3},     {"spool", 3},    {"start", 3},  {"timing", 4},  {"ttitle", 3},
    {"undefine", 5}, {"variable", 3}, {"whenever", 8},
};

bool is_sqlplus_command(std::string_view lower)
{
    return std::any_of(std::begin(kSqlplusCommands), std::end(kSqlplusCommands), [lower](const SqlplusCommand &command) {
        return lower.size() >= command.shortest && lower.size() <= command.name.size() &&
               command.name.substr(0, lower.size()) == lower;
    });
}

// SET TRANSACTION, SET ROLE and SET CONSTRAINT[S] are SQL, not the tool's SET.
bool is_sql_set(std::string_view rest_of_line)
{
    std::size_t at = 0;
    while (at < rest_of_line.size() && is_blank(rest_of_line[at])) ++at;
    std::size_t end = at;
    while (end < rest_of_line.size() && !is_blank(rest_of_line[end]) && rest_of_line[end] != ';') ++end;
    const std::string_view word = rest_of_line.substr(at, end - at);
    return equal_ignoring_case(word, "transaction") || equal_ignoring_case(word, "role") ||
           equal_ignoring_case(word, "constraint") || equal_ignoring_case(word, "constraints");
}

// psql's \copy ... from stdin: data follow the command.
bool is_copy_from_stdin(std::string_view command)
{
    if (command.size() < 5 || !equal_ignoring_case(command.substr(0, 5), "\\copy") ||
        (command.size() > 5 && !is_blank(command[5]))) {
        return false;
    }
    // The words "from" and "stdin", one after the other.
    std::string_view last;
    for (std::size_t at = 5; at < command.size();) {
        while (at < command.size() && is_blank(command[at])) ++at;
        const std::size_t start = at;
        while (at < command.size() && !is_blank(command[at])) ++at;
        const std::string_view word = command.substr(start, at - start);
        if (equal_ignoring_case(word, "stdin") && equal_ignoring_case(last, "from")) {
            return true;
        }
        last = word;
    }
    return false;
}

// The argument of mysql's DELIMITER (or \d, `skip` bytes long): up to a
// space (or a tab, a line end), or between quotes.  Empty when there is
// none.
std::string delimiter_argument(std::string_view command, std::size_t skip)
{
    std::size_t at = skip;
    while (at < command.size() && (command[at] == ' ' || command[at] == '\t')) ++at;
    if (at == command.size()) {
        return {};
    }
    if (is_quote(command[at])) {
        const char quote = command[at];
        const std::size_t close = command.find(quote, at + 1);
        if (close == std::string_view::npos) {
            return {};
        }
        return std::string(command.substr(at + 1, close - at - 1));
    }
    std::size_t end = at;
    while (end < command.size() && !is_blank(command[end])) ++end;
    return std::string(command.substr(at, end - at));
}

// The client refuses an empty delimiter and one with a backslash.
bool usable_delimiter(const std::string &delimiter)
{
    return !delimiter.empty() && delimiter.find('\\') == std::string::npos;
}

// A value of a boolean setting: 1 on, 2 off, 0 neither.
std::uint8_t boolean_value(std::string_view text)
{
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
        text = text.substr(1, text.size() - 2);
    }
    for (const std::string_view on : {"on", "true", "yes", "1"}) {
        if (equal_ignoring_case(text, on)) return 1;
    }
    for (const std::string_view off : {"off", "false", "no", "0"}) {
        if (equal_ignoring_case(text, off)) return 2;
    }
    return 0;
}

} // namespace

bool is_blank(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f' || byte == '\v';
}

bool Text::line_blank_before(std::uint64_t offset) const
{
    for (std::uint64_t at = offset; at > base; --at) {
        if (at == line_origin) {
            return true;
        }
        const char byte = data[at - 1 - base];
        if (byte == '\n') {
            return true;
        }
        if (!is_blank(byte)) {
            return false;
        }
    }
    return line_blank_at_base;
}

std::uint64_t Text::line_end(std::uint64_t from) const
{
    const void *found = std::memchr(data + (from - base), '\n', static_cast<std::size_t>(end() - from));
    return found == nullptr ? end() : base + static_cast<std::uint64_t>(static_cast<const char *>(found) - data);
}

void Rules::begin(bool block)
{
    state_ = State{};
    state_.block = block;
    candidates_.clear();
}

bool Rules::feed(const Word &word, const Text &text)
{
    if (state_.stop.kind != Stop::Kind::none) {
        return true;
    }
    const bool sql = word.type != SPLT_WD_TYPE_SPACE && word.type != SPLT_WD_TYPE_COMMENT;
    if (sql && state_.first_sql == kNoSql) {
        state_.first_sql = word.start;
    }
    if (word.type != SPLT_WD_TYPE_SPACE && state_.first_word == kNoSql) {
        state_.first_word = word.start;
    }
    bool stopped = false;
    switch (client_) {
        case Client::none: break;
        case Client::mysql: stopped = mysql_word(word, text, sql); break;
        case Client::psql: stopped = psql_word(word, text, sql); break;
        case Client::sqlcmd: stopped = sqlcmd_word(word, text, sql); break;
        case Client::sqlplus: stopped = sqlplus_word(word, text, sql); break;
    }
    return stopped;
}

// The line that starts at `word` is a command, to its line feed; with
// `continued`, a line that ends in "-" goes on on the next (sqlplus).
bool Rules::command_line(const Word &word, const Text &text, bool continued)
{
    std::uint64_t line_end = text.line_end(word.start);
    for (;;) {
        if (line_end == text.end() && text.more) {
            return need_more(word);
        }
        std::uint64_t last = line_end;
        while (last > word.start && is_blank(text.at(last - 1))) --last;
        if (!continued || line_end == text.end() || text.at(last - 1) != '-') {
            break;
        }
        line_end = text.line_end(line_end + 1);
    }
    std::uint64_t to = line_end;
    while (to > word.end && is_blank(text.at(to - 1))) --to;
    return command(word, to, line_end);
}

// A command from `word` to `to`; the script goes on at `resume`.  With
// `clears`, the statement before it is dropped, and is part of the command.
bool Rules::command(const Word &word, std::uint64_t to, std::uint64_t resume, bool clears)
{
    Stop &stop = state_.stop;
    stop.kind = Stop::Kind::command;
    stop.at = word.start;
    stop.to = std::max(to, word.end);
    stop.resume = resume;
    stop.decided = word.end;
    stop.sql_before = state_.first_sql < word.start;
    stop.clears = clears;
    return true;
}

bool Rules::need_more(const Word &word)
{
    state_.stop.kind = Stop::Kind::need_more;
    state_.stop.decided = word.end;
    return true;
}

bool Rules::mysql_word(const Word &word, const Text &text, bool sql)
{
    if (sql && state_.first_sql == word.start && word.text.size() == 9 && equal_ignoring_case(word.text, "delimiter") &&
        text.line_blank_before(word.start)) {
        if (word.end == text.end()) {
            return text.more ? need_more(word) : command_line(word, text);
        }
        if (is_blank(text.at(word.end))) {
            return command_line(word, text);
        }
    }
    if (sql && word.text[0] == '\\') {
        if (word.start + 1 == text.end()) {
            if (text.more) {
                return need_more(word);
            }
        } else if (kMysqlCommands.find(text.at(word.start + 1)) != std::string_view::npos && mysql_command(word, text)) {
            return true;
        }
    }
    return delimiter_ != ";" && delimiter_word(word, text);
}

// The mysql client's "\x" outside strings, quoted names and comments, where
// a line of it may stand (in the SQL of a "/*!" comment too):
// - \g and \G send the statement before them, as the delimiter does, and
//   so does \q, which quits;
// - \c drops it: the statement and \c are one command;
// - a command with arguments runs up to the next delimiter on its line
//   (for \d, the one it sets, which is its argument), or to the line end;
//   the rest of the line is read on.  The client keeps a statement open
//   across it; here it ends the statement before it;
// - the others run at once; where a statement would start they are a
//   command of their own, else they stay in the statement's text.
bool Rules::mysql_command(const Word &word, const Text &text)
{
    const char letter = text.at(word.start + 1);
    const std::uint64_t after = word.start + 2;
    if (letter == 'g' || letter == 'G' || letter == 'q') {
        return command(word, after, after);
    }
    if (letter == 'c') {
        return command(word, after, after, true);
    }
    if (kMysqlArgumentCommands.find(letter) == std::string_view::npos) {
        if (state_.first_word == word.start) {
            return command(word, after, after);
        }
        if (letter == '#' || (letter == '-' && after < text.end() && text.at(after) == '-')) {
            // The words took the letter for a comment's start: the client
            // reads on after it.
            Stop &stop = state_.stop;
            stop.kind = Stop::Kind::reread;
            stop.resume = after;
            stop.decided = word.end;
            return true;
        }
        return false;
    }
    const std::uint64_t line_end = text.line_end(after);
    if (line_end == text.end() && text.more) {
        return need_more(word);
    }
    next_delimiter_.clear();
    if (letter == 'd') {
        std::string set = delimiter_argument(text.view(word.start, line_end), 2);
        if (usable_delimiter(set)) {
            next_delimiter_ = std::move(set);
        }
    }
    const std::string_view ends = next_delimiter_.empty() ? std::string_view(delimiter_) : std::string_view(next_delimiter_);
    const std::size_t found = text.view(after, line_end).find(ends);
    if (found == std::string_view::npos) {
        std::uint64_t to = line_end;
        while (to > after && is_blank(text.at(to - 1))) --to;
        return command(word, to, line_end);
    }
    const std::uint64_t at = after + found;
    if (!next_delimiter_.empty()) {
        return command(word, at + ends.size(), at + ends.size());
    }
    std::uint64_t to = at;
    while (to > after && is_blank(text.at(to - 1))) --to;
    return command(word, to, at + ends.size());
}

// The first place where the delimiter stands in code: each byte of it in a
// word that is code.  A candidate found in one word may run on into the
// next ones; candidates end in the order they start, all being as long.
bool Rules::delimiter_word(const Word &word, const Text &text)
{
    if (!is_code(word)) {
        candidates_.clear();
        return false;
    }
    const std::size_t length = delimiter_.size();
    const char first = lower(delimiter_[0]);
    for (std::uint64_t at = word.start; at < word.end; ++at) {
        if (lower(text.at(at)) == first && text.end() - at >= length &&
            equal_ignoring_case(text.view(at, at + length), delimiter_)) {
            candidates_.push_back(at);
        }
    }
    if (candidates_.empty() || candidates_.front() + length > word.end) {
        return false;
    }
    Stop &stop = state_.stop;
    stop.kind = Stop::Kind::delimiter;
    stop.at = candidates_.front();
    stop.to = stop.resume = stop.at + length;
    stop.decided = word.end;
    stop.sql_before = state_.first_sql < stop.at;
    return true;
}

bool Rules::psql_word(const Word &word, const Text &text, bool sql)
{
    if (!sql) {
        return false;
    }
    if (word.text[0] == '\\') {
        if (word.start + 1 == text.end()) {
            if (text.more) {
                return need_more(word);
            }
            return command_line(word, text);
        }
        const char next = text.at(word.start + 1);
        if (next != ';' && next != ':') {
            return psql_command(word, text);
        }
    }
    if (psql_string(word, text)) {
        state_.after_from = false;
        return true;
    }
    if (word.type == SPLT_WD_TYPE_LPAREN) {
        ++state_.paren_depth;
    } else if (word.type == SPLT_WD_TYPE_RPAREN && state_.paren_depth > 0) {
        --state_.paren_depth;
    }
    char buffer[16];
    const std::string_view lower = is_identifier(word) ? lower_word(word.text, buffer) : std::string_view();
    if (is_identifier(word)) {
        // psql's own guess at a BEGIN ... END body of CREATE [OR REPLACE]
        // FUNCTION|PROCEDURE, whose ";" end no statement.
        if (state_.identifier_count == 0) {
            std::memset(state_.identifiers, 0, sizeof state_.identifiers);
            state_.copy_first = lower == "copy";
        }
        if (lower == "create" || lower == "function" || lower == "procedure" || lower == "or" || lower == "replace") {
            if (state_.identifier_count < sizeof state_.identifiers) {
                state_.identifiers[state_.identifier_count] = lower[0];
            }
        }
        ++state_.identifier_count;
        const char *id = state_.identifiers;
        if (id[0] == 'c' && (id[1] == 'f' || id[1] == 'p' || (id[1] == 'o' && id[2] == 'r' && (id[3] == 'f' || id[3] == 'p'))) &&
            state_.paren_depth == 0) {
            if (lower == "begin") {
                ++state_.begin_depth;
            } else if (lower == "case") {
                if (state_.begin_depth >= 1) ++state_.begin_depth;
            } else if (lower == "end") {
                if (state_.begin_depth > 0) --state_.begin_depth;
            }
        }
        if (state_.copy_first && state_.after_from && lower == "stdin") {
            state_.copy_in = true;
        }
    }
    psql_setting_word(word, lower);
    state_.after_from = lower == "from";
    return false;
}

// psql: a backslash outside strings, quoted names, comments and bodies
// starts a meta-command wherever it stands, to the line end or past a
// "\\\\"; it ends the statement before it (\g, \gset, \gx, ... send it;
// \r and \reset drop it, which makes both one command).
bool Rules::psql_command(const Word &word, const Text &text)
{
    const std::uint64_t line_end = text.line_end(word.start);
    if (line_end == text.end() && text.more) {
        return need_more(word);
    }
    std::uint64_t name_end = word.start + 1;
    while (name_end < line_end && !is_blank(text.at(name_end)) && text.at(name_end) != '\\') ++name_end;
    const std::string_view name = text.view(word.start + 1, name_end);
    bool separator = false;
    const std::uint64_t end = psql_arguments_end(text, word.start + 1, line_end, separator);
    std::uint64_t to = end;
    while (!separator && to > word.end && is_blank(text.at(to - 1))) --to;
    return command(word, to, end, name == "r" || name == "reset");
}

// psql with standard_conforming_strings off reads '...' (and N'...') with
// backslash escapes, where the words read it as the server does with it
// on: where the two part, the statement is read again from the string's
// end.
bool Rules::psql_string(const Word &word, const Text &text)
{
    if (word.type != SPLT_WD_TYPE_STRING) {
        return false;
    }
    std::uint64_t quote = word.start;
    if (word.text.size() > 1 && (word.text[0] == 'N' || word.text[0] == 'n')) {
        ++quote;
    }
    if (text.at(quote) != '\'' || !escapes_at(word.start, text)) {
        return false;
    }
    const std::uint64_t end = escaped_string_end(text, quote);
    if (end == text.end() && text.more) {
        return need_more(word);
    }
    if (end == word.end) {
        return false;
    }
    Stop &stop = state_.stop;
    stop.kind = Stop::Kind::reread;
    stop.resume = end;
    stop.decided = word.end;
    return true;
}

// psql: SET [SESSION] standard_conforming_strings {= | TO} value, and RESET
// standard_conforming_strings | ALL.  setting_step: 0 at the start, 1
// after SET, 2 after SESSION, 3 after the name, 4 after = or TO, 5 after
// RESET.
void Rules::psql_setting_word(const Word &word, std::string_view lower)
{
    std::uint8_t &step = state_.setting_step;
    if (step == kNoSetting) {
        return;
    }
    const bool name = equal_ignoring_case(word.text, "standard_conforming_strings");
    std::uint8_t next = kNoSetting;
    if (step == 0) {
        next = lower == "set" ? 1 : lower == "reset" ? 5 : kNoSetting;
    } else if (step == 1 && lower == "session") {
        next = 2;
    } else if ((step == 1 || step == 2) && name) {
        next = 3;
    } else if (step == 3 && (word.text == "=" || lower == "to")) {
        next = 4;
    } else if (step == 4) {
        // DEFAULT: the server's own, on unless its configuration says otherwise
        state_.setting = equal_ignoring_case(word.text, "default") ? 1 : boolean_value(word.text);
    } else if (step == 5 && (name || lower == "all")) {
        state_.setting = 1;
    }
    step = next;
}

bool Rules::escapes_at(std::uint64_t offset, const Text &text)
{
    if (!escapes_line_known_) {
        // psql reads a line with the setting it had at the line's start.
        const std::uint64_t line_end = text.line_end(std::max(escapes_set_at_, text.base));
        if (line_end < text.end() || !text.more) {
            escapes_from_ = std::min(line_end + 1, text.end());
            escapes_line_known_ = true;
        } else {
            return escapes_before_;
        }
    }
    return offset >= escapes_from_ ? escapes_ : escapes_before_;
}

void Rules::statement_done(std::uint64_t end, const Text &text)
{
    if (client_ != Client::psql || state_.setting == 0) {
        return;
    }
    escapes_before_ = escapes_at(end, text);
    escapes_ = state_.setting == 2;
    escapes_set_at_ = end;
    escapes_line_known_ = false;
    escapes_at(end, text);
}

bool Rules::goes_on_past(std::uint64_t separator, const Text &text)
{
    if (client_ != Client::psql) {
        return false;
    }
    if (separator > text.base && text.at(separator - 1) == '\\') {
        // "\;" is a ";" in the text sent, and starts a statement in it.
        state_.identifier_count = 0;
        state_.setting_step = 0;
        return true;
    }
    return state_.begin_depth > 0;
}

bool Rules::sqlcmd_word(const Word &word, const Text &text, bool sql)
{
    if (!sql) {
        return false;
    }
    if (word.text.size() == 2 && equal_ignoring_case(word.text, "go") && text.line_blank_before(word.start)) {
        const std::uint64_t line_end = text.line_end(word.end);
        if (line_end == text.end() && text.more) {
            return need_more(word);
        }
        if (is_go_tail(text.view(word.end, line_end))) {
            return command_line(word, text);
        }
    }
    // The tool's own commands: ":setvar x 1", ":r file.sql", "!! dir".
    if ((word.text == ":" || word.text == "!") && text.line_blank_before(word.start)) {
        if (word.end == text.end()) {
            return text.more ? need_more(word) : false;
        }
        const char next = text.at(word.end);
        if ((word.text == ":" && ((next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z'))) ||
            (word.text == "!" && next == '!')) {
            return command_line(word, text);
        }
    }
    return block_start(word);
}

bool Rules::sqlplus_word(const Word &word, const Text &text, bool sql)
{
    if (!sql) {
        // A blank line ends a statement that is not a block (unless SET
        // SQLBLANKLINES ON): the tool keeps it without running it.
        if (word.type == SPLT_WD_TYPE_SPACE && !state_.block && !blank_lines_ && state_.first_sql != kNoSql &&
            std::count(word.text.begin(), word.text.end(), '\n') >= 2) {
            Stop &stop = state_.stop;
            stop.kind = Stop::Kind::delimiter;
            stop.at = word.start;
            stop.to = stop.resume = stop.decided = word.end;
            stop.sql_before = true;
            return true;
        }
        return false;
    }
    const bool line_start = text.line_blank_before(word.start);
    // "/" runs the statement or block; "." ends it without running it.
    if ((word.text == "/" || word.text == ".") && line_start) {
        const std::uint64_t line_end = text.line_end(word.end);
        if (line_end == text.end() && text.more) {
            return need_more(word);
        }
        if (blanks_only(text.view(word.end, line_end))) {
            return command_line(word, text);
        }
    }
    if (line_start && state_.first_sql == word.start && !state_.block) {
        // The tool's own commands: @file, @@file, SET, PROMPT, SPOOL, ...
        char buffer[16];
        const std::string_view lower = lower_word(word.text, buffer);
        if (word.text == "@" || (is_sqlplus_command(lower) && word.end < text.end() && is_blank(text.at(word.end)))) {
            const std::uint64_t line_end = text.line_end(word.end);
            if (line_end == text.end() && text.more) {
                return need_more(word);
            }
            if (lower != "set" || !is_sql_set(text.view(word.end, line_end))) {
                return command_line(word, text, true);
            }
        } else if (is_sqlplus_command(lower) && word.end == text.end()) {
            return text.more ? need_more(word) : command_line(word, text);
        }
    }
    return block_start(word);
}

// Whether the statement's first words make it a block, read whole to its
// end; a stop then says so.
bool Rules::block_start(const Word &word)
{
    if (state_.block || state_.block_step == kNoBlock) {
        return false;
    }
    char buffer[16];
    const std::string_view lower = lower_word(word.text, buffer);
    if (client_ == Client::sqlplus) {
        plsql_block_word(lower);
    } else {
        batch_block_word(lower);
    }
    if (!state_.block) {
        return false;
    }
    Stop &stop = state_.stop;
    stop.kind = Stop::Kind::block;
    stop.decided = word.end;
    return true;
}

// sqlplus: the first words of a PL/SQL block:
//   DECLARE | BEGIN
//   CREATE [OR REPLACE] [EDITIONABLE | NONEDITIONABLE]
//          PROCEDURE | FUNCTION | PACKAGE | TRIGGER | TYPE | LIBRARY
// block_step: 0 at the start, 1 after CREATE, 2 after OR, 3 after
// REPLACE, 4 after EDITIONABLE.
void Rules::plsql_block_word(std::string_view word)
{
    std::uint8_t &step = state_.block_step;
    const bool unit = word == "procedure" || word == "function" || word == "package" || word == "trigger" ||
                      word == "type" || word == "library";
    if (step == 0 && (word == "declare" || word == "begin")) {
        state_.block = true;
    } else if (step == 0 && word == "create") {
        step = 1;
    } else if (step == 1 && word == "or") {
        step = 2;
    } else if (step == 2 && word == "replace") {
        step = 3;
    } else if ((step == 1 || step == 3) && (word == "editionable" || word == "noneditionable")) {
        step = 4;
    } else if (step != 0 && step != 2 && unit) {
        state_.block = true;
    } else {
        step = kNoBlock;
    }
}

// sqlcmd: a batch whose first statement creates or alters a procedure,
// function, trigger or view is that statement to the batch's end, as the
// server reads it ("must be the first statement in a batch"):
//   CREATE [OR ALTER] | ALTER   PROCEDURE | PROC | FUNCTION | TRIGGER | VIEW
// block_step: 0 at the start, 1 after CREATE or ALTER, 2 after OR.
void Rules::batch_block_word(std::string_view word)
{
    std::uint8_t &step = state_.block_step;
    const bool unit = word == "procedure" || word == "proc" || word == "function" || word == "trigger" || word == "view";
    if (step == 0 && (word == "create" || word == "alter")) {
        step = 1;
    } else if (step == 1 && word == "or") {
        step = 2;
    } else if (step == 2 && word == "alter") {
        step = 3;
    } else if ((step == 1 || step == 3) && unit) {
        state_.block = true;
    } else {
        step = kNoBlock;
    }
}

bool Rules::run_command(std::string_view command)
{
    if (client_ == Client::mysql && command.substr(0, 2) == "\\d") {
        if (!next_delimiter_.empty()) {
            delimiter_ = std::move(next_delimiter_);
            next_delimiter_.clear();
        }
        return false;
    }
    if (client_ == Client::mysql && command.size() >= 9 && equal_ignoring_case(command.substr(0, 9), "delimiter")) {
        std::string delimiter = delimiter_argument(command, 9);
        if (usable_delimiter(delimiter)) {
            delimiter_ = std::move(delimiter);
        }
        return false;
    }
    if (client_ == Client::sqlplus) {
        sqlplus_settings(command);
        return false;
    }
    return client_ == Client::psql && is_copy_from_stdin(command);
}

// sqlplus: SET SQLBL[ANKLINES] ON|OFF, among the other settings of a SET.
void Rules::sqlplus_settings(std::string_view command)
{
    std::string_view previous;
    bool first = true;
    bool set = false;
    for (std::size_t at = 0; at < command.size();) {
        while (at < command.size() && (is_blank(command[at]) || command[at] == '-')) ++at;
        const std::size_t start = at;
        while (at < command.size() && !is_blank(command[at])) ++at;
        const std::string_view word = command.substr(start, at - start);
        if (word.empty()) {
            break;
        }
        if (first) {
            set = equal_ignoring_case(word, "set");
            first = false;
        } else if (set && previous.size() >= 5 && previous.size() <= 13 &&
                   equal_ignoring_case(previous, std::string_view("sqlblanklines").substr(0, previous.size()))) {
            const std::uint8_t value = boolean_value(word);
            if (value != 0) {
                blank_lines_ = value == 1;
            }
        }
        if (!set) {
            break;
        }
        previous = word;
    }
}

} // namespace script_layer
