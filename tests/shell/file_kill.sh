#!/usr/bin/env bash
# Saves killed at random moments (kill -9 of q3cli while it rewrites a parameter file and a
# table file): each file is always the old one or the new one, whole, and the next save of the
# same file leaves no temporary file behind.
set -euo pipefail
bin=${1:?usage: file_kill.sh BIN_DIR}
cli="$bin/q3cli"
[ -x "$cli" ] || { echo "FAIL: $cli is missing: build it first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config"
cd "$work"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$cli" new Q3VA p.cfg >/dev/null
"$cli" export-table p.cfg t.tbl >/dev/null
killed=0
for i in $(seq 60); do
    value=$((100 + i))
    "$cli" set p.cfg 2 "$value" >/dev/null 2>&1 &
    pid=$!
    "$cli" export-table p.cfg t.tbl >/dev/null 2>&1 &
    pid2=$!
    # Anywhere from before the start to after the end of the save.
    sleep "0.00$((RANDOM % 10))"
    kill -9 "$pid" "$pid2" 2>/dev/null && killed=$((killed + 1)) || true
    wait "$pid" 2>/dev/null || true
    wait "$pid2" 2>/dev/null || true
    got=$("$cli" get p.cfg 2) || fail "after kill $i the parameter file does not load"
    case "$got" in
    "$((value - 1)).0000" | "$value.0000" | "100.0000") ;;
    *) fail "after kill $i P2 is '$got', neither old nor new" ;;
    esac
    "$cli" import-table p.cfg t.tbl >/dev/null 2>&1 ||
        fail "after kill $i the table file does not load: $("$cli" import-table p.cfg t.tbl 2>&1)"
    # The value that is there now is the old one of the next round.
    "$cli" set p.cfg 2 "$value" >/dev/null
done
"$cli" set p.cfg 2 150 >/dev/null
"$cli" export-table p.cfg t.tbl >/dev/null
left=$(ls -A | grep -E 'tmp' || true)
[ -z "$left" ] || fail "temporary files left behind: $left"
echo "file_kill: ok ($killed of 60 rounds killed a running q3cli)"
