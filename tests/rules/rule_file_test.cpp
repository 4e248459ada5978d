#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "rule_file.h"

namespace rules_test {
namespace {

TEST(RuleFile, EveryLineIsReadable) {
    EXPECT_EQ(sql_rule_file().errors, std::vector<std::string>{});
    EXPECT_FALSE(sql_rule_file().rules.empty());
}

// The numbers rank the rules, so they must be exactly 1-501 and 510-523,
// in increasing order: a duplicate or a swap would change who wins a tie.
TEST(RuleFile, NumbersAreTheRankingOnceEachInOrder) {
    std::vector<int> expected;
    for (int n = 1; n <= 523; ++n)
        if (n < 502 || n > 509) expected.push_back(n);
    std::vector<int> numbers;
    for (const Rule& r : sql_rule_file().rules) numbers.push_back(r.number);
    EXPECT_EQ(numbers, expected);
}

TEST(StartConditions, DeclaredOnceEachWithTheirNumbers) {
    const std::vector<std::pair<int, std::string>> named = {
        {0, "INITIAL"},           {1, "C_COMMENT"},         {2, "SQ_STRING"},
        {3, "PG_SQ_STRING"},      {4, "STAR_NAME_RESCAN"},  {6, "DQ_QUOTED"},
        {14, "PG_DOLLAR_QUOTED"}, {20, "MYSQL_STATE"},      {21, "ORACLE_STATE"},
        {22, "POSTGRESQL_STATE"}, {23, "SQLSERVER_STATE"},  {24, "DB2_STATE"},
        {25, "INFORMIX_STATE"},
    };
    const auto& declared = sql_rule_file().conditions;
    ASSERT_EQ(declared.size(), 26u);
    EXPECT_EQ(declared.begin()->first, 0);
    EXPECT_EQ(declared.rbegin()->first, 25);
    std::set<std::string> names;
    for (const auto& [number, declared_names] : declared) {
        ASSERT_EQ(declared_names.size(), 1u) << "condition " << number;
        EXPECT_TRUE(names.insert(declared_names[0]).second) << declared_names[0];
    }
    for (const auto& [number, name] : named) EXPECT_EQ(declared.at(number)[0], name);
}

const std::string kStar = "*";
const std::string kMysql = "MYSQL_STATE", kOracle = "ORACLE_STATE", kPostgres = "POSTGRESQL_STATE",
                  kSqlServer = "SQLSERVER_STATE", kDb2 = "DB2_STATE", kInformix = "INFORMIX_STATE";

struct GroupConditions {
    int first, last;
    std::set<std::string> conditions;
};

// Every rule falls in exactly one row; a rule that is active in the wrong
// state silently changes what that state's words are.
const std::vector<GroupConditions> kGroups = {
    {1, 1, {kMysql, kOracle}},
    {2, 5, {"SQ_STRING"}},
    {6, 6, {kPostgres}},
    {7, 10, {"PG_SQ_STRING"}},
    {11, 39, {kStar}},
    {40, 278, {kMysql}},
    {279, 356, {kPostgres}},
    {357, 359, {kStar}},
    {360, 450, {kOracle}},
    {451, 451, {kMysql, kPostgres}},
    {452, 454, {kStar}},
    {455, 455, {kMysql, kOracle}},
    {456, 457, {kStar}},
    {458, 458, {kOracle}},
    {459, 468, {kMysql}},
    {469, 469, {kInformix}},
    {470, 470, {kStar}},
    {471, 472, {kPostgres}},
    {473, 474, {"PG_DOLLAR_QUOTED"}},
    {475, 477, {kPostgres}},
    {478, 478, {kMysql, kOracle, kSqlServer, kDb2}},
    {479, 479, {kPostgres}},
    {480, 481, {kMysql, kOracle, kSqlServer, kDb2}},
    {482, 483, {"DQ_QUOTED"}},
    {484, 484, {kPostgres}},
    {485, 485, {kMysql, kOracle, kSqlServer, kDb2}},
    {486, 488, {kPostgres}},
    {489, 490, {kMysql}},
    {491, 491, {kOracle}},
    {492, 493, {kMysql}},
    {494, 494, {kStar}},
    {495, 496, {kMysql, kOracle}},
    {497, 500, {"STAR_NAME_RESCAN"}},
    {501, 501, {kMysql, kOracle, kPostgres, kSqlServer, kDb2, kInformix}},
    {510, 510, {kMysql}},
    {511, 511, {kStar}},
    {512, 514, {"C_COMMENT"}},
    {515, 523, {kStar}},
};

TEST(StartConditions, OfEachRuleGroup) {
    for (const Rule& r : sql_rule_file().rules) {
        const auto group = std::find_if(kGroups.begin(), kGroups.end(), [&](const GroupConditions& g) {
            return g.first <= r.number && r.number <= g.last;
        });
        ASSERT_NE(group, kGroups.end()) << "rule " << r.number;
        const std::set<std::string> actual(r.conditions.begin(), r.conditions.end());
        EXPECT_EQ(actual.size(), r.conditions.size()) << "rule " << r.number << " names a state twice";
        EXPECT_EQ(actual, group->conditions) << "rule " << r.number;
    }
}

TEST(StartConditions, RulesNameOnlyDeclaredOnes) {
    std::set<std::string> declared = {kStar};
    for (const auto& [number, names] : sql_rule_file().conditions) declared.insert(names.begin(), names.end());
    for (const Rule& r : sql_rule_file().rules)
        for (const std::string& c : r.conditions) EXPECT_TRUE(declared.count(c)) << "rule " << r.number << ": " << c;
}

}  // namespace
}  // namespace rules_test
