#!/usr/bin/env python3
"""docs/spread-level.svg is the level plot of examples/dome.vorn as this build pans it: the
level it marks at each radius, under both laws, is the one vorn-sim gives now, the
constant-power law keeps the level of radius 1, and no text of it (legend, values) overlaps
another or a curve.

usage: check_level_plot.py VORN_SIM SOURCE_FOLDER"""
import math
import sys
import xml.etree.ElementTree as ElementTree
from pathlib import Path

from checks import check, finish

SVG = "{http://www.w3.org/2000/svg}"


def main():
    vorn_sim, source = sys.argv[1], Path(sys.argv[2])
    sys.path.insert(0, str(source / "scripts"))
    import level_plot

    config, ring = level_plot.configuration(str(source / "examples" / "dome.vorn"))
    reference = level_plot.layer_power(vorn_sim, config, ring, 0, 1, 10, 15)
    marks = [circle for circle in ElementTree.parse(source / "docs" / "spread-level.svg").getroot().iter(f"{SVG}circle")]
    check(len(marks) == 2 * len(level_plot.MARKED), f"{len(marks)} marked points")
    for mark in marks:
        law, radius, drawn = int(mark.get("data-law")), int(mark.get("data-radius")), float(mark.get("data-level"))
        level = 10 * math.log10(level_plot.layer_power(vorn_sim, config, ring, law, radius, 10, 15) / reference)
        check(abs(level - drawn) < 0.0005,
              f"power {law}, radius {radius}: {level:.3f} dB now, {drawn:.3f} in the plot: run make docs")
        if law == 1:
            check(abs(level) < 1e-9, f"power 1, radius {radius}: {level} dB")
    check_texts_apart(ElementTree.parse(source / "docs" / "spread-level.svg").getroot())
    sys.exit(finish())


def check_texts_apart(root):
    """Each unrotated text's box (12-pixel sans: about 7 pixels a character, 10 above its
    baseline and 2 below) clear of every other one and of every point of the curves."""
    boxes = []
    for text in root.iter(f"{SVG}text"):
        if text.get("transform"):
            continue
        width = 7 * len(text.text or "")
        x = float(text.get("x"))
        left = {"end": x - width, "middle": x - width / 2}.get(text.get("text-anchor"), x)
        y = float(text.get("y"))
        boxes.append((text.text, left, y - 10, left + width, y + 2))
    for i, (a, *box_a) in enumerate(boxes):
        for b, *box_b in boxes[i + 1:]:
            apart = box_a[2] <= box_b[0] or box_b[2] <= box_a[0] or box_a[3] <= box_b[1] or box_b[3] <= box_a[1]
            check(apart, f"the texts \"{a}\" and \"{b}\" overlap")
    for line in root.iter(f"{SVG}polyline"):
        for point in line.get("points").split():
            px, py = (float(v) for v in point.split(","))
            for text, left, top, right, bottom in boxes:
                check(not (left < px < right and top < py < bottom), f"the text \"{text}\" lies over a curve")


if __name__ == "__main__":
    main()
