#include "statement_cutter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

namespace sqlsplit {

namespace {

constexpr std::int32_t kBadDollarTag = -5;

bool is_blank(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

// Any failure but a dollar-quote tag mismatch stops the scan before a cut
// is known.
bool cut_is_known(std::int32_t result)
{
    return result >= 0 || result == kBadDollarTag;
}

} // namespace

StatementCutter::StatementCutter(spltwd_context *context, std::uint16_t dialect, std::string_view input,
                                 std::uint32_t first_window, std::uint32_t longest_text)
    : context_(context), dialect_(dialect), input_(input), first_window_(std::clamp<std::uint32_t>(first_window, 1, longest_text)),
      longest_text_(longest_text), window_(first_window_)
{
}

StatementCutter::~StatementCutter()
{
    std::free(request_.sql_word);
}

StatementCutter::Step StatementCutter::next(CutStatement &statement)
{
    for (;;) {
        while (position_ < input_.size() && is_blank(input_[position_])) {
            ++position_;
        }
        if (position_ == input_.size()) {
            return Step::end;
        }
        const std::string_view rest = input_.substr(position_);
        Cut cut{};
        const Step step = cut_rest(rest, cut);
        if (step != Step::statement) {
            return give_up(step, cut.result);
        }
        position_ += cut.consumed;
        // The next statement is likely of a similar size.
        window_ = static_cast<std::uint32_t>(
            std::clamp<std::uint64_t>(2 * std::uint64_t{cut.consumed}, first_window_, longest_text_));
        const std::size_t length = cut.consumed - (cut.separator ? 1 : 0);
        if (length > 0) {
            statement.text = rest.substr(0, length);
            statement.result = cut.result;
            collect_words(statement);
            return Step::statement;
        }
    }
}

std::int32_t StatementCutter::split_first(SQL_SPLT_WD &request, std::string_view text, std::uint32_t &consumed)
{
    request.dialect = dialect_;
    request.sql_len = static_cast<std::uint32_t>(text.size());
    // The library only reads the text.
    request.sql_text = const_cast<char *>(text.data());
    consumed = 0;
    return spltwd_split_first(context_, &request, &consumed);
}

StatementCutter::Step StatementCutter::cut_rest(std::string_view rest, Cut &cut)
{
    std::uint64_t window = std::min<std::uint64_t>({rest.size(), window_, longest_text_});
    for (;;) {
        cut.result = split_first(request_, rest.substr(0, window), cut.consumed);
        if (!cut_is_known(cut.result)) {
            return Step::failed;
        }
        if (cut.consumed < window) {
            cut.separator = true;
            return Step::statement;
        }
        // All of the window was taken: its last byte may be a separator, or
        // the statement may go on behind it.  Only a larger window tells.
        if (window < rest.size()) {
            if (window >= longest_text_) {
                return Step::too_long;
            }
            window = std::min<std::uint64_t>({2 * window, rest.size(), longest_text_});
            continue;
        }
        if (rest.back() != ';') {
            cut.separator = false;
            return Step::statement;
        }
        return probe_final_separator(rest, cut);
    }
}

// Whether the ";" that ends the input is a separator or belongs to the
// statement (an unclosed string or comment): with a byte behind it, a
// separator leaves that byte unconsumed.
StatementCutter::Step StatementCutter::probe_final_separator(std::string_view rest, Cut &cut)
{
    if (rest.size() >= longest_text_) {
        return Step::too_long;
    }
    std::string probe_text;
    probe_text.reserve(rest.size() + 1);
    probe_text.append(rest).push_back(' ');
    SQL_SPLT_WD probe{};
    std::uint32_t consumed = 0;
    const std::int32_t result = split_first(probe, probe_text, consumed);
    std::free(probe.sql_word);
    if (!cut_is_known(result)) {
        cut.result = result;
        return Step::failed;
    }
    cut.separator = consumed == rest.size();
    return Step::statement;
}

void StatementCutter::collect_words(CutStatement &statement)
{
    statement.words.clear();
    if (statement.result <= 0) {
        return;
    }
    Fetch_Word_Step step{0, 0};
    Word_Info info{};
    while (fetch_word(&request_, &step, &info) == 0) {
        // The record's fields are unaligned: copy them out.
        std::uint32_t length = 0;
        CutWord word;
        std::memcpy(&length, info.word_len, sizeof length);
        std::memcpy(&word.type, info.word_type, sizeof word.type);
        std::memcpy(&word.mask, info.word_mask_type, sizeof word.mask);
        word.text = std::string_view(info.word_name, length);
        statement.words.push_back(word);
    }
}

StatementCutter::Step StatementCutter::give_up(Step why, std::int32_t result)
{
    position_ = input_.size();
    failed_result_ = result;
    return why;
}

} // namespace sqlsplit
