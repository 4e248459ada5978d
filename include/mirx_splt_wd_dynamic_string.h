/*
 * A growable byte buffer whose bytes after the content are always zero, so
 * that content without zero bytes reads as a zero-terminated string.
 *
 * Every operation returns 1 on success and -1 when storage cannot be had
 * (Mirx_Splt_Wd_DynStr_Expand_Mem: 0).  A length or capacity that would not
 * fit in 32 bits counts as storage that cannot be had.
 */
#ifndef MIRX_SPLT_WD_DYNAMIC_STRING_H
#define MIRX_SPLT_WD_DYNAMIC_STRING_H

#include <stdint.h>

#include "spltwd_export.h"

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)
typedef struct MIRX_SPLIT_WD_DYNAMIC_STR {
    unsigned char *str;       /* storage, owned by the record */
    uint32_t length;          /* bytes of content */
    uint32_t max_length;      /* size of the storage */
    uint32_t alloc_increment; /* growth step: capacities are multiples of it */
} MIRX_SPLIT_WD_DYNAMIC_STR;
#pragma pack(pop)

SPLTWD_API int32_t Mirx_Splt_Wd_Init_Dynamic_String(MIRX_SPLIT_WD_DYNAMIC_STR *str, const char *init_str,
                                         uint32_t init_alloc, uint32_t alloc_increment);
SPLTWD_API int32_t Mirx_Splt_Wd_DynStr_Set(MIRX_SPLIT_WD_DYNAMIC_STR *str, const char *init_str);
SPLTWD_API int32_t Mirx_Splt_Wd_DynStr_Realloc(MIRX_SPLIT_WD_DYNAMIC_STR *str, uint32_t additional_size);
SPLTWD_API int32_t Mirx_Splt_Wd_DynStr_Append_Mem(MIRX_SPLIT_WD_DYNAMIC_STR *str, const char *append, uint32_t length);
SPLTWD_API int32_t Mirx_Splt_Wd_DynStr_Append(MIRX_SPLIT_WD_DYNAMIC_STR *str, const char *append);
SPLTWD_API int32_t Mirx_Splt_Wd_DynStr_Trunc(MIRX_SPLIT_WD_DYNAMIC_STR *str, uint32_t n);
SPLTWD_API int32_t Mirx_Splt_Wd_DynStr_Free(MIRX_SPLIT_WD_DYNAMIC_STR *str);
SPLTWD_API int32_t Mirx_Splt_Wd_DynStr_Expand_Mem(MIRX_SPLIT_WD_DYNAMIC_STR *str, uint32_t length);

/* Mirx_Splt_Wd_DynStr_Append_Mem for buffers that may grow large: before a
 * growth it raises alloc_increment to the current length (never lowers it),
 * so that the capacity at least doubles and n appends cost O(n) in all. */
SPLTWD_API int32_t Mirx_Splt_Wd_DynStr_Append_Mem_Amortised(MIRX_SPLIT_WD_DYNAMIC_STR *str, const char *append,
                                                 uint32_t length);

#ifdef __cplusplus
}
#endif

#endif /* MIRX_SPLT_WD_DYNAMIC_STRING_H */
