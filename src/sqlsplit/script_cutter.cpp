#include "script_cutter.h"

#include <cstring>
#include <new>

namespace sqlsplit {

ScriptCutter::ScriptCutter(spltwd_context *context, std::uint16_t dialect, std::int32_t client, bool words,
                           std::size_t kept_records)
    : context_(context), dialect_(dialect), script_(spltwd_script_create(dialect, client)), words_(words),
      kept_records_(kept_records)
{
    if (script_ == nullptr) {
        throw std::bad_alloc();
    }
    spltwd_context_set_word_receiver(context_, receive_words, this);
}

ScriptCutter::~ScriptCutter()
{
    spltwd_context_set_word_receiver(context_, nullptr, nullptr);
    spltwd_script_destroy(script_);
}

void ScriptCutter::set_input(std::string_view bytes, bool more)
{
    spltwd_script_set_text(script_, bytes.data(), bytes.size(), more ? 1 : 0);
}

ScriptCutter::Step ScriptCutter::next(CutPiece &piece)
{
    for (;;) {
        spltwd_piece made;
        const std::int32_t result = spltwd_script_next(script_, &made);
        if (result == 0) {
            return Step::end;
        }
        if (result == -3) {
            return Step::too_long;
        }
        if (result < 0) {
            throw std::bad_alloc();
        }
        const std::string_view text =
            made.text == nullptr ? std::string_view() : std::string_view(made.text, static_cast<std::size_t>(made.end - made.start));
        piece.statement = CutStatement{};
        piece.statement.start = made.start;
        piece.end = made.end;
        switch (made.kind) {
            case SPLTWD_PIECE_STATEMENT:
                piece.kind = CutPiece::Kind::statement;
                piece.statement.text = text;
                statement_ = text;
                result_ = words_ ? split(text) : 0;
                if (result_ < 0) {
                    throw std::bad_alloc();
                }
                piece.statement.result = result_;
                piece.statement.word_count = word_count_;
                return Step::piece;
            case SPLTWD_PIECE_COMMAND:
                piece.kind = CutPiece::Kind::command;
                piece.statement.text = text;
                return Step::piece;
            case SPLTWD_PIECE_DATA:
                piece.kind = CutPiece::Kind::data;
                return Step::piece;
            default: break; // whitespace and comments alone: no statement
        }
    }
}

// Splits a statement whole: a ";" in it is a word, not a cut.
std::int32_t ScriptCutter::split(std::string_view text)
{
    records_.clear();
    records_dropped_ = false;
    word_count_ = 0;
    offset_ = 0;
    SQL_SPLT_WD request{};
    request.dialect = dialect_;
    request.sql_len = static_cast<std::uint32_t>(text.size());
    // The library only reads the text.
    request.sql_text = const_cast<char *>(text.data());
    return spltwd_split(context_, &request);
}

void ScriptCutter::each_word(const StatementCutter::EachWord &each, const StatementCutter::DebugLines &debug_lines)
{
    if (words_ && result_ > 0 && !records_dropped_ && !debug_lines) {
        std::uint64_t offset = 0;
        for_each_record(records_.data(), static_cast<std::uint32_t>(records_.size()), offset, each);
        return;
    }
    if ((!words_ || result_ <= 0) && !debug_lines) {
        return;
    }
    each_ = &each;
    debug_lines_ = debug_lines ? &debug_lines : nullptr;
    if (debug_lines) {
        spltwd_context_set_debug_lines(context_, receive_debug_line, this);
    }
    split(statement_);
    spltwd_context_set_debug_lines(context_, nullptr, nullptr);
    each_ = nullptr;
    debug_lines_ = nullptr;
}

void ScriptCutter::receive_words(void *cutter, const char *records, std::uint32_t length)
{
    ScriptCutter &self = *static_cast<ScriptCutter *>(cutter);
    if (self.each_ != nullptr) {
        for_each_record(records, length, self.offset_, *self.each_);
        return;
    }
    std::uint64_t offset = 0;
    for_each_record(records, length, offset, [&self](const CutWord &) { ++self.word_count_; });
    if (self.records_dropped_) {
        return;
    }
    if (self.records_.size() + length <= self.kept_records_) {
        self.records_.append(records, length);
    } else {
        self.records_dropped_ = true;
        std::string().swap(self.records_);
    }
}

void ScriptCutter::receive_debug_line(void *cutter, const char *line, std::size_t length)
{
    const ScriptCutter &self = *static_cast<ScriptCutter *>(cutter);
    if (self.debug_lines_ != nullptr) {
        (*self.debug_lines_)(std::string_view(line, length));
    }
}

} // namespace sqlsplit
