// Where a scan's words go.  The split call keeps them as records in its
// stream (RecordStream); a caller that reads each word once, as the digest
// does, takes them one at a time from a WordSink instead, and no record is
// written or read back.  A sink is not given whitespace and comments: of
// the accurate words, which tile the statement, it can tell where they
// were from the gaps between the words it gets.
#ifndef SPLT_WD_WORD_SINK_H
#define SPLT_WD_WORD_SINK_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "mirx_sql_splt_wd.h"
#include "splt_wd_action_table.h"
#include "splt_wd_session.h"

namespace spltwd {

struct RecordStream {};

// A word in the statement, of type `type`: a word type of the C API, each
// of which is below 256 (the sink's scan checks its rules' types so).  `rule`
// is the accurate rule whose match the word is, or 0 when the word was
// written otherwise (a fixed text, a pending word, a general action); a
// reader may take what it knows of the rule's matches (SPLT_WD_RULE_WORD in
// the generated actions) for the word's bytes.
struct SinkWord {
    static constexpr std::uint16_t kTypeLimit = 256;
    const char* text;
    std::uint32_t length;
    std::uint16_t type;
    std::uint16_t rule;
};

// Gathers the words and hands them on in batches: one call for many words.
class WordSink {
public:
    using Take = void (*)(void* user, const SinkWord* words, std::size_t count);
    WordSink(Take take, void* user) : take_(take), user_(user) {}
    WordSink(const WordSink&) = delete;
    WordSink& operator=(const WordSink&) = delete;

    // A word of no rule's match as it is (SinkWord::rule 0).
    void operator()(const char* text, std::uint32_t length, WordPair pair) {
        put(next_, text, length, {pair.type, 0});
    }
    // The scan's match loop keeps where the next word goes in a register
    // of its own, handed over around everything else it calls.
    SinkWord* cursor() const { return next_; }
    void set_cursor(SinkWord* next) { next_ = next; }
    [[gnu::always_inline]] void put(SinkWord*& next, const char* text, std::uint32_t length, WordPair pair) {
        if (pair.type == SPLT_WD_TYPE_SPACE || pair.type == SPLT_WD_TYPE_COMMENT) return;
        put_word(next, text, length, pair);
    }
    // put() of a word known to be neither whitespace nor a comment.
    // Here `pair` holds in place of its mask the word's SinkWord::rule: the
    // sink's scan looks its words up in pairs made so (sink_pairs()), other
    // writers pass 0.
    [[gnu::always_inline]] void put_word(SinkWord*& next, const char* text, std::uint32_t length, WordPair pair) {
        *next++ = {text, length, pair.type, pair.mask};
        // The batch is full when the next word would begin past it, where
        // its alignment begins again.
        // The sink is found from there (flush_full()), so that the scan
        // keeps no pointer to it at hand for each word.
        if ((reinterpret_cast<std::uintptr_t>(next) & (kBatchBytes - 1)) == 0) next = flush_full(next);
    }
    // The most words a batch holds.
    static constexpr std::size_t kBatch = 128;

    // Hands on the words gathered.
    void flush() {
        if (next_ != batch_) take_(user_, batch_, static_cast<std::size_t>(next_ - batch_));
        next_ = batch_;
    }

private:
    // Hands on the full batch that ends at `next`; returns where the next
    // word goes.
    [[gnu::noinline]] static SinkWord* flush_full(SinkWord* next) {
        static_assert(std::is_standard_layout_v<WordSink>, "the sink is found from its batch's end");
        auto* const sink =
            reinterpret_cast<WordSink*>(reinterpret_cast<char*>(next) - kBatchBytes - offsetof(WordSink, batch_));
        sink->next_ = next;
        sink->flush();
        return sink->next_;
    }

    static constexpr std::size_t kBatchBytes = kBatch * sizeof(SinkWord);
    static_assert((kBatchBytes & (kBatchBytes - 1)) == 0, "a full batch is told by its end's alignment");
    const Take take_;
    void* const user_;
    alignas(kBatchBytes) SinkWord batch_[kBatch];
    SinkWord* next_ = batch_;
};

// Splits `sql` by the accurate rules of `dialect` as spltwd_split does (a
// ";" is a word), each word but blanks to `sink` as it is read, and no
// debug lines.  Returns 0, or -1 when memory ran out.
std::int32_t split_into_sink(Session& s, const char* sql, std::uint32_t length, std::int32_t dialect, WordSink& sink);

}  // namespace spltwd

#endif  // SPLT_WD_WORD_SINK_H
