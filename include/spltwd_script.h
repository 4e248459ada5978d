/*
 * Scripts as the databases' command-line clients read them.
 *
 * A script (a dump, a migration, a schema file) is written for a client,
 * which adds conventions of its own to SQL.  A script cursor cuts a script
 * into pieces, in order, each with its byte range in the script:
 *
 *   SPLTWD_PIECE_STATEMENT  SQL that the client sends to the server
 *   SPLTWD_PIECE_COMMAND    what the client runs itself: mysql's
 *                           DELIMITER lines and backslash commands,
 *                           psql's meta-commands, sqlcmd's GO lines,
 *                           sqlplus's "/" and "." lines, the sqlcmd and
 *                           sqlplus lines of their own commands; and a
 *                           statement that mysql's \c or psql's \r drops
 *                           with that command
 *   SPLTWD_PIECE_DATA       psql's rows after COPY ... FROM stdin (or
 *                           \copy ... from stdin), up to and including the
 *                           line "\."
 *   SPLTWD_PIECE_COMMENT    whitespace and comments and nothing else: no
 *                           statement reaches the server
 *
 * The cursor reads the words of the accurate profile (see
 * spltwd_context_set_profile) and never changes them: it only decides
 * where pieces start and end.  A statement's range leaves out the blanks
 * before it (space, tab, carriage return, line feed) and its delimiter,
 * exactly as spltwd_split_first cuts; a statement that a command ends
 * leaves out the blanks before that command.  Every byte of the script is in
 * a piece, or is a blank or part of a delimiter between two pieces (or of
 * sqlcmd's byte-order mark).
 *
 * The clients:
 *
 *   SPLTWD_CLIENT_NONE     statements end at each ";" that the dialect reads
 *                          as a separator, as spltwd_split_first cuts.
 *   SPLTWD_CLIENT_MYSQL    the first word of a statement, at the start of a
 *                          line, "DELIMITER" in any case, followed by a
 *                          blank, makes that line a command: its argument
 *                          (up to a space, tab or line end; or between
 *                          quotes) is the delimiter from then on.  The
 *                          delimiter, compared without regard to ASCII
 *                          case, ends a statement wherever it stands
 *                          outside strings, quoted names and comments
 *                          (in the SQL of an executable comment too).
 *                          The client's "\x" commands count wherever they
 *                          stand outside strings, quoted names and
 *                          comments: \g, \G and \q end the statement
 *                          before them (a command of two bytes); \c drops
 *                          it (the statement and \c are one command); \d
 *                          x is DELIMITER x, and the line goes on after x;
 *                          \u, \., \!, \T, \C, \r, \P, \R, \h and \? end
 *                          the statement before them and run to the next
 *                          delimiter on their line, which they take, or
 *                          to its end; the others (\p, \W, \#, ...) are a
 *                          command where a statement would start, else
 *                          they stay in the statement's text.  Under a
 *                          delimiter other than ";", the ";" that end a
 *                          statement are left out of it, as delimiters:
 *                          the client does not send them.
 *   SPLTWD_CLIENT_PSQL     a backslash outside strings, quoted names,
 *                          comments and dollar bodies (but "\;" and "\:")
 *                          is a meta-command, to the end of its line or
 *                          past a "\\", behind which the line goes on; it
 *                          ends the statement before it (\r and \reset
 *                          drop it: the statement and the command are one
 *                          command).
 *                          "\;" does not end a statement, and neither does a
 *                          ";" inside parentheses or inside the BEGIN ... END
 *                          of CREATE [OR REPLACE] FUNCTION|PROCEDURE (psql's
 *                          own rules).  After COPY ... FROM STDIN and after
 *                          \copy ... from stdin the lines up to a line "\."
 *                          are one data piece (to the end of the script when
 *                          there is no such line); the data starts on the
 *                          line after the command's.  After SET [SESSION]
 *                          standard_conforming_strings = (or TO) off,
 *                          from the next line on, a backslash escapes the
 *                          byte after it in '...' and N'...', until SET
 *                          ... on or RESET standard_conforming_strings|ALL.
 *   SPLTWD_CLIENT_SQLCMD   a line holding GO in any case, alone or with a
 *                          count, blanks around, outside strings and
 *                          comments, is a command that ends the batch
 *                          before it (a "--" comment may follow the
 *                          count); ";" still cuts inside a batch, but
 *                          for a batch that starts with CREATE [OR ALTER]
 *                          or ALTER PROCEDURE|PROC|FUNCTION|TRIGGER|VIEW:
 *                          the server reads the rest of such a batch as
 *                          its body, so it is one statement to the GO.
 *                          Lines of the tool's own commands (":setvar",
 *                          ":r", ... and "!!") are commands too.  A
 *                          byte-order mark that starts the script is its
 *                          encoding, in no piece.
 *   SPLTWD_CLIENT_SQLPLUS  a statement that starts with DECLARE, BEGIN, or
 *                          CREATE [OR REPLACE] [EDITIONABLE|NONEDITIONABLE]
 *                          PROCEDURE|FUNCTION|PACKAGE|TRIGGER|TYPE|LIBRARY
 *                          is a PL/SQL block: ";" does not cut it, it ends
 *                          before a line holding only "/" (blanks around),
 *                          outside strings and comments.  Such a line is a
 *                          command wherever it stands: after a plain
 *                          statement it runs that statement again, and it
 *                          ends a plain statement that has no ";".  Outside
 *                          blocks ";" cuts as for SPLTWD_CLIENT_NONE.  A
 *                          statement whose first word, at the start of a
 *                          line, is one of the tool's own commands (@,
 *                          @@, ACCEPT, BREAK, BTITLE, CLEAR, COLUMN,
 *                          COMPUTE, CONNECT, DEFINE, DESCRIBE, DISCONNECT,
 *                          EXECUTE, EXIT, HOST, PAUSE, PRINT, PROMPT, QUIT,
 *                          REMARK, SET but SET TRANSACTION|ROLE|CONSTRAINT,
 *                          SHOW, SPOOL, START, TIMING, TTITLE, UNDEFINE,
 *                          VARIABLE, WHENEVER, or their short forms) is a
 *                          command to its line end (on to the next line
 *                          after a line that ends in "-").  A blank line
 *                          ends a statement that is not a block, and a
 *                          line holding only "." (a command) ends a
 *                          statement or a block, unrun; SET SQLBL[ANKLINES]
 *                          ON makes blank lines part of a statement.
 *   SPLTWD_CLIENT_AUTO     the client of the dialect: mysql for MySQL,
 *                          psql for PostgreSQL, sqlcmd for SQL Server,
 *                          sqlplus for Oracle, none for the others.
 *
 * A script held in memory is handed over whole, with more_follows 0.  A
 * script read a piece at a time is handed over in texts: hand over what
 * is read with more_follows 1, take the pieces, then hand over the script
 * again from spltwd_script_position() on, with more read behind it.  A
 * statement or command still open at the end of a text is given once a
 * later text holds its end; a data piece is not held: the cursor moves
 * through its lines and gives it, with its whole range, at its end.
 * Memory: the statement at hand, whatever the script's size.
 */
#ifndef SPLTWD_SCRIPT_H
#define SPLTWD_SCRIPT_H

#include <stddef.h>
#include <stdint.h>

#include "spltwd_export.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SPLTWD_CLIENT_AUTO    (-1)
#define SPLTWD_CLIENT_NONE    0
#define SPLTWD_CLIENT_MYSQL   1
#define SPLTWD_CLIENT_PSQL    2
#define SPLTWD_CLIENT_SQLCMD  3
#define SPLTWD_CLIENT_SQLPLUS 4

#define SPLTWD_PIECE_STATEMENT 1
#define SPLTWD_PIECE_COMMAND   2
#define SPLTWD_PIECE_DATA      3
#define SPLTWD_PIECE_COMMENT   4

typedef struct spltwd_piece {
    int32_t kind;      /* SPLTWD_PIECE_* */
    uint64_t start;    /* offset of the piece's first byte in the script */
    uint64_t end;      /* offset past its last byte */
    /* The piece's bytes, end - start of them, in the text last handed
     * over; null for a data piece that began in an earlier text. */
    const char *text;
} spltwd_piece;

typedef struct spltwd_script spltwd_script;

/* The client that SPLTWD_CLIENT_AUTO picks for a dialect code. */
SPLTWD_API int32_t spltwd_script_client_of_dialect(uint16_t dialect);

/*
 * A cursor over a script of `dialect` read as `client` reads it (a
 * SPLTWD_CLIENT_* value).  Null when out of memory or for an unknown
 * client.  It splits on a context of its own.
 */
SPLTWD_API spltwd_script *spltwd_script_create(uint16_t dialect, int32_t client);
SPLTWD_API void spltwd_script_destroy(spltwd_script *script);

/*
 * Hands over the script's bytes from spltwd_script_position() on (from its
 * start at first), `length` of them at `text`, which must stay in place
 * until the next call of spltwd_script_set_text.  With more_follows
 * nonzero, more of the script follows in a later text.  Returns 0, or -2
 * for a null script or a null text with length > 0.
 */
SPLTWD_API int32_t spltwd_script_set_text(spltwd_script *script, const char *text, size_t length,
                                          int32_t more_follows);

/*
 * Gives the next piece.  Returns 1 with *piece filled, 0 when the text
 * holds no further piece (the end of the script, or, with more_follows, a
 * piece that goes on in the bytes still to come), -1 when out of memory,
 * -2 for a null script or piece, -3 when a statement is longer than
 * 2147483645 bytes, too long to split: the rest of the script is given up.
 */
SPLTWD_API int32_t spltwd_script_next(spltwd_script *script, spltwd_piece *piece);

/*
 * The offset in the script where the next text must start: the bytes
 * before it are done with.  0 for a null script.
 */
SPLTWD_API uint64_t spltwd_script_position(const spltwd_script *script);

#ifdef __cplusplus
}
#endif

#endif /* SPLTWD_SCRIPT_H */
