// Where a rule of the scanner can match: in which dialects, and inside
// what text when its start condition is one of the sub-scanners.
#ifndef CORPUSGEN_RULE_REACH_H
#define CORPUSGEN_RULE_REACH_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "rule_file.h"

namespace corpusgen {

// A rule seen from one dialect: its samples go between `open` and `close`
// (both empty for a rule of the dialect's own start conditions).
struct ReachableRule {
    const lexgen::Rule* rule;
    std::string open;
    std::string close;
};

// The rules of FILE that a split in DIALECT can reach, in rule order.
// Throws std::runtime_error for a rule that no dialect reaches, so that a
// new start condition cannot drop its rules from the corpus unnoticed.
std::vector<ReachableRule> rules_reached(const lexgen::RuleFile& file, std::uint16_t dialect);

// Every opening text of a sub-scanner that DIALECT enters, with its closing
// text: the enclosures of the long statements.
std::vector<std::pair<std::string, std::string>> enclosures(std::uint16_t dialect);

}  // namespace corpusgen

#endif  // CORPUSGEN_RULE_REACH_H
