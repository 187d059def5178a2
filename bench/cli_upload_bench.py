#!/usr/bin/env python3
"""q3cli upload of a Q3VA from a simulator on an emulated 9600-baud line, against the protocol
minimum of the upload's own requests, counted as bench/comm_bench.cpp counts it: every request
and answer character at 11 bits, the 1 ms drain read and the silent interval the client keeps
with each request (120000 / baud + 1 ms). The transfer's own requests are those of the window's
upload: the model, then every setting. q3cli reads the model once, and the serial number right
after it to identify the device; that read is overhead, not part of the minimum, and so is
starting the program.
Usage: cli_upload_bench.py BIN_DIR [RUNS]   (median of RUNS, default 5)
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

BAUD = 9600
BITS_PER_CHAR = 11
DRAIN_READ_S = 0.001
SILENT_INTERVAL_S = (120000 // BAUD + 1) / 1000


def exchange_seconds(request_bytes, answer_bytes):
    wire = (request_bytes + answer_bytes) * BITS_PER_CHAR / BAUD
    return DRAIN_READ_S + wire + SILENT_INTERVAL_S


def main():
    bin_dir = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, XDG_DATA_HOME=tmp, XDG_CONFIG_HOME=tmp)
        env.setdefault("XDG_RUNTIME_DIR", tmp)
        trace_path = os.path.join(tmp, "trace")
        with open(trace_path, "w") as trace:
            sim = subprocess.Popen([os.path.join(bin_dir, "q3sim"), "--model", "Q3VA", "--baud",
                                    str(BAUD), "--trace"], stdout=trace, stderr=subprocess.STDOUT,
                                   env=env)
        try:
            port = ""
            for _ in range(100):
                with open(trace_path) as f:
                    port = f.readline().strip()
                if port:
                    break
                time.sleep(0.05)
            times = []
            for n in range(runs):
                start = time.monotonic()
                subprocess.run([os.path.join(bin_dir, "q3cli"), "--port", port, "upload",
                                os.path.join(tmp, f"u{n}.cfg")], check=True, env=env)
                times.append(time.monotonic() - start)
        finally:
            sim.terminate()
            sim.wait()
        with open(trace_path) as f:
            lines = [l for l in f.read().splitlines()[1:] if l.startswith(("RX", "TX"))]
    # One run's exchanges: RX (request) and TX (answer) lines, hex bytes before any " |".
    exchanges = []
    requests = []
    for rx, tx in zip(lines[0::2], lines[1::2]):
        def count(line):
            return len(line.split("|")[0].split()) - 1
        requests.append(rx.split("|")[-1].strip())
        exchanges.append(exchange_seconds(count(rx), count(tx)))
    per_run = len(exchanges) // runs
    # One-based addresses: the model register, then the serial number that identifies the device.
    if requests[0] != "read adrs=9601 size=1" or requests[1] != "read adrs=9604 size=8" or \
            requests.count("read adrs=9601 size=1") != runs:
        sys.exit(f"unexpected requests: {requests[:3]}, {requests.count('read adrs=9601 size=1')} "
                 "model reads")
    own = exchanges[:1] + exchanges[2:per_run]
    minimum = sum(own)
    median = statistics.median(times)
    print(f"requests per upload: {per_run} (the transfer's {len(own)}, identification 1)")
    print(f"protocol minimum of the transfer's requests: {minimum:.3f} s")
    print(f"q3cli upload, median of {runs}: {median:.3f} s")
    print(f"ratio: {median / minimum:.3f}")


if __name__ == "__main__":
    main()
