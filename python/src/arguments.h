// What the module's functions take: statements as str or bytes, dialects
// and profiles by name or code.
#ifndef SPLTWD_PYTHON_ARGUMENTS_H
#define SPLTWD_PYTHON_ARGUMENTS_H

#include <pybind11/pybind11.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace spltwd_python {

namespace py = pybind11;

// The longest text one split or digest takes.
inline constexpr std::size_t kLongestStatement = 0x7FFFFFFF;

// The bytes of a statement argument: a str as UTF-8 (its lone surrogates
// U+DC80..U+DCFF, which decoding with "surrogateescape" gives for bytes
// that are not UTF-8, back as those bytes), bytes as they are, any other
// bytes-like object copied.  The bytes stay valid and unchanged while the
// object lives, with or without the interpreter lock.
class SqlBytes {
public:
    // Raises TypeError for other objects, UnicodeEncodeError for a str
    // that holds other lone surrogates.
    explicit SqlBytes(py::handle sql);

    std::string_view view() const { return {data_, size_}; }
    const char *data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    py::object owner_;
    const char *data_ = "";
    std::size_t size_ = 0;
};

// Whether a str holds ASCII alone.
bool is_ascii(PyObject *text);

// Raises ValueError when a statement is too long for one split or digest.
void check_statement_length(std::size_t size);

// A dialect by name (any case, "postgres" too) or by code 0-65535; raises
// ValueError naming the valid ones, TypeError for other objects.
std::uint16_t dialect_code(py::handle dialect);

// "accurate" or "classic", or their codes 1 and 0.
std::int32_t profile_code(py::handle profile);

// The dialects by name, the generic one first.
struct DialectName {
    const char *name;
    std::uint16_t code;
};
inline constexpr DialectName kDialects[] = {
    {"generic", 0},   {"oracle", 1},       {"sqlserver", 2}, {"db2", 8},
    {"mysql", 32},    {"postgresql", 64},  {"informix", 1024},
};

} // namespace spltwd_python

#endif
