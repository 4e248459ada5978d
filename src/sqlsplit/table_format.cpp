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
    void append(std::string &out, std::int64_t number, const CutStatement &statement) override
    {
        if (!titled_) {
            out += kTitle;
            titled_ = true;
        }
        append_header(out, number, statement);
        std::int64_t word_index = 0;
        for (const CutWord &word : statement.words) {
            const std::string_view type_name = spltwd::type_name(word.type);
            char columns[96];
            const int length = std::snprintf(columns, sizeof columns, kWordColumns, number, ++word_index,
                                             static_cast<int>(type_name.size()), type_name.data(), unsigned{word.type});
            out.append(columns, static_cast<std::size_t>(length));
            append_mask(out, word.mask);
            out += "  ";
            append_visible(out, word.text);
            out += '\n';
        }
    }

private:
    static void append_header(std::string &out, std::int64_t number, const CutStatement &statement)
    {
        out += "== statement ";
        out += std::to_string(number);
        out += " (";
        if (statement.result < 0) {
            out += "split failed with result ";
            out += std::to_string(statement.result);
            out += ": ";
            out += describe_split_failure(statement.result);
        } else if (statement.words.empty()) {
            out += "no words";
        } else {
            out += std::to_string(statement.words.size());
            out += statement.words.size() == 1 ? " word" : " words";
        }
        out += "): ";
        append_visible(out, statement.text);
        out += '\n';
    }

    bool titled_ = false;
};

} // namespace

std::unique_ptr<StatementFormat> make_table_format()
{
    return std::make_unique<TableFormat>();
}

} // namespace sqlsplit
