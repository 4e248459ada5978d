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

// The dialect being checked, named when an expectation fails.
std::uint16_t checked_dialect = 0;

void Check(bool holds, const char* expectation) {
    if (!holds) std::fprintf(stderr, "dialect %u: ", static_cast<unsigned>(checked_dialect));
    Require(holds, expectation);
}

struct Word {
    std::uint32_t start, end;
    std::uint16_t type, mask;
};

// Splits `text` (the statement's bytes at `base` of the input) and checks
// that its words tile it.  Returns the words with ranges in input offsets.
std::vector<Word> TiledWords(SQL_SPLT_WD& request, std::int32_t result, const char* text, std::uint32_t length,
                             std::uint32_t base) {
    std::vector<Word> words;
    Check(result > 0, "an accurate split of a statement with bytes gives a stream");
    Check(static_cast<std::uint32_t>(result) == request.nSqlWordLen, "the result is the stream length");
    spltwd_word_walk walk{0, 0};
    spltwd_word word;
    std::uint32_t at = 0;
    while (spltwd_next_word(request.sql_word, request.nSqlWordLen, &walk, &word) == 0) {
        Check(word.length > 0, "no word is empty");
        Check(word.start == at && word.end == at + word.length, "each word starts where the last ended");
        Check(word.end <= length, "no word runs past the statement");
        Check(std::memcmp(word.text, text + word.start, word.length) == 0, "a word's bytes are the statement's");
        Check(!(words.size() && (words.back().mask & SPLT_WD_MASK_UNTERMINATED)),
              "only the last word is left open");
        words.push_back({base + word.start, base + word.end, word.type, word.mask});
        at = word.end;
    }
    Check(walk.cursor == request.nSqlWordLen, "the walk consumes the whole stream");
    Check(at == length, "the words end where the statement ends");
    return words;
}

bool IsSeparator(const Word& word, const char* input) { return word.end == word.start + 1 && input[word.start] == ';'; }

// For each word of a MySQL split, whether an executable comment (/*! or
// /*M!) is open where it starts.  The SQL inside one is read as SQL, so a
// ";" in it cuts the script, as the client cuts it; the statements on
// either side then no longer see the comment's opening or closing word, and
// are read as the server gets them, not as the whole split reads that range.
std::vector<bool> InsideExecutableComment(const std::vector<Word>& words, const char* input, std::uint16_t dialect) {
    std::vector<bool> inside(words.size() + 1, false);
    bool open = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        inside[i] = open;
        const Word& word = words[i];
        if (dialect != SPLT_WD_DIALECT_MYSQL || word.type != SPLT_WD_TYPE_COMMENT) continue;
        const char* text = input + word.start;
        const std::uint32_t length = word.end - word.start;
        if ((length >= 3 && std::memcmp(text, "/*!", 3) == 0) || (length >= 4 && std::memcmp(text, "/*M!", 4) == 0))
            open = true;
        else if (length == 2 && std::memcmp(text, "*/", 2) == 0)
            open = false;
    }
    inside[words.size()] = open;
    return inside;
}

void CheckDialect(spltwd_context* context, std::uint16_t dialect, char* input, std::uint32_t size) {
    checked_dialect = dialect;
    SQL_SPLT_WD request{};
    request.dialect = dialect;
    request.sql_len = size;
    request.sql_text = input;
    const std::int32_t result = spltwd_split(context, &request);
    const std::vector<Word> whole = TiledWords(request, result, input, size, 0);
    word_feedback::Note(request, result);
    std::free(request.sql_word);
    const std::vector<bool> inside = InsideExecutableComment(whole, input, dialect);

    // The input as a script, one statement at a time.  Until a statement
    // starts inside an executable comment, each must be cut after a ";"
    // word of the whole split (not every one cuts: PostgreSQL's inside
    // parentheses do not) and hold the whole split's words over its range.
    bool aligned = true;
    std::size_t next = 0;  // the first word of the whole split not yet passed
    std::uint32_t at = 0;
    while (at < size) {
        SQL_SPLT_WD piece{};
        piece.dialect = dialect;
        piece.sql_len = size - at;
        piece.sql_text = input + at;
        std::uint32_t consumed = 0;
        const std::int32_t first = spltwd_split_first(context, &piece, &consumed);
        Check(first >= 0, "spltwd_split_first never fails on a statement's bytes");
        Check(consumed > 0 && consumed <= size - at, "a cut takes at least one byte and no more than there are");
        const std::uint32_t cut = at + consumed;
        std::uint32_t length = 0;  // the statement's bytes: all taken, or all but the ";" cut at
        spltwd_word_walk walk{0, 0};
        spltwd_word word;
        while (first > 0 && spltwd_next_word(piece.sql_word, piece.nSqlWordLen, &walk, &word) == 0)
            length = word.end;
        Check(length == consumed || (length + 1 == consumed && input[cut - 1] == ';'),
              "a statement is all the bytes taken, or all but the \";\" it was cut at");
        Check((first == 0) == (length == 0), "a split_first gives 0 exactly when no byte precedes the \";\"");
        std::vector<Word> words;
        if (first > 0) words = TiledWords(piece, first, input + at, length, at);
        std::free(piece.sql_word);
        if (aligned && inside[next]) aligned = false;
        if (aligned) {
            // The whole split's words over the statement: from `next` to
            // the first word past its bytes, which ends at a word boundary;
            // a cut is after a ";" word of the whole split.
            std::size_t end_word = next;
            while (end_word < whole.size() && whole[end_word].end <= at + length) ++end_word;
            Check(end_word < whole.size() ? whole[end_word].start == at + length : at + length == size,
                  "a statement ends where a word of the whole split ends");
            if (length < consumed)
                Check(end_word < whole.size() && IsSeparator(whole[end_word], input),
                      "a cut is after a \";\" word of the whole split");
            if (!inside[end_word]) {
                Check(words.size() == end_word - next,
                      "a statement has as many words as the whole split over its range");
                for (std::size_t i = 0; i < words.size(); ++i) {
                    const Word& a = words[i];
                    const Word& b = whole[next + i];
                    Check(a.start == b.start && a.end == b.end && a.type == b.type && a.mask == b.mask,
                          "a statement's words are the whole split's over its range");
                }
            }
            next = length < consumed ? end_word + 1 : end_word;
        }
        at = cut;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 0x7FFFFFFF) return 0;
    static spltwd_context* context = [] {
        spltwd_context* made = spltwd_context_create();
        Check(made != nullptr && spltwd_context_set_profile(made, SPLTWD_PROFILE_ACCURATE) == 0,
              "a context with the accurate profile");
        return made;
    }();
    // A heap copy of exactly the input, not zero-terminated, so that
    // AddressSanitizer catches a read past its end.
    char* input = static_cast<char*>(std::malloc(size));
    std::memcpy(input, data, size);
    for (std::uint16_t dialect : kAllDialects) CheckDialect(context, dialect, input, static_cast<std::uint32_t>(size));
    Check(std::memcmp(input, data, size) == 0, "the statement is never written");
    std::free(input);
    return 0;
}
