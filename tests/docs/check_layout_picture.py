#!/usr/bin/env python3
"""vorn-sim --svg: the picture parses, has one cell per loudspeaker of the map (the cells of
the last mask-editor export), shades each by the last amplitude sent, wraps cells that cross
the edges, keeps the solo layers apart, and docs/dome.svg is the picture of examples/dome.vorn
(as docs/front-pair-*.svg are of examples/front-pair-*.vorn).

usage: check_layout_picture.py VORN_SIM SOURCE_FOLDER"""
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

from checks import check, finish

SVG = "{http://www.w3.org/2000/svg}"


def picture(vorn_sim, script, folder):
    """The transcript of a script and the picture vorn-sim drew of it."""
    path = Path(folder) / "layout.svg"
    result = subprocess.run([vorn_sim, "--svg", str(path)], input=script, capture_output=True, text=True)
    check(result.returncode == 0, f"vorn-sim --svg failed: {result.stderr}")
    return result.stdout.splitlines(), path


def last_export(transcript):
    """Channels of the cell messages of the last mask-editor export."""
    channels = []
    for line in transcript:
        words = line.split()
        if words[:3] == ["outlet", "1:", "mask-editor"]:
            if words[3] == "start":
                channels = []
            elif len(words) == 11:
                channels.append(int(words[3]))
    return channels


def last_amplitudes(transcript):
    amplitudes = {}
    for line in transcript:
        words = line.split()
        if words[:2] == ["outlet", "0:"]:
            amplitudes[int(words[2].rsplit("-", 1)[1])] = float(words[3])
    return amplitudes


def lightness(fill):
    return sum(int(part) for part in fill[4:-1].split(","))


def cells_of(path):
    root = ElementTree.parse(path).getroot()
    return {int(g.get("data-channel")): g for g in root.iter(SVG + "g") if g.get("class") == "cell"}


def check_picture(name, transcript, path):
    cells = cells_of(path)
    export = last_export(transcript)
    check(sorted(cells) == sorted(export), f"{name}: cells {sorted(cells)}, loudspeakers {sorted(export)}")
    amplitudes = last_amplitudes(transcript)
    for channel, cell in cells.items():
        if channel in amplitudes:
            check(abs(float(cell.get("data-amplitude")) - amplitudes[channel]) < 1e-6,
                  f"{name}: channel {channel} drawn at {cell.get('data-amplitude')}, sent {amplitudes[channel]}")
    # Louder is darker, everywhere.
    ranked = sorted((float(c.get("data-amplitude")), lightness(c.get("fill"))) for c in cells.values())
    for (quiet, light), (loud, dark) in zip(ranked, ranked[1:]):
        check(dark <= light and (loud - quiet < 0.01 or dark < light),
              f"{name}: amplitude {loud} is not darker than {quiet}")
    return cells


def main():
    vorn_sim, source = sys.argv[1], Path(sys.argv[2])
    with tempfile.TemporaryDirectory() as folder:
        dome = (source / "examples/dome.vorn").read_text()
        transcript, path = picture(vorn_sim, dome, folder)
        cells = check_picture("dome", transcript, path)
        check(len(cells) == 39, f"dome: {len(cells)} cells")
        check(cells[9].get("data-mask") == "0.5", "dome: the mask of channel 9")
        check(all(int(cells[c].get("data-layer")) < 0 for c in (38, 39)), "dome: the subwoofers in a solo layer")
        check(len({float(c.get("data-amplitude")) for c in cells.values()}) > 5, "dome: too few shades to compare")
        check(path.read_text() == (source / "docs/dome.svg").read_text(),
              "docs/dome.svg is not the picture of examples/dome.vorn: run make docs")
        for name in ("front-pair-plain", "front-pair-filled"):
            transcript, path = picture(vorn_sim, (source / f"examples/{name}.vorn").read_text(), folder)
            check_picture(name, transcript, path)
            check(path.read_text() == (source / f"docs/{name}.svg").read_text(),
                  f"docs/{name}.svg is not the picture of examples/{name}.vorn: run make docs")

        # Two loudspeakers: each cell is 180 wide. Seen as the mask editor shows it, azimuth 0
        # ahead in the middle and left on the left: the cell at 0 spans the middle half and the
        # one at 180 crosses both edges.
        transcript, path = picture(vorn_sim, "setup 0\nlayer 0 1 0 2 180\nend\nmask 2 0.25\n90.\n", folder)
        cells = check_picture("pair", transcript, path)
        front = [(float(r.get("x")), float(r.get("width"))) for r in cells[1].findall(SVG + "rect")]
        check(front == [(60 + 90 * 3, 180 * 3)], f"pair: the cell at 0 drawn at {front}, not the middle half")
        check(len(cells[2].findall(SVG + "rect")) == 2, "pair: the cell at 180 is not drawn on both edges")
        source = [g for g in ElementTree.parse(path).getroot().iter(SVG + "g") if g.get("class") == "source"][0]
        check(float(source.find(SVG + "circle").get("cx")) == 60 + 90 * 3,
              "pair: the source at azimuth 90 is not halfway between the left edge and the middle")
        spread = [g for g in ElementTree.parse(path).getroot().iter(SVG + "g") if g.get("class") == "spread"]
        check(len(spread) == 1 and spread[0].get("data-radius") == "1", "pair: the radius of a new box")

        # A box without loudspeakers, and a refused radius that leaves the one before.
        transcript, path = picture(vorn_sim, "radius 40\nradius 400\n", folder)
        check(cells_of(path) == {}, "empty: cells drawn")
        spread = [g for g in ElementTree.parse(path).getroot().iter(SVG + "g") if g.get("class") == "spread"]
        check(spread[0].get("data-radius") == "40", f"empty: radius {spread[0].get('data-radius')}")

    return finish()


if __name__ == "__main__":
    sys.exit(main())
