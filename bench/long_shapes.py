#!/usr/bin/env python3
"""Instructions per byte of the split call on long statements, by shape.

Usage:
    bench/long_shapes.py [--accurate] [--harness PATH] [--corpus DIR] [SIZE_MIB ...]

For each size (default: 4 16 64) writes one record file per shape into a
temporary folder and counts the instructions of the split call on it with
callgrind, as bench/callgrind_ipb.py does for the corpus.  The shapes:

    mixed SQL        MySQL statements of the corpus joined by line ends
                     (those of grammars-v4/mysql.rec when the corpus has it)
    string           one MySQL string
    quoted name      one MySQL `name`, one PostgreSQL "name"
    comment          one bracketed comment, generic mode
    dollar body      one PostgreSQL dollar-quoted body
    one-byte words   "a,a,a,...", MySQL and generic mode
    generic name     one name in the generic mode, where every letter is a
                     word and is read from again to the end of the name
    nested comment   one PostgreSQL comment, where comments nest
    q-quote          one Oracle q'[...]' string
    open string      one MySQL string that is never closed
    sign run         "+" repeated, PostgreSQL, where each sign is an operator

With --accurate the splits run by the accurate profile (see
bench/callgrind_ipb.py).

A cost that grows with the size shows as a figure that grows down a
column; the budget is flat figures.  Needs valgrind and python3.
"""

import argparse
import pathlib
import sys
import tempfile

import callgrind_ipb

MIB = 1 << 20
FILLER = b"the quick brown fox 42 jumps over the lazy dog 7 times "


def filled(open_text, close_text, size):
    body = size - len(open_text) - len(close_text)
    return open_text + (FILLER * (body // len(FILLER) + 1))[:body] + close_text


def mixed_sql(corpus, size):
    preferred = corpus / "grammars-v4" / "mysql.rec"
    files = [preferred] if preferred.is_file() else sorted(corpus.rglob("*.rec"))
    pieces = [sql.replace(b";", b"") + b"\n"
              for path in files for dialect, sql in read_records(path) if dialect == 32 and sql.replace(b";", b"")]
    if not pieces:
        raise RuntimeError(f"no MySQL statements under {corpus}")
    text = bytearray()
    while len(text) < size:
        for piece in pieces:
            text += piece
            if len(text) >= size:
                break
    return bytes(text[:size])


def read_records(path):
    data = path.read_bytes()
    i = 0
    while i < len(data):
        j = data.index(b"\n", i)
        dialect, n = map(int, data[i:j].split())
        yield dialect, data[j + 1:j + 1 + n]
        i = j + 2 + n


SHAPES = [
    ("mixed SQL", 32, mixed_sql),
    ("string", 32, lambda corpus, size: filled(b"'", b"'", size)),
    ("quoted name", 32, lambda corpus, size: filled(b"`", b"`", size)),
    ("quoted name", 64, lambda corpus, size: filled(b'"', b'"', size)),
    ("comment", 0, lambda corpus, size: filled(b"/*", b"*/", size)),
    ("dollar body", 64, lambda corpus, size: filled(b"$$", b"$$", size)),
    ("one-byte words", 32, lambda corpus, size: (b"a," * (size // 2 + 1))[:size]),
    ("one-byte words", 0, lambda corpus, size: (b"a," * (size // 2 + 1))[:size]),
    ("generic name", 0, lambda corpus, size: (b"abcdefghij" * (size // 10 + 1))[:size]),
    ("nested comment", 64, lambda corpus, size: filled(b"/*", b"*/", size)),
    ("q-quote", 1, lambda corpus, size: filled(b"q'[", b"]'", size)),
    ("open string", 32, lambda corpus, size: filled(b"'", b"", size)),
    ("sign run", 64, lambda corpus, size: b"1" + b"+" * (size - 2) + b"1"),
]


def main():
    parser = argparse.ArgumentParser(description="Instructions per byte of long statements under callgrind.")
    parser.add_argument("--harness", type=pathlib.Path,
                        default=callgrind_ipb.REPO / "build-bench" / "bench" / "split_corpus")
    parser.add_argument("--corpus", type=pathlib.Path,
                        help="folder of the mixed SQL statements (default: as bench/callgrind_ipb.py)")
    parser.add_argument("--accurate", action="store_true", help="measure the accurate profile")
    parser.add_argument("sizes", nargs="*", type=int, default=[4, 16, 64], help="sizes in MiB")
    args = parser.parse_args()
    if args.corpus is None:
        args.corpus = callgrind_ipb.default_corpus(args.harness)
    if not args.harness.is_file():
        sys.exit(f"long_shapes: no harness at {args.harness}; build the split_corpus target with -DSPLTWD_BENCH=ON")

    header = f"{'shape':<16} {'dialect':>7} " + " ".join(f"{str(size) + ' MiB':>10}" for size in args.sizes)
    print(header)
    print("-" * len(header))
    with tempfile.TemporaryDirectory(prefix="long_shapes.") as tmp:
        workdir = pathlib.Path(tmp)
        for number, (name, dialect, make) in enumerate(SHAPES):
            figures = []
            for size in args.sizes:
                text = make(args.corpus, size * MIB)
                record = workdir / "shape.rec"
                record.write_bytes(b"%d %d\n" % (dialect, len(text)) + text + b"\n")
                counts, instructions = callgrind_ipb.measure(args.harness, [str(record)], workdir,
                                                             number * 100 + size,
                                                             "accurate" if args.accurate else "classic")
                figures.append(instructions / counts["bytes"])
            print(f"{name:<16} {dialect:>7} " + " ".join(f"{figure:>10.1f}" for figure in figures), flush=True)


if __name__ == "__main__":
    try:
        main()
    except RuntimeError as error:
        sys.exit(f"long_shapes: {error}")
