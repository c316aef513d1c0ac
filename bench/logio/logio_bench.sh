#!/usr/bin/env bash
# The log library on a long log: a candump log of 10,000,000 messages (8
# bytes each, 8 signals a message in the database), timed through tarvo-log:
# count, decode to CSV (with its peak resident memory) and convert to ASC.
#   bench/logio/logio_bench.sh [build] [messages]
set -euo pipefail
build=${1:-build}
n=${2:-10000000}
tool="$build/bin/tarvo-log"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
/usr/bin/python3 - "$dir/big.log" "$n" <<'PY'
import sys
path, n = sys.argv[1], int(sys.argv[2])
with open(path, "w") as f:
    for block in range(0, n, 100000):
        f.write("".join("(%d.%06d) can0 1%02X#%016X\n" % (1700000000 + i // 1000000, i % 1000000, i % 8, i * 2654435761 % (1 << 64))
                        for i in range(block, min(n, block + 100000))))
PY
{
  echo 'VERSION ""'
  for m in 0 1 2 3 4 5 6 7; do
    echo "BO_ $((256 + m)) M$m: 8 N"
    for s in 0 1 2 3 4 5 6 7; do echo " SG_ S$s : $((s * 8))|8@1+ (0.5,0) [0|127.5] \"\" N"; done
  done
} > "$dir/big.dbc"
echo "log: $n messages, $(du -h "$dir/big.log" | cut -f1)"
measure() {  # measure NAME COMMAND...
  local name="$1" start end
  shift
  start=$(date +%s.%N)
  if [ -x /usr/bin/time ]; then  # Debian's "time" package gives the peak resident memory
    /usr/bin/time -f "%M" -o "$dir/rss" "$@" > /dev/null 2> "$dir/err" || { cat "$dir/err"; return 1; }
  else
    "$@" > /dev/null 2> "$dir/err" || { cat "$dir/err"; return 1; }
    echo 0 > "$dir/rss"
  fi
  end=$(date +%s.%N)
  awk -v n="$n" -v s="$start" -v e="$end" -v kb="$(tail -1 "$dir/rss")" -v name="$name" \
    'BEGIN { t = e - s; printf "%-8s %7.2f s  %6.2f M messages/s  peak %4d MB\n", name, t, n / t / 1e6, kb / 1024 }'
}
measure count "$tool" count "$dir/big.log"
measure decode "$tool" decode "$dir/big.log" --dbc "$dir/big.dbc" --out "$dir/big.csv"
rm -f "$dir/big.csv"
measure convert "$tool" convert "$dir/big.log" "$dir/big.asc"
