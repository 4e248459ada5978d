// sqlsplit --jobs: on any number of threads, the run writes byte for byte
// what one thread writes (standard output and standard error, in the order
// they interleave) and ends with the same status, for every format and
// client, through notes, unreadable inputs, statements too large for a
// batch, and an output that fails midway.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "run_sqlsplit.h"

namespace cli_test {
namespace {

using namespace std::string_literals;

// Pieces of scripts in the ways their clients write them: delimiters, COPY
// data, batches, PL/SQL blocks, client commands, and bytes that are no
// UTF-8 (a NUL among them).
const std::vector<std::string> kMysqlPieces = {
    "SELECT a, 'it''s; no cut' FROM t WHERE b = 1;\n",
    "INSERT INTO t VALUES (1, 'caf\xC3\xA9', X'00ff', \"dq;\");\n",
    "/* c; */ UPDATE t SET a = a + 1; -- tail ;\n",
    "DELIMITER ;;\nCREATE PROCEDURE p() BEGIN SELECT 1; SELECT 2; END;;\nDELIMITER ;\n",
    "SELECT 'bytes \x00\x01\xFE\xFF' FROM dual;\n"s,
    "SELECT /*!50001 SQL_NO_CACHE */ * FROM `odd;name`;\n",
    "# hash ;\nSELECT @x, @@y;\n",
};
const std::vector<std::string> kPostgresqlPieces = {
    "SELECT $$a;b$$, 'x' FROM t;\n",
    "COPY t (a, b) FROM stdin;\n1\t2\nSELECT 3;\n\\.\n",
    "\\set x 1\nSELECT :x;\n",
    "CREATE FUNCTION f() RETURNS int AS $body$ SELECT 1; $body$ LANGUAGE sql;\n",
    "SELECT E'\\n\xFF', U&'\\0041' /* \x00 */;\n"s,
    // A dollar tag that closes with another: the classic split fails, a note.
    "SELECT $a$ x $b$ y $a$;\n",
};
const std::vector<std::string> kSqlserverPieces = {
    "SELECT [a;b] FROM t;\n",
    "GO\n",
    "CREATE PROCEDURE p AS SELECT 1; SELECT 2;\nGO\n",
    ":setvar x 1\n",
    "SELECT N'\xC3\xA9', 0x00FF;\n",
};
const std::vector<std::string> kOraclePieces = {
    "SELECT q'[a;b]' FROM dual;\n",
    "BEGIN\n  NULL;\nEND;\n/\n",
    "CREATE OR REPLACE PROCEDURE p IS BEGIN NULL; END;\n/\n",
    "SET SERVEROUTPUT ON\n",
    "SELECT 1 FROM dual\n/\n",
    "SELECT '\xFF\x00' FROM dual;\n"s,
};

// About `size` bytes of the pieces in a fixed pseudo-random order; with
// `large`, a statement larger than any batch in the middle.
std::string script(const std::vector<std::string> &pieces, std::size_t size, bool large)
{
    std::string text;
    std::uint32_t state = 12345;
    while (text.size() < size) {
        if (large && text.size() >= size / 2) {
            text += "SELECT '" + std::string(std::size_t{3} << 19, 'x') + " ;' AS wide;\n";
            large = false;
        }
        state = state * 1103515245U + 12345U;
        text += pieces[(state >> 16) % pieces.size()];
    }
    return text;
}

struct JobsCase {
    const char *name;
    std::vector<std::string> options;
    const std::vector<std::string> *pieces;
    bool large;
};

class Jobs : public ::testing::TestWithParam<JobsCase> {};

// Where two outputs part, for a failure message that does not print
// megabytes.
std::string first_difference(const std::string &a, const std::string &b)
{
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) {
        ++at;
    }
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) + ", first difference at byte " +
           std::to_string(at) + ": ..." + a.substr(at, 60) + "... vs ..." + b.substr(at, 60) + "...";
}

// Two large inputs with an unreadable one between them.
TEST_P(Jobs, WriteWhatOneThreadWrites)
{
    TempFolder folder;
    write_file(folder.path() / "a.sql", script(*GetParam().pieces, std::size_t{3} << 20, GetParam().large));
    write_file(folder.path() / "b.sql", script(*GetParam().pieces, std::size_t{1} << 20, false));
    std::vector<ChildRun> runs;
    for (const char *jobs : {"1", "2", "5"}) {
        std::vector<std::string> arguments = GetParam().options;
        arguments.insert(arguments.end(), {"--jobs", jobs, folder.file("a.sql"), folder.file("missing.sql"),
                                           folder.file("b.sql")});
        runs.push_back(run_sqlsplit(arguments, {.error_into_output = true}));
    }
    const ChildRun &one = runs[0];
    EXPECT_EQ(one.exit_status, 1);
    EXPECT_NE(one.out.find("sqlsplit: cannot read " + folder.file("missing.sql") + ": No such file or directory\n"),
              std::string::npos);
    EXPECT_GT(one.out.size(), 400U); // summaries are short
    for (std::size_t i = 1; i < runs.size(); ++i) {
        EXPECT_EQ(runs[i].exit_status, one.exit_status) << "run " << i;
        EXPECT_TRUE(runs[i].out == one.out) << "run " << i << ": " << first_difference(runs[i].out, one.out);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, Jobs,
    ::testing::Values(JobsCase{"MysqlTable", {"-d", "mysql"}, &kMysqlPieces, true},
                      JobsCase{"MysqlJsonlClassic", {"-d", "mysql", "-f", "jsonl", "--classic"}, &kMysqlPieces, true},
                      JobsCase{"MysqlDigest", {"-d", "mysql", "-f", "digest"}, &kMysqlPieces, true},
                      JobsCase{"PostgresqlJsonl", {"-d", "postgresql", "-f", "jsonl"}, &kPostgresqlPieces, true},
                      JobsCase{"PostgresqlReportClassicWithNotes",
                               {"-d", "postgresql", "-f", "report", "--classic"},
                               &kPostgresqlPieces,
                               true},
                      JobsCase{"PostgresqlSummary", {"-d", "postgresql", "--summary"}, &kPostgresqlPieces, false},
                      JobsCase{"SqlserverTable", {"-d", "sqlserver"}, &kSqlserverPieces, false},
                      JobsCase{"OracleJsonl", {"-d", "oracle", "-f", "jsonl"}, &kOraclePieces, true},
                      JobsCase{"OracleSummaryJsonl", {"-d", "oracle", "--summary", "-f", "jsonl"}, &kOraclePieces,
                               false}),
    [](const auto &info) { return std::string(info.param.name); });

// An output that takes 256 KiB and no more (a file size limit, its signal
// ignored): the run stops at the first failed write, on any number of
// threads, having written the same first bytes.
TEST(Jobs, StopAtAFailedWriteAsOneThreadDoes)
{
    TempFolder folder;
    write_file(folder.path() / "a.sql", script(kMysqlPieces, std::size_t{2} << 20, false));
    for (const char *format : {"table", "jsonl", "digest"}) {
        const std::vector<std::string> arguments = {"-f", format, "--jobs", "4", folder.file("a.sql")};
        const ChildRun whole = run_sqlsplit(arguments);
        ASSERT_EQ(whole.exit_status, 0) << format;
        ASSERT_GT(whole.out.size(), std::size_t{1} << 20) << format;
        for (const char *jobs : {"1", "4"}) {
            std::vector<std::string> limited = {"-c", "ulimit -f 512 && trap '' XFSZ && exec \"$0\" \"$@\"",
                                                SQLSPLIT_PATH, "-f", format, "--jobs", jobs, folder.file("a.sql")};
            const ChildRun run =
                test_support::run_program("/bin/sh", limited, {.standard_output_path = folder.file("out")});
            EXPECT_EQ(run.exit_status, 1) << format << " --jobs " << jobs;
            EXPECT_EQ(run.err, "sqlsplit: cannot write standard output: File too large\n")
                << format << " --jobs " << jobs;
            const std::string written = read_file(folder.path() / "out");
            EXPECT_EQ(written.size(), std::size_t{256} << 10) << format << " --jobs " << jobs;
            EXPECT_TRUE(written == whole.out.substr(0, written.size())) << format << " --jobs " << jobs;
        }
    }
}

} // namespace
} // namespace cli_test
