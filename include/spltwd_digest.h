/*
 * Statement digests: what audit, firewall and proxy software asks first of
 * a statement, from its words as the accurate profile reads them.
 *
 *   normalized   the statement with its comments dropped and each literal
 *                (string of any kind, number, dollar-quoted body, bit or
 *                hex string; a sign before a number that follows no operand
 *                included) as "?"; a "(" holding only literals as "(?)",
 *                and a comma-separated run of such groups as one "(?)";
 *                every other word lower-cased (ASCII letters), but quoted
 *                names and quoted variables, which keep their bytes; words
 *                joined by one blank, none after "(", before ")" and ",",
 *                nor around "."; trailing ";" dropped.
 *   fingerprint  FNV-1a, 64 bits, of the normalized text's bytes (offset
 *                basis 0xcbf29ce484222325, prime 0x100000001b3), also as
 *                16 lowercase hexadecimal digits.
 *   kind         the first word that is not "(", upper-cased, when it is a
 *                statement verb (SELECT, INSERT, UPDATE, DELETE, MERGE,
 *                REPLACE, CREATE, ALTER, DROP, TRUNCATE, RENAME, GRANT,
 *                REVOKE, BEGIN, START, COMMIT, ROLLBACK, SAVEPOINT, SET,
 *                SHOW, DESCRIBE, EXPLAIN, USE, CALL, EXEC, EXECUTE, DECLARE,
 *                LOCK, UNLOCK, ANALYZE, VACUUM, COPY, LOAD, VALUES); after
 *                WITH, the first verb outside parentheses; else "OTHER".
 *   tables       the names after FROM, JOIN, INTO, UPDATE and TABLE (and
 *                each further name of a comma list after FROM), as written,
 *                qualified names whole ("s.t"), each once, in order of
 *                first appearance; none where a "(" follows the word.  Not
 *                tables: UPDATE right after ON, KEY, FOR, DO, BEFORE, AFTER,
 *                OF, OR or "," (ON UPDATE CASCADE, FOR UPDATE, GRANT
 *                SELECT, UPDATE), the words SET, OF, ON, STDIN and STDOUT
 *                (MERGE's UPDATE SET, TABLE OF, COPY ... FROM STDIN), and
 *                FROM among the arguments of EXTRACT,
 *                SUBSTRING, SUBSTR, TRIM and OVERLAY.
 */
#ifndef SPLTWD_DIGEST_H
#define SPLTWD_DIGEST_H

#include <stdint.h>

#include "mirx_sql_splt_wd.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct spltwd_digest {
    const char *normalized;     /* zero-terminated */
    uint32_t normalized_length;
    uint64_t fingerprint;
    char fingerprint_hex[17];   /* 16 hexadecimal digits, zero-terminated */
    char kind[12];              /* zero-terminated */
    const char *tables;         /* table_count records: uint32 length (host order, unaligned) | bytes */
    uint32_t tables_length;
    uint32_t table_count;
} spltwd_digest;

/*
 * Digests one statement of `dialect` (sql_len bytes at sql, which need not
 * be zero-terminated; 0 bytes digest as an empty statement).  Returns 0,
 * -1 when out of memory, or -2 for a null context or digest, a null sql
 * with sql_len > 0, or sql_len >= 2^31.  Any bytes digest: there is no
 * other failure.  The texts *digest points to belong to the context and
 * hold until its next digest; once they have grown to a statement's size,
 * digesting a statement no larger allocates nothing.  It prints nothing,
 * and leaves the context's profile and receivers as they were.
 */
SPLTWD_API int32_t spltwd_digest_statement(spltwd_context *context, uint16_t dialect, const char *sql,
                                           uint32_t sql_len, spltwd_digest *digest);

/*
 * Walks the tables of a digest: start with *cursor 0; each call gives the
 * next name and returns 0, or returns -1 after the last.
 */
SPLTWD_API int32_t spltwd_digest_next_table(const spltwd_digest *digest, uint32_t *cursor, const char **name,
                                            uint32_t *length);

#ifdef __cplusplus
}
#endif

#endif /* SPLTWD_DIGEST_H */
