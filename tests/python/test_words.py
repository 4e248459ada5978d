"""The module's words and digests are the C API's, as words_reference.cpp
reads them without the module, on every statement the tests know (the
corpus and conftest.TRICKY) in every dialect and both profiles; a str gives
what its UTF-8 bytes give; digest_many on 4 threads gives what 1 does."""
import itertools

import pytest

import spltwd
from conftest import DIALECTS, words_reference


def surrogate_escaped(text):
    return text.encode("utf-8", "surrogateescape")


def split_columns(splits):
    """The columns of words_reference for the module's splits (a list of
    words, or the SplitError's code, per statement)."""
    words = [word for split in splits if isinstance(split, list) for word in split]
    return {
        "result": [split if isinstance(split, int) else None for split in splits],
        "word_count": [len(split) if isinstance(split, list) else 0 for split in splits],
        "start": [word.start for word in words],
        "end": [word.end for word in words],
        "type": [word.type for word in words],
        "mask": [word.mask for word in words],
        "length": [len(word.raw) for word in words],
        "words": b"".join(word.raw for word in words),
        # Each text decodes its word's bytes and encodes back to them.
        "texts": surrogate_escaped("".join(word.text for word in words)),
    }


def digest_columns(digests):
    return {
        "fingerprint": [digest.fingerprint for digest in digests],
        "fingerprint_hex": [digest.fingerprint_hex for digest in digests],
        "kind": [digest.kind for digest in digests],
        "normalized_length": [len(surrogate_escaped(digest.normalized)) for digest in digests],
        "normalized": b"".join(surrogate_escaped(digest.normalized) for digest in digests),
        "table_count": [len(digest.tables) for digest in digests],
        "table_length": [len(surrogate_escaped(name)) for digest in digests for name in digest.tables],
        "tables": b"".join(surrogate_escaped(name) for digest in digests for name in digest.tables),
    }


def split_or_code(sql, dialect, profile):
    try:
        return spltwd.split(sql, dialect, profile)
    except spltwd.SplitError as error:
        return error.code


def word_difference(statements, word_counts, got, expected):
    """The statement of the first word where two word columns differ."""
    index = next((i for i, (a, b) in enumerate(zip(got, expected)) if a != b), min(len(got), len(expected)))
    statement = next(i for i, end in enumerate(itertools.accumulate(word_counts)) if end > index)
    return f"word {index}, of statement {statement}: {statements[statement]!r}"


def first_difference(statements, got, expected):
    """The statement where two per-statement columns first differ."""
    index = next(i for i, (a, b) in enumerate(zip(got, expected)) if a != b)
    return f"statement {index}: {statements[index]!r}: {got[index]!r}, the C API's {expected[index]!r}"


@pytest.mark.parametrize("profile", ["accurate", "classic"])
@pytest.mark.parametrize("dialect", DIALECTS)
def test_words_and_digests_are_the_c_apis(statements, dialect, profile):
    c = words_reference(1 if profile == "accurate" else 0, DIALECTS[dialect], statements)
    splits = [split_or_code(sql, dialect, profile) for sql in statements]
    got = split_columns(splits)
    # Failures first, then word counts: either tells the statement that differs.
    expected_results = [result if result < 0 else None for result in c["result"]]
    assert got["result"] == expected_results, first_difference(statements, got["result"], expected_results)
    assert got["word_count"] == c["word_count"], first_difference(statements, splits, c["word_count"])
    if profile == "classic":  # its words are no ranges of the statement
        assert set(got.pop("start")) | set(got.pop("end")) <= {None}
        c.pop("start"), c.pop("end")
    for column in ["start", "end", "type", "mask", "length"]:
        if column in c:
            assert got[column] == c[column], word_difference(statements, c["word_count"], got[column], c[column])
    assert got["words"] == c["words"]
    assert got["texts"] == c["words"]
    if profile == "classic":
        return

    # A str is read as its UTF-8 bytes.
    assert [spltwd.split(sql.decode("utf-8", "surrogateescape"), DIALECTS[dialect]) for sql in statements] == splits
    digests = [spltwd.digest(sql, dialect) for sql in statements]
    got = digest_columns(digests)
    c["fingerprint_hex"] = [f"{fingerprint:016x}" for fingerprint in c["fingerprint"]]
    for column in got:
        assert got[column] == c[column], f"the digests' {column} differ"
    assert spltwd.digest_many(statements, dialect, threads=4) == digests
    assert spltwd.digest_many((sql for sql in statements), DIALECTS[dialect], threads=1) == digests
