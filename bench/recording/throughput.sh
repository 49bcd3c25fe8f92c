#!/usr/bin/env bash
# Recording throughput through a pseudo-terminal, with kordel-sim --fast sending
# as fast as the reader takes the lines:
#   kordel-record (headless) and the window with its live charts.
#   bench/recording/throughput.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
secs=${2:-5}
work=$(mktemp -d)
trap 'kill $sim 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"

"$build/tools/kordel-sim/kordel-sim" --fast --link "$work/link" --start "2007-05-22 10:00:00" >/dev/null &
sim=$!
for _ in $(seq 50); do [ -e "$work/link" ] && break; sleep 0.1; done
mkdir out
"$build/tools/kordel-record/kordel-record" --port "$work/link" --output-dir out 2>/dev/null &
rec=$!
sleep "$secs"
kill -TERM $rec; wait $rec || true
bytes=$(cat out/*.pc | wc -c)
/usr/bin/python3 - "$secs" out <<'PY'
import sys, os, glob
secs = float(sys.argv[1])
data = b"".join(open(f, "rb").read() for f in sorted(glob.glob(sys.argv[2] + "/*.pc")))
lines = [data[i:i + 63] for i in range(0, len(data) - len(data) % 63, 63)]
good = sum(1 for l in lines if l.endswith(b"\r\n"))
# --fast moves the instrument's clock one second per line: consecutive lines
# differ by one second, so a lost line shows as a jump.
def secs_of(l):
    return int(l[11:13]) * 3600 + int(l[14:16]) * 60 + int(l[17:19])
jumps = sum(1 for a, b in zip(lines, lines[1:]) if (secs_of(b) - secs_of(a)) % 86400 != 1)
print(f"kordel-record: {len(lines)} lines in {secs:.0f} s = {len(lines) / secs:.0f} lines/s, "
      f"{good} end in CR LF, {jumps} gaps in the instrument's clock")
PY
kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true

"$build/tools/kordel-sim/kordel-sim" --fast --link "$work/link2" --start "2007-05-22 10:00:00" >/dev/null &
sim=$!
for _ in $(seq 50); do [ -e "$work/link2" ] && break; sleep 0.1; done
"$build/bench/recording/bench_window_recording" "$work/link2" "$secs"
