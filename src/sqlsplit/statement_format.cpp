#include "statement_format.h"

#include <cstdio>

namespace sqlsplit {

std::unique_ptr<StatementFormat> make_statement_format(OutputFormat format, bool ranges)
{
    switch (format) {
        case OutputFormat::jsonl: return make_jsonl_format(ranges);
        case OutputFormat::report: return make_report_format();
        // Digests are no words: they have a way of their own.
        case OutputFormat::table:
        case OutputFormat::digest: break;
    }
    return make_table_format();
}

void append_mask(std::string &out, std::uint16_t mask)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", unsigned{mask});
    out += text;
}

} // namespace sqlsplit
