// The script cursor: finds the pieces of a script, one after another,
// from the words of the accurate profile and the rules of a client.
#ifndef SPLTWD_SCRIPT_CURSOR_H
#define SPLTWD_SCRIPT_CURSOR_H

#include <cstddef>
#include <cstdint>
#include <array>

#include "mirx_sql_splt_wd.h"
#include "script_rules.h"
#include "spltwd_script.h"

namespace script_layer {

class Cursor {
public:
    // The library splits texts of at most 2^31-1 bytes.
    static constexpr std::uint64_t kLongestText = 0x7FFFFFFF;
    static constexpr std::uint64_t kFirstWindow = 4096;
    // Read whole, a statement is split to the end of its window: windows
    // start smaller than for a cut, which stops at the first separator.
    static constexpr std::uint64_t kFirstWholeWindow = 512;

    Cursor(std::uint16_t dialect, Client client);
    ~Cursor();
    Cursor(const Cursor &) = delete;
    Cursor &operator=(const Cursor &) = delete;

    bool ready() const { return context_ != nullptr; }
    void set_text(const char *data, std::size_t size, bool more);
    // 1 a piece, 0 none left in the text, -1 out of memory, -3 too long.
    std::int32_t next(spltwd_piece &piece);
    std::uint64_t position() const { return position_; }

private:
    enum class Outcome { pieces, need_more, out_of_memory, too_long };

    struct Piece {
        std::int32_t kind;
        std::uint64_t start;
        std::uint64_t end;
    };

    Outcome statement(std::uint64_t start);
    Outcome cut(std::uint64_t start);
    Outcome read_whole(std::uint64_t start, bool block);
    Outcome at_text_end(std::uint64_t start, std::uint64_t segment);
    Outcome data();
    Outcome finish_stop(std::uint64_t start);
    void finish_statement(std::uint64_t start, std::uint64_t end, std::uint64_t resume);
    std::uint64_t sent_end(std::uint64_t start, std::uint64_t end) const;
    bool separator_ends_text(std::uint64_t start, Outcome &failure);
    std::int32_t split(std::uint64_t from, std::uint64_t length, std::uint32_t *consumed);
    void push(std::int32_t kind, std::uint64_t start, std::uint64_t end);
    static void receive_words(void *cursor, const char *records, std::uint32_t length);

    spltwd_context *context_ = nullptr;
    std::uint16_t dialect_;
    Rules rules_;
    Text text_;
    std::uint64_t position_ = 0;
    bool line_blank_at_position_ = true;
    std::uint64_t line_origin_ = 0;
    // The pieces found and not yet given: a step finds at most two (the
    // statement before a command line, and the command).  Held in place,
    // so that a script of many statements allocates nothing per piece.
    std::array<Piece, 4> pieces_{};
    std::size_t first_piece_ = 0;
    std::size_t piece_count_ = 0;
    std::uint64_t window_ = kFirstWindow;
    std::uint64_t whole_window_ = kFirstWholeWindow;
    bool given_up_ = false;

    // While a split runs: where its next word starts; words go to the
    // rules only while feeding.
    bool feeding_ = false;
    std::uint64_t word_offset_ = 0;

    // psql's data after COPY ... FROM STDIN
    bool in_data_ = false;
    bool data_line_pending_ = false; // the rest of the command's line is still to pass
    std::uint64_t data_start_ = 0;
};

} // namespace script_layer

#endif // SPLTWD_SCRIPT_CURSOR_H
