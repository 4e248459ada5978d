"""The Python package's speed, in one run on the same statements:

  - words per second of spltwd.split, and of the lexer of python3-sqlparse
    (sqlparse.lexer.tokenize), the pure-Python lexer the package's users
    would otherwise pick; the budget is 100 times the peer's throughput on
    one thread;
  - statements per second of spltwd.digest_many on 1 and 2 threads; the
    budget is 1.7 times on 2 threads (on a machine with 2 cores or more).

    python3 bench/python_bench.py [--build DIR] [--corpus DIR] [--repeat N]

The statements are the *.rec files under --corpus (by default
../shared/corpus beside the repository, else the corpus the build
generates in BUILD/corpus/generated), each split in the dialect of its
record, as str, the type a Python program reads from a log; digests take
them all, as often as it takes to have 200,000.  Each measure is the best
of --repeat runs (default 5; twice that for digest_many, taking 1 and 2
threads in turn; the peer runs once: it takes seconds), the time to free
a run's result left out.  Exits with status 1 when a budget is missed.
"""
import argparse
import gc
import os
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent


def records(path):
    data = path.read_bytes()
    i = 0
    while i < len(data):
        j = data.index(b"\n", i)
        dialect, n = map(int, data[i:j].split())
        yield dialect, data[j + 1:j + 1 + n]
        i = j + 2 + n


def timed(run):
    """The time `run` takes, the processor time of the process meanwhile
    (of all its threads), and what it gave.  The caller frees the result of
    an earlier run first, so that its time is left out."""
    gc.collect()
    start, cpu = time.perf_counter(), time.process_time()
    result = run()
    return time.perf_counter() - start, time.process_time() - cpu, result


def best_of(repeat, run):
    """The shortest time of `repeat` runs, and what the last one gave."""
    best, result = float("inf"), None
    for _ in range(repeat):
        result = None
        elapsed, _, result = timed(run)
        best = min(best, elapsed)
    return best, result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=str(REPO / "build"), help="the build folder (default: build)")
    parser.add_argument("--corpus", help="folder of *.rec files (default: ../shared/corpus, else the generated one)")
    parser.add_argument("--repeat", type=int, default=5, help="runs of each measure of spltwd (default 5)")
    options = parser.parse_args()

    sys.path.insert(0, str(Path(options.build) / "python"))
    import spltwd
    import sqlparse.lexer

    corpus = Path(options.corpus) if options.corpus else REPO.parent / "shared" / "corpus"
    if not options.corpus and not corpus.is_dir():
        corpus = Path(options.build) / "corpus" / "generated"
    files = sorted(corpus.rglob("*.rec"))
    if not files:
        sys.exit(f"python_bench: no *.rec files under {corpus}")
    statements = [(dialect, sql.decode("utf-8", "surrogateescape")) for f in files for dialect, sql in records(f)]
    size = sum(len(sql.encode("utf-8", "surrogateescape")) for _, sql in statements)
    print(f"corpus: {corpus}, {len(files)} files, {len(statements)} statements, {size / 1e6:.2f} MB")

    def split_all():
        count = 0
        for dialect, sql in statements:
            count += len(spltwd.split(sql, dialect))
        return count

    def lex_all():
        count = 0
        for _, sql in statements:
            for _ in sqlparse.lexer.tokenize(sql):
                count += 1
        return count

    ours_time, ours_words = best_of(options.repeat, split_all)
    peer_time, peer_words = best_of(1, lex_all)
    ours_rate, peer_rate = ours_words / ours_time, peer_words / peer_time
    word_ratio = ours_rate / peer_rate
    byte_ratio = peer_time / ours_time
    print(f"spltwd.split:            {ours_words:9d} words in {ours_time:7.3f} s: "
          f"{ours_rate / 1e6:7.2f} M words/s, {size / ours_time / 1e6:8.1f} MB/s")
    print(f"sqlparse.lexer.tokenize: {peer_words:9d} words in {peer_time:7.3f} s: "
          f"{peer_rate / 1e6:7.2f} M words/s, {size / peer_time / 1e6:8.1f} MB/s")
    print(f"split / sqlparse: {word_ratio:.0f} times the words per second, "
          f"{byte_ratio:.0f} times the bytes per second (budget: 100)")

    # At least 200,000 statements a run, and runs on 1 and 2 threads taken
    # in turn, so that what else the machine runs meanwhile weighs on both.
    texts = [sql for _, sql in statements] * max(1, -(-200_000 // len(statements)))
    one_time = two_time = float("inf")
    one = two = None
    two_cores = 0.0  # processors the 2-thread runs had, on average, in the best one
    for _ in range(2 * options.repeat):
        one = two = None
        one_run, _, one = timed(lambda: spltwd.digest_many(texts, threads=1))
        two_run, cpu, two = timed(lambda: spltwd.digest_many(texts, threads=2))
        if two_run < two_time:
            two_cores = cpu / two_run
        one_time, two_time = min(one_time, one_run), min(two_time, two_run)
    if one != two:
        sys.exit("python_bench: digest_many gives other digests on 2 threads than on 1")
    speedup = one_time / two_time
    size = size * len(texts) // len(statements)
    print(f"digest_many, 1 thread:  {len(texts) / one_time / 1e3:8.1f} k statements/s, "
          f"{size / one_time / 1e6:6.1f} MB/s")
    print(f"digest_many, 2 threads: {len(texts) / two_time / 1e3:8.1f} k statements/s, "
          f"{size / two_time / 1e6:6.1f} MB/s: {speedup:.2f} times 1 thread (budget: 1.7)")
    # Other work on the machine takes processors from the threads: the
    # process's processor time over the run's time tells how many it had.
    print(f"digest_many, 2 threads: had {two_cores:.2f} of the {os.cpu_count()} processors on average")

    missed = []
    if min(word_ratio, byte_ratio) < 100:
        missed.append("split is not 100 times sqlparse's throughput")
    if speedup < 1.7 and (os.cpu_count() or 1) >= 2:
        missed.append("digest_many on 2 threads is not 1.7 times 1 thread")
    for why in missed:
        print(f"python_bench: budget missed: {why}")
    sys.exit(1 if missed else 0)


main()
