// Cuts one input into its pieces as a database's client reads it
// (spltwd_script.h): statements, client commands and data blocks; and
// splits each statement into its words.
#ifndef SQLSPLIT_SCRIPT_CUTTER_H
#define SQLSPLIT_SCRIPT_CUTTER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "spltwd_script.h"
#include "statement_cutter.h"
#include "statement_words.h"

namespace sqlsplit {

struct CutPiece {
    enum class Kind { statement, command, data };
    Kind kind = Kind::statement;
    // A statement's text, start, split result and word count; a command's
    // text and start; a data block's start (its text may be gone).
    CutStatement statement;
    std::uint64_t end = 0;
};

class ScriptCutter {
public:
    static constexpr std::uint32_t kLongestStatement = StatementCutter::kLongestText - 2;

    enum class Step {
        piece,    // the next piece; comments alone are skipped
        end,      // the text holds no further piece (see set_input)
        too_long, // the next statement is longer than kLongestStatement bytes
    };

    // `context` splits the statements into their words (with
    // `kept_records` as for StatementCutter) and must outlive the cutter,
    // which sets its word receiver while it lives.  Without `words`,
    // statements are not split (their result and word count are 0) but
    // for their debug lines.  Throws std::bad_alloc when out of memory.
    ScriptCutter(spltwd_context *context, std::uint16_t dialect, std::int32_t client, bool words,
                 std::size_t kept_records = StatementCutter::kKeptRecords);
    ~ScriptCutter();
    ScriptCutter(const ScriptCutter &) = delete;
    ScriptCutter &operator=(const ScriptCutter &) = delete;

    // The input from position() on, which must stay in place while its
    // pieces are taken; `more` when further bytes follow it.
    void set_input(std::string_view bytes, bool more);
    // Throws std::bad_alloc when out of memory.
    Step next(CutPiece &piece);
    // Splits the statement that next() gave last, when the cutter was made
    // without `words`, and sets its result and word count.  Throws
    // std::bad_alloc when out of memory.
    void split_statement(CutStatement &statement);

    // The words of the statement that next() gave last, in order, and the
    // debug lines of its split.  Memory stays bounded whatever its size.
    void each_word(const StatementCutter::EachWord &each, const StatementCutter::DebugLines &debug_lines = nullptr);

    // Where the input goes on: the bytes before it are done with.
    std::uint64_t position() const { return spltwd_script_position(script_); }

private:
    spltwd_script *script_;
    bool words_;
    StatementWords statement_words_; // of the last statement given
};

} // namespace sqlsplit

#endif // SQLSPLIT_SCRIPT_CUTTER_H
