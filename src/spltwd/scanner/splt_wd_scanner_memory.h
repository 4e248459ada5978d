// The scanner's allocator and its fatal errors: the only ways in which the
// scanner gets memory or ends the process.
#ifndef SPLT_WD_SCANNER_MEMORY_H
#define SPLT_WD_SCANNER_MEMORY_H

#include <cstddef>

namespace spltwd {

// Prints `message` and a newline on stderr and exits with status 2.
[[noreturn]] void scanner_fatal(const char* message);

// Allocates through splt_wdalloc, or ends the process with `message`.
void* allocate_or_die(std::size_t size, const char* message);

// When set, asked before every splt_wdalloc and splt_wdrealloc; a true answer
// makes that allocation fail.  Lets tests reach the out-of-memory paths.
extern bool (*allocation_fails)(std::size_t size);

// The fatal messages, each where it arises.
namespace fatal {
inline constexpr const char* kScanBytesMemory = "out of dynamic memory in splt_wd_scan_bytes()";
inline constexpr const char* kScanBytesBadBuffer = "bad buffer in splt_wd_scan_bytes()";
inline constexpr const char* kScanBufferMemory = "out of dynamic memory in splt_wd_scan_buffer()";
inline constexpr const char* kStackMemory = "out of dynamic memory in splt_wdensure_buffer_stack()";
inline constexpr const char* kCreateBufferMemory = "out of dynamic memory in splt_wd_create_buffer()";
inline constexpr const char* kRefillMemory = "out of dynamic memory in yy_get_next_buffer()";
inline constexpr const char* kInputOverflow = "fatal error - scanner input buffer overflow";
inline constexpr const char* kReadFailed = "input in flex scanner failed";
inline constexpr const char* kEndOfBufferMissed = "fatal flex scanner internal error--end of buffer missed";
inline constexpr const char* kNoAction = "fatal flex scanner internal error--no action found";
}  // namespace fatal

}  // namespace spltwd

#endif  // SPLT_WD_SCANNER_MEMORY_H
