#include "ku_word_report.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "ku_error.h"
#include "mirx_sql_splt_wd.h"

namespace {

bool append_bytes(MIRX_SPLIT_WD_DYNAMIC_STR *buffer, const char *bytes, size_t length)
{
    return Mirx_Splt_Wd_DynStr_Append_Mem_Amortised(buffer, bytes, static_cast<uint32_t>(length)) == 1;
}

bool append_text(MIRX_SPLIT_WD_DYNAMIC_STR *buffer, const char *text)
{
    return append_bytes(buffer, text, std::strlen(text));
}

/* Statement and word texts print like C strings: up to their first NUL. */
bool append_up_to_nul(MIRX_SPLIT_WD_DYNAMIC_STR *buffer, const char *bytes, size_t length)
{
    return append_bytes(buffer, bytes, strnlen(bytes, length));
}

__attribute__((format(printf, 2, 3))) bool append_line(MIRX_SPLIT_WD_DYNAMIC_STR *buffer, const char *format, ...)
{
    char str_tmp[128];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(str_tmp, sizeof str_tmp, format, args);
    va_end(args);
    return length >= 0 && append_bytes(buffer, str_tmp, static_cast<size_t>(length));
}

struct Word {
    uint32_t length;
    const char *name;
    uint16_t type;
    uint16_t mask;
};

/* The record's fields are unaligned: copy them out. */
Word read_word(const Word_Info &wordinfo)
{
    Word word{};
    std::memcpy(&word.length, wordinfo.word_len, sizeof word.length);
    std::memcpy(&word.type, wordinfo.word_type, sizeof word.type);
    std::memcpy(&word.mask, wordinfo.word_mask_type, sizeof word.mask);
    word.name = wordinfo.word_name;
    return word;
}

bool append_header(MIRX_SPLIT_WD_DYNAMIC_STR *buffer, int64_t count, const MIRX_SPLIT_WD_DYNAMIC_STR *statement)
{
    return append_line(buffer, "==========================sql[%" PRId64 "]==========================\n", count) &&
           append_text(buffer, "sql            :") &&
           append_up_to_nul(buffer, reinterpret_cast<const char *>(statement->str), statement->length) &&
           append_text(buffer, "\n");
}

bool append_word_block(MIRX_SPLIT_WD_DYNAMIC_STR *buffer, int word_index, const Word &word)
{
    return append_line(buffer, "word_index     :%d\n", word_index) &&
           append_line(buffer, "word_len       :%" PRIu32 "\n", word.length) &&
           append_text(buffer, "word_name      :[") && append_up_to_nul(buffer, word.name, word.length) &&
           append_text(buffer, "]\n") && append_line(buffer, "word_type      :%u\n", unsigned{word.type}) &&
           append_line(buffer, "word_mask_type :0x%04x\n", unsigned{word.mask}) &&
           append_text(buffer, "-----------------------\n");
}

/* The buffer is emptied whether or not the write succeeds: a failed write
 * loses its text, and the run goes on. */
void write_out(Ku_Report *report)
{
    MIRX_SPLIT_WD_DYNAMIC_STR *buffer = report->_sql_write_tmp;
    if (Ku_WriteSql(report->fp_dest, buffer->length, reinterpret_cast<const char *>(buffer->str)) != 1) {
        report->write_failed = true;
    }
    Mirx_Splt_Wd_DynStr_Trunc(buffer, buffer->length);
}

} // namespace

int Ku_WriteSql(FILE *fp, int64_t iSize, const char *iText)
{
    if (fp == nullptr || iText == nullptr || iSize <= 0) {
        return -1;
    }
    const size_t written = std::fwrite(iText, static_cast<size_t>(iSize), 1, fp);
    if (written == 1) {
        return 1;
    }
    std::printf("write failed:%zu.\n", written);
    return -1;
}

bool Ku_ReportStatement(Ku_Report *report, const MIRX_SPLIT_WD_DYNAMIC_STR *statement)
{
    SQL_SPLT_WD sqlSplitWord;
    std::memset(&sqlSplitWord, 0, sizeof sqlSplitWord);
    sqlSplitWord.dialect = static_cast<uint16_t>(report->iDbType);
    sqlSplitWord.sql_len = statement->length;
    /* The library only reads the statement; no private copy is needed. */
    sqlSplitWord.sql_text = reinterpret_cast<char *>(statement->str);
    const int32_t result = Zoz_SQL_Split_Word(&sqlSplitWord);

    ++report->count;
    if (result < 0) {
        Ku_PrintError("statement %" PRId64 ": split failed with result %" PRId32, report->count, result);
    }
    bool held = append_header(report->_sql_write_tmp, report->count, statement);

    Fetch_Word_Step fetch_stop{};
    Word_Info wordinfo{};
    int word_index = 0;
    while (held && fetch_word(&sqlSplitWord, &fetch_stop, &wordinfo) >= 0) {
        held = append_word_block(report->_sql_write_tmp, ++word_index, read_word(wordinfo));
        if (held) {
            write_out(report);
        }
    }
    std::free(sqlSplitWord.sql_word);
    return held;
}

void Ku_WritePendingReport(Ku_Report *report)
{
    if (report->_sql_write_tmp->length > 0) {
        write_out(report);
    }
}
