// The one kind of failure lexgen reports: a message that already carries its
// place in the rule file (or names the output that could not be written).
#ifndef LEXGEN_ERROR_H
#define LEXGEN_ERROR_H

#include <stdexcept>
#include <string>

namespace lexgen {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace lexgen

#endif  // LEXGEN_ERROR_H
