"""Every example in the README, the documents in docs/ and the type stub's
docstrings runs and prints what it shows."""
import doctest
import re
from pathlib import Path

import pytest

from drovik import Drovik
from drovik_array import DrovikArray

ROOT = Path(__file__).resolve().parents[2]
DOCUMENTS = ["README.md", "docs/guide.md", "docs/api.md", "docs/coming-from-pint-or-astropy.md",
             "python/description.md", "python/drovik.pyi", "python/drovik_array.pyi"]
# Lines that would read as expected output: code fences, and the quotes that
# close a docstring.
FENCE = re.compile(r'^\s*(```.*|""")$', re.MULTILINE)


@pytest.mark.parametrize("name", DOCUMENTS)
def test_examples_run(name):
    text = FENCE.sub("", (ROOT / name).read_text(encoding="utf-8"))
    parser = doctest.DocTestParser()
    test = parser.get_doctest(text, {"Drovik": Drovik, "DrovikArray": DrovikArray}, name, name, 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    runner.run(test)
    results = runner.summarize(verbose=False)
    assert results.attempted > 0, f"{name} has no examples"
    assert results.failed == 0, f"{results.failed} example(s) in {name} failed (printed above)"


def spelling_rows():
    text = (ROOT / "docs/guide.md").read_text(encoding="utf-8")
    table = text.split("| you wrote | write |\n|---|---|\n", 1)[1].split("\n\n", 1)[0]
    for line in table.splitlines():
        wrote, write = line.strip("|").split(" | ")
        yield re.findall(r"`([^`]+)`", wrote), re.findall(r"`([^`]+)`", write)[0]


def resolves_strictly(text):
    try:
        return all(Drovik.unit(piece.rstrip("0123456789")) is not None
                   for piece in re.split(r"[./]", text) if piece not in ("", "1"))
    except LookupError:
        return False


@pytest.mark.parametrize("wrote, write", list(spelling_rows()))
def test_spelling_table_rows_hold(wrote, write):
    for word in wrote:
        assert not resolves_strictly(word), f"{word} is a catalogue spelling"
    if write.startswith("Drovik.custom("):
        assert isinstance(eval(write, {"Drovik": Drovik}), Drovik)
    else:
        assert resolves_strictly(write), write
