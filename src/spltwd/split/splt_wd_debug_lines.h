// The debug lines that some rules give, such as "66-splt_wdtext:>".
#ifndef SPLT_WD_DEBUG_LINES_H
#define SPLT_WD_DEBUG_LINES_H

#include <cstdint>

#include "splt_wd_actions.h"
#include "splt_wd_session.h"

namespace spltwd {

// Hands a debug line to the session's receiver, if it has one: the
// format's prefix, the match up to its first zero byte (as a "%s"
// conversion of the zero-terminated match would show it) and a line end.
// A line that needs memory it cannot get marks the session out of memory.
void print_debug(Session& s, DebugFormat format, const char* text, std::uint32_t length);

}  // namespace spltwd

#endif  // SPLT_WD_DEBUG_LINES_H
