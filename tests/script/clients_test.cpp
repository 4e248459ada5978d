// Each client's conventions, table by table: a script and the pieces it
// must give ("S:" statement, "C:" client command, "D:" data, "-:" comments
// alone), each also checked to cover its script and to be given alike when
// the script is handed over a few bytes at a time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script_pieces.h"

namespace script_test {
namespace {

using spltwd::Client;
using spltwd::Dialect;

struct Case {
    const char* name;
    Dialect dialect;
    Client client;
    std::string script;
    std::vector<std::string> pieces;
};

std::string CaseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

class Clients : public testing::TestWithParam<Case> {};

TEST_P(Clients, GiveTheirPiecesAndAccountForEveryByte) {
    const Case& c = GetParam();
    EXPECT_EQ(shown_pieces(c.script, c.dialect, c.client), c.pieces);
    const std::vector<spltwd::ScriptPiece> pieces = spltwd::script_pieces(c.script, c.dialect, c.client);
    EXPECT_EQ(coverage_faults(c.script, pieces, c.client), "");
    std::vector<Range> whole;
    for (const spltwd::ScriptPiece& piece : pieces)
        whole.push_back({static_cast<std::int32_t>(piece.kind), piece.start, piece.end});
    for (const std::size_t step : {1, 2, 5, 13})
        EXPECT_TRUE(pieces_in_texts(c.script, c.dialect, c.client, step) == whole) << "texts of " << step << " bytes";
}

// The mysql client: DELIMITER lines.
INSTANTIATE_TEST_SUITE_P(Mysql, Clients, testing::Values(
    Case{"DumpTriggerUnderDoubleSemicolon", Dialect::mysql, Client::mysql,
         "/*!50003 SET @saved_sql_mode = @@sql_mode */ ;\n"
         "DELIMITER ;;\n"
         "/*!50003 CREATE*/ /*!50003 TRIGGER t_bi BEFORE INSERT ON t FOR EACH ROW BEGIN\n"
         "  IF NEW.a < 0 THEN SET NEW.a = 0; END IF;\n  SET NEW.b = 'x;;y';\nEND */;;\n"
         "DELIMITER ;\n"
         "SELECT 1;",
         {"S:/*!50003 SET @saved_sql_mode = @@sql_mode */ ", "C:DELIMITER ;;",
          "S:/*!50003 CREATE*/ /*!50003 TRIGGER t_bi BEFORE INSERT ON t FOR EACH ROW BEGIN\n"
          "  IF NEW.a < 0 THEN SET NEW.a = 0; END IF;\n  SET NEW.b = 'x;;y';\nEND */",
          "C:DELIMITER ;", "S:SELECT 1"}},
    Case{"DollarDelimiterEndsANameWord", Dialect::mysql, Client::mysql,
         "DELIMITER $$\nCREATE PROCEDURE p() BEGIN SELECT 1; SELECT 2; END$$\nDELIMITER ;\nCALL p();\n",
         {"C:DELIMITER $$", "S:CREATE PROCEDURE p() BEGIN SELECT 1; SELECT 2; END", "C:DELIMITER ;", "S:CALL p()"}},
    Case{"LowerCaseDelimiterCommand", Dialect::mysql, Client::mysql,
         "delimiter //\nCREATE FUNCTION f() RETURNS INT BEGIN RETURN 1; END //\n  delimiter ;\nSELECT f();",
         {"C:delimiter //", "S:CREATE FUNCTION f() RETURNS INT BEGIN RETURN 1; END ", "C:delimiter ;", "S:SELECT f()"}},
    Case{"DelimiterNotInStringsNamesOrComments", Dialect::mysql, Client::mysql,
         "DELIMITER ;;\nSELECT ';;', \"a;;\", `b;;c` /* ;; */ # ;;\n, 1;;\nDELIMITER ;",
         {"C:DELIMITER ;;", "S:SELECT ';;', \"a;;\", `b;;c` /* ;; */ # ;;\n, 1", "C:DELIMITER ;"}},
    Case{"DelimiterWordInStringOrCommentIsNoCommand", Dialect::mysql, Client::mysql,
         "SELECT 'DELIMITER ;;';\n/* DELIMITER ;;\n*/ SELECT 2;\n-- DELIMITER ;;\nSELECT 3;",
         {"S:SELECT 'DELIMITER ;;'", "S:/* DELIMITER ;;\n*/ SELECT 2", "S:-- DELIMITER ;;\nSELECT 3"}},
    Case{"DelimiterInsideAStatementIsText", Dialect::mysql, Client::mysql,
         "SELECT 1\nDELIMITER ;;\nSELECT 2;",
         {"S:SELECT 1\nDELIMITER ", "S:SELECT 2"}},
    Case{"CommentsBeforeTheCommand", Dialect::mysql, Client::mysql,
         "--\n-- Dumping routines\n--\nDELIMITER ;;\nSELECT 1;;\n-- done\nDELIMITER ;\n",
         {"-:--\n-- Dumping routines\n--", "C:DELIMITER ;;", "S:SELECT 1", "-:-- done", "C:DELIMITER ;"}},
    Case{"QuotedAndRefusedDelimiters", Dialect::mysql, Client::mysql,
         "DELIMITER '$$'\nSELECT 1$$\nDELIMITER \\x\nSELECT 2$$\nDELIMITER\nSELECT 3$$",
         {"C:DELIMITER '$$'", "S:SELECT 1", "C:DELIMITER \\x", "S:SELECT 2", "C:DELIMITER", "S:SELECT 3"}},
    // The client's "\x" commands, wherever they stand but in strings, quoted
    // names and comments: \g and \G send, \c drops, \q sends and quits.
    Case{"SendingAndClearingCommandsAnywhere", Dialect::mysql, Client::mysql,
         "SELECT 1\\gSELECT 2 \\G\nSELECT '\\g', `\\g`, \"\\g\" /* \\g */ # \\g\n, 3 \\c\n"
         "\\g SELECT 4 \\N;\nDELIMITER $$\nSELECT 5; \\g SELECT 6 $$\nSELECT 7 \\q",
         {"S:SELECT 1", "C:\\g", "S:SELECT 2", "C:\\G", "C:SELECT '\\g', `\\g`, \"\\g\" /* \\g */ # \\g\n, 3 \\c",
          "C:\\g", "S:SELECT 4 \\N", "C:DELIMITER $$", "S:SELECT 5", "C:\\g", "S:SELECT 6 ", "S:SELECT 7", "C:\\q"}},
    // \d is DELIMITER's short form, its line read on after its argument;
    // commands with arguments run to the delimiter, which they take, or
    // to the line end; the others stay in a statement they stand in.  The
    // ";" that end a statement under another delimiter are not sent.
    Case{"ShortDelimiterAndCommandsWithArguments", Dialect::mysql, Client::mysql,
         "\\d $$ SELECT 1$$\nSELECT 2; SELECT 3 ;\n$$\n\\d ;\n\\u shop; SELECT 4;\n\\. more.sql\n"
         "SELECT 5 \\C utf8mb4\n;\n\\W SELECT 6;\nSELECT 7 \\W, 8 \\#, 9;\nSELECT 10;",
         {"C:\\d $$", "S:SELECT 1", "S:SELECT 2; SELECT 3 ", "C:\\d ;", "C:\\u shop", "S:SELECT 4", "C:\\. more.sql",
          "S:SELECT 5", "C:\\C utf8mb4", "C:\\W", "S:SELECT 6", "S:SELECT 7 \\W, 8 \\#, 9", "S:SELECT 10"}},
    Case{"NoneKnowsNoDelimiterCommand", Dialect::mysql, Client::none,
         "DELIMITER ;;\nSELECT 1;;",
         {"S:DELIMITER ", "S:SELECT 1"}}),
    CaseName);

// psql: meta-commands, "\;", COPY data.
INSTANTIATE_TEST_SUITE_P(Psql, Clients, testing::Values(
    Case{"MetaCommandLines", Dialect::postgresql, Client::psql,
         "\\restrict k1\n\\connect shop\nSET x = 1;\n  \\set ON_ERROR_STOP on\nSELECT 1\n\\g\n",
         {"C:\\restrict k1", "C:\\connect shop", "S:SET x = 1", "C:\\set ON_ERROR_STOP on", "S:SELECT 1", "C:\\g"}},
    Case{"BackslashSemicolonDoesNotCut", Dialect::postgresql, Client::psql,
         "SELECT 1\\; SELECT 2; SELECT 3;",
         {"S:SELECT 1\\; SELECT 2", "S:SELECT 3"}},
    Case{"CopyDataFullOfQuotesBackslashesAndSemicolons", Dialect::postgresql, Client::psql,
         "COPY public.t (a, b) FROM stdin;\n"
         "1\tit's; \"q\" \\\\ C:\\\\dir\\ttab;\n"
         "2\t\\N\n"
         "3\tline\\nbreak\\r; DROP TABLE t;\n"
         "\\connect is data here\n"
         "\\.\n"
         "SELECT 1;",
         {"S:COPY public.t (a, b) FROM stdin",
          "D:1\tit's; \"q\" \\\\ C:\\\\dir\\ttab;\n2\t\\N\n3\tline\\nbreak\\r; DROP TABLE t;\n\\connect is data here\n\\.",
          "S:SELECT 1"}},
    Case{"CopyCsvWithLineBreaksInFields", Dialect::postgresql, Client::psql,
         "copy t from STDIN with (format csv);\r\n1,\"a;\r\nb\"\r\n\\.\r\nSELECT 2;",
         {"S:copy t from STDIN with (format csv)", "D:1,\"a;\r\nb\"\r\n\\.", "S:SELECT 2"}},
    Case{"CopyDataWithoutEndRunsToTheEnd", Dialect::postgresql, Client::psql,
         "COPY t FROM stdin;\n1\n2\n",
         {"S:COPY t FROM stdin", "D:1\n2\n"}},
    Case{"CopyToStdoutAndFromFileHaveNoData", Dialect::postgresql, Client::psql,
         "COPY t TO stdout;\nCOPY t FROM '/tmp/stdin';\nSELECT 1;",
         {"S:COPY t TO stdout", "S:COPY t FROM '/tmp/stdin'", "S:SELECT 1"}},
    Case{"BackslashCopyFromStdin", Dialect::postgresql, Client::psql,
         "\\copy t (a) from stdin\nx;y\n\\.\n",
         {"C:\\copy t (a) from stdin", "D:x;y\n\\."}},
    Case{"BackslashInsideBodiesAndStringsIsNoCommand", Dialect::postgresql, Client::psql,
         "CREATE FUNCTION f() RETURNS text AS $$\n\\not a command; $$ LANGUAGE sql;\nSELECT E'\n\\\\x';",
         {"S:CREATE FUNCTION f() RETURNS text AS $$\n\\not a command; $$ LANGUAGE sql", "S:SELECT E'\n\\\\x'"}},
    Case{"BeginAtomicBody", Dialect::postgresql, Client::psql,
         "CREATE OR REPLACE FUNCTION f(a int) RETURNS int LANGUAGE sql\nBEGIN ATOMIC\n"
         "  SELECT CASE WHEN a > 0 THEN 1 ELSE 2 END;\n  SELECT 3;\nEND;\nSELECT 4;",
         {"S:CREATE OR REPLACE FUNCTION f(a int) RETURNS int LANGUAGE sql\nBEGIN ATOMIC\n"
          "  SELECT CASE WHEN a > 0 THEN 1 ELSE 2 END;\n  SELECT 3;\nEND",
          "S:SELECT 4"}},
    // A meta-command wherever it stands ends the statement before it
    // (\g... send it, \r drops it), and runs to the line end or past "\\\\".
    Case{"MetaCommandsAnywhereInALine", Dialect::postgresql, Client::psql,
         "SELECT 1 AS one \\gset\nSELECT 2 \\gx out.txt\nSELECT 3; \\echo a; b \\\\ SELECT 4;\n"
         "SELECT 5 \\r\nSELECT '\\g', \"\\g\", $$\\g$$ /* \\g */ -- \\g\n;",
         {"S:SELECT 1 AS one", "C:\\gset", "S:SELECT 2", "C:\\gx out.txt", "S:SELECT 3", "C:\\echo a; b \\\\",
          "S:SELECT 4", "C:SELECT 5 \\r", "S:SELECT '\\g', \"\\g\", $$\\g$$ /* \\g */ -- \\g\n"}},
    // With standard_conforming_strings off, from the line after the
    // statement that sets it, a backslash escapes in '...' and N'...'.
    Case{"StandardConformingStringsOff", Dialect::postgresql, Client::psql,
         "SET standard_conforming_strings = off; SELECT 'a\\';\n"
         "SELECT 'b\\';c', E'd\\';e', N'f\\';g', 'h\\\\'\n'i;', 'j''\\\\';\n"
         "RESET standard_conforming_strings;\nSELECT 'k\\';\n"
         "set session standard_conforming_strings to 'off';\nSELECT 'l\\';m';\n"
         "SET standard_conforming_strings TO on;\nSELECT 'n\\';",
         {"S:SET standard_conforming_strings = off", "S:SELECT 'a\\'",
          "S:SELECT 'b\\';c', E'd\\';e', N'f\\';g', 'h\\\\'\n'i;', 'j''\\\\'",
          "S:RESET standard_conforming_strings", "S:SELECT 'k\\'", "S:set session standard_conforming_strings to 'off'",
          "S:SELECT 'l\\';m'", "S:SET standard_conforming_strings TO on", "S:SELECT 'n\\'"}},
    Case{"NoneTakesMetaCommandsForSql", Dialect::postgresql, Client::none,
         "\\connect db\nSELECT 1;",
         {"S:\\connect db\nSELECT 1"}}),
    CaseName);

// sqlcmd: GO lines.
INSTANTIATE_TEST_SUITE_P(Sqlcmd, Clients, testing::Values(
    Case{"GoLines", Dialect::sqlserver, Client::sqlcmd,
         "CREATE TABLE t (a int)\nGO\nSELECT 1\ngo\nSELECT 2\nGO 5\nSELECT 3\n  Go  \r\nSELECT 4\n"
         "GO -- done\nSELECT 5\nGO 2 --twice\r\nSELECT 6",
         {"S:CREATE TABLE t (a int)", "C:GO", "S:SELECT 1", "C:go", "S:SELECT 2", "C:GO 5", "S:SELECT 3", "C:Go",
          "S:SELECT 4", "C:GO -- done", "S:SELECT 5", "C:GO 2 --twice", "S:SELECT 6"}},
    Case{"GoInsideStringsCommentsOrLinesIsText", Dialect::sqlserver, Client::sqlcmd,
         "SELECT 'a\nGO\nb'\n/* GO\n*/ SELECT 1 GO\nGO x -- not alone\nGO /* c */\nSELECT [GO]\nGO",
         {"S:SELECT 'a\nGO\nb'\n/* GO\n*/ SELECT 1 GO\nGO x -- not alone\nGO /* c */\nSELECT [GO]", "C:GO"}},
    Case{"SemicolonsStillCutInABatch", Dialect::sqlserver, Client::sqlcmd,
         "INSERT INTO t VALUES (1); INSERT INTO t VALUES (2)\nGO\n-- nothing\nGO",
         {"S:INSERT INTO t VALUES (1)", "S:INSERT INTO t VALUES (2)", "C:GO", "-:-- nothing", "C:GO"}},
    Case{"ByteOrderMarkIsTheEncoding", Dialect::sqlserver, Client::sqlcmd,
         "\xEF\xBB\xBFGO\nCREATE PROCEDURE p AS SELECT 1; SELECT 2\nGO",
         {"C:GO", "S:CREATE PROCEDURE p AS SELECT 1; SELECT 2", "C:GO"}},
    Case{"ByteOrderMarkIsSqlToOthers", Dialect::mysql, Client::mysql,
         "\xEF\xBB\xBF" "DELIMITER ;;\nSELECT 1;;",
         {"S:\xEF\xBB\xBF" "DELIMITER ", "S:SELECT 1"}},
    Case{"ToolCommandLines", Dialect::sqlserver, Client::sqlcmd,
         ":setvar db shop\nUSE $(db);\n  :r tables.sql\n!! dir\nSELECT 1 AS [:r]\nGO",
         {"C::setvar db shop", "S:USE $(db)", "C::r tables.sql", "C:!! dir", "S:SELECT 1 AS [:r]", "C:GO"}},
    Case{"BatchesThatCreateProceduresRunToTheirGo", Dialect::sqlserver, Client::sqlcmd,
         "CREATE PROCEDURE p AS\nBEGIN\n  SET NOCOUNT ON;\n  SELECT 1;\nEND;\nGO\n"
         "create or alter view v as select 1 a; \ngo\nALTER PROC q AS SELECT 2; SELECT 3\nGO\n"
         "CREATE TABLE t (a int); CREATE VIEW w AS SELECT 4\nGO",
         {"S:CREATE PROCEDURE p AS\nBEGIN\n  SET NOCOUNT ON;\n  SELECT 1;\nEND;", "C:GO",
          "S:create or alter view v as select 1 a;", "C:go", "S:ALTER PROC q AS SELECT 2; SELECT 3", "C:GO",
          "S:CREATE TABLE t (a int)", "S:CREATE VIEW w AS SELECT 4", "C:GO"}}),
    CaseName);

// sqlplus: PL/SQL blocks and "/" lines.
INSTANTIATE_TEST_SUITE_P(Sqlplus, Clients, testing::Values(
    Case{"AnonymousBlocks", Dialect::oracle, Client::sqlplus,
         "DECLARE\n  x NUMBER := 1;\nBEGIN\n  x := x + 1; -- ;\nEND;\n/\nbegin null; end;\n/\n",
         {"S:DECLARE\n  x NUMBER := 1;\nBEGIN\n  x := x + 1; -- ;\nEND;", "C:/", "S:begin null; end;", "C:/"}},
    Case{"StoredUnits", Dialect::oracle, Client::sqlplus,
         "CREATE OR REPLACE PROCEDURE p IS\nBEGIN\n  DELETE FROM t; COMMIT;\nEND;\n/\n"
         "CREATE OR REPLACE EDITIONABLE PACKAGE BODY k AS PROCEDURE q IS BEGIN NULL; END; END;\n /  \n"
         "CREATE TYPE ty AS OBJECT (a NUMBER);\n/",
         {"S:CREATE OR REPLACE PROCEDURE p IS\nBEGIN\n  DELETE FROM t; COMMIT;\nEND;", "C:/",
          "S:CREATE OR REPLACE EDITIONABLE PACKAGE BODY k AS PROCEDURE q IS BEGIN NULL; END; END;", "C:/",
          "S:CREATE TYPE ty AS OBJECT (a NUMBER);", "C:/"}},
    Case{"SlashAfterAPlainStatementIsACommand", Dialect::oracle, Client::sqlplus,
         "SELECT 1 FROM dual;\n/\nUPDATE t SET a = 1\n/\nCREATE OR REPLACE VIEW v AS SELECT 1 a FROM dual; INSERT INTO t VALUES (1);",
         {"S:SELECT 1 FROM dual", "C:/", "S:UPDATE t SET a = 1", "C:/", "S:CREATE OR REPLACE VIEW v AS SELECT 1 a FROM dual",
          "S:INSERT INTO t VALUES (1)"}},
    Case{"SlashInStringsCommentsOrLinesIsText", Dialect::oracle, Client::sqlplus,
         "BEGIN\n  x := '\n/\n';\n  /*\n/\n  */ y := 4\n  / 2;\nEND;\n/",
         {"S:BEGIN\n  x := '\n/\n';\n  /*\n/\n  */ y := 4\n  / 2;\nEND;", "C:/"}},
    Case{"BlockWithoutSlashRunsToTheEnd", Dialect::oracle, Client::sqlplus,
         "BEGIN\n  NULL;\nEND;\nSELECT 1 FROM dual;",
         {"S:BEGIN\n  NULL;\nEND;\nSELECT 1 FROM dual;"}},
    Case{"ToolCommandsRunToTheirLineEnd", Dialect::oracle, Client::sqlplus,
         "SET DEFINE OFF\nSPOOL install.log\nPROMPT it's; done\n@@tables.sql\nSET TRANSACTION READ ONLY;\n"
         "whenever sqlerror exit -\n  sql.sqlcode\nexec p(1);\nSELECT 1 FROM dual\nWHERE 1 = 1;\n  desc t\nEXIT",
         {"C:SET DEFINE OFF", "C:SPOOL install.log", "C:PROMPT it's; done", "C:@@tables.sql", "S:SET TRANSACTION READ ONLY",
          "C:whenever sqlerror exit -\n  sql.sqlcode", "C:exec p(1);", "S:SELECT 1 FROM dual\nWHERE 1 = 1", "C:desc t",
          "C:EXIT"}},
    // A blank line ends a statement, not a block, unless SET SQLBLANKLINES
    // ON; a line "." ends either: both keep it unrun, for a "/" to run.
    Case{"BlankLinesAndDotLinesEndInput", Dialect::oracle, Client::sqlplus,
         "SELECT 1\nFROM dual\n \r\nSELECT 2 FROM dual;\nINSERT INTO t\n  .  \n/\n"
         "BEGIN\n  NULL;\n\n  NULL;\nEND;\n.\nSELECT '\n\n' /*\n\n*/ FROM dual;\n"
         "SET SQLBLANKLINES ON\nSELECT 3\n\nFROM dual;\nset pagesize 0 sqlbl off\nSELECT 4\n\nFROM dual;",
         {"S:SELECT 1\nFROM dual", "S:SELECT 2 FROM dual", "S:INSERT INTO t", "C:.", "C:/",
          "S:BEGIN\n  NULL;\n\n  NULL;\nEND;", "C:.", "S:SELECT '\n\n' /*\n\n*/ FROM dual", "C:SET SQLBLANKLINES ON",
          "S:SELECT 3\n\nFROM dual", "C:set pagesize 0 sqlbl off", "S:SELECT 4", "S:FROM dual"}},
    Case{"NoneCutsBlocksAtSemicolons", Dialect::oracle, Client::none,
         "BEGIN NULL; END;\n/",
         {"S:BEGIN NULL", "S:END", "S:/"}}),
    CaseName);

TEST(Clients, AutoPicksTheDialectsOwn) {
    struct Row {
        std::uint16_t dialect;
        std::int32_t client;
    };
    for (const Row row : {Row{SPLT_WD_DIALECT_MYSQL, SPLTWD_CLIENT_MYSQL}, Row{SPLT_WD_DIALECT_POSTGRESQL, SPLTWD_CLIENT_PSQL},
                          Row{SPLT_WD_DIALECT_SQLSERVER, SPLTWD_CLIENT_SQLCMD}, Row{SPLT_WD_DIALECT_ORACLE, SPLTWD_CLIENT_SQLPLUS},
                          Row{SPLT_WD_DIALECT_DB2, SPLTWD_CLIENT_NONE}, Row{SPLT_WD_DIALECT_INFORMIX, SPLTWD_CLIENT_NONE},
                          Row{0, SPLTWD_CLIENT_NONE}, Row{7, SPLTWD_CLIENT_NONE}})
        EXPECT_EQ(spltwd_script_client_of_dialect(row.dialect), row.client) << row.dialect;
    EXPECT_EQ(shown_pieces("SELECT 1\nGO\n", Dialect::sqlserver, Client::automatic),
              (std::vector<std::string>{"S:SELECT 1", "C:GO"}));
}

TEST(Clients, RefuseUnknownClientsAndNullArguments) {
    EXPECT_EQ(spltwd_script_create(SPLT_WD_DIALECT_MYSQL, 5), nullptr);
    EXPECT_EQ(spltwd_script_create(SPLT_WD_DIALECT_MYSQL, -2), nullptr);
    EXPECT_EQ(spltwd_script_set_text(nullptr, "x", 1, 0), -2);
    spltwd_piece piece;
    EXPECT_EQ(spltwd_script_next(nullptr, &piece), -2);
    EXPECT_EQ(spltwd_script_position(nullptr), 0u);
    spltwd_script* script = spltwd_script_create(SPLT_WD_DIALECT_MYSQL, SPLTWD_CLIENT_MYSQL);
    ASSERT_NE(script, nullptr);
    EXPECT_EQ(spltwd_script_set_text(script, nullptr, 1, 0), -2);
    EXPECT_EQ(spltwd_script_set_text(script, nullptr, 0, 0), 0);
    EXPECT_EQ(spltwd_script_next(script, nullptr), -2);
    EXPECT_EQ(spltwd_script_next(script, &piece), 0);
    spltwd_script_destroy(script);
}

}  // namespace
}  // namespace script_test
