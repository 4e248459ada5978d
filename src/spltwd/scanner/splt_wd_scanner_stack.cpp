// The buffer stack: which buffer is current, and the scanner's copy of its
// position, hold byte and stream.
#include <cstring>

#include "splt_wd_alloc.h"
#include "splt_wd_scanner_buffer.h"
#include "splt_wd_scanner_memory.h"

namespace spltwd {
namespace {

constexpr std::size_t kStackGrowth = 8;

// Makes room for a buffer at stack[slot].
void ensure_stack(Scanner& s, std::size_t slot) {
    if (slot < s.stack_size) return;
    const std::size_t size = s.stack ? s.stack_size + kStackGrowth : 1;
    void* grown = splt_wdrealloc(s.stack, size * sizeof *s.stack);
    if (!grown) scanner_fatal(fatal::kStackMemory);
    s.stack = static_cast<ScanBuffer**>(grown);
    std::memset(s.stack + s.stack_size, 0, (size - s.stack_size) * sizeof *s.stack);
    s.stack_size = size;
}

}  // namespace

void load_buffer_state(Scanner& s) {
    ScanBuffer* b = current_buffer(s);
    s.pos = b->pos;
    s.hold = *s.pos;
    s.in = b->input;
}

void save_buffer_state(Scanner& s) {
    if (ScanBuffer* b = current_buffer(s)) {
        *s.pos = s.hold;
        b->pos = s.pos;
    }
}

ScanBuffer& make_default_buffer(Scanner& s) {
    ensure_stack(s, s.stack_top);
    s.stack[s.stack_top] = scanner_create_buffer(s, s.in, kDefaultBufferSize);
    load_buffer_state(s);
    return *s.stack[s.stack_top];
}

void scanner_switch_to_buffer(Scanner& s, ScanBuffer* b) {
    ensure_stack(s, s.stack_top);
    if (current_buffer(s) == b) return;
    save_buffer_state(s);
    s.stack[s.stack_top] = b;
    if (b) load_buffer_state(s);
}

void scanner_push_buffer_state(Scanner& s, ScanBuffer* b) {
    if (!b) return;
    if (current_buffer(s)) {
        save_buffer_state(s);
        ensure_stack(s, s.stack_top + 1);
        ++s.stack_top;
    } else {
        ensure_stack(s, s.stack_top);
    }
    s.stack[s.stack_top] = b;
    load_buffer_state(s);
}

void scanner_pop_buffer_state(Scanner& s) {
    ScanBuffer* b = current_buffer(s);
    if (!b) return;
    scanner_delete_buffer(s, b);
    if (s.stack_top > 0) --s.stack_top;
    if (current_buffer(s)) load_buffer_state(s);
}

int scanner_destroy(Scanner& s) {
    save_buffer_state(s);
    // Every slot, not only down to the first empty one: a deleted current
    // buffer leaves an empty slot above the buffers beneath it.
    for (std::size_t slot = s.stack ? s.stack_top + 1 : 0; slot-- > 0;) {
        if (ScanBuffer* b = s.stack[slot]) release_buffer(s, b);
    }
    splt_wdfree(s.stack);
    Scanner fresh;
    fresh.tables = s.tables;
    fresh.lineno = s.lineno;
    fresh.debug = s.debug;
    s = fresh;
    return 0;
}

}  // namespace spltwd
