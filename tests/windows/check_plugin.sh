#!/usr/bin/env bash
# Static check of a plug-in with objdump -p: the PE format of its width, ext_main as its only
# export, and imports from MaxAPI.dll and system DLLs alone (the runtime linked in).
#   check_plugin.sh OBJDUMP PLUGIN FORMAT      (FORMAT: pei-x86-64 or pei-i386)
set -uo pipefail
objdump=$1 plugin=$2 format=$3
allowed_dlls=(MaxAPI.dll KERNEL32.dll msvcrt.dll)

headers=$("$objdump" -p "$plugin") || exit 1
failed=0

if ! grep -q "file format $format\$" <<<"$headers"; then
  echo "$plugin is not $format: $(grep -m1 'file format' <<<"$headers")"
  failed=1
fi

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] *//p' <<<"$headers")
if [ "$exports" != "ext_main" ]; then
  echo "exports should be ext_main alone, are:" ${exports:-nothing}
  failed=1
fi

dlls=$(sed -n 's/^\s*DLL Name: *//p' <<<"$headers")
grep -qx MaxAPI.dll <<<"$dlls" || { echo "imports nothing from MaxAPI.dll"; failed=1; }
for dll in $dlls; do
  if [[ " ${allowed_dlls[*]} " != *" $dll "* ]]; then
    echo "imports from $dll"
    failed=1
  fi
done

[ $failed -eq 0 ] && echo "$(basename "$plugin"): exports ext_main; imports from" $dlls
exit $failed
