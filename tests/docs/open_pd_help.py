#!/usr/bin/env python3
"""Vorn-help.pd in a real Pd: it opens in `pd -nogui -batch` without an error line, every
box created and every cord connected; given the Pd external, its message boxes, sent in order
to a Vorn box in Pd, give no error line either, and its "sound" subpatch sounds: with DSP on
(no audio device: batch time runs as fast as Pd computes), a constant in place of the test
noise and a probe in place of [dac~] that prints each output, every output carries the
volume times the last gain the box sent for its channel. Opened with the external, the help
prints nothing but the box's banner and the basics' one confirmation. Without the external (a build that has not
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


# In place of [dac~ 1 .. N]: each output's value once the ramps are done, then Pd quits.
def output_probe(outputs):
    lines = ["#N canvas 0 0 400 300 12;"]
    for k in range(outputs):
        lines.append(f"#X obj {10 + 60 * k} 10 inlet~;")
    for k in range(outputs):
        lines.append(f"#X obj {10 + 60 * k} 60 snapshot~;")
    for k in range(outputs):
        lines.append(f"#X obj {10 + 60 * k} 110 print output-{k + 1};")
    timer = 3 * outputs
    lines += ["#X obj 10 160 loadbang;", "#X obj 10 190 delay 300;", "#X obj 10 220 delay 10;",
              "#X msg 10 250 \\; pd quit;"]
    for k in range(outputs):
        lines += [f"#X connect {k} 0 {outputs + k} 0;", f"#X connect {outputs + k} 0 {2 * outputs + k} 0;",
                  f"#X connect {timer + 1} 0 {outputs + k} 0;"]
    lines += [f"#X connect {timer} 0 {timer + 1} 0;", f"#X connect {timer + 1} 0 {timer + 2} 0;",
              f"#X connect {timer + 2} 0 {timer + 3} 0;"]
    return "\n".join(lines) + "\n"


def sound_test_patch(help_text):
    """The help with its "sound" subpatch measurable: [sig~ 1] for the noise, the probe for
    [dac~], and a [print sent] on the box's left outlet. Returns the text, the number of
    outputs and the volume."""
    records = re.split(r"(?<=;)\n", help_text)
    start = next(i for i, r in enumerate(records) if re.match(r"#N canvas .* sound 0;", r))
    end = next(i for i in range(start, len(records)) if records[i].startswith("#X restore") and records[i].endswith("pd sound;"))
    boxes = [i for i in range(start + 1, end) if re.match(r"#X (obj|msg|text|floatatom) ", records[i])]
    texts = [records[i].split(" ", 4)[4].rstrip(";") for i in boxes]
    vorn = next(k for k, text in enumerate(texts) if text.startswith("Vorn "))
    outputs = volume = None
    for k, text in zip(boxes, texts):
        if text == "noise~":
            records[k] = records[k].replace(" noise~;", " sig~ 1;")
        elif text.startswith("dac~ "):
            outputs = len(text.split(" ")) - 1
            records[k] = records[k].replace(" " + text + ";", " output-probe;")
        elif text.startswith("*~ "):
            volume = float(text.split(" ")[1])
    # The section configures its box when clicked: here when it loads.
    configuration = next(k for k, text in enumerate(texts) if text.startswith("setup "))
    records.insert(end, f"#X obj 0 0 print sent;\n#X connect {vorn} 0 {len(boxes)} 0;\n"
                        f"#X obj 0 0 loadbang;\n#X connect {len(boxes) + 1} 0 {configuration} 0;")
    return "\n".join(records), outputs, volume


def message_boxes(patch):
    """The messages of the patch's message boxes, in file order, each of a box on its own."""
    messages = []
    for record in re.split(r"(?<!\\);\n", patch.read_text()):
        if record.startswith("#X msg "):
            text = re.sub(r", f \d+$", "", record.split(" ", 4)[4])
            messages += [part.strip() for part in text.split(" \\,") if not part.strip().startswith("\\;")]
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
            # A quiet console: the box's banner and the one confirmation of the basics' "end".
            said = [line for line in lines if line.strip() and not line.startswith("Vorn ")]
            check(said == ["setup: successfully applied new loudspeaker configuration"],
                  f"opening Vorn-help.pd prints {said}")

        if external:
            (folder / "driver.pd").write_text("#N canvas 0 0 200 120 12;\n#X obj 10 10 r vorn-help;\n"
                                              "#X obj 10 40 Vorn hall;\n#X connect 0 0 1 0;\n")
            sends = []
            for message in message_boxes(folder / "Vorn-help.pd"):
                sends += ["-send", f"vorn-help {message}"]
            status, lines = pd(folder, "-open", str(folder / "driver.pd"), *sends)
            trouble = [line for line in lines if TROUBLE.search(line)]
            check(status == 0 and not trouble, f"the message boxes in Pd: status {status}, {trouble}")

            text, outputs, volume = sound_test_patch((folder / "Vorn-help.pd").read_text())
            (folder / "sound-test.pd").write_text(text)
            (folder / "output-probe.pd").write_text(output_probe(outputs))
            result = subprocess.run(["pd", "-nogui", "-batch", "-noaudio", "-stderr", "-noprefs", "-path", str(folder),
                                     "-open", str(folder / "sound-test.pd"), "-send", "pd dsp 1"],
                                    capture_output=True, text=True, timeout=120)
            lines = (result.stdout + result.stderr).splitlines()
            sent = {}
            for line in lines:
                if line.startswith("sent: "):
                    selector, value = line.split(" ")[1:3]
                    sent[int(selector.rsplit("-", 1)[1])] = float(value)
            heard = {int(line.split(":")[0].split("-")[1]): float(line.split(": ")[1])
                     for line in lines if line.startswith("output-")}
            check(len(heard) == outputs and set(sent) == set(heard) and any(sent.values()),
                  f"the sound subpatch: sent {sent}, heard {heard}")
            for channel, value in heard.items():
                check(abs(value - volume * sent.get(channel, -1)) < 1e-4,
                      f"output {channel} carries {value}, not {volume} x {sent.get(channel)}")
            print(f"sound: the box sent {sent}; the outputs carry {heard}")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
