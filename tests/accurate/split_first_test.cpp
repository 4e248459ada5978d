// spltwd_split_first with the accurate profile: a script is cut only after
// ";" words of the whole script's split (never inside a string, quoted name,
// comment or body), each cut's statement has the words spltwd_split gives it
// alone, and those are the whole script's words over its range.
#include <set>

#include "accurate_rows.h"

namespace accurate_test {
namespace {

bool SameWords(const Word& a, const Word& b, std::uint32_t shift) {
    return a.text == b.text && a.type == b.type && a.mask == b.mask && a.start + shift == b.start;
}

// Cuts the script with spltwd_split_first; returns the pieces taken, joined
// by the separator of the notation, and adds the problems found.
std::string Cut(Context& context, std::uint16_t dialect, std::string_view script, std::string& problems) {
    const Split whole = context.split(dialect, script);
    std::set<std::uint32_t> separators;
    for (const Word& word : whole.words)
        if (word.text == ";") separators.insert(word.start);
    std::string pieces;
    std::uint32_t at = 0;
    while (at < script.size()) {
        const std::string_view rest = script.substr(at);
        const Split first = context.split_first(dialect, rest);
        const std::string where = "\n  at " + std::to_string(at) + ": ";
        if (first.result < 0 || first.consumed == 0 || first.consumed > rest.size()) {
            problems += where + "result " + std::to_string(first.result) + ", consumed " + std::to_string(first.consumed);
            break;
        }
        const std::string_view piece = rest.substr(0, first.consumed);
        std::string words;
        for (const Word& word : first.words) words += word.text;
        const bool cut = words.size() + 1 == piece.size() && piece.back() == ';';
        if (words != piece && !cut) problems += where + "the words are [" + Shown(words) + "], not the piece taken";
        if (first.result == 0 && piece != ";") problems += where + "result 0 for a statement with bytes";
        if (cut && !separators.contains(at + first.consumed - 1))
            problems += where + "cut at " + std::to_string(at + first.consumed) + ", not after a \";\" word of the whole script";
        if (!words.empty()) {
            const Split alone = context.split(dialect, words);
            problems += Soundness(words, alone);
            bool same = alone.words.size() == first.words.size();
            for (std::size_t i = 0; same && i < alone.words.size(); ++i) same = SameWords(alone.words[i], first.words[i], 0);
            if (!same)
                problems += where + "the words " + Shown(Notation(first.words)) + " are not those of the statement alone, " +
                            Shown(Notation(alone.words));
            std::vector<Word> over_range;
            for (const Word& word : whole.words)
                if (word.start >= at && word.end <= at + words.size()) over_range.push_back(word);
            same = over_range.size() == first.words.size();
            for (std::size_t i = 0; same && i < over_range.size(); ++i) same = SameWords(first.words[i], over_range[i], at);
            if (!same) problems += where + "not the whole script's words over its range: " + Shown(Notation(over_range));
        }
        if (!pieces.empty()) pieces += kSeparator;
        pieces += piece;
        at += first.consumed;
    }
    return pieces;
}

TEST(AccurateSplitFirst, CutsOnlyAtSeparators) {
    const std::vector<Row> rows = {
        {MY, "SELECT 'a;b'; SELECT `c;d`; SELECT \"e;f\"", "SELECT 'a;b';· SELECT `c;d`;· SELECT \"e;f\""},
        {MY, R"(SELECT 'O\';'; SELECT 1--1; SELECT 2 --;x)", R"(SELECT 'O\';';· SELECT 1--1;· SELECT 2 --;·x)"},
        {MY, "SELECT 1 -- x;y\n; SELECT 2 # p;q\n;", "SELECT 1 -- x;y\n;· SELECT 2 # p;q\n;"},
        {MY, "SELECT /* a; */ 1; SELECT @`x;y`, @'p;q'", "SELECT /* a; */ 1;· SELECT @`x;y`, @'p;q'"},
        {PG,
         "CREATE FUNCTION f() RETURNS text AS $outer$ BEGIN RETURN $inner$x;y$inner$; END $outer$ LANGUAGE plpgsql; "
         "SELECT f()",
         "CREATE FUNCTION f() RETURNS text AS $outer$ BEGIN RETURN $inner$x;y$inner$; END $outer$ LANGUAGE plpgsql;· "
         "SELECT f()"},
        {PG, R"(SELECT "a;b", 'C:\'; SELECT E'\';', /* a /* ; */ ; */ 1;)",
         R"(SELECT "a;b", 'C:\';· SELECT E'\';', /* a /* ; */ ; */ 1;)"},
        {PG, "SELECT $$;$$, $a$ ; $b$ ; $a$; SELECT 'x'\n';'", "SELECT $$;$$, $a$ ; $b$ ; $a$;· SELECT 'x'\n';'"},
        {PG, "SELECT (1;2); SELECT 3", "SELECT (1;2);· SELECT 3"},
        {MSS, "SELECT [a;b], 'c;d', \"e;f\" -- g;h\n; SELECT 2 /* /* ; */ ; */;",
         "SELECT [a;b], 'c;d', \"e;f\" -- g;h\n;· SELECT 2 /* /* ; */ ; */;"},
        {ORA, "SELECT q'[a;b]', q'{;}', Q'!;!', \"x;y\" FROM dual; SELECT :b FROM dual",
         "SELECT q'[a;b]', q'{;}', Q'!;!', \"x;y\" FROM dual;· SELECT :b FROM dual"},
        {DB2, "SELECT 'a;b', \"c;d\" FROM t; SELECT ? FROM t", "SELECT 'a;b', \"c;d\" FROM t;· SELECT ? FROM t"},
        {IFX, "SELECT 1 { a; b } FROM t; SELECT \"c;d\", 'e;f' FROM t",
         "SELECT 1 { a; b } FROM t;· SELECT \"c;d\", 'e;f' FROM t"},
        {GEN, "SELECT \"a;b\"; ; SELECT 2", "SELECT \"a;b\";· ;· SELECT 2"},
        {ALL, ";;SELECT 1;", ";·;·SELECT 1;"},
        {ALL, "SELECT 'a; SELECT 2", "SELECT 'a; SELECT 2"},
        {ALL, "SELECT 1 /* ; */ ; SELECT 2 /* ;", "SELECT 1 /* ; */ ;· SELECT 2 /* ;"},
        {ALL & ~MY, "SELECT 1 --;\n; SELECT 2", "SELECT 1 --;\n;· SELECT 2"},
        {MY, "SELECT 1 --;\n; SELECT 2", "SELECT 1 --;·\n;· SELECT 2"},
    };
    Context context;
    for (const Row& row : rows)
        for (const DialectOf& dialect : kDialects) {
            if (!(row.dialects & dialect.bit)) continue;
            std::string problems;
            const std::string pieces = Cut(context, dialect.code, row.sql, problems);
            if (pieces != row.words)
                problems += "\n  expected: " + Shown(row.words) + "\n  got:      " + Shown(pieces);
            if (!problems.empty()) ADD_FAILURE() << dialect.name << ": " << Shown(row.sql) << problems;
        }
}

}  // namespace
}  // namespace accurate_test
