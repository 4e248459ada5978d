/*
 * Emptying the driver's buffers between words and between statements.
 */
#ifndef KU_BUFFER_H
#define KU_BUFFER_H

#include "mirx_splt_wd_dynamic_string.h"

/* Empties a buffer that has only been appended to, in time proportional to
 * its content: the bytes past the content are still zero.  Truncating
 * zero-fills the whole capacity instead, which one long statement leaves
 * large for the rest of the run, and the report buffer is emptied after
 * every word. */
void Ku_EmptyBuffer(MIRX_SPLIT_WD_DYNAMIC_STR *buffer);

#endif /* KU_BUFFER_H */
