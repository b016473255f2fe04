#!/usr/bin/env bash
# Joins the arm64 and x86_64 builds (presets macos-arm64, macos-x64) into universal binaries:
#   build/macos/Vorn.mxo   the Max external, a bundle folder as the host expects it;
#   build/macos/Vorn.d_fat the Pd external (".d_fat": Pd's name for a universal macOS one).
# `make macos` runs it after both builds; with --pd, after the Pd slices alone (`make macos-pd`),
# it makes the Pd external only.
set -euo pipefail
cd "$(dirname "$0")/.."

lipo=$(command -v llvm-lipo-14 || command -v llvm-lipo)
version=$(sed -n 's/^inline constexpr const char \*version = "\([0-9.]*\)";/\1/p' src/box/interface_table.h)
[ -n "$version" ] || { echo "make_macos.sh: no version in src/box/interface_table.h" >&2; exit 1; }
arm=build/cross/macos-arm64 intel=build/cross/macos-x64
# The lowest macOS each slice runs on, as its preset's Zig target names it.
arm_min=$(sed -n 's/.*"VORN_ZIG_TARGET": "aarch64-macos\.\([0-9.]*\)".*/\1/p' CMakePresets.json)
intel_min=$(sed -n 's/.*"VORN_ZIG_TARGET": "x86_64-macos\.\([0-9.]*\)".*/\1/p' CMakePresets.json)

out=build/macos
if [ "${1:-}" = --pd ]; then
  mkdir -p "$out"
  rm -f "$out/Vorn.d_fat"
  "$lipo" -create "$arm/pd/Vorn" "$intel/pd/Vorn" -output "$out/Vorn.d_fat"
  echo "$out/Vorn.d_fat (arm64 from macOS $arm_min, x86_64 from macOS $intel_min)"
  exit 0
fi
bundle=$out/Vorn.mxo
rm -rf "$bundle" "$out/Vorn.d_fat"
mkdir -p "$bundle/Contents/MacOS"
"$lipo" -create "$arm/max/Vorn" "$intel/max/Vorn" -output "$bundle/Contents/MacOS/Vorn"
"$lipo" -create "$arm/pd/Vorn" "$intel/pd/Vorn" -output "$out/Vorn.d_fat"

# Package type and creator as Max externals carry them.
printf 'iLaXmax2' >"$bundle/Contents/PkgInfo"
cat >"$bundle/Contents/Info.plist" <<PLIST
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>CFBundleDevelopmentRegion</key>
	<string>English</string>
	<key>CFBundleExecutable</key>
	<string>Vorn</string>
	<key>CFBundleIdentifier</key>
	<string>org.vorn.Vorn</string>
	<key>CFBundleInfoDictionaryVersion</key>
	<string>6.0</string>
	<key>CFBundleName</key>
	<string>Vorn</string>
	<key>CFBundlePackageType</key>
	<string>iLaX</string>
	<key>CFBundleSignature</key>
	<string>max2</string>
	<key>CFBundleShortVersionString</key>
	<string>$version</string>
	<key>CFBundleVersion</key>
	<string>$version</string>
	<key>LSMinimumSystemVersion</key>
	<string>$intel_min</string>
	<key>LSMinimumSystemVersionByArchitecture</key>
	<dict>
		<key>arm64</key>
		<string>$arm_min</string>
		<key>x86_64</key>
		<string>$intel_min</string>
	</dict>
</dict>
</plist>
PLIST
echo "$bundle and $out/Vorn.d_fat (arm64 from macOS $arm_min, x86_64 from macOS $intel_min)"
