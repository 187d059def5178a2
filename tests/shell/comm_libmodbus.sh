#!/usr/bin/env bash
# Interop: our Modbus client (q3_modbus_probe over CModbusInterface) against a libmodbus RTU
# slave, an independent implementation, over a socat pseudo-terminal pair.
set -euo pipefail
bin=${1:?usage: comm_libmodbus.sh BIN_DIR}
work=$(mktemp -d)
pids=()

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
cleanup() {
    local p
    for p in "${pids[@]}"; do
        kill "$p" 2>/dev/null || true
        wait "$p" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

command -v socat >/dev/null || fail "socat is not installed (Debian package socat)"
for tool in q3_modbus_probe q3_modbus_slave; do
    [ -x "$bin/$tool" ] || fail "$bin/$tool is missing: build it (q3_modbus_slave needs libmodbus-dev)"
done

# pair NAME: a socat pty pair $work/NAME.a <-> $work/NAME.b
pair() {
    socat -d -d "pty,raw,echo=0,link=$work/$1.a" "pty,raw,echo=0,link=$work/$1.b" \
        2>"$work/$1.socat" &
    pids+=($!)
    local i
    for i in $(seq 100); do
        [ -e "$work/$1.a" ] && [ -e "$work/$1.b" ] && return 0
        sleep 0.05
    done
    fail "socat made no pty pair: $(cat "$work/$1.socat")"
}

# slave NAME BAUD: the libmodbus slave on side a, its request log in $work/NAME.log (appended,
# so the test can empty it)
slave() {
    "$bin/q3_modbus_slave" "$work/$1.a" "$2" >>"$work/$1.log" 2>"$work/$1.err" &
    pids+=($!)
    local i
    for i in $(seq 100); do
        grep -q '^ready$' "$work/$1.log" 2>/dev/null && return 0
        sleep 0.05
    done
    fail "q3_modbus_slave did not start: $(cat "$work/$1.err")"
}

expect() { # WHAT EXPECTED ACTUAL
    [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}

pair line
slave line 9600
probe="$bin/q3_modbus_probe $work/line.b"

expect "model register" "1001" "$($probe read 9600 1)"
expect "initial registers" "100 101 102" "$($probe read 100 3)"
$probe write 1010 34464 1 || fail "write of two registers"
expect "read back" "34464 1" "$($probe read 1010 2)"
$probe write 2000 $(seq 1 100) || fail "write of 100 registers"
expect "read back of 100" "$(seq -s ' ' 1 100)" "$($probe read 2000 100)"

# An address outside the slave's map: libmodbus answers exception 2.
status=0
message=$($probe read 20000 1 2>&1) || status=$?
expect "exit status of a failed read" "1" "$status"
expect "exception message" \
    "Modbus command failed. command=ReadHoldingRegister address=20001 size=1 reason=receive exception 2." \
    "$message"

# The fixed-line mode: 1200 baud, slave 1, requests of at most 8 registers.
pair fixed
slave fixed 1200
: >"$work/fixed.log"
expect "fixed-line read" "$(seq -s ' ' 300 319)" "$("$bin/q3_modbus_probe" --fixed-line "$work/fixed.b" read 300 20)"
expect "fixed-line requests" "4 300 8
4 308 8
4 316 4" "$(cat "$work/fixed.log")"
echo "PASS: comm_libmodbus"
