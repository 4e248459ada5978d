#include "statement_format.h"
#include "word_report_layout.h"

namespace sqlsplit {

namespace {

void append_bytes(std::string &out, std::string_view bytes)
{
    out.append(bytes);
}

// The report holds whole texts (the statement in its header, each word):
// they go out in pieces, so that a long one needs no buffer of its size.
// The output keeps a write error for later: the sink never fails.
bool append_to_output(void *target, const char *bytes, std::size_t length)
{
    static_cast<OutputText *>(target)->append_in_pieces(std::string_view(bytes, length), append_bytes,
                                                        OutputText::Cut::anywhere);
    return true;
}

class ReportFormat final : public StatementFormat {
public:
    void begin(OutputText &out, std::int64_t number, const CutStatement &statement, std::string_view) override
    {
        Word_Report_Append_Header(sink(out), number, statement.text.data(), statement.text.size());
        word_index_ = 0;
    }

    void word(OutputText &out, const CutWord &word) override
    {
        Word_Report_Append_Word(sink(out), ++word_index_, word.text.data(), static_cast<std::uint32_t>(word.text.size()),
                                word.type, word.mask);
    }

    void end(OutputText &) override {}

private:
    static Word_Report_Sink sink(OutputText &out) { return {append_to_output, &out}; }

    std::int64_t word_index_ = 0;
};

} // namespace

std::unique_ptr<StatementFormat> make_report_format()
{
    return std::make_unique<ReportFormat>();
}

} // namespace sqlsplit
