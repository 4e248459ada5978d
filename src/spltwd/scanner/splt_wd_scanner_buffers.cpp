// Making, emptying and releasing buffers, for in-memory and stream input.
#include <cstdint>
#include <cstring>
#include <unistd.h>

#include "splt_wd_alloc.h"
#include "splt_wd_scanner_buffer.h"
#include "splt_wd_scanner_memory.h"

namespace spltwd {

void init_buffer(Scanner& s, ScanBuffer* b, FILE* file) {
    scanner_flush_buffer(s, b);
    b->input = file;
    b->refillable = true;
    b->interactive = file && isatty(fileno(file)) > 0;
    if (b == current_buffer(s)) s.in = file;
}

ScanBuffer* scanner_create_buffer(Scanner& s, FILE* file, int size) {
    if (size < 0) scanner_fatal(fatal::kCreateBufferMemory);
    auto* b = static_cast<ScanBuffer*>(allocate_or_die(sizeof(ScanBuffer), fatal::kCreateBufferMemory));
    b->size = static_cast<std::size_t>(size);
    b->storage = static_cast<char*>(allocate_or_die(b->size + 2, fatal::kCreateBufferMemory));
    b->our_storage = true;
    init_buffer(s, b, file);
    return b;
}

void release_buffer(Scanner& s, ScanBuffer* b) {
    // A buffer released while it is still on the stack must not be resumed.
    for (std::size_t slot = 0; s.stack && slot <= s.stack_top; ++slot) {
        if (s.stack[slot] == b) s.stack[slot] = nullptr;
    }
    if (b->our_storage) splt_wdfree(b->storage);
    splt_wdfree(b);
}

void scanner_delete_buffer(Scanner& s, ScanBuffer* b) {
    if (!b) return;
    if (b == current_buffer(s)) save_buffer_state(s);
    release_buffer(s, b);
}

void scanner_flush_buffer(Scanner& s, ScanBuffer* b) {
    if (!b) return;
    const bool current = b == current_buffer(s);
    if (current) save_buffer_state(s);
    b->n_chars = 0;
    b->storage[0] = b->storage[1] = 0;
    b->pos = b->storage;
    b->end_pending = false;
    if (current) load_buffer_state(s);
}

ScanBuffer* scanner_scan_buffer(Scanner& s, char* base, std::size_t size) {
    if (!base || size < 2 || base[size - 2] || base[size - 1]) return nullptr;
    auto* b = static_cast<ScanBuffer*>(allocate_or_die(sizeof(ScanBuffer), fatal::kScanBufferMemory));
    *b = ScanBuffer{.input = nullptr,
                    .storage = base,
                    .pos = base,
                    .size = size - 2,
                    .n_chars = size - 2,
                    .our_storage = false,
                    .interactive = false,
                    .refillable = false,
                    .end_pending = false};
    scanner_switch_to_buffer(s, b);
    return b;
}

ScanBuffer* scanner_scan_bytes(Scanner& s, const char* bytes, std::size_t count) {
    if (count > SIZE_MAX - 2) scanner_fatal(fatal::kScanBytesMemory);
    auto* copy = static_cast<char*>(allocate_or_die(count + 2, fatal::kScanBytesMemory));
    if (count) std::memcpy(copy, bytes, count);
    copy[count] = copy[count + 1] = 0;
    ScanBuffer* b = scanner_scan_buffer(s, copy, count + 2);
    if (!b) scanner_fatal(fatal::kScanBytesBadBuffer);
    b->our_storage = true;
    return b;
}

ScanBuffer* scanner_scan_string(Scanner& s, const char* text) {
    return scanner_scan_bytes(s, text, std::strlen(text));
}

void scanner_restart(Scanner& s, FILE* file) {
    if (ScanBuffer* b = current_buffer(s)) {
        init_buffer(s, b, file);
    } else {
        s.in = file;
        ensure_current_buffer(s);
    }
}

}  // namespace spltwd
