#!/usr/bin/env bash
# tarvo-log end to end: a candump log and python-can / log2asc ASC files are
# imported, counted and converted through all three formats; damaged input
# gets a message and a failing exit code.
set -u
tool="$1"
. "$(dirname "$0")/../support/checks.sh"

cat > "$dir/bus.log" <<'LOG'
(1436509052.249713) vcan0 044#2A366C2BBA
(1436509052.449847) vcan0 0F6#7ADFE07BD2
(1436509052.650004) vcan0 12345678#R
(1436509052.850131) vcan0 123#R3
(1436509053.050225) vcan0 7FF#
(1436509053.250225) vcan0 20000080#0000000000000000
(1436509053.450225) vcan0 123##311223344
(1436509053.650225) vcan0 1234#11
LOG
# python-can 4.1 ASCWriter
printf '%s\n' 'date Thu Dec 10 01:31:14.287 AM 2026' 'base hex  timestamps absolute' 'internal events logged' \
  'Begin Triggerblock Thu Jan 01 12:16:40.0 AM 1970' ' 0.000000 Start of measurement' \
  ' 0.000000 1  123             Rx   d 3 01 02 03' ' 0.250000 1  12345x          Tx   r 8 ' \
  ' 0.500000 1  ErrorFrame' ' 0.750000 1  7FF             Rx   d 0 ' 'End TriggerBlock' > "$dir/pycan.asc"
# can-utils log2asc
printf '%s\n' 'date Fri Jul 10 06:17:32 2015' 'base hex  timestamps absolute' 'no internal events logged' \
  '   0.000000 1  44              Rx   d 5 2A 36 6C 2B BA' '   0.200134 1  F6              Rx   d 5 7A DF E0 7B D2' \
  '   0.400291 1  12345678x       Rx   r 0' > "$dir/log2asc.asc"

check "candump import" 0 "5 messages written" "$tool" import "$dir/bus.log" "$dir/bus.txt"
check "candump import tells what it could not read" 0 "line 8: identifiers out of range" \
  "$tool" import "$dir/bus.log" "$dir/bus2.txt"
check "and what the target cannot hold" 0 "1 CAN FD frames left out" "$tool" import "$dir/bus.log" "$dir/bus3.txt"
check "imported TXT counts (the error frame too)" 0 "6 messages, hexadecimal" "$tool" count "$dir/bus.txt"
check "TXT to CSV decimal" 0 "5 messages written" "$tool" convert "$dir/bus.txt" "$dir/bus.csv" --base dec
check "CSV counts" 0 "6 messages, decimal" "$tool" count "$dir/bus.csv"
check "CSV to ASC" 0 "5 messages written" "$tool" convert "$dir/bus.csv" "$dir/bus.asc"
check "ASC counts" 0 "6 messages, decimal" "$tool" count "$dir/bus.asc"
check "ASC back to TXT gives the same lines" 0 "5 messages written" "$tool" convert "$dir/bus.asc" "$dir/back.txt" --base hex
if ! diff <(tail -n +4 "$dir/bus.txt") <(tail -n +4 "$dir/back.txt") >/dev/null; then
  fail "round trip TXT -> CSV -> ASC -> TXT changed the messages"
else
  ok "round trip TXT -> CSV -> ASC -> TXT"
fi
check "python-can ASC import" 0 "3 messages written" "$tool" import "$dir/pycan.asc" "$dir/pycan.csv"
check "python-can error frame kept" 0 "1 bus events written" "$tool" import "$dir/pycan.asc" "$dir/p2.csv"
check "only received frames" 0 "3 messages, hexadecimal" "$tool" count "$dir/pycan.csv" --rx
check "log2asc import" 0 "3 messages written" "$tool" import "$dir/log2asc.asc" "$dir/log2asc.asc.txt"
check "a format named that the content is not" 1 "not a Tarvo TXT log: header line 1 lacks ten" \
  "$tool" count "$dir/pycan.asc" --type txt
check "ASC of another tool is read" 0 "3 messages, hexadecimal, ASC" "$tool" count "$dir/log2asc.asc"
head -c 20000 /dev/urandom > "$dir/garbage.csv"
check "garbage" 1 "not a Tarvo CSV log" "$tool" count "$dir/garbage.csv"
check "missing file" 1 "No such file or directory" "$tool" count "$dir/none.txt"
check "a candump log is told from its content" 0 "7 messages, candump" "$tool" count "$dir/bus.log"
head -c 3000 /dev/urandom | tr -d '\n' > "$dir/noise.dat"
check "unknown content and name" 1 "its format cannot be told" "$tool" count "$dir/noise.dat"
check "usage" 2 "usage:" "$tool" frobnicate
# The command line as its users expect: --help on standard output with exit
# 0, a usage error on one line with exit 2.
commands="count convert import decode"
if ! "$tool" plot --help 2>&1 | grep -q "no plot"; then commands="$commands plot"; fi
for c in $commands; do
  out=$("$tool" $c --help 2>/dev/null); code=$?
  if [ $code -eq 0 ] && grep -q "usage: tarvo-log $c" <<<"$out"; then ok "$c --help"
  else fail "$c --help: exit $code"; fi
done
check "tool --help" 0 "Formats, told from the content" "$tool" --help
check "an unknown option" 2 "unknown option --frob" "$tool" convert "$dir/bus.log" "$dir/x.asc" --frob
check "a format that is none" 2 "--to takes txt, csv, asc, candump, blf or trc" "$tool" convert "$dir/bus.log" x --to pdf
check "an output without a format" 2 "cannot tell the format of" "$tool" convert "$dir/bus.log" "$dir/out.bin"
if [ "$("$tool" convert "$dir/bus.log" "$dir/x.asc" --frob 2>&1 | wc -l)" -eq 1 ]; then
  ok "a usage error is one line"
else fail "a usage error is more than one line"; fi
# Standard input and output.
check "standard input to standard output" 0 "(1436509052.249713) vcan0 044#2A366C2BBA" \
  bash -c "cat '$dir/bus.log' | '$tool' convert - - 2>/dev/null"
check "the summary of a log on standard output goes to standard error" 0 "standard output: 6 messages written" \
  bash -c "'$tool' convert '$dir/bus.log' - --to asc 2>&1 >/dev/null"

# What the user owns is never destroyed: an output that is the input, a
# failed read, a file without line ends.
cp "$dir/bus.asc" "$dir/kept.asc"
check "import onto its own input is refused" 2 "are the same file" "$tool" import "$dir/bus.asc" "$dir/bus.asc"
same "the input stays whole" "$dir/bus.asc" "$dir/kept.asc"
ln -s "$dir/bus.asc" "$dir/link.asc"
check "also through a link" 2 "are the same file" "$tool" import "$dir/link.asc" "$dir/bus.asc" --from asc
check "convert onto its own input is refused" 2 "are the same file" "$tool" convert "$dir/bus.asc" "$dir/link.asc"
same "the input stays whole after both" "$dir/bus.asc" "$dir/kept.asc"
mkdir "$dir/folder"
check "a folder as input" 1 "it is not a regular file" "$tool" import "$dir/folder" "$dir/new.txt" --from candump
if [ -e "$dir/new.txt" ]; then fail "a failed import created its output";
else ok "a failed import creates no output"; fi
cp "$dir/bus.txt" "$dir/old.txt"
check "a failed import onto an existing file" 1 "it is not a regular file" "$tool" import "$dir/folder" "$dir/bus.txt" --from candump
same "the existing output stays" "$dir/bus.txt" "$dir/old.txt"
check "a device is not read" 1 "it is not a regular file" "$tool" import /dev/zero "$dir/zero.txt" --from candump
head -c 70000000 /dev/zero > "$dir/zero.log"
check "no line ends" 1 "1 lines longer than 64 MiB" "$tool" import "$dir/zero.log" "$dir/zero.txt"
rm -f "$dir/zero.log"
# An output that is a FIFO is written into, never replaced; one without a
# reader is refused at once; a write-protected file is kept.
mkfifo "$dir/pipe.asc"
(timeout 20 cat "$dir/pipe.asc" > "$dir/piped.asc") &
reader=$!
check "a FIFO with a reader gets the log" 0 "6 messages written" "$tool" convert "$dir/bus.log" "$dir/pipe.asc"
wait $reader
check "what went through it is the log" 0 "base hex  timestamps absolute" head -2 "$dir/piped.asc"
if [ -p "$dir/pipe.asc" ]; then ok "the FIFO stays a FIFO";
else fail "the FIFO was replaced"; fi
check "a FIFO without a reader" 1 "no program reads from it" timeout 10 "$tool" convert "$dir/bus.log" "$dir/pipe.asc"
cp "$dir/bus.asc" "$dir/locked.asc"; chmod 444 "$dir/locked.asc"; cp "$dir/locked.asc" "$dir/locked-copy.asc"
check "a write-protected output" 1 "it is write-protected" "$tool" convert "$dir/bus.log" "$dir/locked.asc"
same "the write-protected file stays" "$dir/locked.asc" "$dir/locked-copy.asc"
if ls "$dir"/*.tmp* >/dev/null 2>&1; then fail "temporary files left";
else ok "no temporary files left"; fi

# An import keeps the source's date: a candump log's first frame, an ASC
# file's "date" line.
env TZ=UTC "$tool" import "$dir/bus.log" "$dir/dated.txt" >/dev/null
check "a candump import keeps the log's date" 0 "06:17:32 2015-07-10" sed -n 2p "$dir/dated.txt"
"$tool" import "$dir/log2asc.asc" "$dir/dated.asc" >/dev/null
check "an ASC import keeps its date line" 0 "date Fri Jul 10 6:17:32 2015" head -1 "$dir/dated.asc"

"$tool" convert "$dir/dated.txt" "$dir/dated2.asc" >/dev/null
check "a conversion keeps the source's date" 0 "date Fri Jul 10 6:17:32 2015" head -1 "$dir/dated2.asc"

# Bus events go along where the target has a line for them (ASC: error
# frames only); other status lines are counted as left out.
rule=$(printf '~%.0s' $(seq 67))
printf '%s\r\n' "$rule" "st - 09:04:05 08.12.2026 - Hexadecimal" "$rule" "" "TYPE  ___TIME____  ___ID____  D1" \
  "RD11  0.1000       100        01  " "EF    0.2000     " "BP    0.2500     " "BL11  0.3000  Bus Load 12.5%" \
  "RD11  0.4000       100        02  " "" > "$dir/st.txt"
check "convert carries bus events" 0 "2 bus events written" "$tool" convert "$dir/st.txt" "$dir/st.csv"
check "in time order among the messages" 0 "EF,0.2000" sed -n 7p "$dir/st.csv"
check "convert says what it could not read" 0 "line 9: lines not understood" \
  "$tool" convert "$dir/st.txt" "$dir/st2.csv"
check "ASC keeps the error frame" 0 "1 bus events written" "$tool" convert "$dir/st.txt" "$dir/st.asc"
check "and counts the bus state it cannot hold" 0 "1 bus-state events left out" "$tool" convert "$dir/st.txt" "$dir/st4.asc"
check "and back" 0 "1 bus events written" "$tool" convert "$dir/st.asc" "$dir/st3.csv"

# A candump log for can-utils and python-can, back to Tarvo's TXT unchanged.
check "convert to candump" 0 "5 messages written" "$tool" convert "$dir/bus.txt" "$dir/again.log"
check "the candump log imports again" 0 "5 messages written" "$tool" import "$dir/again.log" "$dir/again.txt"
if diff <(tail -n +4 "$dir/bus.txt") <(tail -n +4 "$dir/again.txt") >/dev/null; then
  ok "candump round trip keeps the messages"
else fail "candump round trip changed the messages"; fi
if command -v log2asc >/dev/null; then
  check "log2asc reads the candump log" 0 "Rx   r 0" log2asc -I "$dir/again.log" can0
fi
if /usr/bin/python3 -c "import can" 2>/dev/null; then
  check "python-can reads the candump log" 0 "6 frames" /usr/bin/python3 -c \
    "import can,sys; print(len(list(can.LogReader(sys.argv[1]))), 'frames')" "$dir/again.log"
fi

# Times as written: candump -> ASC -> candump gives the same times to the
# microsecond, channels and all (the ASC date line carries the start).
printf '%s\n' '(1436509162.543500) can0 123#11' '(1436509162.600001) can1 0F6#7ADFE07BD2' \
  '(1436509162.599999) can0 18FEF100##1000102030405060708090A0B0C0D0E0F' '(1436509163.000000) can1 20000080#0000000000000000' \
  > "$dir/times.log"
"$tool" convert "$dir/times.log" "$dir/times.asc" >/dev/null 2>&1
"$tool" convert "$dir/times.asc" "$dir/times2.log" >/dev/null 2>&1
if diff <(cut -d' ' -f1 "$dir/times.log") <(cut -d' ' -f1 "$dir/times2.log") >/dev/null &&
   diff <(cut -d' ' -f2 "$dir/times.log") <(cut -d' ' -f2 "$dir/times2.log") >/dev/null; then
  ok "candump -> ASC -> candump keeps every time and channel"
else fail "candump -> ASC -> candump changed times or channels"; diff "$dir/times.log" "$dir/times2.log"; fi
# Every format keeps the log's date: a candump log through each of them and
# back keeps its times since 1970 (TXT and CSV to their four decimals), in a
# time zone with summer time.
printf '%s\n' '(1436509162.543500) can0 123#11' '(1436509163.600001) can0 0F6#7ADFE07BD2' > "$dir/dated.log"
for f in asc blf trc txt csv; do
  TZ="CET-1CEST,M3.5.0,M10.5.0/3" "$tool" convert "$dir/dated.log" "$dir/dated-out.$f" >/dev/null 2>&1
  TZ="CET-1CEST,M3.5.0,M10.5.0/3" "$tool" convert "$dir/dated-out.$f" "$dir/dated-back.log" --to candump >/dev/null 2>&1
  want="(1436509162.543500) (1436509163.600001)"
  [ $f = txt ] || [ $f = csv ] && want="(1436509162.543500) (1436509163.600000)"
  got=$(cut -d' ' -f1 "$dir/dated-back.log" | tr '\n' ' ' | sed 's/ $//')
  if [ "$got" = "$want" ]; then ok "$f keeps the date and the times"
  else fail "$f: $got, not $want"; fi
done
check "a time going backwards is kept and said" 0 "1 times earlier than the message before, kept as written" \
  "$tool" count "$dir/times.log"
check "the ASC line of a CAN FD frame" 0 "CANFD   1 Rx 18FEF100x 1 0 A 16 00 01 02 03" cat "$dir/times.asc"
# A CAN FD frame of a message longer than eight bytes decodes.
printf '%s\n' 'VERSION ""' 'BO_ 2566844672 Long: 16 N' ' SG_ Far : 112|16@1+ (0.5,0) [0|0] "" N' > "$dir/long.dbc"
check "decode reads a CAN FD frame's far bytes" 0 "Long,Far,1927," \
  "$tool" decode "$dir/times.log" --dbc "$dir/long.dbc"

: > "$dir/empty.log"
check "an empty file imports nothing" 1 "it is empty; nothing is written" "$tool" import "$dir/empty.log" "$dir/empty.txt"
if [ -e "$dir/empty.txt" ]; then fail "an empty import left a file";
else ok "an empty import leaves no file"; fi
printf 'garbage\nmore garbage\n' > "$dir/junk.log"
check "a file without one readable line imports nothing" 1 "no line of it is a CAN message" \
  "$tool" import "$dir/junk.log" "$dir/junk.txt" --from candump

# The signal plot of a log, drawn without a window (where the tool has it).
dbc="$dir/bus.dbc"
printf '%s\n' 'VERSION ""' 'BO_ 68 Door: 5 Body' ' SG_ Angle : 0|8@1+ (1,0) [0|255] "deg" Body' \
  'BO_ 246 Seat: 5 Body' ' SG_ Angle : 0|8@1+ (1,0) [0|255] "deg" Body' > "$dbc"
if "$tool" plot --help 2>&1 | grep -q "usage: tarvo-log plot"; then
  check "plot of a log" 0 "2 signals, 2 points" "$tool" plot "$dir/bus.txt" --dbc "$dbc" \
    --signal Door.Angle --signal Seat.Angle --png "$dir/plot.png" --size 640x320
  if [ -s "$dir/plot.png" ]; then ok "the plot is a picture";
  else fail "no picture"; fi
  check "plot of a signal the database lacks" 1 "no signal \"Nope\" in the database" \
    "$tool" plot "$dir/bus.txt" --dbc "$dbc" --signal Nope --png "$dir/nope.png"
  check "a size past 32 bits is refused, with the reason" 2 "--size takes WIDTHxHEIGHT in pixels" \
    "$tool" plot "$dir/bus.txt" --dbc "$dbc" --signal Door.Angle --png "$dir/s.png" --size 4294967496x300
  check "a size with more after it" 2 "not \"1200x600junk\"" \
    "$tool" plot "$dir/bus.txt" --dbc "$dbc" --signal Door.Angle --png "$dir/s.png" --size 1200x600junk
  check "a size out of range" 2 "outside 200x120 to 10000x10000" \
    "$tool" plot "$dir/bus.txt" --dbc "$dbc" --signal Door.Angle --png "$dir/s.png" --size 100x100
  check "plot of an ambiguous name" 1 "name it as Message.Signal" \
    "$tool" plot "$dir/bus.txt" --dbc "$dbc" --signal Angle --png "$dir/nope.png"
fi

finish
