// Growing and handing out the split call's word buffers.
#include "splt_wd_word_buffers.h"

#include <algorithm>
#include <cstdlib>

namespace spltwd {
namespace {

constexpr std::size_t kMaxContent = UINT32_MAX - 2;

}  // namespace

// Doubling keeps n appends at O(n) in all, however short each one is.
bool GrowBuffer::grow(std::size_t n) {
    if (drain_ != nullptr) {
        drain();
        return capacity_ >= n || resize(n);
    }
    if (n > kMaxContent - size_) return false;
    const std::size_t needed = size_ + n;
    const std::size_t capacity = on_heap_ ? std::max(2 * capacity_, needed) : std::max(first_heap_, 2 * needed);
    return resize(std::min(capacity, kMaxContent));
}

bool GrowBuffer::resize(std::size_t capacity) {
    if (!on_heap_) {
        auto* storage = static_cast<char*>(std::malloc(capacity));
        if (storage == nullptr) return false;
        std::memcpy(storage, data_, size_);
        data_ = storage;
        on_heap_ = true;
    } else {
        auto* storage = static_cast<char*>(std::realloc(data_, capacity));
        if (storage == nullptr) return false;
        data_ = storage;
    }
    capacity_ = capacity;
    return true;
}

void GrowBuffer::drain() {
    if (size_ == 0) return;
    drain_(drain_user_, data_, static_cast<std::uint32_t>(size_));
    drained_ += size_;
    size_ = 0;
}

// Shrinking in place: no copy of a long stream.
char* GrowBuffer::hand_out_heap() {
    char* out = static_cast<char*>(std::realloc(data_, size_));
    if (out == nullptr) return nullptr;
    on_heap_ = false;
    data_ = nullptr;
    capacity_ = size_ = 0;
    return out;
}

}  // namespace spltwd
