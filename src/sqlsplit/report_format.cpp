#include "statement_format.h"
#include "word_report_layout.h"

namespace sqlsplit {

namespace {

// A std::string grows or throws: the sink never fails.
bool append_to_string(void *target, const char *bytes, std::size_t length)
{
    static_cast<std::string *>(target)->append(bytes, length);
    return true;
}

class ReportFormat final : public StatementFormat {
public:
    void append(std::string &out, std::int64_t number, const CutStatement &statement) override
    {
        const Word_Report_Sink sink{append_to_string, &out};
        Word_Report_Append_Header(sink, number, statement.text.data(), statement.text.size());
        std::int64_t word_index = 0;
        for (const CutWord &word : statement.words) {
            Word_Report_Append_Word(sink, ++word_index, word.text.data(), static_cast<std::uint32_t>(word.text.size()),
                                    word.type, word.mask);
        }
    }
};

} // namespace

std::unique_ptr<StatementFormat> make_report_format()
{
    return std::make_unique<ReportFormat>();
}

} // namespace sqlsplit
