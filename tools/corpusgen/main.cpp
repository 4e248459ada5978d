// corpusgen RULES_FILE DIALECT OUT_FILE
//
// Writes the statements of one dialect's generated corpus file (records
// "<dialect> <length>\n<statement>\n"), drawn from the scanner's rule file
// with a fixed seed: the same rule file gives the same bytes everywhere.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "random.h"
#include "rule_file.h"
#include "statements.h"

namespace {

// Any other value gives another corpus just as good; the tests expect
// nothing of particular statements.
constexpr std::uint64_t kSeed = 20240607;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(path + ": cannot read");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::uint16_t parse_dialect(const std::string& text) {
    std::size_t end = 0;
    const unsigned long value = std::stoul(text, &end);
    if (end != text.size() || value > 0xFFFF) throw std::runtime_error("dialect " + text + ": not a code 0-65535");
    return static_cast<std::uint16_t>(value);
}

// Written aside and renamed, so that an interrupted build leaves no half
// file that a later build would take as up to date.
void write_records(const std::string& path, const std::vector<corpus::Record>& records) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const corpus::Record& record : records)
            out << record.dialect << ' ' << record.text.size() << '\n' << record.text << '\n';
        if (!out.flush()) throw std::runtime_error(temporary + ": cannot write");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) throw std::runtime_error(path + ": cannot replace");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: corpusgen RULES_FILE DIALECT OUT_FILE\n";
        return 2;
    }
    try {
        const lexgen::RuleFile file = lexgen::read_rule_file(read_file(argv[1]), argv[1]);
        const std::uint16_t dialect = parse_dialect(argv[2]);
        corpusgen::Random random(kSeed + dialect);
        write_records(argv[3], corpusgen::make_statements(file, dialect, random));
    } catch (const std::exception& error) {
        std::cerr << "corpusgen: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
