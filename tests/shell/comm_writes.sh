#!/usr/bin/env bash
# q3cli writing to q3sim, as processes: a restore of register 900 that is never answered is
# said; a stop signal during a download puts the process mode back, a second one ends q3cli at
# once; two downloads to one device never mix.
set -euo pipefail
bin=${1:?usage: comm_writes.sh BIN_DIR}
source "$(dirname "$0")/sim_common.inc"
export XDG_CONFIG_HOME="$work/config"
need q3sim "the simulator"
need q3cli "the command-line program"
need_tool mbpoll mbpoll
cli="$bin/q3cli"
cd "$work"
"$cli" new Q3VA ref.cfg >/dev/null

# The restore of register 900 that never arrives: the download fails and says so.
start_sim lost --model Q3VA --tcp 0 --lose-restore
rc=0
"$cli" download ref.cfg --tcp "$sim_port" 2>err.txt || rc=$?
[ "$rc" -ne 0 ] || fail "a download whose mode restore was lost exited 0"
grep -q "register 900" err.txt || fail "the lost restore is not said: $(cat err.txt)"
stop_sim "$sim_pid" TERM

# A stop signal during a download: it ends after the current request with the mode put back.
start_sim slow --model Q3VA --baud 9600 --trace
"$cli" download ref.cfg --port "$sim_port" 2>err.txt &
cli_pid=$!
# Once the download has put the device into write mode (900 := 1), and a little into it.
for i in $(seq 200); do
    grep -q "write adrs=901 size=1" "$work/slow.out" && break
    sleep 0.05
done
sleep 0.5
kill -INT "$cli_pid"
rc=0
wait "$cli_pid" || rc=$?
[ "$rc" -eq 130 ] || fail "SIGINT during a download: exit status $rc, not 130: $(cat err.txt)"
grep -q "partly written" err.txt || fail "the cancelled download is not said: $(cat err.txt)"
mode=$(mbpoll_rtu -t 3 -r 901 -c 1 "$sim_port" | sed -n 's/^\[901\]:[[:space:]]*//p')
[ "$mode" = "0" ] || fail "after SIGINT the device is in process mode '$mode'"
stop_sim "$sim_pid" TERM

# A second signal ends at once, even while the restore is still being tried.
start_sim stuck --model Q3VA --tcp 0 --lose-restore --turnaround 20 --trace
"$cli" download ref.cfg --tcp "$sim_port" 2>err.txt &
cli_pid=$!
# Once the download itself has begun (the set before it is read first, for the history).
for i in $(seq 400); do
    grep -q "write adrs=901 size=1" "$work/stuck.out" && break
    sleep 0.05
done
sleep 0.5
kill -INT "$cli_pid"
sleep 0.5
kill -INT "$cli_pid"
for i in $(seq 40); do
    kill -0 "$cli_pid" 2>/dev/null || break
    sleep 0.05
done
kill -0 "$cli_pid" 2>/dev/null && fail "a second SIGINT did not end q3cli at once"
wait "$cli_pid" || true
stop_sim "$sim_pid" TERM

# Two programs download two files to one device at once: it ends with exactly one of them,
# and the second said that it waited.
cp ref.cfg a.cfg
cp ref.cfg b.cfg
"$cli" set a.cfg 2 150 >/dev/null
"$cli" set a.cfg 51 1 >/dev/null
"$cli" set b.cfg 2 200 >/dev/null
"$cli" set b.cfg 51 2.5 >/dev/null
start_sim shared --model Q3VA --tcp 0 --turnaround 3
"$cli" download a.cfg --tcp "$sim_port" 2>a.err &
a=$!
"$cli" download b.cfg --tcp "$sim_port" 2>b.err &
b=$!
rc_a=0
rc_b=0
wait "$a" || rc_a=$?
wait "$b" || rc_b=$?
[ "$rc_a" -eq 0 ] && [ "$rc_b" -eq 0 ] || fail "downloads: $rc_a $(cat a.err) / $rc_b $(cat b.err)"
grep -hq "Waiting for another program" a.err b.err ||
    fail "neither download waited for the other: $(cat a.err b.err)"
matches=0
for f in a.cfg b.cfg; do
    "$cli" compare "$f" --tcp "$sim_port" >/dev/null 2>&1 && matches=$((matches + 1))
done
[ "$matches" -eq 1 ] || fail "the device holds $matches of the two files, not exactly one"
stop_sim "$sim_pid" TERM
echo "comm_writes: ok"
