#!/usr/bin/env python3
"""Vorn-help.pd in a real Pd: it opens in `pd -nogui -batch` without an error line, every
box created and every cord connected; given the Pd external, its message boxes, sent in order
to a Vorn box in Pd, give no error line either. Without the external (a build that has not
made it), a stand-in abstraction with the box's three inlets and two outlets takes its place,
so that Pd still checks every cord to the box.

usage: open_pd_help.py VORN_DOCS [VORN_PD_LINUX]   (exit 77 when Pd is not installed)"""
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from checks import check, finish

STAND_IN = """#N canvas 0 0 200 120 12;
#X obj 10 10 inlet;
#X obj 60 10 inlet;
#X obj 110 10 inlet;
#X obj 10 60 outlet;
#X obj 60 60 outlet;
"""
# Every box of the help and its cords, as Pd reports them when it cannot make one.
TROUBLE = re.compile(r"error|couldn't create|connection failed|bad arguments|no method|\.\.\. ", re.I)


def pd(folder, *arguments):
    result = subprocess.run(["pd", "-nogui", "-batch", "-stderr", "-noprefs", "-path", str(folder), *arguments,
                             "-send", "pd quit"], capture_output=True, text=True, timeout=120)
    return result.returncode, (result.stdout + result.stderr).splitlines()


def message_boxes(patch):
    """The messages of the patch's message boxes, in file order, each of a box on its own."""
    messages = []
    for record in re.split(r"(?<!\\);\n", patch.read_text()):
        if record.startswith("#X msg "):
            text = re.sub(r", f \d+$", "", record.split(" ", 4)[4])
            messages += [part.strip() for part in text.split(" \\,")]
    return messages


def main():
    vorn_docs = sys.argv[1]
    external = Path(sys.argv[2]) if len(sys.argv) > 2 else None
    if not shutil.which("pd"):
        print("skipped: Debian's puredata-core is not installed (make deps installs it)")
        return 77
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        subprocess.run([vorn_docs, str(folder)], check=True)
        if external:
            shutil.copy(external, folder)
        else:
            print("note: without the Pd external, a stand-in abstraction takes the box's place")
            (folder / "Vorn.pd").write_text(STAND_IN)

        status, lines = pd(folder, "-open", str(folder / "Vorn-help.pd"))
        trouble = [line for line in lines if TROUBLE.search(line)]
        check(status == 0 and not trouble, f"opening Vorn-help.pd: status {status}, {trouble}")

        if external:
            (folder / "driver.pd").write_text("#N canvas 0 0 200 120 12;\n#X obj 10 10 r vorn-help;\n"
                                              "#X obj 10 40 Vorn hall;\n#X connect 0 0 1 0;\n")
            sends = []
            for message in message_boxes(folder / "Vorn-help.pd"):
                sends += ["-send", f"vorn-help {message}"]
            status, lines = pd(folder, "-open", str(folder / "driver.pd"), *sends)
            trouble = [line for line in lines if TROUBLE.search(line)]
            check(status == 0 and not trouble, f"the message boxes in Pd: status {status}, {trouble}")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
