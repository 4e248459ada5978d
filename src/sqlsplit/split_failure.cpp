#include "split_failure.h"

namespace sqlsplit {

std::string_view describe_split_failure(std::int32_t result)
{
    switch (result) {
        case -1: return "out of memory";
        case -2: return "the request was refused";
        case -3: return "a working buffer could not be set up";
        case -4: return "the scanner stopped for an unknown reason";
        case -5: return "a dollar-quoted string closed with a different tag";
        case -6: return "the statement separator was met";
        default: return "an unknown failure";
    }
}

} // namespace sqlsplit
