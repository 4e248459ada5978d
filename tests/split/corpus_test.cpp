// Every statement of the SQL corpus, split in every dialect: whatever the
// words, each split must keep the request and the stream consistent.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "corpus_files.h"
#include "corpus_test_name.h"
#include "silenced_stdout.h"
#include "split_harness.h"

namespace split_test {
namespace {

constexpr std::size_t kFaultsReported = 5;

using test_support::SilencedStdout;

struct Record {
    std::size_t offset;
    std::string_view sql;
};

// Parses "<dialect> <length>\n<length bytes>\n" records; stops at the first
// malformed one and says where.
std::vector<Record> parse_records(const std::string& data, std::string& error) {
    std::vector<Record> records;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t eol = data.find('\n', pos);
        unsigned dialect = 0;
        std::size_t length = 0;
        if (eol == std::string::npos ||
            std::sscanf(data.substr(pos, eol - pos).c_str(), "%u %zu", &dialect, &length) != 2 ||
            data.size() - eol - 1 < length + 1 || data[eol + 1 + length] != '\n') {
            error = "malformed record at offset " + std::to_string(pos);
            break;
        }
        records.push_back({pos, std::string_view(data).substr(eol + 1, length)});
        pos = eol + 2 + length;
    }
    return records;
}

// Faults that the statement itself rules out: only ";" stops a split with
// -6, only a PostgreSQL dollar tag with -5, and nothing else fails.
std::string result_faults(std::uint16_t dialect, std::string_view sql, std::int32_t result) {
    if (result == -6 && sql.find(';') == std::string_view::npos) return "-6 without a \";\"; ";
    if (result == -5 && (dialect != PG || sql.find('$') == std::string_view::npos)) return "-5 without a dollar tag; ";
    if (result < 0 && result != -5 && result != -6 && !(result == -2 && sql.empty()))
        return "result " + std::to_string(result) + "; ";
    return "";
}

class Corpus : public testing::TestWithParam<corpus::File> {};

TEST_P(Corpus, EveryStatementSplitsConsistentlyInEveryDialect) {
    std::ifstream in(GetParam().path, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << GetParam().path;
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string format_error;
    const std::vector<Record> records = parse_records(data, format_error);
    EXPECT_EQ(format_error, "");

    std::size_t fault_count = 0;
    std::ostringstream first_faults;
    {
        SilencedStdout silence;
        for (const Record& record : records) {
            for (std::uint16_t dialect : kAllDialects) {
                SQL_SPLT_WD req = fresh_request(dialect, record.sql);
                const SQL_SPLT_WD before = req;
                const std::int32_t result = Zoz_SQL_Split_Word(&req);
                const std::string faults =
                    request_faults(before, req, result) + result_faults(dialect, record.sql, result);
                std::free(req.sql_word);
                if (faults.empty()) continue;
                if (fault_count++ < kFaultsReported)
                    first_faults << "record at offset " << record.offset << ", dialect " << dialect << ": " << faults
                                 << "\n";
            }
        }
    }
    EXPECT_EQ(fault_count, 0u) << first_faults.str();
}

INSTANTIATE_TEST_SUITE_P(Files, Corpus, testing::ValuesIn(corpus::kFiles),
                         [](const testing::TestParamInfo<corpus::File>& info) {
                             return test_support::corpus_test_name(info.param.name);
                         });

}  // namespace
}  // namespace split_test
