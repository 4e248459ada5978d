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
    return std::none_of(word.text.begin(), word.text.end(), [](char byte) { return is_quote(byte) || byte == '['; });
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

// sqlcmd: what may follow GO on its line: blanks, a count, blanks.
bool is_go_tail(std::string_view rest)
{
    std::size_t at = 0;
    while (at < rest.size() && (rest[at] == ' ' || rest[at] == '\t')) ++at;
    while (at < rest.size() && rest[at] >= '0' && rest[at] <= '9') ++at;
    return blanks_only(rest.substr(at));
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

// The argument of mysql's DELIMITER: up to a space (or a tab, a line end),
// or between quotes.  Empty when there is none.
std::string delimiter_argument(std::string_view command)
{
    std::size_t at = 9; // "delimiter"
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

} // namespace

bool is_blank(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f' || byte == '\v';
}

bool Text::line_blank_before(std::uint64_t offset) const
{
    for (std::uint64_t at = offset; at > base; --at) {
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

// The line that starts at `word` is a command, to its line feed.
bool Rules::command_line(const Word &word, const Text &text)
{
    const std::uint64_t line_end = text.line_end(word.start);
    if (line_end == text.end() && text.more) {
        return need_more(word);
    }
    std::uint64_t to = line_end;
    while (to > word.end && is_blank(text.at(to - 1))) --to;
    Stop &stop = state_.stop;
    stop.kind = Stop::Kind::command;
    stop.at = word.start;
    stop.to = std::max(to, word.end);
    stop.resume = line_end;
    stop.decided = word.end;
    stop.sql_before = state_.first_sql < word.start;
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
    return delimiter_ != ";" && delimiter_word(word, text);
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
    if (word.text[0] == '\\' && text.line_blank_before(word.start)) {
        if (word.start + 1 == text.end()) {
            if (text.more) {
                return need_more(word);
            }
            return command_line(word, text);
        }
        const char next = text.at(word.start + 1);
        if (next != ';' && next != ':') {
            return command_line(word, text);
        }
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
    state_.after_from = lower == "from";
    return false;
}

bool Rules::goes_on_past(std::uint64_t separator, const Text &text)
{
    if (client_ != Client::psql) {
        return false;
    }
    if (separator > text.base && text.at(separator - 1) == '\\') {
        // "\;" is a ";" in the text sent, and starts a statement in it.
        state_.identifier_count = 0;
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
    return block_start(word);
}

bool Rules::sqlplus_word(const Word &word, const Text &text, bool sql)
{
    if (!sql) {
        return false;
    }
    if (word.text == "/" && text.line_blank_before(word.start)) {
        const std::uint64_t line_end = text.line_end(word.end);
        if (line_end == text.end() && text.more) {
            return need_more(word);
        }
        if (blanks_only(text.view(word.end, line_end))) {
            return command_line(word, text);
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
    if (client_ == Client::mysql && command.size() >= 9 && equal_ignoring_case(command.substr(0, 9), "delimiter")) {
        std::string delimiter = delimiter_argument(command);
        // The client refuses an empty delimiter and one with a backslash.
        if (!delimiter.empty() && delimiter.find('\\') == std::string::npos) {
            delimiter_ = std::move(delimiter);
        }
        return false;
    }
    return client_ == Client::psql && is_copy_from_stdin(command);
}

} // namespace script_layer
