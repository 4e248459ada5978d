// Statement digests: --format digest and the two forms of --summary, byte
// for byte; and a summary over inputs of many pieces, whose memory does
// not grow with the input.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "json_reader.h"
#include "run_sqlsplit.h"

namespace cli_test {
namespace {

// Two statements of one fingerprint, the second with a comment; ";" in a
// string; a quoted name of two-byte characters; and two fingerprints of
// one count and as many bytes, which the fingerprint orders.
const char kLog[] = "select * from t where id = 1;\n"
                    "SELECT * FROM t WHERE id = 22 /* again */;\n"
                    "-- cart\n"
                    "INSERT INTO a.b (x, y) VALUES (1, 'a;b'), (2, 'c');\n"
                    "update `\xc3\xbc" "berl\xc3\xa4" "nge` set n = n + 1;\n"
                    "show tables;\n"
                    "select 123\n";

const char kLogDigests[] =
    R"j({"statement":1,"file":"standard input","start":0,"end":28,"fingerprint":"90356c2a5f55a6f1","kind":"SELECT","tables":["t"],"normalized":"select * from t where id = ?"})j" "\n"
    R"j({"statement":2,"file":"standard input","start":30,"end":71,"fingerprint":"90356c2a5f55a6f1","kind":"SELECT","tables":["t"],"normalized":"select * from t where id = ?"})j" "\n"
    R"j({"statement":3,"file":"standard input","start":73,"end":131,"fingerprint":"0c2458b3f6b18ff9","kind":"INSERT","tables":["a.b"],"normalized":"insert into a.b (x, y) values (?)"})j" "\n"
    R"j({"statement":4,"file":"standard input","start":133,"end":167,"fingerprint":"546e099487f7c0d2","kind":"UPDATE","tables":["`überlänge`"],"normalized":"update `überlänge` set n = n + ?"})j" "\n"
    R"j({"statement":5,"file":"standard input","start":169,"end":180,"fingerprint":"32ab38aff3363f41","kind":"SHOW","tables":[],"normalized":"show tables"})j" "\n"
    R"j({"statement":6,"file":"standard input","start":182,"end":193,"fingerprint":"02fb7a5a1a5a9a58","kind":"SELECT","tables":[],"normalized":"select ?"})j" "\n";

const char kLogSummaryJsonl[] =
    R"j({"fingerprint":"90356c2a5f55a6f1","count":2,"bytes":69,"kind":"SELECT","tables":["t"],"normalized":"select * from t where id = ?","example":"select * from t where id = 1"})j" "\n"
    R"j({"fingerprint":"0c2458b3f6b18ff9","count":1,"bytes":58,"kind":"INSERT","tables":["a.b"],"normalized":"insert into a.b (x, y) values (?)","example":"-- cart\nINSERT INTO a.b (x, y) VALUES (1, 'a;b'), (2, 'c')"})j" "\n"
    R"j({"fingerprint":"546e099487f7c0d2","count":1,"bytes":34,"kind":"UPDATE","tables":["`überlänge`"],"normalized":"update `überlänge` set n = n + ?","example":"update `überlänge` set n = n + 1"})j" "\n"
    R"j({"fingerprint":"02fb7a5a1a5a9a58","count":1,"bytes":11,"kind":"SELECT","tables":[],"normalized":"select ?","example":"select 123\n"})j" "\n"
    R"j({"fingerprint":"32ab38aff3363f41","count":1,"bytes":11,"kind":"SHOW","tables":[],"normalized":"show tables","example":"show tables"})j" "\n";

const char kLogSummaryTable[] =
    "count   share  fingerprint       kind    tables       normalized\n"
    "    2   33.3%  90356c2a5f55a6f1  SELECT  t            select * from t where id = ?\n"
    "    1   16.7%  0c2458b3f6b18ff9  INSERT  a.b          insert into a.b (x, y) values (?)\n"
    "    1   16.7%  546e099487f7c0d2  UPDATE  `überlänge`  update `überlänge` set n = n + ?\n"
    "    1   16.7%  02fb7a5a1a5a9a58  SELECT  -            select ?\n"
    "    1   16.7%  32ab38aff3363f41  SHOW    -            show tables\n";

// 54 columns before the text: 18 are left for it, the ellipsis included.
const char kLogSummaryTable72[] =
    "count   share  fingerprint       kind    tables       normalized\n"
    "    2   33.3%  90356c2a5f55a6f1  SELECT  t            select * from t w…\n"
    "    1   16.7%  0c2458b3f6b18ff9  INSERT  a.b          insert into a.b (…\n"
    "    1   16.7%  546e099487f7c0d2  UPDATE  `überlänge`  update `überlänge…\n"
    "    1   16.7%  02fb7a5a1a5a9a58  SELECT  -            select ?\n"
    "    1   16.7%  32ab38aff3363f41  SHOW    -            show tables\n";

// A quoted name and a string that are not UTF-8.
const char kNotUtf8[] = "select * from `t\xff` where s = '\xfe'";

struct DigestCase {
    const char *name;
    std::vector<std::string> arguments;
    std::string input;
    std::string out;
    std::vector<std::string> environment = {"COLUMNS="};
};

class Digests : public ::testing::TestWithParam<DigestCase> {};

TEST_P(Digests, WriteExactlyThis)
{
    const ChildRun run = run_sqlsplit(GetParam().arguments,
                                      {.standard_input = GetParam().input, .environment = GetParam().environment});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, Digests,
    ::testing::Values(
        DigestCase{"DigestLines", {"--format", "digest"}, kLog, kLogDigests},
        DigestCase{"SummaryTable", {"--summary"}, kLog, kLogSummaryTable},
        DigestCase{"SummaryTableOfReportToo", {"--summary", "-f", "report"}, kLog, kLogSummaryTable},
        DigestCase{"SummaryTableCutToColumns", {"--summary"}, kLog, kLogSummaryTable72, {"COLUMNS=72"}},
        DigestCase{"SummaryJsonl", {"--summary", "--format=jsonl"}, kLog, kLogSummaryJsonl},
        DigestCase{"SummaryJsonlOfDigestToo", {"-f", "digest", "--summary"}, kLog, kLogSummaryJsonl},
        DigestCase{"NotUtf8DigestLine",
                   {"-f", "digest"},
                   kNotUtf8,
                   R"j({"statement":1,"file":"standard input","start":0,"end":32,"fingerprint":"0178f0f43b780344","kind":"SELECT",)j"
                   R"j("tables":["`t\u00ff`"],"tables_base64":["YHT/YA=="],)j"
                   R"j("normalized":"select * from `t\u00ff` where s = ?","normalized_base64":"c2VsZWN0ICogZnJvbSBgdP9gIHdoZXJlIHMgPSA/"})j"
                   "\n"},
        DigestCase{"NotUtf8SummaryJsonl",
                   {"--summary", "-f", "jsonl"},
                   kNotUtf8,
                   R"j({"fingerprint":"0178f0f43b780344","count":1,"bytes":32,"kind":"SELECT",)j"
                   R"j("tables":["`t\u00ff`"],"tables_base64":["YHT/YA=="],)j"
                   R"j("normalized":"select * from `t\u00ff` where s = ?","normalized_base64":"c2VsZWN0ICogZnJvbSBgdP9gIHdoZXJlIHMgPSA/",)j"
                   R"j("example":"select * from `t\u00ff` where s = '\u00fe'","example_base64":"c2VsZWN0ICogZnJvbSBgdP9gIHdoZXJlIHMgPSAn/ic="})j"
                   "\n"},
        DigestCase{"NotUtf8SummaryTable",
                   {"--summary"},
                   kNotUtf8,
                   "count   share  fingerprint       kind    tables   normalized\n"
                   "    1  100.0%  0178f0f43b780344  SELECT  `t\\xff`  select * from `t\\xff` where s = ?\n"},
        DigestCase{"NoStatementNoSummary", {"--summary"}, " ;\n-- only a comment\n", ""}),
    [](const auto &info) { return std::string(info.param.name); });

// Statements whose ";" in strings and comments do not cut, so that a cut
// between two pieces of the input that trusted a ";" would show as a
// fingerprint too many.
const char *const kShapes[] = {
    "SELECT name FROM users WHERE id = %d AND note <> 'a;b' /* c; d */;\n",
    "INSERT INTO orders (user_id, total) VALUES (%d, 7.50), (%d, 1);\n",
    "-- batch; %d\nUPDATE stock SET qty = qty - 1 WHERE sku = 'X%d';\n",
};

struct Written {
    std::map<std::string, std::int64_t> counts; // by kind
    std::map<std::string, std::int64_t> bytes;
};

// Writes statements of the shapes in turn up to `size` bytes, and in the
// middle one with a string of `long_string` bytes ("select ? from t").
Written write_log(const std::filesystem::path &file, std::size_t size, std::size_t long_string = 0)
{
    static const char *const kinds[] = {"SELECT", "INSERT", "UPDATE"};
    Written written;
    std::ofstream out(file, std::ios::binary);
    std::size_t at = 0;
    for (int i = 0; at < size; ++i) {
        char statement[160];
        const int length = std::snprintf(statement, sizeof statement, kShapes[i % 3],
                                         static_cast<int>(static_cast<long long>(i) * 7919 % 100003), i);
        out.write(statement, length);
        at += static_cast<std::size_t>(length);
        // Without its ";" and line end.
        written.counts[kinds[i % 3]] += 1;
        written.bytes[kinds[i % 3]] += length - 2;
        if (long_string > 0 && at >= size / 2) {
            const std::string text = "SELECT '" + std::string(long_string, ';') + "' FROM t;\n";
            out << text;
            at += text.size();
            written.bytes["long"] = static_cast<std::int64_t>(text.size() - 2);
            long_string = 0;
        }
    }
    return written;
}

TEST(DigestSummary, CountsEveryStatementOfALargeInputInMemoryThatDoesNotGrowWithIt)
{
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const auto summary_of = [&](std::size_t size, std::size_t long_string) -> std::size_t {
        const std::filesystem::path input = folder.path() / "audit.log";
        const Written written = write_log(input, size, long_string);
        const ChildRun run = run_sqlsplit({"--summary", "-f", "jsonl", input.string()});
        std::filesystem::remove(input);
        EXPECT_EQ(run.exit_status, 0) << run.err;
        std::size_t lines = 0;
        for (std::size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1) {
            ++lines;
            const std::optional<JsonValue> line = parse_json(std::string_view(run.out).substr(start, end - start));
            if (!line) {
                ADD_FAILURE() << "not JSON at byte " << start;
                continue;
            }
            const std::string kind = line->string("kind").value_or("");
            const bool long_one = line->string("normalized") == "select ? from t";
            SCOPED_TRACE(kind);
            EXPECT_EQ(line->integer("count"), long_one ? 1 : written.counts.at(kind));
            EXPECT_EQ(line->integer("bytes"), written.bytes.at(long_one ? "long" : kind));
        }
        EXPECT_EQ(lines, long_string > 0 ? 4u : 3u);
        std::printf("[ peak     ] sqlsplit --summary on %zu MiB: peak %ld MiB\n", size >> 20, run.max_rss_kib >> 10);
        return static_cast<std::size_t>(run.max_rss_kib) << 10;
    };
    constexpr std::size_t kMiB = std::size_t{1} << 20;
    const std::size_t small_peak = summary_of(24 * kMiB, 0);
    const std::size_t large_peak = summary_of(96 * kMiB, 0);
    EXPECT_LE(large_peak, small_peak + 8 * kMiB);
#ifndef SPLTWD_SANITIZED_BUILD
    EXPECT_LE(large_peak, 24 * kMiB);
#endif
    // A statement longer than a piece read at a time, amid the others.
    summary_of(40 * kMiB, 20 * kMiB);
}

} // namespace
} // namespace cli_test
