#include "tables.h"

#include <map>

#include "byte_classes.h"
#include "lexgen_error.h"
#include "minimise.h"
#include "nfa.h"
#include "state_order.h"
#include "subset_construction.h"

namespace lexgen {
namespace {

// Subset construction may pass the final limit before minimisation shrinks
// it; this only keeps a runaway rule file from exhausting memory.
constexpr std::uint32_t kConstructionLimit = 1u << 18;

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ",") + name;
    return text;
}

}  // namespace

// As emitted: 32-bit start states and rows of class_count + 1 words.
std::size_t Tables::table_bytes() const {
    return sizeof(byte_class) + (start.size() + std::size_t{state_count()} * (class_count + 1u)) * sizeof(std::uint32_t);
}

Tables build_tables(const RuleFile& file, bool minimise) {
    Nfa nfa = build_nfa(file.rules);
    ByteClasses classes = compute_byte_classes(nfa.byte_sets);
    Closures closures(nfa);

    std::vector<std::uint16_t> rule_numbers;
    for (const Rule& rule : file.rules) rule_numbers.push_back(rule.number);

    // Conditions with the same active rules share one automaton.
    std::map<std::vector<std::uint32_t>, std::size_t> set_index;
    std::vector<std::vector<std::uint32_t>> rule_sets;
    std::vector<std::size_t> set_of_condition;
    Tables tables;
    for (const Condition& condition : file.conditions) {
        std::vector<std::uint32_t> active;
        for (std::uint32_t i = 0; i < file.rules.size(); ++i) {
            for (std::uint16_t c : file.rules[i].conditions) {
                if (c == condition.number) active.push_back(i);
            }
        }
        auto [it, added] = set_index.try_emplace(active, rule_sets.size());
        if (added) {
            rule_sets.push_back(active);
            tables.rule_sets.emplace_back();
            tables.rule_sets.back().rule_count = active.size();
        }
        tables.rule_sets[it->second].conditions.push_back(condition.name);
        set_of_condition.push_back(it->second);
    }

    tables.class_count = classes.count;
    tables.byte_class = classes.class_of;
    tables.max_rule = file.rules.empty() ? 0 : file.rules.back().number;
    tables.next.assign(classes.count, 0);
    tables.accept.push_back(0);
    std::vector<std::uint32_t> set_start;
    for (std::size_t i = 0; i < rule_sets.size(); ++i) {
        RuleSetSummary& summary = tables.rule_sets[i];
        Dfa dfa;
        try {
            dfa = build_dfa(nfa, classes, closures, rule_sets[i], rule_numbers, kConstructionLimit);
        } catch (const Error& e) {
            throw Error("the automaton of " + joined(summary.conditions) + " needs " + e.what());
        }
        if (minimise) dfa = minimise_dfa(dfa);

        // Local state s > 0 becomes offset + s - 1; the dead states coincide.
        std::uint32_t offset = tables.state_count();
        std::uint32_t own = dfa.state_count() - 1;
        if (offset + own > kMaxStates) {
            throw Error("the tables need more than " + std::to_string(kMaxStates) + " states (" +
                        std::to_string(offset + own) + " with the automaton of " + joined(summary.conditions) +
                        "); state numbers are 16 bits wide");
        }
        auto global = [offset](std::uint32_t s) { return static_cast<std::uint16_t>(s == 0 ? 0 : offset + s - 1); };
        for (std::uint32_t s = 1; s < dfa.state_count(); ++s) {
            for (std::uint16_t c = 0; c < classes.count; ++c) {
                tables.next.push_back(global(dfa.next[static_cast<std::size_t>(s) * classes.count + c]));
            }
            tables.accept.push_back(dfa.accept[s]);
        }
        set_start.push_back(global(dfa.start));
        summary.states = own;
        summary.table_bytes = static_cast<std::size_t>(own) * (classes.count + 1u) * sizeof(std::uint32_t);
    }
    for (std::size_t set : set_of_condition) tables.start.push_back(static_cast<std::uint16_t>(set_start[set]));
    order_states(tables);
    return tables;
}

}  // namespace lexgen
