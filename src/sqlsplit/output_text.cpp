#include "output_text.h"

namespace sqlsplit {

namespace {

// A multiple of three, so that base64 pieces join without padding.
constexpr std::size_t kPiece = std::size_t{48} << 10;

bool is_continuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

} // namespace

void OutputText::append_in_pieces(std::string_view text, Append append, Cut cut)
{
    while (text.size() > kPiece) {
        std::size_t end = kPiece;
        // A UTF-8 character has at most three continuation bytes: past
        // them, a piece ends before the character's lead byte.  Further
        // continuation bytes belong to no character and may be cut anywhere.
        while (cut == Cut::between_characters && end > kPiece - 3 && is_continuation(text[end])) {
            --end;
        }
        append(buffer_, text.substr(0, end));
        text.remove_prefix(end);
        write_if_full();
    }
    append(buffer_, text);
    write_if_full();
}

bool OutputText::write()
{
    if (stream_ == nullptr) {
        return true; // kept until it is taken
    }
    if (error_ == 0) {
        error_ = stream_->write(buffer_);
    }
    buffer_.clear();
    return error_ == 0;
}

bool OutputText::write(std::string &more)
{
    if (stream_ == nullptr) {
        buffer_ += more;
    } else if (write()) {
        error_ = stream_->write(more);
    }
    more.clear();
    return error_ == 0;
}

} // namespace sqlsplit
