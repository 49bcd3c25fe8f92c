#!/usr/bin/env bash
# The reader against pandas on the same day file, side by side.
#   bench/reader/pandas_compare.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
file=/tmp/kordel-day.pc
"$build/bench/reader/bench_reader" "$file"
/usr/bin/python3 - "$file" <<'PY'
import sys, time, statistics
import pandas as pd
runs = []
for _ in range(3):
    t = time.perf_counter()
    pd.read_csv(sys.argv[1], sep=r"\s+", header=None, skiprows=3)
    runs.append((time.perf_counter() - t) * 1000)
print(f"pandas.read_csv: median {statistics.median(runs):.0f} ms")
PY
