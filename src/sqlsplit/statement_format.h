// The three ways sqlsplit writes a statement and its words.
#ifndef SQLSPLIT_STATEMENT_FORMAT_H
#define SQLSPLIT_STATEMENT_FORMAT_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "options.h"
#include "output_text.h"
#include "script_cutter.h"
#include "statement_cutter.h"

namespace sqlsplit {

// A statement goes out as its beginning, each of its words, and its end,
// so that its words need not be held at once.
class StatementFormat {
public:
    virtual ~StatementFormat() = default;
    // Begins the statement, numbered from 1 across the run.
    // `file` names the input that holds the statement.
    virtual void begin(OutputText &out, std::int64_t number, const CutStatement &statement, std::string_view file) = 0;
    virtual void word(OutputText &out, const CutWord &word) = 0;
    virtual void end(OutputText &out) = 0;
    // A client command and a data block of a script, each numbered from 1
    // across the run; formats without them leave them out.
    virtual void command(OutputText &, std::int64_t /*number*/, const CutPiece &, std::string_view /*file*/) {}
    virtual void data(OutputText &, std::int64_t /*number*/, const CutPiece &, std::string_view /*file*/) {}
    // Goes on from where another instance of the format stopped: whether it
    // wrote any statement, command or data block already.
    virtual void resume(bool /*output_before*/) {}
};

// table: a column title, then per statement a header line and one aligned
// line per word.
std::unique_ptr<StatementFormat> make_table_format();
// jsonl: one JSON object per statement and line; with `ranges`, the
// statement's input and byte range, and each word's byte range, too.
// Commands and data blocks are one line each.
std::unique_ptr<StatementFormat> make_jsonl_format(bool ranges);
// report: the classic word report, byte for byte.
std::unique_ptr<StatementFormat> make_report_format();

std::unique_ptr<StatementFormat> make_statement_format(OutputFormat format, bool ranges);

// A word mask as people know it from the report: 0x and four hexadecimal digits.
void append_mask(std::string &out, std::uint16_t mask);

} // namespace sqlsplit

#endif // SQLSPLIT_STATEMENT_FORMAT_H
