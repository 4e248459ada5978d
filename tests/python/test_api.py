"""The module's promises beyond the words themselves (test_words.py):
statements cut as sqlsplit cuts them, the inputs it takes and those it
refuses, splits on several threads, pickling, and what help() and type
checkers read."""
import ast
import base64
import inspect
import json
import pickle
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

import spltwd
from conftest import DIALECTS, SOURCE, corpus_files, records, run_sqlsplit

# Scripts whose cuts depend on how the dialect reads a ";".
SCRIPTS = [
    ("mysql", b"select 1; select 'a;b' -- c;\n; # only a comment\n;select `x;y` from t;"),
    ("mysql", b"  \r\n\tselect 1 ;\n\n/* c */ ;\n select 2\n-- the end"),
    ("mysql", b"select 'open;"),
    ("mysql", b"select 1; select 'a\\';' ;"),
    ("postgresql", b"CREATE RULE r AS ON INSERT TO t DO (INSERT INTO a VALUES (1); INSERT INTO b VALUES (2));"
                   b" SELECT $x$;$x$; SELECT $a$ x $b$; SELECT 'a' \n 'b;';"),
    ("postgresql", b"SELECT E'\\';' ; /* a /* nested ; */ still */ SELECT 2"),
    ("oracle", b"SELECT q'[it's; fine]' FROM dual; SELECT 'x' FROM dual;"),
    ("sqlserver", b"SELECT [a;b] FROM t; SELECT \"c;d\";\f;"),
    ("db2", b"SELECT 'a;b' FROM t; SELECT \xff\xfe;"),
    ("informix", b"SELECT \"a;b\" FROM t { comment; } ; SELECT 2;"),
    ("generic", b"select \"x;y\", 'z;w' from t;;;"),
]


def sqlsplit_cuts(script, dialect, profile):
    """The statements sqlsplit cuts: (start, end, bytes) under the accurate
    profile, bytes alone under the classic one (which gives no ranges)."""
    if profile == "classic":
        lines = run_sqlsplit("-d", dialect, "--classic", "-f", "jsonl", input=script).splitlines()
        return [restored(json.loads(line), "text") for line in lines]
    # statements() cuts at ";" alone, as sqlsplit does without a client.
    lines = run_sqlsplit("-d", dialect, "--script", "none", "-f", "digest", input=script).splitlines()
    return [(r["start"], r["end"], script[r["start"]:r["end"]]) for r in map(json.loads, lines)]


def restored(record, field):
    if field + "_base64" in record:
        return base64.b64decode(record[field + "_base64"])
    return record[field].encode("utf-8")


@pytest.mark.parametrize("profile", ["accurate", "classic"])
@pytest.mark.parametrize("dialect,script", SCRIPTS)
def test_statements_are_cut_as_sqlsplit_cuts_them(dialect, script, profile):
    got = list(spltwd.statements(script, dialect, profile))
    expected = sqlsplit_cuts(script, dialect, profile)
    if profile == "classic":
        assert [s.raw for s in got] == expected
    else:
        assert [(s.start, s.end, s.raw) for s in got] == expected
        assert all(script[s.start:s.end] == s.raw for s in got)
    # A str script gives the same statements, its offsets in UTF-8 bytes.
    assert list(spltwd.statements(script.decode("utf-8", "surrogateescape"), dialect, profile)) == got


def test_corpus_scripts_are_cut_and_digested_as_sqlsplit_does():
    """Each corpus file as one script, its records joined by ";" and line
    feeds: its statements' ranges and digests are sqlsplit's, read without
    a client's conventions."""
    for path in corpus_files():
        pieces = list(records(path))
        dialect = pieces[0][0]
        script = b";\n".join(sql for _, sql in pieces)
        lines = run_sqlsplit("-d", str(dialect), "--script", "none", "-f", "digest", input=script).splitlines()
        expected = [json.loads(line) for line in lines]
        got = list(spltwd.statements(script, dialect))
        assert [(s.start, s.end) for s in got] == [(r["start"], r["end"]) for r in expected], path
        digests = spltwd.digest_many([s.raw for s in got], dialect)
        for digest, record in zip(digests, expected):
            assert digest.fingerprint_hex == record["fingerprint"] and digest.kind == record["kind"], path
            assert digest.normalized.encode("utf-8", "surrogateescape") == restored(record, "normalized"), path


ERRORS = [
    (spltwd.split, ("SELECT 1", "sybase"), {}, ValueError,
     "unknown dialect 'sybase': use generic, oracle, sqlserver, db2, mysql, postgresql, informix or a code 0-65535"),
    (spltwd.split, ("SELECT 1", 65536), {}, ValueError, "unknown dialect 65536"),
    (spltwd.split, ("SELECT 1", -1), {}, ValueError, "unknown dialect -1"),
    (spltwd.split, ("SELECT 1", True), {}, TypeError, "a dialect is a name or a code, not bool"),
    (spltwd.split, ("SELECT 1", "mysql", "fast"), {}, ValueError, "unknown profile 'fast': use accurate (1) or classic (0)"),
    (spltwd.split, ("SELECT 1", "mysql", 2), {}, ValueError, "unknown profile 2"),
    (spltwd.split, (42,), {}, TypeError, "SQL text must be str or bytes, not int"),
    (spltwd.split, ("SELECT '\ud800'",), {}, UnicodeEncodeError, "surrogates not allowed"),
    (spltwd.split, ("SELECT $a$ x $b$", "postgresql", "classic"), {}, spltwd.SplitError,
     "split failed with result -5: a dollar-quoted string closed with a different tag"),
    (spltwd.split, ("SELECT 1; SELECT 2", "mysql", "classic"), {}, spltwd.SplitError, "split failed with result -6"),
    (spltwd.split, (), {}, TypeError, "split() missing required argument 'sql'"),
    (spltwd.split, ("x",), {"dialekt": 1}, TypeError, "split() got an unexpected keyword argument 'dialekt'"),
    (spltwd.split, ("x", 32), {"dialect": 1}, TypeError, "split() got multiple values for argument 'dialect'"),
    (spltwd.split, ("x", 32, 1, 0), {}, TypeError, "split() takes at most 3 arguments (4 given)"),
    (spltwd.digest, (b"x", "nope"), {}, ValueError, "unknown dialect 'nope'"),
    (spltwd.digest, (None,), {}, TypeError, "SQL text must be str or bytes, not NoneType"),
    (spltwd.digest_many, (["select 1", 2],), {}, TypeError, "digest_many: statement 1 is not str or bytes but int"),
    (spltwd.digest_many, (["x"],), {"threads": 0}, ValueError, "threads must be from 1 to 1024"),
    (spltwd.digest_many, (["x"],), {"threads": "2"}, TypeError, "threads must be an int or None"),
    (spltwd.digest_many, (5,), {}, TypeError, "not iterable"),
    (spltwd.statements, ("x", "sybase"), {}, ValueError, "unknown dialect 'sybase'"),
    (spltwd.statements, (b"x", "mysql", "none"), {}, ValueError, "unknown profile 'none'"),
]


@pytest.mark.parametrize("call,arguments,keywords,error,message", ERRORS)
def test_errors(call, arguments, keywords, error, message):
    with pytest.raises(error) as raised:
        call(*arguments, **keywords)
    assert message in str(raised.value)
    if error is spltwd.SplitError:
        assert raised.value.code == int(message.split("result ")[1][:2])


# Each row: inputs that are all the same statement to the module.
SAME_INPUTS = [
    ["SELECT 'café' FROM t", b"SELECT 'caf\xc3\xa9' FROM t", bytearray(b"SELECT 'caf\xc3\xa9' FROM t"),
     memoryview(b"SELECT 'caf\xc3\xa9' FROM t")],
    ["SELECT 'caf\udce9'", b"SELECT 'caf\xe9'"],
]


@pytest.mark.parametrize("inputs", SAME_INPUTS)
def test_str_and_bytes_inputs(inputs):
    words = spltwd.split(inputs[0])
    for sql in inputs[1:]:
        assert spltwd.split(sql) == words
        assert spltwd.digest(sql) == spltwd.digest(inputs[0])
    assert spltwd.digest_many(inputs) == [spltwd.digest(inputs[0])] * len(inputs)
    # Texts keep bytes that are not UTF-8: they encode back to them.
    assert b"".join(w.text.encode("utf-8", "surrogateescape") for w in words) == bytes(inputs[-1])


def test_empty_inputs():
    assert spltwd.split("") == spltwd.split(b"", "postgresql", "classic") == []
    assert list(spltwd.statements("")) == list(spltwd.statements(" \n\t;\r\n; -- c")) == []
    empty = spltwd.digest(b"")
    assert (empty.fingerprint, empty.kind, empty.tables, empty.normalized) == (0xCBF29CE484222325, "OTHER", [], "")
    assert spltwd.digest_many([]) == []


def test_dialect_names_in_any_case():
    sql = "SELECT `a`, \"b\", [c], 'd\\'e' # f\n$$g$$"
    for name, code in list(DIALECTS.items()) + [("postgres", 64)]:
        assert spltwd.split(sql, name.upper()) == spltwd.split(sql, name.title()) == spltwd.split(sql, code)
    assert spltwd.DIALECTS == DIALECTS


def test_splits_on_several_threads_at_once():
    """Long statements split and digest without the interpreter lock, each
    thread on its own context: together they give what they give alone."""
    sqls = [(b"SELECT '%d', `x`, $$y$$ -- z\n FROM t%d WHERE a = 'b''c' AND d IN (1, 2);\n" % (i, i)) * (800 + i)
            for i in range(8)]
    dialects = list(DIALECTS.values())
    jobs = [(sql, dialects[i % len(dialects)]) for i, sql in enumerate(sqls)]
    alone = [(spltwd.split(sql, dialect), spltwd.digest(sql, dialect)) for sql, dialect in jobs]
    with ThreadPoolExecutor(4) as pool:
        together = list(pool.map(lambda job: (spltwd.split(*job), spltwd.digest(*job)), jobs * 2))
    assert together == alone * 2
    # A split inside the loop of statements() leaves its cuts alone.
    script = b"select 1; select 'a;b'; select 3;"
    assert [(s, spltwd.split(s.raw)) for s in spltwd.statements(script)] == \
        [(s, spltwd.split(s.raw)) for s in list(spltwd.statements(script))]


def test_objects_pickle():
    words = spltwd.split(b"SELECT 'caf\xe9' -- c", "postgresql") + spltwd.split("select a", profile="classic")
    objects = words + [spltwd.digest("SELECT * FROM s.t, u WHERE a = 1")] + list(spltwd.statements("a; b"))
    for thing in objects:
        again = pickle.loads(pickle.dumps(thing))
        assert again == thing and repr(again) == repr(thing)
    with pytest.raises(ValueError):
        spltwd._spltwd._word(b"ab", 9, 17, 0, 5)  # its end is not its start and its length


def test_help_and_type_stub():
    """Every public name has a docstring; functions have their signatures;
    the stub declares what the module has, and only that."""
    assert spltwd.__doc__ and all(getattr(spltwd, name).__doc__ for name in spltwd.__all__)
    signatures = {
        "split": "(sql, dialect='mysql', profile='accurate')",
        "statements": "(script, dialect='mysql', profile='accurate')",
        "digest": "(sql, dialect='mysql')",
        "digest_many": "(statements, dialect='mysql', threads=None)",
    }
    for name, signature in signatures.items():
        assert str(inspect.signature(getattr(spltwd, name))) == signature
        assert getattr(spltwd, name).__module__ == "spltwd"
    stub = ast.parse((SOURCE / "python" / "spltwd" / "_spltwd.pyi").read_text())
    declared = {node.name: node for node in stub.body if isinstance(node, (ast.FunctionDef, ast.ClassDef))}
    declared["DIALECTS"] = None
    assert sorted(declared) == sorted(spltwd.__all__)
    for name in ["Word", "Digest", "Statement"]:
        fields = {node.name for node in declared[name].body if isinstance(node, ast.FunctionDef)} - {"__hash__"}
        runtime = {field for field, value in vars(getattr(spltwd, name)).items()
                   if inspect.isdatadescriptor(value) and not field.startswith("_")}
        assert fields == runtime, name
        assert all(getattr(getattr(spltwd, name), field).__doc__ for field in runtime)
    for name, signature in signatures.items():
        arguments = [a.arg for a in declared[name].args.args]
        assert arguments == [part.split("=")[0] for part in signature.strip("()").split(", ")]
