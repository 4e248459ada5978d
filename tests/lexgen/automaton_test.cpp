// The tables lexgen builds give the answers of longest match, lowest rule
// on ties, per start condition.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "lexgen_error.h"
#include "loops.h"
#include "reference_pattern.h"
#include "rule_file.h"
#include "table_runner.h"
#include "tables.h"

namespace lexgen_test {
namespace {

lexgen::Tables compile(const std::string& text, bool minimise = true) {
    return lexgen::build_tables(lexgen::read_rule_file(text, "test.rules"), minimise);
}

// Every notation form, written by hand, with the answers worked out by hand.
const char* const kHandWritten = R"(
%condition 0 INITIAL
%condition 1 QUOTED
%condition 2 SHADOW
%condition 3 EMPTY
%define DIGIT [0-9]
%define WORD  [a-z_] [a-z0-9_]*
1  QUOTED          "\""                 => close()
2  QUOTED          [^"\\]+              => body()
3  QUOTED          "\\" .               => escape()
10 INITIAL,SHADOW  i"select"            => keyword()
11 INITIAL,SHADOW  {WORD}               => word()
12 *               {DIGIT}+ ( "." {DIGIT}+ )?
                     ( [eE] [+\-]? {DIGIT}+ )?   => number()
13 *               [\t\n\r\x20]+        => blank()
14 *               "\\\"\n\r\t"         => escapes()
15 *               "<" ( "=" | ">" | ( ) )   => compare()
16 *               [\]\-\^]             => bracket()
17 INITIAL,SHADOW  "\x01" "a"           => after_nul()
18 *               [^a-z]               => other()
19 *               .                    => any()
20 EMPTY           ( )                  => nothing()
21 EMPTY           "a"*                 => many_a()
)";

struct HandCase {
    int condition;
    std::string input;
    Match expected;
};

const HandCase kHandCases[] = {
    {0, "select x", {10, 6}},          // tie with {WORD}: the lower rule
    {0, "SeLeCt", {10, 6}},
    {0, "selected", {11, 8}},          // the longer match wins over the lower rule
    {0, "Select_", {10, 6}},           // {WORD} is lower case only
    {1, "select", {2, 6}},             // QUOTED lacks rules 10 and 11
    {1, "\"abc", {1, 1}},
    {1, "\\\"", {3, 2}},
    {1, "\\\"\n\r\tx", {14, 5}},
    {1, "\xff\x80", {2, 2}},
    {0, "12.5e+3x", {12, 7}},
    {0, "12.x", {12, 2}},
    {0, "12e", {12, 2}},
    {0, " \t\r\n!", {13, 4}},
    {0, "<>", {15, 2}},
    {0, "<=", {15, 2}},
    {0, "<<", {15, 1}},
    {0, "]", {16, 1}},
    {0, "-", {16, 1}},
    {0, "^", {16, 1}},
    {0, "\\", {18, 1}},
    {0, "\x01" "a", {17, 2}},
    {0, std::string("\0a", 2), {17, 2}},  // 0x00 reads as 0x01
    {0, std::string("\0", 1), {18, 1}},
    {0, "\x01" "b", {18, 1}},
    {2, std::string("\0a", 2), {17, 2}},
    {2, "selects", {11, 7}},
    {3, "", {20, 0}},                  // two empty matches: the lower rule
    {3, "aab", {21, 2}},
    {3, "b", {19, 1}},
    {3, "B", {18, 1}},
};

TEST(HandWrittenRules, GiveTheWorkedOutAnswers) {
    for (bool minimise : {false, true}) {
        lexgen::Tables tables = compile(kHandWritten, minimise);
        for (const HandCase& c : kHandCases) {
            EXPECT_EQ(table_longest_match(tables, c.condition, c.input), c.expected)
                << "condition " << c.condition << ", input \"" << c.input << "\", minimised " << minimise;
        }
    }
}

TEST(HandWrittenRules, ConditionsWithTheSameRulesShareOneStartState) {
    lexgen::Tables tables = compile(kHandWritten);
    ASSERT_EQ(tables.start.size(), 4u);
    EXPECT_EQ(tables.start[0], tables.start[2]);
    EXPECT_NE(tables.start[0], tables.start[1]);
    ASSERT_EQ(tables.rule_sets.size(), 3u);
    EXPECT_EQ(tables.rule_sets[0].conditions, (std::vector<std::string>{"INITIAL", "SHADOW"}));
}

TEST(HandWrittenRules, TablesKeepTheirInvariants) {
    lexgen::Tables tables = compile(kHandWritten);
    EXPECT_EQ(tables.max_rule, 21);
    EXPECT_EQ(tables.byte_class[0], tables.byte_class[1]);
    EXPECT_EQ(tables.accept[0], 0);
    EXPECT_EQ(tables.next.size(), std::size_t{tables.state_count()} * tables.class_count);
    for (std::uint16_t c = 0; c < tables.class_count; ++c) EXPECT_EQ(tables.next[c], 0) << "class " << c;
    for (std::uint16_t s : tables.next) ASSERT_LT(s, tables.state_count());
    for (unsigned b = 0; b < 256; ++b) ASSERT_LT(tables.byte_class[b], tables.class_count);
}

// Scanners tell the kinds of state apart by number: dead, self-loop
// states, plain states, accepting states (state_order.h).
TEST(HandWrittenRules, StatesComeGroupedByKind) {
    for (bool minimise : {false, true}) {
        const lexgen::Tables tables = compile(kHandWritten, minimise);
        const lexgen::Loops loops = lexgen::find_loops(tables);
        ASSERT_LE(1u, tables.loop_end);
        ASSERT_LE(tables.loop_end, tables.accepting_begin);
        ASSERT_LE(tables.accepting_begin, tables.state_count());
        // Each group is present, so that each bound is put to the test.
        EXPECT_LT(1u, tables.loop_end);
        EXPECT_LT(tables.loop_end, tables.accepting_begin);
        EXPECT_LT(tables.accepting_begin, tables.state_count());
        for (std::uint32_t s = 1; s < tables.state_count(); ++s) {
            const bool loops_on_itself = loops.set_of_state[s] != 0;
            const bool accepts = tables.accept[s] != 0;
            if (s < tables.loop_end) {
                EXPECT_TRUE(loops_on_itself) << "state " << s << ", minimised " << minimise;
            } else {
                EXPECT_FALSE(loops_on_itself) << "state " << s << ", minimised " << minimise;
                EXPECT_EQ(accepts, s >= tables.accepting_begin) << "state " << s << ", minimised " << minimise;
            }
        }
    }
}

// Rule sets written with the test's own pattern builders; their notation
// goes through lexgen, their meaning through the reference matcher.
struct RandomCase {
    const char* name;
    std::vector<std::string> conditions;
    std::vector<RefRule> rules;
    std::string alphabet;
};

std::vector<RandomCase> random_cases() {
    return {
        {"ties_case_classes_conditions",
         {"A", "B", "C", "D"},
         {
             {1, {"B"}, lit("ab")},
             {2, {}, ilit("ab")},
             {3, {"A", "C", "D"}, plus(cls({{'a', 'b'}}))},
             {4, {}, seq({lit("a"), star(alt({lit("b"), lit(".")}))})},
             {5, {"C"}, opt(lit("x"))},
             {6, {"C"}, seq({ncls({{'a', 'a'}}), lit("A")})},
             {7, {}, seq({cls({{0, 0}}), lit("b")})},
             {8, {"A", "B"}, seq({cls({{1, 1}}), plus(ilit("b"))})},
             {9, {}, any()},
         },
         std::string("aAbB.x\x01\0", 8)},
        {"names_comments_empty",
         {"ALL", "SUB"},
         {
             {1, {}, seq({plus(cls({{'a', 'b'}})), star(seq({lit("."), plus(cls({{'a', 'b'}}))}))})},
             {2, {}, seq({lit("/*"), star(alt({ncls({{'*', '*'}}), seq({lit("*"), ncls({{'/', '/'}})})})), lit("*/")})},
             {3, {"SUB"}, seq({lit("a"), star(any()), lit("b")})},
             {4, {}, alt({lit("a.b"), empty()})},
             {5, {}, plus(ncls({{'a', 'b'}}))},
             {6, {"SUB"}, lit("")},
         },
         "ab./*"},
        {"nested_repetition",
         {"ONLY"},
         {
             {2, {}, star(seq({opt(lit("a")), plus(alt({lit("b"), lit("ab")}))}))},
             {5, {}, seq({ilit("a"), opt(ilit("ba")), star(lit("c"))})},
             {9, {}, plus(seq({cls({{'a', 'c'}}), cls({{'a', 'c'}})}))},
         },
         "abcAB"},
    };
}

void PrintTo(const RandomCase& c, std::ostream* out) { *out << c.name; }

class RandomInputs : public ::testing::TestWithParam<RandomCase> {};

TEST_P(RandomInputs, AgreeWithTheReferenceMatcher) {
    const RandomCase& c = GetParam();
    std::string text = rule_file_text(c.conditions, c.rules);
    lexgen::Tables tables[] = {compile(text, false), compile(text, true)};
    std::mt19937 random(20240613);
    std::uniform_int_distribution<std::size_t> length(0, 9);
    std::uniform_int_distribution<std::size_t> pick(0, c.alphabet.size() - 1);
    for (int n = 0; n < 3000; ++n) {
        std::string input;
        for (std::size_t i = length(random); i > 0; --i) input += c.alphabet[pick(random)];
        for (std::size_t cond = 0; cond < c.conditions.size(); ++cond) {
            Match expected = reference_longest_match(c.rules, c.conditions[cond], input);
            for (const lexgen::Tables& t : tables) {
                ASSERT_EQ(table_longest_match(t, cond, input), expected)
                    << "condition " << c.conditions[cond] << ", input \"" << input << "\"\n" << text;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RuleSets, RandomInputs, ::testing::ValuesIn(random_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Minimisation, MergesEquivalentStates) {
    // Subset construction keeps "after a" and "after b" apart; from both
    // only "x" completes the rule.
    const char* text = "%condition 0 INITIAL\n1 * \"ax\" | \"bx\" => r()\n";
    EXPECT_EQ(compile(text, false).rule_sets[0].states, 4u);
    EXPECT_EQ(compile(text, true).rule_sets[0].states, 3u);
}

TEST(Minimisation, KeepsStatesOfDifferentRulesApart) {
    const char* text = "%condition 0 INITIAL\n1 * \"ax\" => r()\n2 * \"bx\" => r()\n";
    lexgen::Tables tables = compile(text, true);
    EXPECT_EQ(tables.rule_sets[0].states, 5u);
    EXPECT_EQ(table_longest_match(tables, 0, "ax"), (Match{1, 2}));
    EXPECT_EQ(table_longest_match(tables, 0, "bx"), (Match{2, 2}));
}

TEST(Minimisation, DropsStatesThatCanNeverAccept) {
    // "\x00" can never match: 0x00 reads as 0x01, which the class lacks.
    const char* text = "%condition 0 INITIAL\n1 * \"a\" \"\\x00\" => r()\n2 * \"b\" => r()\n";
    lexgen::Tables tables = compile(text, true);
    EXPECT_EQ(tables.rule_sets[0].states, 2u);
    EXPECT_EQ(table_longest_match(tables, 0, std::string("a\0", 2)), (Match{0, 0}));
}

}  // namespace
}  // namespace lexgen_test

namespace lexgen_test {
namespace {

// %import takes a range of another file's rules with that file's named
// patterns, and maps their start conditions by name ("*" to all of them).
TEST(Import, TakesARangeOfRulesAndMapsTheirConditionsByName) {
    const std::string shared = "%condition 0 A\n%condition 1 B\n%define W [a-z]+\n"
                               "1 * \"x\" => one()\n5 * {W} => word()\n6 B \"q\" => q()\n9 A \"z\" => z()\n";
    const lexgen::FileLoader load = [&](const std::string& path) {
        if (path != "dir/shared.rules") throw lexgen::Error(path + ": cannot read the rule file");
        return shared;
    };
    const lexgen::RuleFile file = lexgen::read_rule_file(
        "%condition 0 B\n%condition 1 C\n%condition 2 A\n2 C \"y\" => y()\n%import shared.rules 5-6\n7 * \"w\" => w()\n",
        "dir/main.rules", load);
    ASSERT_EQ(file.rules.size(), 4u);
    EXPECT_EQ(file.rules[1].number, 5);
    EXPECT_EQ(file.rules[1].conditions, (std::vector<std::uint16_t>{0, 1, 2}));
    EXPECT_EQ(file.rules[2].number, 6);
    EXPECT_EQ(file.rules[2].conditions, (std::vector<std::uint16_t>{0}));
    EXPECT_EQ(file.rules[2].action, "q()");

    const struct {
        const char* text;
        const char* message;
    } kMistakes[] = {
        {"%condition 0 B\n%import shared.rules 5-9\n", "imported rule 9, column 22: unknown start condition 'A'"},
        {"%condition 0 A\n%condition 1 B\n7 A \"y\" => y()\n%import shared.rules 5-6\n",
         "imported rule 5, column 22: rule number does not follow rule 7"},
        {"%condition 0 A\n%import shared.rules 2-4\n", "column 22: no rule of shared.rules lies in this range"},
        {"%condition 0 A\n%import missing.rules 1-4\n", "column 9: dir/missing.rules: cannot read the rule file"},
        {"%condition 0 A\n%import shared.rules 6\n", "column 22: expected a rule range FIRST-LAST"},
    };
    for (const auto& mistake : kMistakes) {
        try {
            lexgen::read_rule_file(mistake.text, "dir/main.rules", load);
            ADD_FAILURE() << mistake.text;
        } catch (const lexgen::Error& e) {
            EXPECT_NE(std::string(e.what()).find(mistake.message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace lexgen_test
