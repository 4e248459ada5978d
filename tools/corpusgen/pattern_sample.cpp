#include "pattern_sample.h"

#include <cstddef>
#include <vector>

namespace corpusgen {
namespace {

constexpr std::size_t kMostRepeats = 3;

// Printable bytes most of the time: a class such as [^'\\] holds far more
// high and control bytes than real statements do.
char sample_byte(const lexgen::ByteSet& bytes, Random& random) {
    std::vector<unsigned char> printable, other;
    for (unsigned byte = 0; byte < 256; ++byte) {
        if (!bytes.test(byte) || byte == ';') continue;
        (byte >= 0x20 && byte < 0x7f ? printable : other).push_back(static_cast<unsigned char>(byte));
    }
    if (printable.empty() && other.empty()) return ';';
    const bool take_printable = !printable.empty() && (other.empty() || !random.one_in(8));
    return static_cast<char>(random.pick(take_printable ? printable : other));
}

void append_sample(const lexgen::Pattern& pattern, Random& random, std::string& out) {
    using Kind = lexgen::Pattern::Kind;
    switch (pattern.kind) {
        case Kind::Empty:
            return;
        case Kind::Bytes:
            out += sample_byte(pattern.bytes, random);
            return;
        case Kind::Sequence:
            for (const lexgen::Pattern& child : pattern.children) append_sample(child, random, out);
            return;
        case Kind::Alternation:
            append_sample(random.pick(pattern.children), random, out);
            return;
        case Kind::Star:
        case Kind::Plus:
        case Kind::Optional: {
            const std::size_t least = pattern.kind == Kind::Plus ? 1 : 0;
            const std::size_t most = pattern.kind == Kind::Optional ? 1 : kMostRepeats;
            const std::size_t times = least + random.below(most - least + 1);
            for (std::size_t i = 0; i < times; ++i) append_sample(pattern.children.front(), random, out);
            return;
        }
    }
}

}  // namespace

std::string sample(const lexgen::Pattern& pattern, Random& random) {
    std::string out;
    append_sample(pattern, random, out);
    return out;
}

}  // namespace corpusgen
