// Stream input: reading more bytes behind a match in progress.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "splt_wd_alloc.h"
#include "splt_wd_scanner_buffer.h"
#include "splt_wd_scanner_memory.h"

namespace spltwd {
namespace {

constexpr std::size_t kReadChunk = 8192;

// After a read that set the stream's error flag: true (flag cleared) when a
// signal interrupted it, so that the read is retried.
bool read_interrupted(FILE* in) {
    if (!std::ferror(in)) return false;
    if (errno != EINTR) scanner_fatal(fatal::kReadFailed);
    std::clearerr(in);
    return true;
}

// A terminal gets one line at a time, so that a scan never waits for input
// beyond the line that was typed.
std::size_t read_line(FILE* in, char* to, std::size_t max) {
    std::size_t n = 0;
    while (n < max) {
        errno = 0;
        const int c = std::getc(in);
        if (c == EOF) {
            if (read_interrupted(in)) continue;
            break;
        }
        to[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    return n;
}

std::size_t read_block(FILE* in, char* to, std::size_t max) {
    std::size_t n;
    do {
        errno = 0;
        n = std::fread(to, 1, max, in);
    } while (read_interrupted(in) && n == 0);
    return n;
}

// Storage that a match in progress fills completely: the scanner's own
// doubles, anything else cannot hold the match.
void grow_storage(Scanner& s, ScanBuffer& b) {
    if (!b.our_storage || b.size > (SIZE_MAX - 2) / 2) scanner_fatal(fatal::kInputOverflow);
    const std::size_t size = b.size ? b.size * 2 : 1;
    void* grown = splt_wdrealloc(b.storage, size + 2);
    if (!grown) scanner_fatal(fatal::kRefillMemory);
    b.storage = static_cast<char*>(grown);
    b.size = size;
    s.pos = b.storage;
}

}  // namespace

std::size_t refill(Scanner& s, ScanBuffer& b) {
    const std::size_t pending = b.n_chars - static_cast<std::size_t>(s.pos - b.storage);
    std::size_t read = 0;
    if (!b.end_pending && s.in) {
        std::memmove(b.storage, s.pos, pending);
        s.pos = b.storage;
        if (pending == b.size) grow_storage(s, b);
        const std::size_t room = std::min(b.size - pending, kReadChunk);
        char* to = b.storage + pending;
        read = b.interactive ? read_line(s.in, to, room) : read_block(s.in, to, room);
        b.n_chars = pending + read;
        b.storage[b.n_chars] = b.storage[b.n_chars + 1] = 0;
    }
    if (read > 0) {
        b.end_pending = false;
    } else if (pending > 0) {
        // The match in progress ends the stream; the end itself comes next.
        b.end_pending = true;
    } else {
        init_buffer(s, &b, s.in);
    }
    s.hold = *s.pos;
    return read;
}

}  // namespace spltwd
