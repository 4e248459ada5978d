// Quoted literals: single-quoted strings, double-quoted words, dollar-quoted
// strings and the PostgreSQL prefixed forms, with the shared words that
// intrude into their bodies.
#include "split_harness.h"

namespace split_test {
namespace {

class QuotedLiterals : public testing::TestWithParam<Case> {};
TEST_P(QuotedLiterals, Words) { expect_case(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, QuotedLiterals,
    testing::Values(
        Case{MY, "SELECT 'it''s', \"a b\", t.c FROM t",
             {SEL, SP, str("'it''s'"), COMMA, SP, dq("\"a b\""), COMMA, SP, nm("t.c"), SP, FROM, SP, nm("t")}},
        Case{ORA, "SELECT 'a\\' FROM t", {SEL_ORA, SP, str("'a\\'"), SP, FROM, SP, nm("t")}},
        Case{PG, "SELECT E'x\\'y', 'abc' :: text, $fn$ body $fn$ FROM t",
             {SEL, SP, nm("E"), str("'x\\'y'"), COMMA, SP, str("'abc' :: text"), COMMA, SP, dollar("$fn$ body $fn$"),
              SP, FROM, SP, nm("t")}},
        Case{PG, "SELECT X'1F', B'101', X'1G', U&\"d0061t\"",
             {SEL, SP, bits("X'1F'"), COMMA, SP, bits("B'101'"), COMMA, SP, nm("X"), str("'1G'"), COMMA, SP,
              {"U&\"d0061t\"", SPLT_WD_TYPE_NAME, 0x0811}}},
        Case{PG, "SELECT $a$ x $b$ y $a$", {}, -5},
        Case{PG, "SELECT $$SELECT$$, $f$ x $1 $f$",
             {SEL, SP, SEL, dollar("$$$$"), COMMA, SP, oth("$"), dollar("$f$ x 1 $f$")}},
        Case{MSS, "SELECT 'abc', \"x y\" FROM t",
             {SEL, SP, oth("'"), nm("abc"), oth("'"), COMMA, SP, nm("\"x y\""), SP, FROM, SP, nm("t")}},
        Case{MY, "SELECT \"my select col\" FROM t",
             {SEL, SP, {"select", SPLT_WD_TYPE_SELECT, 0x0080}, dq("\"my  col\""), SP, FROM, SP, nm("t")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    SingleQuotedMySqlOracle, QuotedLiterals,
    testing::ValuesIn(in_dialects({MY, ORA}, "''", {str("''")}) + in_dialects({MY, ORA}, "''''", {str("''''")}) +
                      in_dialects({MY, ORA}, "'a''", {}) + in_dialects({MY, ORA}, "'a\\'", {str("'a\\'")}) +
                      in_dialects({MY, ORA}, "'a\\''", {}) +
                      in_dialects({MY, ORA}, "'a\\'' x'", {str("'a\\'' x'")}) +
                      in_dialects({MY, ORA}, "'a;b' 'SELECT'", {str("'a;b'"), SP, str("'SELECT'")}) +
                      in_dialects({MY, ORA}, "'\x81\\'", {str("'\x81\\'")}) +
                      in_dialects({MY, ORA}, "'a\nb' '--' '/*'", {str("'a\nb'"), SP, str("'--'"), SP, str("'/*'")}) +
                      in_dialects({MY, ORA}, "'a'b", {str("'a'"), nm("b")}) +
                      // A GBK character whose trail byte is a backslash, then ".*": the
                      // star name reaches past the string rule, which stops at the backslash.
                      in_dialects({MY, ORA}, "'\\a\x81\\.*'", {stn("a\x81\\.*"), str("'\\'")})),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    SingleQuotedPostgreSql, QuotedLiterals,
    testing::Values(Case{PG, "'x\\'y'", {str("'x\\'y'")}},
                    Case{PG, "E'x\\'y'", {nm("E"), str("'x\\'y'")}},
                    Case{PG, "'a\\\\'", {str("'a\\\\'")}},
                    Case{PG, "'it''s'", {str("'it''s'")}},
                    Case{PG, "'\x81\\'", {}},
                    Case{PG, "'\x81\\' a'", {str("'\x81\\' a'")}},
                    Case{PG, "'abc'::text", {str("'abc'::text")}},
                    Case{PG, "'a'::text::varchar", {str("'a'::text::varchar")}},
                    Case{PG, "'a' :: text :: varchar(2)", {str("'a' :: text :: varchar"), LP, num("2"), RP}},
                    Case{PG, "'b'::character varying", {str("'b'::character"), SP, nm("varying")}},
                    Case{PG, "'1'::numeric(10)", {str("'1'::numeric"), LP, num("10"), RP}},
                    Case{PG, "'a' ::", {str("'a'"), SP, oth(":"), oth(":")}},
                    Case{PG, "'a\\\nb'", {oth("\\"), str("'a\nb'")}},
                    Case{PG, "'a;b'", {str("'a;b'")}},
                    Case{PG, "SELECT 'abc", {SEL, SP}},
                    Case{PG, "N'x'", {nm("N"), str("'x'")}},
                    Case{PG, "'a'\n::\ntext x", {str("'a'\n::\ntext"), SP, nm("x")}},
                    Case{PG, "\"abc\" \"a.b\"", {nm("\"abc\""), SP, nm("\"a.b\"")}},
                    Case{PG, "'a\x81\\.*'", {stn("a\x81\\.*"), str("''")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    PrefixedPostgreSql, QuotedLiterals,
    testing::Values(Case{PG, "X'' B''", {bits("X''"), SP, bits("B''")}},
                    Case{PG, "x'0aF' b'0'", {bits("x'0aF'"), SP, bits("b'0'")}},
                    Case{PG, "X'1G'", {nm("X"), str("'1G'")}},
                    Case{PG, "B'012'", {nm("B"), str("'012'")}},
                    Case{PG, "u&\"abc\"", {{"u&\"abc\"", SPLT_WD_TYPE_NAME, 0x0811}}},
                    Case{PG, "U&\"a b\"", {nm("U"), oth("&"), oth("\""), nm("a"), SP, nm("b"), oth("\"")}},
                    Case{PG, "\"a b\"", {oth("\""), nm("a"), SP, nm("b"), oth("\"")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    DollarQuoted, QuotedLiterals,
    testing::Values(Case{PG, "$x$ a;b -- c $x$", {dollar("$x$ a;b -- c $x$")}},
                    Case{PG, "$$\n'q' /* c */\n$$", {dollar("$$\n'q' /* c */\n$$")}},
                    Case{PG, "SELECT a, $tag_1$x$tag_1$", {SEL, SP, nm("a"), COMMA, SP, dollar("$tag_1$x$tag_1$")}},
                    Case{PG, "'s' $q$x$q$", {str("'s'"), SP, dollar("$q$x$q$")}},
                    Case{PG, "-- c\n$q$x$q$", {dollar("$q$x$q$")}},
                    Case{PG, "$fn$ x $$ y $fn$", {}, -5},
                    Case{PG, "$b$ x $a$ y $b$", {}, -5},
                    Case{PG, "$a$ x $A$", {}, -5},
                    Case{PG, "$ab$ x $a$", {}, -5},
                    Case{PG, "$f$ x $1 $f$", {oth("$"), dollar("$f$ x 1 $f$")}},
                    Case{PG, "$$ a $", {oth("$")}},
                    Case{PG, "$$ x", {}},
                    Case{PG, "$$a.*", {stn("$$a.*")}},
                    Case{PG, "$$ a.* $$", {dollar("$$ a.* $$")}},
                    Case{PG, "$$SELECT$$", {SEL, dollar("$$$$")}},
                    Case{PG, "$$,$$", {COMMA, dollar("$$$$")}},
                    // The opening tag is found through the parse position, which
                    // every match advances by its whole length.
                    Case{PG, "SELECT    $q$x$q$", {SEL, SP, dollar("$q$x$q$")}},
                    Case{PG, "/* c */$q$x$q$", {cmt("/* c */"), dollar("$q$x$q$")}},
                    Case{PG, "X'1F'U&\"a\"$q$x$q$", {bits("X'1F'"), {"U&\"a\"", SPLT_WD_TYPE_NAME, 0x0811},
                                                     dollar("$q$x$q$")}},
                    Case{PG, "'a'::int 'b\\\n' $q$x$q$", {str("'a'::int"), SP, oth("\\"), str("'b\n'"), SP,
                                                         dollar("$q$x$q$")}},
                    Case{PG, "$\xB0\xA1$x$\xB0\xA1$", {dollar("$\xB0\xA1$x$\xB0\xA1$")}},
                    Case{PG, "$\xA3\xAC$x$\xA3\xAC$", {dollar("$\xA3\xAC$x$\xA3\xAC$")}},
                    Case{PG, "$_1$x$_1$ $1$", {dollar("$_1$x$_1$"), SP, oth("$"), num("1"), oth("$")}},
                    Case{MY, "$x$", {nm("$x$")}}),
    case_name);

// A blank or any other byte outside the quoted-word characters sends a
// double quote to the double-quote sub-scanner; shared words longer than one
// byte, and ">", "<", "(", ")", "|" and ",", are taken out of its body.
std::vector<Case> double_quoted_cases() {
    std::vector<Case> cases;
    for (std::uint16_t d : {MY, ORA, MSS, DB2}) {
        const Word select = d == ORA ? SEL_ORA : SEL;
        const std::vector<Case> rows = {
            {d, "\"x y\"", {quoted(d, "\"x y\"")}},
            {d, "\"a  b\"", {SP, quoted(d, "\"ab\"")}},
            {d, "\"a\nb\"", {SP, quoted(d, "\"ab\"")}},
            {d, "\"a\tb\"", {quoted(d, "\"a\tb\"")}},
            {d, "\"selection\"", {quoted(d, "\"selection\"")}},
            {d, "\"a selection\"", {{"select", SPLT_WD_TYPE_SELECT, select.mask}, quoted(d, "\"a ion\"")}},
            {d, "\"a,b\"", {COMMA, quoted(d, "\"ab\"")}},
            {d, "\"x>=1\"", {cmp(">="), quoted(d, "\"x1\"")}},
            {d, "\"a 12\"", {num("12"), quoted(d, "\"a \"")}},
            {d, "\"a;b\"", {quoted(d, "\"a;b\"")}},
            {d, "\"(a b)\"", {LP, RP, quoted(d, "\"a b\"")}},
            {d, "\"a b\"\"c\"", {quoted(d, "\"a b\""), quoted(d, "\"c\"")}},
            {d, "\"a=b FROM x\"", {FROM, quoted(d, "\"a=b  x\"")}},
            {d, "\"a/*x*/b\" FROM t", {cmt("\"a/*x*/"), nm("b"), FROM}},
            {d, "\"a b", {}},
            {d, "SELECT \"a b", {select, SP}},
            {d, "\"\"", {quoted(d, "\"\"")}},
            {d, "\"abc\"", {quoted(d, "\"abc\"")}},
            {d, "\"a|b\"", {PIPE, quoted(d, "\"ab\"")}},
            {d, "\"a --b\"", {quoted(d, "\"a --b\"")}},
            {d, "\"a\xA3\xAC" "b\"", {GBK_COMMA, quoted(d, "\"ab\"")}},
            {d, "\"x rownum\"", {nm("rownum"), quoted(d, "\"x \"")}},
            {d, "\"a t.* b\"", {stn("t.*"), quoted(d, "\"a  b\"")}},
            {d, "\"a IS  NULL\"", {cmp("IS  NULL"), quoted(d, "\"a \"")}},
        };
        cases.insert(cases.end(), rows.begin(), rows.end());
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(DoubleQuoted, QuotedLiterals, testing::ValuesIn(double_quoted_cases()), case_name);

INSTANTIATE_TEST_SUITE_P(
    WithoutStringRules, QuotedLiterals,
    testing::ValuesIn(in_dialects({MSS, DB2, IFX}, "'abc'", {oth("'"), nm("abc"), oth("'")}) +
                      Cases{
                          Case{GEN, "'abc'", others("'abc'")},
                          Case{IFX, "\"x y\" col", {dq("\"x y\""), SP, oth("c"), oth("o"), oth("l")}},
                          Case{MSS, "\"x y\" col", {nm("\"x y\""), SP, nm("col")}},
                          Case{IFX, "/**/'a' \"b\"", Words{cmt("/**/")} + others("'a'") + Words{SP} + others("\"b\"")},
                          Case{GEN, "\"a b\"", others("\"a") + Words{SP} + others("b\"")}}),
    case_name);

}  // namespace
}  // namespace split_test
