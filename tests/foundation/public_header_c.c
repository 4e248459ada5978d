/* The public headers are plain C: this file is compiled as C, and the test
 * binary calls it, so the header's layout checks run under a C compiler. */
#include "mirx_sql_splt_wd.h"

size_t splt_wd_c_request_size(void) { return sizeof(SQL_SPLT_WD); }

int splt_wd_c_fetch_from_empty(void) {
    SQL_SPLT_WD request = {0};
    Fetch_Word_Step step = {0, 0};
    Word_Info info;
    return fetch_word(&request, &step, &info);
}

unsigned splt_wd_c_type_comparison(void) { return SPLT_WD_TYPE_COMPARISON; }

/* The script cursor from C: the kinds of the pieces of a sqlcmd batch,
 * one decimal digit each ("12": a statement, then a command). */
#include "spltwd_script.h"

long splt_wd_c_script_kinds(void) {
    static const char script[] = "SELECT 1\nGO\n";
    spltwd_script *cursor = spltwd_script_create(SPLT_WD_DIALECT_SQLSERVER, SPLTWD_CLIENT_AUTO);
    spltwd_piece piece;
    long kinds = 0;
    if (cursor == NULL) return -1;
    spltwd_script_set_text(cursor, script, sizeof script - 1, 0);
    while (spltwd_script_next(cursor, &piece) == 1) kinds = kinds * 10 + piece.kind;
    spltwd_script_destroy(cursor);
    return kinds;
}
