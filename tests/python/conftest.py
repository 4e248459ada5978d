"""What the Python tests share: the build's programs, and the statements
they check the module on.

CTest runs them with PYTHONPATH naming the build's python folder and
SPLTWD_BUILD_DIR, SPLTWD_SOURCE_DIR, SPLTWD_CORPUS_DIR and
SPLTWD_WORDS_REFERENCE set (tests/python/CMakeLists.txt).
"""
import os
import subprocess
from pathlib import Path

import pytest

BUILD = Path(os.environ.get("SPLTWD_BUILD_DIR", "build"))
SOURCE = Path(os.environ.get("SPLTWD_SOURCE_DIR", Path(__file__).resolve().parents[2]))
SQLSPLIT = BUILD / "src" / "sqlsplit" / "sqlsplit"

DIALECTS = {"generic": 0, "oracle": 1, "sqlserver": 2, "db2": 8, "mysql": 32, "postgresql": 64, "informix": 1024}

# Statements that no corpus is sure to hold: bytes that are not UTF-8,
# NUL and control bytes, what is left open at the end, separators.
TRICKY = [
    b"SELECT 'caf\xc3\xa9', \"na\xefve\" FROM t\xe9 -- \xff",
    b"select \x00nul, '\x01\x1f\x7f' from \xed\xa0\x80 \xc0\xaf",
    b"SELECT \xb1\xed\xa3\xac FROM \xf0\x9f\x98\x80 WHERE a = '\xe2\x82\xac'",
    b"SELECT 'open",
    b"SELECT \"open",
    b"SELECT `open",
    b"SELECT [open",
    b"/* open comment",
    b"SELECT $tag$ body",
    b"SELECT q'[open",
    b"SELECT 1; SELECT 2;",
    b"SELECT ';' FROM t; -- ;",
    b"\t\r\n\f\v SELECT 1 \f",
    b"x",
    b";",
    b"SELECT a\r\nFROM b\r\n",
]


def records(path):
    """(dialect, statement) of each record of a corpus file."""
    data = Path(path).read_bytes()
    i = 0
    while i < len(data):
        j = data.index(b"\n", i)
        dialect, n = map(int, data[i:j].split())
        yield dialect, data[j + 1:j + 1 + n]
        i = j + 2 + n


def corpus_files():
    """The generated corpus files of the build, and the shared corpus's
    files when that folder is there."""
    files = sorted((BUILD / "corpus" / "generated").glob("*.rec"))
    shared = os.environ.get("SPLTWD_CORPUS_DIR")
    if shared and Path(shared).is_dir():
        files += sorted(Path(shared).rglob("*.rec"))
    assert files, f"no corpus files under {BUILD / 'corpus' / 'generated'}: build the tests first"
    return files


@pytest.fixture(scope="session")
def statements():
    """Every statement the tests check: the tricky ones and the corpus's."""
    return TRICKY + [sql for path in corpus_files() for _, sql in records(path)]


def words_reference(profile, dialect, sqls):
    """The C API's results for the statements, as words_reference.cpp
    writes them: columns over all statements, all their words and all
    their tables (result, word_count, start, end, type, mask, length,
    words, fingerprint, kind, normalized_length, normalized, table_count,
    table_length, tables); texts are joined, each a bytes object."""
    program = os.environ.get("SPLTWD_WORDS_REFERENCE", str(BUILD / "tests" / "python" / "words_reference"))
    request = b"".join(b"%d %d\n%s\n" % (dialect, len(sql), sql) for sql in sqls)
    out = subprocess.run([program, str(profile), str(dialect)], input=request, stdout=subprocess.PIPE,
                         check=True).stdout
    view = memoryview(out)
    at = 0

    def take(count, code=None, size=1):
        nonlocal at
        piece = view[at:at + count * size]
        at += count * size
        return piece.cast(code).tolist() if code else piece.tobytes()

    c = {}
    statements = take(1, "I", 4)[0]
    c["result"], c["word_count"] = take(statements, "i", 4), take(statements, "I", 4)
    words = take(1, "I", 4)[0]
    c["start"], c["end"] = take(words, "I", 4), take(words, "I", 4)
    c["type"], c["mask"], c["length"] = take(words, "H", 2), take(words, "H", 2), take(words, "I", 4)
    c["words"] = take(take(1, "Q", 8)[0])
    c["fingerprint"] = take(statements, "Q", 8)
    kinds = take(12 * statements)
    c["kind"] = [kinds[i:i + 12].rstrip(b"\0").decode("ascii") for i in range(0, len(kinds), 12)]
    c["normalized_length"] = take(statements, "I", 4)
    c["normalized"] = take(take(1, "Q", 8)[0])
    c["table_count"] = take(statements, "I", 4)
    c["table_length"] = take(take(1, "I", 4)[0], "I", 4)
    c["tables"] = take(take(1, "Q", 8)[0])
    assert at == len(out) and statements == len(sqls)
    return c


def run_sqlsplit(*arguments, input=None):
    return subprocess.run([str(SQLSPLIT), *arguments], input=input, stdout=subprocess.PIPE, check=True).stdout
