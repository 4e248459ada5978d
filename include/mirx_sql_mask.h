/* A view of one word record in a word-record stream. */
#ifndef MIRX_SQL_MASK_H
#define MIRX_SQL_MASK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Four pointers into one record of the stream.  The member order (mask
 * before type) differs from the order of the fields in the stream (type
 * before mask); callers written against this order rely on it. */
typedef struct Word_Info {
    uint32_t *word_len;       /* the record's length field (unaligned) */
    char     *word_name;      /* the record's first word byte */
    uint16_t *word_mask_type; /* the record's word mask field (unaligned) */
    uint16_t *word_type;      /* the record's word type field (unaligned) */
} Word_Info;

#ifdef __cplusplus
}
#endif

#endif /* MIRX_SQL_MASK_H */
