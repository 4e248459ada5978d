#include "statement_format.h"

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
    // Once per word: no printf.
    constexpr char kDigits[] = "0123456789abcdef";
    const char text[6] = {'0', 'x', kDigits[(mask >> 12) & 0xF], kDigits[(mask >> 8) & 0xF], kDigits[(mask >> 4) & 0xF],
                          kDigits[mask & 0xF]};
    out.append(text, sizeof text);
}

} // namespace sqlsplit
