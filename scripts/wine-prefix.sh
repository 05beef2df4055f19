#!/usr/bin/env bash
# Prepares a private Wine prefix for the tests, once: wineboot -i takes about 10 s, so a
# prefix that is already there is kept.
#   wine-prefix.sh DIR
set -euo pipefail
prefix=${1:?directory of the prefix}
if [[ -f $prefix/system.reg ]]; then
    echo "Wine prefix $prefix is ready"
    exit 0
fi
mkdir -p "$(dirname "$prefix")"
rm -rf "$prefix.new"
# No display: Wine asks nothing; no Mono or Gecko installer is looked for.
env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$prefix.new" WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i
# Menus and dialogs draw in Wine's own UI face, which has no Japanese glyphs; link it to
# a Japanese face, as a Windows does with its UI faces.
for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2"; do
    WINEPREFIX="$prefix.new" WINEDEBUG=-all wine reg add \
        'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d 'ipagp.ttf,IPAPGothic' /f >/dev/null
done
WINEPREFIX="$prefix.new" wineserver -w
mv "$prefix.new" "$prefix"
echo "Wine prefix $prefix prepared"
