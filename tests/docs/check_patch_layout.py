#!/usr/bin/env python3
"""Every generated patch, as its host draws it (the help of both hosts with every tab and
subpatch, and every example as a Max and a Pd patch): no two boxes overlap, every box lies
inside its window, no window is taller than a laptop's screen, no cord runs through a box or a
comment, Max's text fits in the rectangle written for it, and every number box that shows a
channel's amplitude has the channel's name written beside it.

usage: check_patch_layout.py VORN_DOCS SOURCE_FOLDER"""
import subprocess
import sys
import tempfile
from pathlib import Path

from checks import check, finish
from patch_files import MAX_LINE_HEIGHT, cord_ends, read_max, read_pd

LABEL_REACH = 20  # pixels between a number box and the name of its channel
TALLEST_WINDOW = 1000  # a 1080-pixel screen less the window's title and the menus


def crosses(start, end, box):
    """Whether the straight segment from `start` to `end` passes through the inside of the
    box (a pixel in from its edges, so that a cord may graze a corner)."""
    left, top, right, bottom = box.x + 1, box.y + 1, box.x + box.width - 1, box.y + box.height - 1
    (x0, y0), (x1, y1) = start, end
    # Clip the segment's parameter range to the box's slabs (Liang-Barsky).
    low, high = 0.0, 1.0
    for delta, origin, minimum, maximum in ((x1 - x0, x0, left, right), (y1 - y0, y0, top, bottom)):
        if delta == 0:
            if not minimum < origin < maximum:
                return False
            continue
        t0, t1 = (minimum - origin) / delta, (maximum - origin) / delta
        low, high = max(low, min(t0, t1)), min(high, max(t0, t1))
        if low >= high:
            return False
    return True


def gap(a, b):
    """The distance between two rectangles; negative when they overlap."""
    dx = max(a.x - (b.x + b.width), b.x - (a.x + a.width))
    dy = max(a.y - (b.y + b.height), b.y - (a.y + a.height))
    return max(dx, dy)


def describe(box):
    return f"{box.kind} \"{box.text[:40]}\" at {box.x:.0f},{box.y:.0f} ({box.width:.0f}x{box.height:.0f})"


def check_canvas(name, canvas, host):
    where = f"{name} [{canvas.name}]"
    boxes = canvas.boxes
    check(canvas.height <= TALLEST_WINDOW, f"{where}: the window is {canvas.height:.0f} px tall")
    for cord in canvas.cords:
        start, end = cord_ends(canvas, cord, host)
        for index, box in enumerate(boxes):
            if index not in (cord[0], cord[2]) and crosses(start, end, box):
                check(False, f"{where}: the cord from {describe(boxes[cord[0]])} to {describe(boxes[cord[2]])} "
                             f"runs through {describe(box)}")
    for i, a in enumerate(boxes):
        check(a.x >= 0 and a.y >= 0 and a.x + a.width <= canvas.width and a.y + a.height <= canvas.height,
              f"{where}: {describe(a)} is outside the window ({canvas.width:.0f}x{canvas.height:.0f})")
        for b in boxes[i + 1:]:
            check(gap(a, b) > 0, f"{where}: {describe(a)} and {describe(b)} overlap")
        if host == "max" and a.kind in ("object", "message", "comment"):
            check(len(a.lines) * MAX_LINE_HEIGHT + 6 <= a.height,
                  f"{where}: {describe(a)} holds {len(a.lines)} lines of Arial 12")
            check(a.kind != "object" or len(a.lines) == 1, f"{where}: {describe(a)} wraps")
    # A number box fed by [route ... CONTEXT-N ...] shows channel N: its name stands beside it.
    for source, outlet, destination, _ in canvas.cords:
        if source < 0 or destination < 0:
            continue
        router, number = boxes[source], boxes[destination]
        words = router.text.split(" ")
        if number.kind != "number" or words[0] != "route" or outlet + 1 >= len(words):
            continue
        channel = words[outlet + 1]
        labels = [box for box in boxes if box.kind == "comment" and channel in box.text.split(" ")
                  and gap(box, number) <= LABEL_REACH]
        check(labels, f"{where}: the number box of {channel} at {number.x:.0f},{number.y:.0f} has no label")


def main():
    vorn_docs, source = sys.argv[1], Path(sys.argv[2])
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        subprocess.run([vorn_docs, str(folder)], check=True)
        patches = [("Vorn.maxhelp", "max"), ("Vorn-help.pd", "pd")]
        for script in sorted((source / "examples").glob("*.vorn")):
            for suffix, host in ((".maxpat", "max"), (".pd", "pd")):
                name = f"Vorn-{script.stem}{suffix}"
                subprocess.run([vorn_docs, "--example", str(script), str(folder / name)], check=True)
                patches.append((name, host))
        for name, host in patches:
            canvases = (read_max if host == "max" else read_pd)(folder / name)
            check(canvases and canvases[0].boxes, f"{name}: no boxes")
            for canvas in canvases:
                check_canvas(name, canvas, host)
        print(f"{len(patches)} patches checked")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
