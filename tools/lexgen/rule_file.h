// The rule file as lexgen reads it: start conditions, and rules whose
// patterns are already parsed (named patterns copied in).
#ifndef LEXGEN_RULE_FILE_H
#define LEXGEN_RULE_FILE_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "pattern.h"

namespace lexgen {

struct Condition {
    std::uint16_t number;
    std::string name;
};

struct Rule {
    std::uint16_t number;
    std::vector<std::uint16_t> conditions;  // condition numbers, ascending
    Pattern pattern;
    std::string action;  // verbatim, continuation lines joined with one blank
};

struct RuleFile {
    std::vector<Condition> conditions;  // indexed by number
    std::vector<Rule> rules;            // by increasing number
};

// Gives the text of the rule file at PATH (for %import); throws Error when
// it cannot be read.
using FileLoader = std::function<std::string(const std::string& path)>;

// Reads the text of a rule file; FILE_NAME labels the messages, and an
// %import names its file relative to FILE_NAME's folder.  Throws Error
// ("FILE:LINE: rule N, column C: message") on the first mistake.
RuleFile read_rule_file(std::string_view text, const std::string& file_name, const FileLoader& load = {});

}  // namespace lexgen

#endif  // LEXGEN_RULE_FILE_H
