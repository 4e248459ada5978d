// What a negative split result means, in words for people.
#ifndef SQLSPLIT_SPLIT_FAILURE_H
#define SQLSPLIT_SPLIT_FAILURE_H

#include <cstdint>
#include <string_view>

namespace sqlsplit {

std::string_view describe_split_failure(std::int32_t result);

} // namespace sqlsplit

#endif // SQLSPLIT_SPLIT_FAILURE_H
