#!/usr/bin/env bash
# q3cli's device commands as a process against q3sim: the port list with the registered
# simulator, identify, upload, compare, download, monitor, Modbus TCP and the exit statuses.
set -euo pipefail
bin=${1:?usage: comm_cli.sh BIN_DIR}
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/runtime"
export XDG_CONFIG_HOME="$work/config"
mkdir -m 700 "$XDG_RUNTIME_DIR"
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

for tool in q3cli q3sim; do
    [ -x "$bin/$tool" ] || fail "$bin/$tool is missing: build it first"
done
command -v socat >/dev/null || fail "socat is not installed (Debian package socat)"
cli="$bin/q3cli"

# start NAME ARGS...: q3sim in the background; sets port to the path it prints.
start() {
    local name=$1
    shift
    "$bin/q3sim" "$@" >"$work/$name.out" 2>"$work/$name.err" &
    pids+=($!)
    local i
    port=""
    for i in $(seq 200); do
        port=$(head -n 1 "$work/$name.out" 2>/dev/null || true)
        [ -n "$port" ] && return 0
        sleep 0.05
    done
    fail "q3sim $* printed no port: $(cat "$work/$name.err")"
}

start va --model Q3VA --serial SN-4711 --tag TT-101 --input constant:25
va=$port

# The registered simulator is offered; a ttyS port only when it has hardware behind it.
ports=$("$cli" ports)
grep -q "^$va	" <<<"$ports" || fail "the simulator $va is not listed:
$ports"
for p in $(printf '%s\n' "$ports" | cut -f1 | grep '^/dev/ttyS'); do
    [ "$(cat "/sys/class/tty/${p#/dev/}/type")" != 0 ] || fail "$p has no UART behind it"
done

# No port chosen: said, with the ports found, as a usage error.
status=0
err=$("$cli" identify 2>&1) || status=$?
[ "$status" -eq 2 ] || fail "identify without a port exited $status"
[[ "${err%%$'\n'*}" == "q3cli: no port chosen"* ]] || fail "no port: $err"
grep -q "^q3cli:   $va " <<<"$err" || fail "no port, ports found: $err"

out=$("$cli" identify --port "$va")
grep -qx "Model number	1001" <<<"$out" || fail "identify: $out"
grep -qx "Serial	SN-4711" <<<"$out" || fail "identify serial: $out"
grep -qx "Tag No.	TT-101" <<<"$out" || fail "identify tag: $out"

# The port chosen in Preferences is the default.
mkdir -p "$XDG_CONFIG_HOME/Drennic"
printf '[ComSettings]\r\nCOMPortName=%s\r\n' "$va" >"$XDG_CONFIG_HOME/Drennic/q3config.ini"
out=$("$cli" identify) || fail "identify on the stored port"
grep -qx "Model number	1001" <<<"$out" || fail "identify on the stored port: $out"

"$cli" upload "$work/va.cfg" 2>"$work/upload.err" || fail "upload: $(cat "$work/upload.err")"
[ ! -s "$work/upload.err" ] || fail "upload wrote to a non-terminal standard error: $(cat "$work/upload.err")"
out=$("$cli" compare "$work/va.cfg") || fail "compare of the uploaded file: $out"
[ "$out" = "All parameters matching." ] || fail "compare: $out"

"$cli" set "$work/va.cfg" 51 7.5 || fail "set"
status=0
out=$("$cli" compare "$work/va.cfg") || status=$?
[ "$status" -eq 1 ] || fail "compare of a changed file exited $status"
[ "$(printf '%s\n' "$out" | tail -n 1)" = "1 parameter(s) not matching." ] || fail "compare: $out"
[ "$(printf '%s\n' "$out" | head -n 1 | awk -F'\t' '{print NF}')" -eq 4 ] || fail "compare line: $out"

"$cli" download "$work/va.cfg" || fail "download"
out=$("$cli" compare "$work/va.cfg") || fail "compare after the download: $out"

# "-" is standard output and input: a device's settings piped through show and compare.
"$cli" upload - | "$cli" compare - >/dev/null || fail "upload - | compare -"
out=$("$cli" upload - | "$cli" show - --group 0) || fail "upload - | show -"
grep -q "^51	Filter time constant	7.5000 (sec)$" <<<"$out" || fail "upload - | show -: $out"
[ ! -e ./- ] || fail "upload - wrote a file named -"

out=$("$cli" monitor --count 2)
[ "$(printf '%s\n' "$out" | wc -l)" -eq 2 ] || fail "monitor lines: $out"
[[ "${out%%$'\n'*}" == *$'\t'25.0* ]] || fail "monitor input: $out"
out=$("$cli" monitor --count 1 --csv)
[ "$(printf '%s\n' "$out" | head -n 1 | cut -c1-5)" = "time," ] || fail "monitor csv: $out"
[ "$(printf '%s\n' "$out" | tail -n 1 | cut -d, -f2)" = 25.0 ] || fail "monitor csv input: $out"

# Another model: download and compare are refused with their messages.
start vb --model Q3VB
vb=$port
status=0
err=$("$cli" download "$work/va.cfg" --port "$port" 2>&1) || status=$?
[ "$status" -eq 1 ] || fail "download to another model exited $status"
[ "$err" = "q3cli: The settings of a different device cannot be downloaded." ] ||
    fail "download: $err"
status=0
err=$("$cli" compare "$work/va.cfg" --port "$port" 2>&1) || status=$?
[ "$status" -eq 1 ] && [ "$err" = "q3cli: The settings of a different device cannot be compared." ] ||
    fail "compare with another model ($status): $err"

# Several devices at once: a line per device in the order given, the worst exit status.
start va2 --model Q3VA --serial SN-4712
va2=$port
mkdir "$work/rack"
"$cli" upload "$work/rack" --port "$va" --port "$va2" >"$work/rack.out" ||
    fail "upload of two devices: $(cat "$work/rack.out")"
[ "$(cut -f1,2 "$work/rack.out")" = "$va	ok
$va2	ok" ] || fail "upload lines: $(cat "$work/rack.out")"
grep -q "^Q3VA_SN-4712_[0-9-]*\.cfg$" <<<"$(ls "$work/rack")" || fail "rack files: $(ls "$work/rack")"
# The same device again: a file of its own beside the first, never over it.
again=$("$cli" upload "$work/rack" --port "$va") || fail "second upload into the folder"
[ "${again%-2.cfg}" != "$again" ] && [ "$(ls "$work/rack" | wc -l)" -eq 3 ] ||
    fail "second upload: $again; $(ls "$work/rack")"
printf '# rack 1\n%s %s\n%s %s\n%s\n' "$va" "$work/va.cfg" "$va2" "$work/va.cfg" \
    "$work/none" >"$work/ports.txt"
status=0
"$cli" download --ports-from "$work/ports.txt" >"$work/rack.out" || status=$?
[ "$status" -eq 2 ] && [ ! -s "$work/rack.out" ] ||
    fail "a line without a file: exit $status, devices written: $(cat "$work/rack.out")"
status=0
"$cli" download - --port "$va" --port "$va2" <"$work/va.cfg" 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "standard input for two devices exited $status"
sed -i '$d' "$work/ports.txt"
printf '%s %s\n' "$vb" "$work/va.cfg" >>"$work/ports.txt"
status=0
"$cli" download --ports-from "$work/ports.txt" >"$work/rack.out" || status=$?
[ "$status" -eq 1 ] || fail "rack download exited $status: $(cat "$work/rack.out")"
[ "$(cut -f1,2 "$work/rack.out")" = "$va	ok
$va2	ok
$vb	refused" ] || fail "rack download lines: $(cat "$work/rack.out")"
"$cli" compare "$work/va.cfg" --port "$va2" >/dev/null || fail "the rack's second device differs"

# Modbus TCP, with the trace on standard error.
start tcp --model Q3VD1 --tcp 0
err=$("$cli" identify --tcp "$port" --trace 2>&1 >/dev/null)
# The first line by parameter expansion: a pipe into head could end printf early (SIGPIPE).
[ "${err%%$'\n'*}" = "ReadHoldingRegisters: adrs=9601 size=1" ] || fail "trace: $err"
# A transfer reads the model once, then the serial number that names the device in the history.
requests=$("$cli" upload - --tcp "$port" --trace 2>&1 >/dev/null | grep '^ReadHoldingRegisters:')
[ "$(head -2 <<<"$requests")" = "ReadHoldingRegisters: adrs=9601 size=1
ReadHoldingRegisters: adrs=9604 size=8" ] || fail "upload's first requests: $requests"
[ "$(grep -c 'adrs=9601 size=1$' <<<"$requests")" = 1 ] || fail "upload read the model again"

# A port nobody answers on: the composed message and exit status 1.
socat -d -d "pty,raw,echo=0,link=$work/mute.a" "pty,raw,echo=0,link=$work/mute.b" 2>/dev/null &
pids+=($!)
for i in $(seq 100); do [ -e "$work/mute.b" ] && break; sleep 0.05; done
status=0
err=$("$cli" identify --port "$work/mute.b" 2>&1) || status=$?
[ "$status" -eq 3 ] || fail "identify on a silent port exited $status"
[ "$err" = "q3cli: Modbus command failed. command=ReadHoldingRegister address=9601 size=1 reason=timeout." ] ||
    fail "silent port: $err"
echo "PASS: comm_cli"
