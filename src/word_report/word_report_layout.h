/*
 * The layout of the classic word report, written by test_split_word and by
 * sqlsplit --format report:
 *
 *     ==========================sql[1]==========================
 *     sql            :select 1
 *     word_index     :1
 *     word_len       :6
 *     word_name      :[select]
 *     word_type      :12
 *     word_mask_type :0x0080
 *     -----------------------
 *
 * Statement and word texts print like C strings: up to their first NUL.
 * The text goes to a sink, so that each program keeps its own buffer.
 */
#ifndef WORD_REPORT_LAYOUT_H
#define WORD_REPORT_LAYOUT_H

#include <cstddef>
#include <cstdint>

struct Word_Report_Sink {
    /* Appends the bytes; returns false when they cannot be held. */
    bool (*append)(void *target, const char *bytes, size_t length);
    void *target;
};

/* The statement's two header lines.  Returns false when the sink failed. */
bool Word_Report_Append_Header(const Word_Report_Sink &sink, int64_t statement_number, const char *text, size_t length);

/* The six lines of one word.  Returns false when the sink failed. */
bool Word_Report_Append_Word(const Word_Report_Sink &sink, int64_t word_index, const char *name, uint32_t length,
                             uint16_t type, uint16_t mask);

#endif /* WORD_REPORT_LAYOUT_H */
