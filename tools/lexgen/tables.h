// From a rule file to the tables of splt_wd_dfa.h: one automaton per
// distinct set of active rules, all in one table behind the shared dead
// state 0.
#ifndef LEXGEN_TABLES_H
#define LEXGEN_TABLES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "rule_file.h"

namespace lexgen {

struct RuleSetSummary {
    std::vector<std::string> conditions;  // the start conditions sharing the set
    std::size_t rule_count = 0;
    std::uint32_t states = 0;      // its own states, the shared dead state not counted
    std::size_t table_bytes = 0;   // its rows, as emitted
};

struct Tables {
    std::uint16_t class_count = 0;
    std::uint16_t max_rule = 0;
    std::array<std::uint8_t, 256> byte_class{};
    std::vector<std::uint16_t> start;   // per condition
    std::vector<std::uint16_t> next;    // next[s * class_count + c]
    std::vector<std::uint16_t> accept;  // per state
    // Bounds of the state groups (state_order.h); 0 until order_states().
    std::uint16_t loop_end = 0;
    std::uint16_t accepting_begin = 0;
    std::vector<RuleSetSummary> rule_sets;

    std::uint32_t state_count() const { return static_cast<std::uint32_t>(accept.size()); }
    std::size_t table_bytes() const;  // byte classes, start states and rows, as emitted
};

// The most states the 16-bit state numbers can hold.
constexpr std::uint32_t kMaxStates = 65535;

// Throws Error when the tables would need more than kMaxStates states.
// The states come in the order of state_order.h.
Tables build_tables(const RuleFile& file, bool minimise = true);

}  // namespace lexgen

#endif  // LEXGEN_TABLES_H
