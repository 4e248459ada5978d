#include "expected_report.h"

#include <cstdio>
#include <string_view>

namespace driver_test {

namespace {

// Texts print up to their first NUL byte.
std::string printed(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

std::string hex_mask(unsigned mask)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04x", mask);
    return text;
}

std::string statement_report(int number, const Statement &statement)
{
    std::string text = "==========================sql[" + std::to_string(number) +
                       "]==========================\n" + "sql            :" + printed(statement.sql) + "\n";
    int index = 0;
    for (const Word &word : statement.words) {
        text += "word_index     :" + std::to_string(++index) + "\n" +
                "word_len       :" + std::to_string(word.text.size()) + "\n" +
                "word_name      :[" + printed(word.text) + "]\n" +
                "word_type      :" + std::to_string(word.type) + "\n" +
                "word_mask_type :" + hex_mask(word.mask) + "\n" +
                "-----------------------\n";
    }
    return text;
}

} // namespace

std::string report(const std::vector<Statement> &statements, int first)
{
    std::string text;
    for (const Statement &statement : statements) {
        text += statement_report(first++, statement);
    }
    return text;
}

} // namespace driver_test
