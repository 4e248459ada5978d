#include "loops.h"

#include <array>
#include <map>

#include "tables.h"

namespace lexgen {

Loops find_loops(const Tables& tables) {
    Loops loops;
    loops.set_of_state.assign(tables.state_count(), 0);
    std::map<std::array<std::uint8_t, 256>, std::uint16_t> set_index;
    // The dead state 0 keeps every byte but ends every match: no loop.
    for (std::uint32_t state = 1; state < tables.state_count(); ++state) {
        const std::uint16_t* row = &tables.next[std::size_t{state} * tables.class_count];
        std::array<std::uint8_t, 256> stays{};
        unsigned kept = 0;
        for (unsigned byte = 0; byte < 256; ++byte) {
            stays[byte] = row[tables.byte_class[byte]] == state;
            kept += stays[byte];
        }
        if (kept < kMinStayBytes) continue;
        auto [it, added] = set_index.try_emplace(stays, static_cast<std::uint16_t>(set_index.size()));
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
        loops.set_of_state[state] = static_cast<std::uint16_t>(it->second + 1);
    }
    return loops;
}

bool run_ends_walk(const Tables& tables, std::uint32_t state) {
    const std::uint16_t* row = &tables.next[std::size_t{state} * tables.class_count];
    for (std::uint16_t c = 0; c < tables.class_count; ++c) {
        if (row[c] != state && row[c] != 0) return false;
    }
    return true;
}

std::uint32_t blank_run(const Tables& tables, const Loops& loops, std::uint32_t start) {
    const std::uint16_t* from_start = &tables.next[std::size_t{start} * tables.class_count];
    const std::uint32_t state = from_start[tables.byte_class[' ']];
    if (state == 0 || loops.set_of_state[state] == 0 || tables.accept[state] == 0 || !run_ends_walk(tables, state))
        return 0;
    const std::uint16_t* row = &tables.next[std::size_t{state} * tables.class_count];
    for (std::uint16_t c = 0; c < tables.class_count; ++c) {
        if ((from_start[c] == state) != (row[c] == state)) return 0;
    }
    return state;
}

}  // namespace lexgen
