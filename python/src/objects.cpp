#include "objects.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mirx_sql_splt_wd.h"
#include "spltwd.hpp"

namespace spltwd_python {

namespace {

PyTypeObject word_type;
PyTypeObject word_block_type;
PyTypeObject digest_type;
PyTypeObject statement_type;

// The type names, made once: every word of a kind shares its name.
PyObject *type_names[256];
PyObject *unknown_type_name;

// Texts hold any bytes: those that are not UTF-8 come back through
// "surrogateescape" and encode to the same bytes again.
PyObject *text_of(const char *bytes, std::size_t length)
{
    return PyUnicode_DecodeUTF8(bytes, static_cast<Py_ssize_t>(length), "surrogateescape");
}

PyObject *not_implemented()
{
    Py_RETURN_NOTIMPLEMENTED;
}

PyObject *compare_result(bool equal, int op)
{
    if (op != Py_EQ && op != Py_NE) return not_implemented();
    return PyBool_FromLong(equal == (op == Py_EQ));
}

// ---------------------------------------------------------------- words
//
// A split's words share one block: the block holds the word-record stream
// and the word objects themselves, side by side, and each word holds a
// reference to it.  Making a word is then filling in its fields, and the
// memory goes back in one piece when the last word goes.  A word kept
// keeps the whole block: some 60 bytes for each word of its statement.

struct WordBlock;

struct WordObject {
    PyObject_HEAD
    WordBlock *block;
    const char *text;       // the word's bytes, in the block's stream
    std::uint32_t length;
    std::uint32_t start;
    std::uint32_t end;
    std::uint16_t type;
    std::uint16_t mask;
    bool ranged;            // start and end are offsets in the statement
};

struct WordBlock {
    PyObject_HEAD
    char *stream;           // from malloc()
    Py_ssize_t count;

    WordObject *words() { return reinterpret_cast<WordObject *>(this + 1); }
};
static_assert(sizeof(WordBlock) % alignof(WordObject) == 0, "the words follow the block aligned");

// A word's header, as PyObject_Init writes it.  Its type is static and
// its memory is no allocation of its own, which tracemalloc could follow:
// a release build of Python needs no call for it.
inline void init_word(PyObject *word)
{
#if defined(Py_REF_DEBUG) || defined(Py_TRACE_REFS)
    PyObject_Init(word, &word_type);
#else
    Py_SET_TYPE(word, &word_type);
    Py_SET_REFCNT(word, 1);
#endif
}

void word_block_dealloc(PyObject *self)
{
    std::free(reinterpret_cast<WordBlock *>(self)->stream);
    PyObject_Free(self);
}

// Statements are one piece of memory each; so are digests, from malloc().
void free_object(PyObject *self)
{
    PyObject_Free(self);
}

void free_malloced_object(PyObject *self)
{
    std::free(self);
}

void word_dealloc(PyObject *self)
{
    // The word's memory is the block's: it goes with the block's last word.
    Py_DECREF(reinterpret_cast<WordObject *>(self)->block);
}

WordObject *as_word(PyObject *self)
{
    return reinterpret_cast<WordObject *>(self);
}

PyObject *word_text(PyObject *self, void *)
{
    return text_of(as_word(self)->text, as_word(self)->length);
}

PyObject *word_raw(PyObject *self, void *)
{
    return PyBytes_FromStringAndSize(as_word(self)->text, as_word(self)->length);
}

PyObject *word_type_code(PyObject *self, void *)
{
    return PyLong_FromLong(as_word(self)->type);
}

PyObject *word_type_name(PyObject *self, void *)
{
    const std::uint16_t type = as_word(self)->type;
    PyObject *name = type < 256 ? type_names[type] : unknown_type_name;
    Py_INCREF(name);
    return name;
}

PyObject *word_mask(PyObject *self, void *)
{
    return PyLong_FromLong(as_word(self)->mask);
}

PyObject *word_start(PyObject *self, void *)
{
    if (!as_word(self)->ranged) Py_RETURN_NONE;
    return PyLong_FromUnsignedLong(as_word(self)->start);
}

PyObject *word_end(PyObject *self, void *)
{
    if (!as_word(self)->ranged) Py_RETURN_NONE;
    return PyLong_FromUnsignedLong(as_word(self)->end);
}

PyObject *word_unterminated(PyObject *self, void *)
{
    return PyBool_FromLong((as_word(self)->mask & SPLT_WD_MASK_UNTERMINATED) != 0);
}

PyObject *word_repr(PyObject *self)
{
    const WordObject *word = as_word(self);
    PyObject *text = word_text(self, nullptr);
    if (text == nullptr) return nullptr;
    PyObject *name = word_type_name(self, nullptr);
    char mask[8];
    std::snprintf(mask, sizeof mask, "0x%04x", word->mask);
    PyObject *repr =
        word->ranged
            ? PyUnicode_FromFormat("Word(text=%R, type=%u, type_name='%U', mask=%s, start=%u, end=%u)", text,
                                   word->type, name, mask, word->start, word->end)
            : PyUnicode_FromFormat("Word(text=%R, type=%u, type_name='%U', mask=%s)", text, word->type, name, mask);
    Py_DECREF(name);
    Py_DECREF(text);
    return repr;
}

PyObject *word_richcompare(PyObject *self, PyObject *other, int op)
{
    if (Py_TYPE(other) != &word_type) return not_implemented();
    const WordObject *a = as_word(self);
    const WordObject *b = as_word(other);
    const bool equal = a->length == b->length && a->type == b->type && a->mask == b->mask &&
                       a->ranged == b->ranged && (!a->ranged || (a->start == b->start && a->end == b->end)) &&
                       std::memcmp(a->text, b->text, a->length) == 0;
    return compare_result(equal, op);
}

PyObject *word_maker;  // the module's _word

PyObject *word_reduce(PyObject *self, PyObject *)
{
    const WordObject *word = as_word(self);
    if (word->ranged) {
        return Py_BuildValue("O(y#IIII)", word_maker, word->text, static_cast<Py_ssize_t>(word->length),
                             static_cast<unsigned>(word->type), static_cast<unsigned>(word->mask), word->start,
                             word->end);
    }
    return Py_BuildValue("O(y#IIOO)", word_maker, word->text, static_cast<Py_ssize_t>(word->length),
                         static_cast<unsigned>(word->type), static_cast<unsigned>(word->mask), Py_None, Py_None);
}

PyGetSetDef word_fields[] = {
    {"text", word_text, nullptr, "The word's bytes as text: UTF-8, any other byte kept by 'surrogateescape'.", nullptr},
    {"raw", word_raw, nullptr, "The word's bytes.", nullptr},
    {"type", word_type_code, nullptr, "The word type code (SPLT_WD_TYPE_* of mirx_sql_splt_wd.h).", nullptr},
    {"type_name", word_type_name, nullptr, "The word type's name, such as 'select', 'name' or 'space'.", nullptr},
    {"mask", word_mask, nullptr, "The word mask; bit 0x1000 marks a string, name or comment left open.", nullptr},
    {"start", word_start, nullptr,
     "Offset of the word's first byte in the statement (bytes of its UTF-8); None under the classic profile, "
     "whose words are not ranges of the statement.",
     nullptr},
    {"end", word_end, nullptr, "Offset just past the word's last byte; None under the classic profile.", nullptr},
    {"unterminated", word_unterminated, nullptr,
     "True for a string, quoted name, comment or body that the statement ends before it is closed.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef word_methods[] = {
    {"__reduce__", word_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

// --------------------------------------------------------------- digests

// Its memory comes from malloc(), so that threads without the interpreter
// lock can prepare digests whole (prepare_digest).
struct DigestObject {
    PyObject_VAR_HEAD       // ob_size: the bytes of data
    std::uint64_t fingerprint;
    std::uint32_t normalized_length;
    std::uint32_t table_count;
    char kind[12];
    char data[1];           // the normalised text, then the tables' records
};

DigestObject *as_digest(PyObject *self)
{
    return reinterpret_cast<DigestObject *>(self);
}

PyObject *digest_fingerprint(PyObject *self, void *)
{
    return PyLong_FromUnsignedLongLong(as_digest(self)->fingerprint);
}

PyObject *digest_fingerprint_hex(PyObject *self, void *)
{
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(as_digest(self)->fingerprint));
    return PyUnicode_FromStringAndSize(hex, 16);
}

PyObject *digest_kind(PyObject *self, void *)
{
    return PyUnicode_FromString(as_digest(self)->kind);
}

PyObject *digest_normalized(PyObject *self, void *)
{
    return text_of(as_digest(self)->data, as_digest(self)->normalized_length);
}

// Calls each(bytes, length) for each table name; false when each failed.
template <typename Each>
bool each_table(const DigestObject *digest, Each each)
{
    const char *at = digest->data + digest->normalized_length;
    for (std::uint32_t i = 0; i < digest->table_count; ++i) {
        std::uint32_t length;
        std::memcpy(&length, at, sizeof length);
        if (!each(at + sizeof length, length)) return false;
        at += sizeof length + length;
    }
    return true;
}

PyObject *digest_tables(PyObject *self, void *)
{
    PyObject *tables = PyList_New(0);
    if (tables == nullptr) return nullptr;
    const bool made = each_table(as_digest(self), [tables](const char *name, std::uint32_t length) {
        PyObject *text = text_of(name, length);
        const bool added = text != nullptr && PyList_Append(tables, text) == 0;
        Py_XDECREF(text);
        return added;
    });
    if (!made) {
        Py_DECREF(tables);
        return nullptr;
    }
    return tables;
}

PyObject *digest_repr(PyObject *self)
{
    PyObject *hex = digest_fingerprint_hex(self, nullptr);
    PyObject *tables = digest_tables(self, nullptr);
    PyObject *normalized = digest_normalized(self, nullptr);
    PyObject *repr = nullptr;
    if (hex != nullptr && tables != nullptr && normalized != nullptr) {
        repr = PyUnicode_FromFormat("Digest(fingerprint_hex='%U', kind='%s', tables=%R, normalized=%R)", hex,
                                    as_digest(self)->kind, tables, normalized);
    }
    Py_XDECREF(hex);
    Py_XDECREF(tables);
    Py_XDECREF(normalized);
    return repr;
}

PyObject *digest_richcompare(PyObject *self, PyObject *other, int op)
{
    if (Py_TYPE(other) != &digest_type) return not_implemented();
    const DigestObject *a = as_digest(self);
    const DigestObject *b = as_digest(other);
    const bool equal = a->fingerprint == b->fingerprint && Py_SIZE(a) == Py_SIZE(b) &&
                       a->normalized_length == b->normalized_length && a->table_count == b->table_count &&
                       std::strcmp(a->kind, b->kind) == 0 &&
                       std::memcmp(a->data, b->data, static_cast<std::size_t>(Py_SIZE(a))) == 0;
    return compare_result(equal, op);
}

Py_hash_t digest_hash(PyObject *self)
{
    const auto hash = static_cast<Py_hash_t>(as_digest(self)->fingerprint);
    return hash == -1 ? -2 : hash;
}

PyObject *digest_maker;  // the module's _digest

PyObject *digest_reduce(PyObject *self, PyObject *)
{
    const DigestObject *digest = as_digest(self);
    PyObject *tables = PyList_New(0);
    if (tables == nullptr) return nullptr;
    const bool made = each_table(digest, [tables](const char *name, std::uint32_t length) {
        PyObject *bytes = PyBytes_FromStringAndSize(name, length);
        const bool added = bytes != nullptr && PyList_Append(tables, bytes) == 0;
        Py_XDECREF(bytes);
        return added;
    });
    PyObject *reduced = made ? Py_BuildValue("O(Ksy#O)", digest_maker, static_cast<unsigned long long>(digest->fingerprint),
                                             digest->kind, digest->data,
                                             static_cast<Py_ssize_t>(digest->normalized_length), tables)
                             : nullptr;
    Py_DECREF(tables);
    return reduced;
}

PyGetSetDef digest_fields[] = {
    {"fingerprint", digest_fingerprint, nullptr,
     "FNV-1a, 64 bits, of the normalised text's bytes: statements that differ only in literals, comments, case "
     "or blanks share it.",
     nullptr},
    {"fingerprint_hex", digest_fingerprint_hex, nullptr, "The fingerprint as 16 lowercase hexadecimal digits.",
     nullptr},
    {"kind", digest_kind, nullptr, "The statement's verb upper-cased, such as 'SELECT'; 'OTHER' when it has none.",
     nullptr},
    {"tables", digest_tables, nullptr,
     "The names after FROM, JOIN, INTO, UPDATE and TABLE, as written, each once, in order of first appearance.",
     nullptr},
    {"normalized", digest_normalized, nullptr,
     "The statement without comments, literals as '?', words lower-cased but quoted names, joined by one blank.",
     nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef digest_methods[] = {
    {"__reduce__", digest_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

// ------------------------------------------------------------ statements

struct StatementObject {
    PyObject_VAR_HEAD       // ob_size: the statement's length in bytes
    std::uint64_t start;
    char text[1];
};

StatementObject *as_statement(PyObject *self)
{
    return reinterpret_cast<StatementObject *>(self);
}

PyObject *statement_text(PyObject *self, void *)
{
    return text_of(as_statement(self)->text, static_cast<std::size_t>(Py_SIZE(self)));
}

PyObject *statement_raw(PyObject *self, void *)
{
    return PyBytes_FromStringAndSize(as_statement(self)->text, Py_SIZE(self));
}

PyObject *statement_start(PyObject *self, void *)
{
    return PyLong_FromUnsignedLongLong(as_statement(self)->start);
}

PyObject *statement_end(PyObject *self, void *)
{
    return PyLong_FromUnsignedLongLong(as_statement(self)->start + static_cast<std::uint64_t>(Py_SIZE(self)));
}

PyObject *statement_repr(PyObject *self)
{
    PyObject *text = statement_text(self, nullptr);
    if (text == nullptr) return nullptr;
    const auto start = static_cast<unsigned long long>(as_statement(self)->start);
    PyObject *repr = PyUnicode_FromFormat("Statement(start=%llu, end=%llu, text=%R)", start,
                                          start + static_cast<unsigned long long>(Py_SIZE(self)), text);
    Py_DECREF(text);
    return repr;
}

PyObject *statement_richcompare(PyObject *self, PyObject *other, int op)
{
    if (Py_TYPE(other) != &statement_type) return not_implemented();
    const bool equal = Py_SIZE(self) == Py_SIZE(other) && as_statement(self)->start == as_statement(other)->start &&
                       std::memcmp(as_statement(self)->text, as_statement(other)->text,
                                   static_cast<std::size_t>(Py_SIZE(self))) == 0;
    return compare_result(equal, op);
}

PyObject *statement_maker;  // the module's _statement

PyObject *statement_reduce(PyObject *self, PyObject *)
{
    return Py_BuildValue("O(y#K)", statement_maker, as_statement(self)->text, Py_SIZE(self),
                         static_cast<unsigned long long>(as_statement(self)->start));
}

PyGetSetDef statement_fields[] = {
    {"text", statement_text, nullptr,
     "The statement as text (UTF-8, any other byte kept by 'surrogateescape'), without the blanks before it and "
     "without its ';'.",
     nullptr},
    {"raw", statement_raw, nullptr, "The statement's bytes.", nullptr},
    {"start", statement_start, nullptr, "Offset of the statement's first byte in the script's bytes.", nullptr},
    {"end", statement_end, nullptr, "Offset just past the statement's last byte, before its ';'.", nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef statement_methods[] = {
    {"__reduce__", statement_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

// ------------------------------------------------------------ unpickling

PyObject *word_from_parts_call(PyObject *, PyObject *arguments)
{
    return word_from_parts(arguments);
}
PyObject *digest_from_parts_call(PyObject *, PyObject *arguments)
{
    return digest_from_parts(arguments);
}
PyObject *statement_from_parts_call(PyObject *, PyObject *arguments)
{
    return statement_from_parts(arguments);
}

PyMethodDef maker_methods[] = {
    {"_word", word_from_parts_call, METH_VARARGS, "Makes a Word again from what pickling it kept."},
    {"_digest", digest_from_parts_call, METH_VARARGS, "Makes a Digest again from what pickling it kept."},
    {"_statement", statement_from_parts_call, METH_VARARGS, "Makes a Statement again from what pickling it kept."},
    {nullptr, nullptr, 0, nullptr},
};

bool ready_type(PyTypeObject &type, const char *name, const char *doc, Py_ssize_t size, Py_ssize_t item_size)
{
    type.tp_name = name;
    type.tp_doc = doc;
    type.tp_basicsize = size;
    type.tp_itemsize = item_size;
    type.tp_flags = Py_TPFLAGS_DEFAULT;
    return PyType_Ready(&type) == 0;
}

} // namespace

PyObject *make_words(char *stream, std::uint32_t length, bool ranged, std::uint32_t offset)
{
    Py_ssize_t count = 0;
    for (std::uint32_t at = 0; length - at >= 8;) {
        std::uint32_t word_length;
        std::memcpy(&word_length, stream + at, sizeof word_length);
        if (word_length > length - at - 8) break;
        at += 8 + word_length;
        ++count;
    }
    const std::size_t bytes = sizeof(WordBlock) + static_cast<std::size_t>(count) * sizeof(WordObject);
    auto *block = static_cast<WordBlock *>(PyObject_Malloc(bytes));
    PyObject *list = block != nullptr ? PyList_New(count) : nullptr;
    if (list == nullptr) {
        PyObject_Free(block);
        std::free(stream);
        return PyErr_NoMemory();
    }
    PyObject_Init(reinterpret_cast<PyObject *>(block), &word_block_type);
    block->stream = stream;
    block->count = count;
    // The records as mirx_sql_splt_wd.h lays them out, read here rather
    // than through spltwd_next_word: a call per word, and reading back the
    // fields it wrote, took a third of the time of making the words.
    WordObject *word = block->words();
    std::uint32_t at = 0;
    for (Py_ssize_t i = 0; i < count; ++i, ++word) {
        std::uint32_t word_length;
        std::memcpy(&word_length, stream + at, sizeof word_length);
        init_word(reinterpret_cast<PyObject *>(word));
        word->block = block;
        word->text = stream + at + 4;
        word->length = word_length;
        word->start = offset;
        offset += word_length;
        word->end = offset;
        std::memcpy(&word->type, stream + at + 4 + word_length, sizeof word->type);
        std::memcpy(&word->mask, stream + at + 6 + word_length, sizeof word->mask);
        word->ranged = ranged;
        at += 8 + word_length;
        PyList_SET_ITEM(list, i, reinterpret_cast<PyObject *>(word));
    }
    // A reference for each word, and this function's, given back here.
    Py_SET_REFCNT(block, count + 1);
    Py_DECREF(block);
    return list;
}

void *prepare_digest(const DigestParts &parts) noexcept
{
    const std::size_t size = parts.normalized.size() + parts.tables.size();
    auto *digest = static_cast<DigestObject *>(std::malloc(offsetof(DigestObject, data) + size));
    if (digest == nullptr) return nullptr;
    // The header too, as PyObject_InitVar writes it in a release build of
    // Python: the type is static, and tracemalloc follows no memory from
    // malloc().  Making the objects after, with the lock, then touches
    // none of them: on several threads, that was a fifth of the time.
    Py_SET_SIZE(digest, static_cast<Py_ssize_t>(size));
#if !defined(Py_REF_DEBUG) && !defined(Py_TRACE_REFS)
    Py_SET_TYPE(digest, &digest_type);
    Py_SET_REFCNT(digest, 1);
#endif
    digest->fingerprint = parts.fingerprint;
    digest->normalized_length = static_cast<std::uint32_t>(parts.normalized.size());
    digest->table_count = parts.table_count;
    const std::size_t kind_length = std::min(parts.kind.size(), sizeof digest->kind - 1);
    std::memcpy(digest->kind, parts.kind.data(), kind_length);
    digest->kind[kind_length] = '\0';
    std::memcpy(digest->data, parts.normalized.data(), parts.normalized.size());
    std::memcpy(digest->data + parts.normalized.size(), parts.tables.data(), parts.tables.size());
    return digest;
}

PyObject *finish_digest(void *prepared) noexcept
{
#if defined(Py_REF_DEBUG) || defined(Py_TRACE_REFS)
    // Such builds count and list their objects, which needs the lock.
    auto *digest = static_cast<PyVarObject *>(prepared);
    return reinterpret_cast<PyObject *>(PyObject_InitVar(digest, &digest_type, Py_SIZE(digest)));
#else
    return static_cast<PyObject *>(prepared);
#endif
}

void discard_digest(void *prepared) noexcept
{
    std::free(prepared);
}

PyObject *make_digest(const DigestParts &parts)
{
    void *prepared = prepare_digest(parts);
    if (prepared == nullptr) return PyErr_NoMemory();
    return finish_digest(prepared);
}

PyObject *make_statement(const char *text, std::size_t length, std::uint64_t start)
{
    auto *statement = PyObject_NewVar(StatementObject, &statement_type, static_cast<Py_ssize_t>(length));
    if (statement == nullptr) return nullptr;
    statement->start = start;
    std::memcpy(statement->text, text, length);
    return reinterpret_cast<PyObject *>(statement);
}

PyObject *word_from_parts(PyObject *arguments)
{
    const char *raw;
    Py_ssize_t length;
    unsigned int type, mask;
    PyObject *start, *end;
    if (!PyArg_ParseTuple(arguments, "y#IIOO:_word", &raw, &length, &type, &mask, &start, &end)) return nullptr;
    const bool ranged = start != Py_None;
    unsigned long first = 0;
    if (ranged) {
        first = PyLong_AsUnsignedLong(start);
        const unsigned long last = PyLong_AsUnsignedLong(end);
        if (PyErr_Occurred()) return nullptr;
        if (last < first || last - first != static_cast<unsigned long>(length) || last > 0xFFFFFFFFul) {
            PyErr_SetString(PyExc_ValueError, "a word's end is its start and its length");
            return nullptr;
        }
    } else if (end != Py_None) {
        PyErr_SetString(PyExc_ValueError, "a word has both a start and an end, or neither");
        return nullptr;
    }
    if (type > 0xFFFF || mask > 0xFFFF || static_cast<std::size_t>(length) > 0x7FFFFFFF) {
        PyErr_SetString(PyExc_ValueError, "a word's type and mask have 16 bits");
        return nullptr;
    }
    // One record: uint32 length | bytes | uint16 type | uint16 mask.
    const auto word_length = static_cast<std::uint32_t>(length);
    const std::uint32_t record_length = word_length + 8;
    char *record = static_cast<char *>(std::malloc(record_length));
    if (record == nullptr) return PyErr_NoMemory();
    const auto type16 = static_cast<std::uint16_t>(type), mask16 = static_cast<std::uint16_t>(mask);
    std::memcpy(record, &word_length, 4);
    std::memcpy(record + 4, raw, word_length);
    std::memcpy(record + 4 + word_length, &type16, 2);
    std::memcpy(record + 6 + word_length, &mask16, 2);
    PyObject *words = make_words(record, record_length, ranged, static_cast<std::uint32_t>(first));
    if (words == nullptr) return nullptr;
    PyObject *word = PyList_GET_ITEM(words, 0);
    Py_INCREF(word);
    Py_DECREF(words);
    return word;
}

PyObject *digest_from_parts(PyObject *arguments)
{
    unsigned long long fingerprint;
    const char *kind;
    const char *normalized;
    Py_ssize_t normalized_length;
    PyObject *table_list;
    if (!PyArg_ParseTuple(arguments, "Ksy#O!:_digest", &fingerprint, &kind, &normalized, &normalized_length,
                          &PyList_Type, &table_list)) {
        return nullptr;
    }
    std::string tables;
    const Py_ssize_t count = PyList_GET_SIZE(table_list);
    for (Py_ssize_t i = 0; i < count; ++i) {
        PyObject *name = PyList_GET_ITEM(table_list, i);
        if (!PyBytes_Check(name)) {
            PyErr_SetString(PyExc_TypeError, "table names are bytes");
            return nullptr;
        }
        const auto length = static_cast<std::uint32_t>(PyBytes_GET_SIZE(name));
        tables.append(reinterpret_cast<const char *>(&length), sizeof length);
        tables.append(PyBytes_AS_STRING(name), length);
    }
    DigestParts parts;
    parts.fingerprint = fingerprint;
    parts.kind = kind;
    parts.normalized = {normalized, static_cast<std::size_t>(normalized_length)};
    parts.tables = tables;
    parts.table_count = static_cast<std::uint32_t>(count);
    return make_digest(parts);
}

PyObject *statement_from_parts(PyObject *arguments)
{
    const char *text;
    Py_ssize_t length;
    unsigned long long start;
    if (!PyArg_ParseTuple(arguments, "y#K:_statement", &text, &length, &start)) return nullptr;
    return make_statement(text, static_cast<std::size_t>(length), start);
}

bool add_object_types(PyObject *module)
{
    for (int type = 0; type < 256; ++type) {
        const std::string_view name = spltwd::type_name(static_cast<std::uint16_t>(type));
        type_names[type] = PyUnicode_InternFromString(std::string(name).c_str());
        if (type_names[type] == nullptr) return false;
    }
    unknown_type_name = type_names[0];  // code 0 is no word type

    word_block_type.tp_dealloc = word_block_dealloc;
    if (!ready_type(word_block_type, "spltwd._WordBlock", "The memory of a split's words.", sizeof(WordBlock), 0)) {
        return false;
    }

    word_type.tp_dealloc = word_dealloc;
    word_type.tp_repr = word_repr;
    word_type.tp_richcompare = word_richcompare;
    word_type.tp_hash = PyObject_HashNotImplemented;
    word_type.tp_getset = word_fields;
    word_type.tp_methods = word_methods;
    if (!ready_type(word_type, "spltwd.Word",
                    "One word of a statement: its bytes (raw) and text, its type code and name, its mask, and "
                    "its byte range [start, end) in the statement.",
                    sizeof(WordObject), 0)) {
        return false;
    }

    digest_type.tp_dealloc = free_malloced_object;
    digest_type.tp_repr = digest_repr;
    digest_type.tp_richcompare = digest_richcompare;
    digest_type.tp_hash = digest_hash;
    digest_type.tp_getset = digest_fields;
    digest_type.tp_methods = digest_methods;
    if (!ready_type(digest_type, "spltwd.Digest",
                    "The digest of one statement: its normalised text, fingerprint, kind and tables.",
                    offsetof(DigestObject, data), 1)) {
        return false;
    }

    statement_type.tp_dealloc = free_object;
    statement_type.tp_repr = statement_repr;
    statement_type.tp_richcompare = statement_richcompare;
    statement_type.tp_hash = PyObject_HashNotImplemented;
    statement_type.tp_getset = statement_fields;
    statement_type.tp_methods = statement_methods;
    if (!ready_type(statement_type, "spltwd.Statement",
                    "One statement of a script: its bytes (raw) and text, and its byte range [start, end) in "
                    "the script.",
                    offsetof(StatementObject, text), 1)) {
        return false;
    }

    PyObject *module_name = PyModule_GetNameObject(module);
    if (module_name == nullptr) return false;
    PyObject **makers[] = {&word_maker, &digest_maker, &statement_maker};
    for (int i = 0; i < 3; ++i) {
        *makers[i] = PyCFunction_NewEx(&maker_methods[i], nullptr, module_name);
        if (*makers[i] == nullptr || PyModule_AddObjectRef(module, maker_methods[i].ml_name, *makers[i]) != 0) {
            Py_DECREF(module_name);
            return false;
        }
    }
    Py_DECREF(module_name);

    return PyModule_AddObjectRef(module, "Word", reinterpret_cast<PyObject *>(&word_type)) == 0 &&
           PyModule_AddObjectRef(module, "Digest", reinterpret_cast<PyObject *>(&digest_type)) == 0 &&
           PyModule_AddObjectRef(module, "Statement", reinterpret_cast<PyObject *>(&statement_type)) == 0;
}

} // namespace spltwd_python
