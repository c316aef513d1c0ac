#!/usr/bin/env bash
# Side by side: reading the same 2,000,000-line ASC log with Tarvo's reader
# (tarvo-log count), python-can's ASCReader and can-utils' asc2log, in the
# same run on the same machine; then Tarvo's reader on the TXT and CSV forms
# of the same messages. Peers that are not installed are skipped.
#
#   bench/logging/compare_parsers.sh [build-dir] [lines]
#
# Prints wall seconds and peak memory (KiB) of each reader, best of three runs.
set -euo pipefail
build="${1:-build}"
lines="${2:-2000000}"
tool="$build/bin/tarvo-log"
python=/usr/bin/python3
[ -x "$tool" ] || { echo "build tarvo-log first: cmake --build $build --target tarvo-log"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# A recorded-looking log: 11- and 29-bit identifiers, 0 to 8 bytes, gaps of
# 0.4 to 31 ms, written exactly as the recorder writes ASC lines.
"$python" - "$dir/bus.asc" "$lines" <<'PY'
import random, sys
random.seed(1)
path, count = sys.argv[1], int(sys.argv[2])
with open(path, 'w', newline='') as f:
    f.write("date Tue Dec 08 9:4:5 2026\r\nbase hex  timestamps absolute\r\nno internal events logged\r\n"
            "// Tarvo Application v5.6\r\n   0.000000 Start of measurement\r\n")
    t, out = 0, []
    for i in range(count):
        t += random.randint(16, 1200)
        ide = random.random() < 0.3
        ident = random.getrandbits(29) if ide else random.getrandbits(11)
        n = random.randint(0, 8)
        data = "".join(" %02X" % random.getrandbits(8) for _ in range(n))
        out.append("%11s 1  %-16sRx   d %d%s\r\n" % ("%.6f" % (round(t * 0.256) / 10000),
                   ("%X" % ident) + ("x" if ide else ""), n, data))
        if len(out) == 100000:
            f.write("".join(out)); out = []
    f.write("".join(out) + "\r\n")
PY
"$tool" convert "$dir/bus.asc" "$dir/bus.txt" >/dev/null
"$tool" convert "$dir/bus.asc" "$dir/bus.csv" >/dev/null
echo "file: $lines messages, ASC $(du -m "$dir/bus.asc" | cut -f1) MB"

# best of three: "seconds peak-KiB"
measure() {
  local best="" mem=""
  for _ in 1 2 3; do
    /usr/bin/time -f "%e %M" -o "$dir/time" "$@" >/dev/null 2>&1 || { echo "failed"; return; }
    read -r s m < "$dir/time"
    if [ -z "$best" ] || awk "BEGIN{exit !($s < $best)}"; then best=$s; mem=$m; fi
  done
  echo "$best $mem"
}

row() { printf '%-34s %8s s %10s KiB\n' "$1" "$2" "$3"; }
read -r tarvo tarvo_mem <<<"$(measure "$tool" count "$dir/bus.asc")"
row "Tarvo reader (tarvo-log count), ASC" "$tarvo" "$tarvo_mem"
read -r s m <<<"$(measure "$tool" count "$dir/bus.txt")"; row "Tarvo reader, TXT" "$s" "$m"
read -r s m <<<"$(measure "$tool" count "$dir/bus.csv")"; row "Tarvo reader, CSV" "$s" "$m"

if "$python" -c "import can" 2>/dev/null; then
  read -r s m <<<"$(measure "$python" -c "
import can, sys
n = sum(1 for _ in can.ASCReader(sys.argv[1]))
assert n == $lines, n" "$dir/bus.asc")"
  row "python-can ASCReader" "$s" "$m"
  awk "BEGIN{printf \"  Tarvo is %.1f times faster than python-can\n\", $s / $tarvo}"
else
  echo "python-can not installed: skipped"
fi
if command -v asc2log >/dev/null; then
  read -r s m <<<"$(measure asc2log -I "$dir/bus.asc" -O /dev/null)"
  row "can-utils asc2log" "$s" "$m"
  awk "BEGIN{printf \"  Tarvo is %.1f times faster than asc2log\n\", $s / $tarvo}"
else
  echo "can-utils not installed: skipped"
fi
