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
#include "splt_wd_alloc.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct splt_wd_buffer_state *SPLT_WD_BUFFER_STATE;

extern SPLTWD_API char *splt_wdtext;
extern SPLTWD_API size_t splt_wdleng;
extern SPLTWD_API FILE *splt_wdin;
extern SPLTWD_API FILE *splt_wdout;
extern SPLTWD_API int splt_wdlineno;
extern SPLTWD_API int splt_wd_flex_debug;

SPLTWD_API int splt_wdlex(void);
SPLTWD_API SPLT_WD_BUFFER_STATE splt_wd_scan_bytes(const char *bytes, size_t len);
SPLTWD_API SPLT_WD_BUFFER_STATE splt_wd_scan_string(const char *str);
SPLTWD_API SPLT_WD_BUFFER_STATE splt_wd_scan_buffer(char *base, size_t size);
SPLTWD_API SPLT_WD_BUFFER_STATE splt_wd_create_buffer(FILE *file, int size);
SPLTWD_API void splt_wd_delete_buffer(SPLT_WD_BUFFER_STATE b);
SPLTWD_API void splt_wd_flush_buffer(SPLT_WD_BUFFER_STATE b);
SPLTWD_API void splt_wd_switch_to_buffer(SPLT_WD_BUFFER_STATE new_buffer);
SPLTWD_API void splt_wdpush_buffer_state(SPLT_WD_BUFFER_STATE new_buffer);
SPLTWD_API void splt_wdpop_buffer_state(void);
SPLTWD_API void splt_wdrestart(FILE *input_file);
SPLTWD_API int splt_wdlex_destroy(void);

SPLTWD_API int splt_wdget_lineno(void);
SPLTWD_API FILE *splt_wdget_in(void);
SPLTWD_API FILE *splt_wdget_out(void);
SPLTWD_API size_t splt_wdget_leng(void);
SPLTWD_API char *splt_wdget_text(void);
SPLTWD_API int splt_wdget_debug(void);
SPLTWD_API void splt_wdset_lineno(int line_number);
SPLTWD_API void splt_wdset_in(FILE *in_str);
SPLTWD_API void splt_wdset_out(FILE *out_str);
SPLTWD_API void splt_wdset_debug(int debug_flag);

/* The split session. */
extern SPLTWD_API int32_t __dialect;
extern SPLTWD_API int32_t __sql_start_condition;
extern SPLTWD_API char *__sql_mys_sr_sqltext;
extern SPLTWD_API uint32_t __sql_mys_sr_sqllen;
extern SPLTWD_API MIRX_SPLIT_WD_DYNAMIC_STR *__sql_mys_word_info;
extern SPLTWD_API MIRX_SPLIT_WD_DYNAMIC_STR *__sql_mys_word_tmp;
extern SPLTWD_API int32_t __sql_sr_mys_parsepos;
extern SPLTWD_API uint32_t __sql_single_word_len;
extern SPLTWD_API int32_t __have_star_lex;
extern SPLTWD_API uint32_t __sql_sppg_dolq_begin;
extern SPLTWD_API int32_t __sql_sppg_dolq_length;
extern SPLTWD_API uint32_t __sql_sr_mys_coursor;
extern SPLTWD_API uint32_t __sql_sr_mys_len;

/* Scans sql_len bytes of sql_text in the start condition of __dialect, with
 * __dialect and both working strings set up by the caller.  Returns 1 at the
 * end of the input, -1 or -2 when an action stopped the scan. */
SPLTWD_API int32_t SPLT_WD_LEXER(char *sql_text, int32_t sql_len);

/* Appends one word record to __sql_mys_word_info.  Returns 0. */
SPLTWD_API int32_t sql_srmys_record_wd_info(uint32_t word_len, const char *word, uint16_t word_type, uint16_t word_mask);

#ifdef __cplusplus
}
#endif

#endif /* SPLT_WD_LEX_H */
