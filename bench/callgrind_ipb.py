#!/usr/bin/env python3
"""Instructions per byte of the split call, counted by callgrind.

Usage:
    bench/callgrind_ipb.py [--accurate | --digest] [--harness PATH] [--corpus DIR] [FILE.rec ...]
    bench/callgrind_ipb.py --check BASELINE [--harness PATH] [--tolerance PERCENT]
    bench/callgrind_ipb.py --write-baseline BASELINE [--harness PATH]

Runs the split_corpus harness (built with -DSPLTWD_BENCH=ON; default
build-bench/bench/split_corpus in the repository) under

    valgrind --tool=callgrind --toggle-collect=Zoz_SQL_Split_Word

once per corpus file, once over all of them together, and on the single
statement "SELECT 1" (MySQL): the first split of a process, and one more
after it (the count of two splits less that of one).  The first pays once
for what a process sets up on its first call (the allocator's first block
of the stream's size, the library's default session); every later call
costs the second figure.  Only instructions executed inside
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

--check holds the line on the figures of a baseline file (bench/ipb_baseline.txt,
which CI checks): for the classic and the accurate profile, the instructions
over the corpus the harness's build generates (BUILD/corpus/generated, every
dialect, the same in every checkout) and those of "SELECT 1", first and again.  A figure
more than --tolerance percent (default 3) above its baseline fails the check;
one as far below it is noted, so that the better figure gets committed.  When
the generated corpus differs from the one measured (its statements or bytes),
the figures cannot be compared and the check fails too.  --write-baseline
measures the same and writes the file.
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
    parser.add_argument("--check", type=pathlib.Path, metavar="BASELINE",
                        help="compare the classic and accurate figures on the generated corpus with this file's")
    parser.add_argument("--write-baseline", type=pathlib.Path, metavar="BASELINE",
                        help="measure what --check compares and write it to this file")
    parser.add_argument("--tolerance", type=float, default=3.0,
                        help="--check: percent a figure may rise above its baseline (default: %(default)s)")
    parser.add_argument("files", nargs="*", type=pathlib.Path, help="corpus files to measure")
    args = parser.parse_args()
    if args.accurate and args.digest:
        parser.error("--accurate and --digest measure different calls: give one")
    if args.check and args.write_baseline:
        parser.error("--check and --write-baseline: give one")
    if (args.check or args.write_baseline) and (args.accurate or args.digest or args.files or args.corpus):
        parser.error("--check and --write-baseline measure both profiles on the generated corpus: "
                     "give no profile, corpus or files")
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


BASELINE_HEAD = """\
# Instructions of the split call that CI holds the line on (.ci/run runs
# bench/callgrind_ipb.py --check on this file): a figure more than 3% above
# its line here fails the run; one more than 3% below is noted, and then
# the better figure belongs here.
#
# Counted by callgrind in a Release build of the bench harness, over the
# corpus that build generates (every dialect; the same in every checkout)
# and over "SELECT 1" (MySQL): a process's first split, and one more split
# after it (select-1-again).  Refresh after making the split faster,
# or when the generated corpus changes (the check then says so):
#
#   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DSPLTWD_BENCH=ON -DSPLTWD_TESTS=OFF
#   cmake --build build-bench -j2 --target split_corpus
#   python3 bench/callgrind_ipb.py --write-baseline bench/ipb_baseline.txt
#
# Written by: {command}
# Compiler: {compiler}
#
# profile   measure          statements      bytes  instructions
"""

GATED = [("classic", "corpus"), ("classic", "select-1"), ("classic", "select-1-again"),
         ("accurate", "corpus"), ("accurate", "select-1"), ("accurate", "select-1-again")]


def select_1(harness, workdir, number, mode):
    """Instructions of a process's first split of "SELECT 1", and of one more after it."""
    _, first = measure(harness, ["--select-1"], workdir, number, mode)
    _, both = measure(harness, ["--select-1", "2"], workdir, number, mode)
    return first, both - first


def gated_figures(harness):
    """(profile, measure) -> (statements, bytes, instructions) over the generated corpus and SELECT 1."""
    corpus = harness.resolve().parent.parent / "corpus" / "generated"
    files = sorted(corpus.glob("*.rec"))
    if not files:
        raise RuntimeError(f"no generated corpus under {corpus}: build the split_corpus target")
    figures = {}
    with tempfile.TemporaryDirectory(prefix="callgrind_ipb.") as tmp:
        workdir = pathlib.Path(tmp)
        for number, (mode, what) in enumerate(GATED):
            if what == "corpus":
                counts, instructions = measure(harness, [str(path) for path in files], workdir, number, mode)
                figures[(mode, what)] = (counts["statements"], counts["bytes"], instructions)
            elif what == "select-1":
                first, again = select_1(harness, workdir, number, mode)
                figures[(mode, what)] = (1, 8, first)
                figures[(mode, what + "-again")] = (1, 8, again)
    return figures


def compiler_of(harness):
    """The compiler that built the harness, from its build's CMake cache."""
    cache = harness.resolve().parent.parent / "CMakeCache.txt"
    try:
        for line in cache.read_text(errors="replace").splitlines():
            if line.startswith("CMAKE_CXX_COMPILER:"):
                path = line.split("=", 1)[1]
                version = subprocess.run([path, "--version"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                         text=True).stdout.splitlines()
                return version[0] if version else path
    except OSError:
        pass
    return "unknown"


def write_baseline(path, harness):
    figures = gated_figures(harness)
    lines = [BASELINE_HEAD.format(command="python3 bench/callgrind_ipb.py --write-baseline " + str(path),
                                  compiler=compiler_of(harness))]
    for mode, what in GATED:
        statements, size, instructions = figures[(mode, what)]
        lines.append(f"{mode:<9} {what:<14} {statements:>10} {size:>10} {instructions:>13}\n")
    path.write_text("".join(lines))
    print("".join(lines[1:]), end="")
    print(f"written to {path}")


def read_baseline(path):
    figures = {}
    for number, line in enumerate(path.read_text().splitlines(), 1):
        fields = line.split("#", 1)[0].split()
        if not fields:
            continue
        if len(fields) != 5 or not all(field.isdigit() for field in fields[2:]):
            raise RuntimeError(f"{path}:{number}: expected: profile measure statements bytes instructions")
        figures[(fields[0], fields[1])] = tuple(int(field) for field in fields[2:])
    missing = [f"{mode} {what}" for mode, what in GATED if (mode, what) not in figures]
    if missing:
        raise RuntimeError(f"{path}: no figure for {', '.join(missing)}")
    return figures


def check(path, harness, tolerance):
    """Prints each figure beside its baseline; returns whether none rose beyond the tolerance."""
    baseline = read_baseline(path)
    figures = gated_figures(harness)
    good = True
    print(f"{'profile':<9} {'measure':<14} {'baseline':>13} {'now':>13} {'per byte':>8} {'change':>8}")
    for key in GATED:
        statements, size, instructions = figures[key]
        base_statements, base_size, base_instructions = baseline[key]
        mode, what = key
        if (statements, size) != (base_statements, base_size):
            print(f"{mode:<9} {what:<14} the input differs from the one measured: {statements} statements of "
                  f"{size} bytes, the baseline's {base_statements} of {base_size}")
            good = False
            continue
        change = 100.0 * (instructions - base_instructions) / base_instructions
        verdict = ""
        if change > tolerance:
            verdict = "  ROSE: more than {:g}% above the baseline".format(tolerance)
            good = False
        elif change < -tolerance:
            verdict = "  fell: commit the better figure (--write-baseline)"
        print(f"{mode:<9} {what:<14} {base_instructions:>13} {instructions:>13} {instructions / size:>8.1f} "
              f"{change:>+7.1f}%{verdict}")
    if not good:
        print(f"\ncallgrind_ipb: the split takes more instructions than {path} allows, or its input changed.\n"
              f"If that is meant (the generated corpus changed, a fault fixed at a cost), refresh the file as "
              f"its head says and tell why in the commit.")
    return good


def main():
    args = parse_args()
    mode = "digest" if args.digest else "accurate" if args.accurate else "classic"
    if not args.harness.is_file():
        sys.exit(f"callgrind_ipb: no harness at {args.harness}; "
                 "build the split_corpus target with -DSPLTWD_BENCH=ON")
    if args.write_baseline:
        write_baseline(args.write_baseline, args.harness)
        return
    if args.check:
        sys.exit(0 if check(args.check, args.harness, args.tolerance) else 1)
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
        first, again = select_1(args.harness, workdir, len(runs), mode)
    what = "digest" if mode == "digest" else "split"
    print(f'\none {what} of "SELECT 1" (MySQL): {first} instructions as the first of a process, '
          f'{again} as any later one')


if __name__ == "__main__":
    try:
        main()
    except RuntimeError as error:
        sys.exit(f"callgrind_ipb: {error}")
