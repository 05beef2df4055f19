#!/usr/bin/env bash
# Runs a Windows program under Wine for the tests (the MinGW tree's test emulator): in the
# prefix PLOVEX_WINEPREFIX that scripts/wine-prefix.sh prepared, with Wine's own messages
# off. Ends with the program's exit status.
set -euo pipefail
: "${PLOVEX_WINEPREFIX:?the Wine prefix to run in (scripts/wine-prefix.sh makes one)}"
export WINEPREFIX=$PLOVEX_WINEPREFIX WINEDEBUG=-all
exec wine "$@"
