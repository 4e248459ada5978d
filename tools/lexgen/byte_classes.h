// Byte equivalence classes: two bytes share a class when every byte set of
// the automaton holds both or neither.
#ifndef LEXGEN_BYTE_CLASSES_H
#define LEXGEN_BYTE_CLASSES_H

#include <array>
#include <cstdint>
#include <vector>

#include "pattern.h"

namespace lexgen {

struct ByteClasses {
    std::array<std::uint8_t, 256> class_of{};  // numbered in order of their lowest byte
    std::uint16_t count = 1;
    std::vector<std::vector<std::uint16_t>> classes_in_set;  // per byte set, ascending
};

ByteClasses compute_byte_classes(const std::vector<ByteSet>& sets);

}  // namespace lexgen

#endif  // LEXGEN_BYTE_CLASSES_H
