#include "allocation_tracker.h"

#include <set>
#include <unordered_map>

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void __real_free(void* block);
}

namespace robustness {
namespace {

// Fixed storage: the tracker runs inside malloc and must not allocate.
constexpr std::size_t kMaxLive = 1024;
constexpr std::size_t kMaxEvents = 4096;

struct Event {
    std::size_t index;   // allocation number, 0 for a release
    void* block;         // allocated or released
    void* replaced;      // the block a realloc took over, or null
    std::size_t size;
};

struct State {
    bool armed = false;
    std::size_t fail_at = 0;
    Tally tally;
    void* live[kMaxLive];
    Event events[kMaxEvents];
    std::size_t event_count = 0;
};
State state;

void log(const Event& event) {
    if (state.event_count == kMaxEvents) {
        state.tally.overflowed = true;
        return;
    }
    state.events[state.event_count++] = event;
}

void track(void* block) {
    if (state.tally.outstanding == kMaxLive) {
        state.tally.overflowed = true;
        return;
    }
    state.live[state.tally.outstanding++] = block;
}

void untrack(void* block) {
    for (std::size_t i = 0; i < state.tally.outstanding; ++i) {
        if (state.live[i] == block) {
            state.live[i] = state.live[--state.tally.outstanding];
            return;
        }
    }
}

// Counts an attempt; true when this one is to fail.
bool attempt_fails() {
    if (++state.tally.allocations != state.fail_at) return false;
    state.tally.injected = true;
    return true;
}

void allocated(void* block, void* replaced, std::size_t size) {
    if (block == nullptr) return;
    if (replaced != nullptr) untrack(replaced);
    track(block);
    log({state.tally.allocations, block, replaced, size});
}

}  // namespace

void arm(std::size_t fail_at) {
    state.tally = Tally{};
    state.event_count = 0;
    state.fail_at = fail_at;
    state.armed = true;
}

void disarm() { state.armed = false; }

Tally tally() { return state.tally; }

bool released(const void* block) {
    for (std::size_t i = 0; i < state.event_count; ++i) {
        if (state.events[i].index == 0 && state.events[i].block == block) return true;
    }
    return false;
}

Growths growths() {
    struct Block {
        std::size_t size;
        std::size_t lineage;
    };
    std::unordered_map<void*, Block> blocks;
    std::set<std::size_t> grown_lineages;
    Growths result;
    const auto grew = [&](std::size_t index, std::size_t lineage) {
        result.indices.push_back(index);
        grown_lineages.insert(lineage);
    };
    for (std::size_t i = 0; i < state.event_count; ++i) {
        const Event& e = state.events[i];
        if (e.index == 0) {
            blocks.erase(e.block);
            continue;
        }
        std::size_t lineage = e.index;
        if (auto old = blocks.find(e.replaced); e.replaced != nullptr && old != blocks.end()) {
            lineage = old->second.lineage;
            if (old->second.size < e.size) grew(e.index, lineage);
            blocks.erase(old);
        } else if (i + 1 < state.event_count && state.events[i + 1].index == 0) {
            auto old = blocks.find(state.events[i + 1].block);
            if (old != blocks.end() && old->second.size < e.size) {
                lineage = old->second.lineage;
                grew(e.index, lineage);
            }
        }
        blocks[e.block] = {e.size, lineage};
    }
    result.lineages = grown_lineages.size();
    return result;
}

}  // namespace robustness

using robustness::state;

extern "C" {

void* __wrap_malloc(std::size_t size) {
    if (!state.armed) return __real_malloc(size);
    if (robustness::attempt_fails()) return nullptr;
    void* block = __real_malloc(size);
    robustness::allocated(block, nullptr, size);
    return block;
}

void* __wrap_calloc(std::size_t count, std::size_t size) {
    if (!state.armed) return __real_calloc(count, size);
    if (robustness::attempt_fails()) return nullptr;
    void* block = __real_calloc(count, size);
    robustness::allocated(block, nullptr, count * size);
    return block;
}

void* __wrap_realloc(void* block, std::size_t size) {
    if (!state.armed) return __real_realloc(block, size);
    if (robustness::attempt_fails()) return nullptr;
    void* moved = __real_realloc(block, size);
    robustness::allocated(moved, block, size);
    return moved;
}

void __wrap_free(void* block) {
    if (state.armed && block != nullptr) {
        robustness::untrack(block);
        robustness::log({0, block, nullptr, 0});
    }
    __real_free(block);
}

}  // extern "C"
