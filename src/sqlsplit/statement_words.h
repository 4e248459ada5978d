// The words of one statement, split whole on a context (a ";" in it is a
// word, not a cut).  Their records are kept while they fit; past that, the
// statement is split once more when its words are asked for.
#ifndef SQLSPLIT_STATEMENT_WORDS_H
#define SQLSPLIT_STATEMENT_WORDS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "statement_cutter.h"

namespace sqlsplit {

class StatementWords {
public:
    // `context` must outlive the object, which sets its word receiver while
    // it lives.
    StatementWords(spltwd_context *context, std::uint16_t dialect,
                   std::size_t kept_records = StatementCutter::kKeptRecords);
    ~StatementWords();
    StatementWords(const StatementWords &) = delete;
    StatementWords &operator=(const StatementWords &) = delete;

    // Splits the text, which must stay in place while its words are asked
    // for.  Returns the library's result.
    std::int32_t split(std::string_view text);
    // Takes the text without splitting it: it has no words, but for the
    // debug lines of a split.
    void set_text(std::string_view text);
    std::int32_t result() const { return result_; }
    std::uint64_t word_count() const { return word_count_; }

    // The words of the text, in order, and the debug lines of its split
    // when `debug_lines` is set.  Memory stays bounded whatever its size.
    void each_word(const StatementCutter::EachWord &each, const StatementCutter::DebugLines &debug_lines = nullptr);

private:
    std::int32_t split_again();
    static void receive_words(void *words, const char *records, std::uint32_t length);
    static void receive_debug_line(void *words, const char *line, std::size_t length);

    spltwd_context *context_;
    std::uint16_t dialect_;

    std::string_view text_;
    std::int32_t result_ = 0;
    KeptRecords records_;
    std::uint64_t word_count_ = 0;
    const StatementCutter::EachWord *each_ = nullptr;   // during a replay
    const StatementCutter::DebugLines *debug_lines_ = nullptr;
    std::uint64_t offset_ = 0;   // of the next word in the statement
};

} // namespace sqlsplit

#endif // SQLSPLIT_STATEMENT_WORDS_H
