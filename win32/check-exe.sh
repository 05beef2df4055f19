#!/usr/bin/env bash
# Checks a built plovex.exe: under 1 MB, 64-bit, a GUI program, and importing only DLLs
# that every Windows has (nothing to ship beside it).
#   check-exe.sh PLOVEX.EXE        (OBJDUMP: the MinGW objdump, found on the path if unset)
set -uo pipefail
exe=${1:?path of plovex.exe}
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}
system_dlls="KERNEL32.dll USER32.dll GDI32.dll SHELL32.dll msvcrt.dll ADVAPI32.dll"
status=0

size=$(stat -c %s "$exe")
if ((size < 1024 * 1024)); then
    echo "ok: $size bytes"
else
    echo "FAIL: $exe is $size bytes, 1 MB or more"
    status=1
fi

headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
grep -q "^Magic.*20b" <<<"$headers" && echo "ok: PE32+ (64-bit)" ||
    { echo "FAIL: not a 64-bit program"; status=1; }
grep -q "^Subsystem.*(Windows GUI)" <<<"$headers" && echo "ok: a GUI program" ||
    { echo "FAIL: not a GUI program (a console would open with it)"; status=1; }

dlls=$(awk '/DLL Name:/ { print $3 }' <<<"$headers")
[[ -n $dlls ]] || { echo "FAIL: no imports found"; status=1; }
for dll in $dlls; do
    if grep -qiw -- "$dll" <<<"$system_dlls"; then
        echo "ok: imports $dll"
    else
        echo "FAIL: imports $dll, which Windows does not have"
        status=1
    fi
done
exit $status
