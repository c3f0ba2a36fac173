"""The README and docs/ are run, not just read.

In each Markdown file the ```python blocks run in order in one namespace, like cells of a notebook.
A ```text block that follows a python block (with at most prose between them) is that block's
output, compared with what reached file descriptor 1 (print() and the design reports alike); a
line "..." in it stands for any number of lines left out. A python block without such a block
must print nothing, and every text block must be the output of a python block, so no shown output
goes unchecked.
"""

import re
from pathlib import Path

import pytest

import plantwright

ROOT = Path(__file__).resolve().parent.parent
DOCUMENTS = [ROOT / "README.md", *sorted((ROOT / "docs").glob("*.md"))]
FENCE = re.compile(r"^```(\w*)[^\n]*\n(.*?)^```[ \t]*$", re.M | re.S)


def fenced_blocks(text):
    """(language, body, first line number) of each fenced block."""
    return [(m.group(1), m.group(2), text.count("\n", 0, m.start(2)) + 1) for m in FENCE.finditer(text)]


def cells(path):
    """(source, expected output or None, line) for each python block of a document."""
    blocks = fenced_blocks(path.read_text())
    result = []
    for index, (language, body, line) in enumerate(blocks):
        if language == "text":
            assert index and blocks[index - 1][0] == "python", f"{path.name}:{line}: text block that is no output"
        if language != "python":
            continue
        following = blocks[index + 1] if index + 1 < len(blocks) else None
        result.append((body, following[1] if following and following[0] == "text" else None, line))
    return result


def matches(expected, actual):
    """Whether actual has the lines of expected, where a line "..." skips any number of lines."""
    pattern = "".join(r"(?:.*\n)*?" if line == "..." else re.escape(line) + r"\n"
                      for line in expected.splitlines())
    return re.fullmatch(pattern, actual) is not None


@pytest.mark.parametrize("path", DOCUMENTS, ids=lambda p: p.relative_to(ROOT).as_posix())
def test_every_code_block_runs_and_prints_what_is_shown(path, capfd, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    found = cells(path)
    assert found, f"{path.name} has no python block"
    namespace = {"__name__": "__main__"}
    for source, expected, line in found:
        capfd.readouterr()
        exec(compile(source, f"{path.name}:{line}", "exec"), namespace)
        out, err = capfd.readouterr()
        assert err == "", f"{path.name}:{line} wrote to stderr:\n{err}"
        if expected is None:
            assert out == "", f"{path.name}:{line} printed output the document does not show:\n{out}"
        else:
            assert matches(expected, out), f"{path.name}:{line} printed:\n{out}\nbut the document shows:\n{expected}"


def test_every_member_has_an_example_in_the_api_guide():
    text = (ROOT / "docs" / "api.md").read_text()
    headings = {name for heading in re.findall(r"^#+ .*$", text, re.M) for name in re.findall(r"`([\w.]+)", heading)}
    for name in plantwright.__all__:
        cls = getattr(plantwright, name)
        members = {m for m in vars(cls) if not m.startswith("_")} | {"__new__"}
        for member in members:
            shown = name if member == "__new__" else f"{name}.{member}"
            assert shown in headings, f"docs/api.md has no section for {shown}"


def test_referenced_files_exist():
    for path in DOCUMENTS:
        for reference in re.findall(r"\b((?:examples|docs|tests|stubs)/[\w./-]+\.(?:py|md|pyi))\b", path.read_text()):
            assert (ROOT / reference).is_file(), f"{path.name} refers to {reference}, which does not exist"


@pytest.mark.parametrize(
    "expected, actual, same",
    [
        # Without "..." the output must be the same, line for line.
        ("a\nb\n", "a\nb\n", True),
        ("a\nb\n", "a\nb\nc\n", False),
        ("a\n", "a\n\n", False),
        # "..." skips any lines, none included, but keeps the order and the ends.
        ("a\n...\nd\n", "a\nb\nc\nd\n", True),
        ("a\n...\nd\n", "a\nd\n", True),
        ("a\n...\nd\n", "a\nb\nc\n", False),
        ("...\nc\n", "a\nb\nc\n", True),
        ("a\n...\n", "a\nb\n", True),
        ("b\n...\n", "a\nb\n", False),
        # Report lines with tabs and brackets are matched as text.
        ("\tGain (1.0 + 2.0j)\n", "\tGain (1.0 + 2.0j)\n", True),
        ("\tGain (1.0 + 2.0j)\n", "\tGain (1.0 + 2.5j)\n", False),
    ],
)
def test_output_matching(expected, actual, same):
    assert matches(expected, actual) is same
