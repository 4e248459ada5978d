/*
 * Cuts an input file into statements at every ";".  The reader knows
 * nothing of SQL: a ";" inside a string or a comment ends a statement too.
 */
#ifndef KU_STATEMENT_READER_H
#define KU_STATEMENT_READER_H

#include <cstdint>
#include <cstdio>

#include "mirx_splt_wd_dynamic_string.h"

/* The size of the open file in bytes, found by seeking to its end and back
 * to its start; 0 when fp is null, -1 when the input cannot seek (a pipe,
 * a terminal): such an input is read to its end. */
int64_t Ku_GetTextSqlSize(FILE *fp);

/* Appends the next statement's bytes to sql_tmp and adds every whitespace
 * byte it drops to *iLen.  Whitespace before the first kept byte is dropped,
 * and so is a carriage return that does not follow a space; the ";" that
 * ends the statement is consumed but neither kept nor counted.  NUL bytes
 * are kept.  Stops at the end of the input or a read error (see ferror).
 * Returns 0, or -1 when an argument is null or sql_tmp cannot grow. */
int Ku_ReadSql(FILE *fp, MIRX_SPLIT_WD_DYNAMIC_STR *sql_tmp, int64_t *iLen);

#endif /* KU_STATEMENT_READER_H */
