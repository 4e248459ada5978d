// Fuzzes Zoz_SQL_Split_Word: the first two bytes choose the dialect (see
// dialect_prefix.h), the rest is the statement.  Every input must give a
// result the caller can rely on, and a stream that walks cleanly and agrees
// with the summary fields; the sanitizers and LeakSanitizer watch memory.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dialect_prefix.h"
#include "fuzz_check.h"
#include "mirx_sql_splt_wd.h"
#include "word_feedback.h"

namespace {

// nSngWordLenMax is written only with a stream; this value shows it was not.
constexpr std::uint32_t kUnwritten = 0xA5A5A5A5u;

bool IsWordType(std::uint16_t type) {
    return type == SPLT_WD_TYPE_KEYWORD ||
           (type >= SPLT_WD_TYPE_OTHER && type <= SPLT_WD_TYPE_PARTITION_BY) ||
           type == SPLT_WD_TYPE_COMPARISON;
}

// Walks a stream with fetch_word and checks every record and the summary
// fields the split call reported along with it.
void CheckStream(SQL_SPLT_WD& request) {
    Require(request.sql_word != nullptr, "a positive result comes with a stream");
    std::uint64_t record_bytes = 0;
    std::uint32_t longest = 0;
    Fetch_Word_Step step{0, 0};
    Word_Info word;
    while (fetch_word(&request, &step, &word) == 0) {
        std::uint32_t length;
        std::uint16_t type, mask;
        std::memcpy(&length, word.word_len, sizeof length);
        std::memcpy(&type, word.word_type, sizeof type);
        std::memcpy(&mask, word.word_mask_type, sizeof mask);
        Require(IsWordType(type), "every word type is one of the 33 codes");
        Require((mask & ~0x0FFFu) == 0, "no mask bit above 0x0800");
        Require(length <= request.sql_len, "no word is longer than the statement");
        record_bytes += 8 + std::uint64_t{length};
        if (length > longest) longest = length;
    }
    Require(static_cast<std::uint32_t>(step.cursor) == request.nSqlWordLen, "the walk consumes the whole stream");
    Require(record_bytes == request.nSqlWordLen, "nSqlWordLen is the sum of (8 + word length) over the records");
    Require(request.nSngWordLenMax == longest, "nSngWordLenMax is the longest word");
}

// Checks the outcome of one split of a non-empty statement.
void CheckSplit(SQL_SPLT_WD& request, std::int32_t result) {
    Require(result > 0 || result == 0 || result == -5 || result == -6,
            "a split of a small statement ends with a stream, 0, -5 or -6");
    Require(result != -5 || request.dialect == SPLT_WD_DIALECT_POSTGRESQL,
            "only PostgreSQL has dollar quotes to mismatch (-5)");
    Require(request.szHaveStar == 0 || request.szHaveStar == 1, "szHaveStar is 0 or 1");
    if (result > 0) {
        Require(static_cast<std::uint32_t>(result) == request.nSqlWordLen, "the result is nSqlWordLen");
        CheckStream(request);
    } else {
        Require(request.sql_word == nullptr && request.nSqlWordLen == 0, "result 0 or less leaves no stream");
        Require(request.szHaveStar == 0, "result 0 or less leaves szHaveStar 0");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Rule actions print debug lines for some words; they would flood the
    // fuzzer's log.
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < dialect_prefix::kSize) return 0;
    const std::uint8_t* statement = data + dialect_prefix::kSize;
    const std::size_t statement_len = size - dialect_prefix::kSize;

    // A heap copy of exactly the statement, not zero-terminated, so that
    // AddressSanitizer catches a read past sql_len.
    char* text = static_cast<char*>(std::malloc(statement_len));
    std::memcpy(text, statement, statement_len);

    SQL_SPLT_WD request{};
    request.dialect = dialect_prefix::Decode(data);
    request.sql_len = static_cast<std::uint32_t>(statement_len);
    request.sql_text = text;
    request.nSngWordLenMax = kUnwritten;
    const SQL_SPLT_WD asked = request;

    const std::int32_t result = Zoz_SQL_Split_Word(&request);
    Require(request.dialect == asked.dialect && request.sql_len == asked.sql_len &&
                request.sql_text == asked.sql_text,
            "the request's inputs are left as they were");
    Require(std::memcmp(text, statement, statement_len) == 0, "the statement is never written");
    if (statement_len == 0) {
        Require(result == -2, "an empty statement is refused with -2");
        Require(std::memcmp(&request, &asked, sizeof request) == 0, "a refused request is left untouched");
        std::free(text);
        return 0;
    }
    CheckSplit(request, result);
    word_feedback::Note(request, result);
    if (result <= 0) Require(request.nSngWordLenMax == kUnwritten, "nSngWordLenMax is written only with a stream");

    // Again on the same request, the stream left in place as a caller may:
    // the call must release it (LeakSanitizer) and, since nothing of a split
    // carries over to the next, give the same result and stream.
    const std::string first_stream(request.sql_word ? request.sql_word : "", request.nSqlWordLen);
    const char first_star = request.szHaveStar;
    const std::uint32_t first_longest = request.nSngWordLenMax;
    Require(Zoz_SQL_Split_Word(&request) == result, "a second split gives the same result");
    CheckSplit(request, result);
    Require(std::string(request.sql_word ? request.sql_word : "", request.nSqlWordLen) == first_stream &&
                request.szHaveStar == first_star && request.nSngWordLenMax == first_longest,
            "a second split gives the same stream and summary");

    std::free(request.sql_word);
    std::free(text);
    return 0;
}
