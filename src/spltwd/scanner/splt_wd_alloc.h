/* The scanner's allocator, part of its C interface: every byte the scanner
 * holds comes from here. */
#ifndef SPLT_WD_ALLOC_H
#define SPLT_WD_ALLOC_H

#include <stddef.h>

#include "spltwd_export.h"

#ifdef __cplusplus
extern "C" {
#endif

SPLTWD_API void *splt_wdalloc(size_t size);
SPLTWD_API void *splt_wdrealloc(void *ptr, size_t size);
SPLTWD_API void splt_wdfree(void *ptr);

#ifdef __cplusplus
}
#endif

#endif /* SPLT_WD_ALLOC_H */
