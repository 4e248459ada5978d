// The lexgen program on rule files in a temporary folder: what it writes on
// success, and where it points on each kind of mistake.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"

namespace {

namespace fs = std::filesystem;

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_text(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class LexgenProgram : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("lexgen_test_" + std::to_string(::getpid()) + "_" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    test_support::ChildRun run(const std::string& rules, const std::string& option = "") {
        write_text(folder_ / "bad.rules", rules);
        std::vector<std::string> arguments = {"bad.rules", "tables.cpp", "actions.inc", "sql_tables"};
        if (!option.empty()) arguments.push_back(option);
        return test_support::run_program(LEXGEN_PATH, arguments, {.working_directory = folder_});
    }

    bool written(const char* name) const { return fs::exists(folder_ / name); }
    std::string text_of(const char* name) const { return read_text(folder_ / name); }

    fs::path folder_;
};

TEST_F(LexgenProgram, WritesTablesActionsAndSummary) {
    test_support::ChildRun r = run(
        "%condition 1 OTHER\n%condition 0 INITIAL\n"
        "3 * \"a\" => first(1,\n    2)\n"
        "7 OTHER i\"b\" => second()\n");
    ASSERT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::string actions = text_of("actions.inc");
    EXPECT_NE(actions.find("SPLT_WD_CONDITION(0, INITIAL)\nSPLT_WD_CONDITION(1, OTHER)\n"), std::string::npos);
    EXPECT_NE(actions.find("SPLT_WD_RULE(3, first(1, 2))\nSPLT_WD_RULE(7, second())\n"), std::string::npos);
    std::string tables = text_of("tables.cpp");
    EXPECT_NE(tables.find("const DfaTables sql_tables = {"), std::string::npos);
    EXPECT_EQ(r.out,
              "INITIAL: 1 rules, 2 states, 32 bytes\n"
              "OTHER: 2 rules, 3 states, 48 bytes\n"
              "total: 2 conditions, 2 rule sets, 6 states (dead state included), 3 byte classes, 360 bytes\n");
}

struct BadFile {
    const char* what;
    std::string rules;
    std::string message;
};

const std::string kHead = "%condition 0 INITIAL\n";

const BadFile kBadFiles[] = {
    {"unterminated literal", kHead + "5 * \"abc => x\n", "bad.rules:2: rule 5, column 5: unterminated literal"},
    {"unterminated class", kHead + "5 * [a-z => x\n", "bad.rules:2: rule 5, column 5: unterminated class"},
    {"bad escape", kHead + "5 * \"a\\q\" => x\n", "bad.rules:2: rule 5, column 7: bad escape '\\q'"},
    {"bad hex escape", kHead + "5 * \"\\x4g\" => x\n",
     "bad.rules:2: rule 5, column 6: bad escape: \\x needs two hex digits"},
    {"unknown name", kHead + "5 * \"a\" {NOPE} => x\n", "bad.rules:2: rule 5, column 9: unknown {NOPE}"},
    {"open parenthesis", kHead + "5 * (\"a\" => x\n",
     "bad.rules:2: rule 5, column 5: unbalanced parentheses: '(' without ')'"},
    {"close parenthesis", kHead + "5 * \"a\") => x\n",
     "bad.rules:2: rule 5, column 8: unbalanced parentheses: ')' without '('"},
    {"nothing to repeat", kHead + "5 * + \"a\" => x\n", "bad.rules:2: rule 5, column 5: '+' has nothing to repeat"},
    {"bar without right", kHead + "5 * \"a\" | => x\n", "bad.rules:2: rule 5, column 9: '|' has nothing on its right"},
    {"bar without left", kHead + "5 * ( | \"a\") => x\n",
     "bad.rules:2: rule 5, column 7: '|' has nothing on its left"},
    {"empty pattern", kHead + "5 * => x\n", "bad.rules:2: rule 5, column 5: empty pattern"},
    {"reversed range", kHead + "5 * [az-a] => x\n", "bad.rules:2: rule 5, column 7: reversed range"},
    {"unknown condition", kHead + "5 INITIAL,NOPE \"a\" => x\n",
     "bad.rules:2: rule 5, column 11: unknown start condition 'NOPE'"},
    {"rule number repeated", kHead + "5 * \"a\" => x\n\n5 * \"b\" => y\n",
     "bad.rules:4: rule 5, column 1: rule number does not follow rule 5"},
    {"rule number zero", kHead + "0 * \"a\" => x\n",
     "bad.rules:2: column 1: expected a rule number from 1 to 65535, %condition, %define or #"},
    {"missing arrow", kHead + "5 * \"a\"\n", "bad.rules:2: rule 5, column 8: missing '=>' after the pattern"},
    {"missing action", kHead + "5 * \"a\" =>  \n", "bad.rules:2: rule 5, column 11: missing action after '=>'"},
    {"stray character", kHead + "5 * \"a\" x => y\n", "bad.rules:2: rule 5, column 9: unexpected 'x'"},
    {"mistake on a continuation line", kHead + "5 * \"a\"\n  # note\n    \"b => x\n",
     "bad.rules:4: rule 5, column 5: unterminated literal"},
    {"condition number", "%condition x INITIAL\n",
     "bad.rules:1: %condition, column 12: expected a condition number from 0 to 65534"},
    {"condition name", "%condition 0 1ST\n",
     "bad.rules:1: %condition, column 14: expected a condition name (letters, digits, '_')"},
    {"condition gap", kHead + "%condition 2 THIRD\n5 * \"a\" => x\n",
     "bad.rules:3: condition numbers must run from 0 to 1 without gaps; THIRD has 2"},
    {"condition after rules", kHead + "5 * \"a\" => x\n%condition 1 LATE\n",
     "bad.rules:3: %condition, column 1: %condition must come before the first rule"},
    {"define name", kHead + "%define 9X \"a\"\n",
     "bad.rules:2: %define, column 9: expected a pattern name (letters, digits, '_')"},
    {"define pattern", kHead + "%define D [a-\n", "bad.rules:2: define D, column 11: unterminated class"},
    {"define twice", kHead + "%define D \"a\"\n%define D \"b\"\n",
     "bad.rules:3: define D, column 9: pattern name defined twice"},
    {"unknown directive", kHead + "%option x\n", "bad.rules:2: column 1: unknown directive '%option'"},
    {"no conditions", "5 * \"a\" => x\n", "bad.rules:1: no %condition declared before the first rule"},
    {"dangling continuation", "  5 * \"a\" => x\n",
     "bad.rules:1: a continuation line (beginning with a blank) with no line before it to continue"},
    // An "a" 16 bytes before the end: the automaton must remember the last 16
    // bytes, which takes about 2^16 states.
    {"too many states", kHead + "5 * (\"a\" | \"b\")* \"a\" . . . . . . . . . . . . . . . => x\n",
     "bad.rules: the tables need more than 65535 states"},
};

TEST_F(LexgenProgram, StopsAtEachMistakeWithItsPlace) {
    for (const BadFile& bad : kBadFiles) {
        test_support::ChildRun r = run(bad.rules);
        EXPECT_EQ(r.exit_status, 1) << bad.what;
        EXPECT_EQ(r.err.substr(0, bad.message.size()), bad.message) << bad.what;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << bad.what << ": one line expected: " << r.err;
        EXPECT_EQ(r.out, "") << bad.what;
        EXPECT_FALSE(written("tables.cpp") || written("actions.inc") || written("tables.cpp.tmp") ||
                     written("actions.inc.tmp"))
            << bad.what;
    }
}

TEST_F(LexgenProgram, KeepsEarlierOutputsOnFailure) {
    ASSERT_EQ(run(kHead + "5 * \"a\" => x\n").exit_status, 0);
    std::string tables = text_of("tables.cpp");
    std::string actions = text_of("actions.inc");
    ASSERT_EQ(run(kHead + "5 * \"a => x\n").exit_status, 1);
    EXPECT_EQ(text_of("tables.cpp"), tables);
    EXPECT_EQ(text_of("actions.inc"), actions);
}

// A rule's word is written only when every match of the rule folds to it:
// a text, in any case or as written, of printable bytes a C string holds.
TEST_F(LexgenProgram, WritesTheFoldedWordOfEachFixedTextRule) {
    struct Case {
        const char* pattern;
        const char* word;  // null: none written
    };
    const Case cases[] = {
        {"i\"SeLect\"", "\"select\""},
        {"\"FROM\"", "\"from\""},
        {"\"<=>\"", "\"<=>\""},
        {"i\"a\" i\"_b\"", "\"a_b\""},
        {"[xX] [yY]", "\"xy\""},
        {"\"x\"+", nullptr},
        {"\"ab\" | \"cd\"", nullptr},
        {"[ab]", nullptr},
        {"\"a\"?", nullptr},
        {"\"\\x01\"", nullptr},
        {"\"\\\"\"", nullptr},
        {"\"\\\\\"", nullptr},
    };
    std::string rules = "%condition 0 INITIAL\n";
    for (std::size_t i = 0; i < std::size(cases); ++i)
        rules += std::to_string(i + 1) + " * " + cases[i].pattern + " => r()\n";
    test_support::ChildRun r = run(rules);
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const std::string actions = text_of("actions.inc");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string line = "SPLT_WD_RULE_WORD(" + std::to_string(i + 1) + ", ";
        const std::size_t at = actions.find(line);
        if (cases[i].word == nullptr) {
            EXPECT_EQ(at, std::string::npos) << cases[i].pattern;
        } else {
            EXPECT_NE(actions.find(line + cases[i].word + ")\n"), std::string::npos) << cases[i].pattern;
        }
    }
    EXPECT_NE(actions.find("#undef SPLT_WD_RULE_WORD\n"), std::string::npos);
}

// A blank run is written for a condition only where a walk from any byte
// that begins it ends where the run ends: the start state enters the
// self-loop state on exactly the bytes that keep it, and every other byte
// leads from it to nowhere.
TEST_F(LexgenProgram, WritesTheBlankRunsThatEndTheWalk) {
    struct Case {
        const char* rules;
        const char* blank_runs;  // the SPLT_WD_BLANK_RUN conditions and rules, without the states
    };
    const Case cases[] = {
        {"1 * [ \\t\\n\\r\\x0b]+ => b()\n2 * \"x\" => x()\n", "0:1 1:1"},
        {"1 * [ \\t]+ => b()\n", "0:1 1:1"},  // too few bytes keep it for a self-loop state
        {"1 * [ \\t\\n\\r\\x0b]+ => b()\n2 * [ \\t\\n\\r\\x0b]+ \"x\" => x()\n", ""},
        {"1 * [ \\t\\n\\r\\x0b]+ => b()\n2 * \"\\t\" \"y\" => y()\n", ""},
        {"1 * ([ \\t\\n\\r\\x0b] | \"z\") [ \\t\\n\\r\\x0b]* => b()\n", ""},
        {"1 INITIAL [ \\t\\n\\r\\x0b]+ => b()\n2 OTHER [ \\t\\n\\r\\x0b]+ \"x\"? => x()\n", "0:1"},
    };
    for (const Case& c : cases) {
        test_support::ChildRun r = run(std::string("%condition 0 INITIAL\n%condition 1 OTHER\n") + c.rules);
        ASSERT_EQ(r.exit_status, 0) << c.rules << r.err;
        std::istringstream actions(text_of("actions.inc"));
        std::string found;
        for (std::string line; std::getline(actions, line);) {
            unsigned condition = 0, state = 0, rule = 0, set = 0;
            if (std::sscanf(line.c_str(), "SPLT_WD_BLANK_RUN(%u, %u, %u, %u)", &condition, &state, &rule, &set) == 4)
                found += (found.empty() ? "" : " ") + std::to_string(condition) + ":" + std::to_string(rule);
        }
        EXPECT_EQ(found, c.blank_runs) << c.rules;
    }
}

// The numbers of the generated array `name` in a table source.
std::vector<unsigned> array_of(const std::string& source, const std::string& name) {
    std::vector<unsigned> numbers;
    const std::size_t at = source.find(" " + name + "[");
    if (at == std::string::npos) return numbers;
    std::istringstream values(source.substr(source.find('{', at) + 1, source.find('}', at) - source.find('{', at) - 1));
    for (std::string number; std::getline(values, number, ',');) {
        if (number.find_first_not_of(" \n") != std::string::npos) numbers.push_back(std::stoul(number));
    }
    return numbers;
}

// With a letter rule, each start condition's pair table tells which letter
// and next byte end the letter's walk at once: the next byte leads from the
// letter's state into the name's run or nowhere (1), nowhere (3), or
// elsewhere, such as into a keyword or the ".*" the run hopes for (0).
// Bytes that the letter rule does not take are 0 throughout.
TEST_F(LexgenProgram, WritesTheLetterPairsThatEndTheWalk) {
    const std::string rules =
        "%condition 0 INITIAL\n%condition 1 OTHER\n"
        "1 * [a-z]+ \".*\" => star()\n"
        "2 * \"ab\" => keyword()\n"
        "3 * \"-\" => dash()\n"
        "4 * . => letter()\n";
    struct Case {
        char letter, next;
        unsigned pair;
    };
    const Case cases[] = {
        {'x', 'b', 1}, {'a', 'c', 1}, {'a', 'b', 0}, {'a', '.', 0}, {'a', ' ', 3}, {'x', '-', 3},
        {'.', 'a', 3}, {'-', 'a', 0}, {'-', ' ', 0},
    };
    test_support::ChildRun r = run(rules, "--letter-rule=4");
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const std::string actions = text_of("actions.inc");
    EXPECT_NE(actions.find("SPLT_WD_LETTER_RULE(4)\n"), std::string::npos);
    unsigned width = 0, loop_end = 0, accepting_begin = 0, max_rule = 0;
    std::istringstream lines(actions);
    std::string conditions;
    unsigned offset = 0;
    for (std::string line; std::getline(lines, line);) {
        unsigned condition = 0, state = 0, pairs = 0;
        std::sscanf(line.c_str(), "SPLT_WD_ROW_SHAPE(%u, %u, %u, %u)", &width, &loop_end, &accepting_begin, &max_rule);
        if (std::sscanf(line.c_str(), "SPLT_WD_LETTER_RUN(%u, %u, %u)", &condition, &state, &pairs) == 3) {
            conditions += (conditions.empty() ? "" : " ") + std::to_string(condition);
            if (condition == 0) offset = pairs;
            EXPECT_EQ(pairs, offset) << "both conditions have the same rules";
        }
    }
    ASSERT_EQ(conditions, "0 1");
    const std::string tables = text_of("tables.cpp");
    const std::vector<unsigned> byte_class = array_of(tables, "sql_tables_byte_class");
    const std::vector<unsigned> pairs = array_of(tables, "sql_tables_letter_pairs");
    const unsigned classes = width - 1;
    ASSERT_EQ(byte_class.size(), 256u);
    for (const Case& c : cases) {
        const std::size_t at = offset + byte_class[static_cast<unsigned char>(c.letter)] * classes +
                               byte_class[static_cast<unsigned char>(c.next)];
        ASSERT_LT(at, pairs.size());
        EXPECT_EQ(pairs[at], c.pair) << c.letter << c.next;
    }

    // Without the option, no letter runs; with a rule the file lacks, an error.
    ASSERT_EQ(run(rules).exit_status, 0);
    EXPECT_EQ(text_of("actions.inc").find("\nSPLT_WD_LETTER_"), std::string::npos);
    EXPECT_EQ(run(rules, "--letter-rule=5").exit_status, 1);
    EXPECT_EQ(run(rules, "--letter-rule=x").exit_status, 1);
}

// A run that a walk reads after a name in the hope of a "::" behind it is a
// hope run when no walk from a start state over its bytes (those that keep
// it and those that lead to it) gets into it; a run that accepts, or that
// is too short for a self-loop state, is none.
TEST_F(LexgenProgram, MarksTheHopeRunsNoLaterWalkComesBackTo) {
    const std::string names_and_blanks =
        "%condition 0 INITIAL\n"
        "1 * [a-z]+ => name()\n"
        "2 * [ \\t\\n\\r\\x0c]+ => blank()\n";
    struct Case {
        const char* more_rules;
        const char* text;  // from the start state, to the run's state
        bool hope_run;
    };
    const Case cases[] = {
        {"3 * [a-z]+ [ \\t\\n\\r\\x0c]+ \"::\" [a-z]+ => cast()\n", "ab ", true},
        {"3 * [a-z]+ [ \\t\\n\\r\\x0c]+ \"::\" [a-z]+ => cast()\n", "ab \t", true},
        // A blank that begins a cast of its own leads to another state,
        // which accepts the blank: the run after a name stays a hope run.
        {"3 * [a-z]* [ \\t\\n\\r\\x0c]+ \"::\" [a-z]+ => cast()\n", "ab ", true},
        // A walk from a letter that keeps the run gets into it.
        {"3 * [a-z]+ [ \\t\\n\\r\\x0cq]+ \"::\" [a-z]+ => cast()\n", "ab ", false},
        // The run accepts; or too few bytes keep it.
        {"3 * [a-z]+ [ \\t\\n\\r\\x0c]+ (\"::\" [a-z]+)? => cast()\n", "ab ", false},
        {"3 * [a-z]+ \" \"+ \"::\" [a-z]+ => cast()\n", "ab ", false},
    };
    for (const Case& c : cases) {
        test_support::ChildRun r = run(names_and_blanks + c.more_rules);
        ASSERT_EQ(r.exit_status, 0) << c.more_rules << r.err;
        unsigned width = 0, loop_end = 0, accepting_begin = 0, max_rule = 0;
        std::istringstream lines(text_of("actions.inc"));
        for (std::string line; std::getline(lines, line);)
            std::sscanf(line.c_str(), "SPLT_WD_ROW_SHAPE(%u, %u, %u, %u)", &width, &loop_end, &accepting_begin,
                        &max_rule);
        const std::string tables = text_of("tables.cpp");
        const std::vector<unsigned> byte_class = array_of(tables, "sql_tables_byte_class");
        const std::vector<unsigned> start = array_of(tables, "sql_tables_start");
        const std::vector<unsigned> rows = array_of(tables, "sql_tables_rows");
        ASSERT_TRUE(width != 0 && byte_class.size() == 256 && !start.empty()) << c.more_rules;
        unsigned state = start[0];
        for (const char* p = c.text; *p != '\0'; ++p) {
            state = rows.at(state + byte_class[static_cast<unsigned char>(*p)]);
            ASSERT_NE(state, 0u) << c.more_rules << c.text;
        }
        EXPECT_EQ((rows.at(state + width - 1) & (1u << 29)) != 0, c.hope_run) << c.more_rules << c.text;
    }
}

}  // namespace
