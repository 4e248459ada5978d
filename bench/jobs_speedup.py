#!/usr/bin/env python3
"""Wall time of sqlsplit on one thread and on several, on a large script.

Usage:
    bench/jobs_speedup.py [--sqlsplit PATH] [--corpus DIR] [--dialect NAME] [--megabytes N]
                          [--formats jsonl,digest] [--jobs 1,2] [--runs N] [--keep FILE]

Writes a script of about --megabytes MB (default 100) made of the corpus
records of one dialect (default mysql), each ended by ";" and a line feed,
the corpus repeated as often as it takes.  The corpus: ../shared/corpus
next to the repository when it holds records, else the generated one of a
build (BUILD/corpus/generated, from build-bench or build).  Then runs

    sqlsplit -d DIALECT -f FORMAT --jobs J SCRIPT > /dev/null

--runs times (default 3) for each format and each J, alternating the J so
that a change of the machine's load touches all of them alike, and prints
for each run the wall time, the processor time (user + system) and the
processors used (processor time / wall time), with the load average of the
minute before it; then per format the median wall time per J and the
speedup of each J over the first.  Others' work on the machine shows in the
load: measure when it is low.  Exits non-zero when a run fails.
"""

import argparse
import os
import pathlib
import statistics
import subprocess
import sys
import tempfile
import time

REPO = pathlib.Path(__file__).resolve().parent.parent
DIALECTS = {"generic": 0, "oracle": 1, "sqlserver": 2, "db2": 8, "mysql": 32, "postgresql": 64, "informix": 1024}


def parse_args():
    parser = argparse.ArgumentParser(description="sqlsplit --jobs: wall time on one thread and on several.")
    parser.add_argument("--sqlsplit", type=pathlib.Path, help="the sqlsplit executable "
                        "(default: build-bench/src/sqlsplit/sqlsplit, else build/src/sqlsplit/sqlsplit)")
    parser.add_argument("--corpus", type=pathlib.Path, help="folder searched for *.rec")
    parser.add_argument("--dialect", default="mysql", choices=sorted(DIALECTS))
    parser.add_argument("--megabytes", type=float, default=100.0)
    parser.add_argument("--formats", default="jsonl,digest")
    parser.add_argument("--jobs", default="1,2", help="thread counts, the first the reference (default: %(default)s)")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--keep", type=pathlib.Path, help="write the script here and keep it")
    args = parser.parse_args()
    if args.sqlsplit is None:
        candidates = [REPO / "build-bench" / "src" / "sqlsplit" / "sqlsplit", REPO / "build" / "src" / "sqlsplit" / "sqlsplit"]
        args.sqlsplit = next((path for path in candidates if path.is_file()), candidates[0])
    if args.corpus is None:
        shared = REPO.parent / "shared" / "corpus"
        builds = [REPO / name / "corpus" / "generated" for name in ("build-bench", "build")]
        args.corpus = shared if any(shared.rglob("*.rec")) else next(
            (folder for folder in builds if any(folder.glob("*.rec"))), builds[0])
    args.jobs = [int(count) for count in args.jobs.split(",")]
    args.formats = args.formats.split(",")
    return args


def records(corpus, dialect):
    """The statements of the corpus files in that dialect, in file order."""
    found = []
    for path in sorted(corpus.rglob("*.rec")):
        data = path.read_bytes()
        at = 0
        while at < len(data):
            header_end = data.index(b"\n", at)
            code, length = (int(field) for field in data[at:header_end].split())
            text = data[header_end + 1:header_end + 1 + length]
            at = header_end + 1 + length + 1
            if code == dialect:
                found.append(text)
    return found


def write_script(path, statements, size):
    chunk = b"".join(text + b";\n" for text in statements)
    with open(path, "wb") as out:
        written = 0
        while written < size:
            out.write(chunk)
            written += len(chunk)
    return written


def timed_run(command):
    """Wall time and user + system time of one run."""
    before = os.times()
    start = time.perf_counter()
    with open(os.devnull, "wb") as sink:
        run = subprocess.run(command, stdout=sink, stderr=subprocess.PIPE)
    wall = time.perf_counter() - start
    after = os.times()
    if run.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} failed ({run.returncode}): {run.stderr.decode(errors='replace')}")
    return wall, (after.children_user - before.children_user) + (after.children_system - before.children_system)


def main():
    args = parse_args()
    if not args.sqlsplit.is_file():
        sys.exit(f"jobs_speedup: no sqlsplit at {args.sqlsplit}")
    statements = records(args.corpus, DIALECTS[args.dialect])
    if not statements:
        sys.exit(f"jobs_speedup: no {args.dialect} records under {args.corpus}")
    with tempfile.TemporaryDirectory(prefix="jobs_speedup.") as tmp:
        script = args.keep or pathlib.Path(tmp) / "script.sql"
        size = write_script(script, statements, int(args.megabytes * 1e6))
        print(f"{script}: {size / 1e6:.1f} MB, {len(statements)} {args.dialect} statements of {args.corpus} repeated; "
              f"{os.cpu_count()} processors")
        print(f"{'format':<8} {'jobs':>4} {'run':>3} {'wall s':>8} {'cpu s':>8} {'cpus':>5} {'load':>5}")
        walls = {}
        for form in args.formats:
            for run in range(args.runs):
                for jobs in args.jobs:
                    load = os.getloadavg()[0]
                    command = [str(args.sqlsplit), "-d", args.dialect, "-f", form, "--jobs", str(jobs), str(script)]
                    wall, cpu = timed_run(command)
                    walls.setdefault((form, jobs), []).append(wall)
                    print(f"{form:<8} {jobs:>4} {run + 1:>3} {wall:>8.3f} {cpu:>8.3f} {cpu / wall:>5.2f} {load:>5.2f}",
                          flush=True)
        print()
        for form in args.formats:
            reference = statistics.median(walls[(form, args.jobs[0])])
            for jobs in args.jobs:
                median = statistics.median(walls[(form, jobs)])
                print(f"{form:<8} --jobs {jobs:<3} median {median:7.3f} s  {size / 1e6 / median:7.1f} MB/s  "
                      f"speedup {reference / median:5.2f}")


if __name__ == "__main__":
    try:
        main()
    except RuntimeError as error:
        sys.exit(f"jobs_speedup: {error}")
