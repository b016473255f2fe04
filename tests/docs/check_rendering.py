#!/usr/bin/env python3
"""docs/dome.svg as a browser shows it: headless Chromium reads it without an error and
takes a picture of the size the SVG asks for, far from blank (a white page packs to a
few kilobytes); the README shows the picture, and docs/dome.png is such a rendering.

usage: check_rendering.py SOURCE_FOLDER   (exit 77 when Chromium is not installed)"""
import shutil
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from render_svg import chromium, png_size, render, svg_size  # noqa: E402

from checks import check, finish


def main():
    source = Path(sys.argv[1])
    if not shutil.which("chromium"):
        print("skipped: Debian's chromium is not installed (make deps installs it)")
        return 77
    svg = source / "docs/dome.svg"
    width, height = svg_size(svg)
    with tempfile.TemporaryDirectory() as folder:
        dom = chromium(["--dump-dom", svg.resolve().as_uri()], folder)
        check("<svg" in dom and "parsererror" not in dom and "error on line" not in dom,
              f"Chromium reports an error: {dom[:300]}")
        png = Path(folder) / "dome.png"
        render(svg, png, folder)
        check(png.exists() and png_size(png) == (width, height), "the screenshot is missing or of the wrong size")
        check(png.exists() and png.stat().st_size > 20000, "the screenshot is nearly empty")
    kept = source / "docs/dome.png"
    check(kept.exists() and png_size(kept) == (width, height), "docs/dome.png is not a rendering of docs/dome.svg")
    readme = (source / "README.md").read_text()
    check("](docs/dome.svg)" in readme, "the README does not show docs/dome.svg")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
