"""The README's programs and consumer commands work as written, against an
installed tree in a fresh folder.

    python3 readme_consumer.py README BUILD_DIR WORK_DIR

Fenced blocks whose first line names a file ("// app.cpp", "# CMakeLists.txt")
are written to WORK_DIR.  Between the consumer markers, each "$ " line of a
console block is a command and the lines under it are what it must print;
the commands run one after another in one shell in WORK_DIR, with the
install prefix /opt/spltwd standing for a scratch prefix.
"""
import re
import shutil
import subprocess
import sys
from pathlib import Path

PREFIX = "/opt/spltwd"
BEGIN = "<!-- consumer examples begin -->"
END = "<!-- consumer examples end -->"
FENCE = re.compile(r"^```(\w*)\n(.*?)^```", re.M | re.S)
NAMED = re.compile(r"^(?://|#) ([\w.-]+\.(?:c|cpp|txt))\b")


def main():
    readme, build, work = Path(sys.argv[1]).read_text(), sys.argv[2], Path(sys.argv[3])
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    prefix = work / "prefix"
    subprocess.run(["cmake", "--install", build, "--prefix", str(prefix)], check=True, stdout=subprocess.DEVNULL)

    files = 0
    for _, body in FENCE.findall(readme):
        named = NAMED.match(body)
        if named:
            (work / named.group(1)).write_text(body)
            files += 1
    section = readme[readme.index(BEGIN):readme.index(END)]
    examples = []  # [command, expected output]
    for kind, body in FENCE.findall(section):
        if kind != "console":
            continue
        for line in body.splitlines():
            if line.startswith("$ "):
                examples.append([line[2:], ""])
            else:
                examples[-1][1] += line + "\n"
    if files < 3 or not examples:
        sys.exit(f"the README shows {files} named files and {len(examples)} commands")

    marker = "--- the command above ended with status"
    script = "".join(f"{command.replace(PREFIX, str(prefix))}\necho '{marker}' $?\n" for command, _ in examples)
    run = subprocess.run(["sh", "-c", script], cwd=work, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    # Output, status, output, status, ..., and what follows the last one.
    pieces = re.split(re.escape(marker) + r" (\d+)\n", run.stdout)
    failures = 0
    for i, (command, expected) in enumerate(examples):
        got, status = (pieces[2 * i], pieces[2 * i + 1]) if 2 * i + 1 < len(pieces) else (run.stdout, "?")
        if status != "0" or got != expected:
            failures += 1
            print(f"$ {command}\nended with status {status}; expected:\n{expected}got:\n{got}")
    sys.exit(1 if failures else 0)


main()
