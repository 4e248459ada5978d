#include "arguments.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "mirx_sql_splt_wd.h"

namespace spltwd_python {

bool is_ascii(PyObject *text)
{
#if PY_VERSION_HEX < 0x030C0000
    // Strings of the old, deprecated kind are readied first.
    if (PyUnicode_READY(text) != 0) throw py::error_already_set();
#endif
    return PyUnicode_IS_ASCII(text);
}

SqlBytes::SqlBytes(py::handle sql)
{
    PyObject *object = sql.ptr();
    if (PyBytes_Check(object)) {
        owner_ = py::reinterpret_borrow<py::object>(sql);
        data_ = PyBytes_AS_STRING(object);
        size_ = static_cast<std::size_t>(PyBytes_GET_SIZE(object));
        return;
    }
    if (PyUnicode_Check(object)) {
        owner_ = py::reinterpret_borrow<py::object>(sql);
        if (is_ascii(object)) {
            // Its characters are its UTF-8 bytes: no copy.
            data_ = static_cast<const char *>(PyUnicode_DATA(object));
            size_ = static_cast<std::size_t>(PyUnicode_GET_LENGTH(object));
            return;
        }
        // A copy that lives as long as this object, rather than the UTF-8
        // that PyUnicode_AsUTF8 would keep inside the caller's string.
        PyObject *encoded = PyUnicode_AsEncodedString(object, "utf-8", "surrogateescape");
        if (encoded == nullptr) throw py::error_already_set();
        owner_ = py::reinterpret_steal<py::object>(encoded);
        data_ = PyBytes_AS_STRING(encoded);
        size_ = static_cast<std::size_t>(PyBytes_GET_SIZE(encoded));
        return;
    }
    if (PyObject_CheckBuffer(object)) {
        // A bytearray or a memoryview may change under a split that runs
        // without the interpreter lock: take a copy.
        PyObject *copy = PyBytes_FromObject(object);
        if (copy == nullptr) throw py::error_already_set();
        owner_ = py::reinterpret_steal<py::object>(copy);
        data_ = PyBytes_AS_STRING(copy);
        size_ = static_cast<std::size_t>(PyBytes_GET_SIZE(copy));
        return;
    }
    throw py::type_error(std::string("SQL text must be str or bytes, not ") + Py_TYPE(object)->tp_name);
}

void check_statement_length(std::size_t size)
{
    if (size > kLongestStatement) {
        throw py::value_error("a statement of " + std::to_string(size) + " bytes is too long: at most " +
                              std::to_string(kLongestStatement) + " bytes are split at once");
    }
}

namespace {

[[noreturn]] void unknown_dialect(py::handle dialect)
{
    std::string names;
    for (const DialectName &known : kDialects) names += std::string(known.name) + ", ";
    names.resize(names.size() - 2);
    throw py::value_error("unknown dialect " + py::repr(dialect).cast<std::string>() + ": use " + names +
                          " or a code 0-65535");
}

// The ASCII text of a str, without a copy; none for other strings.
std::string_view ascii_of(PyObject *text)
{
    if (!is_ascii(text)) return {};
    return {static_cast<const char *>(PyUnicode_DATA(text)), static_cast<std::size_t>(PyUnicode_GET_LENGTH(text))};
}

bool same_name(std::string_view given, std::string_view name)
{
    return given.size() == name.size() &&
           std::equal(given.begin(), given.end(), name.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

} // namespace

std::uint16_t dialect_code(py::handle dialect)
{
    PyObject *object = dialect.ptr();
    if (PyUnicode_Check(object)) {
        const std::string_view name = ascii_of(object);
        for (const DialectName &known : kDialects) {
            if (same_name(name, known.name)) return known.code;
        }
        if (same_name(name, "postgres")) return SPLT_WD_DIALECT_POSTGRESQL;
        unknown_dialect(dialect);
    }
    if (PyLong_Check(object) && !PyBool_Check(object)) {
        int overflow = 0;
        const long long code = PyLong_AsLongLongAndOverflow(object, &overflow);
        if (overflow == 0 && code >= 0 && code <= 0xFFFF) return static_cast<std::uint16_t>(code);
        unknown_dialect(dialect);
    }
    throw py::type_error(std::string("a dialect is a name or a code, not ") + Py_TYPE(object)->tp_name);
}

std::int32_t profile_code(py::handle profile)
{
    PyObject *object = profile.ptr();
    if (PyUnicode_Check(object)) {
        const std::string_view name = ascii_of(object);
        if (same_name(name, "accurate")) return SPLTWD_PROFILE_ACCURATE;
        if (same_name(name, "classic")) return SPLTWD_PROFILE_CLASSIC;
    } else if (PyLong_Check(object) && !PyBool_Check(object)) {
        int overflow = 0;
        const long long code = PyLong_AsLongLongAndOverflow(object, &overflow);
        if (code == SPLTWD_PROFILE_ACCURATE || code == SPLTWD_PROFILE_CLASSIC) return static_cast<std::int32_t>(code);
    } else {
        throw py::type_error(std::string("a profile is a name or a code, not ") + Py_TYPE(object)->tp_name);
    }
    throw py::value_error("unknown profile " + py::repr(profile).cast<std::string>() +
                          ": use accurate (1) or classic (0)");
}

} // namespace spltwd_python
