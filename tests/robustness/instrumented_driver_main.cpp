// test_split_word with its allocations and zero-fills followed.  Linked
// with -Wl,--wrap=main, so the process starts here.  SPLTWD_FAIL_ALLOCATION
// = k makes the k-th allocation of the run fail (none when unset or 0), and
// at exit the file that SPLTWD_TALLY names receives
// "<allocations> <1 when the k-th was reached, else 0> <bytes zero-filled>".
#include <cstdio>
#include <cstdlib>

#include "allocation_tracker.h"
#include "zero_fill_counter.h"

extern "C" int __real_main(int argc, char* argv[]);

namespace {

// At exit, so that a run the scanner ends for lack of memory is counted too.
void write_tally() {
    robustness::disarm();
    const char* path = std::getenv("SPLTWD_TALLY");
    FILE* file = path == nullptr ? nullptr : std::fopen(path, "w");
    if (file == nullptr) return;
    const robustness::Tally tally = robustness::tally();
    std::fprintf(file, "%zu %d %zu\n", tally.allocations, tally.injected ? 1 : 0, robustness::bytes_zero_filled());
    std::fclose(file);
}

}  // namespace

extern "C" int __wrap_main(int argc, char* argv[]) {
    const char* fail_at = std::getenv("SPLTWD_FAIL_ALLOCATION");
    std::atexit(write_tally);
    robustness::arm(fail_at == nullptr ? 0 : std::strtoul(fail_at, nullptr, 10));
    return __real_main(argc, argv);
}
