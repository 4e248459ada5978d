// The progress of a large input, on one line of standard error that is
// redrawn a few times per second and erased at the end:
//
//     sqlsplit: 45% (123456 statements)
//
// Shown only where someone watches it: standard error is a terminal, and
// standard output is not (the output itself would be torn apart by it).
#ifndef SQLSPLIT_PROGRESS_LINE_H
#define SQLSPLIT_PROGRESS_LINE_H

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace sqlsplit {

class ProgressLine {
public:
    static constexpr std::size_t kLargeInput = std::size_t{16} << 20;

    explicit ProgressLine(bool wanted) : wanted_(wanted) {}
    ~ProgressLine() { erase(); }
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // Starts an input of this many bytes; only a large one shows progress.
    void start(std::size_t input_size, std::int64_t statements);
    void update(std::size_t bytes_done, std::int64_t statements);
    // Erases the line, before other text goes to standard error, or at the
    // end of an input.  The next update draws it again.
    void erase();
    void finish()
    {
        erase();
        active_ = false;
    }

private:
    void draw(std::size_t bytes_done, std::int64_t statements);

    bool wanted_;
    bool active_ = false;
    std::size_t input_size_ = 0;
    std::size_t shown_length_ = 0; // of the line on the screen; 0 when none is
    std::chrono::steady_clock::time_point next_draw_{};
};

} // namespace sqlsplit

#endif // SQLSPLIT_PROGRESS_LINE_H
