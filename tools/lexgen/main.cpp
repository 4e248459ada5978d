// lexgen RULES_FILE TABLES_CPP ACTIONS_INC SYMBOL [--letter-rule=N]
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "emitter.h"
#include "lexgen_error.h"
#include "rule_file.h"
#include "tables.h"
#include "text_chars.h"

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw lexgen::Error(path + ": cannot read the rule file");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The N of "--letter-rule=N": a rule number from 1 to 65535, or 0 when
// the argument is something else.
unsigned letter_rule_of(const std::string& argument) {
    const std::string prefix = "--letter-rule=";
    if (!argument.starts_with(prefix) || argument.size() == prefix.size() || argument.size() > prefix.size() + 5)
        return 0;
    unsigned number = 0;
    for (std::size_t i = prefix.size(); i < argument.size(); ++i) {
        if (argument[i] < '0' || argument[i] > '9') return 0;
        number = number * 10 + static_cast<unsigned>(argument[i] - '0');
    }
    return number <= 65535 ? number : 0;
}

std::string temporary_name(const std::string& path) { return path + ".tmp"; }

void write_temporary(const std::string& path, const std::string& text) {
    std::ofstream out(temporary_name(path), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw lexgen::Error(temporary_name(path) + ": cannot write");
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned letter_rule = argc == 6 ? letter_rule_of(argv[5]) : 0;
    if ((argc != 5 && argc != 6) || !lexgen::is_identifier(argv[4]) || (argc == 6 && letter_rule == 0)) {
        std::cerr << "usage: lexgen RULES_FILE TABLES_CPP ACTIONS_INC SYMBOL [--letter-rule=N]\n"
                     "(SYMBOL a C++ identifier; N the rule that may take a name a letter at a time)\n";
        return 1;
    }
    const std::string rules_path = argv[1], tables_path = argv[2], actions_path = argv[3], symbol = argv[4];
    try {
        lexgen::RuleFile file = lexgen::read_rule_file(read_file(rules_path), rules_path, read_file);
        lexgen::Tables tables;
        try {
            tables = lexgen::build_tables(file);
        } catch (const lexgen::Error& e) {
            throw lexgen::Error(rules_path + ": " + e.what());
        }
        if (letter_rule != 0) {
            bool found = false;
            for (const lexgen::Rule& rule : file.rules) found = found || rule.number == letter_rule;
            if (!found) throw lexgen::Error(rules_path + ": --letter-rule names no rule of the file");
        }
        // Both files appear whole or not at all.
        write_temporary(tables_path, lexgen::emit_tables_source(tables, symbol, letter_rule));
        write_temporary(actions_path, lexgen::emit_actions(file, tables, letter_rule));
        for (const std::string& path : {tables_path, actions_path}) {
            if (std::rename(temporary_name(path).c_str(), path.c_str()) != 0) {
                throw lexgen::Error(path + ": cannot replace");
            }
        }
        std::cout << lexgen::summary(tables);
    } catch (const lexgen::Error& e) {
        std::remove(temporary_name(tables_path).c_str());
        std::remove(temporary_name(actions_path).c_str());
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
