#include "spltwd.hpp"
#include "statement_format.h"
#include "text_escape.h"

namespace sqlsplit {

namespace {

class JsonlFormat final : public StatementFormat {
public:
    void append(std::string &out, std::int64_t number, const CutStatement &statement) override
    {
        out += "{\"statement\":";
        out += std::to_string(number);
        out += ",\"text\":";
        append_json_string(out, statement.text);
        out += ",\"result\":";
        out += std::to_string(statement.result);
        out += ",\"words\":[";
        const char *comma = "";
        for (const CutWord &word : statement.words) {
            out += comma;
            comma = ",";
            out += "{\"text\":";
            append_json_string(out, word.text);
            out += ",\"type\":";
            out += std::to_string(word.type);
            out += ",\"type_name\":\"";
            out += spltwd::type_name(word.type);
            out += "\",\"mask\":\"";
            append_mask(out, word.mask);
            out += "\"}";
        }
        out += "]}\n";
    }
};

} // namespace

std::unique_ptr<StatementFormat> make_jsonl_format()
{
    return std::make_unique<JsonlFormat>();
}

} // namespace sqlsplit
