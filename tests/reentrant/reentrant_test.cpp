// Splits on separate contexts must not interfere: several threads split the
// same statements at once, each with its own context, and every stream must
// equal the one the process-wide split call makes.  Run under
// ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "corpus_files.h"
#include "corpus_reader.h"
#include "mirx_sql_splt_wd.h"
#include "spltwd.hpp"

namespace {

// Rule actions print debug lines on standard output; they are not what these
// tests check.  Sends them to /dev/null while alive, keeping the test
// report's own output.
class QuietStdout {
public:
    QuietStdout() : saved_(dup(STDOUT_FILENO)) {
        std::fflush(stdout);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }

private:
    int saved_;
};

struct Statement {
    std::uint16_t dialect;
    std::string text;
};

struct Outcome {
    int32_t result;
    std::string stream;
    std::uint32_t longest;
    char star;
    bool operator==(const Outcome&) const = default;
};

// A few statements of every dialect, then the corpus.
std::vector<Statement> statements() {
    std::vector<Statement> all = {
        {32, "SELECT @@global.x, @v, t.*, `t`.`c` FROM db.t # note"},
        {1, "SELECT :new.x, \"T\".\"C\", 'it''s' FROM t -- c"},
        {64, "SELECT $fn$ body $fn$, 'a'::text, U&\"d0061t\" FROM s.t"},
        {2, "SELECT 'abc', \"x y\" FROM t"},
        {8, "SELECT \"x\".y FROM t ORDER BY 1"},
        {1024, "SELECT \"x y\", first FROM t"},
        {0, "SELECT a FROM t WHERE b IS NULL"},
        {32, "SELECT a . b . *, x /*c*/ . y FROM t"},
    };
    for (const corpus::File& file : corpus::kFiles)
        for (corpus::Record& record : corpus::ReadFile(file.path))
            all.push_back({record.dialect, std::move(record.text)});
    return all;
}

Outcome take(SQL_SPLT_WD& request, int32_t result) {
    Outcome o{result, std::string(request.sql_word ? request.sql_word : "", request.nSqlWordLen),
              result > 0 ? request.nSngWordLenMax : 0, request.szHaveStar};
    std::free(request.sql_word);
    request.sql_word = nullptr;
    return o;
}

SQL_SPLT_WD request_for(const Statement& s) {
    SQL_SPLT_WD request{};
    request.dialect = s.dialect;
    request.sql_text = const_cast<char*>(s.text.data());
    request.sql_len = static_cast<std::uint32_t>(s.text.size());
    return request;
}

TEST(Reentrant, ThreadsWithOwnContextsMatchTheProcessWideSplit) {
    QuietStdout quiet;
    const std::vector<Statement> all = statements();
    std::vector<Outcome> expected;
    for (const auto& s : all) {
        SQL_SPLT_WD request = request_for(s);
        expected.push_back(take(request, Zoz_SQL_Split_Word(&request)));
    }

    constexpr int kThreads = 4;
    std::vector<std::size_t> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            spltwd_context* context = spltwd_context_create();
            // Each thread starts at a different place, so that different
            // statements are split at the same moment.
            for (std::size_t k = 0; k < all.size(); ++k) {
                const std::size_t i = (k + t * all.size() / kThreads) % all.size();
                SQL_SPLT_WD request = request_for(all[i]);
                if (!(take(request, spltwd_split(context, &request)) == expected[i])) ++mismatches[t];
            }
            spltwd_context_destroy(context);
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0u) << "thread " << t;
}

// The C++ API's free split and its splitters, from four threads at once.
TEST(Reentrant, CppSplitsOnFourThreadsMatchTheProcessWideSplit) {
    QuietStdout quiet;
    const std::vector<Statement> all = statements();
    std::vector<std::string> expected;
    for (const auto& s : all) {
        SQL_SPLT_WD request = request_for(s);
        expected.push_back(take(request, Zoz_SQL_Split_Word(&request)).stream);
    }
    const auto words_of = [](const spltwd::Result& result) {
        std::string stream;
        for (const spltwd::Word word : result) {
            const auto length = static_cast<std::uint32_t>(word.text().size());
            const std::uint16_t pair[2] = {word.type(), word.mask()};
            stream.append(reinterpret_cast<const char*>(&length), 4).append(word.text());
            stream.append(reinterpret_cast<const char*>(pair), 4);
        }
        return stream;
    };
    constexpr int kThreads = 4;
    const std::size_t rounds = std::max<std::size_t>(1, 20000 / all.size());
    std::vector<std::size_t> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            spltwd::Splitter splitter;
            for (std::size_t k = 0; k < rounds * all.size(); ++k) {
                const std::size_t i = (k + t * all.size() / kThreads) % all.size();
                const auto dialect = static_cast<spltwd::Dialect>(all[i].dialect);
                const spltwd::Result result =
                    k % 2 == 0 ? spltwd::split(all[i].text, dialect) : splitter.split(all[i].text, dialect);
                if (words_of(result) != expected[i]) ++mismatches[t];
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0u) << "thread " << t;
}

// What each way of splitting leaves on standard output, and what a context
// hands to its receivers.
std::string standard_output_of(const std::function<void()>& split) {
    std::fflush(stdout);
    const int saved = dup(STDOUT_FILENO);
    std::FILE* capture = std::tmpfile();
    dup2(fileno(capture), STDOUT_FILENO);
    split();
    std::fflush(stdout);
    dup2(saved, STDOUT_FILENO);
    close(saved);
    std::string text(static_cast<std::size_t>(std::ftell(capture)), '\0');
    std::rewind(capture);
    text.resize(std::fread(text.data(), 1, text.size(), capture));
    std::fclose(capture);
    return text;
}

TEST(Contexts, PrintNothingUnlessAsked) {
    const Statement statement{32, "SELECT a FROM t WHERE b > 1 AND c IN (2)"};
    const std::string& sql = statement.text;
    const std::string lines = "66-splt_wdtext:>\n66-splt_wdtext:IN\n";
    const auto split_on = [&](spltwd_context* context) {
        SQL_SPLT_WD request = request_for(statement);
        take(request, context ? spltwd_split(context, &request) : Zoz_SQL_Split_Word(&request));
    };
    spltwd_context* context = spltwd_context_create();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(standard_output_of([&] { split_on(nullptr); }), lines);
    EXPECT_EQ(standard_output_of([&] { split_on(context); }), "");
    EXPECT_EQ(standard_output_of([&] { spltwd::split(sql, spltwd::Dialect::mysql); }), "");
    std::string received;
    const spltwd_debug_line_receiver receive = [](void* to, const char* line, std::size_t length) {
        static_cast<std::string*>(to)->append(line, length);
    };
    spltwd_context_set_debug_lines(context, receive, &received);
    EXPECT_EQ(standard_output_of([&] { split_on(context); }), "");
    EXPECT_EQ(received, lines);
    spltwd::Splitter splitter;
    ASSERT_TRUE(splitter.set_debug_lines(receive, &received));
    received.clear();
    EXPECT_EQ(standard_output_of([&] { splitter.split(sql, spltwd::Dialect::mysql); }), "");
    EXPECT_EQ(received, lines);
    spltwd_context_destroy(context);
}

// The pieces given to a word receiver make the stream that the split
// gives without one, for short statements and for one of many pieces.
TEST(Contexts, WordReceiverGetsTheStreamInPieces) {
    std::vector<Statement> all = statements();
    std::string long_statement(std::size_t{1} << 20, ' ');
    for (std::size_t i = 0; i < long_statement.size(); i += 2) long_statement[i] = 'a';
    all.push_back({32, long_statement});
    all.push_back({64, "SELECT $a$ x $b$ y $a$"});
    struct Received {
        std::string stream;
        std::size_t pieces = 0;
    } received;
    spltwd_context* plain = spltwd_context_create();
    spltwd_context* receiving = spltwd_context_create();
    ASSERT_TRUE(plain != nullptr && receiving != nullptr);
    spltwd_context_set_word_receiver(
        receiving,
        [](void* to, const char* records, std::uint32_t length) {
            auto& r = *static_cast<Received*>(to);
            r.stream.append(records, length);
            ++r.pieces;
        },
        &received);
    std::size_t most_pieces = 0;
    for (const Statement& s : all) {
        SQL_SPLT_WD request = request_for(s);
        const Outcome expected = take(request, spltwd_split(plain, &request));
        received = {};
        request = request_for(s);
        const int32_t result = spltwd_split(receiving, &request);
        const char* stream = request.sql_word;  // a packed field: copy before binding a reference
        EXPECT_EQ(stream, nullptr);
        EXPECT_EQ(result, expected.result) << s.text.substr(0, 80);
        if (result > 0) {
            EXPECT_EQ(received.stream, expected.stream) << s.text.substr(0, 80);
            const std::uint32_t longest = request.nSngWordLenMax;  // packed: copy before binding
            EXPECT_EQ(longest, expected.longest);
        }
        most_pieces = std::max(most_pieces, received.pieces);
    }
    EXPECT_GT(most_pieces, 100u) << "the long statement comes in pieces";
    spltwd_context_destroy(plain);
    spltwd_context_destroy(receiving);
}

TEST(Reentrant, ContextRefusesWhatTheSplitCallRefuses) {
    spltwd_context* context = spltwd_context_create();
    ASSERT_NE(context, nullptr);
    SQL_SPLT_WD request{};
    EXPECT_EQ(spltwd_split(context, &request), -2);
    EXPECT_EQ(spltwd_split(context, nullptr), -2);
    EXPECT_EQ(spltwd_split(nullptr, &request), -2);
    char statement[] = "SELECT 1;";
    request.sql_text = statement;
    request.sql_len = 9;
    EXPECT_EQ(spltwd_split(context, &request), -6);
    const char* stream = request.sql_word;  // a packed field: copy before binding a reference
    EXPECT_EQ(stream, nullptr);
    spltwd_context_destroy(context);
    spltwd_context_destroy(nullptr);
}

}  // namespace

namespace {

struct Piece {
    std::string text;  // the bytes one call consumes
    bool bad_tag;      // the statement fails with -5
};

struct CutCase {
    const char* name;
    std::uint16_t dialect;
    std::string text;
    std::vector<Piece> pieces;
};

TEST(SplitFirst, CutsWhereTheDialectReadsASeparator) {
    const CutCase cases[] = {
        {"plain", 32, "SELECT 1; SELECT 22;SELECT 333",
         {{"SELECT 1;", false}, {" SELECT 22;", false}, {"SELECT 333", false}}},
        {"in a string", 32, "SELECT 'a;b'; x", {{"SELECT 'a;b';", false}, {" x", false}}},
        {"no string in SQL Server", 2, "SELECT 'a;b'; x",
         {{"SELECT 'a;", false}, {"b';", false}, {" x", false}}},
        {"in comments", 64, "a /* ; */ b -- ;\n; c", {{"a /* ; */ b -- ;\n;", false}, {" c", false}}},
        {"in a dollar body", 64, "$x$ ; $x$;y", {{"$x$ ; $x$;", false}, {"y", false}}},
        {"bad dollar tag", 64, "$a$ ; $b$ ; $a$; y", {{"$a$ ; $b$ ; $a$;", true}, {" y", false}}},
        {"empty statements", 0, ";;a", {{";", false}, {";", false}, {"a", false}}},
        {"in a MySQL line comment", 32, "a # ;\n;b", {{"a # ;\n;", false}, {"b", false}}},
    };
    spltwd_context* context = spltwd_context_create();
    ASSERT_NE(context, nullptr);
    QuietStdout quiet;
    for (const auto& c : cases) {
        std::size_t at = 0;
        std::vector<std::string> texts;
        for (const auto& piece : c.pieces) {
            SQL_SPLT_WD request{};
            request.dialect = c.dialect;
            request.sql_text = const_cast<char*>(c.text.data() + at);
            request.sql_len = static_cast<std::uint32_t>(c.text.size() - at);
            std::uint32_t consumed = 0;
            const int32_t result = spltwd_split_first(context, &request, &consumed);
            const std::string words(request.sql_word ? request.sql_word : "", request.nSqlWordLen);
            std::free(request.sql_word);
            const std::string taken = c.text.substr(at, consumed);
            EXPECT_EQ(taken, piece.text) << c.name;
            if (piece.bad_tag) {
                EXPECT_EQ(result, -5) << c.name << " at " << at;
            } else {
                // The words are those of the statement split alone.
                Statement alone{c.dialect, taken};
                if (!alone.text.empty() && alone.text.back() == ';') alone.text.pop_back();
                Outcome expected{0, "", 0, 0};
                if (!alone.text.empty()) {
                    SQL_SPLT_WD single = request_for(alone);
                    expected = take(single, Zoz_SQL_Split_Word(&single));
                }
                EXPECT_EQ(result, expected.result) << c.name << " at " << at;
                EXPECT_EQ(words, expected.stream) << c.name << " at " << at;
            }
            at += consumed;
            if (consumed == 0) break;
        }
        EXPECT_EQ(at, c.text.size()) << c.name;
    }
    std::uint32_t consumed = 7;
    SQL_SPLT_WD empty{};
    EXPECT_EQ(spltwd_split_first(context, &empty, &consumed), -2);
    EXPECT_EQ(consumed, 0u);
    EXPECT_EQ(spltwd_split_first(context, &empty, nullptr), -2);
    spltwd_context_destroy(context);
}

}  // namespace
