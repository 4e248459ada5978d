"""sqlsplit's JSON Lines give back the input's exact bytes through Python's
own json module: "text" where it is UTF-8, "text_base64" where it is not.

    python3 jsonl_bytes.py SQLSPLIT
"""
import base64
import json
import subprocess
import sys

# No ";" or quote that a dialect could read otherwise; every kind of byte.
STATEMENTS = [
    b"select caf\xc3\xa9",         # well-formed UTF-8
    b"select caf\xe9",             # the same letter as one Latin-1 byte
    b"\xff\xfe bad \xc3",          # stray, truncated
    b"\xed\xa0\x80 \xc0\xaf",      # a surrogate, an overlong slash
    b"\xb1\xed\xa3\xac\xb1\xed",   # GBK text
    b"nul\0byte \x01\x1f\x7f",     # control bytes
    b"\xf0\x9f\x98\x80 \xe2\x82\xac",
]
DIALECTS = ["generic", "oracle", "sqlserver", "db2", "mysql", "postgresql", "informix"]


def restored(record):
    if "text_base64" in record:
        return base64.b64decode(record["text_base64"], validate=True)
    return record["text"].encode("utf-8")


def main():
    sqlsplit = sys.argv[1]
    script = b"".join(s + b";\n" for s in STATEMENTS)
    failures = []
    for dialect in DIALECTS:
        out = subprocess.run([sqlsplit, "-f", "jsonl", "-d", dialect], input=script,
                             stdout=subprocess.PIPE, check=True).stdout
        lines = out.decode("utf-8").splitlines()
        if len(lines) != len(STATEMENTS):
            failures.append(f"{dialect}: {len(lines)} lines for {len(STATEMENTS)} statements")
            continue
        for expected, line in zip(STATEMENTS, lines):
            statement = json.loads(line)
            if restored(statement) != expected:
                failures.append(f"{dialect}: statement {restored(statement)!r} is not {expected!r}")
            # Each word record is 8 bytes and the word's: the words' true
            # lengths add up to the split's result.
            stream = sum(8 + len(restored(word)) for word in statement["words"])
            if stream != max(statement["result"], 0):
                failures.append(f"{dialect}: words of {expected!r} make {stream} bytes, not {statement['result']}")
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


main()
