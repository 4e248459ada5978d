// The rules of the normalised text, word by word, for any word: the
// common ones go through the loop of digest_word_loop.cpp.
#include "digest_builder.h"

#include <cstring>
#include <new>

#include "digest_words.h"

namespace spltwd::digest {
namespace {

// Writes `text`, longer than eight bytes, at `out` with its ASCII letters
// in lower case; returns the end of what it wrote.
char* write_lower(char* out, std::string_view text) {
    const std::size_t size = text.size();
    const auto lower_eight_at = [&](std::size_t at) {
        std::uint64_t bytes;
        std::memcpy(&bytes, text.data() + at, 8);
        bytes = folding::lower(bytes);
        std::memcpy(out + at, &bytes, 8);
    };
    for (std::size_t at = 0; at + 8 < size; at += 8) lower_eight_at(at);
    lower_eight_at(size - 8);  // the last eight, which may overlap the ones before
    return out + size;
}

}  // namespace

// Any word but a blank, by all the rules but the kind's (see add()).
void DigestBuilder::add_word(const Word& word, WordClass cls, bool quoted, FoldedWord folded_word, unsigned role) {
    const std::string_view text = word.text;
    if (want_ != Want::none || asks_for_table(role)) follow_tables(word, role);

    if (cls == WordClass::literal) {
        if (sign_ != 0 && text.data() == sign_end_ && word.type == SPLT_WD_TYPE_NUMBER) {
            sign_ = 0;
        } else {
            emit_pending();
        }
        emit_literal();
        return;
    }
    if (cls == WordClass::other && text.size() == 1 && took_punctuation(text)) return;
    emit_pending();
    Last kind = Last::other;
    switch (cls) {
        case WordClass::lparen: emit_open(); return;
        case WordClass::rparen: emit_close(); return;
        case WordClass::comma: emit(",", Last::comma); return;
        case WordClass::operand:
            // A bind marker "?" counts as a literal in a group: IN (?, ?) is IN (?).
            if (word.type == SPLT_WD_TYPE_BIND_VARIABLE && text.size() == 1 && text[0] == '?') {
                emit_literal();
                return;
            }
            kind = word.type == SPLT_WD_TYPE_NAME ? Last::name : Last::operand;
            if (quoted) {
                emit(text, kind);
                return;
            }
            break;
        default: break;
    }
    emit_word(text, folded_word, kind);
}

// A ";" is held back (those at the end are dropped), a sign may be part of
// the number after it, a "." joins names: true when `byte` was one of them.
bool DigestBuilder::took_punctuation(std::string_view text) {
    const char byte = text[0];
    if (byte == ';') {
        emit_sign();
        ++semicolons_;
        return true;
    }
    emit_pending();
    if ((byte == '+' || byte == '-') && last_ != Last::name && last_ != Last::operand && last_ != Last::literal &&
        last_ != Last::close) {
        sign_ = byte;
        sign_end_ = text.data() + 1;
        return true;
    }
    if (byte == '.') {
        emit(".", Last::dot);
        return true;
    }
    return false;
}

// Any word but a blank, by all the rules.
void DigestBuilder::add(std::string_view text, std::uint16_t type) {
    const WordClass cls = class_of(type);
    if (cls == WordClass::blank || text.empty()) return;
    const Word word{text, type};
    const bool quoted = cls == WordClass::operand && is_quoted(word);
    // The word folded, where it may be a keyword and is written in lower
    // case: no literal, quoted name or punctuation is either.
    const FoldedWord folded_word =
        (cls == WordClass::operand || cls == WordClass::other) && !quoted ? fold(text) : FoldedWord{};
    const unsigned word_role = role(folded_word);
    if (!kind_done_) follow_kind_of(type, word_role);
    try {
        add_word(word, cls, quoted, folded_word, word_role);
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
    plain_ = sign_ == 0 && semicolons_ == 0;
}

void DigestBuilder::take(void* builder, const SinkWord* words, std::size_t count) {
    DigestBuilder& b = *static_cast<DigestBuilder*>(builder);
    try {
        b.add_words(words, words + count);
    } catch (const std::bad_alloc&) {
        b.failed_ = true;
    }
}

// Writes a sign held back as an operator of its own.
void DigestBuilder::emit_sign() {
    if (sign_ != 0) {
        const char sign[1] = {sign_};
        sign_ = 0;
        emit(std::string_view(sign, 1), Last::other);
    }
}

// Writes what was held back before the word that follows it.
void DigestBuilder::emit_held() {
    emit_sign();
    for (; semicolons_ > 0; --semicolons_) emit(";", Last::other);
}

void DigestBuilder::note_in_group(Last kind) {
    if (groups_.empty()) return;
    if (kind == Last::literal) {
        any_literal_ = true;
    } else if (kind != Last::comma) {
        only_literals_ = false;
    }
}

// Words are joined by one blank, but none after "(", before ")" and ",",
// and on either side of ".".
void DigestBuilder::emit(std::string_view text, Last kind) {
    room(text.size() + 1);
    char* out = out_.data() + size_;
    if (blank_between(last_, kind, text)) *out++ = ' ';
    note_in_group(kind);
    for (const char c : text) *out++ = c;
    size_ = static_cast<std::size_t>(out - out_.data());
    last_ = kind;
}

// Writes a word in lower case: a short one from its folded form, all 16
// bytes at once.
[[gnu::always_inline]] inline void DigestBuilder::emit_word(std::string_view text, const FoldedWord& folded_word,
                                                            Last kind) {
    room(std::max(text.size(), FoldedWord::kLongest) + 1);
    char* out = out_.data() + size_;
    if (blank_between(last_, kind, text)) *out++ = ' ';
    note_in_group(kind);
    if (folded_word.empty()) {
        out = write_lower(out, text);
    } else {
        store(folded_word, out);
        out += folded_word.size;
    }
    size_ = static_cast<std::size_t>(out - out_.data());
    last_ = kind;
}

void DigestBuilder::emit_literal() { emit("?", Last::literal); }

void DigestBuilder::emit_open() {
    emit("(", Last::open);
    open_group(size_ - 1);
}

// A group of literals alone becomes "(?)", and a comma-separated run of
// such groups one "(?)".
void DigestBuilder::emit_close() {
    if (groups_.empty()) {
        emit(")", Last::close);
        return;
    }
    Group group;
    if (!close_group(group)) {
        emit(")", Last::close);
        return;
    }
    size_ = static_cast<std::size_t>(close_literals(group.open_at) - out_.data());
    note_in_group(Last::close);
    last_ = Last::close;
}

// Ends a group of literals alone: it becomes "(?)", and so does a comma-
// separated run of such groups.  Returns the new end of the text.
char* DigestBuilder::close_literals(std::size_t open_at) {
    char* const open = out_.data() + open_at;
    char* end = open;
    constexpr std::string_view kAfterGroup = ", ";
    if (run_end_ != std::string::npos && run_end_ + kAfterGroup.size() == open_at &&
        std::string_view(out_.data() + run_end_, kAfterGroup.size()) == kAfterGroup) {
        end = out_.data() + run_end_;
    } else {
        // The group held at least "(?", so "(?)" fits where it was.
        std::memcpy(open, "(?)", 3);
        end = open + 3;
    }
    run_end_ = static_cast<std::size_t>(end - out_.data());
    return end;
}

}  // namespace spltwd::digest
