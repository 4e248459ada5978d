// The rules of the digest, one table per topic: which statements share a
// fingerprint, the exact normalised text of some, their kind and their
// tables, in each dialect a row names.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "digest_rows.h"
#include "spltwd.hpp"

namespace digest_test {
namespace {

class DigestRules : public ::testing::Test {
protected:
    void SetUp() override { context_ = spltwd_context_create(); }
    void TearDown() override { spltwd_context_destroy(context_); }
    Result Of(std::uint16_t dialect, std::string_view sql) {
        Result r = Digest(context_, dialect, sql);
        EXPECT_EQ(r.code, 0) << sql;
        return r;
    }
    spltwd_context* context_ = nullptr;
};

// Pairs that must share a fingerprint, and pairs that must not.
struct Pair {
    unsigned dialects;
    const char* a;
    const char* b;
    bool same;
};
const Pair kPairs[] = {
    // Comments of every kind are dropped.
    {ALL, "SELECT a /* c */ FROM t -- d", "SELECT a FROM t", true},
    {ALL, "/* x */ SELECT/**/a\nFROM t --", "SELECT a FROM t", true},
    {MY, "SELECT a # c\nFROM t", "SELECT a FROM t", true},
    {MY, "/*!40101 SET x = 1 */", "SET x = 1", true},
    {MY, "/*!40101 SET x = 1 */", "SET y = 1", false},
    {IFX, "SELECT a { c } FROM t", "SELECT a FROM t", true},
    // Case: plain names and keywords fold, quoted names and variables keep
    // their bytes.
    {ALL, "SELECT * FROM Users WHERE Id = 1", "select * from users where id = 1", true},
    {ALL, "SELECT x FROM t1", "SELECT x FROM t2", false},
    {GEN | ORA | DB2 | PG, "SELECT \"Users\".a FROM t", "SELECT \"users\".a FROM t", false},
    {MY, "SELECT `Users`.a FROM t", "SELECT `users`.a FROM t", false},
    {MSS, "SELECT [Users].a FROM t", "SELECT [users].a FROM t", false},
    {MY, "SELECT @`X`", "SELECT @`x`", false},
    {MY | MSS, "SELECT @X", "SELECT @x", true},
    {ORA, "SELECT :a FROM t", "SELECT :b FROM t", false},
    // Literals of each kind are alike; names are not literals.
    {ALL, "SELECT 'x' FROM t WHERE a = 'it''s'", "SELECT 1.5e3 FROM t WHERE a = 42", true},
    {ALL, "SELECT a FROM t WHERE b = 1", "SELECT a FROM t WHERE b = c", false},
    {IFX, "SELECT \"x\" FROM t", "SELECT 'y' FROM t", true},
    // Signs: part of a number after an operator, "(", "," or nothing.
    {ALL, "SELECT a FROM t WHERE b = -5", "SELECT a FROM t WHERE b = 5", true},
    {ALL, "SELECT -5, f(-1, +2)", "SELECT 5, f(1, 2)", true},
    {ALL, "SELECT a - -5", "SELECT a - 5", true},
    {ALL, "SELECT a-5", "SELECT a - 5", true},
    {ALL, "SELECT a -5", "SELECT a + 5", false},
    {ALL, "SELECT (a)-5", "SELECT (a)5", false},
    {ALL, "SELECT 1-5", "SELECT 1", false},
    // Lists of literals in parentheses, and runs of them.
    {ALL, "SELECT a FROM t WHERE b IN (1, 2, 3)", "SELECT a FROM t WHERE b IN (4)", true},
    {ALL, "SELECT a FROM t WHERE b IN ('x', -2, 3.5)", "SELECT a FROM t WHERE b IN (4)", true},
    {ALL, "SELECT a FROM t WHERE b IN (c, 2)", "SELECT a FROM t WHERE b IN (2)", false},
    {ALL, "SELECT a FROM t WHERE b IN ()", "SELECT a FROM t WHERE b IN (1)", false},
    {ALL, "INSERT INTO t VALUES (1,'a'),(2,'b'), (3, 'c')", "INSERT INTO t VALUES (4, 'd')", true},
    {ALL, "INSERT INTO t VALUES (1),(b)", "INSERT INTO t VALUES (1)", false},
    {ALL, "SELECT a FROM t WHERE (b, c) IN ((1, 2), (3, 4))", "SELECT a FROM t WHERE (b, c) IN ((5, 6))", true},
    // Spacing.
    {ALL, "SELECT a,b FROM s.t WHERE (c=1)", "  SELECT  a ,\tb\r\nFROM s . t WHERE ( c = 1 )  ", true},
    {ALL, "SELECT a ORDER BY b", "SELECT a ORDER\n  BY b", true},
    {ALL, "SELECT a b", "SELECT ab", false},
    // Trailing ";" are dropped, others kept.
    {ALL, "SELECT 1;", "SELECT 1", true},
    {ALL, "SELECT 1 ; ;", "SELECT 1", true},
    {ALL, "SELECT 1;;", "SELECT 1", true},
};

TEST_F(DigestRules, SharesFingerprintExactlyWhenRulesSay) {
    for (const Pair& row : kPairs) {
        for (const DialectOf& d : kDialects) {
            if (!(row.dialects & d.bit)) continue;
            const Result a = Of(d.code, row.a), b = Of(d.code, row.b);
            EXPECT_EQ(a.fingerprint == b.fingerprint, row.same)
                << d.name << ": \"" << row.a << "\" -> " << a.normalized << "\n   \"" << row.b << "\" -> "
                << b.normalized;
        }
    }
}

// Every literal form of each dialect, in a statement whose text is known.
struct Literal {
    unsigned dialects;
    const char* literal;
};
const Literal kLiterals[] = {
    {ALL, "'abc'"}, {ALL, "'it''s'"}, {ALL, "''"}, {ALL, "42"}, {ALL, "-1.5e-3"}, {ALL, ".5"}, {ALL, "+7"},
    {MY, "'O\\'Reilly'"}, {MY, "\"dq\""}, {MY, "X'1F'"}, {MY, "0x1F"}, {MY, "b'101'"}, {MY, "0b101"},
    {MY, "N'x'"},
    {PG, "E'a\\'b'"}, {PG, "$tag$ it's $ $tag$"}, {PG, "$$x$$"}, {PG, "B'101'"}, {PG, "X'1F'"},
    {PG, "U&'d\\0061t'"}, {PG, "'a'\n'b'"}, {PG, "'a' -- c\n 'b'"},
    {ORA, "q'[it's]'"}, {ORA, "Q'{a}'"}, {ORA, "nq'!x!'"}, {ORA, "N'x'"},
    {MSS, "N'x'"}, {MSS, "0x1F"}, {MSS, "$12.50"},
    {DB2, "G'x'"}, {DB2, "UX'0041'"}, {DB2, "X'41'"}, {DB2, "BX'00'"}, {DB2, "N'x'"},
    {IFX, "\"abc\""}, {IFX, "\"a\"\"b\""},
};

TEST_F(DigestRules, EveryLiteralFormIsOneMark) {
    for (const Literal& row : kLiterals) {
        for (const DialectOf& d : kDialects) {
            if (!(row.dialects & d.bit)) continue;
            const std::string sql = std::string("SELECT a FROM t WHERE b = ") + row.literal + " AND c IN (" +
                                    row.literal + ", " + row.literal + ")";
            EXPECT_EQ(Of(d.code, sql).normalized, "select a from t where b = ? and c in (?)")
                << d.name << ": " << row.literal;
        }
    }
}

// Whole normalised texts; each is its own normalised text again.
struct Text {
    unsigned dialects;
    const char* sql;
    const char* normalized;
};
const Text kTexts[] = {
    {MY, "SELECT  Id, `Name` FROM Users u WHERE u.ID IN (1,2,3) AND n = 'x' -- c",
     "select id, `Name` from users u where u.id in (?) and n = ?"},
    {PG, "INSERT INTO \"S\".\"T\" (a, b) VALUES (1, E'x'), (-2, $$y$$) RETURNING a;",
     "insert into \"S\".\"T\" (a, b) values (?) returning a"},
    {ORA, "SELECT q'[it's]' FROM dual WHERE a = :B1 AND b > -1.5", "select ? from dual where a = :b1 and b > ?"},
    {MSS, "EXEC dbo.p @x = N'a', @y = 0x1F", "exec dbo.p @x = ?, @y = ?"},
    {ALL, "SELECT COUNT(*), f() FROM t WHERE (a=1 OR b<-2) AND c.d = e", 
     "select count (*), f () from t where (a = ? or b < ?) and c.d = e"},
    // Keywords and operators in any case, short and long, and words longer
    // than sixteen bytes.
    {ALL, "SeLeCt DiStInCt a FrOm t WhErE a <> 1 AnD b >= 2 OrDeR bY a DeSc",
     "select distinct a from t where a <> ? and b >= ? order by a desc"},
    {MY, "SELECT SQL_CALC_FOUND_ROWS a <=> b FROM t StRaIgHt_JoIn u WHERE a != 1",
     "select sql_calc_found_rows a <=> b from t straight_join u where a != ?"},
    {ALL, "", ""},
    {ALL, " -- nothing\n", ""},
};

TEST_F(DigestRules, NormalisedTexts) {
    for (const Text& row : kTexts) {
        for (const DialectOf& d : kDialects) {
            if (!(row.dialects & d.bit)) continue;
            const Result r = Of(d.code, row.sql);
            EXPECT_EQ(r.normalized, row.normalized) << d.name << ": " << row.sql;
            EXPECT_EQ(Of(d.code, row.normalized).normalized, row.normalized) << d.name << ": again";
        }
    }
}

struct Kind {
    unsigned dialects;
    const char* sql;
    const char* kind;
};
const Kind kKinds[] = {
    {ALL, "  /* c */ ( (Select 1) )", "SELECT"},
    {ALL, "WITH c AS (SELECT 1) DELETE FROM t", "DELETE"},
    {ALL, "with a as (select 1), b as (update t set x = 1 returning x) insert into u select * from a", "INSERT"},
    {ALL, "WITH c AS (SELECT 1) SELECT * FROM c", "SELECT"},
    {ALL, "WITH", "OTHER"},
    {ALL, "foo SELECT", "OTHER"},
    {ALL, "SELECTED 1", "OTHER"},
    {ALL, "1 SELECT", "OTHER"},
    {ALL, "", "OTHER"},
    {ALL, "-- SELECT", "OTHER"},
    {GEN | ORA | DB2 | PG, "\"SELECT\" 1", "OTHER"},
    {MY, "/*!40101 SET NAMES utf8 */", "SET"},
    {MY, "# c\nReplace INTO t VALUES (1)", "REPLACE"},
    {IFX, "{ c } update t set a = 1", "UPDATE"},
    {ALL, "ExPlAiN SeLeCt 1", "EXPLAIN"},
    {ALL, "WiTh c As (sElEcT 1) DeLeTe FrOm t", "DELETE"},
};

TEST_F(DigestRules, Kind) {
    for (const Kind& row : kKinds) {
        for (const DialectOf& d : kDialects) {
            if (!(row.dialects & d.bit)) continue;
            EXPECT_EQ(Of(d.code, row.sql).kind, row.kind) << d.name << ": " << row.sql;
        }
    }
    const char* const verbs[] = {"SELECT",   "INSERT",  "UPDATE",   "DELETE",  "MERGE",    "REPLACE",  "CREATE",
                                 "ALTER",    "DROP",    "TRUNCATE", "RENAME",  "GRANT",    "REVOKE",   "BEGIN",
                                 "START",    "COMMIT",  "ROLLBACK", "SAVEPOINT", "SET",    "SHOW",     "DESCRIBE",
                                 "EXPLAIN",  "USE",     "CALL",     "EXEC",    "EXECUTE",  "DECLARE",  "LOCK",
                                 "ANALYZE",  "VACUUM",  "COPY",     "LOAD",    "VALUES"};
    for (const char* verb : verbs) {
        std::string lower(verb);
        for (char& c : lower) c = static_cast<char>(c | 0x20);
        for (const DialectOf& d : kDialects) {
            EXPECT_EQ(Of(d.code, lower + " x").kind, verb) << d.name;
            EXPECT_EQ(Of(d.code, "WITH c AS (SELECT 1) " + lower + " x").kind, verb) << d.name;
        }
    }
}

struct Tables {
    unsigned dialects;
    const char* sql;
    std::vector<std::string> tables;
};
const Tables kTables[] = {
    {ALL, "SELECT 1 FROM a, b AS x, c y JOIN s.t ON 1 = 1 WHERE 1 = 1", {"a", "b", "c", "s.t"}},
    {ALL, "select * from t1 join t1 on 1 = 1 union select * from T1, t1", {"t1", "T1"}},
    {ALL, "SELECT * FROM (SELECT * FROM inner_t) x JOIN (SELECT 1) y ON 1 = 1", {"inner_t"}},
    {ALL, "DELETE FROM t WHERE a IN (SELECT b FROM u)", {"t", "u"}},
    {ALL, "UPDATE u SET a = 1", {"u"}},
    {ALL, "INSERT INTO s . t (a) SELECT a FROM v", {"s.t", "v"}},
    {ALL, "CREATE TABLE IF NOT EXISTS db.t2 (a int)", {"db.t2"}},
    {ALL, "TRUNCATE TABLE t", {"t"}},
    {ALL, "SELECT * FROM t FOR UPDATE", {"t"}},
    // UPDATE inside a clause or a list names no table, nor do SET, OF, ON.
    {ALL, "CREATE TABLE c (p int, FOREIGN KEY (p) REFERENCES r (id) ON UPDATE CASCADE)", {"c"}},
    {ALL, "GRANT SELECT, UPDATE ON t TO u", {}},
    {ALL, "CREATE TRIGGER g AFTER UPDATE OF a ON t FOR EACH ROW BEGIN UPDATE u SET b = 1; END", {"u"}},
    {ALL, "MERGE INTO t USING s ON t.a = s.a WHEN MATCHED THEN UPDATE SET b = 1", {"t"}},
    {MY, "IF n > 0 THEN UPDATE item SET a = 1; END IF", {"item"}},
    {PG, "INSERT INTO t VALUES (1) ON CONFLICT (key) DO UPDATE SET a = 2", {"t"}},
    {ORA, "CREATE TYPE list_t AS TABLE OF NUMBER", {}},
    {PG, "COPY public.notes (id, body) FROM stdin", {}},
    // FROM among a function's arguments names no table.
    {ALL, "SELECT EXTRACT(YEAR FROM d), TRIM(BOTH ' ' FROM s) FROM t WHERE SUBSTRING(s FROM 2) = 'x'", {"t"}},
    {ALL, "SELECT 1", {}},
    {GEN | ORA | DB2 | PG, "SELECT \"from\" FROM \"S\".\"T\"", {"\"S\".\"T\""}},
    {MY, "INSERT INTO t (a) VALUES (1) ON DUPLICATE KEY UPDATE a = 2", {"t"}},
    {MY, "SELECT a INTO @x FROM `db`.`T`", {"`db`.`T`"}},
    {MSS, "SELECT * FROM [dbo].[T] WITH (NOLOCK)", {"[dbo].[T]"}},
    // Table words in any case.
    {ALL, "InSeRt InTo t VaLuEs (1)", {"t"}},
    {ALL, "uPdAtE u SeT a = 1", {"u"}},
    {ALL, "sElEcT 1 fRoM a jOiN b oN 1 = 1", {"a", "b"}},
    {MY, "SELECT 1 FROM a StRaIgHt_JoIn b", {"a", "b"}},
};

TEST_F(DigestRules, Tables) {
    for (const Tables& row : kTables) {
        for (const DialectOf& d : kDialects) {
            if (!(row.dialects & d.bit)) continue;
            EXPECT_EQ(Of(d.code, row.sql).tables, row.tables) << d.name << ": " << row.sql;
        }
    }
}

// A statement's ending digests the same after any number of words before
// it: a sign or ";" held back, a long name, a quoted name, a variable, a
// quoted user's host and a table name, wherever they fall among the words the scan hands on
// together and however near the statement's end they lie.
struct Ending {
    unsigned dialects;
    const char* sql;
    const char* normalized;
    std::vector<std::string> tables;
};
const Ending kEndings[] = {
    {ALL, "x = -1;", "x = ?", {}},
    {ALL, "x - 1 ;;", "x - ?", {}},
    {ALL, "+ -2 FROM t", "+ ? from t", {"t"}},
    {ALL, "A_Rather_Long_Column_Name FROM Some_Quite_Long_Table_Name",
     "a_rather_long_column_name from some_quite_long_table_name", {"Some_Quite_Long_Table_Name"}},
    {ALL, "User_Accounts_History_Table.X FROM s.T", "user_accounts_history_table.x from s.t", {"s.T"}},
    {GEN | ORA | DB2 | PG, "y FROM \"Tq\"", "y from \"Tq\"", {"\"Tq\""}},
    {MY, "y FROM `Tq`", "y from `Tq`", {"`Tq`"}},
    {MY | MSS, "@V", "@v", {}},
    // A walk that passes a run of bytes which may be passed again.
    {MY, "u = 'a'@'b'", "u = ? @'b'", {}},
    {ALL, "z; w", "z ; w", {}},
};

TEST_F(DigestRules, EndingsWhereverTheyFall) {
    for (const Ending& row : kEndings) {
        for (const DialectOf& d : kDialects) {
            if (!(row.dialects & d.bit)) continue;
            std::string sql = "SELECT ";
            std::string normalized = "select ";
            for (int before = 0; before <= 300; ++before) {
                const Result r = Of(d.code, sql + row.sql);
                ASSERT_EQ(r.normalized, normalized + row.normalized) << d.name << ": " << before << " words, " << row.sql;
                EXPECT_EQ(r.kind, "SELECT") << d.name << ": " << row.sql;
                EXPECT_EQ(r.tables, row.tables) << d.name << ": " << before << " words, " << row.sql;
                sql += "c, ";
                normalized += "c, ";
            }
        }
    }
}

// The C++ call gives what the C call gives.
TEST_F(DigestRules, CppDigestIsTheCDigest) {
    const std::string sql = "SELECT a FROM s.t JOIN u ON 1 = -1 WHERE b IN (1, 2)";
    const Result c = Of(SPLT_WD_DIALECT_POSTGRESQL, sql);
    const spltwd::Digest cpp = spltwd::digest(sql, spltwd::Dialect::postgresql);
    EXPECT_EQ(cpp.code, 0);
    EXPECT_EQ(cpp.normalized, c.normalized);
    EXPECT_EQ(cpp.fingerprint, c.fingerprint);
    EXPECT_EQ(cpp.fingerprint_hex, c.hex);
    EXPECT_EQ(cpp.kind, c.kind);
    EXPECT_EQ(cpp.tables, c.tables);
}

}  // namespace
}  // namespace digest_test
