#include "script_cutter.h"

#include <cstring>
#include <new>

namespace sqlsplit {

ScriptCutter::ScriptCutter(spltwd_context *context, std::uint16_t dialect, std::int32_t client, bool words,
                           std::size_t kept_records)
    : script_(spltwd_script_create(dialect, client)), words_(words), statement_words_(context, dialect, kept_records)
{
    if (script_ == nullptr) {
        throw std::bad_alloc();
    }
}

ScriptCutter::~ScriptCutter()
{
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
                statement_words_.set_text(text);
                if (words_) {
                    split_statement(piece.statement);
                }
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

void ScriptCutter::split_statement(CutStatement &statement)
{
    // The accurate profile fails only for want of memory.
    if (statement_words_.split(statement.text) < 0) {
        throw std::bad_alloc();
    }
    statement.result = statement_words_.result();
    statement.word_count = statement_words_.word_count();
}

void ScriptCutter::each_word(const StatementCutter::EachWord &each, const StatementCutter::DebugLines &debug_lines)
{
    statement_words_.each_word(each, debug_lines);
}

} // namespace sqlsplit
