/*
 * The scanner's C interface and the split session.
 *
 * The splt_wd* functions and variables drive one process-wide scanner over
 * the SQL rules, with the interface of a classic generated scanner.  The
 * split call uses splt_wd_scan_bytes, splt_wdlex and splt_wdlex_destroy.
 *
 * The __* variables are the split session of Zoz_SQL_Split_Word: they hold
 * the state of the last (or current) split call.
 */
#ifndef SPLT_WD_LEX_H
#define SPLT_WD_LEX_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "mirx_splt_wd_dynamic_string.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct splt_wd_buffer_state *SPLT_WD_BUFFER_STATE;

extern char *splt_wdtext;
extern size_t splt_wdleng;
extern FILE *splt_wdin;
extern FILE *splt_wdout;
extern int splt_wdlineno;
extern int splt_wd_flex_debug;

int splt_wdlex(void);
SPLT_WD_BUFFER_STATE splt_wd_scan_bytes(const char *bytes, size_t len);
SPLT_WD_BUFFER_STATE splt_wd_scan_string(const char *str);
SPLT_WD_BUFFER_STATE splt_wd_scan_buffer(char *base, size_t size);
SPLT_WD_BUFFER_STATE splt_wd_create_buffer(FILE *file, int size);
void splt_wd_delete_buffer(SPLT_WD_BUFFER_STATE b);
void splt_wd_flush_buffer(SPLT_WD_BUFFER_STATE b);
void splt_wd_switch_to_buffer(SPLT_WD_BUFFER_STATE new_buffer);
void splt_wdpush_buffer_state(SPLT_WD_BUFFER_STATE new_buffer);
void splt_wdpop_buffer_state(void);
void splt_wdrestart(FILE *input_file);
int splt_wdlex_destroy(void);

int splt_wdget_lineno(void);
FILE *splt_wdget_in(void);
FILE *splt_wdget_out(void);
size_t splt_wdget_leng(void);
char *splt_wdget_text(void);
int splt_wdget_debug(void);
void splt_wdset_lineno(int line_number);
void splt_wdset_in(FILE *in_str);
void splt_wdset_out(FILE *out_str);
void splt_wdset_debug(int debug_flag);

void *splt_wdalloc(size_t size);
void *splt_wdrealloc(void *ptr, size_t size);
void splt_wdfree(void *ptr);

/* The split session. */
extern int32_t __dialect;
extern int32_t __sql_start_condition;
extern char *__sql_mys_sr_sqltext;
extern uint32_t __sql_mys_sr_sqllen;
extern MIRX_SPLIT_WD_DYNAMIC_STR *__sql_mys_word_info;
extern MIRX_SPLIT_WD_DYNAMIC_STR *__sql_mys_word_tmp;
extern int32_t __sql_sr_mys_parsepos;
extern uint32_t __sql_single_word_len;
extern int32_t __have_star_lex;
extern uint32_t __sql_sppg_dolq_begin;
extern int32_t __sql_sppg_dolq_length;
extern uint32_t __sql_sr_mys_coursor;
extern uint32_t __sql_sr_mys_len;

/* Scans sql_len bytes of sql_text in the start condition of __dialect, with
 * __dialect and both working strings set up by the caller.  Returns 1 at the
 * end of the input, -1 or -2 when an action stopped the scan. */
int32_t SPLT_WD_LEXER(char *sql_text, int32_t sql_len);

/* Appends one word record to __sql_mys_word_info.  Returns 0. */
int32_t sql_srmys_record_wd_info(uint32_t word_len, const char *word, uint16_t word_type, uint16_t word_mask);

#ifdef __cplusplus
}
#endif

#endif /* SPLT_WD_LEX_H */
