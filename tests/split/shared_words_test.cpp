// Words that every dialect shares: comparison and clause words, two-word
// keys, operators, numbers, comments, whitespace, separator and catch-all.
#include "split_harness.h"

namespace split_test {
namespace {

class SharedWords : public testing::TestWithParam<Case> {};
TEST_P(SharedWords, Words) { expect_case(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    GenericMode, SharedWords,
    testing::Values(Case{GEN, "SELECT a FROM t", {SEL, SP, oth("a"), SP, FROM, SP, oth("t")}},
                    Case{GEN, "SELECTED", {SEL, oth("E"), oth("D")}},
                    Case{GEN, "INTO", {cmp("IN"), oth("T"), oth("O")}},
                    Case{GEN, "NOT1", {cmp("NOT"), num("1")}},
                    Case{GEN, "CASE WHEN a THEN b ELSE c END AS x",
                         {{"CASE", SPLT_WD_TYPE_CASE, 0x0042}, SP, cmp("WHEN"), SP, oth("a"), SP,
                          {"THEN", SPLT_WD_TYPE_THEN, 0x0004}, SP, oth("b"), SP, {"ELSE", SPLT_WD_TYPE_ELSE, 0x0004},
                          SP, oth("c"), SP, {"END", SPLT_WD_TYPE_END, 0x0008}, SP, {"AS", SPLT_WD_TYPE_AS, 0x0008}, SP,
                          oth("x")}},
                    Case{GEN, "where Union",
                         {{"where", SPLT_WD_TYPE_WHERE, 0x0080}, SP, {"Union", SPLT_WD_TYPE_UNION, 0x0080}}},
                    Case{GEN, "(1,2)|NULL", {LP, num("1"), COMMA, num("2"), RP, PIPE, NULL_WORD}},
                    Case{GEN, "x IS\t\nNULL", {oth("x"), SP, cmp("IS\t\nNULL")}},
                    Case{GEN, "IS NULLABLE", Words{cmp("IS NULL")} + others("ABLE")},
                    Case{GEN, "IS NOT NULL", others("IS") + Words{SP, cmp("NOT"), SP, NULL_WORD}},
                    Case{GEN, "ORDER  BY", {{"ORDER  BY", SPLT_WD_TYPE_ORDER_BY, 0x0080}}},
                    Case{GEN, "group \t\r\n by", {{"group \t\r\n by", SPLT_WD_TYPE_GROUP_BY, 0x0080}}},
                    Case{GEN, "PARTITION\n  BY", {{"PARTITION\n  BY", SPLT_WD_TYPE_PARTITION_BY, 0x0080}}},
                    Case{GEN, "ORDER BYTES", Words{{"ORDER BY", SPLT_WD_TYPE_ORDER_BY, 0x0080}} + others("TES")},
                    Case{GEN, "ORDER/**/BY", others("ORDER") + Words{cmt("/**/")} + others("BY")},
                    Case{GEN, "ROWNUM rowid SysDate",
                         {nm("ROWNUM"), SP, nm("rowid"), SP, nm("SysDate")},
                         kWords,
                         "612-splt_wdtext:ROWNUM\n612-splt_wdtext:rowid\n612-splt_wdtext:SysDate\n"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Comparisons, SharedWords,
    testing::Values(Case{GEN, "1>2", {num("1"), cmp(">"), num("2")}, kWords, "66-splt_wdtext:>\n"},
                    Case{GEN, "1>=2", {num("1"), cmp(">="), num("2")}},
                    Case{GEN, "1<2", {num("1"), cmp("<"), num("2")}},
                    Case{GEN, "1<=2", {num("1"), cmp("<="), num("2")}},
                    Case{GEN, "1<>2", {num("1"), cmp("<>"), num("2")}},
                    Case{GEN, "1<=>2", {num("1"), cmp("<=>"), num("2")}},
                    Case{GEN, "1!=2", {num("1"), cmp("!="), num("2")}},
                    Case{MY, "a BETWEEN 1 AND 2",
                         {nm("a"), SP, cmp("BETWEEN"), SP, num("1"), SP, kw("AND"), SP, num("2")}},
                    Case{MY, "a like b", {nm("a"), SP, cmp("like"), SP, nm("b")}},
                    Case{PG, "EXISTS (1)", {cmp("EXISTS"), SP, LP, num("1"), RP}},
                    Case{ORA, "a In (1)", {nm("a"), SP, cmp("In"), SP, LP, num("1"), RP}},
                    Case{MSS, "NOT a", {cmp("NOT"), SP, nm("a")}},
                    Case{ORA, "DECODE(a)", {cmp("DECODE"), LP, nm("a"), RP}, kWords, "66-splt_wdtext:DECODE\n"},
                    Case{IFX, "when", {cmp("when")}},
                    Case{GEN, ">>=", {cmp(">"), cmp(">=")}, kWords, "66-splt_wdtext:>\n66-splt_wdtext:>=\n"},
                    Case{GEN, "<>=", {cmp("<>"), oth("=")}},
                    Case{GEN, "!==", {cmp("!="), oth("=")}},
                    Case{GEN, "!a", {oth("!"), oth("a")}},
                    Case{GEN, "||", {PIPE, PIPE}},
                    Case{MY, "a = 1", {nm("a"), SP, oth("="), SP, num("1")}}),
    case_name);

// The same shared words in every dialect state, where the name rules of the
// dialects compete with them.
INSTANTIATE_TEST_SUITE_P(
    AcrossDialects, SharedWords,
    testing::ValuesIn(
        in_dialects({ORA, MSS, DB2, MY, PG, IFX}, "x IS  NULL", {nm("x"), SP, cmp("IS  NULL")}) +
        in_dialects({ORA, MSS, DB2, MY, PG}, "SELECTED NOT1 CASE_1",
                    {nm("SELECTED"), SP, nm("NOT1"), SP, nm("CASE_1")}) +
        in_dialects({ORA, MSS, DB2, MY, PG}, "ORDER BYTES", {{"ORDER BY", SPLT_WD_TYPE_ORDER_BY, 0x0080}, nm("TES")}) +
        in_dialects({ORA, MSS, DB2, MY, PG}, "IS NULLABLE", {cmp("IS NULL"), nm("ABLE")}) +
        in_dialects({MY, ORA}, "IS NOT NULL", {kw("IS"), SP, cmp("NOT"), SP, NULL_WORD}) +
        in_dialects({MSS, DB2, PG}, "IS NOT NULL", {nm("IS"), SP, cmp("NOT"), SP, NULL_WORD}) +
        in_dialects({GEN, MSS, DB2, IFX, 4}, "DISTINCT all", {kw("DISTINCT"), SP, kw("all")}) +
        in_dialects({MY, ORA, PG}, "DISTINCT all", {sel_kw("DISTINCT"), SP, sel_kw("all")}) +
        in_dialects({GEN, MSS, DB2, MY, PG, IFX}, "select Select SeLeCt",
                    {{"select", 12, 0x0080}, SP, {"Select", 12, 0x0080}, SP, {"SeLeCt", 12, 0x0080}}) +
        in_dialects({ORA}, "select Select SeLeCt",
                    {{"select", 12, 0x0200}, SP, {"Select", 12, 0x0200}, SP, {"SeLeCt", 12, 0x0200}}) +
        in_dialects({GEN, ORA, MSS, DB2, MY, PG, IFX}, "ROWNUM", {nm("ROWNUM")}) +
        in_dialects({GEN, ORA, MSS, DB2, MY, PG, IFX}, "NULL", {NULL_WORD}) +
        in_dialects({GEN, ORA, MSS, DB2, MY, PG, IFX}, "1.5e-3", {num("1.5e-3")}) +
        in_dialects({GEN, ORA, MSS, DB2, MY, PG, IFX}, "\x80", {oth("\x80")}) +
        in_dialects({GEN, ORA, MSS, DB2, MY, PG, IFX}, "\xFF", {oth("\xFF")}) +
        in_dialects({ORA, MSS, DB2, MY, PG, IFX}, "a\fb\vc", {nm("a"), oth("\f"), nm("b"), oth("\v"), nm("c")}) +
        in_dialects({ORA, MSS, DB2, MY, PG, IFX}, "a\x80" "b", {nm("a"), oth("\x80"), nm("b")})),
    case_name);

// Rows whose words depend on the dialect in a way in_dialects cannot state.
INSTANTIATE_TEST_SUITE_P(
    DialectSpecific, SharedWords,
    testing::Values(Case{GEN, "x IS  NULL", {oth("x"), SP, cmp("IS  NULL")}},
                    Case{MY, "SELECTED", {nm("SELECTED")}},
                    Case{MY, "ORDER/**/BY", {kw("ORDER"), cmt("/**/"), kw("BY")}},
                    Case{GEN, "a\fb", {oth("a"), oth("\f"), oth("b")}},
                    Case{GEN, "\xA1\xA1", {oth("\xA1"), oth("\xA1")}},
                    Case{MY, "\xA1\xA1", {nm("\xA1\xA1")}},
                    Case{GEN, "\xB0\xA1", {oth("\xB0"), oth("\xA1")}},
                    Case{ORA, "\xB0\xA1", {nm("\xB0\xA1")}},
                    Case{MY, "a \t\r\n  b", {nm("a"), SP, nm("b")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    GbkComma, SharedWords,
    testing::Values(Case{GEN, "a\xA3\xAC" "b", {oth("a"), GBK_COMMA, oth("b")}},
                    Case{MY, "a\xA3\xAC" "b", {nm("a"), GBK_COMMA, nm("b")}},
                    Case{PG, "1\xA3\xAC" "2", {num("1"), GBK_COMMA, num("2")}},
                    Case{GEN, "\xA3\xAD", {oth("\xA3"), oth("\xAD")}},
                    Case{MY, "\xA3\xAD", {nm("\xA3\xAD")}},
                    Case{GEN, "\xA3", {oth("\xA3")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Numbers, SharedWords,
    testing::Values(Case{GEN, "-5", {oth("-"), num("5")}},
                    Case{GEN, "1.5e-3 1.e5 1. .5", {num("1.5e-3"), SP, num("1.e5"), SP, num("1."), SP, num(".5")}},
                    Case{GEN, "1e5 1E+5 0x1F 0b101", {num("1e5"), SP, num("1E+5"), SP, num("0x1F"), SP, num("0b101")}},
                    Case{GEN, "1e", {num("1"), oth("e")}},
                    Case{MY, "1e", {num("1"), nm("e")}},
                    Case{GEN, "1e+", {num("1"), oth("e"), oth("+")}},
                    Case{GEN, "0x", {num("0"), oth("x")}},
                    Case{MY, "0xg", {num("0"), nm("xg")}},
                    Case{GEN, "0b102", {num("0b10"), num("2")}},
                    Case{GEN, "12.34.56", {num("12.34"), num(".56")}},
                    Case{GEN, "0x1.5", {num("0x1"), num(".5")}},
                    Case{MY, "1abc", {num("1"), nm("abc")}},
                    Case{GEN, "1abc", {num("1"), oth("a"), oth("b"), oth("c")}},
                    Case{MY, "00x1", {num("00"), nm("x1")}},
                    Case{GEN, ". .x", {oth("."), SP, oth("."), oth("x")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Comments, SharedWords,
    testing::Values(Case{GEN, "/* a */", {cmt("/* a */")}},
                    Case{GEN, "/* a **/", {cmt("/* a **/")}},
                    Case{GEN, "/* x * / y */", {cmt("/* x * / y */")}},
                    Case{GEN, "/* a /* b */ c */", {cmt("/* a /* b */"), SP, oth("c"), SP, STAR, oth("/")}},
                    Case{MY, "/* a /* b */ c */", {cmt("/* a /* b */"), SP, nm("c"), SP, STAR, oth("/")}},
                    Case{GEN, "/*SELECT*/", {SEL, cmt("/**/")}},
                    Case{ORA, "/*SELECT*/", {SEL_ORA, cmt("/**/")}},
                    Case{GEN, "/* SELECT */", {cmt("/* SELECT */")}},
                    Case{GEN, "/*(*/", {LP, cmt("/**/")}},
                    Case{GEN, "/*,*/", {COMMA, cmt("/**/")}},
                    Case{GEN, "/*IS NULL*/", {cmp("IS NULL"), cmt("/**/")}},
                    Case{GEN, "/*ORDER BY*/", {{"ORDER BY", SPLT_WD_TYPE_ORDER_BY, 0x0080}, cmt("/**/")}},
                    Case{PG, "/*rowid*/", {nm("rowid"), cmt("/**/")}},
                    Case{MY, "/*NULL*/", {NULL_WORD, cmt("/**/")}},
                    Case{GEN, "/*1*/", {cmt("/*1*/")}},
                    Case{MY, "/*abc*/", {cmt("/*abc*/")}},
                    Case{GEN, "/*t.*/ x */", {stn("t.*"), cmt("/*/ x */")}},
                    Case{GEN, "/*/*x*/", {cmt("/*/*x*/")}},
                    Case{GEN, "/*;*/", {cmt("/*;*/")}},
                    Case{GEN, "SELECT 1 /* x", {SEL, SP, num("1"), SP}},
                    Case{GEN, "SELECT 1 /* a *", {SEL, SP, num("1"), SP, STAR}},
                    Case{GEN, "/*x**", {STAR, STAR}},
                    Case{MY, "a/* b */c", {nm("a"), cmt("/* b */"), nm("c")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Stars, SharedWords,
    testing::Values(Case{MY, "count(*)", {nm("count"), LP, STAR, RP}},
                    Case{GEN, "t.*", {stn("t.*")}},
                    Case{GEN, "s.t.* a1.b2.* #tmp.* $x.*",
                         {stn("s.t.*"), SP, stn("a1.b2.*"), SP, stn("#tmp.*"), SP, stn("$x.*")}},
                    Case{GEN, "\xB0\xA1.*", {stn("\xB0\xA1.*")}},
                    Case{GEN, "SELECT.*", {stn("SELECT.*")}},
                    Case{GEN, "t . *", {oth("t"), SP, oth("."), SP, STAR}},
                    Case{GEN, "a.1.*", {oth("a"), num(".1"), oth("."), STAR}},
                    Case{GEN, "a..*", {oth("a"), oth("."), oth("."), STAR}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Separator, SharedWords,
    testing::Values(Case{MY, "SELECT /*;*/ 1", {SEL, SP, cmt("/*;*/"), SP, num("1")}},
                    Case{MY, "SELECT ';'", {SEL, SP, str("';'")}},
                    Case{MSS, "SELECT ';'", {}, -6},
                    Case{GEN, "SELECT a > 1;", {}, -6, "66-splt_wdtext:>\n"}),
    case_name);

// The split call writes its debug lines when it ends, in one write where
// they fit a hold of 4 KiB: more lines than that, and a line longer than
// it, keep their order.
Words comparisons(int count) {
    Words words;
    for (int i = 0; i < count; ++i) words = words + Words{oth("a"), cmp(">"), oth("b"), SP};
    return words;
}
std::string comparisons_sql(int count) {
    std::string sql;
    for (int i = 0; i < count; ++i) sql += "a>b ";
    return sql;
}
const std::string kLongIsNull = "IS" + std::string(5000, ' ') + "NULL";

INSTANTIATE_TEST_SUITE_P(
    DebugLinesBeyondTheHold, SharedWords,
    testing::Values(Case{GEN, comparisons_sql(400), comparisons(400)},
                    Case{GEN, kLongIsNull, {cmp(kLongIsNull)}},
                    Case{GEN, comparisons_sql(300) + kLongIsNull + " " + comparisons_sql(2),
                         comparisons(300) + Words{cmp(kLongIsNull), SP} + comparisons(2)}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    CatchAll, SharedWords,
    testing::Values(Case{GEN, "=+-/%&^~?:@'`\"#", others("=+-/%&^~?:@'`\"#")},
                    Case{GEN, std::string("\x01\x02\x7F", 3), others("\x01\x02\x7F")},
                    Case{GEN, "\x81", {oth("\x81")}},
                    Case{MY, "\x81", {oth("\x81")}},
                    Case{GEN, "1--2", {num("1"), oth("-"), oth("-"), num("2")}},
                    Case{MY, "a ~ b", {nm("a"), SP, oth("~"), SP, nm("b")}}),
    case_name);

}  // namespace
}  // namespace split_test
