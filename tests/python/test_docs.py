"""Every example in the README, the documents in docs/ and the type stub's
docstrings runs and prints what it shows."""
import doctest
import re
from pathlib import Path

import pytest

from drovik import Drovik

ROOT = Path(__file__).resolve().parents[2]
DOCUMENTS = ["README.md", "docs/guide.md", "docs/api.md", "python/drovik.pyi"]
# Lines that would read as expected output: code fences, and the quotes that
# close a docstring.
FENCE = re.compile(r'^\s*(```.*|""")$', re.MULTILINE)


@pytest.mark.parametrize("name", DOCUMENTS)
def test_examples_run(name):
    text = FENCE.sub("", (ROOT / name).read_text(encoding="utf-8"))
    parser = doctest.DocTestParser()
    test = parser.get_doctest(text, {"Drovik": Drovik}, name, name, 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    runner.run(test)
    results = runner.summarize(verbose=False)
    assert results.attempted > 0, f"{name} has no examples"
    assert results.failed == 0, f"{results.failed} example(s) in {name} failed (printed above)"
