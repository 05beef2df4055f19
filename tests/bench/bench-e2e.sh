#!/usr/bin/env bash
# plovex-bench from end to end: three whole runs of the real program and one of the limit
# program on a private Xvfb, the table and the JSON result; then the result compared with
# itself, which must find no difference.
# Environment: PLOVEX_BENCH (the binary, built next to plovex and plovex-limit).
set -uo pipefail
: "${PLOVEX_BENCH:?path of plovex-bench}"
out=$(mktemp -d /tmp/plovex-bench-e2e.XXXXXX)
trap 'rm -rf "$out"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

"$PLOVEX_BENCH" --xvfb --runs 3 --limit-runs 1 --json "$out/r.json" --svg "$out/r.svg" >"$out/table.txt" \
    2>"$out/stderr.txt"
status=$?
if ((status != 0)); then
    cat "$out/table.txt" "$out/stderr.txt"
    echo "FAIL: plovex-bench --xvfb ended with status $status"
    exit 1
fi
cat "$out/table.txt"
grep -q "^score: *median [0-9]" "$out/table.txt" || fail "the table has no median"
grep -q "of this machine's limit" "$out/table.txt" || fail "the table gives no share of the limit"

# The result as a reader of the file sees it.
python3 - "$out/r.json" <<'PY' || fail "r.json does not hold the result"
import json, sys
r = json.load(open(sys.argv[1]))
assert r["schema"] == "plovex-bench-result" and r["schema_version"] == 1, "schema"
# The score read from the screen fits the frames Plovex counted in its 8.8 s.
assert len(r["runs"]) == 3 and all(
    run["score"] > 0 and abs(run["score"] - run["frames"] / 8.8) < 0.02 * run["score"] + 1
    for run in r["runs"]), r["runs"]
assert len(r["limit_runs"]) == 1 and r["limit_runs"][0]["fps"] > 0, r["limit_runs"]
s = r["summary"]
assert s["runs"] == 3 and s["min"] <= s["median"] <= s["max"], s
assert s["percent_of_limit"] > 0 and s["limited_by"]["text"], s
e = r["environment"]
assert e["x_server"].startswith("Xvfb") and e["mit_shm"] and e["platform"] == "xcb", e
assert e["cores"] > 0 and e["kernel"] and e["plovex_version"], e
PY

# The picture of the result: a dot for each run, at the scores of the file.
python3 - "$out/r.json" "$out/r.svg" <<'PY' || fail "r.svg does not show the runs"
import json, sys, xml.etree.ElementTree as ET
r = json.load(open(sys.argv[1]))
dots = ET.parse(sys.argv[2]).getroot().findall(".//{http://www.w3.org/2000/svg}circle")
assert sorted(float(d.get("data-score")) for d in dots) == sorted(run["score"] for run in r["runs"]), dots
PY

"$PLOVEX_BENCH" --compare "$out/r.json" "$out/r.json" >"$out/compare.txt" 2>&1
status=$?
cat "$out/compare.txt"
((status == 0)) || fail "--compare ended with status $status"
grep -q "^no significant difference at 5 %" "$out/compare.txt" ||
    fail "a result compared with itself shows a difference" 

((failures == 0)) || exit 1
echo "all checks passed"
