// Cuts one input into statements where the dialect reads a ";" as a
// separator, and splits each statement into its words.
#ifndef SQLSPLIT_STATEMENT_CUTTER_H
#define SQLSPLIT_STATEMENT_CUTTER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "mirx_sql_splt_wd.h"

namespace sqlsplit {

struct CutWord {
    std::string_view text;
    std::uint16_t type = 0;
    std::uint16_t mask = 0;
    // The running sum of the word lengths: the word's byte range in the
    // statement under the accurate profile.
    std::uint64_t start = 0;
    std::uint64_t end = 0;
};

struct CutStatement {
    std::string_view text;      // without the blanks before it and without its separator
    std::uint64_t start = 0;    // offset of text in the input
    std::int32_t result = 0;    // the split's result: the stream length, 0, or -5
    std::uint64_t word_count = 0;
};

// Calls each(word) for every record of a run of whole records; `offset`
// is the statement offset of the first and moves on past the last.
template <typename Each>
inline void for_each_record(const char *records, std::uint32_t length, std::uint64_t &offset, Each each)
{
    for (std::uint32_t at = 0; length - at >= 8;) {
        // The record's fields are unaligned: copy them out.
        std::uint32_t word_length = 0;
        std::memcpy(&word_length, records + at, sizeof word_length);
        if (word_length > length - at - 8) {
            return;
        }
        CutWord word;
        word.text = std::string_view(records + at + 4, word_length);
        std::memcpy(&word.type, records + at + 4 + word_length, sizeof word.type);
        std::memcpy(&word.mask, records + at + 6 + word_length, sizeof word.mask);
        word.start = offset;
        offset += word_length;
        word.end = offset;
        each(word);
        at += 8 + word_length;
    }
}

// A split's word records, kept while they fit in a limit.  Past it they
// are dropped, and whoever wants the words splits the text again: memory
// stays bounded whatever the statement's size.
class KeptRecords {
public:
    explicit KeptRecords(std::size_t limit) : limit_(limit) {}

    void clear()
    {
        records_.clear();
        dropped_ = false;
    }
    // Takes the next records of the split, or drops them all once they
    // pass the limit.
    void add(const char *records, std::size_t length)
    {
        if (dropped_) {
            return;
        }
        if (records_.size() + length <= limit_) {
            records_.append(records, length);
            return;
        }
        dropped_ = true;
        std::string().swap(records_);
    }
    bool dropped() const { return dropped_; }
    std::string_view view() const { return records_; }
    // Calls each(word) for every word kept, from the statement's start.
    template <typename Each>
    void each_word(Each each) const
    {
        std::uint64_t offset = 0;
        for_each_record(records_.data(), static_cast<std::uint32_t>(records_.size()), offset, each);
    }

private:
    std::size_t limit_;
    std::string records_;
    bool dropped_ = false;
};

class StatementCutter {
public:
    // The library splits texts of at most 2^31-1 bytes.
    static constexpr std::uint32_t kLongestText = 0x7FFFFFFF;
    static constexpr std::uint32_t kFirstWindow = 4096;
    // The word records of a statement up to this size are kept from its
    // cut; a larger statement is split once more to give its words.
    static constexpr std::size_t kKeptRecords = std::size_t{4} << 20;

    enum class Step {
        statement, // the next non-empty statement was cut and split
        end,       // the input holds no further statement (see expect_more_input())
        too_long,  // the next statement and its separator do not fit in longest_text bytes
        failed,    // the split failed so that no cut is known (out of memory): failed_result() tells
    };

    // Receives a debug line of the splitter.
    using DebugLines = std::function<void(std::string_view line)>;
    using EachWord = std::function<void(const CutWord &word)>;

    // The input and the context must outlive the cutter; the cutter sets
    // the context's receivers while it lives.  A statement is looked for in
    // a window of the input's bytes that starts small and doubles until it
    // holds the statement, so that each split reads about as much as the
    // statement it cuts: handing the library the whole rest of a large
    // input for each statement would read it again each time.  The cost:
    // in a few malformed texts (a dotted name with gaps running into stray
    // comment marks, seen in Oracle) the library's reading of a ";" depends
    // on bytes far behind it; where those lie beyond the window, the cut
    // falls at that ";" though a scan of the whole rest would not cut there.
    StatementCutter(spltwd_context *context, std::uint16_t dialect, std::string_view input,
                    std::uint32_t first_window = kFirstWindow, std::uint32_t longest_text = kLongestText,
                    std::size_t kept_records = kKeptRecords);
    ~StatementCutter();
    StatementCutter(const StatementCutter &) = delete;
    StatementCutter &operator=(const StatementCutter &) = delete;

    // From now on a statement whose words are all whitespace and comments
    // (the comment after the last ";" of a script, say) is skipped like an
    // empty one: it is no statement to the server.
    void skip_statements_without_sql() { skip_without_sql_ = true; }

    // The input is the head of a longer one whose rest is still to come:
    // a statement that runs to the end of the input is not cut, since its
    // end may lie further on.  next() then gives end, and bytes_done()
    // tells where that statement starts: from there the input goes on.
    // The cuts before it are those of the longer input, as a cut inside
    // the window is trusted (above).
    void expect_more_input() { more_input_ = true; }

    // After too_long or failed the rest of the input is given up: its
    // statements cannot be told apart.
    Step next(CutStatement &statement);

    // Gives the words of the statement that next() cut last, in order, and
    // the debug lines of its split to `debug_lines` if it is set.  Memory
    // stays bounded whatever the statement's size.
    void each_word(const EachWord &each, const DebugLines &debug_lines = nullptr);
    // Whether each_word() gives the words of that statement from records
    // kept from its cut (for_each_record reads them), and those records.
    bool records_kept() const { return last_result_ > 0 && !records_.dropped(); }
    std::string_view records() const { return records_.view(); }

    // Any statement up to this length is cut: its separator and the byte
    // after it must fit in the text handed to the library.
    std::uint32_t longest_statement() const { return longest_text_ - 2; }
    std::size_t bytes_done() const { return position_; }
    std::int32_t failed_result() const { return failed_result_; }

private:
    struct Cut {
        std::int32_t result;
        std::uint32_t consumed; // bytes taken, the separator included
        bool separator;         // whether the cut ends in a separator
    };

    // What the context's receivers do with what they receive.
    // During a cut the records are counted and kept while they fit; during
    // a replay they go to `each` (or nowhere) and the debug lines to
    // `debug_lines`.
    struct Receiving {
        const EachWord *each = nullptr;
        bool replay = false;
        const DebugLines *debug_lines = nullptr;
        std::uint64_t offset = 0;  // of the next word in the statement
    };

    std::int32_t split_first(std::string_view text, std::uint32_t &consumed);
    Step cut_rest(std::string_view rest, Cut &cut);
    Step probe_final_separator(std::string_view rest, Cut &cut);
    Step give_up(Step why, std::int32_t result);
    static void receive_words(void *cutter, const char *records, std::uint32_t length);
    static void receive_debug_line(void *cutter, const char *line, std::size_t length);

    spltwd_context *context_;
    std::uint16_t dialect_;
    std::string_view input_;
    std::uint32_t first_window_;
    std::uint32_t longest_text_;
    std::uint32_t window_;
    std::size_t position_ = 0;
    std::int32_t failed_result_ = 0;
    std::int32_t last_result_ = 0;

    Receiving receiving_;
    KeptRecords records_;         // the last split's
    std::uint64_t word_count_ = 0;  // of the last split
    std::uint64_t sql_word_count_ = 0;  // of them, words neither whitespace nor comment
    bool skip_without_sql_ = false;
    bool more_input_ = false;
    std::string_view split_text_;   // the text of the last cut's split
};

} // namespace sqlsplit

#endif // SQLSPLIT_STATEMENT_CUTTER_H
