#!/usr/bin/env python3
"""The generated help patches and reference page: they parse, every patch cord joins boxes
that exist at inlets and outlets they have, the reference page names every message, the
README's table is the generated one, and the help patches' message boxes, sent in order
through vorn-sim, give no error line.

The example patch made from examples/dome.vorn is checked in the same ways.

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


def max_patch(path):
    patcher = json.loads(path.read_text())["patcher"]
    for key in ("fileversion", "appversion", "classnamespace", "rect", "boxes", "lines"):
        check(key in patcher, f"{path.name}: the patcher has no {key}")
    boxes = [entry["box"] for entry in patcher["boxes"]]
    ids = [box["id"] for box in boxes]
    check(len(ids) == len(set(ids)), f"{path.name}: box ids repeat")
    by_id = {box["id"]: box for box in boxes}
    for box in boxes:
        check(len(box.get("outlettype", [])) == box["numoutlets"], f"{path.name}: {box['id']} outlet types")
    cords = []
    for entry in patcher["lines"]:
        (source, outlet), (destination, inlet) = entry["patchline"]["source"], entry["patchline"]["destination"]
        if check(source in by_id and destination in by_id, f"{path.name}: a cord from {source} to {destination}"):
            check(0 <= outlet < by_id[source]["numoutlets"], f"{path.name}: {source} has no outlet {outlet}")
            check(0 <= inlet < by_id[destination]["numinlets"], f"{path.name}: {destination} has no inlet {inlet}")
            cords.append((source, outlet, destination, inlet))
    # Message boxes in the order of the file; each message of a box on its own line.
    messages = [(box["id"], [part.strip() for part in box["text"].split(",")])
                for box in boxes if box["maxclass"] == "message"]
    objects = {box["id"]: box["text"] for box in boxes if box["maxclass"] == "newobj"}
    return messages, objects, cords


# Pd's own inlets and outlets of the objects that the help patch uses; the Vorn box is
# checked against the reference page, and a real Pd checks them all again when it opens it.
PD_OBJECTS = {"t": (1, None), "list": (2, 1), "print": (1, 0), "hsl": (1, 1)}


def pd_patch(path, vorn_ports):
    boxes = []  # (kind, text) in file order: Pd numbers them so, comments included
    cords = []
    for record in re.split(r"(?<!\\);\n", path.read_text()):
        words = record.split(" ")
        if words[0] == "#X" and words[1] == "connect":
            cords.append(tuple(int(w) for w in words[2:6]))
        elif words[0] == "#X" and words[1] in ("obj", "msg", "text", "floatatom"):
            text = " ".join(words[4:])
            text = re.sub(r", f \d+$", "", text).replace(" \\,", ",").replace(" \\;", ";")
            boxes.append((words[1], text))
    messages, objects = [], {}
    for index, (kind, text) in enumerate(boxes):
        if kind == "msg":
            messages.append((index, [part.strip() for part in text.split(",")]))
        if kind == "obj":
            objects[index] = text

    def ports(index):
        kind, text = boxes[index]
        if kind == "text":
            return 0, 0
        if kind != "obj":
            return 1, 1
        name, *arguments = text.split(" ")
        if name == "Vorn":
            return vorn_ports
        if name == "route":
            return (2 if len(arguments) == 1 else 1), len(arguments) + 1
        inlets, outlets = PD_OBJECTS.get(name, (1, 1))
        if name == "list" and arguments[0] == "trim":
            inlets = 1
        return inlets, len(arguments) if outlets is None else outlets

    for source, outlet, destination, inlet in cords:
        if check(source < len(boxes) and destination < len(boxes), f"{path.name}: cord {source} -> {destination}"):
            check(outlet < ports(source)[1], f"{path.name}: box {source} ({boxes[source][1]}) has no outlet {outlet}")
            check(inlet < ports(destination)[0], f"{path.name}: box {destination} has no inlet {inlet}")
    return messages, objects, cords


def run_message_boxes(name, vorn_sim, messages, objects, cords):
    """Sends every message box that reaches the Vorn box, in order, to the inlet it reaches."""
    vorn = [key for key, text in objects.items() if text.split(" ")[0] == "Vorn"]
    if not check(len(vorn) == 1, f"{name}: one Vorn box"):
        return
    box = vorn[0]
    script = ["!create " + " ".join(objects[box].split(" ")[1:])]
    for source, parts in messages:
        inlets = [inlet for (s, _, d, inlet) in cords if s == source and d == box]
        check(inlets, f"{name}: message box {parts} reaches no Vorn inlet")
        for inlet in inlets:
            script += [f">{inlet} {part}" for part in parts]
    result = subprocess.run([vorn_sim], input="\n".join(script) + "\n", capture_output=True, text=True)
    check(result.returncode == 0 and not result.stderr, f"{name}: vorn-sim: {result.stderr}")
    errors = [line for line in result.stdout.splitlines() if line.startswith("error:")]
    check(not errors, f"{name}: the message boxes gave errors: {errors}")
    # Every channel the box sends is routed to a number box.
    routed = set()
    for text in objects.values():
        if text.startswith("route "):
            routed |= set(text.split(" ")[1:])
    sent = {line.split(" ")[2] for line in result.stdout.splitlines() if line.startswith("outlet 0: ")}
    check(sent and sent <= routed, f"{name}: channels sent but not routed: {sorted(sent - routed)}")


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

        run_message_boxes("Vorn.maxhelp", vorn_sim, *max_patch(folder / "Vorn.maxhelp"))
        run_message_boxes("Vorn-help.pd", vorn_sim, *pd_patch(folder / "Vorn-help.pd", vorn_ports))
        for name in ("Vorn-dome.maxpat", "Vorn-dome.pd"):
            subprocess.run([vorn_docs, "--example", str(source / "examples/dome.vorn"), str(folder / name)], check=True)
        run_message_boxes("Vorn-dome.maxpat", vorn_sim, *max_patch(folder / "Vorn-dome.maxpat"))
        run_message_boxes("Vorn-dome.pd", vorn_sim, *pd_patch(folder / "Vorn-dome.pd", vorn_ports))
        info = json.loads((folder / "package-info.json").read_text())
        check(info["name"] == "Vorn" and info["version"] and info["homepatcher"] == "Vorn-dome.maxpat",
              f"package-info.json: {info}")
        for name in ("Vorn.maxhelp", "Vorn-help.pd", "Vorn.maxref.xml", "Vorn-dome.maxpat"):
            check("do not edit" in (folder / name).read_text(), f"{name} says it is generated")

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
