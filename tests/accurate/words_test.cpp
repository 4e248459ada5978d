// The words of the accurate profile, one table per topic: how each dialect's
// server reads strings, names, comments, variables, numbers and operators.
// Every row also gets the checks of Soundness (accurate_rows.h).
#include "accurate_rows.h"

namespace accurate_test {
namespace {

TEST(AccurateWords, EveryDialect) {
    CheckRows({
        {ALL, "SELECT a,\tb\r\n\f\v FROM  t", "SELECT·a·,«comma»·b·FROM·t"},
        {ALL, "SELECT 123, 1.5, .5, 1., 1e10, 1.5E-3 FROM t",
         "SELECT·123«number»·,·1.5«number»·,·.5«number»·,·1.«number»·,·1e10«number»·,·1.5E-3«number»·FROM·t"},
        {ALL & ~MY, "SELECT 1abc", "SELECT·1«number»·abc«name»"},
        {ALL, "SELECT café, 名前 FROM t", "SELECT·café«name»·,·名前«name»·FROM·t"},
        {ALL, "SELECT \xd0\xd5\xc3\xfb, a\xb1\xed" "b FROM t", "SELECT·\xd0\xd5\xc3\xfb«name»·,·a\xb1\xed" "b«name»·FROM·t"},
        {ALL, "SELECT 1 -- note\nFROM t /* a\nb */", "SELECT·1·-- note«comment»·FROM·t·/* a\nb */«comment»"},
        {ALL, "SELECT /**/ 1 /* ; ' \" */ -- last", "SELECT·/**/«comment»·1·/* ; ' \" */«comment»·-- last«comment»"},
        {ALL & ~MY, "SELECT 1--1", "SELECT·1«number»·--1«comment»"},
        {ALL, "SELECT '--', '/*', 'a;b' FROM t", "SELECT·'--'«string»·,·'/*'«string»·,·'a;b'«string»·FROM·t"},
        {ALL, "SELECT COUNT(*), a FROM t WHERE b <> 1; SELECT 2",
         "SELECT·COUNT·(«lparen»·*«star»·)«rparen»·,«comma»·a·FROM·t·WHERE·b·<>«comparison»·1·;«other»·SELECT·2"},
        {ALL, "SELECT 1 FROM t WHERE a<b OR a>b OR a<=b OR a>=b OR a=b",
         "SELECT·1·FROM·t·WHERE·a·<«comparison»·b·OR·a·>«comparison»·b·OR·a·<=«comparison»·b·OR·a·>=«comparison»·b·"
         "OR·a·=«other»·b"},
    });
}

// Anything left open runs to the end as one word that says so.
TEST(AccurateWords, Unterminated) {
    CheckRows({
        {ALL, "SELECT 'abc", "SELECT·'abc«string!»"},
        {ALL, "SELECT 'it''", "SELECT·'it''«string!»"},
        {ALL, "SELECT 'a;b\nc -- d", "SELECT·'a;b\nc -- d«string!»"},
        {ALL, "SELECT 1 /* abc", "SELECT·1·/* abc«comment!»"},
        {ALL, "SELECT 1 /* a */ b /*", "SELECT·1·/* a */«comment»·b·/*«comment!»"},
        {PG | MSS | ORA | DB2 | GEN, "SELECT \"abc", "SELECT·\"abc«name!»"},
        {MY | IFX, "SELECT \"abc", "SELECT·\"abc«dq_string!»"},
        {MY, "SELECT `a``b", "SELECT·`a``b«name!»"},
        {MY, "SELECT 'abc\\'", "SELECT·'abc\\'«string!»"},
        {MSS, "SELECT [a]]b", "SELECT·[a]]b«name!»"},
        {PG, "SELECT E'abc\\'", "SELECT·E'abc\\'«string!»"},
        {PG, "SELECT $x$ abc", "SELECT·$x$ abc«dollar_string!»"},
        {PG, "SELECT $$ abc $x$", "SELECT·$$ abc $x$«dollar_string!»"},
        {PG | MSS, "SELECT /* a /* b */ c", "SELECT·/* a /* b */ c«comment!»"},
        {ORA, "SELECT q'[abc]", "SELECT·q'[abc]«string!»"},
        {ORA, "SELECT q'!a!", "SELECT·q'!a!«string!»"},
        {IFX, "SELECT 1 { abc", "SELECT·1·{ abc«comment!»"},
    });
}

TEST(AccurateWords, MySql) {
    CheckRows({
        {MY, R"(SELECT 'O\'Reilly', 'C:\\', 'it''s', "say ""hi""", "a\"b")",
         R"(SELECT·'O\'Reilly'«string»·,·'C:\\'«string»·,·'it''s'«string»·,·"say ""hi"""«dq_string»·,·"a\"b"«dq_string»)"},
        {MY, "SELECT N'abc', n'x', X'1F', x'0a', B'101', b'0' FROM t",
         "SELECT·N'abc'«string»·,·n'x'«string»·,·X'1F'«bit_string»·,·x'0a'«bit_string»·,·B'101'«bit_string»·,·"
         "b'0'«bit_string»·FROM·t"},
        {MY, "SELECT _utf8mb4'abc', _binary'x', _latin1\"y\"",
         "SELECT·_utf8mb4·'abc'«string»·,·_binary·'x'«string»·,·_latin1·\"y\"«dq_string»"},
        {MY, "SELECT 0x1F, 0b101, 1abc, 123abc$, a1$ FROM t1",
         "SELECT·0x1F«number»·,·0b101«number»·,·1abc«name»·,·123abc$«name»·,·a1$«name»·FROM·t1«name»"},
        {MY, "SELECT `a b`, `c;d`, `x``y`, `t.c` FROM `my table`",
         "SELECT·`a b`«name»·,·`c;d`«name»·,·`x``y`«name»·,·`t.c`«name»·FROM·`my table`«name»"},
        {MY, "SELECT 1--1, 2 --x", "SELECT·1«number»·-«other»·-«other»·1«number»·,·2·-·-·x"},
        {MY, "SELECT 1 -- c\n, 2 --\tc\n, 3 # c\n, 4#c\n, 5 --",
         "SELECT·1·-- c«comment»·,·2·--\tc«comment»·,·3·# c«comment»·,·4·#c«comment»·,·5·--«comment»"},
        {MY, "SELECT /* a /* b */ 1", "SELECT·/* a /* b */«comment»·1"},
        {MY, "SELECT /*!40001 SQL_NO_CACHE */ a FROM t", "SELECT·/*!40001«comment»·SQL_NO_CACHE·*/«comment»·a·FROM·t"},
        {MY, "SELECT /*! STRAIGHT_JOIN */ a", "SELECT·/*!«comment»·STRAIGHT_JOIN·*/«comment»·a"},
        {MY, "SELECT /*!50001 'a*/b', `c*/`, 2 */", "SELECT·/*!50001«comment»·'a*/b'«string»·,·`c*/`«name»·,·2·*/«comment»"},
        {MY, "SET @x = 1, @'a b' = 2, @\"c\" = 3, @`d e` = 4, @y_1$ = 5",
         "SET·@x«at_variable»·=«other»·1·,·@'a b'«at_variable»·=·2·,·@\"c\"«at_variable»·=·3·,·@`d e`«at_variable»·=·4·,·"
         "@y_1$«at_variable»·=·5"},
        {MY, "SELECT @@version, @@global.max_connections, @@session.sql_mode, ? FROM t",
         "SELECT·@@version«atat_variable»·,·@@global.max_connections«atat_variable»·,·"
         "@@session.sql_mode«atat_variable»·,·?«bind_variable»·FROM·t"},
        {MY, "SELECT a<=>b, a<=b, a>=b, a<>b, a!=b, a<<2, a>>2, a&&b, a||b, a|b, @v:=1, j->'$.x', j->>'$.y'",
         "SELECT·a·<=>«comparison»·b·,·a·<=«comparison»·b·,·a·>=«comparison»·b·,·a·<>«comparison»·b·,·"
         "a·!=«comparison»·b·,·a·<<«other»·2·,·a·>>«other»·2·,·a·&&«other»·b·,·a·||«pipe»·b·,·a·|«pipe»·b·,·"
         "@v«at_variable»·:=«other»·1·,·j·->«other»·'$.x'«string»·,·j·->>«other»·'$.y'«string»"},
    });
}

TEST(AccurateWords, PostgreSql) {
    CheckRows({
        {PG, R"(SELECT 'C:\', 'it''s', 'a\nb' FROM t)", R"(SELECT·'C:\'«string»·,·'it''s'«string»·,·'a\nb'«string»·FROM·t)"},
        {PG, R"(SELECT E'O\'Reilly', e'C:\\', E'it''s' FROM t)",
         R"(SELECT·E'O\'Reilly'«string»·,·e'C:\\'«string»·,·E'it''s'«string»·FROM·t)"},
        {PG, R"(SELECT U&'d\0061t', B'101', b'0', X'1F', x'ff', N'abc' FROM t)",
         R"(SELECT·U&'d\0061t'«string»·,·B'101'«bit_string»·,·b'0'«bit_string»·,·X'1F'«bit_string»·,·x'ff'«bit_string»·,·N'abc'«string»·FROM·t)"},
        {PG, "SELECT 'a'\n'b', 'c' \n\t 'd'\n'e', E'f'\n'g' FROM t",
         "SELECT·'a'\n'b'«string»·,·'c' \n\t 'd'\n'e'«string»·,·E'f'\n'g'«string»·FROM·t"},
        // The server's scanner joins strings across line comments (its
        // whitespace around the line break may hold them), not across
        // bracketed comments.
        {PG, "SELECT 'a' 'b', 'c'\n-- d\n'e', 'f'\n/* g */\n'h'",
         "SELECT·'a'«string»·'b'«string»·,·'c'\n-- d\n'e'«string»·,·'f'«string»·/* g */«comment»·'h'«string»"},
        {PG, "SELECT $$a;b$$, $fn$ SELECT 'x'; $fn$, $_t1$x$_t1$ FROM t",
         "SELECT·$$a;b$$«dollar_string»·,·$fn$ SELECT 'x'; $fn$«dollar_string»·,·$_t1$x$_t1$«dollar_string»·FROM·t"},
        {PG, "DO $outer$ BEGIN PERFORM $inner$x;y$inner$; END $outer$",
         "DO·$outer$ BEGIN PERFORM $inner$x;y$inner$; END $outer$«dollar_string»"},
        {PG, "SELECT $a$ x $b$ y $A$ z $a$", "SELECT·$a$ x $b$ y $A$ z $a$«dollar_string»"},
        {PG, "SELECT $1, $12, a$b$, x$1 FROM t",
         "SELECT·$1«bind_variable»·,·$12«bind_variable»·,·a$b$«name»·,·x$1«name»·FROM·t"},
        {PG, R"(SELECT "My Col", "a;b", "x""y", U&"d\0061t", _a1$ FROM "t")",
         R"(SELECT·"My Col"«name»·,·"a;b"«name»·,·"x""y"«name»·,·U&"d\0061t"«name»·,·_a1$«name»·FROM·"t"«name»)"},
        {PG, "SELECT 1--c\n, 2 /* a /* b */ c */, 3", "SELECT·1·--c«comment»·,·2·/* a /* b */ c */«comment»·,·3"},
        {PG, "SELECT 1 /*** x */ + /*/ y */ 2 /**/", "SELECT·1·/*** x */«comment»·+·/*/ y */«comment»·2·/**/«comment»"},
        {PG, "SELECT 'abc'::text, a::int FROM t", "SELECT·'abc'«string»·::«other»·text·,·a·::«other»·int·FROM·t"},
        {PG, "SELECT j->>'a', j @> k, k <@ j, p #>> '{a}', a || b, a != b, a ~* 'x' FROM t",
         "SELECT·j·->>«other»·'a'«string»·,·j·@>«other»·k·,·k·<@«other»·j·,·p·#>>«other»·'{a}'«string»·,·"
         "a·||«pipe»·b·,·a·!=«comparison»·b·,·a·~*«other»·'x'«string»·FROM·t"},
        {PG, "SELECT a+--c\n1, a*/*c*/b, a=-1, a@-1, a<-b, a<=-1, a!=-1 FROM t",
         "SELECT·a·+«other»·--c«comment»·1·,·a·*«star»·/*c*/«comment»·b·,·a·=«other»·-«other»·1·,·a·@-«other»·1·,·"
         "a·<«comparison»·-·b·,·a·<=«comparison»·-·1·,·a·!=-«other»·1·FROM·t"},
    });
}

TEST(AccurateWords, SqlServer) {
    CheckRows({
        {MSS, R"(SELECT 'x', 'it''s', N'abc', 'C:\' FROM t)",
         R"(SELECT·'x'«string»·,·'it''s'«string»·,·N'abc'«string»·,·'C:\'«string»·FROM·t)"},
        {MSS, R"(SELECT [a b], [c;d], [x]]y], "e f", "g""h" FROM [my table])",
         R"(SELECT·[a b]«name»·,·[c;d]«name»·,·[x]]y]«name»·,·"e f"«name»·,·"g""h"«name»·FROM·[my table]«name»)"},
        {MSS, "SELECT @x, @@ROWCOUNT, _a1 FROM #temp JOIN ##glob ON 1 = 1",
         "SELECT·@x«at_variable»·,·@@ROWCOUNT«atat_variable»·,·_a1«name»·FROM·#temp«name»·JOIN·##glob«name»·ON·1·=·1"},
        {MSS, "SELECT 1 -- c\n, 2--c\n, 3 /* a /* b */ c */ FROM t",
         "SELECT·1·-- c«comment»·,·2·--c«comment»·,·3·/* a /* b */ c */«comment»·FROM·t"},
        {MSS, "SELECT 0x1F, $12.50, 1.5e3 FROM t WHERE a != b",
         "SELECT·0x1F«number»·,·$12.50«number»·,·1.5e3«number»·FROM·t·WHERE·a·!=«comparison»·b"},
    });
}

TEST(AccurateWords, Oracle) {
    CheckRows({
        {ORA, R"(SELECT 'it''s', N'abc', 'C:\' FROM dual)", R"(SELECT·'it''s'«string»·,·N'abc'«string»·,·'C:\'«string»·FROM·dual)"},
        {ORA, "SELECT q'[a;b]', q'{it's}', q'(x)', q'<y>', Q'!O'Reilly!', q'#a]b#', nq'[c]', NQ'|d|' FROM dual",
         "SELECT·q'[a;b]'«string»·,·q'{it's}'«string»·,·q'(x)'«string»·,·q'<y>'«string»·,·Q'!O'Reilly!'«string»·,·"
         "q'#a]b#'«string»·,·nq'[c]'«string»·,·NQ'|d|'«string»·FROM·dual"},
        {ORA, "SELECT q'[a]b]', q'xabcx', q'[a'b]' FROM dual",
         "SELECT·q'[a]b]'«string»·,·q'xabcx'«string»·,·q'[a'b]'«string»·FROM·dual"},
        {ORA, "SELECT a$b#c, \"My Col\", \"a;b\", :name, :1 FROM dual",
         "SELECT·a$b#c«name»·,·\"My Col\"«name»·,·\"a;b\"«name»·,·:name«bind_variable»·,·:1«bind_variable»·FROM·dual"},
        {ORA, "SELECT /*+ FULL(t) */ a -- c\nFROM t /* a /* b */ 1",
         "SELECT·/*+ FULL(t) */«comment»·a·-- c«comment»·FROM·t·/* a /* b */«comment»·1"},
        {ORA, "BEGIN x := a || b ** 2; f(p => 1); FOR i IN 1..10 LOOP NULL; END LOOP; END;",
         "BEGIN·x·:=«other»·a·||«pipe»·b·**«other»·2·;·f·(·p·=>«other»·1·)·;·FOR·i·IN·1«number»·..«other»·10«number»·"
         "LOOP·NULL·;·END·LOOP·;·END·;"},
        {ORA, "SELECT 1 FROM t WHERE a != b OR a ^= b OR a ~= b OR a <> b",
         "SELECT·1·FROM·t·WHERE·a·!=«comparison»·b·OR·a·^=·b·OR·a·~=·b·OR·a·<>«comparison»·b"},
    });
}

TEST(AccurateWords, Db2) {
    CheckRows({
        {DB2, R"(SELECT 'it''s', X'1F', G'abc', N'abc', UX'0041', BX'01', 'C:\' FROM t)",
         R"(SELECT·'it''s'«string»·,·X'1F'«bit_string»·,·G'abc'«string»·,·N'abc'«string»·,·UX'0041'«string»·,·BX'01'«bit_string»·,·'C:\'«string»·FROM·t)"},
        {DB2, R"(SELECT @a, #b, $c, _d, "My ""Col""", "e;f" FROM t WHERE x = :hv AND y = ?)",
         R"(SELECT·@a«name»·,·#b«name»·,·$c«name»·,·_d«name»·,·"My ""Col"""«name»·,·"e;f"«name»·FROM·t·WHERE·x·=·:hv«bind_variable»·AND·y·=·?«bind_variable»)"},
    });
}

TEST(AccurateWords, Informix) {
    CheckRows({
        {IFX, R"(SELECT 'it''s', "say ""hi""", "a b", customer_num, a$b, 'C:\' FROM customer)",
         R"(SELECT·'it''s'«string»·,·"say ""hi"""«dq_string»·,·"a b"«dq_string»·,·customer_num«name»·,·a$b«name»·,·'C:\'«string»·FROM·customer«name»)"},
        {IFX, "SELECT {}1 { a; 'b' } FROM t -- c\n/* d */", "SELECT·{}«comment»·1·{ a; 'b' }«comment»·FROM·t·-- c«comment»·/* d */«comment»"},
    });
}

TEST(AccurateWords, Generic) {
    CheckRows({
        {GEN, R"(SELECT 'it''s', "My Col", "a""b", col_1, a$b, café FROM t -- c)",
         R"(SELECT·'it''s'«string»·,·"My Col"«name»·,·"a""b"«name»·,·col_1«name»·,·a$b«name»·,·café«name»·FROM·t·-- c«comment»)"},
    });
}

}  // namespace
}  // namespace accurate_test
