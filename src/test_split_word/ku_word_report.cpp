#include "ku_word_report.h"

#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "ku_buffer.h"
#include "ku_error.h"
#include "mirx_sql_splt_wd.h"
#include "word_report_layout.h"

namespace {

bool append_to_buffer(void *target, const char *bytes, size_t length)
{
    return Mirx_Splt_Wd_DynStr_Append_Mem_Amortised(static_cast<MIRX_SPLIT_WD_DYNAMIC_STR *>(target), bytes,
                                                    static_cast<uint32_t>(length)) == 1;
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

/* -1 and -3: the statement's words are lost to a lack of memory, unlike
 * -5, which its own text causes. */
bool ran_out_of_memory(int32_t result)
{
    return result == -1 || result == -3;
}

/* The buffer is emptied whether or not the write succeeds: a failed write
 * loses its text, and the run goes on. */
void write_out(Ku_Report *report)
{
    MIRX_SPLIT_WD_DYNAMIC_STR *buffer = report->_sql_write_tmp;
    if (Ku_WriteSql(report->fp_dest, buffer->length, reinterpret_cast<const char *>(buffer->str)) != 1) {
        report->write_failed = true;
    }
    Ku_EmptyBuffer(buffer);
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
        if (ran_out_of_memory(result)) {
            report->split_out_of_memory = true;
        }
    }
    const Word_Report_Sink sink{append_to_buffer, report->_sql_write_tmp};
    bool held = Word_Report_Append_Header(sink, report->count, reinterpret_cast<const char *>(statement->str),
                                          statement->length);

    Fetch_Word_Step fetch_stop{};
    Word_Info wordinfo{};
    int word_index = 0;
    while (held && fetch_word(&sqlSplitWord, &fetch_stop, &wordinfo) >= 0) {
        const Word word = read_word(wordinfo);
        held = Word_Report_Append_Word(sink, ++word_index, word.name, word.length, word.type, word.mask);
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
