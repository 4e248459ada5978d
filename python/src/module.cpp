// The spltwd._spltwd extension: the splitter and its digests for Python.
#include <pybind11/pybind11.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "arguments.h"
#include "contexts.h"
#include "digest_many.h"
#include "objects.h"
#include "spltwd_digest.h"
#include "statement_cuts.h"

namespace py = pybind11;

namespace spltwd_python {

namespace {

// Statements from this size on are split and digested without the
// interpreter lock; for shorter ones, letting it go and taking it back
// would cost more than other threads could gain.
constexpr std::size_t kReleaseLockFrom = 64 * 1024;

// digest_many starts a thread for each this many bytes of its statements
// at most: starting one takes about as long as digesting that much.
constexpr std::size_t kWorkPerThread = 16 * 1024;

PyObject *split_error;  // spltwd.SplitError

[[noreturn]] void raise_split_error(std::int32_t result)
{
    if (result == -1) throw std::bad_alloc();
    std::string why;
    switch (result) {
        case -3: why = "a working string could not be set up"; break;
        case -4: why = "the scanner stopped for an unknown reason"; break;
        case -5: why = "a dollar-quoted string closed with a different tag"; break;
        case -6: why = "the statement separator ';' was met (statements() cuts a script at its separators)"; break;
        default: why = "an unexpected result"; break;
    }
    py::object error = py::reinterpret_borrow<py::object>(split_error)(
        "split failed with result " + std::to_string(result) + ": " + why);
    error.attr("code") = result;
    PyErr_SetObject(split_error, error.ptr());
    throw py::error_already_set();
}

// Runs a call of the C API's kind (a Python result, or null with an error
// set), turning the C++ exceptions of the helpers into Python errors.
template <typename Call>
PyObject *guarded(Call call) noexcept
{
    try {
        return call();
    } catch (py::error_already_set &error) {
        error.restore();
    } catch (const py::builtin_exception &error) {
        error.set_error();
    } catch (const std::bad_alloc &) {
        PyErr_NoMemory();
    } catch (const std::exception &error) {
        PyErr_SetString(PyExc_RuntimeError, error.what());
    }
    return nullptr;
}

// The arguments of a fast call by their names, in order; those not given
// stay null.  Raises TypeError as Python's own functions do.
template <std::size_t N>
void take_arguments(const char *function, const char *const (&names)[N], std::size_t required,
                    PyObject *const *arguments, Py_ssize_t positional, PyObject *keywords, PyObject *(&taken)[N])
{
    if (static_cast<std::size_t>(positional) > N) {
        throw py::type_error(std::string(function) + "() takes at most " + std::to_string(N) + " arguments (" +
                             std::to_string(positional) + " given)");
    }
    for (std::size_t i = 0; i < N; ++i) taken[i] = i < static_cast<std::size_t>(positional) ? arguments[i] : nullptr;
    const Py_ssize_t keyword_count = keywords != nullptr ? PyTuple_GET_SIZE(keywords) : 0;
    for (Py_ssize_t k = 0; k < keyword_count; ++k) {
        PyObject *name = PyTuple_GET_ITEM(keywords, k);
        std::size_t i = 0;
        while (i < N && PyUnicode_CompareWithASCIIString(name, names[i]) != 0) ++i;
        if (i == N) {
            throw py::type_error(std::string(function) + "() got an unexpected keyword argument " +
                                 py::repr(name).cast<std::string>());
        }
        if (taken[i] != nullptr) {
            throw py::type_error(std::string(function) + "() got multiple values for argument '" + names[i] + "'");
        }
        taken[i] = arguments[positional + k];
    }
    for (std::size_t i = 0; i < required; ++i) {
        if (taken[i] == nullptr) {
            throw py::type_error(std::string(function) + "() missing required argument '" + names[i] + "'");
        }
    }
}

PyObject *split(PyObject *, PyObject *const *arguments, Py_ssize_t positional, PyObject *keywords)
{
    return guarded([&]() -> PyObject * {
        static const char *const names[] = {"sql", "dialect", "profile"};
        PyObject *taken[3];
        take_arguments("split", names, 1, arguments, positional, keywords, taken);
        const SqlBytes text(taken[0]);
        const std::uint16_t dialect = taken[1] != nullptr ? dialect_code(taken[1]) : SPLT_WD_DIALECT_MYSQL;
        const std::int32_t profile = taken[2] != nullptr ? profile_code(taken[2]) : SPLTWD_PROFILE_ACCURATE;
        if (text.size() == 0) return PyList_New(0);
        check_statement_length(text.size());
        spltwd_context *context = thread_context();
        spltwd_context_set_profile(context, profile);
        SQL_SPLT_WD request{};
        request.dialect = dialect;
        request.sql_len = static_cast<std::uint32_t>(text.size());
        // The library only reads the text.
        request.sql_text = const_cast<char *>(text.data());
        std::int32_t result;
        if (text.size() >= kReleaseLockFrom) {
            py::gil_scoped_release unlocked;
            result = spltwd_split(context, &request);
        } else {
            result = spltwd_split(context, &request);
        }
        if (result < 0) {
            std::free(request.sql_word);
            raise_split_error(result);
        }
        return make_words(request.sql_word, request.nSqlWordLen, profile == SPLTWD_PROFILE_ACCURATE);
    });
}

PyObject *digest_object(const spltwd_digest &digest)
{
    DigestParts parts;
    parts.fingerprint = digest.fingerprint;
    parts.kind = digest.kind;
    parts.normalized = {digest.normalized, digest.normalized_length};
    parts.tables = {digest.tables, digest.tables_length};
    parts.table_count = digest.table_count;
    return make_digest(parts);
}

PyObject *digest(PyObject *, PyObject *const *arguments, Py_ssize_t positional, PyObject *keywords)
{
    return guarded([&]() -> PyObject * {
        static const char *const names[] = {"sql", "dialect"};
        PyObject *taken[2];
        take_arguments("digest", names, 1, arguments, positional, keywords, taken);
        const SqlBytes text(taken[0]);
        const std::uint16_t dialect = taken[1] != nullptr ? dialect_code(taken[1]) : SPLT_WD_DIALECT_MYSQL;
        check_statement_length(text.size());
        spltwd_context *context = thread_context();
        spltwd_digest result;
        std::int32_t code;
        if (text.size() >= kReleaseLockFrom) {
            py::gil_scoped_release unlocked;
            code = spltwd_digest_statement(context, dialect, text.data(), static_cast<std::uint32_t>(text.size()),
                                           &result);
        } else {
            code = spltwd_digest_statement(context, dialect, text.data(), static_cast<std::uint32_t>(text.size()),
                                           &result);
        }
        if (code != 0) throw std::bad_alloc();  // -2 is ruled out above
        return digest_object(result);
    });
}

PyObject *digest_many(PyObject *, PyObject *const *arguments, Py_ssize_t positional, PyObject *keywords)
{
    return guarded([&]() -> PyObject * {
        static const char *const names[] = {"statements", "dialect", "threads"};
        PyObject *taken[3];
        take_arguments("digest_many", names, 1, arguments, positional, keywords, taken);
        const std::uint16_t dialect = taken[1] != nullptr ? dialect_code(taken[1]) : SPLT_WD_DIALECT_MYSQL;
        // Asking costs a system call: once is enough.
        static const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
        unsigned thread_count = processors;
        if (taken[2] != nullptr && taken[2] != Py_None) {
            if (!PyLong_Check(taken[2]) || PyBool_Check(taken[2])) throw py::type_error("threads must be an int or None");
            int overflow = 0;
            const long long wanted = PyLong_AsLongLongAndOverflow(taken[2], &overflow);
            if (overflow != 0 || wanted < 1 || wanted > 1024) throw py::value_error("threads must be from 1 to 1024");
            thread_count = static_cast<unsigned>(wanted);
        }
        // The texts, taken while the lock is held; the objects keep them.
        std::vector<SqlBytes> texts;
        const Py_ssize_t expected = PyObject_LengthHint(taken[0], 0);
        if (expected < 0) throw py::error_already_set();
        texts.reserve(static_cast<std::size_t>(expected));
        for (py::handle item : py::reinterpret_borrow<py::iterable>(taken[0])) {
            try {
                texts.emplace_back(item);
            } catch (py::type_error &) {
                throw py::type_error("digest_many: statement " + std::to_string(texts.size()) +
                                     " is not str or bytes but " + Py_TYPE(item.ptr())->tp_name);
            }
            check_statement_length(texts.back().size());
        }
        std::vector<std::string_view> views;
        views.reserve(texts.size());
        std::size_t bytes = 0;
        for (const SqlBytes &text : texts) {
            views.push_back(text.view());
            bytes += text.size();
        }
        std::vector<void *> digests(views.size(), nullptr);
        const std::size_t worth = std::max<std::size_t>(1, std::min(views.size(), bytes / kWorkPerThread));
        thread_count = static_cast<unsigned>(std::min<std::size_t>(thread_count, worth));
        {
            py::gil_scoped_release unlocked;
            digest_all(views, dialect, thread_count, digests);
        }
        PyObject *list = PyList_New(static_cast<Py_ssize_t>(digests.size()));
        if (list == nullptr) {
            for (void *digest : digests) discard_digest(digest);
            return nullptr;
        }
        for (std::size_t i = 0; i < digests.size(); ++i) {
            PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), finish_digest(digests[i]));
        }
        return list;
    });
}

// The iterator statements() gives: it keeps the script's bytes and a
// context of its own, so that splits in the loop's body do not disturb it.
class Statements {
public:
    Statements(SqlBytes script, std::uint16_t dialect, std::int32_t profile)
        : script_(std::move(script)), cuts_(script_.view(), dialect, profile)
    {
    }

    py::object next()
    {
        std::size_t start = 0, length = 0;
        if (!cuts_.next(start, length)) throw py::stop_iteration();
        PyObject *statement = make_statement(script_.data() + start, length, start);
        if (statement == nullptr) throw py::error_already_set();
        return py::reinterpret_steal<py::object>(statement);
    }

private:
    SqlBytes script_;
    StatementCuts cuts_;
};

PyObject *statements(PyObject *, PyObject *const *arguments, Py_ssize_t positional, PyObject *keywords)
{
    return guarded([&]() -> PyObject * {
        static const char *const names[] = {"script", "dialect", "profile"};
        PyObject *taken[3];
        take_arguments("statements", names, 1, arguments, positional, keywords, taken);
        SqlBytes script(taken[0]);
        const std::uint16_t dialect = taken[1] != nullptr ? dialect_code(taken[1]) : SPLT_WD_DIALECT_MYSQL;
        const std::int32_t profile = taken[2] != nullptr ? profile_code(taken[2]) : SPLTWD_PROFILE_ACCURATE;
        return py::cast(std::make_unique<Statements>(std::move(script), dialect, profile)).release().ptr();
    });
}

const char *const kSplitDoc = R"(split(sql, dialect='mysql', profile='accurate')
--

Split one statement into its words: a list of Word.

sql is str (read as its UTF-8 bytes) or bytes (read as they are).
dialect is a name -- 'generic', 'oracle', 'sqlserver', 'db2', 'mysql',
'postgresql' (or 'postgres'), 'informix', in any case -- or a dialect
code 0-65535 (a code outside the named ones is the generic mode).

Under the 'accurate' profile each dialect is read as its server reads a
statement: every byte is in exactly one word, in order (whitespace runs
and comments are words), each word has its byte range [start, end) in the
statement's bytes, and no input fails: a string, quoted name or comment
left open is one word to the end, with Word.unterminated set.  A ';' is a
word of its own: use statements() to cut a script.

The 'classic' profile gives the library's classic words: comments
dropped, whitespace runs as one blank, no byte ranges (start and end are
None).  Its splits can fail: SplitError tells the library's result code.

An empty statement has no words.  Raises ValueError for an unknown
dialect or profile or a statement of 2 GiB or more, TypeError for an sql
that is neither str nor bytes, UnicodeEncodeError for a str holding a
lone surrogate that 'surrogateescape' does not give.)";

const char *const kStatementsDoc = R"(statements(script, dialect='mysql', profile='accurate')
--

Cut a script into its statements: an iterator of Statement, each cut
when it is asked for, as the profile reads the dialect.

A statement ends at each ';' that the dialect reads as a separator: not
at one inside a string, a quoted name, a comment, a dollar-quoted body or
a q-quote of that dialect, nor, in PostgreSQL, inside parentheses.  Each
Statement has its text and bytes, without the blanks (space, tab, line
feeds) before it and without its ';', and its byte range [start, end) in
the script's bytes.  Empty statements are skipped, and under the accurate
profile so are statements of nothing but whitespace and comments (the
comment after a script's last ';'): they are no statement to the server.
Under the classic profile such statements come back, as sqlsplit
--classic shows them, and so does a statement whose dollar-quote tags
differ (its split() raises SplitError).

The cuts are sqlsplit's without a client's conventions: for the same
script, dialect and profile it gives the statements that sqlsplit
--script none shows.  Raises ValueError when a statement
is 2 GiB long or more (the rest of the script is given up).)";

const char *const kDigestDoc = R"(digest(sql, dialect='mysql')
--

Digest one statement, read as the accurate profile reads the dialect.

The Digest has the statement's normalised text (comments dropped, every
literal '?', a list of literals in parentheses '(?)', words lower-cased
but quoted names, one blank between words), its fingerprint (FNV-1a,
64 bits, of the normalised text, also as 16 hexadecimal digits), its
kind (its verb, such as 'SELECT', or 'OTHER') and the tables it names
after FROM, JOIN, INTO, UPDATE and TABLE.  Statements that differ only in
literals, comments, case or blanks share a fingerprint.  Any bytes
digest; sql and dialect are taken as by split().)";

const char *const kDigestManyDoc = R"(digest_many(statements, dialect='mysql', threads=None)
--

Digest many statements at once, on several threads: a list of Digest.

statements is any iterable of str or bytes; the result holds their
digests in the same order, each what digest() gives.  The texts are
taken first; then `threads` threads (by default one per processor; fewer
for a small batch, where starting a thread would take longer than the
digests it saves) digest them without the global interpreter lock, each
on a splitter of its own, so that other Python threads run meanwhile.)";

} // namespace

} // namespace spltwd_python

PYBIND11_MODULE(_spltwd, m)
{
    using namespace spltwd_python;
    m.doc() = "The SQL word splitter and statement digests (the extension behind the spltwd package).";
    if (!add_object_types(m.ptr())) throw py::error_already_set();

    split_error = PyErr_NewExceptionWithDoc(
        "spltwd.SplitError",
        "A classic-profile split failed; .code is the library's result (-5: a dollar-quoted string closed with a "
        "different tag, -6: a ';' was met).",
        PyExc_ValueError, nullptr);
    if (split_error == nullptr) throw py::error_already_set();
    m.attr("SplitError") = py::reinterpret_borrow<py::object>(split_error);

    // The statements' iterator, which statements() gives.
    py::class_<Statements>(m, "_Statements", "The statements of a script, cut one at a time.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &Statements::next);

    // Functions of the C API rather than pybind11's: split and digest run
    // once per statement, and fast calls take their arguments in a
    // fraction of the time; pydoc shows them as plain functions.
    static PyMethodDef calls[] = {
        {"split", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(split)),
         METH_FASTCALL | METH_KEYWORDS, kSplitDoc},
        {"statements", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(statements)),
         METH_FASTCALL | METH_KEYWORDS, kStatementsDoc},
        {"digest", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(digest)),
         METH_FASTCALL | METH_KEYWORDS, kDigestDoc},
        {"digest_many", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(digest_many)),
         METH_FASTCALL | METH_KEYWORDS, kDigestManyDoc},
    };
    for (PyMethodDef &call : calls) {
        PyObject *function = PyCFunction_NewEx(&call, nullptr, m.attr("__name__").ptr());
        if (function == nullptr) throw py::error_already_set();
        m.attr(call.ml_name) = py::reinterpret_steal<py::object>(function);
    }

    py::dict dialects;
    for (const DialectName &dialect : kDialects) dialects[dialect.name] = dialect.code;
    m.attr("DIALECTS") = dialects;
}
