#!/usr/bin/env python3
"""docs/spread-level.svg is the level plot of examples/dome.vorn as this build pans it: the
level it marks at each radius, under both laws, is the one vorn-sim gives now, and the
constant-power law keeps the level of radius 1.

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
    sys.exit(finish())


if __name__ == "__main__":
    main()
