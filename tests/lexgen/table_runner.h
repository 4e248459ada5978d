// Runs tables built by lexgen_lib the way the scanner does: from the start
// state of a condition, byte by byte, remembering the last accepting state.
#ifndef LEXGEN_TESTS_TABLE_RUNNER_H
#define LEXGEN_TESTS_TABLE_RUNNER_H

#include <string>

#include "reference_pattern.h"
#include "tables.h"

namespace lexgen_test {

inline Match table_longest_match(const lexgen::Tables& tables, std::size_t condition, const std::string& text) {
    std::uint32_t state = tables.start.at(condition);
    Match last{tables.accept.at(state), 0};
    for (std::size_t i = 0; i < text.size() && state != 0; ++i) {
        std::uint8_t byte_class = tables.byte_class[static_cast<unsigned char>(text[i])];
        state = tables.next.at(state * tables.class_count + byte_class);
        if (tables.accept.at(state) != 0) last = {tables.accept[state], i + 1};
    }
    return last;
}

}  // namespace lexgen_test

#endif  // LEXGEN_TESTS_TABLE_RUNNER_H
