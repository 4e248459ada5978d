// Names, variables, line comments, star names with quoted parts and dotted
// names with gaps (assembled by re-scanning).
#include "split_harness.h"

namespace split_test {
namespace {

class Names : public testing::TestWithParam<Case> {};
TEST_P(Names, Words) { expect_case(GetParam()); }

Word at_var(std::string t) { return {std::move(t), SPLT_WD_TYPE_AT_VARIABLE, 0x0080}; }
Word atat_var(std::string t) { return {std::move(t), SPLT_WD_TYPE_ATAT_VARIABLE, 0x0080}; }
Word bind(std::string t) { return {std::move(t), SPLT_WD_TYPE_BIND_VARIABLE, 0x0080}; }

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, Names,
    testing::Values(
        Case{MY, "SELECT @@global.x, @v, t.*, `t`.`c`, \"s\".t FROM db.t # note",
             {SEL, SP, atat_var("@@global.x"), COMMA, SP, at_var("@v"), COMMA, SP, stn("t.*"), COMMA, SP,
              nm("`t`.`c`"), COMMA, SP, dq("\"s\".t"), SP, FROM, SP, nm("db.t"), SP}},
        Case{ORA, "SELECT :new.x, \"T\".\"C\", \"a\".*, t.* FROM t -- c",
             {SEL_ORA, SP, bind(":new.x"), COMMA, SP, nm("\"T\".\"C\""), COMMA, SP, stn("\"a\".*"), COMMA, SP,
              stn("t.*"), SP, FROM, SP, nm("t"), SP}},
        Case{PG, "SELECT a::int, \"T\".c::text, $1::int, 1::text, a$b FROM s.t",
             {SEL, SP, cast("a::int"), COMMA, SP, cast("\"T\".c::text"), COMMA, SP, cast("$1::int"), COMMA, SP,
              num("1"), cast("::text"), COMMA, SP, nm("a"), oth("$"), nm("b"), SP, FROM, SP, nm("s.t")}},
        Case{MSS, "SELECT a.b, \"x\".y, \"1\".z FROM t -- c",
             {SEL, SP, nm("a.b"), COMMA, SP, nm("\"x\".y"), COMMA, SP, nm("\"1\".z"), SP, FROM, SP, nm("t"), SP}},
        Case{MY, "SELECT a.b, \"x\".y, \"1\".z FROM t -- c",
             {SEL, SP, nm("a.b"), COMMA, SP, dq("\"x\".y"), COMMA, SP, dq("\"1\".z"), SP, FROM, SP, nm("t"), SP}},
        Case{MY, "SELECT a . b . *, x /*c*/ . y FROM t",
             {SEL, SP, stn("a.b.*"), COMMA, SP, nm("x.y"), SP, FROM, SP, nm("t")}},
        Case{MY, "SELECT t . ROWID FROM x", {SEL, SP, nm("ROWID"), FROM}, kWords, "612-splt_wdtext:ROWID\n"},
        Case{MY, "SELECT a -- x . b\nFROM t", {SEL, SP, FROM, nm("at")}}),
    case_name);

std::vector<Case> dotted_name_cases() {
    std::vector<Case> cases;
    for (std::uint16_t d : {MY, ORA, MSS, DB2, IFX}) {
        const Cases rows = {
            {d, "SELECTED NOT1 a.b.c", {nm("SELECTED"), SP, nm("NOT1"), SP, nm("a.b.c")}},
            {d, "a.1", {quoted(d, "a."), num("1")}},
            {d, "a..b", {quoted(d, "a."), oth("."), nm("b")}},
            {d, "SELECT.", {quoted(d, "SELECT.")}},
            {d, "\"s\".t", {quoted(d, "\"s\".t")}},
            {d, "a\"b\"c", {quoted(d, "a\"b\"c")}},
            {d, "\"a.b\" \"!\"", {quoted(d, "\"a.b\""), SP, quoted(d, "\"!\"")}},
            {d, "x = 1--2", {nm("x"), SP, oth("="), SP, num("1")}},
        };
        cases.insert(cases.end(), rows.begin(), rows.end());
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(DottedNames, Names, testing::ValuesIn(dotted_name_cases()), case_name);

INSTANTIATE_TEST_SUITE_P(
    LineComments, Names,
    testing::Values(Case{MY, "#abc", {nm("#abc")}},
                    Case{MY, "#abc\nx", {nm("#abc"), SP, nm("x")}},
                    Case{MY, "# abc", {}},
                    Case{MY, "#a b", {}},
                    Case{MY, "# c\nx", {SP, nm("x")}},
                    Case{MY, "-- c\nx", {nm("x")}},
                    Case{MY, "--c;\nx", {nm("x")}},
                    Case{MY, "# c;", {}},
                    Case{PG, "x = 1--2", {nm("x"), SP, oth("="), SP, num("1")}},
                    Case{IFX, "/**/x = 1--2", {cmt("/**/"), oth("x"), SP, oth("="), SP, num("1")}},
                    Case{GEN, "x = 1--2", others("x") + Words{SP, oth("="), SP, num("1"), oth("-"), oth("-"), num("2")}},
                    Case{ORA, "#a b", {nm("#a"), SP, nm("b")}},
                    Case{MY, "#\nx", {nm("#"), SP, nm("x")}},
                    Case{MY, "a --", {nm("a"), SP}},
                    Case{IFX, "-- c\nfirst", {nm("first")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    PostgreSqlNames, Names,
    testing::Values(Case{PG, "#a", {oth("#"), nm("a")}},
                    Case{PG, "a$b", {nm("a"), oth("$"), nm("b")}},
                    Case{PG, "a$b::int", {cast("a$b::int")}},
                    Case{PG, "a :: int", {cast("a :: int")}},
                    Case{PG, "a:: int", {cast("a:: int")}},
                    Case{PG, "a ::\fint", {cast("a ::\fint")}},
                    Case{PG, "\"a\" ::int", {nm("\"a\""), SP, cast("::int")}},
                    Case{PG, "A::INT", {cast("A::INT")}},
                    Case{PG, "a.b::int::text", {cast("a.b::int::text")}},
                    Case{PG, "\"a.b\"::int", {cast("\"a.b\"::int")}},
                    Case{PG, "\"T\".c \"1\".x", {nm("\"T\".c"), SP, nm("\"1\".x")}},
                    Case{PG, "a.1", {nm("a."), num("1")}},
                    Case{PG, "a . b", {nm("a"), SP, oth("."), SP, nm("b")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    Variables, Names,
    testing::Values(Case{MY, "@", {at_var("@")}},
                    Case{MY, "@@", {atat_var("@@")}},
                    Case{MY, "@1", {at_var("@"), num("1")}},
                    Case{MY, "@a@b", {at_var("@a"), at_var("@b")}},
                    Case{MY, "@@@a", {atat_var("@@"), at_var("@a")}},
                    Case{MY, "@\"x\" @`y`.z", {at_var("@\"x\""), SP, at_var("@`y`.z")}},
                    Case{MY, "@@session.`x`", {atat_var("@@session.`x`")}},
                    Case{ORA, "@a", {oth("@"), nm("a")}},
                    Case{ORA, ":1", {oth(":"), num("1")}},
                    Case{ORA, ":a.", {bind(":a"), oth(".")}},
                    Case{ORA, "::a", {oth(":"), bind(":a")}},
                    Case{ORA, ":a.b", {bind(":a.b")}},
                    Case{MY, ":a", {oth(":"), nm("a")}},
                    Case{MY, "@a.b @@\"\"", {at_var("@a.b"), SP, atat_var("@@\"\"")}},
                    Case{PG, "$1", {oth("$"), num("1")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    BacktickNames, Names,
    testing::Values(Case{MY, "`a`", {nm("`a`")}},
                    Case{MY, "`a`.`b`.c", {nm("`a`.`b`.c")}},
                    Case{MY, "``", {oth("`"), oth("`")}},
                    Case{MY, "`a b`", {oth("`"), nm("a"), SP, nm("b"), oth("`")}},
                    Case{MY, "`1x`", {nm("`1x`")}},
                    Case{ORA, "`a`", {oth("`"), nm("a"), oth("`")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    StarNames, Names,
    testing::ValuesIn(in_dialects({MY, ORA}, "'a.*'", {stn("'a.*")}) +
                      in_dialects({MY, ORA}, "%a.* a.1.*", {stn("%a.*"), SP, stn("a.1.*")}) +
                      Cases{Case{MY, "SELECT 'a.*' FROM t", {SEL, SP, stn("'a.*")}},
                            Case{MY, "@a.*", {stn("@a.*")}},
                            Case{MY, "\"a\".* \"a b\".*", {stn("\"a\".*"), SP, dq("\"a b\""), oth("."), STAR}},
                            Case{ORA, "\"a\".* \"a b\".*", {stn("\"a\".*"), SP, nm("\"a b\""), oth("."), STAR}},
                            Case{MSS, "\"a\".*", {nm("\"a\"."), STAR}}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    NamesWithGaps, Names,
    testing::Values(Case{MY, "a . *", {nm("a"), SP, oth("."), SP, STAR}},
                    Case{MY, "a . b", {nm("a.b")}},
                    Case{ORA, "a . b", {nm("a.b")}},
                    Case{MY, "a/**/.b", {nm("a.b")}},
                    Case{MY, "a -- c\n. b", {nm("a.b")}},
                    Case{MY, "a\n.\tb . c", {nm("a.b.c")}},
                    Case{ORA, "s . t . *", {stn("s.t.*")}},
                    Case{MY, "a /***/ . b", {nm("a"), SP, cmt("/***/"), SP, oth("."), SP, nm("b")}},
                    Case{MY, "SELECT a  .  b FROM t", {SEL, SP, SP, SP, FROM}},
                    Case{MY, "a . b.*", {stn("b.*")}},
                    Case{MY, "a . b.* FROM t", {stn("b.*"), FROM, nm("a.t")}},
                    Case{MSS, "a . b", {nm("a"), SP, oth("."), SP, nm("b")}},
                    // A complete comment read after the name is a gap; "/***/" is not,
                    // so the pending word and that comment become one comment word.
                    Case{MY, "t . SELECT /* x */", {SEL}},
                    // The keyword tables are not active while a name is re-read.
                    Case{ORA, "t . WITH", {nm("t.WITH")}, kWords, ""},
                    Case{MY, "t . SELECT /***/ y", {SEL, cmt("t./***/"), SP, nm("y")}},
                    Case{PG, "a /**/ . b", {nm("a"), SP, cmt("/**/"), SP, oth("."), SP, nm("b")}}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    InformixState, Names,
    testing::Values(Case{IFX, "/**/col", {cmt("/**/"), oth("c"), oth("o"), oth("l")}},
                    Case{IFX, "/**/x --c\ny", {cmt("/**/"), oth("x"), SP, oth("y")}},
                    Case{IFX, "/**/a.b", {cmt("/**/"), oth("a"), oth("."), oth("b")}},
                    Case{IFX, "/**/a.b.*", {cmt("/**/"), stn("a.b.*")}}),
    case_name);

}  // namespace
}  // namespace split_test
