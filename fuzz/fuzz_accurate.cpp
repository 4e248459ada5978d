// Fuzzes the accurate profile: the whole input is a statement, split in
// each of the seven dialects (six and the generic mode).  Whatever the
// bytes, the split must succeed, its words must tile the statement (their
// bytes are the statement's, in order, no gap, no overlap) and only the last
// may be left open.  Taken as a script, spltwd_split_first must cut it only
// after the ";" words of that split, and give each statement the whole
// split's words over its range.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_check.h"
#include "mirx_sql_splt_wd.h"
#include "word_feedback.h"

namespace {

constexpr std::uint16_t kDialects[] = {0,
                                       SPLT_WD_DIALECT_ORACLE,
                                       SPLT_WD_DIALECT_SQLSERVER,
                                       SPLT_WD_DIALECT_DB2,
                                       SPLT_WD_DIALECT_MYSQL,
                                       SPLT_WD_DIALECT_POSTGRESQL,
                                       SPLT_WD_DIALECT_INFORMIX};

struct Word {
    std::uint32_t start, end;
    std::uint16_t type, mask;
};

// Splits `text` (the statement's bytes at `base` of the input) and checks
// that its words tile it.  Returns the words with ranges in input offsets.
std::vector<Word> TiledWords(SQL_SPLT_WD& request, std::int32_t result, const char* text, std::uint32_t length,
                             std::uint32_t base) {
    std::vector<Word> words;
    Require(result > 0, "an accurate split of a statement with bytes gives a stream");
    Require(static_cast<std::uint32_t>(result) == request.nSqlWordLen, "the result is the stream length");
    spltwd_word_walk walk{0, 0};
    spltwd_word word;
    std::uint32_t at = 0;
    while (spltwd_next_word(request.sql_word, request.nSqlWordLen, &walk, &word) == 0) {
        Require(word.length > 0, "no word is empty");
        Require(word.start == at && word.end == at + word.length, "each word starts where the last ended");
        Require(word.end <= length, "no word runs past the statement");
        Require(std::memcmp(word.text, text + word.start, word.length) == 0, "a word's bytes are the statement's");
        Require(!(words.size() && (words.back().mask & SPLT_WD_MASK_UNTERMINATED)),
                "only the last word is left open");
        words.push_back({base + word.start, base + word.end, word.type, word.mask});
        at = word.end;
    }
    Require(walk.cursor == request.nSqlWordLen, "the walk consumes the whole stream");
    Require(at == length, "the words end where the statement ends");
    return words;
}

bool IsSeparator(const Word& word, const char* input) { return word.end == word.start + 1 && input[word.start] == ';'; }

void CheckDialect(spltwd_context* context, std::uint16_t dialect, char* input, std::uint32_t size) {
    SQL_SPLT_WD request{};
    request.dialect = dialect;
    request.sql_len = size;
    request.sql_text = input;
    const std::int32_t result = spltwd_split(context, &request);
    const std::vector<Word> whole = TiledWords(request, result, input, size, 0);
    word_feedback::Note(request, result);
    std::free(request.sql_word);

    // The input as a script, one statement at a time.
    std::size_t next = 0;  // the first word of the whole split not yet passed
    std::uint32_t at = 0;
    while (at < size) {
        SQL_SPLT_WD piece{};
        piece.dialect = dialect;
        piece.sql_len = size - at;
        piece.sql_text = input + at;
        std::uint32_t consumed = 0;
        const std::int32_t first = spltwd_split_first(context, &piece, &consumed);
        Require(first >= 0, "spltwd_split_first never fails on a statement's bytes");
        Require(consumed > 0 && consumed <= size - at, "a cut takes at least one byte and no more than there are");
        const std::uint32_t cut = at + consumed;
        // The whole split's first ";" word from here on ends the statement.
        std::size_t separator = next;
        while (separator < whole.size() && !IsSeparator(whole[separator], input)) ++separator;
        Require(separator < whole.size() ? cut == whole[separator].end : cut == size,
                "the cut is after the whole split's next \";\" word, or at the end");
        const std::size_t words_end = separator < whole.size() ? separator : whole.size();
        if (first == 0) {
            Require(words_end == next, "only a statement of no bytes before its \";\" gives 0");
        } else {
            const std::uint32_t statement_end = separator < whole.size() ? cut - 1 : cut;
            const std::vector<Word> words = TiledWords(piece, first, input + at, statement_end - at, at);
            Require(words.size() == words_end - next, "a statement has as many words as the whole split over its range");
            for (std::size_t i = 0; i < words.size(); ++i) {
                const Word& a = words[i];
                const Word& b = whole[next + i];
                Require(a.start == b.start && a.end == b.end && a.type == b.type && a.mask == b.mask,
                        "a statement's words are the whole split's over its range");
            }
        }
        std::free(piece.sql_word);
        next = separator < whole.size() ? separator + 1 : whole.size();
        at = cut;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 0x7FFFFFFF) return 0;
    static spltwd_context* context = [] {
        spltwd_context* made = spltwd_context_create();
        Require(made != nullptr && spltwd_context_set_profile(made, SPLTWD_PROFILE_ACCURATE) == 0,
                "a context with the accurate profile");
        return made;
    }();
    // A heap copy of exactly the input, not zero-terminated, so that
    // AddressSanitizer catches a read past its end.
    char* input = static_cast<char*>(std::malloc(size));
    std::memcpy(input, data, size);
    for (std::uint16_t dialect : kDialects) CheckDialect(context, dialect, input, static_cast<std::uint32_t>(size));
    Require(std::memcmp(input, data, size) == 0, "the statement is never written");
    std::free(input);
    return 0;
}
