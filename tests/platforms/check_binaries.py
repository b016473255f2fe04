#!/usr/bin/python3
"""Every cross-built binary as far as this machine can read it, with Debian's readers (macholib
for Mach-O, LLVM's nm, objdump and readobj): format and architectures, what it
exports (the host's entry point), what it leaves for the host or the system to resolve, the
lowest system it runs on, the code signature of the arm64 slice and the Max bundle's layout.

usage: check_binaries.py [PLATFORM ...]   of macos, linux-arm64, linux-armv7, windows (default: all),
in build/ of this checkout

Run with Debian's python3, which has python3-macholib."""
import hashlib
import plistlib
import re
import subprocess
import sys
from pathlib import Path

from macholib import mach_o
from macholib.MachO import MachO

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "docs"))
from checks import check, failures, finish  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent.parent
ARM64, X86_64 = 0x0100000C, 0x01000007
MH_BUNDLE = 8
PLATFORM_MACOS = 1
CS_SUPERBLOB, CS_CODEDIRECTORY, CS_ADHOC, CS_HASHTYPE_SHA256 = 0xFADE0CC0, 0xFADE0C02, 0x2, 2


def tool(*names):
    for name in names:
        if subprocess.run(["sh", "-c", f"command -v {name}"], capture_output=True).returncode == 0:
            return name
    raise SystemExit(f"none of {names} is installed (scripts/install-deps.sh --cross)")


NM = tool("llvm-nm-14", "llvm-nm")
READOBJ = tool("llvm-readobj-14", "llvm-readobj")
OBJDUMP = tool("llvm-objdump-14", "llvm-objdump")


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True).stdout


def host_functions(def_file):
    """The names a .def file of ours lists: the host API the binding declares."""
    names = set()
    for line in (ROOT / "cmake" / def_file).read_text().splitlines():
        line = line.split(";")[0].strip()
        if line and not line.startswith(("LIBRARY", "EXPORTS")):
            names.add(line.split()[0])
    return names


def version_text(packed):
    return f"{packed >> 16}.{(packed >> 8) & 0xFF}" + (f".{packed & 0xFF}" if packed & 0xFF else "")


def preset_minimum(arch_prefix):
    """The macOS version a preset's Zig target names, e.g. 11.0 for aarch64-macos.11.0."""
    text = (ROOT / "CMakePresets.json").read_text()
    return re.search(rf'"VORN_ZIG_TARGET": "{arch_prefix}-macos\.([0-9.]+)"', text).group(1)


def ad_hoc_signed(path, slice_offset, command):
    """Whether the signature's code directory carries the ad-hoc flag (a signature with no
    identity, which Apple Silicon requires of any code it runs) and the hash of every page
    of the slice matches it, as the kernel checks them when it maps a page."""
    whole = path.read_bytes()
    data = whole[slice_offset + command.dataoff:slice_offset + command.dataoff + command.datasize]
    if int.from_bytes(data[0:4], "big") != CS_SUPERBLOB:
        return False
    for i in range(int.from_bytes(data[8:12], "big")):
        offset = int.from_bytes(data[12 + 8 * i + 4:12 + 8 * i + 8], "big")
        directory = data[offset:]
        if int.from_bytes(directory[0:4], "big") != CS_CODEDIRECTORY:
            continue
        if not int.from_bytes(directory[12:16], "big") & CS_ADHOC:
            return False
        hash_offset, slots, limit = (int.from_bytes(directory[k:k + 4], "big") for k in (16, 28, 32))
        hash_size, hash_type, page_shift = directory[36], directory[37], directory[39]
        if hash_type != CS_HASHTYPE_SHA256 or limit != command.dataoff:
            return False
        code = whole[slice_offset:slice_offset + limit]
        page = 1 << page_shift
        return slots == -(-limit // page) and all(
            hashlib.sha256(code[n * page:(n + 1) * page]).digest() ==
            directory[hash_offset + n * hash_size:hash_offset + (n + 1) * hash_size] for n in range(slots))
    return False


def check_macho(path, entry, host_def):
    """A universal arm64 + x86_64 plug-in as the hosts' own macOS builds are: a bundle per
    slice (no install name, no dynamic linker of its own), the entry point its only export,
    the host's functions looked up when loaded, everything else from libSystem."""
    name = path.relative_to(ROOT)
    if not check(path.is_file(), f"{name} is missing"):
        return
    binary = MachO(str(path))
    check(binary.fat, f"{name} is not a universal binary")
    slices = {header.header.cputype: header for header in binary.headers}
    check(set(slices) == {ARM64, X86_64}, f"{name} holds {sorted(map(hex, slices))}, not arm64 and x86_64")
    host = {"_" + function for function in host_functions(host_def)}
    for cputype, arch, minimum in ((ARM64, "arm64", preset_minimum("aarch64")),
                                   (X86_64, "x86_64", preset_minimum("x86_64"))):
        header = slices.get(cputype)
        if header is None:
            continue
        where = f"{name} ({arch})"
        check(header.header.filetype == MH_BUNDLE, f"{where} is not a bundle (MH_BUNDLE)")
        commands = {}
        for load, command, data in header.commands:
            commands.setdefault(load.cmd, []).append((command, data))
        check(mach_o.LC_ID_DYLIB not in commands, f"{where} carries an install name")
        check(mach_o.LC_LOAD_DYLINKER not in commands, f"{where} names a dynamic linker")
        builds = commands.get(mach_o.LC_BUILD_VERSION, [])
        if check(len(builds) == 1, f"{where} has no build version"):
            build = builds[0][0]
            check(build.platform == PLATFORM_MACOS, f"{where} is not for macOS")
            check(version_text(build.minos) == minimum,
                  f"{where} runs from macOS {version_text(build.minos)}, not {minimum}")
        libraries = [data.rstrip(b"\0").decode() for _, data in commands.get(mach_o.LC_LOAD_DYLIB, [])]
        check(libraries == ["/usr/lib/libSystem.B.dylib"], f"{where} loads {libraries}")
        signatures = commands.get(mach_o.LC_CODE_SIGNATURE, [])
        if arch == "arm64" and check(len(signatures) == 1, f"{where} carries no code signature"):
            check(ad_hoc_signed(path, header.offset, signatures[0][0]),
                  f"{where}: the signature is not ad hoc, or a page's hash does not match it")

        # The export trie is what dyld binds against: libc++ and operator new and delete are
        # linked in, but none of them may be visible to the host or another plug-in.
        exports = {line.split()[1] for line in
                   run(OBJDUMP, "--macho", "--exports-trie", f"--arch={arch}", str(path)).splitlines()
                   if line.startswith("0x")}
        check(exports == {entry}, f"{where} exports {sorted(exports)[:8]}, not {entry} alone")
        looked_up, unexpected = set(), []
        for line in run(NM, "-m", "-u", f"--arch={arch}", str(path)).splitlines():
            symbol = line.split()[2]  # "(undefined) external NAME (where from)"
            if line.endswith("(from libSystem)"):
                continue
            if "(dynamically looked up)" in line and symbol in host:
                looked_up.add(symbol)
            else:
                unexpected.append(line.strip())
        check(not unexpected, f"{where} leaves unresolved: {unexpected[:5]}")
        check(looked_up, f"{where} looks up none of the host's functions")
        print(f"{where}: bundle, macOS {minimum}+, exports {entry} alone, "
              f"{len(looked_up)} host functions looked up at load, the rest from libSystem"
              + (", ad-hoc signed" if arch == "arm64" else ""))


def check_bundle(bundle):
    name = bundle.relative_to(ROOT)
    contents = sorted(str(p.relative_to(bundle)) for p in bundle.rglob("*") if p.is_file())
    check(contents == ["Contents/Info.plist", "Contents/MacOS/Vorn", "Contents/PkgInfo"],
          f"{name} holds {contents}")
    if failures:
        return
    info = plistlib.loads((bundle / "Contents/Info.plist").read_bytes())
    version = re.search(r'version = "([0-9.]+)"', (ROOT / "src/box/interface_table.h").read_text()).group(1)
    wanted = {"CFBundleExecutable": "Vorn", "CFBundlePackageType": "iLaX", "CFBundleShortVersionString": version,
              "CFBundleVersion": version, "LSMinimumSystemVersion": preset_minimum("x86_64")}
    for key, value in wanted.items():
        check(info.get(key) == value, f"{name}: Info.plist's {key} is {info.get(key)!r}, not {value!r}")
    check(info.get("CFBundleIdentifier", "").count(".") >= 2, f"{name}: Info.plist has no bundle identifier")
    check(info.get("LSMinimumSystemVersionByArchitecture") ==
          {"arm64": preset_minimum("aarch64"), "x86_64": preset_minimum("x86_64")},
          f"{name}: Info.plist's lowest system per architecture")
    check((bundle / "Contents/PkgInfo").read_bytes() == b"iLaXmax2", f"{name}: PkgInfo")
    print(f"{name}: Contents/MacOS/Vorn, Info.plist ({info['CFBundleIdentifier']}, iLaX, {version}), PkgInfo")


# What each Linux Pd external is built for: its ELF machine, the loader and libraries it may
# name, the extension the Pd of that architecture looks for.
LINUX_TARGETS = {
    "linux-arm64": ("arm64", "EM_AARCH64", "cross/linux-arm64/pd/Vorn.l_arm64", "ld-linux-aarch64.so.1"),
    "linux-armv7": ("armv7", "EM_ARM", "cross/linux-armv7/pd/Vorn.l_arm", "ld-linux-armhf.so.3"),
}


EF_ARM_ABI_FLOAT_HARD, EF_ARM_EABI_VER5 = 0x400, 0x05000000


def check_elf(platform):
    """A Pd external for Linux on ARM: Vorn_setup its only export, Pd's functions and glibc's
    (2.17 at most, the oldest any arm64 or armhf Debian or Raspberry Pi OS still has) left for
    the loader; the 32-bit one passes floats in VFP registers, as armhf's Pd calls it."""
    arch, machine, relative, loader = LINUX_TARGETS[platform]
    path = ROOT / "build" / relative
    name = path.relative_to(ROOT)
    if not check(path.is_file(), f"{name} is missing"):
        return
    headers = run(READOBJ, "--file-headers", str(path))
    check(f"Machine: {machine}" in headers, f"{name} is not for {arch}")
    check("Type: SharedObject" in headers, f"{name} is not a shared object")
    extra = ""
    if arch == "armv7":
        flags = int(re.search(r"Flags \[ \((0x[0-9a-fA-F]+)\)", headers).group(1), 16)
        check(flags & EF_ARM_ABI_FLOAT_HARD, f"{name} does not pass floats in VFP registers (not armhf)")
        check(flags & 0xFF000000 == EF_ARM_EABI_VER5, f"{name} is not for the ARM EABI version 5")
        extra = " (EABI 5, hard-float)"
    needed = re.findall(r"^\s+(\S+\.so\S*)$", run(READOBJ, "--needed-libs", str(path)), re.M)
    check(set(needed) <= {"libc.so.6", "libm.so.6", "libdl.so.2", "libpthread.so.0", loader},
          f"{name} needs {needed}")
    exports = {line.split()[-1] for line in run(NM, "-D", "--defined-only", str(path)).splitlines()}
    check(exports == {"Vorn_setup"}, f"{name} exports {sorted(exports)[:8]}")
    pd = host_functions("pd.def")
    glibc, unexpected = set(), []
    for line in run(NM, "-D", "-u", str(path)).splitlines():
        symbol = line.split()[-1]
        plain, _, version = symbol.partition("@")
        if version.startswith("GLIBC_"):
            glibc.add(version)
        elif plain not in pd and not line.split()[0] == "w":
            unexpected.append(symbol)
    check(not unexpected, f"{name} leaves unresolved: {unexpected[:5]}")
    newest = max(glibc, key=lambda v: [int(n) for n in v[6:].split(".")], default="GLIBC_2.17")
    check([int(n) for n in newest[6:].split(".")] <= [2, 17], f"{name} needs {newest}")
    print(f"{name}: ELF {arch} shared object{extra}, exports Vorn_setup, needs {' '.join(needed)} up to {newest}")


def check_pe(path):
    """The Pd external for 64-bit Windows: Vorn_setup its only export, imports from pd.dll
    only what cmake/pd.def lists, else only system DLLs."""
    name = path.relative_to(ROOT)
    if not check(path.is_file(), f"{name} is missing"):
        return
    headers = run(READOBJ, "--file-headers", str(path))
    check("Machine: IMAGE_FILE_MACHINE_AMD64" in headers, f"{name} is not for x64")
    check("IMAGE_FILE_DLL" in headers, f"{name} is not a DLL")
    minimum = re.search(r"MajorOperatingSystemVersion: (\d+)\s+MinorOperatingSystemVersion: (\d+)", headers)
    exports = set(re.findall(r"Name: (\S+)", run(READOBJ, "--coff-exports", str(path))))
    check(exports == {"Vorn_setup"}, f"{name} exports {sorted(exports)}")
    imports = {}
    for block in run(READOBJ, "--coff-imports", str(path)).split("Import {")[1:]:
        dll = re.search(r"Name: (\S+)", block).group(1)
        imports[dll] = set(re.findall(r"Symbol: (\S+)", block))
    pd = host_functions("pd.def")
    check(set(imports) <= {"pd.dll", "KERNEL32.dll", "msvcrt.dll"}, f"{name} imports from {sorted(imports)}")
    check(imports.get("pd.dll", set()) <= pd, f"{name} imports from pd.dll {sorted(imports.get('pd.dll', set()) - pd)}")
    check(imports.get("pd.dll"), f"{name} imports nothing from pd.dll")
    print(f"{name}: PE32+ x64 DLL, Windows {minimum.group(1)}.{minimum.group(2)}+, exports Vorn_setup, "
          f"imports {len(imports.get('pd.dll', ()))} names from pd.dll and {' '.join(sorted(set(imports) - {'pd.dll'}))}")


def main():
    build = ROOT / "build"
    platforms = sys.argv[1:] or ["macos", "linux-arm64", "linux-armv7", "windows"]
    if "macos" in platforms:
        check_macho(build / "macos/Vorn.mxo/Contents/MacOS/Vorn", "_ext_main", "MaxAPI.def")
        check_bundle(build / "macos/Vorn.mxo")
        check_macho(build / "macos/Vorn.d_fat", "_Vorn_setup", "pd.def")
    for platform in LINUX_TARGETS:
        if platform in platforms:
            check_elf(platform)
    if "windows" in platforms:
        check_pe(build / "windows/x64/Vorn.m_amd64")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
