// What the digest call promises beyond its rules: bad arguments, any bytes,
// the fingerprint of the text, no allocation once grown, a context left as
// it was, nothing printed.  The executable links with the allocation
// tracker of tests/robustness; operator new is routed to the wrapped
// malloc so that the library's C++ allocations are counted too.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "allocation_tracker.h"
#include "digest_rows.h"

// Routed by hand: the compiler cannot see that new and free pair up here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace digest_test {
namespace {

struct Context {
    spltwd_context* context = spltwd_context_create();
    ~Context() { spltwd_context_destroy(context); }
};

TEST(DigestCall, BadArgumentsGiveMinusTwo) {
    Context c;
    spltwd_digest digest{};
    const char sql[] = "SELECT 1";
    EXPECT_EQ(spltwd_digest_statement(nullptr, 0, sql, 8, &digest), -2);
    EXPECT_EQ(spltwd_digest_statement(c.context, 0, sql, 8, nullptr), -2);
    EXPECT_EQ(spltwd_digest_statement(c.context, 0, nullptr, 1, &digest), -2);
    EXPECT_EQ(spltwd_digest_statement(c.context, 0, sql, 0x80000000u, &digest), -2);
    EXPECT_EQ(spltwd_digest_statement(c.context, 0, sql, 0xFFFFFFFFu, &digest), -2);
    ASSERT_EQ(spltwd_digest_statement(c.context, 0, nullptr, 0, &digest), 0);
    EXPECT_EQ(digest.normalized_length, 0u);
    EXPECT_STREQ(digest.normalized, "");
    EXPECT_STREQ(digest.kind, "OTHER");
    EXPECT_EQ(digest.table_count, 0u);
    EXPECT_STREQ(digest.fingerprint_hex, "cbf29ce484222325");
}

// The digest's own fields agree with each other: the text is
// zero-terminated, the fingerprint is FNV-1a of it, in hex too, the kind a
// verb or OTHER, and the tables walk to the end.
void ExpectConsistent(const spltwd_digest& d, const std::string& where) {
    const std::string_view text(d.normalized, d.normalized_length);
    EXPECT_EQ(d.normalized[d.normalized_length], '\0') << where;
    EXPECT_EQ(d.fingerprint, Fnv1a64(text)) << where;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(d.fingerprint));
    EXPECT_STREQ(d.fingerprint_hex, hex) << where;
    const std::size_t kind = strnlen(d.kind, sizeof d.kind);
    ASSERT_LT(kind, sizeof d.kind) << where;
    for (std::size_t i = 0; i < kind; ++i) EXPECT_TRUE(d.kind[i] >= 'A' && d.kind[i] <= 'Z') << where;
    std::uint32_t cursor = 0, count = 0, length;
    const char* name;
    while (spltwd_digest_next_table(&d, &cursor, &name, &length) == 0) {
        EXPECT_GT(length, 0u) << where;
        ++count;
    }
    EXPECT_EQ(count, d.table_count) << where;
    EXPECT_EQ(cursor, d.tables_length) << where;
}

std::vector<std::string> AwkwardStatements() {
    std::vector<std::string> inputs;
    for (int b = 0; b < 256; ++b) inputs.emplace_back(1, static_cast<char>(b));
    for (const char* s : {"'abc", "\"abc", "`abc", "[abc", "/* abc", "$tag$ abc", "q'[abc", "E'\\", "-- x",
                          "{ abc", "/*!40101 SET", "U&\"x", "x'1", "@'x", "((((", "))))", "-", "- -", ";;;",
                          "- ;", "VALUES (1),(", "IN (1,", "WITH (", "FROM .", "FROM a..b", "INTO ,"})
        inputs.emplace_back(s);
    inputs.push_back(std::string(200, '(') + "1" + std::string(199, ')'));
    inputs.push_back(std::string("SELECT \0 1 FROM t\xff\xfe", 19));
    std::uint64_t seed = 12345;
    const std::string_view alphabet = "sElEcT frominto(),.;-+'\"`[]$e:?@#/*{}\n\\ 0123456789xXqQnNbBuU&";
    for (int n = 0; n < 3000; ++n) {
        std::string s;
        const std::size_t length = n % 48;
        for (std::size_t i = 0; i < length; ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            const unsigned pick = static_cast<unsigned>(seed >> 33);
            s += (pick & 7) ? alphabet[pick % alphabet.size()] : static_cast<char>(pick >> 8);
        }
        inputs.push_back(std::move(s));
    }
    return inputs;
}

TEST(DigestCall, AnyBytesDigestConsistently) {
    Context c;
    for (const std::string& sql : AwkwardStatements()) {
        for (const DialectOf& d : kDialects) {
            // A heap copy of exactly the bytes: nothing past it is read.
            std::vector<char> bytes(sql.begin(), sql.end());
            spltwd_digest digest{};
            ASSERT_EQ(spltwd_digest_statement(c.context, d.code, bytes.data(),
                                              static_cast<std::uint32_t>(bytes.size()), &digest),
                      0)
                << d.name << ": " << sql;
            ExpectConsistent(digest, std::string(d.name) + ": " + sql + " -> ");
            ASSERT_EQ(std::string(bytes.begin(), bytes.end()), sql) << "the statement is never written";
        }
    }
}

TEST(DigestCall, SecondDigestNoLargerAllocatesNothing) {
    std::string mixed = "SELECT a, 'x', \"Q\", b FROM s.t JOIN u ON 1 = -1 WHERE c IN (1, 2, 3) /* c */ -- d\n";
    for (int i = 0; i < 6; ++i) mixed += mixed;
    // Statements no larger than the first, whose texts and tables are
    // larger than its own: more blanks, names in place of literals.
    std::string operators, names;
    while (operators.size() + 4 < mixed.size()) operators += "a=b ";
    names = "SELECT 1 FROM a";
    while (names.size() + 3 < mixed.size()) names += ",bc";
    const std::string smaller = "insert into t1 values (1,'a'),(2,'b') ; update t2 set x = 2 where y = 3";
    for (const DialectOf& first : kDialects) {
        Context c;
        spltwd_digest digest{};
        ASSERT_EQ(spltwd_digest_statement(c.context, first.code, mixed.data(),
                                          static_cast<std::uint32_t>(mixed.size()), &digest),
                  0);
        for (const DialectOf& d : kDialects) {
            for (const std::string& sql : {mixed, smaller, operators, names, std::string()}) {
                robustness::arm(0);
                const std::int32_t result = spltwd_digest_statement(c.context, d.code, sql.data(),
                                                                    static_cast<std::uint32_t>(sql.size()), &digest);
                robustness::disarm();
                ASSERT_EQ(result, 0);
                EXPECT_EQ(robustness::tally().allocations, 0u)
                    << first.name << " then " << d.name << ": " << sql.substr(0, 24) << "... (" << sql.size()
                    << " bytes)";
            }
        }
    }
}

// A digest that runs out of memory says so, and the context digests again
// once memory is back.
TEST(DigestCall, OutOfMemoryIsMinusOneAndPasses) {
    const std::string sql = "SELECT a, b FROM s.t JOIN u ON 1 = -1 WHERE c IN (1, 2, 3)";
    Context reference;
    const Result expected = Digest(reference.context, SPLT_WD_DIALECT_POSTGRESQL, sql);
    for (std::size_t fail_at = 1;; ++fail_at) {
        Context c;
        spltwd_digest digest{};
        robustness::arm(fail_at);
        const std::int32_t result = spltwd_digest_statement(c.context, SPLT_WD_DIALECT_POSTGRESQL, sql.data(),
                                                            static_cast<std::uint32_t>(sql.size()), &digest);
        robustness::disarm();
        const bool injected = robustness::tally().injected;
        EXPECT_EQ(result, injected ? -1 : 0) << "allocation " << fail_at;
        const Result again = Digest(c.context, SPLT_WD_DIALECT_POSTGRESQL, sql);
        EXPECT_EQ(again.normalized, expected.normalized) << "allocation " << fail_at;
        EXPECT_EQ(again.tables, expected.tables) << "allocation " << fail_at;
        if (!injected) break;
    }
}

struct Seen {
    std::string words, lines;
};
void KeepWords(void* user, const char* records, std::uint32_t length) {
    static_cast<Seen*>(user)->words.append(records, length);
}
void KeepLine(void* user, const char* line, std::size_t length) { static_cast<Seen*>(user)->lines.append(line, length); }

// Reads everything written to a descriptor during the object's life.
class Captured {
public:
    explicit Captured(int fd) : fd_(fd) {
        std::fflush(nullptr);
        saved_ = dup(fd);
        sink_ = std::tmpfile();
        dup2(fileno(sink_), fd);
    }
    std::string Take() {
        std::fflush(nullptr);
        dup2(saved_, fd_);
        close(saved_);
        std::string text;
        std::rewind(sink_);
        for (int ch; (ch = std::fgetc(sink_)) != EOF;) text += static_cast<char>(ch);
        std::fclose(sink_);
        return text;
    }

private:
    int fd_, saved_;
    std::FILE* sink_;
};

TEST(DigestCall, LeavesTheContextAsItWasAndPrintsNothing) {
    Context c;
    Seen seen;
    spltwd_context_set_word_receiver(c.context, KeepWords, &seen);
    spltwd_context_set_debug_lines(c.context, KeepLine, &seen);
    // The classic profile, the context's default: its words and debug
    // lines differ from the accurate ones for this statement.
    char sql[] = "SELECT a FROM t WHERE b > 1 -- c";
    const auto split = [&] {
        seen = {};
        SQL_SPLT_WD request{};
        request.dialect = SPLT_WD_DIALECT_MYSQL;
        request.sql_text = sql;
        request.sql_len = sizeof sql - 1;
        EXPECT_GT(spltwd_split(c.context, &request), 0);
        const char* const stream = request.sql_word;  // the request is packed: no reference to its fields
        EXPECT_EQ(stream, nullptr);
        return seen;
    };
    const Seen before = split();
    ASSERT_FALSE(before.words.empty());
    ASSERT_FALSE(before.lines.empty());

    seen = {};
    Captured out(STDOUT_FILENO), err(STDERR_FILENO);
    for (const DialectOf& d : kDialects) {
        spltwd_digest digest{};
        EXPECT_EQ(spltwd_digest_statement(c.context, d.code, sql, sizeof sql - 1, &digest), 0);
    }
    const std::string printed = out.Take() + err.Take();
    EXPECT_EQ(printed, "");
    EXPECT_TRUE(seen.words.empty() && seen.lines.empty()) << "the digest fed the caller's receivers";

    const Seen after = split();
    EXPECT_EQ(after.words, before.words);
    EXPECT_EQ(after.lines, before.lines);
}

}  // namespace
}  // namespace digest_test
