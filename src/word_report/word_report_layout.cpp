#include "word_report_layout.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool append_text(const Word_Report_Sink &sink, const char *text)
{
    return sink.append(sink.target, text, std::strlen(text));
}

bool append_up_to_nul(const Word_Report_Sink &sink, const char *bytes, size_t length)
{
    return sink.append(sink.target, bytes, strnlen(bytes, length));
}

__attribute__((format(printf, 2, 3))) bool append_line(const Word_Report_Sink &sink, const char *format, ...)
{
    char str_tmp[128];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(str_tmp, sizeof str_tmp, format, args);
    va_end(args);
    return length >= 0 && sink.append(sink.target, str_tmp, static_cast<size_t>(length));
}

} // namespace

bool Word_Report_Append_Header(const Word_Report_Sink &sink, int64_t statement_number, const char *text, size_t length)
{
    return append_line(sink, "==========================sql[%" PRId64 "]==========================\n",
                       statement_number) &&
           append_text(sink, "sql            :") && append_up_to_nul(sink, text, length) && append_text(sink, "\n");
}

bool Word_Report_Append_Word(const Word_Report_Sink &sink, int64_t word_index, const char *name, uint32_t length,
                             uint16_t type, uint16_t mask)
{
    return append_line(sink, "word_index     :%" PRId64 "\n", word_index) &&
           append_line(sink, "word_len       :%" PRIu32 "\n", length) && append_text(sink, "word_name      :[") &&
           append_up_to_nul(sink, name, length) && append_text(sink, "]\n") &&
           append_line(sink, "word_type      :%u\n", unsigned{type}) &&
           append_line(sink, "word_mask_type :0x%04x\n", unsigned{mask}) &&
           append_text(sink, "-----------------------\n");
}
