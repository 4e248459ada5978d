// C++ view of the SQL word splitter: split one statement, walk its words.
//
//     auto result = spltwd::split("SELECT a FROM t", spltwd::Dialect::mysql);
//     for (spltwd::Word word : result)
//         std::cout << word.text() << ' ' << word.type_name() << '\n';
//
// Errors come back as the split call's result code, never as exceptions.
// Safe on many threads: each split runs on a context of its own thread
// (see Splitter), and nothing is printed.
#ifndef SPLTWD_HPP
#define SPLTWD_HPP

#if __cplusplus < 202002L
#error "spltwd.hpp needs C++20 (-std=c++20)"
#endif

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mirx_sql_splt_wd.h"
#include "spltwd_digest.h"
#include "spltwd_script.h"

namespace spltwd {

// How a statement is read (see spltwd_context_set_profile): classic gives
// the words of Zoz_SQL_Split_Word; accurate reads each dialect as its
// server does, losslessly, each word with its byte range.
enum class Profile : std::int32_t {
    classic = SPLTWD_PROFILE_CLASSIC,
    accurate = SPLTWD_PROFILE_ACCURATE,
};

enum class Dialect : std::uint16_t {
    generic = 0,
    oracle = SPLT_WD_DIALECT_ORACLE,
    sqlserver = SPLT_WD_DIALECT_SQLSERVER,
    db2 = SPLT_WD_DIALECT_DB2,
    mysql = SPLT_WD_DIALECT_MYSQL,
    postgresql = SPLT_WD_DIALECT_POSTGRESQL,
    informix = SPLT_WD_DIALECT_INFORMIX,
};

// A stable lower-case name for each word type; "unknown" for any other code.
constexpr std::string_view type_name(std::uint16_t type) noexcept {
    switch (type) {
        case SPLT_WD_TYPE_KEYWORD: return "keyword";
        case SPLT_WD_TYPE_OTHER: return "other";
        case SPLT_WD_TYPE_STRING: return "string";
        case SPLT_WD_TYPE_DQ_STRING: return "dq_string";
        case SPLT_WD_TYPE_NUMBER: return "number";
        case SPLT_WD_TYPE_COMMENT: return "comment";
        case SPLT_WD_TYPE_NAME: return "name";
        case SPLT_WD_TYPE_STAR_NAME: return "star_name";
        case SPLT_WD_TYPE_STAR: return "star";
        case SPLT_WD_TYPE_SELECT: return "select";
        case SPLT_WD_TYPE_FROM: return "from";
        case SPLT_WD_TYPE_WHERE: return "where";
        case SPLT_WD_TYPE_COMMA: return "comma";
        case SPLT_WD_TYPE_SPACE: return "space";
        case SPLT_WD_TYPE_END: return "end";
        case SPLT_WD_TYPE_LPAREN: return "lparen";
        case SPLT_WD_TYPE_RPAREN: return "rparen";
        case SPLT_WD_TYPE_UNION: return "union";
        case SPLT_WD_TYPE_AS: return "as";
        case SPLT_WD_TYPE_THEN: return "then";
        case SPLT_WD_TYPE_ELSE: return "else";
        case SPLT_WD_TYPE_PIPE: return "pipe";
        case SPLT_WD_TYPE_AT_VARIABLE: return "at_variable";
        case SPLT_WD_TYPE_ATAT_VARIABLE: return "atat_variable";
        case SPLT_WD_TYPE_CASE: return "case";
        case SPLT_WD_TYPE_BIND_VARIABLE: return "bind_variable";
        case SPLT_WD_TYPE_WITH: return "with";
        case SPLT_WD_TYPE_ORDER_BY: return "order_by";
        case SPLT_WD_TYPE_DOLLAR_STRING: return "dollar_string";
        case SPLT_WD_TYPE_BIT_STRING: return "bit_string";
        case SPLT_WD_TYPE_GROUP_BY: return "group_by";
        case SPLT_WD_TYPE_PARTITION_BY: return "partition_by";
        case SPLT_WD_TYPE_COMPARISON: return "comparison";
        default: return "unknown";
    }
}

// One word of a result.  Its text points into the result's stream and is
// valid as long as that result (or the result it was moved to) lives.
// start() and end() give its byte range [start, end) in the statement under
// the accurate profile (under the classic one they only sum the lengths).
class Word {
public:
    Word() noexcept = default;

    std::string_view text() const noexcept { return {word_.text, word_.length}; }
    std::uint16_t type() const noexcept { return word_.type; }
    std::uint16_t mask() const noexcept { return word_.mask; }
    std::string_view type_name() const noexcept { return spltwd::type_name(word_.type); }
    std::uint32_t start() const noexcept { return word_.start; }
    std::uint32_t end() const noexcept { return word_.end; }
    bool unterminated() const noexcept { return (word_.mask & SPLT_WD_MASK_UNTERMINATED) != 0; }

private:
    friend class WordIterator;

    explicit Word(const spltwd_word& word) noexcept : word_(word) {}

    spltwd_word word_{};
};

// Walks a stream with spltwd_next_word.  It refers to the stream itself,
// not to the result, so moving the result does not invalidate it.
class WordIterator {
public:
    using iterator_concept = std::forward_iterator_tag;
    using iterator_category = std::input_iterator_tag;  // operator* yields a value
    using value_type = Word;
    using difference_type = std::ptrdiff_t;

    WordIterator() noexcept = default;

    Word operator*() const noexcept { return word_; }
    WordIterator& operator++() noexcept {
        fetch();
        return *this;
    }
    WordIterator operator++(int) noexcept {
        WordIterator before = *this;
        fetch();
        return before;
    }
    friend bool operator==(const WordIterator& a, const WordIterator& b) noexcept {
        return a.at_ == b.at_;
    }

private:
    friend class Result;

    // Stands past the last record until fetch() moves it onto one.
    WordIterator(const char* stream, std::uint32_t length) noexcept
        : stream_(stream), length_(length), at_(length) {}

    static WordIterator first(const char* stream, std::uint32_t length) noexcept {
        WordIterator it(stream, length);
        it.fetch();
        return it;
    }

    void fetch() noexcept {
        const std::uint32_t record = walk_.cursor;
        spltwd_word word;
        if (spltwd_next_word(stream_, length_, &walk_, &word) == 0) {
            word_ = Word(word);
            at_ = record;
        } else {
            at_ = length_;
        }
    }

    const char* stream_ = nullptr;
    std::uint32_t length_ = 0;
    spltwd_word_walk walk_{0, 0};
    Word word_;
    std::uint32_t at_ = 0;  // offset of the current record; the stream length at the end
};

// The outcome of one split; owns the word stream and frees it.  A default
// constructed or moved-from result holds no stream and has code 0.
class Result {
public:
    Result() noexcept = default;
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    Result(Result&& other) noexcept
        : request_(std::exchange(other.request_, SQL_SPLT_WD{})),
          code_(std::exchange(other.code_, 0)) {}
    Result& operator=(Result&& other) noexcept {
        if (this != &other) {
            std::free(request_.sql_word);
            request_ = std::exchange(other.request_, SQL_SPLT_WD{});
            code_ = std::exchange(other.code_, 0);
        }
        return *this;
    }
    ~Result() { std::free(request_.sql_word); }

    // The split call's result: the stream length when positive, 0 when the
    // statement holds no word, a negative error code otherwise.
    std::int32_t code() const noexcept { return code_; }
    std::uint32_t longest_word() const noexcept { return request_.nSngWordLenMax; }
    bool has_star() const noexcept { return request_.szHaveStar != 0; }

    WordIterator begin() const noexcept {
        return WordIterator::first(request_.sql_word, request_.nSqlWordLen);
    }
    WordIterator end() const noexcept {
        return WordIterator(request_.sql_word, request_.nSqlWordLen);
    }

private:
    friend class Splitter;

    SQL_SPLT_WD request_{};
    std::int32_t code_ = 0;
};

// The digest of one statement (see spltwd_digest.h): its normalised text,
// fingerprint, kind and tables.  code is 0, or -1 when memory ran out, or
// -2 for a statement of 2 GiB or more.
struct Digest {
    std::int32_t code = 0;
    std::string normalized;
    std::uint64_t fingerprint = 0;
    std::string fingerprint_hex;
    std::string kind;
    std::vector<std::string> tables;
};

// Splits statements on a context of its own, so that splitters on
// different threads split at the same time; one splitter serves one
// thread at a time.  Its context is made at the first split (a split gives
// -1 when there is no memory for it) and kept for the next ones.
class Splitter {
public:
    Splitter() noexcept = default;
    Splitter(const Splitter&) = delete;
    Splitter& operator=(const Splitter&) = delete;
    Splitter(Splitter&& other) noexcept : context_(std::exchange(other.context_, nullptr)) {}
    Splitter& operator=(Splitter&& other) noexcept {
        if (this != &other) {
            spltwd_context_destroy(context_);
            context_ = std::exchange(other.context_, nullptr);
        }
        return *this;
    }
    ~Splitter() { spltwd_context_destroy(context_); }

    // Splits one statement by the rules of `profile`.  The text is handed
    // over without a copy (the library only reads it) and need not outlive
    // the call.
    Result split(std::string_view sql, Dialect dialect, Profile profile = Profile::classic) noexcept {
        // The length field has 32 bits: a longer view must not be cut down
        // to its low bits and split as a shorter statement.
        constexpr std::size_t longest_statement = 0x7FFFFFFF;
        Result result;
        if (sql.empty() || sql.size() > longest_statement) {
            result.code_ = -2;
            return result;
        }
        if (!has_context()) {
            result.code_ = -1;
            return result;
        }
        spltwd_context_set_profile(context_, static_cast<std::int32_t>(profile));
        result.request_.dialect = static_cast<std::uint16_t>(dialect);
        result.request_.sql_len = static_cast<std::uint32_t>(sql.size());
        result.request_.sql_text = const_cast<char*>(sql.data());
        result.code_ = spltwd_split(context_, &result.request_);
        return result;
    }

    // Digests one statement, read by the accurate profile.
    Digest digest(std::string_view sql, Dialect dialect) {
        Digest result;
        if (sql.size() > 0x7FFFFFFF) {
            result.code = -2;
            return result;
        }
        if (!has_context()) {
            result.code = -1;
            return result;
        }
        spltwd_digest digest;
        result.code = spltwd_digest_statement(context_, static_cast<std::uint16_t>(dialect), sql.data(),
                                              static_cast<std::uint32_t>(sql.size()), &digest);
        if (result.code != 0) return result;
        result.normalized.assign(digest.normalized, digest.normalized_length);
        result.fingerprint = digest.fingerprint;
        result.fingerprint_hex = digest.fingerprint_hex;
        result.kind = digest.kind;
        std::uint32_t cursor = 0;
        const char* name;
        std::uint32_t length;
        while (spltwd_digest_next_table(&digest, &cursor, &name, &length) == 0) result.tables.emplace_back(name, length);
        return result;
    }

    // The rules' debug lines (such as "66-splt_wdtext:>") go to `receiver`
    // from now on; a null receiver drops them, as a new splitter does.
    // Returns false when there is no memory for the context.
    bool set_debug_lines(spltwd_debug_line_receiver receiver, void* user) noexcept {
        if (!has_context()) return false;
        spltwd_context_set_debug_lines(context_, receiver, user);
        return true;
    }

private:
    // Makes the context at first use; false when there is no memory for it.
    bool has_context() noexcept {
        if (context_ == nullptr) context_ = spltwd_context_create();
        return context_ != nullptr;
    }

    spltwd_context* context_ = nullptr;
};

// Digests one statement on the calling thread's own splitter.
inline Digest digest(std::string_view sql, Dialect dialect) {
    thread_local Splitter splitter;
    return splitter.digest(sql, dialect);
}

// The client whose conventions a script follows (see spltwd_script.h);
// automatic picks the dialect's own.
enum class Client : std::int32_t {
    automatic = SPLTWD_CLIENT_AUTO,
    none = SPLTWD_CLIENT_NONE,
    mysql = SPLTWD_CLIENT_MYSQL,
    psql = SPLTWD_CLIENT_PSQL,
    sqlcmd = SPLTWD_CLIENT_SQLCMD,
    sqlplus = SPLTWD_CLIENT_SQLPLUS,
};

// One piece of a script: a statement, a client command, a data block, or
// whitespace and comments alone, with its byte range [start, end) in the
// script.  text views the script's bytes (null for a data block that
// began in an earlier text of a Script fed in texts).
struct ScriptPiece {
    enum class Kind : std::int32_t {
        statement = SPLTWD_PIECE_STATEMENT,
        command = SPLTWD_PIECE_COMMAND,
        data = SPLTWD_PIECE_DATA,
        comment = SPLTWD_PIECE_COMMENT,
    };
    Kind kind = Kind::statement;
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    std::string_view text;
};

// A cursor over a script (spltwd_script_*): hand it texts, take pieces.
// One Script serves one thread at a time.
class Script {
public:
    // A script of `dialect` read as `client` reads it.  The script is made
    // at the first set_text; there is none when memory ran out.
    Script(Dialect dialect, Client client = Client::automatic) noexcept : dialect_(dialect), client_(client) {}
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;
    Script(Script&& other) noexcept
        : dialect_(other.dialect_), client_(other.client_), script_(std::exchange(other.script_, nullptr)) {}
    Script& operator=(Script&& other) noexcept {
        if (this != &other) {
            spltwd_script_destroy(script_);
            dialect_ = other.dialect_;
            client_ = other.client_;
            script_ = std::exchange(other.script_, nullptr);
        }
        return *this;
    }
    ~Script() { spltwd_script_destroy(script_); }

    // The script's bytes from position() on (see spltwd_script_set_text);
    // the text must stay in place while its pieces are taken.  False when
    // there is no memory for the cursor.
    bool set_text(std::string_view text, bool more_follows = false) noexcept {
        if (script_ == nullptr) script_ = spltwd_script_create(static_cast<std::uint16_t>(dialect_), static_cast<std::int32_t>(client_));
        return script_ != nullptr &&
               spltwd_script_set_text(script_, text.data(), text.size(), more_follows ? 1 : 0) == 0;
    }

    // 1 with the next piece, 0 at the end of the text, -1 out of memory,
    // -3 a statement too long to split (see spltwd_script_next).
    std::int32_t next(ScriptPiece& piece) noexcept {
        if (script_ == nullptr) return 0;
        spltwd_piece made;
        const std::int32_t result = spltwd_script_next(script_, &made);
        if (result == 1) {
            piece.kind = static_cast<ScriptPiece::Kind>(made.kind);
            piece.start = made.start;
            piece.end = made.end;
            piece.text = made.text == nullptr ? std::string_view()
                                              : std::string_view(made.text, static_cast<std::size_t>(made.end - made.start));
        }
        return result;
    }

    std::uint64_t position() const noexcept { return spltwd_script_position(script_); }

private:
    Dialect dialect_;
    Client client_;
    spltwd_script* script_ = nullptr;
};

// The pieces of a script held in memory, in order.  `code`, when given,
// gets 0, or -3 when a statement is too long to split (the pieces before
// it come back).  Throws std::bad_alloc when memory runs out.
inline std::vector<ScriptPiece> script_pieces(std::string_view script, Dialect dialect,
                                              Client client = Client::automatic, std::int32_t* code = nullptr) {
    std::vector<ScriptPiece> pieces;
    Script cursor(dialect, client);
    if (!cursor.set_text(script)) throw std::bad_alloc();
    ScriptPiece piece;
    std::int32_t result;
    while ((result = cursor.next(piece)) == 1) pieces.push_back(piece);
    if (result == -1) throw std::bad_alloc();
    if (code != nullptr) *code = result;
    return pieces;
}

// Splits one statement on the calling thread's own splitter.
inline Result split(std::string_view sql, Dialect dialect, Profile profile = Profile::classic) noexcept {
    thread_local Splitter splitter;
    return splitter.split(sql, dialect, profile);
}

}  // namespace spltwd

#endif  // SPLTWD_HPP
