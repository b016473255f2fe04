#!/usr/bin/env python3
"""The Max package that `make dist` lays out: every file in its place, the plug-ins of the
right widths and the macOS bundle, the generated files readable, and the zip holding the
same files.

usage: check_package.py DIST_FOLDER"""
import re
import json
import struct
import sys
import xml.etree.ElementTree as ElementTree
import zipfile
from pathlib import Path

from checks import check, failures, finish


def pe_machine(path):
    """The machine field of a Windows executable's header: 0x8664 for x64, 0x14c for x86."""
    data = path.read_bytes()
    if data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def main():
    dist = Path(sys.argv[1])
    package = dist / "Vorn"
    wanted = ["externals/Vorn.mxe64", "externals/Vorn.mxe", "help/Vorn.maxhelp", "docs/refpages/Vorn.maxref.xml",
              "examples/Vorn-dome.maxpat", "examples/dome.vorn", "package-info.json", "README.md", "LICENSE",
              "docs/dome.svg", "externals/Vorn.mxo/Contents/MacOS/Vorn", "externals/Vorn.mxo/Contents/Info.plist",
              "externals/Vorn.mxo/Contents/PkgInfo"]
    # The mask editor travels with the package once the project has it.
    if (dist.resolve().parent / "editor/vorn-mask-editor.html").exists():
        wanted.append("javascript/vorn-mask-editor.html")
    for name in wanted:
        check((package / name).is_file(), f"the package has no {name}")
    if not failures:
        check(pe_machine(package / "externals/Vorn.mxe64") == 0x8664, "Vorn.mxe64 is not a 64-bit plug-in")
        check(pe_machine(package / "externals/Vorn.mxe") == 0x14C, "Vorn.mxe is not a 32-bit plug-in")
        # The universal macOS binary, the very one tests/platforms/check_binaries.py reads.
        mac = (package / "externals/Vorn.mxo/Contents/MacOS/Vorn").read_bytes()
        check(mac[:4] == b"\xca\xfe\xba\xbe", "Vorn.mxo holds no universal binary")
        built = dist.resolve().parent / "build/macos/Vorn.mxo/Contents/MacOS/Vorn"
        check(not built.exists() or built.read_bytes() == mac, "Vorn.mxo is not the one build/macos holds")
        json.loads((package / "help/Vorn.maxhelp").read_text())
        json.loads((package / "examples/Vorn-dome.maxpat").read_text())
        info = json.loads((package / "package-info.json").read_text())
        check(info["name"] == "Vorn", "package-info.json names another package")
        check(set(info["os"]) == {"macintosh", "windows"}, "package-info.json lists other platforms than macOS and Windows")
        check(ElementTree.parse(package / "docs/refpages/Vorn.maxref.xml").getroot().get("name") == "Vorn",
              "the reference page names another object")
        check("MIT License" in (package / "LICENSE").read_text(), "the licence")
        # A user's README: how to install and update, no build commands.
        readme = (package / "README.md").read_text()
        build_command = re.search(r"`make [\w-]+|^\s*(sudo )?make [\w-]+\s*(#.*)?$", readme, re.M)
        check("Packages" in readme and "Updating" in readme and not build_command,
              "the package's README is not the users' one")
        # Each vorn-sim example also as a patch a Max user opens, and one for Pd.
        for script in (package / "examples").glob("*.vorn"):
            for suffix in (".maxpat", ".pd"):
                patch = package / "examples" / f"Vorn-{script.stem}{suffix}"
                if check(patch.is_file(), f"the package has no {patch.name} for {script.name}") and suffix == ".maxpat":
                    json.loads(patch.read_text())
        check(not (package / "examples/Vorn-help.pd").exists(), "the Pd help among the examples")
    if check((dist / "Vorn.zip").is_file(), "no Vorn.zip"):
        files = {str(p.relative_to(dist)) for p in package.rglob("*") if p.is_file()}
        with zipfile.ZipFile(dist / "Vorn.zip") as archive:
            check(archive.testzip() is None, "the zip is damaged")
            zipped = {name for name in archive.namelist() if not name.endswith("/")}
        check(zipped == files, f"the zip and the folder differ: {sorted(zipped ^ files)}")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
