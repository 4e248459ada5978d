"""The README's Python examples run as shown, and the package installs
where the python3 it was built for reads packages under the prefix."""
import doctest
import os
import re
import subprocess
import sys
from pathlib import Path

import pytest

from conftest import BUILD, SOURCE

FENCE = re.compile(r"^```(\w*)\n(.*?)^```", re.M | re.S)


def readme_section(name):
    readme = (SOURCE / "README.md").read_text()
    begin, end = f"<!-- python {name} begin -->", f"<!-- python {name} end -->"
    return readme[readme.index(begin) + len(begin):readme.index(end)]


def test_python_examples(tmp_path):
    section = readme_section("examples")
    blocks = FENCE.findall(section)
    session = "".join(body for kind, body in blocks if kind == "pycon")
    test = doctest.DocTestParser().get_doctest(session, {}, "README.md", str(SOURCE / "README.md"), 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    runner.run(test)
    assert runner.failures == 0 and runner.tries > 5

    # Each "$ " line of a console block is a command, the lines under it
    # what it prints; "python3" is the interpreter of the tests.
    (tmp_path / "python3").symlink_to(sys.executable)
    environment = dict(os.environ, PATH=f"{tmp_path}{os.pathsep}{os.environ['PATH']}")
    commands = []
    for kind, body in blocks:
        for line in body.splitlines(keepends=True) if kind == "console" else []:
            if line.startswith("$ "):
                commands.append([line[2:], ""])
            else:
                commands[-1][1] += line
    assert commands
    for command, expected in commands:
        run = subprocess.run(command, shell=True, cwd=SOURCE, env=environment, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, timeout=120)
        assert (run.returncode, run.stdout.decode()) == (0, expected), command


def test_install(tmp_path):
    """cmake --install puts the package in the folder that python3 reads
    packages from under the configured prefix; installed, it imports."""
    prefix, folder = os.environ["SPLTWD_INSTALL_PREFIX"], os.environ["SPLTWD_PYTHON_INSTALL_DIR"]
    subprocess.run(["cmake", "--install", str(BUILD), "--component", "python", "--prefix", str(tmp_path)],
                   check=True, stdout=subprocess.DEVNULL)
    package = tmp_path / folder / "spltwd"
    assert sorted(p.name.split(".")[0] for p in package.iterdir()) == ["__init__", "_spltwd", "_spltwd", "py"]
    environment = dict(os.environ, PYTHONPATH=str(tmp_path / folder))
    run = subprocess.run([sys.executable, "-c", "import spltwd, site, sys; print(spltwd.__file__); "
                          "print('\\n'.join(site.getsitepackages() + [site.getusersitepackages()] + sys.path))"],
                         env=environment, stdout=subprocess.PIPE, check=True, text=True)
    imported, *searched = run.stdout.splitlines()
    assert Path(imported) == package / "__init__.py"
    if not any(Path(path).is_relative_to(prefix) for path in searched if path):
        pytest.skip(f"{sys.executable} reads no packages under the prefix {prefix}")
    assert str(Path(prefix) / folder) in searched
