#include "statement_cuts.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

namespace spltwd_python {

namespace {

constexpr std::int32_t kBadDollarTag = -5;

bool is_blank(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

} // namespace

StatementCuts::StatementCuts(std::string_view script, std::uint16_t dialect, std::int32_t profile)
    : script_(script), dialect_(dialect), skip_without_sql_(profile == SPLTWD_PROFILE_ACCURATE)
{
    spltwd_context_set_profile(context_.get(), profile);
}

StatementCuts::Cut StatementCuts::split_first(std::string_view text)
{
    SQL_SPLT_WD request{};
    request.dialect = dialect_;
    request.sql_len = static_cast<std::uint32_t>(text.size());
    // The library only reads the text.
    request.sql_text = const_cast<char *>(text.data());
    Cut cut;
    cut.result = spltwd_split_first(context_.get(), &request, &cut.consumed);
    spltwd_word_walk walk{0, 0};
    spltwd_word word;
    while (!cut.has_sql && spltwd_next_word(request.sql_word, request.nSqlWordLen, &walk, &word) == 0) {
        cut.has_sql = word.type != SPLT_WD_TYPE_SPACE && word.type != SPLT_WD_TYPE_COMMENT;
    }
    std::free(request.sql_word);
    // A classic split of a statement whose dollar-quote tags differ fails,
    // but its cut is known; any other failure leaves no cut.
    if (cut.result < 0 && cut.result != kBadDollarTag) {
        if (cut.result == -1) throw std::bad_alloc();
        throw std::runtime_error("the split failed with result " + std::to_string(cut.result));
    }
    return cut;
}

// A statement is looked for in a window of the script that starts small and
// doubles until it holds the statement, so that each cut reads about as
// much as its statement rather than the whole rest of the script.
StatementCuts::Cut StatementCuts::cut(std::string_view rest)
{
    std::size_t window = std::min<std::size_t>({rest.size(), window_, kLongestText});
    for (;;) {
        Cut cut = split_first(rest.substr(0, window));
        if (cut.consumed < window) {
            cut.separator = true;
            return cut;
        }
        // All of the window was taken: its last byte may be a separator, or
        // the statement may go on behind it.  Only a larger window tells.
        if (window < rest.size()) {
            if (window >= kLongestText) {
                throw std::length_error("a statement longer than " + std::to_string(kLongestText - 2) +
                                        " bytes is too long to split");
            }
            window = std::min<std::size_t>({2 * window, rest.size(), kLongestText});
            continue;
        }
        if (rest.back() != ';') return cut;
        // Whether the ";" that ends the script is a separator or belongs to
        // the statement (an unclosed string or comment): with a byte behind
        // it, a separator leaves that byte unconsumed.
        if (rest.size() >= kLongestText) {
            throw std::length_error("a statement longer than " + std::to_string(kLongestText - 2) +
                                    " bytes is too long to split");
        }
        std::string probe(rest);
        probe += ' ';
        cut.separator = split_first(probe).consumed == rest.size();
        return cut;
    }
}

bool StatementCuts::next(std::size_t &start, std::size_t &length)
{
    for (;;) {
        while (position_ < script_.size() && is_blank(script_[position_])) ++position_;
        if (position_ == script_.size()) return false;
        const std::string_view rest = script_.substr(position_);
        Cut cut;
        try {
            cut = this->cut(rest);
        } catch (...) {
            position_ = script_.size();
            throw;
        }
        start = position_;
        position_ += cut.consumed;
        // The next statement is likely of a similar size.
        window_ = static_cast<std::uint32_t>(
            std::clamp<std::uint64_t>(2 * std::uint64_t{cut.consumed}, kFirstWindow, kLongestText));
        length = cut.consumed - (cut.separator ? 1 : 0);
        if (length > 0 && !(skip_without_sql_ && cut.result > 0 && !cut.has_sql)) return true;
    }
}

} // namespace spltwd_python
