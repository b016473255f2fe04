#!/usr/bin/env python3
"""Rigs made by `vorn-layout --rig` for both hosts, read back as the hosts draw them: they
pass the help patches' checks (check_patch_layout.py), and besides, no two boxes overlap,
every box lies inside its window, no window is taller than 1000 pixels, and no cord runs
through a box other than its two ends. In the Max patcher every object is one that Max has,
every cord joins an outlet and an inlet that its boxes have, and every [p] box has the
inlets and outlets of the boxes inside it. Both hold one Vorn box per source and one outlet
(or [dac~ CH]) per loudspeaker with an output: none for imaginary ones.

usage: check_rig_patches.py VORN_LAYOUT SOURCE_FOLDER"""
import json
import subprocess
import sys
import tempfile
from pathlib import Path

import check_patch_layout
from checks import check, finish
from patch_files import read_max, read_pd

TALLEST = 1000
PORT = 7
# Max objects that a rig may hold: each exists in Max (and Vorn is ours).
MAX_OBJECTS = {"inlet", "outlet", "route", "t", "Vorn", "r", "s", "append", "line~", "*~", "send~", "receive~",
               "tapin~", "tapout~", "dac~", "loadbang", "p"}
# Pd's ports where a rig's boxes have other than one inlet and one outlet.
PD_PORTS = {"inlet": (0, 1), "inlet~": (0, 1), "outlet": (1, 0), "outlet~": (1, 0), "catch~": (0, 1),
            "throw~": (1, 0), "delwrite~": (1, 0), "s": (1, 0), "r": (0, 1), "line~": (2, 1), "*~": (2, 1),
            "Vorn": (3, 2), "dac~": (1, 0), "t": (1, 2), "list": (2, 1)}

def ports(box, host):
    if host == "max" or box.kind != "object":
        return box.inlets, box.outlets
    name = box.text.split(" ")[0]
    if name == "route":
        return 1, len(box.text.split(" "))
    if name == "pd" and hasattr(box, "subpatch"):
        inner = box.subpatch.boxes
        return (sum(b.text in ("inlet", "inlet~") for b in inner), sum(b.text in ("outlet", "outlet~") for b in inner))
    return PD_PORTS.get(name, (1, 1))


def port_x(box, port, count):
    return box.x + (box.width - PORT) * port / (count - 1) + PORT / 2 if count > 1 else box.x + PORT / 2


def crosses(x0, y0, x1, y1, box):
    """Whether the segment enters the box's inside (a pixel in from its edges)."""
    left, right, top, bottom = box.x + 1, box.x + box.width - 1, box.y + 1, box.y + box.height - 1
    t0, t1 = 0.0, 1.0
    dx, dy = x1 - x0, y1 - y0
    for p, q in ((-dx, x0 - left), (dx, right - x0), (-dy, y0 - top), (dy, bottom - y0)):
        if p == 0:
            if q < 0:
                return False
        else:
            t = q / p
            if p < 0:
                t0 = max(t0, t)
            else:
                t1 = min(t1, t)
            if t0 > t1:
                return False
    return True


def check_canvas(name, canvas, host):
    where = f"{name} [{canvas.name}]"
    boxes = canvas.boxes
    check(canvas.height <= TALLEST, f"{where}: the window is {canvas.height:.0f} pixels tall")
    for i, a in enumerate(boxes):
        check(a.x >= 0 and a.y >= 0 and a.x + a.width <= canvas.width and a.y + a.height <= canvas.height,
              f"{where}: \"{a.text[:30]}\" lies outside the window")
        for b in boxes[i + 1:]:
            apart = max(a.x - (b.x + b.width), b.x - (a.x + a.width), a.y - (b.y + b.height), b.y - (a.y + a.height))
            check(apart > 0, f"{where}: \"{a.text[:30]}\" and \"{b.text[:30]}\" overlap")
    for source, outlet, destination, inlet in canvas.cords:
        if not check(source >= 0 and destination >= 0, f"{where}: a cord to or from no box"):
            continue
        a, b = boxes[source], boxes[destination]
        outlets, inlets = ports(a, host)[1], ports(b, host)[0]
        check(outlet < outlets, f"{where}: \"{a.text[:30]}\" has no outlet {outlet}")
        check(inlet < inlets, f"{where}: \"{b.text[:30]}\" has no inlet {inlet}")
        x0, y0 = port_x(a, outlet, outlets), a.y + a.height
        x1, y1 = port_x(b, inlet, inlets), b.y
        low_x, high_x, low_y, high_y = min(x0, x1), max(x0, x1), min(y0, y1), max(y0, y1)
        for k, other in enumerate(boxes):
            if other.x > high_x or other.x + other.width < low_x or other.y > high_y or other.y + other.height < low_y:
                continue
            if k not in (source, destination):
                check(not crosses(x0, y0, x1, y1, other),
                      f"{where}: the cord from \"{a.text[:30]}\" to \"{b.text[:30]}\" runs through \"{other.text[:30]}\"")


def check_max_objects(name, path):
    def walk(patcher):
        boxes = {entry["box"]["id"]: entry["box"] for entry in patcher["boxes"]}
        for box in boxes.values():
            if box["maxclass"] == "newobj":
                check(box["text"].split(" ")[0] in MAX_OBJECTS, f"{name}: Max has no object \"{box['text']}\"")
            check(len(box.get("outlettype", [])) == box["numoutlets"], f"{name}: \"{box.get('text')}\"'s outlet types")
            if "patcher" in box:
                inner = [b["box"].get("text", "") for b in box["patcher"]["boxes"]]
                check(box["numinlets"] == inner.count("inlet") and box["numoutlets"] == inner.count("outlet"),
                      f"{name}: \"{box['text']}\" has other ports than the boxes inside it")
                walk(box["patcher"])
        for entry in patcher["lines"]:
            (source, outlet), (destination, inlet) = entry["patchline"]["source"], entry["patchline"]["destination"]
            check(source in boxes and destination in boxes, f"{name}: a cord joins a box that is not there")
            if source in boxes and destination in boxes:
                check(0 <= outlet < boxes[source]["numoutlets"] and 0 <= inlet < boxes[destination]["numinlets"],
                      f"{name}: a cord from outlet {outlet} of \"{boxes[source].get('text')}\" to inlet {inlet} "
                      f"of \"{boxes[destination].get('text')}\"")

    walk(json.loads(path.read_text())["patcher"])


def all_texts(canvases):
    return [box.text for canvas in canvases for box in canvas.boxes]


def main():
    vorn_layout, source = sys.argv[1], Path(sys.argv[2])
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        # (room, sources, options, outputs by channel, whether it is compensated)
        rigs = [("hall", str(source / "examples/hall.json"), 3, [], list(range(1, 8))),
                ("hall-dac", str(source / "examples/hall.json"), 2, ["--dac", "--ramp", "50"], list(range(1, 8))),
                ("studio-filled", str(source / "examples/studio.json"), 2, ["--fill-gaps"], list(range(1, 14))),
                ("dome-script", str(source / "examples/dome.vorn"), 2, [], None),
                ("7.1.4", "7.1.4", 4, [], list(range(1, 13))),
                ("large", "ring:64", 3, [], list(range(1, 65)))]
        for name, room, sources, options, outputs in rigs:
            for host, suffix in (("pd", ".pd"), ("max", ".maxpat")):
                made = subprocess.run([vorn_layout, room, "--rig", str(sources), "--format", host, *options],
                                      capture_output=True, text=True)
                if not check(made.returncode == 0, f"{name} for {host}: {made.stderr}"):
                    continue
                path = folder / f"{name}{suffix}"
                path.write_text(made.stdout)
                canvases = (read_pd if host == "pd" else read_max)(path)
                for canvas in canvases:
                    # The help's own checks, whatever they grow to, and the rig's.
                    check_patch_layout.check_canvas(path.name, canvas, host)
                    check_canvas(path.name, canvas, host)
                if host == "max":
                    check_max_objects(path.name, path)
                texts = all_texts(canvases)
                check(sum(text == "Vorn rig" for text in texts) == sources, f"{path.name}: not one Vorn box per source")
                main_texts = [box.text for box in canvases[0].boxes]
                out = "outlet~" if host == "pd" else "outlet"
                if "--dac" in options:
                    got = [int(text.split(" ")[1]) for text in main_texts if text.startswith("dac~ ")]
                    check(out not in main_texts, f"{path.name}: outlets beside the hardware outputs")
                else:
                    got = [i + 1 for i, text in enumerate(t for t in main_texts if t == out)]
                if outputs is not None:
                    check(got == outputs, f"{path.name}: outputs {got}, not {outputs}")
        # studio.json's imaginary loudspeaker and the gap fillers are panned to but have no output.
        studio = (folder / "studio-filled.pd").read_text()
        for channel in (14, 15):
            check(f"catch~ \\$0-ch-{channel}" not in studio and f"rig-{channel}" not in studio,
                  f"studio-filled.pd: imaginary channel {channel} has a bus")
        print(f"{2 * len(rigs)} rigs checked")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
