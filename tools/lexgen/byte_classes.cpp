#include "byte_classes.h"

namespace lexgen {
namespace {

// Renumbers classes in order of their lowest byte; returns the count.
std::uint16_t renumber(std::array<std::uint16_t, 256>& ids) {
    std::array<int, 512> fresh;
    fresh.fill(-1);
    std::uint16_t count = 0;
    for (std::uint16_t& id : ids) {
        if (fresh[id] < 0) fresh[id] = count++;
        id = static_cast<std::uint16_t>(fresh[id]);
    }
    return count;
}

}  // namespace

ByteClasses compute_byte_classes(const std::vector<ByteSet>& sets) {
    std::array<std::uint16_t, 256> ids{};
    // Each set splits every class into its members and the rest.
    for (const ByteSet& set : sets) {
        for (unsigned b = 0; b < 256; ++b) ids[b] = static_cast<std::uint16_t>(ids[b] * 2 + (set[b] ? 1 : 0));
        renumber(ids);
    }
    ByteClasses result;
    result.count = renumber(ids);
    for (unsigned b = 0; b < 256; ++b) result.class_of[b] = static_cast<std::uint8_t>(ids[b]);
    for (const ByteSet& set : sets) {
        std::vector<bool> member(result.count);
        for (unsigned b = 0; b < 256; ++b) {
            if (set[b]) member[ids[b]] = true;
        }
        std::vector<std::uint16_t> members;
        for (std::uint16_t c = 0; c < result.count; ++c) {
            if (member[c]) members.push_back(c);
        }
        result.classes_in_set.push_back(std::move(members));
    }
    return result;
}

}  // namespace lexgen
