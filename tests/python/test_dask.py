"""examples/dask_digest.py on a two-worker LocalCluster sums a generated
log up as sqlsplit --summary does: the same fingerprints, counts, bytes,
kinds, tables, normalised texts and examples, in the same order, and the
same table."""
import json
import os
import random
import subprocess
import sys

import pytest

from conftest import SOURCE, SQLSPLIT, run_sqlsplit

EXAMPLE = SOURCE / "examples" / "dask_digest.py"

# Statement shapes of a shop's log; {n} a number, {s} a string's body.
SHAPES = [
    "SELECT id, email, created_at FROM customers WHERE id = {n}",
    "select id, email, created_at from customers where id = {n} -- from the cache",
    "SELECT p.id, p.name FROM products p JOIN categories c ON c.id = p.category_id WHERE c.slug = '{s}'",
    "INSERT INTO orders (customer_id, total, status) VALUES ({n}, {n}.{n}, 'new'), ({n}, 0.5, '{s}')",
    "UPDATE products SET stock = stock - {n} WHERE id = {n}",
    "DELETE FROM sessions\r\nWHERE token = '{s};{s}' AND expires_at < NOW()",
    "SELECT *\nFROM `order_lines`\n  WHERE order_id IN ({n}, {n}, {n})",
    "SELECT 'O\\'Reilly; {s}', \"{s}\" FROM authors # who",
    "SELECT name FROM caf\xe9s WHERE city = 'K\xf6ln {s}'",
    "/* only a comment; {s} */",
    "BEGIN",
    "COMMIT",
    "",
]


def generated_log(path, rng, count):
    statements = []
    for _ in range(count):
        shape = rng.choice(SHAPES)
        statements.append(shape.replace("{n}", str(rng.randrange(10000)), 1)
                          .replace("{n}", str(rng.randrange(100))).replace("{s}", rng.choice(["a", "b c", "d'e"])))
    # Latin-1 bytes: the log holds bytes that are not UTF-8.
    path.write_bytes(";\n".join(statements).replace("d'e", "d''e").encode("latin-1") + b";\n-- end of log\n")


def dask_digest(*arguments):
    run = subprocess.run([sys.executable, str(EXAMPLE), *arguments], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, timeout=120, env=dict(os.environ, COLUMNS="100"))
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    return run.stdout


@pytest.fixture(scope="module")
def logs(tmp_path_factory):
    folder = tmp_path_factory.mktemp("logs")
    rng = random.Random(17)
    paths = [folder / f"audit-{hour:02d}.log" for hour in range(3)]
    for path in paths:
        generated_log(path, rng, 1500)
    return [str(path) for path in paths]


def test_counts_are_sqlsplits(logs):
    got = [json.loads(line) for line in dask_digest("--workers", "2", "--format", "jsonl", *logs).splitlines()]
    expected = [json.loads(line) for line in run_sqlsplit("--summary", "--format", "jsonl", *logs).splitlines()]
    assert sum(record["count"] for record in expected) > 3000
    assert got == expected


def test_table_is_sqlsplits(logs):
    # Worker threads in this process this time; the table cut to COLUMNS.
    got = dask_digest("--workers", "2", "--threads", *logs)
    expected = subprocess.run([str(SQLSPLIT), "--summary", *logs], stdout=subprocess.PIPE, check=True,
                              env=dict(os.environ, COLUMNS="100")).stdout
    assert got == expected
    # The top three alone: their counts, shares and fingerprints.
    top = dask_digest("--workers", "2", "--threads", "--top", "3", *logs).splitlines()
    assert [line.split()[:3] for line in top] == [line.split()[:3] for line in expected.splitlines()[:4]]
