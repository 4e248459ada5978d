#include <cinttypes>
#include <cstdio>

#include "spltwd.hpp"
#include "split_failure.h"
#include "statement_format.h"
#include "text_escape.h"

namespace sqlsplit {

namespace {

// Wide enough for a million statements, a million words and every type
// name; the text comes last, so that long texts break no column.
constexpr char kTitle[] = "  stmt    word  type               mask    text\n";
constexpr char kWordColumns[] = "%6" PRId64 "  %6" PRId64 "  %-13.*s %3u  ";

class TableFormat final : public StatementFormat {
public:
    void begin(OutputText &out, std::int64_t number, const CutStatement &statement, std::string_view) override
    {
        std::string &buffer = title(out);
        buffer += "== statement ";
        buffer += std::to_string(number);
        buffer += " (";
        if (statement.result < 0) {
            buffer += "split failed with result ";
            buffer += std::to_string(statement.result);
            buffer += ": ";
            buffer += describe_split_failure(statement.result);
        } else if (statement.word_count == 0) {
            buffer += "no words";
        } else {
            buffer += std::to_string(statement.word_count);
            buffer += statement.word_count == 1 ? " word" : " words";
        }
        buffer += "): ";
        out.append_in_pieces(statement.text, append_visible, OutputText::Cut::between_characters);
        buffer += '\n';
        number_ = number;
        word_index_ = 0;
    }

    void word(OutputText &out, const CutWord &word) override
    {
        std::string &buffer = out.buffer();
        const std::string_view type_name = spltwd::type_name(word.type);
        char columns[96];
        const int length = std::snprintf(columns, sizeof columns, kWordColumns, number_, ++word_index_,
                                         static_cast<int>(type_name.size()), type_name.data(), unsigned{word.type});
        buffer.append(columns, static_cast<std::size_t>(length));
        append_mask(buffer, word.mask);
        buffer += "  ";
        out.append_in_pieces(word.text, append_visible, OutputText::Cut::between_characters);
        buffer += '\n';
    }

    void end(OutputText &) override {}

    // == command 1: DELIMITER ;;
    void command(OutputText &out, std::int64_t number, const CutPiece &piece, std::string_view) override
    {
        std::string &buffer = title(out);
        buffer += "== command ";
        buffer += std::to_string(number);
        buffer += ": ";
        out.append_in_pieces(piece.statement.text, append_visible, OutputText::Cut::between_characters);
        buffer += '\n';
    }

    // == data 1: bytes 120-4096 (3976 bytes)
    void data(OutputText &out, std::int64_t number, const CutPiece &piece, std::string_view) override
    {
        std::string &buffer = title(out);
        const std::uint64_t bytes = piece.end - piece.statement.start;
        buffer += "== data ";
        buffer += std::to_string(number);
        buffer += ": bytes ";
        buffer += std::to_string(piece.statement.start);
        buffer += '-';
        buffer += std::to_string(piece.end);
        buffer += " (";
        buffer += std::to_string(bytes);
        buffer += bytes == 1 ? " byte)\n" : " bytes)\n";
    }

    void resume(bool output_before) override { titled_ = output_before; }

private:
    std::string &title(OutputText &out)
    {
        if (!titled_) {
            out.buffer() += kTitle;
            titled_ = true;
        }
        return out.buffer();
    }

    bool titled_ = false;
    std::int64_t number_ = 0;
    std::int64_t word_index_ = 0;
};

} // namespace

std::unique_ptr<StatementFormat> make_table_format()
{
    return std::make_unique<TableFormat>();
}

} // namespace sqlsplit
