#include "loops.h"

#include <array>
#include <map>
#include <string>
#include <vector>

#include "lexgen_error.h"
#include "tables.h"

namespace lexgen {
namespace {

using StaySet = std::array<std::uint8_t, 256>;

// The bytes that keep `state`, and how many there are.
StaySet stays_of(const Tables& tables, std::uint32_t state, unsigned& kept) {
    const std::uint16_t* row = &tables.next[std::size_t{state} * tables.class_count];
    StaySet stays{};
    kept = 0;
    for (unsigned byte = 0; byte < 256; ++byte) {
        stays[byte] = row[tables.byte_class[byte]] == state;
        kept += stays[byte];
    }
    return stays;
}

// Adds a stay set to `loops`, once: returns its index.
std::uint16_t add_set(Loops& loops, std::map<StaySet, std::uint16_t>& set_index, const StaySet& stays) {
    auto [it, added] = set_index.try_emplace(stays, static_cast<std::uint16_t>(set_index.size()));
    if (added && set_index.size() > kMaxStaySets)
        throw Error("more than " + std::to_string(kMaxStaySets) + " stay sets: a row's last word cannot number them");
    if (added) {
        loops.stays.insert(loops.stays.end(), stays.begin(), stays.end());
        std::vector<std::uint8_t> leaving;
        for (unsigned byte = 0; byte < 256; ++byte) {
            if (!stays[byte]) leaving.push_back(static_cast<std::uint8_t>(byte));
        }
        const bool few = !leaving.empty() && leaving.size() <= kMaxExits;
        loops.exit_count.push_back(few ? static_cast<std::uint8_t>(leaving.size()) : 0);
        for (unsigned i = 0; i < kMaxExits; ++i) {
            const std::uint8_t exit = !few ? 0 : i < leaving.size() ? leaving[i] : leaving[0];
            loops.exits.insert(loops.exits.end(), kExitBlock, exit);
        }
    }
    return it->second;
}

// The state of the blank run from `start` (see Loops::blank_state), or 0.
std::uint32_t blank_run(const Tables& tables, std::uint32_t start) {
    const std::uint16_t* from_start = &tables.next[std::size_t{start} * tables.class_count];
    const std::uint32_t state = from_start[tables.byte_class[' ']];
    if (state == 0 || tables.accept[state] == 0 || !run_ends_walk(tables, state)) return 0;
    const std::uint16_t* row = &tables.next[std::size_t{state} * tables.class_count];
    for (std::uint16_t c = 0; c < tables.class_count; ++c) {
        if ((from_start[c] == state) != (row[c] == state)) return 0;
    }
    return state;
}

// Whether a walk from `start` may be in `state` after two steps.
bool second_step_enters(const Tables& tables, std::uint32_t start, std::uint32_t state) {
    const std::uint16_t* from_start = &tables.next[std::size_t{start} * tables.class_count];
    for (std::uint16_t b = 0; b < tables.class_count; ++b) {
        const std::uint16_t* row = &tables.next[std::size_t{from_start[b]} * tables.class_count];
        for (std::uint16_t c = 0; c < tables.class_count; ++c)
            if (row[c] == state) return true;
    }
    return false;
}

// The pair table of Loops::letter_runs for `start` and the loop state
// `loop`; `any` tells whether it has a 1.
std::string letter_pairs(const Tables& tables, unsigned letter_rule, std::uint32_t start, std::uint32_t loop,
                         bool& any) {
    const std::size_t classes = tables.class_count;
    std::string pairs(classes * classes, '\0');
    any = false;
    const std::uint16_t* from_start = &tables.next[std::size_t{start} * classes];
    for (std::size_t b = 0; b < classes; ++b) {
        const std::uint32_t first = from_start[b];
        if (first < tables.accepting_begin || tables.accept[first] != letter_rule) continue;
        const std::uint16_t* row = &tables.next[std::size_t{first} * classes];
        for (std::size_t c = 0; c < classes; ++c) {
            const char pair = (row[c] == 0 || row[c] == loop ? kLetterEnds : 0) | (row[c] == 0 ? kLetterEndsLast : 0);
            pairs[b * classes + c] = pair;
            any = any || pair != 0;
        }
    }
    return pairs;
}

}  // namespace

Loops find_loops(const Tables& tables, unsigned letter_rule) {
    Loops loops;
    loops.set_of_state.assign(tables.state_count(), 0);
    std::map<StaySet, std::uint16_t> set_index;
    // The dead state 0 keeps every byte but ends every match: no loop.
    for (std::uint32_t state = 1; state < tables.state_count(); ++state) {
        unsigned kept = 0;
        const StaySet stays = stays_of(tables, state, kept);
        if (kept < kMinStayBytes) continue;
        loops.set_of_state[state] = static_cast<std::uint16_t>(add_set(loops, set_index, stays) + 1);
    }
    // A blank run's state may keep too few bytes for a self-loop state: its
    // set comes after theirs then.
    for (const std::uint16_t start : tables.start) {
        const std::uint32_t state = blank_run(tables, start);
        unsigned kept = 0;
        loops.blank_state.push_back(static_cast<std::uint16_t>(state));
        loops.blank_set.push_back(state == 0 ? 0 : add_set(loops, set_index, stays_of(tables, state, kept)));
    }
    if (letter_rule == 0) return loops;
    std::map<std::string, std::uint32_t> pairs_index;
    for (std::size_t condition = 0; condition < tables.start.size(); ++condition) {
        const std::uint32_t start = tables.start[condition];
        for (std::uint32_t state = 1; state < tables.state_count(); ++state) {
            if (loops.set_of_state[state] == 0 || tables.accept[state] != 0) continue;
            if (!second_step_enters(tables, start, state)) continue;
            bool any = false;
            const std::string pairs = letter_pairs(tables, letter_rule, start, state, any);
            if (!any) continue;
            auto [it, added] = pairs_index.try_emplace(pairs, static_cast<std::uint32_t>(loops.letter_pairs.size()));
            if (added) loops.letter_pairs.insert(loops.letter_pairs.end(), pairs.begin(), pairs.end());
            loops.letter_runs.push_back({static_cast<std::uint16_t>(condition), static_cast<std::uint16_t>(state),
                                         it->second});
        }
    }
    return loops;
}

bool is_hope_run(const Tables& tables, const Loops& loops, std::uint32_t state) {
    if (loops.set_of_state[state] == 0 || tables.accept[state] != 0) return false;
    const std::size_t classes = tables.class_count;
    // The classes of the run's bytes: those that keep it and those that
    // lead to it.
    std::vector<bool> run_class(classes, false);
    for (std::uint32_t from = 1; from < tables.state_count(); ++from) {
        const std::uint16_t* row = &tables.next[std::size_t{from} * classes];
        for (std::size_t c = 0; c < classes; ++c) run_class[c] = run_class[c] || row[c] == state;
    }
    // The states that walks from the start states reach over those bytes.
    std::vector<bool> reached(tables.state_count(), false);
    std::vector<std::uint32_t> pending;
    for (const std::uint16_t start : tables.start) {
        if (!reached[start]) pending.push_back(start);
        reached[start] = true;
    }
    while (!pending.empty()) {
        const std::uint32_t from = pending.back();
        pending.pop_back();
        const std::uint16_t* row = &tables.next[std::size_t{from} * classes];
        for (std::size_t c = 0; c < classes; ++c) {
            const std::uint16_t to = row[c];
            if (!run_class[c] || to == 0 || reached[to]) continue;
            if (to == state) return false;
            reached[to] = true;
            pending.push_back(to);
        }
    }
    return true;
}

bool run_ends_walk(const Tables& tables, std::uint32_t state) {
    const std::uint16_t* row = &tables.next[std::size_t{state} * tables.class_count];
    for (std::uint16_t c = 0; c < tables.class_count; ++c) {
        if (row[c] != state && row[c] != 0) return false;
    }
    return true;
}

}  // namespace lexgen
