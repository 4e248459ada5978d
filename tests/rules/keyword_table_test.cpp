#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "rule_file.h"

namespace rules_test {
namespace {

bool is_table_rule(int n) {
    return (n >= 40 && n <= 356) || (n >= 360 && n <= 451) || n == 455 || (n >= 458 && n <= 469);
}

std::vector<const Rule*> table_rules() {
    std::vector<const Rule*> rules;
    for (const Rule& r : sql_rule_file().rules)
        if (is_table_rule(r.number)) rules.push_back(&r);
    return rules;
}

std::string word_of(const Rule& r) { return keyword_of(r.pattern).value_or("?" + r.pattern); }

const Rule* find_rule(int number) {
    for (const Rule& r : sql_rule_file().rules)
        if (r.number == number) return &r;
    return nullptr;
}

TEST(KeywordTables, EveryTableRuleIsOneKeyword) {
    for (const Rule* r : table_rules())
        EXPECT_TRUE(keyword_of(r->pattern).has_value()) << "rule " << r->number << ": " << r->pattern;
}

struct StateCount {
    std::string state;
    std::size_t words;
};

// A table is the set of table rules active in one state; no state may hold
// a word twice, or the later rule would be dead.
TEST(KeywordTables, WordsPerState) {
    const std::vector<StateCount> counts = {
        {"MYSQL_STATE", 251}, {"POSTGRESQL_STATE", 79}, {"ORACLE_STATE", 93}, {"INFORMIX_STATE", 1},
        {"SQLSERVER_STATE", 0}, {"DB2_STATE", 0}, {"INITIAL", 0},
    };
    for (const auto& [state, expected] : counts) {
        std::multiset<std::string> words;
        for (const Rule* r : table_rules())
            for (const std::string& c : r->conditions)
                if (c == state) words.insert(word_of(*r));
        EXPECT_EQ(words.size(), expected) << state;
        EXPECT_EQ(std::set<std::string>(words.begin(), words.end()).size(), words.size())
            << state << " holds a word twice";
    }
}

TEST(KeywordTables, RulesWordsAndWordsInSeveralRules) {
    std::map<std::string, int> rules_per_word;
    for (const Rule* r : table_rules()) ++rules_per_word[word_of(*r)];
    int shared = 0;
    for (const auto& [word, n] : rules_per_word) shared += n > 1;
    EXPECT_EQ(table_rules().size(), 422u);
    EXPECT_EQ(rules_per_word.size(), 336u);
    EXPECT_EQ(shared, 69);
}

TEST(KeywordTables, SharedBlockIsTheSameInMysqlAndOracle) {
    for (int i = 0; i < 40; ++i) {
        const Rule* mysql = find_rule(239 + i);
        const Rule* oracle = find_rule(411 + i);
        ASSERT_TRUE(mysql && oracle) << i;
        EXPECT_EQ(word_of(*mysql), word_of(*oracle)) << "rules " << mysql->number << " and " << oracle->number;
    }
}

// A table rule with the text of a shared keyword could never win.
TEST(KeywordTables, NoTableWordIsASharedKeyword) {
    std::set<std::string> shared;
    for (const Rule& r : sql_rule_file().rules)
        if (r.conditions == std::vector<std::string>{"*"} && keyword_of(r.pattern)) shared.insert(*keyword_of(r.pattern));
    EXPECT_EQ(shared.size(), 22u);
    for (const Rule* r : table_rules())
        EXPECT_FALSE(shared.count(word_of(*r))) << "rule " << r->number << ": " << word_of(*r);
}

struct TablePair {
    int first, last;
    std::string action;
};

TEST(KeywordTables, EachTableRecordsItsPair) {
    const std::vector<TablePair> pairs = {
        {40, 356, "record(KEYWORD, 0x0080)"},
        {360, 450, "print(DEBUG_PLAIN), record(KEYWORD, 0x0080)"},
        {451, 451, "record(NAME, 0x0011)"},
        {455, 455, "record(WITH, 0x0080)"},
        {458, 468, "record(KEYWORD, 0x0280)"},
        {469, 469, "record(KEYWORD, 0x0080)"},
    };
    for (const Rule* r : table_rules()) {
        for (const TablePair& p : pairs) {
            if (p.first <= r->number && r->number <= p.last) {
                EXPECT_EQ(without_blanks(r->action), without_blanks(p.action)) << "rule " << r->number;
            }
        }
    }
}

struct RuleWord {
    int number;
    const char* word;
};

TEST(KeywordTables, RuleNumberToWord) {
    const std::vector<RuleWord> spots = {
        {18, "BETWEEN"},  {27, "SELECT"},       {40, "ACCESSIBLE"},  {61, "DATABASE"},
        {62, "DATABASES"}, {74, "DUAL"},        {99, "INT1"},        {202, "ZEROFILL"},
        {203, "_BIG5"},   {238, "_EUCJPMS"},    {239, "ADD"},        {278, "VARCHAR"},
        {279, "ANALYSE"}, {328, "NOTNULL"},     {350, "UNIQUE"},     {356, "WITH"},
        {360, "ACCESS"},  {408, "VARCHAR2"},    {410, "WHENEVER"},   {411, "ADD"},
        {450, "VARCHAR"}, {451, "CURRENT_DATE"}, {452, "ROWNUM"},    {454, "SYSDATE"},
        {455, "WITH"},    {457, "ALL"},         {458, "UNIQUE"},     {459, "SQL_CALC_FOUND_ROWS"},
        {468, "DISTINCTROW"}, {469, "FIRST"},   {470, "NULL"},
    };
    for (const RuleWord& s : spots) {
        const Rule* r = find_rule(s.number);
        ASSERT_NE(r, nullptr) << s.number;
        EXPECT_EQ(word_of(*r), s.word) << "rule " << s.number;
    }
}

}  // namespace
}  // namespace rules_test
