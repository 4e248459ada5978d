#include "statement_words.h"

namespace sqlsplit {

StatementWords::StatementWords(spltwd_context *context, std::uint16_t dialect, std::size_t kept_records)
    : context_(context), dialect_(dialect), records_(kept_records)
{
    spltwd_context_set_word_receiver(context_, receive_words, this);
}

StatementWords::~StatementWords()
{
    spltwd_context_set_word_receiver(context_, nullptr, nullptr);
}

void StatementWords::set_text(std::string_view text)
{
    text_ = text;
    result_ = 0;
    records_.clear();
    word_count_ = 0;
}

std::int32_t StatementWords::split(std::string_view text)
{
    set_text(text);
    result_ = split_again();
    return result_;
}

std::int32_t StatementWords::split_again()
{
    offset_ = 0;
    SQL_SPLT_WD request{};
    request.dialect = dialect_;
    request.sql_len = static_cast<std::uint32_t>(text_.size());
    // The library only reads the text.
    request.sql_text = const_cast<char *>(text_.data());
    return spltwd_split(context_, &request);
}

void StatementWords::each_word(const StatementCutter::EachWord &each, const StatementCutter::DebugLines &debug_lines)
{
    if (result_ > 0 && !records_.dropped() && !debug_lines) {
        records_.each_word(each);
        return;
    }
    if (result_ <= 0 && !debug_lines) {
        return;
    }
    each_ = &each;
    debug_lines_ = debug_lines ? &debug_lines : nullptr;
    if (debug_lines) {
        spltwd_context_set_debug_lines(context_, receive_debug_line, this);
    }
    split_again();
    spltwd_context_set_debug_lines(context_, nullptr, nullptr);
    each_ = nullptr;
    debug_lines_ = nullptr;
}

void StatementWords::receive_words(void *words, const char *records, std::uint32_t length)
{
    StatementWords &self = *static_cast<StatementWords *>(words);
    if (self.each_ != nullptr) {
        for_each_record(records, length, self.offset_, *self.each_);
        return;
    }
    std::uint64_t offset = 0;
    for_each_record(records, length, offset, [&self](const CutWord &) { ++self.word_count_; });
    self.records_.add(records, length);
}

void StatementWords::receive_debug_line(void *words, const char *line, std::size_t length)
{
    const StatementWords &self = *static_cast<StatementWords *>(words);
    if (self.debug_lines_ != nullptr) {
        (*self.debug_lines_)(std::string_view(line, length));
    }
}

} // namespace sqlsplit
