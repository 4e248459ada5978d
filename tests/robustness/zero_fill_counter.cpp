#include "zero_fill_counter.h"

extern "C" void* __real_memset(void* block, int value, std::size_t size);

namespace robustness {
namespace {
std::size_t zero_filled = 0;
}  // namespace

std::size_t bytes_zero_filled() { return zero_filled; }

}  // namespace robustness

extern "C" void* __wrap_memset(void* block, int value, std::size_t size) {
    if (value == 0) robustness::zero_filled += size;
    return __real_memset(block, value, size);
}
