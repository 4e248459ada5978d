// The split call's own word buffers: the record stream being built and the
// pending word.
//
// Both start in storage that the split call keeps on its stack, so that a
// short statement needs no allocation but its result, and move to the heap
// (malloc, then realloc doubling) when that is full.  A record is written
// with one capacity check and one copy per field.  The buffers hold at most
// 4 GiB - 3 bytes, as a dynamic string with its 32-bit lengths would; more
// counts as memory that cannot be had.
//
// A buffer with a drain does not grow to hold all its content: when it is
// full, it hands what it holds to the drain and starts again empty, and
// grows only for a single write longer than its storage.
#ifndef SPLT_WD_WORD_BUFFERS_H
#define SPLT_WD_WORD_BUFFERS_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace spltwd {

// Copies `n` bytes without a call for the short words that make up most of
// a statement, and without reading outside [from, from + n).
inline void copy_bytes(char* to, const char* from, std::size_t n) {
    if (n >= 16) {
        std::memcpy(to, from, n);
    } else if (n >= 8) {
        std::uint64_t head, tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4) {
        std::uint32_t head, tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

class GrowBuffer {
public:
    // `first_heap` is the capacity of the first heap storage (at least
    // twice what is needed then).
    // `capacity` is at least kOverwrite.
    GrowBuffer(char* storage, std::size_t capacity, std::size_t first_heap)
        : data_(storage), capacity_(capacity), first_heap_(first_heap) {}
    using Drain = void (*)(void* user, const char* bytes, std::uint32_t length);
    void set_drain(Drain drain, void* user) {
        drain_ = drain;
        drain_user_ = user;
    }
    ~GrowBuffer() {
        if (on_heap_) std::free(data_);
    }
    GrowBuffer(const GrowBuffer&) = delete;
    GrowBuffer& operator=(const GrowBuffer&) = delete;

    // Where `n` more bytes may be written, or null when there is no memory
    // for them.  commit(n) then adds them to the content.
    char* room(std::size_t n) {
        if (capacity_ - size_ >= n) return data_ + size_;
        return grow(n) ? data_ + size_ : nullptr;
    }
    void commit(std::size_t n) { size_ += n; }
    void clear() { size_ = 0; }

    // For a writer that keeps its own cursor: the end of the content, the
    // end of what may be written there, and the new end of the content.
    // Up to kOverwrite bytes past a write that fits below write_limit()
    // may be scribbled on (they stay outside the content), so short
    // copies can move a fixed block.  reserve(n) makes room for n bytes
    // and that scribble; false when there is no memory for them.
    static constexpr std::size_t kOverwrite = 16;
    char* tail() { return data_ + size_; }
    char* write_limit() { return data_ + capacity_ - kOverwrite; }
    void set_tail(char* tail) { size_ = static_cast<std::size_t>(tail - data_); }
    bool reserve(std::size_t n) { return capacity_ - size_ >= n + kOverwrite || grow(n + kOverwrite); }

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    // Bytes handed to the drain so far.
    std::uint64_t drained() const { return drained_; }
    // Hands the content to the drain, if any is left.
    void drain();

    // The content in a malloc'd block of exactly its size, which the
    // caller owns; null when no memory is left for it.  The buffer is empty
    // afterwards.
    char* hand_out() {
        if (on_heap_) return hand_out_heap();
        char* out = static_cast<char*>(std::malloc(size_));
        if (out == nullptr) return nullptr;
        std::memcpy(out, data_, size_);
        data_ = nullptr;
        capacity_ = size_ = 0;
        return out;
    }

private:
    char* hand_out_heap();
    bool grow(std::size_t n);
    bool resize(std::size_t capacity);

    char* data_;
    std::size_t size_ = 0;
    std::size_t capacity_;
    std::size_t first_heap_;
    bool on_heap_ = false;
    Drain drain_ = nullptr;
    void* drain_user_ = nullptr;
    std::uint64_t drained_ = 0;
};

}  // namespace spltwd

#endif  // SPLT_WD_WORD_BUFFERS_H
