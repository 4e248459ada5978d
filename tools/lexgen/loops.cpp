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
            // 0x00 shares the class of 0x01, so a lone exit byte is never
            // 0x00 and can be searched for as it stands.
            std::int16_t exit = -1;
            for (unsigned byte = 0; byte < 256 && kept == 255; ++byte) {
                if (!stays[byte]) exit = static_cast<std::int16_t>(byte);
            }
            loops.only_exit.push_back(exit);
        }
        loops.set_of_state[state] = static_cast<std::uint16_t>(it->second + 1);
    }
    return loops;
}

}  // namespace lexgen
