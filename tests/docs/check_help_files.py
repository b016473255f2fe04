#!/usr/bin/env python3
"""The generated help patches and reference page: they parse, every patch cord joins boxes
that exist at inlets and outlets they have, the reference page names every message, the
README's table is the generated one, and the help patches' message boxes, sent in order
through vorn-sim, give no error line.

The patches made from every example script are checked in the same ways.

usage: check_help_files.py VORN_DOCS VORN_SIM SOURCE_FOLDER"""
import json
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

from checks import check, finish
from patch_files import read_max, read_pd


SECTIONS = {"basic", "sound", "many-sources", "layouts", "masks-and-radius", "good-to-know"}


def max_patch(path):
    patcher = json.loads(path.read_text())["patcher"]
    for key in ("fileversion", "appversion", "classnamespace", "rect", "boxes", "lines"):
        check(key in patcher, f"{path.name}: the patcher has no {key}")
    canvases = read_max(path)
    for canvas in canvases:
        ids = [box.id for box in canvas.boxes]
        check(len(ids) == len(set(ids)), f"{path.name} [{canvas.name}]: box ids repeat")
        for box in canvas.boxes:
            check(len(box.outlettype) == box.outlets, f"{path.name}: {box.id} outlet types")
        for source, outlet, destination, inlet in canvas.cords:
            if check(source >= 0 and destination >= 0, f"{path.name} [{canvas.name}]: a cord to a box that is not"):
                check(0 <= outlet < canvas.boxes[source].outlets, f"{path.name}: {source} has no outlet {outlet}")
                check(0 <= inlet < canvas.boxes[destination].inlets, f"{path.name}: {destination} has no inlet {inlet}")
    # The help opens its sections as tabs.
    if path.suffix == ".maxhelp":
        tabs = [entry["box"]["patcher"] for entry in patcher["boxes"] if "patcher" in entry["box"]]
        check(all(tab.get("showontab") == 1 for tab in tabs), f"{path.name}: a subpatcher that is no tab")
        names = {canvas.name for canvas in canvases}
        check(SECTIONS <= names, f"{path.name}: the tabs {sorted(names)}")
        # Max may size the help's window from the root patcher: as large as the largest tab.
        root = canvases[0]
        check(all(root.width >= tab.width and root.height >= tab.height for tab in canvases[1:]),
              f"{path.name}: the root patcher is {root.width:.0f}x{root.height:.0f}, smaller than a tab")
    return canvases


# Pd's own inlets and outlets of the objects that the generated patches use (None: one
# outlet per argument); a real Pd checks them all again when it opens the help.
PD_OBJECTS = {"t": (1, None), "list": (2, 1), "print": (1, 0), "pack": (2, 1), "line~": (2, 1), "*~": (2, 1),
              "noise~": (1, 1), "loadbang": (1, 1), "s": (1, 0), "r": (0, 1), "pd": (0, 0), "spigot": (2, 1)}


def pd_patch(path, vorn_ports):
    canvases = read_pd(path)
    # The basics on the main window, the other sections as subpatches.
    if path.name == "Vorn-help.pd":
        names = {canvas.name for canvas in canvases}
        check(SECTIONS - {"basic"} <= names, f"{path.name}: the subpatches {sorted(names)}")

    def ports(box):
        if box.kind == "comment":
            return 0, 0
        if box.kind != "object":
            return 1, 1
        name, *arguments = box.text.split(" ")
        if name == "Vorn":
            return vorn_ports
        if name == "route":
            return (2 if len(arguments) == 1 else 1), len(arguments) + 1
        if name == "dac~":
            return len(arguments), 0
        inlets, outlets = PD_OBJECTS.get(name, (1, 1))
        if name == "list" and arguments[0] == "trim":
            inlets = 1
        return inlets, len(arguments) if outlets is None else outlets

    for canvas in canvases:
        boxes = canvas.boxes
        for source, outlet, destination, inlet in canvas.cords:
            if check(source < len(boxes) and destination < len(boxes), f"{path.name}: cord {source} -> {destination}"):
                check(outlet < ports(boxes[source])[1], f"{path.name}: box {source} ({boxes[source].text}) has no outlet {outlet}")
                check(inlet < ports(boxes[destination])[0], f"{path.name}: box {destination} has no inlet {inlet}")
    return canvases


def message_parts(box):
    return [part.strip() for part in box.text.split(",")]


def run_message_boxes(name, vorn_sim, canvases):
    """Every Vorn box of the patch, in a vorn-sim of its own, gets the message boxes that reach
    it (by a cord, or through [s NAME] and [r NAME]) in the order of the file, at the inlet
    they reach. Every message box that sends to no receiver reaches a Vorn box."""
    receivers = {}  # NAME: [(canvas, box index)] of [r NAME]
    for canvas in canvases:
        for index, box in enumerate(canvas.boxes):
            if box.kind == "object" and box.text.split(" ")[0] in ("r", "receive"):
                receivers.setdefault(box.text.split(" ", 1)[1], []).append((canvas, index))

    def reached(canvas, index, inlet=0, seen=()):
        """The (canvas, Vorn box, inlet) that a message leaving box `index` arrives at."""
        box = canvas.boxes[index]
        words = box.text.split(" ")
        if box.kind == "object" and words[0] == "Vorn":
            return [(id(canvas), index, inlet)]
        if box.kind == "object" and words[0] in ("s", "send"):
            return [hit for c, i in receivers.get(words[1], []) if (id(c), i) not in seen
                    for hit in reached(c, i, 0, seen + ((id(c), i),))]
        # [t a a] passes a message on from every outlet, [route end] the others from its last.
        passes = ("r", "receive", "t", "trigger", "route")
        if box.kind == "object" and words[0] not in passes or seen and box.kind == "message":
            return []
        hits = []
        for source, outlet, destination, destination_inlet in canvas.cords:
            if words[0] == "route" and outlet != len(words) - 1:
                continue
            if source == index and destination >= 0:
                hits += reached(canvas, destination, destination_inlet, seen + ((id(canvas), index),))
        return hits

    scripts = {}  # (canvas id, box): lines
    vorn_boxes = {}
    for canvas in canvases:
        for index, box in enumerate(canvas.boxes):
            if box.kind == "object" and box.text.split(" ")[0] == "Vorn":
                vorn_boxes[(id(canvas), index)] = (canvas, box)
                scripts[(id(canvas), index)] = ["!create " + " ".join(box.text.split(" ")[1:])]
    check(vorn_boxes, f"{name}: no Vorn box")
    for canvas in canvases:
        for index, box in enumerate(canvas.boxes):
            if box.kind != "message" or box.text.startswith(";"):
                continue
            hits = reached(canvas, index)
            # Audio on and off go to [dac~]; printing on and off to [spigot] or [gate].
            elsewhere = any(source == index and canvas.boxes[destination].text.split(" ")[0] in ("dac~", "spigot", "gate")
                            for source, _, destination, _ in canvas.cords)
            check(hits or elsewhere, f"{name}: message box {box.text[:50]} reaches no Vorn inlet")
            for canvas_id, vorn, inlet in hits:
                scripts[(canvas_id, vorn)] += [f">{inlet} {part}" for part in message_parts(box)]
    for key, script in scripts.items():
        canvas, box = vorn_boxes[key]
        result = subprocess.run([vorn_sim], input="\n".join(script) + "\n", capture_output=True, text=True)
        check(result.returncode == 0 and not result.stderr, f"{name}: vorn-sim: {result.stderr}")
        errors = [line for line in result.stdout.splitlines() if line.startswith("error:")]
        check(not errors, f"{name} [{canvas.name}]: the message boxes gave errors: {errors}")
        # Every channel the box sends is routed.
        routed = set()
        for other in canvas.boxes:
            if other.kind == "object" and other.text.startswith("route "):
                routed |= set(other.text.split(" ")[1:])
        sent = {line.split(" ")[2] for line in result.stdout.splitlines() if line.startswith("outlet 0: ")}
        check(sent and sent <= routed, f"{name} [{canvas.name}]: channels sent but not routed: {sorted(sent - routed)}")


def control_values(canvas, host):
    """What each inlet of the canvas's Vorn box gets from the control over it when the patch
    opens: a number box fed straight, or through [t b f] whose right outlet feeds the inlet; a
    Pd number shows its slider's starting value, a Max one what [loadmess set V] gives it."""
    boxes = canvas.boxes
    vorn = next(i for i, box in enumerate(boxes) if box.kind == "object" and box.text.startswith("Vorn "))

    def feeding(index):
        return [(source, outlet) for source, outlet, destination, _ in canvas.cords if destination == index]

    def shown(number):
        for source, _ in feeding(number):
            if boxes[source].kind == "slider":
                return boxes[source].value
            if boxes[source].text.startswith("loadmess set "):
                return float(boxes[source].text.split(" ")[2])
        return 0.0

    values = {}
    for source, outlet, destination, inlet in canvas.cords:
        if destination != vorn:
            continue
        if boxes[source].kind == "number":
            values[inlet] = shown(source)
        elif boxes[source].text == "t b f" and outlet == 1:
            numbers = [s for s, _ in feeding(source) if boxes[s].kind == "number"]
            if numbers:
                values[inlet] = shown(numbers[0])
    return values


def check_controls(name, canvas, host, vorn_sim):
    """The controls start where a new box stands, as "info" tells it."""
    info = subprocess.run([vorn_sim], input="!create hall\ninfo\n", capture_output=True, text=True).stdout
    state = dict(line.split(" ", 1)[1].split("=", 1) for line in info.splitlines() if "=" in line)
    expected = {0: float(state["azimuth"]), 1: float(state["elevation"]), 2: float(state["gain"])}
    values = control_values(canvas, host)
    check(values == expected, f"{name} [{canvas.name}]: the controls start at {values}, the box at {expected}")


def main():
    vorn_docs, vorn_sim, source = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    readme = source / "README.md"
    folder = Path(tempfile.mkdtemp())
    try:
        subprocess.run([vorn_docs, str(folder)], check=True)
        selectors = subprocess.run([vorn_docs, "--selectors"], check=True, capture_output=True,
                                   text=True).stdout.split()
        check("assist" not in selectors and "setup" in selectors, f"the selectors: {selectors}")

        reference = ElementTree.parse(folder / "Vorn.maxref.xml").getroot()
        check(reference.tag == "c74object" and reference.get("name") == "Vorn", "the reference page's root")
        methods = {method.get("name") for method in reference.iter("method")}
        # The side inlets' floats and Max's int are told under "float", as a user sends them.
        folded = {"int", "ft1", "ft2"}
        check(set(selectors) - folded <= methods,
              f"messages missing from the reference page: {set(selectors) - folded - methods}")
        check(not methods & folded, f"the reference page names host selectors: {methods & folded}")
        float_text = reference.findtext("methodlist/method[@name='float']/description")
        check(all(words in float_text for words in ("An int", "middle inlet", "right inlet")),
              f"the float method tells of neither int nor the side inlets: {float_text}")
        notes = [entry.get("name") for entry in reference.iter("entry")]
        check(notes and not any(name.isdigit() for name in notes), f"the notes' titles: {notes}")
        see_also = {entry.get("name") for entry in reference.iter("seealso")}
        check({"route", "line~", "*~", "mc.*~", "jweb"} <= see_also, f"the see-also list: {see_also}")
        check(all(m.findtext("description") for m in reference.iter("method")), "a method without description")
        # Arguments as the synopsis writes them, the bracketed ones optional.
        layer = [(arg.get("name"), arg.get("optional")) for arg in reference.find("methodlist/method[@name='layer']")
                 .iter("arg")]
        check(layer == [("layer", "0"), ("channel", "0"), ("azimuth", "0"), ("channel", "1"), ("azimuth", "1")],
              f"the arguments of layer: {layer}")
        check(not reference.find("methodlist/method[@name='end']").findall("arglist/arg"), "end takes no argument")
        vorn_ports = (len(reference.findall("inletlist/inlet")), len(reference.findall("outletlist/outlet")))
        check(vorn_ports == (3, 2), f"the reference page's inlets and outlets: {vorn_ports}")
        check(len(reference.findall("objarglist/objarg")) == 1, "the creation argument")

        max_help = max_patch(folder / "Vorn.maxhelp")
        pd_help = pd_patch(folder / "Vorn-help.pd", vorn_ports)
        run_message_boxes("Vorn.maxhelp", vorn_sim, max_help)
        run_message_boxes("Vorn-help.pd", vorn_sim, pd_help)
        check_controls("Vorn.maxhelp", next(c for c in max_help if c.name == "basic"), "max", vorn_sim)
        check_controls("Vorn-help.pd", pd_help[0], "pd", vorn_sim)
        for host, canvases in (("max", max_help), ("pd", pd_help)):
            sound = next(c for c in canvases if c.name == "sound")
            check(control_values(sound, host) == {0: 0.0}, f"{host}'s sound section: {control_values(sound, host)}")
        for script in sorted((source / "examples").glob("*.vorn")):
            max_name, pd_name = f"Vorn-{script.stem}.maxpat", f"Vorn-{script.stem}.pd"
            for name in (max_name, pd_name):
                subprocess.run([vorn_docs, "--example", str(script), str(folder / name)], check=True)
            run_message_boxes(max_name, vorn_sim, max_patch(folder / max_name))
            run_message_boxes(pd_name, vorn_sim, pd_patch(folder / pd_name, vorn_ports))
        info = json.loads((folder / "package-info.json").read_text())
        check(info["name"] == "Vorn" and info["version"] and info["homepatcher"] == "Vorn-dome.maxpat",
              f"package-info.json: {info}")
        # The files say they are generated where a user does not read it: in no box.
        for name in ("Vorn.maxhelp", "Vorn-dome.maxpat"):
            check("do not edit" in json.loads((folder / name).read_text())["patcher"].get("description", ""),
                  f"{name} does not say it is generated")
        for name in ("Vorn.maxhelp", "Vorn-help.pd", "Vorn-dome.maxpat", "Vorn-dome.pd"):
            read = read_max if name.endswith((".maxhelp", ".maxpat")) else read_pd
            shown = [box.text for canvas in read(folder / name) for box in canvas.boxes if "vorn-docs" in box.text]
            check(not shown, f"{name} shows its users a line meant for its developers: {shown}")
        check("do not edit" in (folder / "Vorn.maxref.xml").read_text(), "Vorn.maxref.xml says it is generated")

        for name in ("Vorn.maxref.xml", "Vorn-help.pd", "Vorn.maxhelp"):
            check(not re.search(r"\bft[12]\b", (folder / name).read_text()), f"{name} names ft1 or ft2")
        table = readme.read_text().split("<!-- messages:")[1].split("<!-- end of messages -->")[0]
        check(not re.search(r"\bft[12]\b|^\| int \|", table, re.M), "the README's table names ft1, ft2 or an int row")
        check("a float in the middle inlet" in table, "the README's table does not name the middle inlet's float")

        copy = folder / "README.md"
        shutil.copy(readme, copy)
        updated = subprocess.run([vorn_docs, "--readme", str(copy)]).returncode == 0
        check(updated and copy.read_text() == readme.read_text(),
              "the README's table of messages is not the generated one: run build/bin/vorn-docs --readme README.md")
    finally:
        shutil.rmtree(folder)
    return finish()


if __name__ == "__main__":
    sys.exit(main())
