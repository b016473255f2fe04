#!/usr/bin/env bash
# Lays out the Max package dist/Vorn/ from the Windows and macOS builds and the generated
# help, and zips it to dist/Vorn.zip. `make dist` runs it after `make windows`, `make macos`
# and `make help`.
set -euo pipefail
cd "$(dirname "$0")/.."

package=dist/Vorn
rm -rf "$package" dist/Vorn.zip
mkdir -p "$package"/{externals,help,docs/refpages,examples}

cp build/windows/x64/Vorn.mxe64 build/windows/x86/Vorn.mxe "$package/externals/"
cp -R build/macos/Vorn.mxo "$package/externals/"
cp build/help/Vorn.maxhelp "$package/help/"
cp build/help/Vorn.maxref.xml "$package/docs/refpages/"
cp build/help/package-info.json "$package/"
# Every example as a patch for each host, and the scripts for vorn-sim.
cp build/help/Vorn-*.maxpat build/help/Vorn-*.pd examples/*.vorn "$package/examples/"
rm -f "$package/examples/Vorn-help.pd"
# A user's README (the top-level one is the developers'), the pictures and the users' guides.
cp docs/*.svg docs/*.png docs/layouts.md docs/mask-editor.md "$package/docs/"
cp docs/max-package/README.md LICENSE CHANGELOG.md "$package/"
# Any folder of a package is on the host's search path, so a jweb's "read" finds the editor here.
if [ -f editor/vorn-mask-editor.html ]; then
  mkdir -p "$package/javascript"
  cp editor/vorn-mask-editor.html "$package/javascript/"
fi

(cd dist && zip -q -r -X Vorn.zip Vorn)
echo "dist/Vorn/ and dist/Vorn.zip"
