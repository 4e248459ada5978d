#include "script_cursor.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace script_layer {

namespace {

// The blanks that a statement's range leaves out before it, as sqlsplit
// has always dropped them.
bool is_leading_blank(char byte)
{
    return byte == ' ' || byte == '\t' || byte == '\r' || byte == '\n';
}

// The accurate profile fails only for want of memory; a dollar tag that
// differs still gives a cut.
bool split_failed(std::int32_t result)
{
    return result < 0 && result != -5;
}

std::uint64_t next_window(std::uint64_t taken, std::uint64_t first)
{
    return std::clamp<std::uint64_t>(2 * taken, first, Cursor::kLongestText);
}

} // namespace

Cursor::Cursor(std::uint16_t dialect, Client client) : dialect_(dialect), rules_(client)
{
    context_ = spltwd_context_create();
    if (context_ != nullptr) {
        spltwd_context_set_profile(context_, SPLTWD_PROFILE_ACCURATE);
        spltwd_context_set_word_receiver(context_, receive_words, this);
    }
}

Cursor::~Cursor()
{
    spltwd_context_destroy(context_);
}

void Cursor::set_text(const char *data, std::size_t size, bool more)
{
    text_.data = data;
    text_.base = position_;
    text_.size = size;
    text_.more = more;
    text_.line_blank_at_base = line_blank_at_position_;
    text_.line_origin = line_origin_;
}

std::int32_t Cursor::next(spltwd_piece &piece)
{
    while (piece_count_ == 0) {
        if (given_up_) {
            return 0;
        }
        Outcome outcome = Outcome::pieces;
        if (position_ == 0 && rules_.client() == Client::sqlcmd && text_.size < 3 && text_.more) {
            return 0; // whether the script starts with a byte-order mark
        }
        if (position_ == 0 && rules_.client() == Client::sqlcmd && text_.view(0, std::min<std::uint64_t>(3, text_.size)) == "\xEF\xBB\xBF") {
            // sqlcmd reads a script's byte-order mark as its encoding, not as SQL.
            position_ = 3;
            text_.line_origin = line_origin_ = 3;
        }
        if (in_data_) {
            outcome = data();
        } else {
            while (position_ < text_.end() && is_leading_blank(text_.at(position_))) {
                ++position_;
            }
            outcome = position_ == text_.end() ? Outcome::need_more : statement(position_);
        }
        switch (outcome) {
            case Outcome::pieces: break;
            case Outcome::need_more:
                // The next text starts here, and the bytes before are gone.
                line_blank_at_position_ = text_.line_blank_before(position_);
                return 0;
            case Outcome::out_of_memory: return -1;
            case Outcome::too_long:
                given_up_ = true;
                piece_count_ = 0;
                return -3;
        }
    }
    const Piece &next = pieces_[first_piece_];
    piece.kind = next.kind;
    piece.start = next.start;
    piece.end = next.end;
    piece.text = next.start >= text_.base ? text_.data + (next.start - text_.base) : nullptr;
    first_piece_ = (first_piece_ + 1) % pieces_.size();
    --piece_count_;
    return 1;
}

Cursor::Outcome Cursor::statement(std::uint64_t start)
{
    rules_.begin(false);
    return rules_.reads_whole() ? read_whole(start, false) : cut(start);
}

// A statement that has reached the end of the text so far: more text may
// go on with it, else it ends there.
Cursor::Outcome Cursor::at_text_end(std::uint64_t start, std::uint64_t segment)
{
    if (text_.more) {
        return Outcome::need_more;
    }
    finish_statement(start, segment, segment);
    return Outcome::pieces;
}

// The statement ends at the first separator that spltwd_split_first finds
// (the client may read on past it), unless the client's rules stop it
// before.  Each separator is looked for in a window that starts small and
// doubles until it holds it, as sqlsplit has always cut.
Cursor::Outcome Cursor::cut(std::uint64_t start)
{
    rules_.begin(false);
    std::uint64_t segment = start;
    for (;;) {
        if (segment == text_.end()) {
            // "\;" at the very end
            return at_text_end(start, segment);
        }
        const std::uint64_t rest = text_.end() - segment;
        std::uint64_t window = std::min({rest, window_, kLongestText});
        const Rules::State saved = rules_.state();
        for (;;) {
            std::uint32_t consumed = 0;
            if (split_failed(split(segment, window, &consumed))) {
                return Outcome::out_of_memory;
            }
            const Stop &stop = rules_.stop();
            if (stop.kind == Stop::Kind::need_more) {
                return Outcome::need_more;
            }
            const bool whole = window == rest;
            const bool separator = consumed < window;
            if (stop.kind != Stop::Kind::none &&
                (separator || stop.decided < segment + window || (whole && !text_.more))) {
                if (stop.kind == Stop::Kind::reread) {
                    segment = stop.resume;
                    rules_.clear_stop();
                    break;
                }
                if (stop.kind != Stop::Kind::block) {
                    window_ = next_window(stop.resume - start, kFirstWindow);
                }
                return finish_stop(start);
            }
            if (separator) {
                const std::uint64_t at = segment + consumed - 1;
                if (rules_.goes_on_past(at, text_)) {
                    segment = at + 1;
                    break;
                }
                window_ = next_window(at + 1 - start, kFirstWindow);
                finish_statement(start, at, at + 1);
                return Outcome::pieces;
            }
            // All of the window was taken: its last byte may be a
            // separator, or the statement may go on behind it.
            if (!whole) {
                if (window >= kLongestText) {
                    return Outcome::too_long;
                }
                window = std::min({2 * window, rest, kLongestText});
                rules_.restore(saved);
                continue;
            }
            if (text_.more) {
                return Outcome::need_more;
            }
            window_ = next_window(text_.end() - start, kFirstWindow);
            Outcome failure = Outcome::pieces;
            if (text_.at(text_.end() - 1) == ';' && separator_ends_text(segment, failure)) {
                const std::uint64_t at = text_.end() - 1;
                finish_statement(start, rules_.goes_on_past(at, text_) ? text_.end() : at, text_.end());
                return Outcome::pieces;
            }
            if (failure != Outcome::pieces) {
                return failure;
            }
            finish_statement(start, text_.end(), text_.end());
            return Outcome::pieces;
        }
    }
}

// Whether the ";" that ends the text is a separator or belongs to the
// statement (an unclosed string or comment): with a byte behind it, a
// separator leaves that byte unconsumed.
bool Cursor::separator_ends_text(std::uint64_t segment, Outcome &failure)
{
    const std::uint64_t length = text_.end() - segment;
    if (length >= kLongestText) {
        failure = Outcome::too_long;
        return false;
    }
    std::string probe(text_.view(segment, text_.end()));
    probe.push_back(' ');
    SQL_SPLT_WD request{};
    request.dialect = dialect_;
    request.sql_len = static_cast<std::uint32_t>(probe.size());
    request.sql_text = probe.data();
    std::uint32_t consumed = 0;
    feeding_ = false;
    word_offset_ = 0;
    const std::int32_t result = spltwd_split_first(context_, &request, &consumed);
    if (split_failed(result)) {
        failure = Outcome::out_of_memory;
        return false;
    }
    return consumed == length;
}

// The statement is read to the end of each window, and ends where the
// client's rules stop it: mysql's own delimiter, the "/" line after a
// PL/SQL block.
Cursor::Outcome Cursor::read_whole(std::uint64_t start, bool block)
{
    rules_.begin(block);
    std::uint64_t segment = start;
    for (;;) {
        if (segment == text_.end()) {
            // read again from the very end
            return at_text_end(start, segment);
        }
        const std::uint64_t rest = text_.end() - segment;
        std::uint64_t window = std::min({rest, whole_window_, kLongestText});
        const Rules::State saved = rules_.state();
        for (;;) {
            if (split_failed(split(segment, window, nullptr))) {
                return Outcome::out_of_memory;
            }
            const Stop &stop = rules_.stop();
            if (stop.kind == Stop::Kind::need_more) {
                return Outcome::need_more;
            }
            const bool whole = window == rest;
            if (stop.kind != Stop::Kind::none && (stop.decided < segment + window || (whole && !text_.more))) {
                if (stop.kind == Stop::Kind::reread) {
                    segment = stop.resume;
                    rules_.clear_stop();
                    break;
                }
                whole_window_ = next_window(stop.resume - start, kFirstWholeWindow);
                return finish_stop(start);
            }
            if (!whole) {
                if (window >= kLongestText) {
                    return Outcome::too_long;
                }
                window = std::min({2 * window, rest, kLongestText});
                rules_.restore(saved);
                continue;
            }
            if (text_.more) {
                return Outcome::need_more;
            }
            finish_statement(start, text_.end(), text_.end());
            return Outcome::pieces;
        }
    }
}

Cursor::Outcome Cursor::finish_stop(std::uint64_t start)
{
    const Stop stop = rules_.stop();
    switch (stop.kind) {
        case Stop::Kind::block: return read_whole(start, true);
        case Stop::Kind::delimiter:
            if (sent_end(start, stop.at) > start) {
                push(stop.sql_before ? SPLTWD_PIECE_STATEMENT : SPLTWD_PIECE_COMMENT, start, sent_end(start, stop.at));
            }
            position_ = stop.resume;
            return Outcome::pieces;
        case Stop::Kind::command: {
            std::uint64_t end = stop.at;
            while (end > start && is_blank(text_.at(end - 1))) {
                --end;
            }
            end = sent_end(start, end);
            if (stop.clears) {
                // The client drops the statement: nothing of it is sent.
                push(SPLTWD_PIECE_COMMAND, start, stop.to);
            } else {
                if (end > start) {
                    push(stop.sql_before ? SPLTWD_PIECE_STATEMENT : SPLTWD_PIECE_COMMENT, start, end);
                }
                push(SPLTWD_PIECE_COMMAND, stop.at, stop.to);
            }
            position_ = stop.resume;
            if (rules_.run_command(text_.view(stop.at, stop.to))) {
                in_data_ = true;
                data_line_pending_ = true;
            }
            return Outcome::pieces;
        }
        case Stop::Kind::none:
        case Stop::Kind::reread: // cut() reads on
        case Stop::Kind::need_more: break;
    }
    return Outcome::need_more;
}

// The mysql client sends a statement without the ";" (and the blanks
// among them) that end it: under a delimiter of the script's own, the
// statement ends before them, and they are delimiters.  (Under ";" only a
// comment can end in one, whose text the statement keeps.)
std::uint64_t Cursor::sent_end(std::uint64_t start, std::uint64_t end) const
{
    if (!rules_.own_delimiter()) {
        return end;
    }
    std::uint64_t sent = end;
    for (std::uint64_t at = end; at > start && (text_.at(at - 1) == ';' || is_blank(text_.at(at - 1))); --at) {
        if (text_.at(at - 1) == ';') {
            sent = at - 1;
        }
    }
    return sent;
}

void Cursor::finish_statement(std::uint64_t start, std::uint64_t end, std::uint64_t resume)
{
    end = sent_end(start, end);
    if (end > start) {
        push(rules_.has_sql() ? SPLTWD_PIECE_STATEMENT : SPLTWD_PIECE_COMMENT, start, end);
    }
    position_ = resume;
    if (rules_.copy_in()) {
        in_data_ = true;
        data_line_pending_ = true;
    }
}

// psql's data: the lines after the command's, up to a line "\.".
Cursor::Outcome Cursor::data()
{
    if (data_line_pending_) {
        const std::uint64_t line_end = text_.line_end(position_);
        if (line_end == text_.end() && text_.more) {
            return Outcome::need_more;
        }
        const std::string_view rest = text_.view(position_, line_end);
        if (std::all_of(rest.begin(), rest.end(), is_blank)) {
            position_ = std::min(line_end + 1, text_.end());
        }
        data_line_pending_ = false;
        data_start_ = position_;
    }
    for (;;) {
        if (position_ == text_.end()) {
            if (text_.more) {
                return Outcome::need_more;
            }
            in_data_ = false;
            if (position_ > data_start_) {
                push(SPLTWD_PIECE_DATA, data_start_, position_);
            }
            return Outcome::pieces;
        }
        const std::uint64_t line_end = text_.line_end(position_);
        if (line_end == text_.end() && text_.more) {
            return Outcome::need_more;
        }
        std::string_view line = text_.view(position_, line_end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line == "\\.") {
            push(SPLTWD_PIECE_DATA, data_start_, position_ + 2);
            position_ += 2;
            in_data_ = false;
            return Outcome::pieces;
        }
        position_ = line_end < text_.end() ? line_end + 1 : line_end;
    }
}

std::int32_t Cursor::split(std::uint64_t from, std::uint64_t length, std::uint32_t *consumed)
{
    SQL_SPLT_WD request{};
    request.dialect = dialect_;
    request.sql_len = static_cast<std::uint32_t>(length);
    // The library only reads the text.
    request.sql_text = const_cast<char *>(text_.data + (from - text_.base));
    word_offset_ = from;
    feeding_ = true;
    const std::int32_t result =
        consumed != nullptr ? spltwd_split_first(context_, &request, consumed) : spltwd_split(context_, &request);
    feeding_ = false;
    return result;
}

void Cursor::push(std::int32_t kind, std::uint64_t start, std::uint64_t end)
{
    if (kind == SPLTWD_PIECE_STATEMENT) {
        rules_.statement_done(end, text_);
    }
    pieces_[(first_piece_ + piece_count_) % pieces_.size()] = {kind, start, end};
    ++piece_count_;
}

void Cursor::receive_words(void *cursor, const char *records, std::uint32_t length)
{
    Cursor &self = *static_cast<Cursor *>(cursor);
    if (!self.feeding_) {
        return;
    }
    for (std::uint32_t at = 0; length - at >= 8;) {
        // The record's fields are unaligned: copy them out.
        std::uint32_t word_length = 0;
        std::memcpy(&word_length, records + at, sizeof word_length);
        if (word_length > length - at - 8) {
            return;
        }
        Word word;
        word.text = std::string_view(records + at + 4, word_length);
        std::memcpy(&word.type, records + at + 4 + word_length, sizeof word.type);
        word.start = self.word_offset_;
        self.word_offset_ += word_length;
        word.end = self.word_offset_;
        if (self.rules_.feed(word, self.text_)) {
            // The stop is found: the rest of the words change nothing.
            self.feeding_ = false;
            return;
        }
        at += 8 + word_length;
    }
}

} // namespace script_layer
