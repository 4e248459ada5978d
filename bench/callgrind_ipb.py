#!/usr/bin/env python3
"""Instructions per byte of the split call, counted by callgrind.

Usage:
    bench/callgrind_ipb.py [--accurate | --digest] [--harness PATH] [--corpus DIR] [FILE.rec ...]

Runs the split_corpus harness (built with -DSPLTWD_BENCH=ON; default
build-bench/bench/split_corpus in the repository) under

    valgrind --tool=callgrind --toggle-collect=Zoz_SQL_Split_Word

once per corpus file, once over all of them together, and once on the single
statement "SELECT 1" (MySQL).  Only instructions executed inside
Zoz_SQL_Split_Word and what it calls are counted (with --accurate: inside
spltwd_split, on a context of the accurate profile; with --digest: inside
spltwd_digest_statement, the accurate split it runs included): reading the
files, walking the streams and freeing them are not.  The library's debug lines go to
/dev/null (the harness diverts them).  The harness runs with LD_BIND_NOW=1.

Without FILE arguments every *.rec file under the corpus folder is taken
(default: ../shared/corpus next to the repository when it holds any, else
the corpus generated in the harness's build, BUILD/corpus/generated).
Prints a table: file, statements, bytes, instructions, instructions per
byte.  Needs valgrind and python3 only.  Exits non-zero when a run fails.
"""

import argparse
import os
import pathlib
import re
import subprocess
import sys
import tempfile

REPO = pathlib.Path(__file__).resolve().parent.parent


def parse_args():
    parser = argparse.ArgumentParser(
        description="Instructions per byte of Zoz_SQL_Split_Word under callgrind.")
    parser.add_argument("--harness", type=pathlib.Path,
                        default=REPO / "build-bench" / "bench" / "split_corpus",
                        help="the split_corpus executable (default: %(default)s)")
    parser.add_argument("--corpus", type=pathlib.Path,
                        help="folder searched for *.rec when no FILE is given (default: ../shared/corpus, "
                             "else the harness build's generated corpus)")
    parser.add_argument("--accurate", action="store_true",
                        help="measure the accurate profile (spltwd_split on a context)")
    parser.add_argument("--digest", action="store_true",
                        help="measure the statement digest (spltwd_digest_statement on a context)")
    parser.add_argument("files", nargs="*", type=pathlib.Path, help="corpus files to measure")
    args = parser.parse_args()
    if args.accurate and args.digest:
        parser.error("--accurate and --digest measure different calls: give one")
    if args.corpus is None:
        args.corpus = default_corpus(args.harness)
    return args


def default_corpus(harness):
    """../shared/corpus when it holds records, else the corpus the harness's build generated."""
    shared = REPO.parent / "shared" / "corpus"
    if any(shared.rglob("*.rec")):
        return shared
    return harness.resolve().parent.parent / "corpus" / "generated"


def instruction_total(out_file):
    """The Ir figure of a callgrind out file ("summary:", else "totals:")."""
    lines = out_file.read_text(errors="replace").splitlines()
    for key in ("summary:", "totals:"):
        for line in lines:
            if line.startswith(key):
                return int(line.split()[1])
    raise RuntimeError(f"{out_file}: no instruction total")


ENTRIES = {"classic": "Zoz_SQL_Split_Word", "accurate": "spltwd_split", "digest": "spltwd_digest_statement"}


def measure(harness, harness_args, workdir, run_number, mode):
    """Runs the harness under callgrind; returns (counts, instructions)."""
    out_file = workdir / f"callgrind.{run_number}.out"
    log_file = workdir / f"valgrind.{run_number}.log"
    entry = ENTRIES[mode]
    profile = [] if mode == "classic" else [f"--{mode}"]
    command = ["valgrind", "--tool=callgrind", f"--toggle-collect={entry}",
               f"--callgrind-out-file={out_file}", f"--log-file={log_file}",
               str(harness), *profile, *harness_args]
    # Symbols bound at load time: lazy binding would charge some 4000
    # instructions of the dynamic linker to the first split of each run.
    environment = dict(os.environ, LD_BIND_NOW="1")
    run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                         env=environment)
    if run.returncode != 0:
        log = log_file.read_text(errors="replace") if log_file.exists() else ""
        raise RuntimeError(f"{' '.join(command)} failed ({run.returncode}):\n{run.stderr}{log}")
    counts = dict(re.findall(r"(\w+)=(\d+)", run.stdout))
    if "statements" not in counts or "bytes" not in counts:
        raise RuntimeError(f"unexpected harness output: {run.stdout!r}")
    return {key: int(value) for key, value in counts.items()}, instruction_total(out_file)


def main():
    args = parse_args()
    mode = "digest" if args.digest else "accurate" if args.accurate else "classic"
    if not args.harness.is_file():
        sys.exit(f"callgrind_ipb: no harness at {args.harness}; "
                 "build the split_corpus target with -DSPLTWD_BENCH=ON")
    files = args.files or sorted(args.corpus.rglob("*.rec"))
    if not files:
        sys.exit(f"callgrind_ipb: no *.rec files under {args.corpus}")

    def label(path):
        try:
            return str(path.resolve().relative_to(args.corpus.resolve()))
        except ValueError:
            return str(path)

    runs = [(label(path), [str(path)]) for path in files]
    if len(files) > 1:
        runs.append(("all files", [str(path) for path in files]))

    header = f"{'file':<28} {'statements':>10} {'bytes':>10} {'instructions':>14} {'instr/byte':>10}"
    print(header)
    print("-" * len(header))
    with tempfile.TemporaryDirectory(prefix="callgrind_ipb.") as tmp:
        workdir = pathlib.Path(tmp)
        for number, (name, harness_args) in enumerate(runs):
            counts, instructions = measure(args.harness, harness_args, workdir, number, mode)
            per_byte = instructions / counts["bytes"] if counts["bytes"] else 0.0
            print(f"{name:<28} {counts['statements']:>10} {counts['bytes']:>10} "
                  f"{instructions:>14} {per_byte:>10.1f}", flush=True)
        _, instructions = measure(args.harness, ["--select-1"], workdir, len(runs), mode)
    what = "digest" if mode == "digest" else "split"
    print(f'\none {what} of "SELECT 1" (MySQL): {instructions} instructions')


if __name__ == "__main__":
    try:
        main()
    except RuntimeError as error:
        sys.exit(f"callgrind_ipb: {error}")
