#include "json_fields.h"

#include <algorithm>

#include "text_escape.h"

namespace sqlsplit {

void append_text_fields(OutputText &out, std::string_view name, std::string_view text)
{
    std::string &buffer = out.buffer();
    buffer += '"';
    buffer += name;
    buffer += "\":\"";
    out.append_in_pieces(text, append_json_characters, OutputText::Cut::between_characters);
    buffer += '"';
    if (!is_utf8(text)) {
        buffer += ",\"";
        buffer += name;
        buffer += "_base64\":\"";
        out.append_in_pieces(text, append_base64, OutputText::Cut::anywhere);
        buffer += '"';
    }
}

void append_text_array_fields(OutputText &out, std::string_view name, const std::vector<std::string_view> &texts)
{
    const auto append_array = [&out, &texts](std::string_view field, OutputText::Append append, OutputText::Cut cut) {
        std::string &buffer = out.buffer();
        buffer += '"';
        buffer += field;
        buffer += "\":[";
        const char *comma = "";
        for (const std::string_view text : texts) {
            out.buffer() += comma;
            out.buffer() += '"';
            out.append_in_pieces(text, append, cut);
            out.buffer() += '"';
            comma = ",";
        }
        out.buffer() += ']';
    };
    append_array(name, append_json_characters, OutputText::Cut::between_characters);
    if (!std::all_of(texts.begin(), texts.end(), is_utf8)) {
        out.buffer() += ',';
        append_array(std::string(name) + "_base64", append_base64, OutputText::Cut::anywhere);
    }
}

} // namespace sqlsplit
