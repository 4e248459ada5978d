#!/usr/bin/env python3
"""Statement digests of SQL logs on a Dask cluster, summed up by fingerprint.

    dask_digest.py [--scheduler ADDRESS | --workers N [--threads]] [--dialect NAME]
                   [--format table|jsonl] [--top N] FILE...

Reads each FILE with dask.bag, whole and as bytes (a file is one
partition: rotate a large log into several files to spread it over the
workers); a worker cuts it into statements (spltwd.statements), digests
them (spltwd.digest_many) and sums them up by fingerprint, and the sums
of all files are merged on the cluster.  It prints sqlsplit --summary's
table: one line per fingerprint, most frequent first, then most bytes of
statements, then by fingerprint, with its count, share of the
statements, kind, first three tables and normalised text (cut to the
terminal's width, else to COLUMNS); or with --format jsonl, the JSON
Lines of sqlsplit --summary --format jsonl.

Without --scheduler, a LocalCluster of --workers worker processes
(default 2, one thread each) runs on this machine, on the loopback
interface, without a dashboard; --threads makes them threads of this
process instead (digests run without the interpreter lock).  With
--scheduler, the workers of that scheduler do the work: each must import
spltwd and read the files by the names given.
"""
import argparse
import base64
import json
import logging
import os
import shutil
import sys

import dask
import dask.bag
from dask.bytes import read_bytes
from distributed import Client, LocalCluster

import spltwd


def file_summary(file_index, data, dialect):
    """One file's statements summed up by fingerprint: an entry
    (fingerprint, count, bytes, first, kind, tables, normalized, example)
    for each, where first is (file_index, offset) of its first statement
    and example that statement's bytes."""
    statements = list(spltwd.statements(data, dialect))
    digests = spltwd.digest_many([s.raw for s in statements], dialect, threads=1)
    entries = {}
    for statement, digest in zip(statements, digests):
        entry = entries.get(digest.fingerprint_hex)
        if entry is None:
            entries[digest.fingerprint_hex] = [digest.fingerprint_hex, 1, statement.end - statement.start,
                                               (file_index, statement.start), digest.kind, digest.tables,
                                               digest.normalized, statement.raw]
        else:
            entry[1] += 1
            entry[2] += statement.end - statement.start
    return [tuple(entry) for entry in entries.values()]


def merged(a, b):
    """Two entries of one fingerprint as one: the example is the first."""
    first = a if a[3] <= b[3] else b
    return (a[0], a[1] + b[1], a[2] + b[2]) + first[3:]


def summary(files, dialect):
    """The entries of all files, sorted as sqlsplit --summary sorts them."""
    _, blocks = read_bytes(files, delimiter=None, blocksize=None, sample=False)
    bag = dask.bag.from_delayed([dask.delayed(file_summary)(index, file_blocks[0], dialect)
                                 for index, file_blocks in enumerate(blocks)])
    entries = [entry for _, entry in bag.foldby(lambda entry: entry[0], merged, combine=merged).compute()]
    entries.sort(key=lambda entry: (-entry[1], -entry[2], entry[0]))
    return entries


def visible(text):
    """A text as sqlsplit's table shows it: line feeds, carriage returns,
    tabs and backslashes as \\n, \\r, \\t and \\\\, other control bytes and
    bytes that are not UTF-8 as \\xHH."""
    shown = []
    for character in text:
        code = ord(character)
        if character in "\n\r\t\\":
            shown.append({"\n": "\\n", "\r": "\\r", "\t": "\\t", "\\": "\\\\"}[character])
        elif code < 0x20 or code == 0x7F:
            shown.append(f"\\x{code:02x}")
        elif 0xDC80 <= code <= 0xDCFF:  # a byte that is not UTF-8, kept by surrogateescape
            shown.append(f"\\x{code - 0xDC00:02x}")
        else:
            shown.append(character)
    return "".join(shown)


def table_width():
    if sys.stdout.isatty():
        return shutil.get_terminal_size().columns
    columns = os.environ.get("COLUMNS", "")
    return int(columns) if columns.isdigit() else 0


def print_table(entries, total):
    if not entries:
        return
    tables = ["-" if not entry[5] else ", ".join(visible(name) for name in entry[5][:3]) for entry in entries]
    count_width = max([5] + [len(str(entry[1])) for entry in entries])
    kind_width = max([4] + [len(entry[4]) for entry in entries])
    tables_width = max([6] + [len(shown) for shown in tables])
    width = table_width()
    before_text = count_width + 2 + 6 + 2 + 16 + 2 + kind_width + 2 + tables_width + 2
    text_width = max(width - before_text, 16) if width else 0
    print(f"{'count':>{count_width}}   share  fingerprint       {'kind':<{kind_width}}  "
          f"{'tables':<{tables_width}}  normalized")
    for entry, shown_tables in zip(entries, tables):
        text = visible(entry[6])
        if text_width and len(text) > text_width:
            text = text[:text_width - 1] + "\u2026"
        share = f"{100 * entry[1] / total:5.1f}%"
        print(f"{entry[1]:>{count_width}}  {share:>6}  {entry[0]}  {entry[4]:<{kind_width}}  "
              f"{shown_tables:<{tables_width}}  {text}")


def json_text(raw):
    """Bytes as sqlsplit's JSON gives them: UTF-8 as it is, each other
    byte as the character of its value (U+0080 to U+00FF), and whether
    there was such a byte."""
    text = raw.decode("utf-8", "surrogateescape")
    if not any(0xDC80 <= ord(character) <= 0xDCFF for character in text):
        return text, False
    return "".join(chr(ord(c) - 0xDC00) if 0xDC80 <= ord(c) <= 0xDCFF else c for c in text), True


def text_fields(name, raw):
    """A text's field, and its exact bytes in base64 beside it when they
    are not UTF-8."""
    text, escaped = json_text(raw)
    fields = {name: text}
    if escaped:
        fields[name + "_base64"] = base64.b64encode(raw).decode("ascii")
    return fields


def print_jsonl(entries):
    for fingerprint, count, size, _, kind, tables, normalized, example in entries:
        raw_tables = [name.encode("utf-8", "surrogateescape") for name in tables]
        shown = [json_text(raw) for raw in raw_tables]
        record = {"fingerprint": fingerprint, "count": count, "bytes": size, "kind": kind,
                  "tables": [text for text, _ in shown]}
        if any(escaped for _, escaped in shown):
            record["tables_base64"] = [base64.b64encode(raw).decode("ascii") for raw in raw_tables]
        record.update(text_fields("normalized", normalized.encode("utf-8", "surrogateescape")))
        record.update(text_fields("example", example))
        print(json.dumps(record, ensure_ascii=False, separators=(",", ":")))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("files", nargs="+", metavar="FILE", help="SQL logs or scripts")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="a Dask scheduler's address (default: a LocalCluster)")
    parser.add_argument("--workers", type=int, default=2, help="the LocalCluster's workers (default 2)")
    parser.add_argument("--threads", action="store_true", help="the LocalCluster's workers as threads of this process")
    parser.add_argument("-d", "--dialect", default="mysql", help="the dialect's name or code (default mysql)")
    parser.add_argument("-f", "--format", choices=["table", "jsonl"], default="table")
    parser.add_argument("--top", type=int, default=0, metavar="N", help="the N most frequent fingerprints only")
    options = parser.parse_args()
    try:
        spltwd.digest(b"", options.dialect)
    except ValueError as error:
        parser.error(str(error))
    missing = [name for name in options.files if not os.path.isfile(name)]
    if missing:
        parser.error(f"cannot read {', '.join(missing)}")

    if options.scheduler:
        client = Client(options.scheduler, timeout=30)
    else:
        # Worker processes talk over the loopback interface; worker threads
        # within this process.
        where = {"processes": False} if options.threads else {"processes": True, "host": "127.0.0.1"}
        cluster = LocalCluster(n_workers=options.workers, threads_per_worker=1, dashboard_address=None,
                               silence_logs=logging.ERROR, **where)
        client = Client(cluster, timeout=30)
    with client:
        entries = summary(options.files, options.dialect)
    if not options.scheduler:
        cluster.close()
    total = sum(entry[1] for entry in entries)
    if options.top > 0:
        entries = entries[:options.top]
    if options.format == "jsonl":
        print_jsonl(entries)
    else:
        print_table(entries, total)


if __name__ == "__main__":
    main()
