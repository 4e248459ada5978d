// How fuzz_split reads its dialect from the first two bytes of an input.
//
// A raw 16-bit code would hit one of the six dialects in a handful of
// values out of 65536, so nearly all the fuzzing time would go to the
// generic mode.  Instead the two bytes form a little-endian value v: below
// 0xF000 (15 inputs in 16) v % 8 picks one of eight codes, the six dialects
// and two generic ones (0 and 3); from 0xF000 up v is taken as the code
// itself.  Those raw codes are all generic but carry the bits of the
// dialect codes (0xF020 holds 32, 0xF440 holds 1024 and 64), which catches a
// dialect lookup that tests bits instead of whole codes.
#ifndef SPLTWD_DIALECT_PREFIX_H
#define SPLTWD_DIALECT_PREFIX_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "mirx_sql_splt_wd.h"

namespace dialect_prefix {

inline constexpr std::size_t kSize = 2;
inline constexpr std::uint16_t kFirstRawCode = 0xF000;
inline constexpr std::array<std::uint16_t, 8> kPicked = {
    0, SPLT_WD_DIALECT_ORACLE, SPLT_WD_DIALECT_SQLSERVER, SPLT_WD_DIALECT_DB2,
    SPLT_WD_DIALECT_MYSQL, SPLT_WD_DIALECT_POSTGRESQL, SPLT_WD_DIALECT_INFORMIX, 3};

inline std::uint16_t Decode(const std::uint8_t* prefix) {
    const auto value = static_cast<std::uint16_t>(prefix[0] | prefix[1] << 8);
    return value < kFirstRawCode ? kPicked[value % kPicked.size()] : value;
}

// The prefix that decodes to `dialect`, when one of the picked codes is it.
inline std::optional<std::array<std::uint8_t, kSize>> Encode(std::uint16_t dialect) {
    for (std::size_t index = 0; index < kPicked.size(); ++index)
        if (kPicked[index] == dialect) return std::array<std::uint8_t, kSize>{static_cast<std::uint8_t>(index), 0};
    return std::nullopt;
}

}  // namespace dialect_prefix

#endif  // SPLTWD_DIALECT_PREFIX_H
