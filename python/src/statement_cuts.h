// Cuts a script into its statements where the dialect reads a ";" as a
// separator, as sqlsplit cuts its inputs without a client (--script none).
#ifndef SPLTWD_PYTHON_STATEMENT_CUTS_H
#define SPLTWD_PYTHON_STATEMENT_CUTS_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "contexts.h"

namespace spltwd_python {

class StatementCuts {
public:
    // The library splits texts of at most 2^31-1 bytes.
    static constexpr std::uint32_t kLongestText = 0x7FFFFFFF;
    static constexpr std::uint32_t kFirstWindow = 4096;

    // `script` must outlive the cuts.
    StatementCuts(std::string_view script, std::uint16_t dialect, std::int32_t profile);

    // The next statement: its offset and length in the script.  Blanks
    // (space, tab, carriage return, line feed) before a statement and its
    // separator are no part of it; empty statements are skipped, and under
    // the accurate profile so are statements of nothing but whitespace and
    // comments, which are no statement to the server.  Returns false at
    // the end of the script.  Throws std::bad_alloc when memory ran out,
    // std::length_error when a statement is too long to split (the rest of
    // the script is then given up).
    bool next(std::size_t &start, std::size_t &length);

private:
    struct Cut {
        std::int32_t result = 0;
        std::uint32_t consumed = 0;  // bytes taken, the separator included
        bool separator = false;
        bool has_sql = false;         // a word neither whitespace nor comment
    };

    Cut split_first(std::string_view text);
    Cut cut(std::string_view rest);

    Context context_;
    std::string_view script_;
    std::uint16_t dialect_;
    bool skip_without_sql_;
    std::size_t position_ = 0;
    std::uint32_t window_ = kFirstWindow;
};

} // namespace spltwd_python

#endif
