#include "state_order.h"

#include <cstdint>
#include <vector>

#include "loops.h"
#include "tables.h"

namespace lexgen {

void order_states(Tables& tables) {
    const std::uint32_t count = tables.state_count();
    const Loops loops = find_loops(tables);
    auto group = [&](std::uint32_t s) -> int {
        if (s == 0) return 0;
        if (loops.set_of_state[s] != 0) return 1;
        return tables.accept[s] != 0 ? 3 : 2;
    };

    std::vector<std::uint16_t> renumbered(count);
    std::vector<std::uint32_t> old_of_new;
    std::uint32_t bound[4] = {};
    for (int g = 0; g < 4; ++g) {
        for (std::uint32_t s = 0; s < count; ++s) {
            if (group(s) != g) continue;
            renumbered[s] = static_cast<std::uint16_t>(old_of_new.size());
            old_of_new.push_back(s);
        }
        bound[g] = static_cast<std::uint32_t>(old_of_new.size());
    }

    std::vector<std::uint16_t> next(tables.next.size());
    std::vector<std::uint16_t> accept(count);
    const std::size_t width = tables.class_count;
    for (std::uint32_t s = 0; s < count; ++s) {
        const std::uint32_t old = old_of_new[s];
        accept[s] = tables.accept[old];
        for (std::size_t c = 0; c < width; ++c) next[s * width + c] = renumbered[tables.next[old * width + c]];
    }
    for (std::uint16_t& start : tables.start) start = renumbered[start];
    tables.next = std::move(next);
    tables.accept = std::move(accept);
    tables.loop_end = static_cast<std::uint16_t>(bound[1]);
    tables.accepting_begin = static_cast<std::uint16_t>(bound[2]);
}

}  // namespace lexgen
