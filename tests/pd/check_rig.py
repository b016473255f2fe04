#!/usr/bin/env python3
"""A rig made by `vorn-layout --rig` from a room with three distances, run in a real Pd
(`pd -nogui -batch`, DSP on, logical time as fast as Pd computes) with the Vorn external:
- a click from source 1 pointed at loudspeaker i (radius 1) comes out of outlet i only, after
  the delay that the compensation table gives (to a sample) at its level (to 0.05 dB), and
  stays under -80 dB on every other outlet;
- a source between two loudspeakers comes out of both at Vorn's amplitudes (vorn-sim's)
  times the trims;
- a gain change ramps over the ramp time set by "ramp MS", with no step steeper than the ramp;
- the table on stderr holds the values worked out here from the room's distances and gains.

usage: check_rig.py VORN_LAYOUT VORN_SIM EXTERNAL_FOLDER   (exit 77 when Pd is not installed)"""
import json
import math
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "docs"))
from checks import check, finish  # noqa: E402

SPEED = 343.0
RATE = 48000
RECORD = 4800  # samples recorded per case: 100 ms
# Ring at ear height: (file azimuth, radius m, gain); channels 1..4. Three distances (one delay
# shorter than a block), one gain below 1.
ROOM = [(0, 2.0, 1.0), (90, 3.9, 1.0), (180, 4.0, 0.5), (-90, 3.9, 1.0)]
VORN_AZIMUTH = [0, 90, 180, 270]


def room_file():
    speakers = [{"Azimuth": az, "Elevation": 0, "Radius": r, "IsImaginary": False, "Channel": k + 1, "Gain": g}
                for k, (az, r, g) in enumerate(ROOM)]
    return json.dumps({"Name": "Test room", "LoudspeakerLayout": {"Name": "Test room", "Loudspeakers": speakers}})


def expected_compensation():
    farthest = max(r for _, r, _ in ROOM)
    return [((farthest - r) / SPEED, r / farthest * g) for _, r, g in ROOM]


def read_table(stderr):
    rows = {}
    for line in stderr.splitlines():
        words = line.removeprefix("vorn-layout:").split()
        if len(words) == 5 and words[0].isdigit():
            rows[int(words[0])] = (float(words[1]), float(words[2]), int(words[3]), float(words[4]))
    return rows


def test_patch(folder, name, control, ramp_case):
    """The rig with source 1 fed by a one-sample click and source 2 by a constant 1; after
    `control` has settled (150 ms), recording of every outlet starts in the same block as
    the click (or, in the ramp case, as the second control message)."""
    first, *later = control
    outputs = len(ROOM)
    lines = ["#N canvas 0 0 900 600 12;",
             "#X obj 10 200 room-rig;",            # 0
             "#X obj 100 120 tabplay~ click;",     # 1
             "#X obj 200 120 sig~ 1;",             # 2
             "#X obj 10 20 loadbang;",             # 3
             f"#X msg 10 50 \\; pd dsp 1 \\; click 0 1;",  # 4
             f"#X msg 10 80 {first};",             # 5
             "#X obj 300 20 delay 150;",           # 6
             "#X obj 300 50 t b b b;",             # 7
             f"#X msg 400 80 {later[0] if later else 'bang'};",  # 8
             "#X obj 300 400 delay 200;",          # 9
             "#X msg 300 430 " + " ".join(f"\\; out{k + 1} write {folder}/{name}-{k + 1}.txt" for k in range(outputs))
             + " \\; pd quit;",                    # 10
             "#X obj 500 400 table click 64;"]     # 11
    for k in range(outputs):
        lines.append(f"#X obj {10 + 120 * k} 300 tabwrite~ out{k + 1};")   # 12 + k
    for k in range(outputs):
        lines.append(f"#X obj {10 + 120 * k} 500 table out{k + 1} {RECORD};")
    cords = [(3, 0, 4, 0), (3, 0, 5, 0), (3, 0, 6, 0), (5, 0, 0, 0), (6, 0, 7, 0), (7, 0, 9, 0), (9, 0, 10, 0),
             (1, 0, 0, 1), (2, 0, 0, 2)]
    if ramp_case:
        cords.append((7, 2, 8, 0))
        cords.append((8, 0, 0, 0))
    else:
        cords.append((7, 2, 1, 0))
    for k in range(outputs):
        cords += [(0, k, 12 + k, 0), (7, 1, 12 + k, 0)]
    lines += [f"#X connect {a} {b} {c} {d};" for a, b, c, d in cords]
    (folder / f"{name}.pd").write_text("\n".join(lines) + "\n")


def run_case(folder, name, control, ramp_case=False):
    test_patch(folder, name, control, ramp_case)
    result = subprocess.run(["pd", "-nogui", "-batch", "-noaudio", "-stderr", "-noprefs", "-r", str(RATE),
                             "-path", str(folder), "-open", str(folder / f"{name}.pd")],
                            capture_output=True, text=True, timeout=60)
    trouble = [line for line in (result.stdout + result.stderr).splitlines()
               if re.search(r"error|couldn't create|connection failed|bad arguments|no method", line, re.I)]
    check(not trouble, f"{name}: Pd said: {trouble[:5]}")
    signals = []
    for k in range(len(ROOM)):
        path = folder / f"{name}-{k + 1}.txt"
        if not check(path.exists(), f"{name}: outlet {k + 1} was not recorded"):
            return None
        signals.append([float(word) for word in path.read_text().split()])
    return signals


def db(value):
    return 20 * math.log10(value) if value > 0 else -math.inf


def vorn_amplitudes(vorn_sim, script, azimuth):
    result = subprocess.run([vorn_sim, "-"], input=script + f"{azimuth}\n", capture_output=True, text=True,
                            check=True)
    amplitudes = {}
    for line in result.stdout.splitlines():
        match = re.fullmatch(r"outlet 0: vorn-(\d+) (\S+)", line)
        if match:
            amplitudes[int(match.group(1))] = float(match.group(2))
    return amplitudes


def main():
    vorn_layout, vorn_sim, externals = sys.argv[1], sys.argv[2], Path(sys.argv[3])
    if not shutil.which("pd"):
        print("Pd is not installed")
        return 77
    compensation = expected_compensation()
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        (folder / "room.json").write_text(room_file())
        made = subprocess.run([vorn_layout, str(folder / "room.json"), "--rig", "2", "--format", "pd"],
                              capture_output=True, text=True)
        check(made.returncode == 0, f"vorn-layout --rig failed: {made.stderr}")
        (folder / "room-rig.pd").write_text(made.stdout)
        shutil.copy(externals / "Vorn.pd_linux", folder)

        # The table against the values worked out from the room.
        table = read_table(made.stderr)
        check(sorted(table) == [1, 2, 3, 4], f"the table's channels: {sorted(table)}")
        for channel, (delay, level) in enumerate(compensation, start=1):
            if channel not in table:
                continue
            distance, delay_ms, samples, trim_db = table[channel]
            check(abs(distance - ROOM[channel - 1][1]) < 5e-4, f"channel {channel}: distance {distance}")
            check(abs(delay_ms - delay * 1000) < 5e-4, f"channel {channel}: delay {delay_ms} ms")
            check(samples == round(delay * RATE), f"channel {channel}: {samples} samples")
            check(abs(trim_db - db(level)) < 5e-3, f"channel {channel}: trim {trim_db} dB")

        # A click at each loudspeaker.
        for channel, azimuth in enumerate(VORN_AZIMUTH, start=1):
            name = f"click-{channel}"
            signals = run_case(folder, name, [f"1 radius 1 \\, 1 {azimuth} 0 1 \\, 2 gain 0"])
            if signals is None:
                continue
            delay, level = compensation[channel - 1]
            signal = signals[channel - 1]
            peak = max(range(len(signal)), key=lambda i: abs(signal[i]))
            check(abs(peak - delay * RATE) <= 1, f"{name}: the click came after {peak} samples, not {delay * RATE:.1f}")
            check(abs(db(abs(signal[peak])) - db(level)) <= 0.05,
                  f"{name}: the click came at {db(abs(signal[peak])):.3f} dB, not {db(level):.3f}")
            for other in range(len(ROOM)):
                if other != channel - 1:
                    loudest = max(abs(x) for x in signals[other])
                    check(db(loudest) < -80, f"{name}: outlet {other + 1} carries {db(loudest):.1f} dB")

        # Between loudspeakers 1 and 2: Vorn's amplitudes times the trims.
        script = subprocess.run([vorn_layout, str(folder / "room.json")], capture_output=True, text=True,
                                check=True).stdout
        amplitudes = vorn_amplitudes(vorn_sim, script, 45)
        signals = run_case(folder, "between", ["1 45 0 1 \\, 2 gain 0"])
        if signals is not None:
            for channel in range(1, len(ROOM) + 1):
                delay, level = compensation[channel - 1]
                want = amplitudes.get(channel, 0) * level
                got = signals[channel - 1][round(delay * RATE)]
                if want > 0:
                    check(abs(db(abs(got)) - db(want)) <= 0.05, f"between: outlet {channel} at {got}, not {want}")
                else:
                    check(db(max(abs(x) for x in signals[channel - 1])) < -80, f"between: outlet {channel} sounds")

        # Source 2, a constant 1 at loudspeaker 3 (no delay), from gain 1 to 0.25 over 40 ms (Pd's line~ ramps in whole blocks).
        ramp_ms = 40
        signals = run_case(folder, "ramp", [f"ramp {ramp_ms} \\, 1 gain 0 \\, 2 180 0 1", "2 gain 0.25"],
                           ramp_case=True)
        if signals is not None:
            _, level = compensation[2]
            signal = signals[2]
            start, end = level * 1.0, level * 0.25
            slope = (start - end) / (ramp_ms * RATE / 1000)
            steps = [abs(b - a) for a, b in zip(signal, signal[1:])]
            check(max(steps) <= slope * 1.01 + 1e-6, f"ramp: a step of {max(steps):.6f}, steeper than {slope:.6f}")
            check(abs(signal[0] - start) < 1e-4, f"ramp: starts at {signal[0]}, not {start}")
            moving = [i for i, step in enumerate(steps) if step > slope / 2]
            span = (moving[-1] - moving[0] + 1) if moving else 0
            check(abs(span - ramp_ms * RATE / 1000) <= 2, f"ramp: takes {span} samples, not {ramp_ms * RATE // 1000}")
            check(abs(signal[-1] - end) < 1e-4, f"ramp: ends at {signal[-1]}, not {end}")

        # Other rooms and options open in Pd without a complaint: imaginary loudspeakers and
        # hardware outputs, a script, a standard layout with its LFE.
        source = Path(__file__).resolve().parent.parent.parent
        for name, arguments in (("studio", [str(source / "examples/studio.json"), "--fill-gaps", "--dac"]),
                                ("dome", [str(source / "examples/dome.vorn")]), ("seven", ["7.1.4"])):
            made = subprocess.run([vorn_layout, *arguments, "--rig", "2", "--format", "pd"], capture_output=True,
                                  text=True)
            check(made.returncode == 0, f"{name}: vorn-layout --rig failed: {made.stderr}")
            (folder / f"{name}.pd").write_text(made.stdout)
            (folder / f"open-{name}.pd").write_text(
                f"#N canvas 0 0 400 300 12;\n#X obj 10 10 {name};\n#X obj 10 60 loadbang;\n"
                "#X msg 10 90 \\; pd dsp 1;\n#X obj 100 60 delay 100;\n#X msg 100 90 \\; pd quit;\n"
                "#X connect 1 0 2 0;\n#X connect 1 0 3 0;\n#X connect 3 0 4 0;\n")
            result = subprocess.run(["pd", "-nogui", "-batch", "-noaudio", "-stderr", "-noprefs", "-path", str(folder),
                                     "-open", str(folder / f"open-{name}.pd")], capture_output=True, text=True,
                                    timeout=60)
            said = (result.stdout + result.stderr).splitlines()
            trouble = [line for line in said
                       if re.search(r"error|couldn't create|connection failed|bad arguments|no method", line, re.I)]
            check(not trouble, f"{name}: Pd said: {trouble[:5]}")
            check(any("successfully applied" in line for line in said), f"{name}: no Vorn box was configured")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
