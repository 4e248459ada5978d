// The split call scans the caller's text in place with its own match loop
// (loop-state shortcuts, the record of an earlier walk) and its own word
// buffers; SPLT_WD_LEXER runs the splt_wd* scanner over a copy onto the
// session's dynamic strings.  Both must find the same words.  The
// statements are chosen to take each shortcut: long names and chains in
// the generic mode (read again from every letter, or taken a letter at a
// time), long string, comment and dollar-quoted bodies, whitespace runs,
// re-scanned names with gaps, double-byte names and zero bytes.  Then every statement of the corpus,
// in its own dialect and in the generic mode.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "corpus_files.h"
#include "corpus_reader.h"
#include "corpus_test_name.h"
#include "mirx_sql_splt_wd.h"
#include "silenced_stdout.h"
#include "splt_wd_lex.h"

namespace {

struct Outcome {
    int32_t result;
    std::string stream;
    uint32_t longest;
    int star;
    int32_t parse_pos;  // the sum of the match lengths, as the session shows it
};

Outcome split_call(uint16_t dialect, const std::string& sql) {
    SQL_SPLT_WD request{};
    request.dialect = dialect;
    request.sql_text = const_cast<char*>(sql.data());
    request.sql_len = static_cast<uint32_t>(sql.size());
    Outcome out{Zoz_SQL_Split_Word(&request), "", 0, 0, 0};
    out.parse_pos = __sql_sr_mys_parsepos;
    if (request.sql_word != nullptr) out.stream.assign(request.sql_word, request.nSqlWordLen);
    if (out.result > 0) out.longest = request.nSngWordLenMax;
    out.star = request.szHaveStar;
    std::free(request.sql_word);
    return out;
}

// The same statement through the scanner interface, as the split call
// used to run it.
Outcome scanner_path(uint16_t dialect, const std::string& sql) {
    MIRX_SPLIT_WD_DYNAMIC_STR words{}, pending{};
    Mirx_Splt_Wd_Init_Dynamic_String(&words, "", 2 * static_cast<uint32_t>(sql.size()), 128);
    Mirx_Splt_Wd_Init_Dynamic_String(&pending, "", 128, 128);
    __sql_mys_word_info = &words;
    __sql_mys_word_tmp = &pending;
    __dialect = dialect;
    __sql_mys_sr_sqltext = const_cast<char*>(sql.data());
    __sql_mys_sr_sqllen = static_cast<uint32_t>(sql.size());
    __have_star_lex = 0;
    __sql_single_word_len = 0;
    const int32_t scanned = SPLT_WD_LEXER(const_cast<char*>(sql.data()), static_cast<int32_t>(sql.size()));
    Outcome out{scanned == 1 ? static_cast<int32_t>(words.length) : scanned == -1 ? -5 : scanned == -2 ? -6 : -4,
                "", 0, 0, __sql_sr_mys_parsepos};
    if (scanned == 1) {
        out.stream.assign(reinterpret_cast<const char*>(words.str), words.length);
        out.longest = out.stream.empty() ? 0 : __sql_single_word_len;
        out.star = __have_star_lex & 0xff;
    }
    if (out.stream.empty() && out.result > 0) out.result = 0;
    Mirx_Splt_Wd_DynStr_Free(&words);
    Mirx_Splt_Wd_DynStr_Free(&pending);
    __sql_mys_word_info = nullptr;
    __sql_mys_word_tmp = nullptr;
    return out;
}

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

struct Statement {
    const char* name;
    std::string sql;
};
void PrintTo(const Statement& s, std::ostream* os) { *os << s.name; }

const Statement kStatements[] = {
    {"LongName", "select " + repeat("abc_", 3000) + " from t"},
    {"LongDottedChain", "select " + repeat("a.", 2000) + "* from t"},
    {"NamesThatAlmostEndInAStar", repeat("customer_name.", 300) + " x.* , y . *"},
    {"LongComment", "/*" + repeat("select * from t where a = 'x'; ", 500) + "*/ select 1"},
    {"UnclosedComment", "select 1 /*" + repeat("ab ", 800)},
    {"LongStrings", "select '" + repeat("it''s \\ ", 700) + "', \"" + repeat("q w ", 300) + "\""},
    {"DollarBody", "select $body$" + repeat("x $y z ", 500) + "$body$, $a$ b $c$"},
    {"WhitespaceRuns", "select" + repeat(" \t\r\n", 900) + "a" + repeat(" ", 4000) + "b"},
    {"RescannedNamesWithGaps", repeat("a /* c */ . b . * , x -- c\n . y ", 200)},
    {"DoubleByteNames", "select " + repeat("\xb1\xed\xc3\xfb", 600) + " , a\xa3\xac" "b"},
    {"ZeroBytes", std::string("select a\0b, '\0', /*\0*/ c", 24)},
    {"SeparatorAfterLongName", repeat("n", 5000) + " ; select 2"},
    {"ShortWords", repeat("a,b(c)d=e<f>=g||h ", 500)},
    // Letter words of the generic mode: keywords inside names, stars far
    // behind, digits, and a name that ends the statement.
    {"LetterWords", repeat("inselectx xinx abcdefg.* t1_x9.y orderid,fromage ", 400) + "zq"},
    // Blank runs taken after a word: after names, keywords, letters,
    // parentheses and closing quotes, with bytes that some dialects' blanks
    // keep and others' do not, and at both ends.
    {"BlanksAfterWords", "\r\n\t" + repeat("select\f a \x0b( b )\t'x' \r\n\"q\"  /*c*/ \f\f n :: int  ,\tzq.*\n ", 300) +
                             " \f\x0b\r\n"},
};

const uint16_t kDialects[] = {0, 1, 2, 8, 32, 64, 1024};

class SplitPaths : public testing::TestWithParam<Statement> {};

// Empty when both paths agree, else what differs.
std::string differences(uint16_t dialect, const std::string& sql) {
    const Outcome fast = split_call(dialect, sql);
    const Outcome reference = scanner_path(dialect, sql);
    std::string out;
    if (fast.result != reference.result) out += " result";
    if (fast.stream != reference.stream) out += " stream";
    if (fast.longest != reference.longest) out += " longest";
    if (fast.star != reference.star) out += " star";
    if (fast.parse_pos != reference.parse_pos) out += " parse_pos";
    return out;
}

TEST_P(SplitPaths, InPlaceScanFindsWhatTheScannerFinds) {
    for (uint16_t dialect : kDialects) EXPECT_EQ(differences(dialect, GetParam().sql), "") << "dialect " << dialect;
}

INSTANTIATE_TEST_SUITE_P(Statements, SplitPaths, testing::ValuesIn(kStatements),
                         [](const testing::TestParamInfo<Statement>& info) { return info.param.name; });

using test_support::SilencedStdout;

class CorpusPaths : public testing::TestWithParam<corpus::File> {};

TEST_P(CorpusPaths, InPlaceScanFindsWhatTheScannerFinds) {
    const std::vector<corpus::Record> records = corpus::ReadFile(GetParam().path);
    std::vector<std::string> faults;
    std::size_t compared = 0;
    {
        SilencedStdout silenced;
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (records[i].text.empty()) continue;
            for (uint16_t dialect : {records[i].dialect, uint16_t{0}}) {
                ++compared;
                const std::string found = differences(dialect, records[i].text);
                if (!found.empty() && faults.size() < 5) {
                    faults.push_back("record " + std::to_string(i) + ", dialect " + std::to_string(dialect) + ":" +
                                     found);
                }
            }
        }
    }
    EXPECT_GT(compared, 0u);
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusPaths, testing::ValuesIn(corpus::kFiles),
                         [](const testing::TestParamInfo<corpus::File>& info) {
                             return test_support::corpus_test_name(info.param.name);
                         });

}  // namespace
