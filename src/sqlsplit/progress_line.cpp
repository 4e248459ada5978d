#include "progress_line.h"

#include <cinttypes>
#include <cstdio>
#include <string>

namespace sqlsplit {

namespace {

constexpr std::chrono::milliseconds kRedrawInterval{250};

} // namespace

void ProgressLine::start(std::size_t input_size, std::int64_t statements)
{
    active_ = wanted_ && input_size > kLargeInput;
    input_size_ = input_size;
    if (active_) {
        draw(0, statements);
    }
}

void ProgressLine::update(std::size_t bytes_done, std::int64_t statements)
{
    if (active_ && std::chrono::steady_clock::now() >= next_draw_) {
        draw(bytes_done, statements);
    }
}

void ProgressLine::draw(std::size_t bytes_done, std::int64_t statements)
{
    const auto percent = static_cast<unsigned>(input_size_ == 0 ? 100 : bytes_done * 100.0 / input_size_);
    char line[96];
    const int length = std::snprintf(line, sizeof line, "\rsqlsplit: %u%% (%" PRId64 " %s)", percent, statements,
                                     statements == 1 ? "statement" : "statements");
    // A shorter line must not leave the end of a longer one behind it.
    const std::size_t visible = static_cast<std::size_t>(length) - 1;
    const std::string padding(shown_length_ > visible ? shown_length_ - visible : 0, ' ');
    std::fprintf(stderr, "%s%s", line, padding.c_str());
    std::fflush(stderr);
    shown_length_ = visible;
    next_draw_ = std::chrono::steady_clock::now() + kRedrawInterval;
}

void ProgressLine::erase()
{
    if (shown_length_ == 0) {
        return;
    }
    std::fprintf(stderr, "\r%s\r", std::string(shown_length_, ' ').c_str());
    std::fflush(stderr);
    shown_length_ = 0;
    // Whatever erased it, the line comes back at the next update.
    next_draw_ = {};
}

} // namespace sqlsplit
