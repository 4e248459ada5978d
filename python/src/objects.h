// The objects the module gives back: words, digests and statements.
//
// They are types of the C API rather than pybind11 classes: a split gives
// a word object for every few bytes of its statement, and making those is
// most of the time a split takes from Python.  A split's words live in one
// block of memory with its word records (see objects.cpp); a digest and a
// statement carry their bytes inline, so that a statement kept does not
// keep its whole script.  Their texts become Python objects only when they
// are read.
#ifndef SPLTWD_PYTHON_OBJECTS_H
#define SPLTWD_PYTHON_OBJECTS_H

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace spltwd_python {

// Readies the types and adds Word, Digest and Statement to the module;
// false with a Python error set when that fails.
bool add_object_types(PyObject *module);

// A new list of the words of a word-record stream, whose first word starts
// at `offset`.  The list takes the stream, which must come from malloc(),
// and frees it when its last word goes (also when this fails).  Without
// ranges (the classic profile), the words' start and end are None.
// Returns null with a Python error set on failure.
PyObject *make_words(char *stream, std::uint32_t length, bool ranged, std::uint32_t offset = 0);

// The parts of a digest, as spltwd_digest.h gives them.
struct DigestParts {
    std::uint64_t fingerprint = 0;
    std::string_view kind;
    std::string_view normalized;
    std::string_view tables;  // table_count records: uint32 length | bytes
    std::uint32_t table_count = 0;
};
PyObject *make_digest(const DigestParts &parts);

// make_digest in two steps, for digests made on threads that do not hold
// the interpreter lock: prepare_digest fills in a digest's memory and
// touches no Python object (it returns null when memory ran out);
// finish_digest, with the lock, makes it a Python object, and
// discard_digest frees one that is not to become one.
void *prepare_digest(const DigestParts &parts) noexcept;
PyObject *finish_digest(void *prepared) noexcept;
void discard_digest(void *prepared) noexcept;

// A statement of `length` bytes at byte `start` of its input.
PyObject *make_statement(const char *text, std::size_t length, std::uint64_t start);

// Objects that pickle gives back: the module's _word, _digest and
// _statement call these with what __reduce__ gave.
PyObject *word_from_parts(PyObject *arguments);
PyObject *digest_from_parts(PyObject *arguments);
PyObject *statement_from_parts(PyObject *arguments);

} // namespace spltwd_python

#endif
