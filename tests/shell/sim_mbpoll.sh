#!/usr/bin/env bash
# Interop: independent Modbus masters (mbpoll, and a client on libmodbus) against q3sim, over a
# pseudo-terminal and over Modbus TCP. Proves the framing is real Modbus, not only ours.
set -euo pipefail
bin="${1:?usage: sim_mbpoll.sh <build>/bin}"
source "$(dirname "$0")/sim_common.inc"
need_tool mbpoll mbpoll
need q3sim "target q3sim"
need q3sim_modbus_client "target q3sim_modbus_client, needs libmodbus-dev"

start_sim rtu --model Q3VA --hardware 1.02 --trace
port=$sim_port
[ -c "$port" ] || fail "port line '$port' is not a character device"

# mbpoll: -t 3 reads input registers with function 0x04; -r is one-based, so 9601 = 9600.
out=$(mbpoll_rtu -t 3 -r 9601 -c 3 "$port") || fail "mbpoll read of 9600-9602 failed: $out"
expect_line "$out" '^\[9601\]:[[:space:]]+1001$' "model number"
expect_line "$out" '^\[9602\]:[[:space:]]+102$' "hardware version"
expect_line "$out" '^\[9603\]:[[:space:]]+110$' "firmware version"

# 32-bit values, low half in the lower register (mbpoll's default word order).
out=$(mbpoll_rtu -t 3:int -r 2006 -c 2 "$port") || fail "mbpoll 32-bit read failed: $out"
expect_line "$out" '^\[2006\]:[[:space:]]+24000$' "output 1 low limit"
expect_line "$out" '^\[2008\]:[[:space:]]+216000$' "output 1 high limit"

# A register outside the map: exception 2, which mbpoll names.
if out=$(mbpoll_rtu -t 3 -r 11 -c 1 "$port" 2>&1); then
    fail "mbpoll read of register 10 succeeded: $out"
fi
expect_line "$out" 'Illegal data address' "exception 2"

# libmodbus writes (function 0x10) and reads back; then q3sim reports the writes.
out=$("$bin/q3sim_modbus_client" "$port" interop 2>&1) || fail "libmodbus interop failed: $out"
expect_line "$out" '^interop ok$' "libmodbus interop"
trace=$(cat "$work/rtu.out")
expect_line "$trace" '^RX 01 10 25 9D 00 10 20 00 49 00 4E .*\| write adrs=9630 size=16$' \
    "trace of the tag write"
expect_line "$trace" '^RX 01 10 03 E8 00 01 02 00 01 43 B8  \| write adrs=1001 size=1$' \
    "trace of the input type write"
expect_line "$trace" '^TX 01 10 03 E8 00 01 81 B9$' "trace of the write answer"
# ... and an independent reader sees the values.
out=$(mbpoll_rtu -t 3 -r 9630 -c 7 "$port") || fail "mbpoll tag read failed: $out"
expect_line "$out" '^\[9630\]:[[:space:]]+73$' "tag character I"
expect_line "$out" '^\[9636\]:[[:space:]]+80$' "tag character P"
out=$(mbpoll_rtu -t 3 -r 1001 -c 1 "$port") || fail "mbpoll input type read failed: $out"
expect_line "$out" '^\[1001\]:[[:space:]]+1$' "input type written by libmodbus"

# Modbus TCP on 127.0.0.1 with both masters.
start_sim tcp --model Q3VB1 --tcp 0
tcp=$sim_port
expect_line "$tcp" '^127\.0\.0\.1:[0-9]+$' "TCP port line"
out=$(mbpoll -m tcp -p "${tcp#127.0.0.1:}" -a 1 -t 3 -r 9601 -c 1 -1 127.0.0.1) ||
    fail "mbpoll over TCP failed: $out"
expect_line "$out" '^\[9601\]:[[:space:]]+1012$' "model number over TCP"
out=$("$bin/q3sim_modbus_client" "$tcp" interop 2>&1) || fail "libmodbus over TCP failed: $out"
expect_line "$out" '^interop ok$' "libmodbus interop over TCP"
echo "sim_mbpoll: ok"
