// The clients' rules: where each client ends a statement, read from the
// statement's words as the accurate profile gives them, one at a time.
#ifndef SPLTWD_SCRIPT_RULES_H
#define SPLTWD_SCRIPT_RULES_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace script_layer {

enum class Client { none, mysql, psql, sqlcmd, sqlplus };

// A word with its range in the script.
struct Word {
    std::string_view text;
    std::uint16_t type = 0;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

// The bytes of the script at hand: [base, base + size).
struct Text {
    const char *data = nullptr;
    std::uint64_t base = 0;
    std::uint64_t size = 0;
    bool more = false;              // the script goes on after these bytes
    bool line_blank_at_base = true; // the bytes from base's line start to base are blanks
    std::uint64_t line_origin = 0;  // where the script's first line starts (past a byte-order mark)

    std::uint64_t end() const { return base + size; }
    char at(std::uint64_t offset) const { return data[offset - base]; }
    std::string_view view(std::uint64_t from, std::uint64_t to) const
    {
        return {data + (from - base), static_cast<std::size_t>(to - from)};
    }
    // Whether the bytes from the start of offset's line up to offset are blanks.
    bool line_blank_before(std::uint64_t offset) const;
    // The offset of the first line feed at or after `from`, or end().
    std::uint64_t line_end(std::uint64_t from) const;
};

bool is_blank(char byte); // space, tab, carriage return, line feed, form feed, vertical tab

// Where a client's rule stops a statement.
struct Stop {
    enum class Kind {
        none,
        command,   // a command line [at, to), the script goes on at resume
        delimiter, // the statement ends at `at`; the delimiter runs to `to` (= resume)
        block,     // the statement is a block: read it again whole
        reread,    // the statement goes on, its words read again from `resume`
        need_more, // what decides lies past the end of the text, which goes on
    };
    Kind kind = Kind::none;
    std::uint64_t at = 0;
    std::uint64_t to = 0;
    std::uint64_t resume = 0;
    std::uint64_t decided = 0; // past the word that decided it
    bool sql_before = false;   // the statement before `at` holds SQL
    bool clears = false;       // the command drops the statement before it: both are one command
};

class Rules {
public:
    explicit Rules(Client client) : client_(client) {}

    Client client() const { return client_; }

    // Starts a statement; `block` when it is read whole as a block: a
    // PL/SQL block (sqlplus), a batch that creates a procedure (sqlcmd).
    void begin(bool block);

    // Feeds the statement's next word.  Returns true once a stop is found:
    // stop() tells what it is, and later words are ignored.
    bool feed(const Word &word, const Text &text);
    const Stop &stop() const { return state_.stop; }
    // Reading on past a reread stop.
    void clear_stop()
    {
        state_.stop = Stop{};
        candidates_.clear();
    }

    // Whether a statement that spltwd_split_first cut at the separator at
    // `separator` goes on past it (psql: "\;", a BEGIN ... END body).
    bool goes_on_past(std::uint64_t separator, const Text &text);

    // Whether the statement is read whole, its end found among its words
    // rather than at the first separator: mysql with a delimiter of its
    // own, a block.
    bool reads_whole() const { return state_.block || (client_ == Client::mysql && delimiter_ != ";"); }

    bool has_sql() const { return state_.first_sql != kNoSql; }
    // mysql: a delimiter of the script's own is set.
    bool own_delimiter() const { return client_ == Client::mysql && delimiter_ != ";"; }
    // psql: the statement is COPY ... FROM STDIN, which data follow.
    bool copy_in() const { return state_.copy_in; }

    // What a command line does to the client: mysql's DELIMITER and \d set
    // the delimiter, sqlplus's SET SQLBLANKLINES tells whether a blank line
    // ends a statement.  Returns true when data follow it (psql's \copy ...
    // from stdin).
    bool run_command(std::string_view command);

    // A statement that ends at `end` is given: what it sets that changes how the
    // client reads on (psql: standard_conforming_strings).
    void statement_done(std::uint64_t end, const Text &text);

    // The per-statement state, kept and restored around a segment's
    // retries.
    static constexpr std::uint64_t kNoSql = ~std::uint64_t{0};
    static constexpr std::uint8_t kNoBlock = 0xff;
    static constexpr std::uint8_t kNoSetting = 0xff;
    struct State {
        Stop stop;
        std::uint64_t first_sql = kNoSql;  // where the first word that is neither blank nor comment starts
        std::uint64_t first_word = kNoSql; // where the first word that is not blank starts
        bool block = false;
        // sqlplus, sqlcmd: how far the first words tell a block, or
        // kNoBlock once they tell none
        std::uint8_t block_step = 0;
        // psql
        int paren_depth = 0;
        int begin_depth = 0;
        std::uint32_t identifier_count = 0;
        char identifiers[4] = {};
        bool copy_first = false; // the first identifier is COPY
        bool after_from = false; // the last SQL word is FROM
        bool copy_in = false;
        // psql: how far the first words tell SET|RESET
        // standard_conforming_strings, or kNoSetting once they tell none;
        // and what the statement sets it to: 0 nothing, 1 on, 2 off
        std::uint8_t setting_step = 0;
        std::uint8_t setting = 0;
    };
    const State &state() const { return state_; }
    // Candidates of the delimiter never run across a segment's start.
    void restore(const State &state)
    {
        state_ = state;
        candidates_.clear();
    }

private:
    bool command_line(const Word &word, const Text &text, bool continued = false);
    bool command(const Word &word, std::uint64_t to, std::uint64_t resume, bool clears = false);
    bool need_more(const Word &word);
    bool mysql_word(const Word &word, const Text &text, bool sql);
    bool mysql_command(const Word &word, const Text &text);
    bool psql_command(const Word &word, const Text &text);
    bool psql_string(const Word &word, const Text &text);
    void psql_setting_word(const Word &word, std::string_view lower);
    bool escapes_at(std::uint64_t offset, const Text &text);
    void sqlplus_settings(std::string_view command);
    bool psql_word(const Word &word, const Text &text, bool sql);
    bool sqlcmd_word(const Word &word, const Text &text, bool sql);
    bool sqlplus_word(const Word &word, const Text &text, bool sql);
    bool delimiter_word(const Word &word, const Text &text);
    bool block_start(const Word &word);
    void plsql_block_word(std::string_view lower);
    void batch_block_word(std::string_view lower);

    Client client_;
    std::string delimiter_ = ";"; // mysql
    std::string next_delimiter_;   // mysql: what the \d command at hand sets, or empty
    bool blank_lines_ = false;     // sqlplus: SET SQLBLANKLINES ON, a blank line ends no statement
    // psql: whether a backslash escapes in '...' (standard_conforming_strings
    // off): from the line after the statement that set it on, before it
    bool escapes_ = false;
    bool escapes_before_ = false;
    bool escapes_line_known_ = true;    // where that line starts is known
    std::uint64_t escapes_from_ = 0;    // ... and this is it
    std::uint64_t escapes_set_at_ = 0;  // the end of the statement that set it
    State state_;
    std::vector<std::uint64_t> candidates_; // mysql: where the delimiter may start, in order
};

} // namespace script_layer

#endif // SPLTWD_SCRIPT_RULES_H
