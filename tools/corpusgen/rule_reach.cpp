#include "rule_reach.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

namespace corpusgen {
namespace {

// The start conditions a split enters, by name.  A dialect's split begins
// in its own state (Informix in the SQL Server one); a sub-scanner is
// entered from the dialects listed, by its opening text.
struct ConditionReach {
    std::string_view name;
    std::vector<std::uint16_t> dialects;
    std::string_view open;
    std::string_view close;
};

const std::vector<ConditionReach>& condition_reach() {
    static const std::vector<ConditionReach> reach = {
        {"INITIAL", {0}, "", ""},
        {"ORACLE_STATE", {1}, "", ""},
        {"SQLSERVER_STATE", {2, 1024}, "", ""},
        {"DB2_STATE", {8}, "", ""},
        {"MYSQL_STATE", {32}, "", ""},
        {"POSTGRESQL_STATE", {64}, "", ""},
        {"INFORMIX_STATE", {1024}, "", ""},
        {"STAR_NAME_RESCAN", {1, 32}, "", ""},
        {"C_COMMENT", {0, 1, 2, 8, 32, 64, 1024}, "/*", "*/"},
        {"SQ_STRING", {1, 32}, "'", "'"},
        {"PG_SQ_STRING", {64}, "'", "'"},
        {"DQ_QUOTED", {1, 2, 8, 32, 1024}, "\"", "\""},
        {"PG_DOLLAR_QUOTED", {64}, "$$", "$$"},
    };
    return reach;
}

const ConditionReach* find_reach(const lexgen::RuleFile& file, std::uint16_t condition) {
    const std::string& name = file.conditions.at(condition).name;
    for (const ConditionReach& reach : condition_reach())
        if (reach.name == name) return &reach;
    return nullptr;
}

bool reaches(const ConditionReach& reach, std::uint16_t dialect) {
    return std::find(reach.dialects.begin(), reach.dialects.end(), dialect) != reach.dialects.end();
}

}  // namespace

std::vector<ReachableRule> rules_reached(const lexgen::RuleFile& file, std::uint16_t dialect) {
    std::vector<ReachableRule> reached;
    for (const lexgen::Rule& rule : file.rules) {
        // A rule of the dialect's own state is taken bare; one only a
        // sub-scanner has is taken inside that sub-scanner's enclosure.
        const ConditionReach* direct = nullptr;
        const ConditionReach* enclosed = nullptr;
        bool any_dialect = false;
        for (std::uint16_t condition : rule.conditions) {
            const ConditionReach* reach = find_reach(file, condition);
            if (reach == nullptr) continue;
            any_dialect = true;
            if (!reaches(*reach, dialect)) continue;
            (reach->open.empty() ? direct : enclosed) = reach;
        }
        if (!any_dialect)
            throw std::runtime_error("rule " + std::to_string(rule.number) + ": no dialect reaches its start conditions");
        if (direct != nullptr)
            reached.push_back({&rule, "", ""});
        else if (enclosed != nullptr)
            reached.push_back({&rule, std::string(enclosed->open), std::string(enclosed->close)});
    }
    return reached;
}

std::vector<std::pair<std::string, std::string>> enclosures(std::uint16_t dialect) {
    std::vector<std::pair<std::string, std::string>> found;
    for (const ConditionReach& reach : condition_reach()) {
        const std::pair<std::string, std::string> pair(reach.open, reach.close);
        if (!reach.open.empty() && reaches(reach, dialect) && std::find(found.begin(), found.end(), pair) == found.end())
            found.push_back(pair);
    }
    return found;
}

}  // namespace corpusgen
