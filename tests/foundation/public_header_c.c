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
