// The debug lines that some rules give, such as "66-splt_wdtext:>".
#ifndef SPLT_WD_DEBUG_LINES_H
#define SPLT_WD_DEBUG_LINES_H

#include <cstddef>
#include <cstdint>

#include "splt_wd_actions.h"
#include "splt_wd_session.h"

namespace spltwd {

// Hands a debug line to the session's receiver, if it has one: the
// format's prefix, the match up to its first zero byte (as a "%s"
// conversion of the zero-terminated match would show it) and a line end.
// A line that needs memory it cannot get marks the session out of memory.
void print_debug(Session& s, DebugFormat format, const char* text, std::uint32_t length);

// The two receivers of the process-wide session's lines, which go to
// standard output.  hold_line keeps them until write_held_lines(): a split
// call writes its lines in one go when it ends, where a write per line
// would cost more than the split of the line's word.  print_line writes
// each line at once: the splt_wd* scanner's run may end the process.
void hold_line(void* unused, const char* line, std::size_t length);
void print_line(void* unused, const char* line, std::size_t length);

// The bytes of the lines that hold_line keeps: up to kCapacity, and past
// them room for a copy of a fixed block that runs over a line's end.
struct HeldLines {
    static constexpr std::size_t kCapacity = 4096;
    static constexpr std::size_t kBlockOverrun = 16;
    std::size_t size = 0;
    char bytes[kCapacity + kBlockOverrun];
};
extern HeldLines held_lines;
void write_held_lines_now();
inline void write_held_lines() {
    if (held_lines.size != 0) write_held_lines_now();
}

}  // namespace spltwd

#endif  // SPLT_WD_DEBUG_LINES_H
