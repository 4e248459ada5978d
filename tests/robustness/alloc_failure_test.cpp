// Every allocation of a split, made to fail in turn.
//
// A clean split first counts its allocations (N) and notes which of them
// grow a working string; then, for every k in 1..N, a forked child splits
// again with the k-th allocation failing.  The scanner ends the process
// when its own allocations fail, so each run needs a process of its own.
// What the child may do: return -1 or -3 with no stream, the caller's
// previous stream released and nothing left allocated, after which a
// clean split gives the clean result again; or exit with status 2 after
// one of the scanner's memory messages.  A failed growth of the stream or
// of the pending word must give -1.  N is counted at run time, so a change
// in how the library allocates changes the runs, not the test.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "allocation_tracker.h"
#include "child_process.h"
#include "mirx_sql_splt_wd.h"

namespace robustness {
namespace {

enum class Clean { kWords, kSeparator, kBadDollarTag };

struct Case {
    const char* name;
    std::uint16_t dialect;
    std::string statement;
    Clean clean;
    bool grows_stream_and_pending;  // so that both growths get a failure of their own
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// A comment assembled piece by piece in the pending word, then many short
// words whose records take four and a half times their bytes: both working
// buffers outgrow any first capacity sized by the statement or kept at hand.
std::string long_statement() { return "/*" + repeat("a*", 4000) + "*/ select " + repeat("a,", 4000) + "b"; }

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"Generic_Plain", 0, "select a, b from t where x = 1", Clean::kWords, false},
        {"Generic_Comment", 0, "/* note */ select 1", Clean::kWords, false},
        {"Generic_Long", 0, long_statement(), Clean::kWords, true},
        {"Oracle_Quoted", SPLT_WD_DIALECT_ORACLE, "select 'it''s', \"Quoted Name\", :b from dual -- end",
         Clean::kWords, false},
        {"Oracle_DottedNameWithGaps", SPLT_WD_DIALECT_ORACLE, "select a /* c */ . b . * from t", Clean::kWords,
         false},
        {"Oracle_Long", SPLT_WD_DIALECT_ORACLE, long_statement(), Clean::kWords, true},
        {"SqlServer_Quoted", SPLT_WD_DIALECT_SQLSERVER, "select \"x y\" from t -- remark", Clean::kWords, false},
        {"SqlServer_Long", SPLT_WD_DIALECT_SQLSERVER, long_statement(), Clean::kWords, true},
        {"Db2_Quoted", SPLT_WD_DIALECT_DB2, "select \"x y\", a from t /* c */", Clean::kWords, false},
        {"Db2_Long", SPLT_WD_DIALECT_DB2, long_statement(), Clean::kWords, true},
        {"MySql_Strings", SPLT_WD_DIALECT_MYSQL, "select 'it''s', \"dq\", `b n`, @v, @@g from t # remark",
         Clean::kWords, false},
        {"MySql_DottedNameWithGaps", SPLT_WD_DIALECT_MYSQL, "select a . b, x /*c*/ . y . * from t",
         Clean::kWords, false},
        {"MySql_Separator", SPLT_WD_DIALECT_MYSQL, "select 'a'; select 2", Clean::kSeparator, false},
        {"MySql_LongString", SPLT_WD_DIALECT_MYSQL, "select '" + repeat("x''", 400) + "'", Clean::kWords, false},
        {"MySql_Long", SPLT_WD_DIALECT_MYSQL, long_statement(), Clean::kWords, true},
        {"PostgreSql_Quotes", SPLT_WD_DIALECT_POSTGRESQL,
         "select $tag$ body $tag$, 'a\\'b'::text, U&\"x\", B'01' from t", Clean::kWords, false},
        {"PostgreSql_BadDollarTag", SPLT_WD_DIALECT_POSTGRESQL, "select $a$ x $b$", Clean::kBadDollarTag, false},
        {"PostgreSql_LongDollarQuote", SPLT_WD_DIALECT_POSTGRESQL, "select $$" + repeat("x ", 800) + "$$",
         Clean::kWords, false},
        {"PostgreSql_Long", SPLT_WD_DIALECT_POSTGRESQL, long_statement(), Clean::kWords, true},
        {"Informix_Quoted", SPLT_WD_DIALECT_INFORMIX, "SELECT \"x y\", first FROM t", Clean::kWords, false},
        {"Informix_Long", SPLT_WD_DIALECT_INFORMIX, long_statement(), Clean::kWords, true},
    };
    return all;
}

// The two ways into a split: the process-wide session and a context.
enum class Entry { kProcessWide, kContext };
const char* entry_name(Entry entry) { return entry == Entry::kProcessWide ? "process-wide" : "context"; }

struct Splitter {
    Entry entry;
    spltwd_context* context;
    int32_t operator()(SQL_SPLT_WD& request) const {
        return entry == Entry::kProcessWide ? Zoz_SQL_Split_Word(&request) : spltwd_split(context, &request);
    }
};

std::string stream_of(const SQL_SPLT_WD& request) {
    return request.sql_word ? std::string(request.sql_word, request.nSqlWordLen) : std::string();
}

// A request that already holds a stream from an earlier split, as a caller
// that reuses its request has: the next split must release it.
SQL_SPLT_WD used_request(const Splitter& split, const Case& c) {
    static char earlier[] = "select 1";
    SQL_SPLT_WD request{};
    request.sql_text = earlier;
    request.sql_len = sizeof earlier - 1;
    split(request);
    request.dialect = c.dialect;
    request.sql_text = const_cast<char*>(c.statement.data());
    request.sql_len = static_cast<std::uint32_t>(c.statement.size());
    return request;
}

struct CleanSplit {
    int32_t result;
    std::string stream;
    Tally tally;
    Growths growths;
};

CleanSplit split_cleanly(const Splitter& split, const Case& c) {
    SQL_SPLT_WD request = used_request(split, c);
    arm(0);
    const int32_t result = split(request);
    disarm();
    CleanSplit clean{result, stream_of(request), tally(), growths()};
    std::free(request.sql_word);
    return clean;
}

// What a child tells its parent after a split that returned.
struct Report {
    bool injected;
    int32_t result;
    bool stream_null;
    std::uint32_t stream_length;
    bool earlier_stream_released;
    std::size_t outstanding;
    bool overflowed;
    bool recovered;  // a clean split afterwards gives the clean result
};

Report split_failing(const Splitter& split, const Case& c, std::size_t k, const CleanSplit& clean) {
    SQL_SPLT_WD request = used_request(split, c);
    const void* earlier = request.sql_word;
    arm(k);
    const int32_t result = split(request);
    disarm();
    const Tally t = tally();
    Report report;
    std::memset(&report, 0, sizeof report);  // the padding goes down the pipe too
    report.injected = t.injected;
    report.result = result;
    report.stream_null = request.sql_word == nullptr;
    report.stream_length = request.nSqlWordLen;
    report.earlier_stream_released = released(earlier);
    report.outstanding = t.outstanding;
    report.overflowed = t.overflowed;
    std::free(request.sql_word);
    request.sql_word = nullptr;
    report.recovered = split(request) == clean.result && stream_of(request) == clean.stream;
    std::free(request.sql_word);
    return report;
}

const char* const kScannerMemoryMessages[] = {
    "out of dynamic memory in splt_wd_scan_bytes()\n",
    "out of dynamic memory in splt_wd_scan_buffer()\n",
    "out of dynamic memory in splt_wdensure_buffer_stack()\n",
};

bool is_scanner_memory_message(const std::string& text) {
    for (const char* message : kScannerMemoryMessages) {
        if (text == message) return true;
    }
    return false;
}

// "splt_wd_scan_bytes()" of "out of dynamic memory in splt_wd_scan_bytes()\n".
std::string last_word(const std::string& line) {
    const std::size_t end = line.find_last_not_of('\n') + 1;
    const std::size_t begin = line.rfind(' ', end) + 1;
    return line.substr(begin, end - begin);
}

bool is_growth(const CleanSplit& clean, std::size_t k) {
    for (std::size_t index : clean.growths.indices) {
        if (index == k) return true;
    }
    return false;
}

// Runs k = 1..N for one entry; returns the summary of the outcomes.
std::string fail_every_allocation(const Splitter& split, const Case& c) {
    const CleanSplit clean = split_cleanly(split, c);
    EXPECT_FALSE(clean.tally.overflowed);
    switch (c.clean) {
        case Clean::kWords: EXPECT_GT(clean.result, 0); break;
        case Clean::kSeparator: EXPECT_EQ(clean.result, -6); break;
        case Clean::kBadDollarTag: EXPECT_EQ(clean.result, -5); break;
    }
    // Nothing but the caller's stream outlives a clean split.
    EXPECT_EQ(clean.tally.outstanding, clean.result > 0 ? 1u : 0u);
    if (c.grows_stream_and_pending) {
        EXPECT_GE(clean.growths.lineages, 2u);
    }

    std::map<std::string, int> outcomes;
    const std::size_t n = clean.tally.allocations;
    for (std::size_t k = 1; k <= n; ++k) {
        SCOPED_TRACE(testing::Message() << entry_name(split.entry) << ", allocation " << k << " of " << n);
        const test_support::ChildRun run = test_support::run_function(
            [&](int report_fd) {
                const Report report = split_failing(split, c, k, clean);
                test_support::write_all(report_fd, &report, sizeof report);
            },
            {.standard_output_path = "/dev/null", .time_limit = std::chrono::seconds(30)});
        if (run.exit_status == 2 && run.report.empty()) {
            EXPECT_TRUE(is_scanner_memory_message(run.err)) << run.err;
            EXPECT_FALSE(is_growth(clean, k)) << "a failed growth must return -1";
            ++outcomes["exit 2 in " + last_word(run.err)];
            continue;
        }
        if (run.exit_status != 0 || run.report.size() != sizeof(Report)) {
            ADD_FAILURE() << "exit status " << run.exit_status << ", signal " << run.signal
                          << ", stderr: " << run.err;
            ++outcomes["crash"];
            continue;
        }
        Report report;
        std::memcpy(&report, run.report.data(), sizeof report);
        EXPECT_TRUE(report.injected) << "the split allocated less than the clean one";
        EXPECT_TRUE(report.result == -1 || report.result == -3) << "result " << report.result;
        if (is_growth(clean, k)) {
            EXPECT_EQ(report.result, -1) << "a failed growth";
        }
        EXPECT_TRUE(report.stream_null);
        EXPECT_EQ(report.stream_length, 0u);
        EXPECT_TRUE(report.earlier_stream_released);
        EXPECT_EQ(report.outstanding, 0u) << "blocks left allocated";
        EXPECT_FALSE(report.overflowed);
        EXPECT_TRUE(report.recovered) << "the next split differs from a clean one";
        EXPECT_EQ(run.err, "");
        ++outcomes[std::to_string(report.result)];
    }
    if (n == 0) return "no allocation";
    std::string summary = "k=1.." + std::to_string(n) + " (" + std::to_string(clean.growths.indices.size()) +
                          " growths):";
    for (const auto& [outcome, count] : outcomes) summary += " " + outcome + " x" + std::to_string(count) + ",";
    summary.pop_back();
    return summary;
}

class AllocationFailure : public testing::TestWithParam<Case> {};

TEST_P(AllocationFailure, EveryAllocationFailsInTurn) {
    const Case& c = GetParam();
    spltwd_context* context = spltwd_context_create();
    ASSERT_NE(context, nullptr);
    const std::string process_wide = fail_every_allocation(Splitter{Entry::kProcessWide, context}, c);
    const std::string in_context = fail_every_allocation(Splitter{Entry::kContext, context}, c);
    spltwd_context_destroy(context);
    if (process_wide == in_context) {
        std::printf("[ covered  ] %s, both entries: %s\n", c.name, process_wide.c_str());
    } else {
        std::printf("[ covered  ] %s, process-wide: %s; context: %s\n", c.name, process_wide.c_str(),
                    in_context.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Statements, AllocationFailure, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace robustness
