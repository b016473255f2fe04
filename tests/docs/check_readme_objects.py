#!/usr/bin/env python3
"""Every object the README shows in brackets (`[list trim]`, `[line~]` ...) creates in a real
Pd (`pd -nogui -batch`), unless the paragraph that shows it speaks of Max: a Pd user copies
what the README shows, and vanilla Pd has no [prepend]. The box itself is left to the tests
that load the external.

usage: check_readme_objects.py README   (exit 77 when Pd is not installed)"""
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from checks import check, finish


def shown_objects(readme):
    """(object text, paragraph) for every `[...]` of the README outside code blocks."""
    text = re.sub(r"```.*?```", "", readme.read_text(), flags=re.S)
    for paragraph in re.split(r"\n\s*\n", text):
        for name in re.findall(r"`\[([^\]`]+)\]`", paragraph):
            yield name, paragraph


def main():
    readme = Path(sys.argv[1])
    if not shutil.which("pd"):
        print("skipped: Debian's puredata-core is not installed (make deps installs it)")
        return 77
    shown = [(name, paragraph) for name, paragraph in shown_objects(readme) if name.split(" ")[0] != "Vorn"]
    check(shown, "the README shows no object")
    with tempfile.TemporaryDirectory() as folder:
        results = {}
        for name in sorted({name for name, _ in shown}):
            patch = Path(folder) / "object.pd"
            patch.write_text(f"#N canvas 0 0 300 200 12;\n#X obj 10 10 {name};\n")
            result = subprocess.run(["pd", "-nogui", "-batch", "-noprefs", "-stderr", "-open", str(patch),
                                     "-send", "pd quit"], capture_output=True, text=True, timeout=60)
            results[name] = "couldn't create" not in result.stdout + result.stderr
    for name, paragraph in shown:
        check(results[name] or re.search(r"\bMax\b", paragraph),
              f"[{name}] does not create in Pd, and its paragraph does not say it is Max's")
    print(f"{len(results)} objects: " + ", ".join(f"[{name}] {'in Pd' if ok else 'Max only'}"
                                                 for name, ok in sorted(results.items())))
    return finish()


if __name__ == "__main__":
    sys.exit(main())
