// The reserved-word tables of MySQL, PostgreSQL and Oracle and the single
// words of MySQL, Oracle and Informix, against the name rules around them.
#include <algorithm>

#include "split_harness.h"

namespace split_test {
namespace {

class Keywords : public testing::TestWithParam<Case> {};
TEST_P(Keywords, Words) { expect_case(GetParam()); }

const Word WITH_WORD{"WITH", SPLT_WD_TYPE_WITH, 0x0080};

// Each word of `sql`, separated by single blanks, as the same kind of word.
Words each_as(Word (*kind)(std::string), const std::string& sql) {
    Words words;
    std::size_t start = 0;
    while (start <= sql.size()) {
        const std::size_t blank = std::min(sql.find(' ', start), sql.size());
        if (!words.empty()) words.push_back(SP);
        words.push_back(kind(sql.substr(start, blank - start)));
        start = blank + 1;
    }
    return words;
}

INSTANTIATE_TEST_SUITE_P(
    OracleTable, Keywords,
    testing::Values(Case{ORA, "VarChar2", {kw("VarChar2")}, kWords, "splt_wdtext:VarChar2\n"},
                    Case{ORA, "CREATE TABLE t", {kw("CREATE"), SP, kw("TABLE"), SP, nm("t")}, kWords,
                         "splt_wdtext:CREATE\nsplt_wdtext:TABLE\n"},
                    Case{ORA, "START WITH", {kw("START"), SP, WITH_WORD}, kWords, "splt_wdtext:START\n"},
                    Case{ORA, "UNIQUE DISTINCT", {sel_kw("UNIQUE"), SP, sel_kw("DISTINCT")}, kWords, ""},
                    Case{ORA, "ACCESS WHENEVER varchar2 ROW ROWS LEVEL",
                         each_as(kw, "ACCESS WHENEVER varchar2 ROW ROWS LEVEL")},
                    Case{ORA, "ADD ALTER VARCHAR", each_as(kw, "ADD ALTER VARCHAR")},
                    Case{ORA, "DUAL SQL_NO_CACHE _utf8 CURRENT_DATE LIMIT",
                         each_as(nm, "DUAL SQL_NO_CACHE _utf8 CURRENT_DATE LIMIT")},
                    Case{ORA, "IS NOT NULL", {kw("IS"), SP, cmp("NOT"), SP, NULL_WORD}, kWords,
                         "splt_wdtext:IS\n66-splt_wdtext:NOT\n"},
                    Case{ORA, "ADD.", {nm("ADD.")}},
                    Case{ORA, "TABLE . x", {nm("TABLE.x")}, kWords, ""}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    MySqlTable, Keywords,
    testing::Values(Case{MY, "VARCHAR2", {nm("VARCHAR2")}},
                    Case{MY, "DUAL", {kw("DUAL")}},
                    Case{MY, "DATABASES DATABASE DATABASESX", {kw("DATABASES"), SP, kw("DATABASE"), SP, nm("DATABASESX")}},
                    Case{MY, "INT1 INT9 INT INTO INTEGER INTERVAL INT5",
                         {kw("INT1"), SP, nm("INT9"), SP, kw("INT"), SP, kw("INTO"), SP, kw("INTEGER"), SP,
                          kw("INTERVAL"), SP, nm("INT5")}},
                    Case{MY, "ADD(", {kw("ADD"), LP}},
                    Case{MY, "ADD1 ADD_ ADDX ADD.x ADD#", each_as(nm, "ADD1 ADD_ ADDX ADD.x ADD#")},
                    Case{MY, "ADD\"x y", {kw("ADD")}},
                    Case{MY, "ADD\"x\"", {dq("ADD\"x\"")}},
                    Case{MY, "ADD.", {dq("ADD.")}},
                    Case{MY, "ADD", {kw("ADD")}},
                    Case{MY, "ADD,a", {kw("ADD"), COMMA, nm("a")}},
                    Case{MY, "ADD\xA3\xAC", {kw("ADD"), GBK_COMMA}},
                    Case{MY, "ADD'a'", {kw("ADD"), str("'a'")}},
                    Case{MY, "ADD+1", {kw("ADD"), oth("+"), num("1")}},
                    Case{MY, "ADD;", {}, -6},
                    Case{MY, "ADD . x", {nm("ADD.x")}},
                    Case{MY, "ADD.*", {stn("ADD.*")}},
                    Case{MY, "ADD`x`", {nm("ADD`x`")}},
                    Case{MY, "FLOAT FLOAT4 FLOAT8 DEC DECIMAL DECLARE KEY KEYS READ READS READ_WRITE",
                         each_as(kw, "FLOAT FLOAT4 FLOAT8 DEC DECIMAL DECLARE KEY KEYS READ READS READ_WRITE")},
                    Case{MY, "SCHEMA SCHEMAS CHAR CHARACTER CURRENT_TIME CURRENT_TIMESTAMP LOCALTIME LOCALTIMESTAMP",
                         each_as(kw, "SCHEMA SCHEMAS CHAR CHARACTER CURRENT_TIME CURRENT_TIMESTAMP LOCALTIME "
                                     "LOCALTIMESTAMP")},
                    Case{MY, "UTC_TIME UTC_TIMESTAMP OUT OUTER OUTFILE LONG LONGBLOB LONGTEXT VARCHAR VARCHARACTER",
                         each_as(kw, "UTC_TIME UTC_TIMESTAMP OUT OUTER OUTFILE LONG LONGBLOB LONGTEXT VARCHAR "
                                     "VARCHARACTER")},
                    Case{MY, "SQL SQLEXCEPTION SQLSTATE SQLWARNING", each_as(kw, "SQL SQLEXCEPTION SQLSTATE SQLWARNING")},
                    Case{MY, "READ_ONLY SQLSTATES INT9 FLOAT5", each_as(nm, "READ_ONLY SQLSTATES INT9 FLOAT5")},
                    Case{MY, "accessible ZeroFill xor", each_as(kw, "accessible ZeroFill xor")},
                    Case{MY, "GROUP x", {kw("GROUP"), SP, nm("x")}},
                    Case{MY, "GROUP BY x", {{"GROUP BY", SPLT_WD_TYPE_GROUP_BY, 0x0080}, SP, nm("x")}},
                    Case{MY, "CREATE TABLE t", {kw("CREATE"), SP, kw("TABLE"), SP, nm("t")}, kWords, ""}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    MySqlSelectModifiers, Keywords,
    testing::Values(Case{MY, "SELECT SQL_NO_CACHE DISTINCTROW a",
                         {SEL, SP, sel_kw("SQL_NO_CACHE"), SP, sel_kw("DISTINCTROW"), SP, nm("a")}},
                    Case{MY, "SQL_CALC_FOUND_ROWS SQL_CACHE SQL_BUFFER_RESULT SQL_BIG_RESULT SQL_SMALL_RESULT",
                         each_as(sel_kw, "SQL_CALC_FOUND_ROWS SQL_CACHE SQL_BUFFER_RESULT SQL_BIG_RESULT "
                                         "SQL_SMALL_RESULT")},
                    Case{MY, "straight_join HIGH_PRIORITY Low_Priority",
                         each_as(sel_kw, "straight_join HIGH_PRIORITY Low_Priority")},
                    Case{MY, "SQL_NO_CACHEX", {nm("SQL_NO_CACHEX")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    MySqlCharsetIntroducers, Keywords,
    testing::Values(Case{MY, "_utf8 'abc'", {kw("_utf8"), SP, str("'abc'")}},
                    Case{MY, "_utf8'abc'", {kw("_utf8"), str("'abc'")}},
                    Case{MY, "_UTF8\"abc\"", {dq("_UTF8\"abc\"")}},
                    Case{MY, "_utf8mb4 _utf16 _latin3", each_as(nm, "_utf8mb4 _utf16 _latin3")},
                    Case{MY, "_utf8\xA3\xAC", {kw("_utf8"), GBK_COMMA}},
                    Case{MY, "_big5 _latin1 _gb2312 _eucjpms", each_as(kw, "_big5 _latin1 _gb2312 _eucjpms")}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    PostgreSqlTable, Keywords,
    testing::Values(Case{PG, "LIMIT 10 OFFSET 5", {kw("LIMIT"), SP, num("10"), SP, kw("OFFSET"), SP, num("5")}},
                    Case{PG, "NOTNULL", {kw("NOTNULL")}},
                    Case{PG, "IS", {nm("IS")}},
                    Case{PG, "ANALYSE ILIKE VARIADIC WINDOW", each_as(kw, "ANALYSE ILIKE VARIADIC WINDOW")},
                    Case{PG, "DUAL VARCHAR2 INSERT", each_as(nm, "DUAL VARCHAR2 INSERT")},
                    Case{PG, "WITH$x", {kw("WITH"), oth("$"), nm("x")}},
                    Case{PG, "TABLE#", {kw("TABLE"), oth("#")}},
                    Case{PG, "TABLE::int", {cast("TABLE::int")}},
                    Case{PG, "TABLE.x TABLE.", {nm("TABLE.x"), SP, nm("TABLE.")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    NoTable, Keywords,
    testing::ValuesIn(in_dialects({MSS, DB2, IFX}, "CREATE TABLE t", {nm("CREATE"), SP, nm("TABLE"), SP, nm("t")}) +
                      in_dialects({MSS, DB2}, "DUAL LIMIT", {nm("DUAL"), SP, nm("LIMIT")}) +
                      Cases{Case{GEN, "TABLE", others("TABLE")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    InformixFirst, Keywords,
    testing::Values(Case{IFX, "/**/FIRST 5", {cmt("/**/"), kw("FIRST"), SP, num("5")}},
                    Case{IFX, "/**/FIRSTS", {cmt("/**/"), kw("FIRST"), oth("S")}},
                    Case{IFX, "/**/first", {cmt("/**/"), kw("first")}},
                    Case{IFX, "/**/FIRSTNAME", Words{cmt("/**/"), kw("FIRST")} + others("NAME")},
                    Case{IFX, "/**/xFIRST", {cmt("/**/"), oth("x"), kw("FIRST")}},
                    Case{IFX, "/**/FIRST.* FIRST.x.*", {cmt("/**/"), stn("FIRST.*"), SP, stn("FIRST.x.*")}},
                    Case{IFX, "FIRST 5", {nm("FIRST"), SP, num("5")}}),
    case_name);

// WITH, UNIQUE, CURRENT_DATE and FIRST in every state; Informix reaches its
// own state after the comment.
INSTANTIATE_TEST_SUITE_P(
    PerState, Keywords,
    testing::ValuesIn(
        Cases{Case{MY, "WITH", {WITH_WORD}}, Case{ORA, "WITH", {WITH_WORD}, kWords, ""}, Case{PG, "WITH", {kw("WITH")}},
              Case{IFX, "/**/WITH", Words{cmt("/**/")} + others("WITH")}, Case{GEN, "WITH", others("WITH")},
              Case{MY, "UNIQUE", {nm("UNIQUE")}}, Case{ORA, "UNIQUE", {sel_kw("UNIQUE")}, kWords, ""},
              Case{PG, "UNIQUE", {kw("UNIQUE")}}, Case{IFX, "/**/UNIQUE", Words{cmt("/**/")} + others("UNIQUE")},
              Case{MY, "CURRENT_DATE", {nm("CURRENT_DATE")}}, Case{PG, "current_date", {nm("current_date")}},
              Case{IFX, "/**/CURRENT_DATE", Words{cmt("/**/")} + others("CURRENT_DATE")},
              Case{IFX, "/**/FIRST", {cmt("/**/"), kw("FIRST")}}} +
        in_dialects({ORA, MSS, DB2, IFX}, "CURRENT_DATE", {nm("CURRENT_DATE")}) +
        in_dialects({MSS, DB2, IFX}, "WITH UNIQUE", {nm("WITH"), SP, nm("UNIQUE")}) +
        in_dialects({MY, ORA, PG, MSS, DB2, IFX}, "FIRST", {nm("FIRST")})),
    case_name);

}  // namespace
}  // namespace split_test
