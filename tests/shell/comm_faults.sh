#!/usr/bin/env bash
# q3cli against a misbehaving q3sim, as processes: answers of another request (late, from
# another slave or unit, another function, a wrong byte count, a stale TCP frame) are never
# taken for the answer: an upload or compare either fails with the Modbus message or gives
# exactly the device's settings.
set -euo pipefail
bin=${1:?usage: comm_faults.sh BIN_DIR}
source "$(dirname "$0")/sim_common.inc"
export XDG_CONFIG_HOME="$work/config"
need q3sim "the simulator"
need q3cli "the command-line program"
cli="$bin/q3cli"
cd "$work"

# The device's settings as a fault-free upload sees them.
start_sim ref --model Q3VA --input constant:25
"$cli" upload ref.cfg --port "$sim_port" || fail "reference upload"
stop_sim "$sim_pid" TERM

# upload_under WHAT PORT_OPTION COMPARE ARGS...: an upload (and with COMPARE=compare a compare)
# through the faults of ARGS either fails with the Modbus message or gives exactly the device's
# settings.
upload_under() {
    local what=$1 port_option=$2 compare=$3
    shift 3
    start_sim fault --model Q3VA --input constant:25 "$@"
    local address=$sim_port
    local rc=0
    "$cli" upload got.cfg "$port_option" "$address" 2>err.txt || rc=$?
    if [ "$rc" -eq 0 ]; then
        cmp -s ref.cfg got.cfg || fail "$what: the upload reported success with wrong values:
$(diff ref.cfg got.cfg | head -n 6)"
    else
        grep -q "^q3cli: Modbus command failed\." err.txt ||
            fail "$what: upload failed unclearly: $(cat err.txt)"
    fi
    if [ "$compare" = compare ]; then
        rc=0
        "$cli" compare ref.cfg "$port_option" "$address" >out.txt 2>err.txt || rc=$?
        if [ "$rc" -ne 0 ]; then
            [ ! -s out.txt ] || fail "$what: compare listed differences that are not there:
$(cat out.txt)"
            grep -q "^q3cli: Modbus command failed\." err.txt ||
                fail "$what: compare failed unclearly: $(cat err.txt)"
        fi
    fi
    stop_sim "$sim_pid" TERM
    rm -f got.cfg
}

# RTU: answers 30 ms past the time-out cross the retry; a foreign slave, function or count.
upload_under "late answers" --port compare --stall 0.2 --stall-ms 260 --seed 6
upload_under "late answers" --port - --stall 0.3 --stall-ms 260 --seed 11
upload_under "another slave" --port - --wrong-address 0.1 --seed 3
upload_under "another function" --port - --wrong-function 0.1 --seed 3
upload_under "a wrong byte count" --port - --wrong-count 0.1 --seed 3
upload_under "duplicated answers" --port - --duplicate 0.2 --seed 3
# TCP: another unit, function, count, protocol id; a repeated frame; one answer 5.3 s late.
upload_under "TCP another unit" --tcp - --tcp 0 --wrong-address 0.1 --seed 4
upload_under "TCP another function" --tcp - --tcp 0 --wrong-function 0.1 --seed 4
upload_under "TCP a wrong byte count" --tcp - --tcp 0 --wrong-count 0.1 --seed 4
upload_under "TCP protocol id" --tcp - --tcp 0 --wrong-protocol 0.1 --seed 4
upload_under "TCP stale frames" --tcp compare --tcp 0 --duplicate 0.2 --seed 4
upload_under "TCP a late answer" --tcp - --tcp 0 --stall 0.015 --stall-ms 5300 --seed 2

echo "comm_faults: ok"
