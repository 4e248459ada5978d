// A reader for the scanner's rule file, enough to check its tables: the
// declared start conditions and, per rule, its number, start conditions,
// pattern and action text.
#ifndef RULES_TEST_RULE_FILE_H
#define RULES_TEST_RULE_FILE_H

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rules_test {

struct Rule {
    int number = 0;
    std::vector<std::string> conditions;  // as written; "*" stands for all
    std::string pattern;
    std::string action;
    int line = 0;
};

struct RuleFile {
    std::map<int, std::vector<std::string>> conditions;  // number -> names declared for it
    std::vector<Rule> rules;                             // in file order
    std::vector<std::string> errors;                     // lines the reader could not take
};

RuleFile read_rule_file(const std::string& path);

// The scanner's own rule file, read once.
const RuleFile& sql_rule_file();

// The word of a keyword pattern that is nothing but i"WORD", else nothing.
std::optional<std::string> keyword_of(const std::string& pattern);

// The text without blanks, so that actions compare regardless of layout.
std::string without_blanks(const std::string& text);

}  // namespace rules_test

#endif  // RULES_TEST_RULE_FILE_H
