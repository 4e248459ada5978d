// Counts the bytes that memset sets to zero.  The executable links with
// -Wl,--wrap=memset, so the memset calls of the statically linked code pass
// through here; those of the C library itself do not.
#ifndef ROBUSTNESS_ZERO_FILL_COUNTER_H
#define ROBUSTNESS_ZERO_FILL_COUNTER_H

#include <cstddef>

namespace robustness {

std::size_t bytes_zero_filled();

}  // namespace robustness

#endif  // ROBUSTNESS_ZERO_FILL_COUNTER_H
