#include "splt_wd_debug_lines.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace spltwd {
namespace {

constexpr std::string_view kDebugPrefix[] = {"", "66-splt_wdtext:", "splt_wdtext:", "612-splt_wdtext:"};

}  // namespace

// The receiver gets each line whole: one write per line keeps it whole
// on a shared stream when splits run on several threads.
void print_debug(Session& s, DebugFormat format, const char* text, std::uint32_t length) {
    if (s.debug_lines == nullptr) return;
    const std::string_view prefix = kDebugPrefix[format];
    const std::size_t shown = strnlen(text, length);
    const std::size_t size = prefix.size() + shown + 1;
    char short_line[256];
    char* line = size <= sizeof short_line ? short_line : static_cast<char*>(std::malloc(size));
    if (line == nullptr) {
        s.out_of_memory = true;
        return;
    }
    std::memcpy(line, prefix.data(), prefix.size());
    std::memcpy(line + prefix.size(), text, shown);
    line[size - 1] = '\n';
    s.debug_lines(s.debug_lines_user, line, size);
    if (line != short_line) std::free(line);
}

}  // namespace spltwd
