#!/usr/bin/env python3
"""The files of a release that `make downloads` writes: their names carry the version, the
sums are right, and each archive holds what its users need, every binary for the machine its
name promises.

usage: check_downloads.py DOWNLOADS_FOLDER TAG [TAG ...]   (deken's tags of the .dek)"""
import hashlib
import io
import json
import re
import struct
import sys
import zipfile
from pathlib import Path

from checks import check, failures, finish

ROOT = Path(__file__).resolve().parent.parent.parent
# ELF machines, PE machines and Mach-O processor types.
EM_386, EM_ARM, EM_X86_64, EM_AARCH64 = 3, 40, 62, 183
PE_X64, PE_X86 = 0x8664, 0x14C
MACHO_X86_64, MACHO_ARM64 = 0x01000007, 0x0100000C
# Per deken tag: the names Pd looks for on that platform, and the machine the binary is for.
EXTERNALS = {
    "Linux-amd64-32": ((".pd_linux", ".l_amd64"), ("elf", EM_X86_64)),
    "Linux-i386-32": ((".pd_linux", ".l_i386"), ("elf", EM_386)),
    "Linux-arm64-32": ((".l_arm64", ".pd_linux"), ("elf", EM_AARCH64)),
    "Linux-armv7-32": ((".l_arm", ".pd_linux"), ("elf", EM_ARM)),
    "Darwin-amd64-32": ((".d_fat", ".d_amd64", ".pd_darwin"), ("macho", MACHO_X86_64)),
    "Darwin-arm64-32": ((".d_fat", ".d_arm64", ".pd_darwin"), ("macho", MACHO_ARM64)),
    "Windows-amd64-32": ((".m_amd64", ".dll"), ("pe", PE_X64)),
    "Windows-i386-32": ((".m_i386", ".dll"), ("pe", PE_X86)),
}


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def machines(data):
    """The binary's format and the machines it runs on: ("elf", {62}), ("macho", {arm64, x86_64}) ..."""
    if data[:4] == b"\x7fELF":
        return "elf", {struct.unpack_from("<H", data, 18)[0]}
    if data[:2] == b"MZ":
        offset = struct.unpack_from("<I", data, 0x3C)[0]
        if data[offset:offset + 4] == b"PE\0\0":
            return "pe", {struct.unpack_from("<H", data, offset + 4)[0]}
    if data[:4] == b"\xca\xfe\xba\xbe":
        count = struct.unpack_from(">I", data, 4)[0]
        return "macho", {struct.unpack_from(">I", data, 8 + 20 * i)[0] for i in range(count)}
    if data[:4] == b"\xcf\xfa\xed\xfe":
        return "macho", {struct.unpack_from("<I", data, 4)[0]}
    return None, set()


def read_zip(path):
    """{name: bytes} of every file in the zip, or None when it is no sound zip."""
    try:
        with zipfile.ZipFile(path) as archive:
            if archive.testzip() is not None:
                return None
            return {name: archive.read(name) for name in archive.namelist() if not name.endswith("/")}
    except zipfile.BadZipFile:
        return None


def check_dek(files, tags):
    check(all(name.startswith("Vorn/") for name in files), "the .dek holds files outside Vorn/")
    for name in ("Vorn/LICENSE", "Vorn/Vorn-help.pd"):
        check(name in files, f"the .dek has no {name}")
    if "Vorn/Vorn-help.pd" in files:
        check(files["Vorn/Vorn-help.pd"].startswith(b"#N canvas"), "the .dek's help is no Pd patch")
    externals = {name for name in files if re.fullmatch(r"Vorn/Vorn\.[a-z_0-9]+", name)}
    used = set()
    for tag in tags:
        if not check(tag in EXTERNALS, f"no rule for the tag {tag}"):
            continue
        suffixes, (kind, machine) = EXTERNALS[tag]
        found = [f"Vorn/Vorn{suffix}" for suffix in suffixes if f"Vorn/Vorn{suffix}" in externals]
        if check(found, f"the .dek has no external for {tag} ({' or '.join(suffixes)})"):
            used.add(found[0])
            format_, machines_ = machines(files[found[0]])
            check(format_ == kind and machine in machines_,
                  f"{found[0]} is not a {kind} binary for {tag}'s machine ({format_}, {sorted(machines_)})")
    check(externals == used, f"externals for no tag of the name: {sorted(externals - used)}")


def check_max_zip(files, version):
    check(all(name.startswith("Vorn/") for name in files), "the Max zip holds files outside Vorn/")
    wanted = {"Vorn/externals/Vorn.mxe64": ("pe", PE_X64), "Vorn/externals/Vorn.mxe": ("pe", PE_X86),
              "Vorn/externals/Vorn.mxo/Contents/MacOS/Vorn": ("macho", MACHO_ARM64)}
    for name, (kind, machine) in wanted.items():
        if check(name in files, f"the Max zip has no {name}"):
            format_, machines_ = machines(files[name])
            check(format_ == kind and machine in machines_, f"{name} is for another machine")
    if "Vorn/externals/Vorn.mxo/Contents/MacOS/Vorn" in files:
        check(machines(files["Vorn/externals/Vorn.mxo/Contents/MacOS/Vorn"])[1] == {MACHO_ARM64, MACHO_X86_64},
              "Vorn.mxo is not universal (arm64 and x86_64)")
    for name in ("Vorn/externals/Vorn.mxo/Contents/Info.plist", "Vorn/help/Vorn.maxhelp", "Vorn/LICENSE"):
        check(name in files, f"the Max zip has no {name}")
    if check("Vorn/package-info.json" in files, "the Max zip has no package-info.json"):
        info = json.loads(files["Vorn/package-info.json"])
        check(info.get("version") == version, f"package-info.json says version {info.get('version')}, not {version}")


def main():
    folder, tags = Path(sys.argv[1]), sys.argv[2:]
    version = re.search(r"^project\(Vorn VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text(), re.M).group(1)
    dek = f"Vorn[v{version}]" + "".join(f"({tag})" for tag in sorted(set(tags))) + ".dek"
    max_zip = f"Vorn-{version}-Max.zip"
    wanted = {max_zip, dek, dek + ".sha256", dek + ".txt", "SHA256SUMS"}
    present = {path.name for path in folder.iterdir()} if folder.is_dir() else set()
    check(present == wanted, f"{folder} holds {sorted(present)}, wants {sorted(wanted)}")
    if failures:
        return finish()
    data = {name: (folder / name).read_bytes() for name in wanted}

    # sha256sum's format, every other file once, and each sum right.
    listed = {}
    for line in data["SHA256SUMS"].decode().splitlines():
        match = re.fullmatch(r"([0-9a-f]{64}) [ *](.+)", line)
        if check(match, f"SHA256SUMS: not a sha256sum line: {line!r}"):
            check(match.group(2) not in listed, f"SHA256SUMS lists {match.group(2)} twice")
            listed[match.group(2)] = match.group(1)
    check(set(listed) == wanted - {"SHA256SUMS"}, f"SHA256SUMS lists {sorted(listed)}")
    for name, digest in listed.items():
        check(name not in data or sha256(data[name]) == digest, f"SHA256SUMS: {name}'s sum is wrong")
    # deken reads the first word of the .sha256 file as the digest.
    words = data[dek + ".sha256"].decode().split()
    check(words and words[0] == sha256(data[dek]), "the .dek.sha256 is not the .dek's sum")

    # deken's objects file: a line per object, its name, one tab and a one-line description.
    lines = data[dek + ".txt"].decode().split("\n")
    check(lines[-1] == "" and len(lines) > 1, "the objects file does not end its last line")
    objects = {}
    for line in lines[:-1]:
        if check(re.fullmatch(r"[^\s]+\t[^\t\r]*\S[^\t\r]*", line), f"objects file: not NAME<tab>DESCRIPTION: {line!r}"):
            objects[line.split("\t")[0]] = line.split("\t")[1]
    check(list(objects) == ["Vorn"], f"the objects file names {sorted(objects)}, not Vorn alone")

    dek_files = read_zip(io.BytesIO(data[dek]))
    if check(dek_files is not None, "the .dek is no sound zip"):
        check_dek(dek_files, tags)
    max_files = read_zip(io.BytesIO(data[max_zip]))
    if check(max_files is not None, f"{max_zip} is no sound zip"):
        check_max_zip(max_files, version)
    return finish()


if __name__ == "__main__":
    sys.exit(main())
