#!/usr/bin/env bash
# q3sim as a process: help and usage errors, --link, the port registration file and its removal
# on SIGTERM and SIGINT, the state file across runs, seeded faults.
set -euo pipefail
bin="${1:?usage: sim_lifecycle.sh <build>/bin}"
source "$(dirname "$0")/sim_common.inc"
need_tool mbpoll mbpoll
need q3sim "target q3sim"
need q3sim_modbus_client "target q3sim_modbus_client, needs libmodbus-dev"
client="$bin/q3sim_modbus_client"

help=$("$bin/q3sim" --help) || fail "--help failed"
for option in --model --input --firmware --hardware --serial --tag --state --link --device \
    --tcp --baud --turnaround --seed --drop --crc --short --exception --stall --stray \
    --burnout --trace --help; do
    printf '%s\n' "$help" | grep -q -- "  $option" || fail "--help does not document $option"
done
status=0
"$bin/q3sim" --model Q3VX 2>"$work/usage.err" || status=$?
[ "$status" -eq 2 ] || fail "a bad model gave status $status, not 2"
grep -q -- '--model' "$work/usage.err" || fail "the usage error does not name --model"

# --link and the registration file, ended by SIGTERM.
link="$work/q3link"
start_sim link --model Q3VD1 --link "$link"
[ "$sim_port" = "$link" ] || fail "port line '$sim_port' is not the link $link"
[ -L "$link" ] || fail "$link is not a symlink"
entry="$XDG_RUNTIME_DIR/q3sim/$sim_pid.port"
[ -f "$entry" ] || fail "registration file $entry missing: $(ls -la "$XDG_RUNTIME_DIR"/q3sim)"
[ "$(cat "$entry")" = "$link"$'\t'"Q3 simulator Q3VD1 ($link)" ] ||
    fail "registration file holds '$(cat "$entry")'"
out=$(mbpoll_rtu -t 3 -r 9601 -c 1 "$link") || fail "mbpoll through the link failed: $out"
expect_line "$out" '^\[9601\]:[[:space:]]+1032$' "model number through the link"
stop_sim "$sim_pid" TERM
[ ! -e "$entry" ] || fail "registration file left behind after SIGTERM"
[ ! -L "$link" ] || fail "link left behind after SIGTERM"

# A pty port, ended by SIGINT.
start_sim plain --model 1021
entry="$XDG_RUNTIME_DIR/q3sim/$sim_pid.port"
[ "$(cat "$entry")" = "$sim_port"$'\t'"Q3 simulator Q3VC ($sim_port)" ] ||
    fail "registration file holds '$(cat "$entry")'"
stop_sim "$sim_pid" INT
[ ! -e "$entry" ] || fail "registration file left behind after SIGINT"

# The state file keeps settings between runs and supplies the model.
state="$work/unit.state"
start_sim state1 --model Q3VC --state "$state" --serial UNIT-7
"$client" "$sim_port" write 1050 1 >/dev/null || fail "write of the response rate failed"
"$client" "$sim_port" write 9629 0x51 0x33 >/dev/null || fail "write of the tag failed"
stop_sim "$sim_pid" TERM
grep -q '^model=1021$' "$state" || fail "state file lacks the model line"
grep -q '^1050=1$' "$state" || fail "state file lacks the response rate"
start_sim state2 --state "$state"
out=$("$client" "$sim_port" read 9600 1) || fail "read after restart failed"
[ "$out" = "1021" ] || fail "the restart did not take the model from the state file: $out"
out=$("$client" "$sim_port" read 1050 1) || fail "read after restart failed"
[ "$out" = "1" ] || fail "response rate after restart: $out"
out=$("$client" "$sim_port" read 9629 3) || fail "read after restart failed"
[ "$out" = "81 51 0" ] || fail "tag after restart: $out"
out=$("$client" "$sim_port" read 9603 2) || fail "read after restart failed"
[ "$out" = "20053 21577" ] || fail "serial number after restart: $out"
stop_sim "$sim_pid" TERM

# Seeded faults repeat from run to run.
start_sim faults1 --crc 0.3 --drop 0.2 --seed 11
first=$("$client" "$sim_port" probe 30) || fail "probe failed"
stop_sim "$sim_pid" TERM
start_sim faults2 --crc 0.3 --drop 0.2 --seed 11
second=$("$client" "$sim_port" probe 30) || fail "probe failed"
stop_sim "$sim_pid" TERM
[ "$first" = "$second" ] || fail "same seed, different faults: $first / $second"
[[ "$first" == *o* && "$first" == *x* ]] || fail "faults not mixed: $first"
echo "sim_lifecycle: ok"
