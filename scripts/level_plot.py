#!/usr/bin/env python3
"""The level of a source against its spread radius, under both laws, from vorn-sim runs:
the configuration of a script (its lines up to "end"), then for each whole radius from 1
to 360 "power 0|1", "radius R", the position and "refresh". The level is the sum of the
squared amplitudes of the layers' loudspeakers, in dB against the default law at radius 1;
the solo layers (subwoofers) are left out, as each keeps its own level. Writes an SVG and
prints the level at a few radii.

usage: level_plot.py VORN_SIM SCRIPT SVG [AZIMUTH ELEVATION]"""
import math
import re
import subprocess
import sys

WIDTH, HEIGHT, LEFT, RIGHT, TOP, BOTTOM = 680, 400, 70, 170, 40, 50
LAWS = [(0, "default (power 0)", "#b8322a"), (1, "constant power (power 1)", "#1b6ca8")]
MARKED = [1, 30, 60, 90, 180, 360]


def configuration(script):
    """The script's lines up to its first "end", and the channels of the layers' loudspeakers."""
    lines, ring = [], set()
    for line in open(script, encoding="utf-8").read().splitlines():
        lines.append(line)
        words = line.split()
        if words[:1] == ["layer"]:
            ring.update(int(channel) for channel in words[2::2])
        if words[:1] == ["end"]:
            return lines, ring
    sys.exit(f"level_plot.py: {script} has no end")


def layer_power(vorn_sim, config, ring, law, radius, azimuth, elevation):
    script = "\n".join(config + [f"power {law}", f"radius {radius}", f"list {azimuth} {elevation}", "refresh", ""])
    out = subprocess.run([vorn_sim], input=script, capture_output=True, text=True, check=True).stdout
    held = {}
    for match in re.finditer(r"^outlet 0: \S+-(\d+) (\S+)$", out, re.MULTILINE):
        held[int(match.group(1))] = float(match.group(2))
    return sum(held[channel] ** 2 for channel in ring)


def label_place(px, py, text, curves):
    """Where a value's label goes beside its point: above right, below right, or left, the
    first that no curve crosses (a 12-pixel sans, about 7 pixels a character)."""
    width = 7 * len(text)
    for dx, dy in ((5, -6), (6, 16), (-width - 5, -6), (-width - 5, 16)):
        left, baseline = px + dx, py + dy
        if not any(left - 1 < cx < left + width + 1 and baseline - 11 < cy < baseline + 3 for cx, cy in curves):
            return left, baseline
    return px + 5, py - 6


def svg(levels, azimuth, elevation, name):
    top_db = math.ceil(max(max(values) for values in levels.values()) / 4) * 4
    low_db = -4

    def x(radius):
        return LEFT + (radius - 1) / 359 * (WIDTH - LEFT - RIGHT)

    def y(db):
        return TOP + (top_db - db) / (top_db - low_db) * (HEIGHT - TOP - BOTTOM)

    out = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{WIDTH}" height="{HEIGHT}" '
           'font-family="sans-serif" font-size="12">',
           '<rect width="100%" height="100%" fill="white"/>',
           f'<text x="{LEFT}" y="20" font-size="14">Vorn: level against spread radius, {name}, '
           f'source at azimuth {azimuth}°, elevation {elevation}°</text>']
    for db in range(low_db, top_db + 1, 4):
        out.append(f'<line x1="{LEFT}" y1="{y(db):g}" x2="{WIDTH - RIGHT}" y2="{y(db):g}" stroke="#ddd"/>')
        out.append(f'<text x="{LEFT - 6}" y="{y(db) + 4:g}" text-anchor="end">{db:+d}</text>')
    for radius in [1, 60, 120, 180, 240, 300, 360]:
        out.append(f'<line x1="{x(radius):g}" y1="{TOP}" x2="{x(radius):g}" y2="{HEIGHT - BOTTOM}" stroke="#ddd"/>')
        out.append(f'<text x="{x(radius):g}" y="{HEIGHT - BOTTOM + 16}" text-anchor="middle">{radius}</text>')
    out.append(f'<text x="{(LEFT + WIDTH - RIGHT) / 2:g}" y="{HEIGHT - 12}" text-anchor="middle">'
               'radius (degrees)</text>')
    out.append(f'<text transform="translate(18 {(TOP + HEIGHT - BOTTOM) / 2:g}) rotate(-90)" '
               'text-anchor="middle">level of the layers (dB against radius 1)</text>')
    # Both curves as points, so that a value's label goes where neither passes.
    curves = [(x(r), y(db)) for values in levels.values() for r, db in enumerate(values, start=1)]
    for law, label, colour in LAWS:
        values = levels[law]
        points = " ".join(f"{x(r):g},{y(db):g}" for r, db in enumerate(values, start=1))
        out.append(f'<polyline fill="none" stroke="{colour}" stroke-width="2" points="{points}"/>')
        for radius in MARKED:
            db = values[radius - 1]
            out.append(f'<circle cx="{x(radius):g}" cy="{y(db):g}" r="3" fill="{colour}" '
                       f'data-law="{law}" data-radius="{radius}" data-level="{db:.3f}"/>')
            if law == 0 and radius > 1:
                value = f"{db:+.1f}"
                lx, ly = label_place(x(radius), y(db), value, curves)
                out.append(f'<text x="{lx:g}" y="{ly:g}" fill="{colour}">{value}</text>')
        # Right of the plot, below the last value's label, each entry's two lines clear of the next.
        legend_y = TOP + 50 + 40 * law
        out.append(f'<line x1="{WIDTH - RIGHT + 12}" y1="{legend_y - 4}" x2="{WIDTH - RIGHT + 32}" '
                   f'y2="{legend_y - 4}" stroke="{colour}" stroke-width="2"/>')
        out.append(f'<text x="{WIDTH - RIGHT + 38}" y="{legend_y}">{label.split(" (")[0]}</text>')
        out.append(f'<text x="{WIDTH - RIGHT + 38}" y="{legend_y + 13}" fill="#666">({label.split(" (")[1]}</text>')
    out.append("</svg>")
    return "\n".join(out) + "\n"


def main():
    if len(sys.argv) not in (4, 6):
        sys.exit(__doc__)
    vorn_sim, script, target = sys.argv[1:4]
    azimuth, elevation = (sys.argv[4], sys.argv[5]) if len(sys.argv) == 6 else ("10", "15")
    config, ring = configuration(script)
    powers = {law: [layer_power(vorn_sim, config, ring, law, r, azimuth, elevation) for r in range(1, 361)]
              for law, _, _ in LAWS}
    reference = powers[0][0]
    levels = {law: [10 * math.log10(p / reference) for p in values] for law, values in powers.items()}
    name = script.rsplit("/", 1)[-1]
    with open(target, "w", encoding="utf-8") as file:
        file.write(svg(levels, azimuth, elevation, name))
    print("radius " + " ".join(f"{r:>7}" for r in MARKED))
    for law, label, _ in LAWS:
        print(f"power {law} " + " ".join(f"{levels[law][r - 1]:+7.2f}" for r in MARKED) + " dB")


if __name__ == "__main__":
    main()
