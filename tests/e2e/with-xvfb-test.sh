#!/usr/bin/env bash
# scripts/with-xvfb.sh with stand-in servers that fail in each way a server can: it must
# say so and end with a non-zero status without running the command, or a test would run
# with no display, or someone else's, and its failure would be reported as the program's.
#   with-xvfb-test.sh PATH_OF_WITH_XVFB_SH
set -uo pipefail
with_xvfb=${1:?path of with-xvfb.sh}
work=$(mktemp -d /tmp/plovex-with-xvfb-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0

# refuses NAME STAND_IN_BODY: with the stand-in as Xvfb, the command must not run.
refuses() {
    mkdir -p "$work/$1"
    printf '#!/bin/sh\n%s\n' "$2" >"$work/$1/Xvfb"
    chmod +x "$work/$1/Xvfb"
    PATH="$work/$1:$PATH" "$with_xvfb" touch "$work/$1/ran" 2>"$work/$1/said"
    local status=$?
    if ((status != 0)) && [[ ! -e $work/$1/ran ]] && grep -q 'the command was not run' "$work/$1/said"; then
        echo "ok: $1: status $status, $(head -1 "$work/$1/said")"
    else
        echo "FAIL: $1: status $status, command $([[ -e $work/$1/ran ]] && echo run || echo not run)," \
            "said: $(cat "$work/$1/said")"
        failures=$((failures + 1))
    fi
}

refuses "never answers" 'exec sleep 60'
refuses "ends at once" 'echo "cannot start" >&2; exit 1'
# A display number that nothing serves, as if the server were gone right after naming it.
unserved=5000
while [[ -e /tmp/.X11-unix/X$unserved ]]; do unserved=$((unserved + 1)); done
refuses "names a display it does not serve" "echo $unserved >&3; exec sleep 60"
exit $((failures > 0))
