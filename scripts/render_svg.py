#!/usr/bin/env python3
"""Renders an SVG to a PNG of the size it asks for, in headless Chromium as this machine
runs it: no sandbox (root), no GPU, and nothing that would reach for the network, whose
refusals would otherwise fill its output.

usage: render_svg.py SVG PNG"""
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync"]


def chromium(arguments, folder):
    """Chromium's standard output, with a fresh profile inside `folder`."""
    profile = tempfile.mkdtemp(dir=folder)
    result = subprocess.run(["chromium", *FLAGS, f"--user-data-dir={profile}", *arguments],
                            capture_output=True, text=True, timeout=120)
    return result.stdout


def svg_size(svg):
    root = ElementTree.parse(svg).getroot()
    return int(root.get("width")), int(root.get("height"))


def render(svg, png, folder):
    width, height = svg_size(svg)
    chromium([f"--screenshot={Path(png).resolve()}", f"--window-size={width},{height}",
              Path(svg).resolve().as_uri()], folder)


def png_size(path):
    with open(path, "rb") as file:
        header = file.read(24)
    if header[:8] != b"\x89PNG\r\n\x1a\n":
        return None
    return struct.unpack(">II", header[16:24])


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as scratch:
        render(sys.argv[1], sys.argv[2], scratch)
    sys.exit(0 if png_size(sys.argv[2]) == svg_size(sys.argv[1]) else 1)
