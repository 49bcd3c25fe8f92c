#!/usr/bin/env bash
# Soak run of kordel-record against kordel-sim --fast, a few minutes:
#   bench/soak/soak.sh [BUILD_DIR] [SECONDS_PER_PLUG]     (defaults: build, 30)
# The simulator sends as fast as the recorder reads, its clock one second on per
# line, so midnight passes every second or so; every 97th line is bad, every
# 4999th byte is dropped and a byte added after every 7001st. The port is
# unplugged (the simulator killed) and plugged in again (a new simulator behind
# the same link) three times; the plugs' clocks start a year apart, at New
# Year's Eve. Before each unplug the simulator is stopped and the recorder left
# to read what is under way, so every byte sent counts: the simulator's write
# count (/proc/PID/io) less what it printed.
# Figures: per plug, the bytes sent, those before the first valid line the
# recorder saw, and whether the daily files hold exactly the bytes sent from
# that line on, once and in order (bench/soak/soak_stream gives what was sent);
# the recorder's resident memory after the first minute and at the end; its
# open descriptors then and while unplugged. A plug's files are removed once
# checked (the recorder writes several MB a second).
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
plug=${2:-30}
sim=$build/tools/kordel-sim/kordel-sim
rec=$build/tools/kordel-record/kordel-record
stream=$build/bench/soak/soak_stream
work=$(mktemp -d)
simpid=
recpid=
trap '[ -n "$simpid" ] && kill -9 $simpid 2>/dev/null; [ -n "$recpid" ] && kill $recpid 2>/dev/null; [ -n "${SOAK_KEEP:-}" ] || rm -rf "$work"' EXIT
cd "$work"
mkdir out
faults=(--bad-line-every 97 --drop-byte-every 4999 --add-byte-every 7001)
failures=0
files=0
kept_total=0

rss() { awk '/^VmRSS/ {print $2}' "/proc/$recpid/status"; }
pcbytes() { find out -name '*.pc' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }'; }
# The recorder's descriptors by what they point at ("socket:[123]" counts as "socket").
fds() {
  for f in /proc/"$recpid"/fd/*; do readlink "$f" || true; done |
    sed -E 's/:\[[0-9]+\]$//; s|^/dev/pts/[0-9]+$|/dev/pts (the port)|' | sort | uniq -c |
    awk '{n = $1; $1 = ""; printf "%s%s x%d", sep, substr($0, 2), n; sep = ", "}'
}

start_sim() {  # $1: plug number
  args=(--fast --link "$work/port" --start "$((2000 + $1))-12-31 23:59:00" "${faults[@]}")
  "$sim" "${args[@]}" >"sim$1.out" 2>"sim$1.err" &
  simpid=$!
  for _ in $(seq 100); do [ -e "$work/port" ] && break; sleep 0.05; done
  logfrom=1
  [ ! -e kordel.log ] || logfrom=$(($(wc -l <kordel.log) + 1))
}

# Stops the simulator and waits until the recorder has read what is under way;
# the bytes the simulator wrote to the port go to sent.
stop_sim() {  # $1: plug number
  kill -STOP $simpid
  local before=-1 now
  now=$(pcbytes)
  while [ "$now" != "$before" ]; do before=$now; sleep 1; now=$(pcbytes); done
  local written
  written=$(awk '/^wchar/ {print $2}' /proc/$simpid/io)
  sent=$((written - $(stat -c %s "sim$1.out") - $(stat -c %s "sim$1.err")))
}

# As the device node goes with a pulled adapter: the link goes with the killed
# simulator, or it would point at a pseudo-terminal number that another program
# may take next (and the recorder would record that program).
unplug() {
  kill -9 $simpid
  wait $simpid 2>/dev/null || true
  simpid=
  rm -f "$work/port"
}

# Compares the plug's daily files with what the simulator sent, then removes them.
check_plug() {  # $1: plug number; after stop_sim and, but for the last, unplug
  local n=$1
  # A little more than was sent, to tell bytes kept beyond it from others.
  "$stream" "$((sent + 65536))" "${args[@]}" >sent.bin
  # The plug's files in the order the recorder started them (a line whose
  # columns a dropped and an added byte shifted may pass as one of day 0).
  local mine=()
  mapfile -t mine < <(tail -n +"$logfrom" kordel.log | tr -d '\r' | sed -n 's|.*: Start Record: |out/|p' | awk '!seen[$0]++')
  local report
  report=$(/usr/bin/python3 - "$sent" sent.bin "${mine[@]}" <<'PY'
import os, re, sys
stream = open(sys.argv[2], "rb").read()
sent = stream[:int(sys.argv[1])]
names = [f for f in sys.argv[3:] if os.path.exists(f)]
kept = b"".join(open(f, "rb").read() for f in names)
first = sent.find(kept[:63]) if kept else -1
exact = first >= 0 and sent[first:] == kept
named = all(re.fullmatch(r"\d{14}\.pc", os.path.basename(f)) for f in names)
detail = ""
if first >= 0 and not exact:
    tail = sent[first:]
    diff = next((i for i, (x, y) in enumerate(zip(tail, kept)) if x != y), min(len(tail), len(kept)))
    more = stream[first:first + len(kept)] == kept
    detail = (f" (first difference at byte {diff}; {len(tail)} sent, {len(kept)} kept"
              f"{', the rest as the simulator would have gone on' if more else ''})")
print(f"{len(names)} {len(kept)} {int(exact and named)} {len(sent)} bytes sent, {first} before the first "
      f"valid line, {len(kept)} kept in {len(names)} daily files: "
      f"{'exactly once and in order' if exact else 'MISMATCH'}{detail}")
PY
)
  read -r nfiles kept good text <<<"$report"
  echo "plug $n: $text"
  files=$((files + nfiles))
  kept_total=$((kept_total + kept))
  ((good)) || failures=$((failures + 1))
  if [ -n "${SOAK_KEEP:-}" ]; then mv sent.bin "sent$n.bin"; else rm -f "${mine[@]}" sent.bin; fi
}

t0=$SECONDS
start_sim 1
"$rec" --port "$work/port" --output-dir out 2>rec.err &
recpid=$!
rss_first=
for n in 1 2 3 4; do
  ((n == 1)) || start_sim $n
  end=$((SECONDS + plug))
  while ((SECONDS < end)); do
    if [ -z "$rss_first" ] && ((SECONDS - t0 >= 60)); then rss_first=$(rss); fds_first=$(fds); fi
    sleep 1
  done
  stop_sim $n
  if ((n < 4)); then
    unplug
    sleep 3  # the recorder tries the port again every 2 s
    fds_unplugged=$(fds)
    check_plug $n
  fi
done
rss_end=$(rss)
fds_end=$(fds)
kill -TERM $recpid
wait $recpid || true
recpid=
check_plug 4
unplug
elapsed=$((SECONDS - t0))

echo "soak: $elapsed s, 4 plugs of $plug s, $files daily files, $kept_total bytes kept"
echo "kordel-record resident memory: ${rss_first:-?} kB after the first minute, $rss_end kB at the end" \
  "($(awk -v a="${rss_first:-0}" -v b="$rss_end" 'BEGIN { if (a > 0) printf "%+.1f%%", (b - a) * 100 / a; else print "?" }'))"
echo "descriptors after the first minute: ${fds_first:-?}"
echo "descriptors at the end:             $fds_end"
echo "descriptors while unplugged:        $fds_unplugged"
echo "kordel.log: $(wc -l <kordel.log) lines"
echo "byte accounting: $([ "$failures" -eq 0 ] && echo ok || echo "FAILED in $failures plugs")"
