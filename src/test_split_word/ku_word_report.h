/*
 * The word report of test_split_word: each statement is split and every
 * word is appended to the output file as a block of six lines, the first
 * block of a statement preceded by the statement's header:
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
 * The header of a statement that yields no words is held back and goes
 * out in front of the next word block, or at the end of the run.
 */
#ifndef KU_WORD_REPORT_H
#define KU_WORD_REPORT_H

#include <cstdint>
#include <cstdio>

#include "mirx_splt_wd_dynamic_string.h"

struct Ku_Report {
    FILE *fp_dest;
    MIRX_SPLIT_WD_DYNAMIC_STR *_sql_write_tmp; /* report text not yet written */
    int iDbType;
    int64_t count;            /* statements reported so far */
    bool write_failed;        /* some Ku_WriteSql call failed */
    bool split_out_of_memory; /* some statement lost its words for lack of memory */
};

/* Writes iSize bytes of iText to fp as one item.  Returns 1; or -1 without
 * writing when fp or iText is null or iSize <= 0; or -1 after printing
 * "write failed:N." on standard output when the item was not written. */
int Ku_WriteSql(FILE *fp, int64_t iSize, const char *iText);

/* Splits the statement with the report's dialect, numbers it and writes its
 * word blocks.  A failed split is reported on standard error and yields no
 * words; one that ran out of memory sets split_out_of_memory.  Returns false
 * when the report text cannot be held in memory. */
bool Ku_ReportStatement(Ku_Report *report, const MIRX_SPLIT_WD_DYNAMIC_STR *statement);

/* Writes the report text still held back. */
void Ku_WritePendingReport(Ku_Report *report);

#endif /* KU_WORD_REPORT_H */
