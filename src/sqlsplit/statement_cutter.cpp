#include "statement_cutter.h"

#include <algorithm>
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
                                 std::uint32_t first_window, std::uint32_t longest_text, std::size_t kept_records)
    : context_(context), dialect_(dialect), input_(input), first_window_(std::clamp<std::uint32_t>(first_window, 1, longest_text)),
      longest_text_(longest_text), window_(first_window_), records_(kept_records)
{
    spltwd_context_set_word_receiver(context_, receive_words, this);
}

StatementCutter::~StatementCutter()
{
    spltwd_context_set_word_receiver(context_, nullptr, nullptr);
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
        if (step == Step::end) {
            return step; // the statement goes on in the input still to come
        }
        if (step != Step::statement) {
            return give_up(step, cut.result);
        }
        position_ += cut.consumed;
        // The next statement is likely of a similar size.
        window_ = static_cast<std::uint32_t>(
            std::clamp<std::uint64_t>(2 * std::uint64_t{cut.consumed}, first_window_, longest_text_));
        const std::size_t length = cut.consumed - (cut.separator ? 1 : 0);
        if (length > 0 && !(skip_without_sql_ && cut.result > 0 && sql_word_count_ == 0)) {
            statement.text = rest.substr(0, length);
            statement.start = static_cast<std::uint64_t>(rest.data() - input_.data());
            statement.result = cut.result;
            statement.word_count = cut.result > 0 ? word_count_ : 0;
            last_result_ = cut.result;
            return Step::statement;
        }
    }
}

void StatementCutter::each_word(const EachWord &each, const DebugLines &debug_lines)
{
    if (last_result_ > 0 && !records_.dropped() && !debug_lines) {
        records_.each_word(each);
        return;
    }
    if (last_result_ <= 0 && !debug_lines) {
        return;
    }
    // The words of a failed split are no words of the statement.
    receiving_ = {last_result_ > 0 ? &each : nullptr, true, debug_lines ? &debug_lines : nullptr};
    if (debug_lines) {
        spltwd_context_set_debug_lines(context_, receive_debug_line, this);
    }
    std::uint32_t consumed = 0;
    split_first(split_text_, consumed);
    spltwd_context_set_debug_lines(context_, nullptr, nullptr);
    receiving_ = {};
}

std::int32_t StatementCutter::split_first(std::string_view text, std::uint32_t &consumed)
{
    records_.clear();
    word_count_ = 0;
    sql_word_count_ = 0;
    split_text_ = text;
    SQL_SPLT_WD request{};
    request.dialect = dialect_;
    request.sql_len = static_cast<std::uint32_t>(text.size());
    // The library only reads the text.
    request.sql_text = const_cast<char *>(text.data());
    consumed = 0;
    // With a word receiver set, the words go there and sql_word stays null.
    return spltwd_split_first(context_, &request, &consumed);
}

void StatementCutter::receive_words(void *cutter, const char *records, std::uint32_t length)
{
    StatementCutter &self = *static_cast<StatementCutter *>(cutter);
    Receiving &receiving = self.receiving_;
    if (receiving.replay) {
        if (receiving.each != nullptr) {
            for_each_record(records, length, receiving.offset, *receiving.each);
        }
        return;
    }
    std::uint64_t offset = 0;
    for_each_record(records, length, offset, [&self](const CutWord &word) {
        ++self.word_count_;
        if (word.type != SPLT_WD_TYPE_SPACE && word.type != SPLT_WD_TYPE_COMMENT) {
            ++self.sql_word_count_;
        }
    });
    self.records_.add(records, length);
}

void StatementCutter::receive_debug_line(void *cutter, const char *line, std::size_t length)
{
    const StatementCutter &self = *static_cast<StatementCutter *>(cutter);
    (*self.receiving_.debug_lines)(std::string_view(line, length));
}

StatementCutter::Step StatementCutter::cut_rest(std::string_view rest, Cut &cut)
{
    std::uint64_t window = std::min<std::uint64_t>({rest.size(), window_, longest_text_});
    for (;;) {
        cut.result = split_first(rest.substr(0, window), cut.consumed);
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
        if (more_input_) {
            return Step::end;
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
// separator leaves that byte unconsumed.  The words of the statement stay
// those of the split of `rest`.
StatementCutter::Step StatementCutter::probe_final_separator(std::string_view rest, Cut &cut)
{
    if (rest.size() >= longest_text_) {
        return Step::too_long;
    }
    std::string probe_text;
    probe_text.reserve(rest.size() + 1);
    probe_text.append(rest).push_back(' ');
    SQL_SPLT_WD probe{};
    probe.dialect = dialect_;
    probe.sql_len = static_cast<std::uint32_t>(probe_text.size());
    probe.sql_text = probe_text.data();
    std::uint32_t consumed = 0;
    receiving_ = {nullptr, true, nullptr};
    const std::int32_t result = spltwd_split_first(context_, &probe, &consumed);
    receiving_ = {};
    if (!cut_is_known(result)) {
        cut.result = result;
        return Step::failed;
    }
    cut.separator = consumed == rest.size();
    return Step::statement;
}

StatementCutter::Step StatementCutter::give_up(Step why, std::int32_t result)
{
    position_ = input_.size();
    failed_result_ = result;
    return why;
}

} // namespace sqlsplit
