#!/usr/bin/env bash
# The Debian package from end to end: builds it with CPack, checks it with lintian, installs
# it with apt-get, runs the installed /usr/bin/plovex through a full run on a private Xvfb
# (the end-to-end suite's window_manager case: the finished window, a drag, a click on quit,
# exit status 0), has the installed plovex-bench measure it and its limit once, and removes
# the package again, whatever happened.
# Needs root or sudo without a password; exits 77 (skipped) without, and also when a plovex
# package is installed already, which this test would otherwise replace and then remove.
# Environment: BUILD_DIR (a built tree), PACKAGE_OUT (scratch folder), CPACK, SOURCE_DIR,
# PLOVEX_INSPECT, EXPECT_VERSION, EXPECT_FILES (paths the package must hold, space-separated).
set -uo pipefail

: "${BUILD_DIR:?}" "${PACKAGE_OUT:?}" "${CPACK:?}" "${SOURCE_DIR:?}" "${PLOVEX_INSPECT:?}"
: "${EXPECT_VERSION:?}" "${EXPECT_FILES:?}"
readonly skip=77
t0=$(date +%s%3N)
log() { printf '[%6d ms] %s\n' $(($(date +%s%3N) - t0)) "$*"; }
failures=0
fail() {
    log "FAIL: $*"
    failures=$((failures + 1))
}
# A failure after which the rest makes no sense.
die() {
    fail "$*"
    exit 1
}

sudo=()
if [[ $(id -u) -ne 0 ]]; then
    if sudo -n true 2>/dev/null; then
        sudo=(sudo -n)
    else
        log "SKIP: installing a package needs root or sudo without a password"
        exit $skip
    fi
fi
apt_get() {
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get -y -q -o DPkg::Lock::Timeout=120 "$@"
}
installed() { dpkg-query -W -f='${Status}' plovex 2>/dev/null | grep -q 'install ok installed'; }

# The package is installed system-wide: one such test at a time on this machine, from
# whichever build tree.
exec 9>"${TMPDIR:-/tmp}/plovex-package-test.lock"
flock -w 240 9 || die "another package test kept the lock for 4 minutes"
if installed; then
    log "SKIP: a plovex package is installed already; remove it to run this test"
    exit $skip
fi

rm -rf "$PACKAGE_OUT"
mkdir -p "$PACKAGE_OUT"
if ! "$CPACK" --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$PACKAGE_OUT" \
    >"$PACKAGE_OUT/cpack.log" 2>&1; then
    cat "$PACKAGE_OUT/cpack.log"
    die "cpack failed"
fi
debs=("$PACKAGE_OUT"/plovex_*.deb)
[[ ${#debs[@]} == 1 && -f ${debs[0]} ]] || die "expected one plovex_*.deb in $PACKAGE_OUT, found: ${debs[*]}"
deb=${debs[0]}
log "built $(basename "$deb"), $(stat -c %s "$deb") bytes"

# The control fields and the contents.
version=$(dpkg-deb -f "$deb" Version)
[[ $version == "$EXPECT_VERSION" ]] || fail "package version is '$version', expected $EXPECT_VERSION"
depends=$(dpkg-deb -f "$deb" Depends)
log "Depends: $depends"
# From shlibdeps (the binary's libraries) and from the run-time needs the binary cannot show.
for want in libqt6widgets6 libc6 libxrandr2 qt6-qpa-plugins fonts-ipafont-gothic fonts-ipafont-mincho \
    fonts-motoya-l-maruberi; do
    [[ ", $depends," == *", $want"[\ ,]* ]] || fail "Depends lacks $want"
done
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
read -r -a expect_files <<<"$EXPECT_FILES"
for path in "${expect_files[@]}"; do
    grep -qxF "./$path" <<<"$contents" || fail "package lacks /$path"
done

# lintian: warnings and notes are shown, errors fail.
lintian --display-level '>=warning' "$deb" >"$PACKAGE_OUT/lintian.log" 2>&1
lintian_status=$?
grep -v 'running with root privileges' "$PACKAGE_OUT/lintian.log"
if grep -q '^E:' "$PACKAGE_OUT/lintian.log"; then
    fail "lintian reports errors"
elif ((lintian_status != 0)); then
    fail "lintian ended with status $lintian_status"
else
    log "ok: lintian lists $(grep -c '^W:' "$PACKAGE_OUT/lintian.log") warning(s), no errors"
fi

# Install, run, remove.
remove() {
    trap - EXIT INT TERM
    if installed || [[ -e /usr/bin/plovex ]]; then
        apt_get purge plovex >"$PACKAGE_OUT/purge.log" 2>&1 || {
            cat "$PACKAGE_OUT/purge.log"
            fail "apt-get purge plovex failed"
        }
        if installed || [[ -e /usr/bin/plovex ]]; then
            fail "the package is still installed after the purge"
        else
            log "ok: package removed"
        fi
    fi
    if ((failures)); then
        log "$failures check(s) failed; cpack, lintian and apt logs are in $PACKAGE_OUT"
        exit 1
    fi
    log "all checks passed"
    exit 0
}
trap remove EXIT
trap 'fail interrupted; remove' INT TERM

if ! apt_get install --no-install-recommends "$deb" >"$PACKAGE_OUT/install.log" 2>&1; then
    cat "$PACKAGE_OUT/install.log"
    die "apt-get install failed"
fi
installed || die "apt-get install ran but the package is not installed"
log "ok: installed with apt-get"
[[ -x /usr/bin/plovex ]] || die "/usr/bin/plovex is missing or not executable"
# The project version compiled into the program.
grep -qaF "$EXPECT_VERSION" /usr/bin/plovex || fail "/usr/bin/plovex does not carry version $EXPECT_VERSION"

# The installed program, under a window manager as on a desktop.
if PLOVEX=/usr/bin/plovex PLOVEX_INSPECT=$PLOVEX_INSPECT E2E_ARTIFACTS=$PACKAGE_OUT/run \
    "$SOURCE_DIR/scripts/with-xvfb.sh" --wm "$SOURCE_DIR/tests/e2e/e2e.sh" window_manager; then
    log "ok: the installed program ran, finished its run and quit with status 0"
else
    fail "the installed program's run (screenshots in $PACKAGE_OUT/run)"
fi

# The installed bench, which finds the installed program and limit next to it.
if /usr/bin/plovex-bench --xvfb --runs 1 --limit-runs 1 >"$PACKAGE_OUT/bench.log" 2>&1 &&
    grep -q "of this machine's limit" "$PACKAGE_OUT/bench.log"; then
    log "ok: the installed plovex-bench measured the installed program and its limit"
else
    cat "$PACKAGE_OUT/bench.log"
    fail "the installed plovex-bench (its output is in $PACKAGE_OUT/bench.log)"
fi
