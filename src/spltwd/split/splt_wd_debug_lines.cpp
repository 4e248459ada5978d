#include "splt_wd_debug_lines.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "splt_wd_word_buffers.h"

namespace spltwd {
namespace {

constexpr std::string_view kDebugPrefix[] = {"", "66-splt_wdtext:", "splt_wdtext:", "612-splt_wdtext:"};

// Each prefix in a block of its own, so that it moves as one copy of a
// fixed size; a line has room for the block (see print_debug).
constexpr std::size_t kPrefixBlock = 16;
static_assert(kPrefixBlock <= HeldLines::kBlockOverrun, "the hold has room for a prefix block past a line");
constexpr auto kPrefixBlocks = [] {
    std::array<std::array<char, kPrefixBlock>, std::size(kDebugPrefix)> blocks{};
    for (std::size_t i = 0; i < std::size(kDebugPrefix); ++i) {
        for (std::size_t at = 0; at < kDebugPrefix[i].size(); ++at) blocks[i][at] = kDebugPrefix[i][at];
    }
    return blocks;
}();
static_assert([] {
    for (const std::string_view prefix : kDebugPrefix) {
        if (prefix.size() > kPrefixBlock) return false;
    }
    return true;
}(), "a debug prefix fits its block");

// The length of the match up to its first zero byte.  The matches that
// print lines are short words, for which a call costs more than the search.
std::size_t shown_length(const char* text, std::uint32_t length) {
    if (length > 16) return strnlen(text, length);
    std::size_t shown = 0;
    while (shown < length && text[shown] != '\0') ++shown;
    return shown;
}

}  // namespace

// Only the process-wide session holds lines, and it serves one thread at a
// time.
HeldLines held_lines;

void write_held_lines_now() {
    std::fwrite(held_lines.bytes, 1, held_lines.size, stdout);
    held_lines.size = 0;
}

void print_line(void*, const char* line, std::size_t length) { std::fwrite(line, 1, length, stdout); }

namespace {

// Where a line of `length` bytes goes in the hold, once the lines before
// it are written out where it does not fit; null for a line longer than
// the hold, which then goes out on its own, after them.
char* held_room(std::size_t length) {
    if (length > HeldLines::kCapacity - held_lines.size) {
        write_held_lines();
        if (length > HeldLines::kCapacity) return nullptr;
    }
    char* const at = held_lines.bytes + held_lines.size;
    held_lines.size += length;
    return at;
}

}  // namespace

void hold_line(void*, const char* line, std::size_t length) {
    if (char* const at = held_room(length)) {
        std::memcpy(at, line, length);
    } else {
        print_line(nullptr, line, length);
    }
}

// The receiver gets each line whole: one write per line keeps it whole
// on a shared stream when splits run on several threads.  The lines that
// hold_line would keep are written straight into the hold.
void print_debug(Session& s, DebugFormat format, const char* text, std::uint32_t length) {
    if (s.debug_lines == nullptr) return;
    const std::size_t prefix = kDebugPrefix[format].size();
    const std::size_t shown = shown_length(text, length);
    const std::size_t size = prefix + shown + 1;
    // Written where hold_line would copy it to.
    if (s.debug_lines == hold_line && size <= HeldLines::kCapacity) {
        char* const line = held_room(size);
        std::memcpy(line, kPrefixBlocks[format].data(), kPrefixBlock);
        copy_bytes(line + prefix, text, shown);
        line[size - 1] = '\n';
        return;
    }
    char short_line[256];
    static_assert(sizeof short_line >= kPrefixBlock);
    // A line that does not fit short_line is longer than a prefix block too.
    char* line = size <= sizeof short_line ? short_line : static_cast<char*>(std::malloc(size));
    if (line == nullptr) {
        s.out_of_memory = true;
        return;
    }
    std::memcpy(line, kPrefixBlocks[format].data(), kPrefixBlock);
    copy_bytes(line + prefix, text, shown);
    line[size - 1] = '\n';
    s.debug_lines(s.debug_lines_user, line, size);
    if (line != short_line) std::free(line);
}

}  // namespace spltwd
