#include "json_fields.h"
#include "spltwd.hpp"
#include "statement_format.h"

namespace sqlsplit {

namespace {

class JsonlFormat final : public StatementFormat {
public:
    explicit JsonlFormat(bool ranges) : ranges_(ranges) {}

    void begin(OutputText &out, std::int64_t number, const CutStatement &statement, std::string_view file) override
    {
        out.buffer() += "{\"statement\":";
        out.buffer() += std::to_string(number);
        out.buffer() += ',';
        if (ranges_) {
            append_text_fields(out, "file", file);
            append_range(out.buffer(), statement.start, statement.start + statement.text.size());
        }
        append_text_fields(out, "text", statement.text);
        out.buffer() += ",\"result\":";
        out.buffer() += std::to_string(statement.result);
        out.buffer() += ",\"words\":[";
        comma_ = "";
    }

    void word(OutputText &out, const CutWord &word) override
    {
        std::string &buffer = out.buffer();
        buffer += comma_;
        comma_ = ",";
        buffer += '{';
        append_text_fields(out, "text", word.text);
        buffer += ",\"type\":";
        buffer += std::to_string(word.type);
        buffer += ",\"type_name\":\"";
        buffer += spltwd::type_name(word.type);
        buffer += "\",\"mask\":\"";
        append_mask(buffer, word.mask);
        buffer += '"';
        if (ranges_) {
            append_range(buffer, word.start, word.end);
            buffer.pop_back();
        }
        buffer += '}';
    }

    void end(OutputText &out) override { out.buffer() += "]}\n"; }

    // {"command":N,"file":"..","start":S,"end":E,"text":".."}
    void command(OutputText &out, std::int64_t number, const CutPiece &piece, std::string_view file) override
    {
        out.buffer() += "{\"command\":";
        out.buffer() += std::to_string(number);
        out.buffer() += ',';
        append_text_fields(out, "file", file);
        append_range(out.buffer(), piece.statement.start, piece.end);
        append_text_fields(out, "text", piece.statement.text);
        out.buffer() += "}\n";
    }

    // {"data":N,"file":"..","start":S,"end":E,"bytes":B}
    void data(OutputText &out, std::int64_t number, const CutPiece &piece, std::string_view file) override
    {
        std::string &buffer = out.buffer();
        buffer += "{\"data\":";
        buffer += std::to_string(number);
        buffer += ',';
        append_text_fields(out, "file", file);
        append_range(out.buffer(), piece.statement.start, piece.end);
        out.buffer() += "\"bytes\":";
        out.buffer() += std::to_string(piece.end - piece.statement.start);
        out.buffer() += "}\n";
    }

private:
    // ,"start":S,"end":E, with a comma after it.
    static void append_range(std::string &buffer, std::uint64_t start, std::uint64_t end)
    {
        buffer += ",\"start\":";
        buffer += std::to_string(start);
        buffer += ",\"end\":";
        buffer += std::to_string(end);
        buffer += ',';
    }

    bool ranges_;
    const char *comma_ = "";
};

} // namespace

std::unique_ptr<StatementFormat> make_jsonl_format(bool ranges)
{
    return std::make_unique<JsonlFormat>(ranges);
}

} // namespace sqlsplit
