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
WINEPREFIX="$prefix.new" wineserver -w
mv "$prefix.new" "$prefix"
echo "Wine prefix $prefix prepared"
