#!/usr/bin/env bash
# plovex-bench from end to end on the display it is given (under scripts/with-xvfb.sh), in a
# locale that writes numbers with a decimal comma: one whole run of the real program, one of
# the limit program and one with the display's X server moved to the limit's processor
# (--handover); the table, the JSON on standard output and the picture; the server's
# processors given back afterwards; then the result compared with itself, which must find no
# difference and pass the gate.
# Environment: PLOVEX_BENCH (the binary, built next to plovex and plovex-limit), DISPLAY.
set -uo pipefail
: "${PLOVEX_BENCH:?path of plovex-bench}" "${DISPLAY:?a display to measure on}"
out=$(mktemp -d /tmp/plovex-bench-e2e.XXXXXX)
trap 'rm -rf "$out"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# Each thread of a process with the processors it may run on.
processors() { grep -H Cpus_allowed_list /proc/"$1"/task/*/status; }

localedef -i de_DE -f UTF-8 "$out/de_DE.UTF-8" || { echo "FAIL: localedef (package locales)"; exit 1; }
comma=(env LOCPATH="$out" LC_ALL=de_DE.UTF-8)
[[ $("${comma[@]}" printf "%.1f" 2.5) == "2,5" ]] || { echo "FAIL: the test locale has no decimal comma"; exit 1; }
# The display's server, started beside this script by scripts/with-xvfb.sh.
server=$(pgrep -P "$PPID" -x Xvfb) || { echo "FAIL: no Xvfb beside this script"; exit 1; }
before=$(processors "$server")

"${comma[@]}" "$PLOVEX_BENCH" --handover --runs 1 --limit-runs 1 --json - --svg "$out/r.svg" >"$out/r.json" \
    2>"$out/table.txt"
status=$?
cat "$out/table.txt"
if ((status != 0)); then
    cat "$out/r.json"
    echo "FAIL: plovex-bench --handover ended with status $status"
    exit 1
fi
[[ $(processors "$server") == "$before" ]] || fail "the X server's processors were not given back"
grep -q $'\r' "$out/table.txt" && fail "progress was shown on standard error, not a terminal"
grep -q "^score: *median [0-9]" "$out/table.txt" || fail "the table has no median"
grep -q "the score is [0-9.]* % of this machine's limit" "$out/table.txt" || fail "the table gives no share of the limit"
grep -q "^  plovex-limit, one processor " "$out/table.txt" || fail "no limit on one processor"
grep -q "^frame: .* us at the median score: drawing" "$out/table.txt" || fail "no parts of a frame"
grep -q "dominates:" "$out/table.txt" || fail "the table does not say which part dominates"

# The result as a reader of the file sees it: JSON numbers with a point, whatever the locale.
python3 - "$out/r.json" <<'PY' || fail "the JSON on standard output does not hold the result"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["schema"] == "plovex-bench-result" and r["schema_version"] == 1, "schema"
assert r["ended_by"] == "runs" and r["precision_percent"] is None, r["ended_by"]
# The score read from the screen fits the frames Plovex counted in its 8.8 s.
run = r["runs"][0]
assert len(r["runs"]) == 1 and run["score"] > 0 and \
    abs(run["score"] - run["frames"] / 8.8) < 0.02 * run["score"] + 1, r["runs"]
for runs in (r["limit_runs"], r["one_cpu_limit_runs"]):
    assert len(runs) == 1 and runs[0]["fps"] > 0 and 0 < runs[0]["draw_us_per_frame"] < 1e6, runs
s = r["summary"]
assert s["runs"] == 1 and s["percent_of_limit"] > 0 and s["limited_by"]["text"], s
assert [p["what"] for p in s["programs"]] == [
    "Plovex, free", "plovex-limit, free", "plovex-limit, one processor"], s["programs"]
parts = s["frame_us"]
assert abs(parts["frame"] - 1e6 / s["median"]) < 0.1 and parts["drawing"] > 0, parts
e = r["environment"]
assert e["x_server"].startswith("Xvfb") and e["mit_shm"] and e["platform"] == "xcb", e
assert e["cores"] > 0 and e["kernel"] and e["plovex_version"] and not e["one_cpu"], e
PY

# The picture of the result: a dot for each run, at the scores of the file.
python3 - "$out/r.json" "$out/r.svg" <<'PY' || fail "r.svg does not show the runs"
import json, sys, xml.etree.ElementTree as ET
r = json.load(open(sys.argv[1]))
svg = ET.parse(sys.argv[2]).getroot()
dots = svg.findall(".//{http://www.w3.org/2000/svg}circle")
assert sorted(float(d.get("data-score")) for d in dots) == sorted(run["score"] for run in r["runs"]), dots
for element in svg.iter():
    for name in ("x", "y", "cx", "cy", "x1", "x2", "y1", "y2"):
        if element.get(name) is not None:
            float(element.get(name))  # a decimal comma fails here
PY

"${comma[@]}" "$PLOVEX_BENCH" --compare "$out/r.json" "$out/r.json" --fail-if-slower 5 >"$out/compare.txt" 2>&1
status=$?
cat "$out/compare.txt"
((status == 0)) || fail "--compare --fail-if-slower ended with status $status"
grep -q "^B: no significant difference from A at 5 %" "$out/compare.txt" ||
    fail "a result compared with itself shows a difference"
grep -q "^gate: passed" "$out/compare.txt" || fail "a result compared with itself fails the gate"

((failures == 0)) || exit 1
echo "all checks passed"
