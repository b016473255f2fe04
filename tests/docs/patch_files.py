"""The generated patch files read back: every canvas (a Pd subpatch, a Max tab) with its
window, its boxes and its cords, and each box's rectangle as its host draws it.

Pd draws its fixed-width font at the patch's size (at 12: 7 pixels a character, 16 a line) and
breaks a box's text at its width in characters, or at 60 when none is set, and after every
semicolon. Max keeps a box's rectangle as written; the text inside wraps in Arial 12, whose
advance widths are below, taken a tenth wider as hinting rounds them up."""
import json
import re
from dataclasses import dataclass, field

# Pd's fonts: the character width and line height of each font size it offers.
PD_FONTS = {8: (5, 11), 10: (6, 13), 12: (7, 16), 16: (10, 19), 24: (14, 29), 36: (22, 44)}
PD_DEFAULT_COLUMNS = 60
MAX_LINE_HEIGHT = 16
# Arial's advance widths in thousandths of the font size, from space (32) to tilde (126).
ARIAL = [278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,
         556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667,
         611, 778, 722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667,
         667, 611, 278, 278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500,
         222, 833, 556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584]


def arial_width(text):
    return sum(ARIAL[ord(c) - 32] if 32 <= ord(c) <= 126 else 1000 for c in text) * 12 / 1000 * 1.1


def wrap(text, fits):
    """Lines broken at spaces, and inside a word too long for a line; `fits(line)` says
    whether a line fits."""
    lines = []
    for paragraph in text.split("\n"):
        line = ""
        for word in paragraph.split(" "):
            joined = word if not line else line + " " + word
            if fits(joined):
                line = joined
                continue
            if line:
                lines.append(line)
            while not fits(word) and len(word) > 1:
                cut = 1
                while cut < len(word) and fits(word[:cut + 1]):
                    cut += 1
                lines.append(word[:cut])
                word = word[cut:]
            line = word
        lines.append(line)
    return lines


@dataclass
class Box:
    kind: str  # object, message, number, slider, comment
    text: str
    x: float
    y: float
    width: float = 0
    height: float = 0
    inlets: int = 1
    outlets: int = 1
    lines: list = field(default_factory=list)  # the text as the host breaks it


@dataclass
class Canvas:
    name: str
    width: float
    height: float
    boxes: list = field(default_factory=list)
    cords: list = field(default_factory=list)  # (from, outlet, to, inlet)


def pd_unescaped(text):
    return text.replace(" \\,", ",").replace(" \\;", ";").replace("\\;", ";").replace("\\$", "$").strip()


def pd_box(kind, x, y, text, columns, font_size):
    character_width, line_height = PD_FONTS[font_size]
    if kind == "number":
        return Box(kind, "", x, y, columns * character_width + 8, line_height + 6)
    # A semicolon ends a line in Pd's drawing of a box.
    shown = re.sub(r";\s*", ";\n", text).strip("\n")
    width = columns or min(PD_DEFAULT_COLUMNS, max(len(line) for line in shown.split("\n")))
    lines = wrap(shown, lambda line: len(line) <= max(width, 3))
    characters = columns or max(3, max(len(line) for line in lines))
    flag = 5 if kind == "message" else 0
    return Box(kind, text, x, y, characters * character_width + 6 + flag, len(lines) * line_height + 7,
               lines=lines)


def read_pd(path):
    """Every canvas of a Pd file, the main one first; a subpatch is a box of its parent."""
    canvases, stack = [], []
    for record in re.split(r"(?<!\\);\n", path.read_text()):
        words = record.strip().split(" ")
        if words[:2] == ["#N", "canvas"]:
            # The main canvas gives the font size; a subpatch has its name there instead.
            if not canvases:
                font_size = int(words[6])
                if font_size not in PD_FONTS:
                    raise ValueError(f"{path.name}: Pd has no font size {font_size}")
            name = words[6] if len(words) > 7 else "main"
            canvas = Canvas(name, float(words[4]), float(words[5]))
            canvases.append(canvas)
            stack.append(canvas)
            continue
        if not stack or words[0] != "#X":
            continue
        canvas = stack[-1]
        kind = words[1]
        if kind == "connect":
            canvas.cords.append(tuple(int(w) for w in words[2:6]))
        elif kind == "restore":
            stack.pop()
            box = pd_box("object", float(words[2]), float(words[3]), " ".join(words[4:]), 0, font_size)
            box.subpatch = canvas
            stack[-1].boxes.append(box)
        elif kind in ("obj", "msg", "text", "floatatom"):
            x, y = float(words[2]), float(words[3])
            if kind == "floatatom":
                canvas.boxes.append(pd_box("number", x, y, "", int(words[4]), font_size))
                continue
            body = " ".join(words[4:])
            columns = 0
            match = re.search(r", f (\d+)$", body)
            if match:
                columns, body = int(match.group(1)), body[:match.start()]
            text = pd_unescaped(body)
            if kind == "obj" and text.startswith("hsl "):
                fields = text.split(" ")
                slider = Box("slider", "", x, y, int(fields[1]) + 4, 17)
                # Where it stands when the patch opens: kept (in hundredths of a pixel, read to
                # the whole pixel) only when its init is on; else at its low end.
                low, high, kept = float(fields[3]), float(fields[4]), fields[6] == "1"
                slider.value = low + (high - low) * (int(fields[-2]) // 100) / (int(fields[1]) - 1) if kept else low
                canvas.boxes.append(slider)
                continue
            canvas.boxes.append(pd_box({"obj": "object", "msg": "message", "text": "comment"}[kind], x, y, text,
                                       columns, font_size))
    return canvases


MAX_KINDS = {"newobj": "object", "message": "message", "comment": "comment", "flonum": "number", "number": "number"}


def read_max(path):
    """Every patcher of a Max file, the root first; a tab is a [p NAME] box holding one."""
    canvases = []

    def patcher(data, name):
        left, top, width, height = data["rect"]
        canvas = Canvas(name, width, height)
        canvases.append(canvas)
        ids = {}
        for entry in data["boxes"]:
            box = entry["box"]
            x, y, w, h = box["patching_rect"]
            text = box.get("text", "")
            kind = MAX_KINDS.get(box["maxclass"], box["maxclass"])
            lines = wrap(text, lambda line: arial_width(line) <= w - 10) if kind != "number" else []
            item = Box(kind, text, x, y, w, h, box["numinlets"], box["numoutlets"], lines)
            item.id = box["id"]
            item.outlettype = box.get("outlettype", [])
            ids[box["id"]] = len(canvas.boxes)
            canvas.boxes.append(item)
            if "patcher" in box:
                item.subpatch = patcher(box["patcher"], text.split(" ", 1)[-1])
        for entry in data["lines"]:
            line = entry["patchline"]
            (source, outlet), (destination, inlet) = line["source"], line["destination"]
            canvas.cords.append((ids.get(source, -1), outlet, ids.get(destination, -1), inlet))
        return canvas

    patcher(json.loads(path.read_text())["patcher"], "main")
    return canvases


# The objects' inlets and outlets in a Pd file (None: one outlet per argument), for the
# objects that the generated patches use; the box is read from the help's reference page.
PD_OBJECTS = {"t": (1, None), "list": (2, 1), "print": (1, 0), "pack": (2, 1), "line~": (2, 1), "*~": (2, 1),
              "noise~": (1, 1), "loadbang": (1, 1), "s": (1, 0), "r": (0, 1), "pd": (0, 0), "spigot": (2, 1),
              "Vorn": (3, 2)}


def pd_ports(box):
    """The inlets and outlets of a box read from a Pd file."""
    if box.kind == "comment":
        return 0, 0
    if box.kind != "object":
        return 1, 1
    name, *arguments = box.text.split(" ")
    if name == "route":
        return (2 if len(arguments) == 1 else 1), len(arguments) + 1
    if name == "dac~":
        return len(arguments), 0
    inlets, outlets = PD_OBJECTS.get(name, (1, 1))
    if name == "list" and arguments[0] == "trim":
        inlets = 1
    return inlets, len(arguments) if outlets is None else outlets


def port_x(box, index, count):
    """The middle of a box's inlet or outlet: both hosts spread them over the box's width, the
    first at the left edge and the last at the right (seven pixels wide in Pd)."""
    if count <= 1:
        return box.x + 3
    return box.x + (box.width - 7) * index / (count - 1) + 3


def cord_ends(canvas, cord, host):
    """Where a cord leaves its source's bottom and meets its destination's top."""
    source, outlet, destination, inlet = cord
    a, b = canvas.boxes[source], canvas.boxes[destination]
    outlets = a.outlets if host == "max" else pd_ports(a)[1]
    inlets = b.inlets if host == "max" else pd_ports(b)[0]
    return (port_x(a, outlet, outlets), a.y + a.height), (port_x(b, inlet, inlets), b.y)
