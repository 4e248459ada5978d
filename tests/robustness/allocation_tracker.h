// Counts, fails and follows the allocations made between arm() and
// disarm().  The executable links with
// -Wl,--wrap=malloc,--wrap=calloc,--wrap=realloc,--wrap=free, so every
// malloc, calloc, realloc and free of the statically linked library passes
// through here; outside an armed stretch they go straight to the C library,
// which keeps GoogleTest's own allocations out of the count.
#ifndef ROBUSTNESS_ALLOCATION_TRACKER_H
#define ROBUSTNESS_ALLOCATION_TRACKER_H

#include <cstddef>
#include <vector>

namespace robustness {

// Starts counting from 0; the `fail_at`-th allocation (from 1) returns
// null.  0 fails none.
void arm(std::size_t fail_at);
void disarm();

struct Tally {
    std::size_t allocations = 0;  // attempts, the failed one included
    std::size_t outstanding = 0;  // blocks allocated and not yet released
    bool injected = false;        // the fail_at-th allocation was reached
    bool overflowed = false;      // more events than the tracker holds
};
Tally tally();

// Whether `block` was released during the last armed stretch, whoever
// allocated it.
bool released(const void* block);

// What the allocations of the last armed stretch did to each other.  A
// growth is an allocation that takes the place of a smaller live block:
// a realloc that enlarges one, or an allocation right after which a
// smaller live block is released (allocate, copy, release).  Its lineage
// is the allocation that began the chain of replacements.  Call disarmed.
struct Growths {
    std::vector<std::size_t> indices;  // the growing allocations, from 1
    std::size_t lineages = 0;          // distinct chains that grew
};
Growths growths();

}  // namespace robustness

#endif  // ROBUSTNESS_ALLOCATION_TRACKER_H
