/*
 * The SQL word splitter: split one SQL statement of a given dialect into
 * classified words.
 *
 * A caller zero-fills an SQL_SPLT_WD, sets dialect, sql_len and sql_text and
 * calls Zoz_SQL_Split_Word.  On a positive result sql_word holds a packed
 * stream of word records, each
 *
 *     uint32 length | length bytes of the word | uint16 type | uint16 mask
 *
 * in host byte order, unaligned, back to back, nSqlWordLen bytes in all.
 * Walk it with fetch_word.  The stream belongs to the caller: free() it, or
 * leave it for the next call on the same request, which frees it first.
 *
 * One Zoz_SQL_Split_Word runs at a time in a process: it keeps its session
 * in process-wide variables.  Threads split through contexts (below).
 */
#ifndef MIRX_SQL_SPLT_WD_H
#define MIRX_SQL_SPLT_WD_H

#include <stddef.h>
#include <stdint.h>

#include "mirx_sql_mask.h"
#include "spltwd_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Dialect codes.  Any other code selects the generic mode (shared words only). */
#define SPLT_WD_DIALECT_ORACLE     1
#define SPLT_WD_DIALECT_SQLSERVER  2
#define SPLT_WD_DIALECT_DB2        8
#define SPLT_WD_DIALECT_MYSQL      32
#define SPLT_WD_DIALECT_POSTGRESQL 64
#define SPLT_WD_DIALECT_INFORMIX   1024

/* Word types: the 33 values a record's type field can hold. */
#define SPLT_WD_TYPE_KEYWORD        2
#define SPLT_WD_TYPE_OTHER          4
#define SPLT_WD_TYPE_STRING         5
#define SPLT_WD_TYPE_DQ_STRING      6
#define SPLT_WD_TYPE_NUMBER         7
#define SPLT_WD_TYPE_COMMENT        8
#define SPLT_WD_TYPE_NAME           9
#define SPLT_WD_TYPE_STAR_NAME      10
#define SPLT_WD_TYPE_STAR           11
#define SPLT_WD_TYPE_SELECT         12
#define SPLT_WD_TYPE_FROM           13
#define SPLT_WD_TYPE_WHERE          14
#define SPLT_WD_TYPE_COMMA          15
#define SPLT_WD_TYPE_SPACE          16
#define SPLT_WD_TYPE_END            17
#define SPLT_WD_TYPE_LPAREN         18
#define SPLT_WD_TYPE_RPAREN         19
#define SPLT_WD_TYPE_UNION          20
#define SPLT_WD_TYPE_AS             21
#define SPLT_WD_TYPE_THEN           22
#define SPLT_WD_TYPE_ELSE           23
#define SPLT_WD_TYPE_PIPE           24
#define SPLT_WD_TYPE_AT_VARIABLE    25
#define SPLT_WD_TYPE_ATAT_VARIABLE  26
#define SPLT_WD_TYPE_CASE           27
#define SPLT_WD_TYPE_BIND_VARIABLE  28
#define SPLT_WD_TYPE_WITH           29
#define SPLT_WD_TYPE_ORDER_BY       30
#define SPLT_WD_TYPE_DOLLAR_STRING  31
#define SPLT_WD_TYPE_BIT_STRING     32
#define SPLT_WD_TYPE_GROUP_BY       33
#define SPLT_WD_TYPE_PARTITION_BY   34
#define SPLT_WD_TYPE_COMPARISON     66

/* The four mask bits that belong to one kind of word only.  The other bits
 * of a mask are given by value (see the word codes table in the README). */
#define SPLT_WD_MASK_NAME           0x0001
#define SPLT_WD_MASK_SPACE          0x0020
#define SPLT_WD_MASK_CAST           0x0400
#define SPLT_WD_MASK_UNICODE_ESCAPE 0x0800
/* Accurate profile only: a string, quoted name, comment or body that the
 * statement ends before it is closed (it runs to the end of the statement). */
#define SPLT_WD_MASK_UNTERMINATED   0x1000

#pragma pack(push, 1)
/* The request and result of one split call.  Packed: no padding anywhere. */
typedef struct SQL_SPLT_WD {
    uint16_t dialect;        /* in: dialect code */
    uint32_t sql_len;        /* in: statement length in bytes, 1 .. 2^31-1 */
    char    *sql_text;       /* in: the statement; need not be zero-terminated */
    char    *sql_word;       /* in/out: the word-record stream, or null */
    uint32_t nSqlWordLen;    /* out: stream length in bytes */
    char     szHaveStar;     /* out: 1 when a star-bearing word was recorded */
    uint32_t nSngWordLenMax; /* out: longest word; written only on success */
} SQL_SPLT_WD;
#pragma pack(pop)

#ifdef __cplusplus
#define SPLT_WD_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define SPLT_WD_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif
SPLT_WD_STATIC_ASSERT(offsetof(SQL_SPLT_WD, dialect) == 0, "dialect at 0");
SPLT_WD_STATIC_ASSERT(offsetof(SQL_SPLT_WD, sql_len) == 2, "sql_len at 2");
SPLT_WD_STATIC_ASSERT(offsetof(SQL_SPLT_WD, sql_text) == 6, "sql_text at 6");
SPLT_WD_STATIC_ASSERT(offsetof(SQL_SPLT_WD, sql_word) == 6 + sizeof(char *), "sql_word follows sql_text");
SPLT_WD_STATIC_ASSERT(offsetof(SQL_SPLT_WD, nSqlWordLen) == 6 + 2 * sizeof(char *), "nSqlWordLen follows sql_word");
SPLT_WD_STATIC_ASSERT(offsetof(SQL_SPLT_WD, szHaveStar) == 10 + 2 * sizeof(char *), "szHaveStar follows nSqlWordLen");
SPLT_WD_STATIC_ASSERT(offsetof(SQL_SPLT_WD, nSngWordLenMax) == 11 + 2 * sizeof(char *), "nSngWordLenMax follows szHaveStar");
SPLT_WD_STATIC_ASSERT(sizeof(SQL_SPLT_WD) == 15 + 2 * sizeof(char *), "SQL_SPLT_WD is packed");
#undef SPLT_WD_STATIC_ASSERT

/* The cursor of one walk over a stream; start a walk with both at 0. */
typedef struct Fetch_Word_Step {
    int32_t cursor;      /* offset of the next record to fetch */
    int32_t prep_cursor; /* offset of the record the last successful fetch returned */
} Fetch_Word_Step;

/*
 * Split one statement.  Returns the stream length (> 0), 0 when no word was
 * found, or:
 *   -1  out of memory (working strings, result buffer), or the stream
 *       would be longer than 2^31-1 bytes, more than the result can tell
 *   -2  null request, null sql_text, sql_len 0 or sql_len >= 2^31
 *       (the request is left untouched)
 *   -3  a working string could not be initialised
 *   -4  the scanner stopped for an unknown reason
 *   -5  a dollar-quote closing tag differs from the opening tag
 *   -6  the statement separator ";" was met
 * On every negative result but -2, sql_word is null and nSqlWordLen 0.
 */
SPLTWD_API int32_t Zoz_SQL_Split_Word(SQL_SPLT_WD *sqlSplitWord);

/*
 * Fetch the next record of sqlSplitWord's stream into wordinfo.  Returns 0
 * when a whole record was fetched, -1 at the end of the stream or when the
 * rest of the stream is not a whole record.
 */
SPLTWD_API int32_t fetch_word(SQL_SPLT_WD *sqlSplitWord, Fetch_Word_Step *result, Word_Info *wordinfo);

/*
 * Reentrant splitting.  A context holds the state of one split at a time;
 * threads that each use their own context may split at the same time.
 * spltwd_split behaves exactly as Zoz_SQL_Split_Word (it returns -2 for a
 * null context as well), but leaves the process-wide session and scanner
 * variables alone, and prints nothing (see spltwd_context_set_debug_lines).
 * spltwd_context_create returns null when out of memory.
 */
typedef struct spltwd_context spltwd_context;
SPLTWD_API spltwd_context *spltwd_context_create(void);
SPLTWD_API void spltwd_context_destroy(spltwd_context *context);
SPLTWD_API int32_t spltwd_split(spltwd_context *context, SQL_SPLT_WD *sqlSplitWord);

/*
 * Some rules give a debug line, such as "66-splt_wdtext:>" for a comparison
 * operator.  Zoz_SQL_Split_Word prints them on standard output, all of a
 * split's lines in one write before it returns; a context
 * drops them unless a receiver is set here.  The receiver gets each line
 * whole, line feed included, on the splitting thread, during the split.
 * A null receiver drops them again.
 */
typedef void (*spltwd_debug_line_receiver)(void *user, const char *line, size_t length);
SPLTWD_API void spltwd_context_set_debug_lines(spltwd_context *context, spltwd_debug_line_receiver receiver,
                                               void *user);

/*
 * With a word receiver set, the splits of a context hand their word records
 * to it in pieces while they run, instead of collecting them in sql_word:
 * a statement's words then need not fit in memory at once.  Each piece is a
 * run of whole records in stream order, of at most 4 KiB or, once a longer
 * record came, of at most that record's length; the bytes are the
 * receiver's to read during the call only.  The
 * result and the other fields are what they would be without the receiver
 * (the result is the length of all pieces together), and sql_word stays
 * null.  On a negative result the pieces already given are not the
 * statement's words: discard them.  A null receiver collects in sql_word
 * again.
 */
typedef void (*spltwd_word_receiver)(void *user, const char *records, uint32_t length);
SPLTWD_API void spltwd_context_set_word_receiver(spltwd_context *context, spltwd_word_receiver receiver,
                                                 void *user);

/*
 * Profiles: the rules by which a context reads a statement.
 *
 * SPLTWD_PROFILE_CLASSIC, the default of every new context, gives the words
 * of Zoz_SQL_Split_Word, byte for byte.
 *
 * SPLTWD_PROFILE_ACCURATE reads each dialect as its server reads a
 * statement by default, with the same word types and masks.  It is
 * lossless: every byte of the statement belongs to exactly one word, in
 * order (whitespace runs and comments are words with their own bytes), so
 * the words' bytes concatenated give back the statement and each word's
 * byte range follows from the words before it (spltwd_next_word).  It
 * never fails on the statement's bytes: a string, quoted name, comment or
 * body left open runs to the end and carries SPLT_WD_MASK_UNTERMINATED; a
 * ";" is a word of its own for spltwd_split (type SPLT_WD_TYPE_OTHER, mask
 * 0x0080) and the cut for spltwd_split_first.  Results are then the stream
 * length, 0, -1 (out of memory) or -2 (bad request).
 *
 * spltwd_context_set_profile returns 0, or -2 (nothing changed) for a null
 * context or an unknown profile.  The profile holds for the context's
 * later splits until it is set again.
 */
#define SPLTWD_PROFILE_CLASSIC  0
#define SPLTWD_PROFILE_ACCURATE 1
SPLTWD_API int32_t spltwd_context_set_profile(spltwd_context *context, int32_t profile);

/*
 * A word of a stream with its byte range in the statement, for walks that
 * need the ranges: start a walk with both fields of the walk at 0.  Each
 * call fills *word with the next record and returns 0, or returns -1 at the
 * end of the stream or when the rest of it is not a whole record.  text
 * points into the stream.  The range [start, end) is the running sum of
 * the word lengths, which is the word's place in the statement for the
 * accurate profile; the classic profile drops and rewrites bytes, so there
 * it is not.  Pieces of a word receiver are walked one after another by
 * setting cursor back to 0 for each new piece and keeping offset.
 */
typedef struct spltwd_word {
    const char *text;  /* the word's bytes (not zero-terminated) */
    uint32_t length;
    uint16_t type;
    uint16_t mask;
    uint32_t start;    /* offset of the word's first byte in the statement */
    uint32_t end;      /* start + length */
} spltwd_word;

typedef struct spltwd_word_walk {
    uint32_t cursor;   /* offset of the next record in the stream */
    uint32_t offset;   /* statement offset of the next word */
} spltwd_word_walk;

SPLTWD_API int32_t spltwd_next_word(const char *stream, uint32_t stream_length, spltwd_word_walk *walk,
                                    spltwd_word *word);

/*
 * Splits the first statement of a text that may hold several.  The scan
 * stops at the first ";" that the dialect reads as a separator (not one
 * inside a string, comment or quoted word); the words before it come back
 * as spltwd_split would return them for that text alone, and *consumed
 * receives the bytes taken, the separator included (all sql_len bytes when
 * there is none).  A statement whose dollar-quote tags differ gives -5 and
 * is still cut at the next separator.  A statement with no word before its
 * separator gives 0.  Call again on the rest of the text for the next one.
 * Returns -2 (and consumes nothing) for a null context or consumed.
 */
SPLTWD_API int32_t spltwd_split_first(spltwd_context *context, SQL_SPLT_WD *sqlSplitWord, uint32_t *consumed);

#ifdef __cplusplus
}
#endif

#endif /* MIRX_SQL_SPLT_WD_H */
