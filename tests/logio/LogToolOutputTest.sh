#!/usr/bin/env bash
# What tarvo-log writes, byte for byte, on small logs: decode's CSV (a unit
# with a quote or a comma quoted as CSV wants, the wide form's header in the
# order of its values) and a candump log's identifiers (eight digits for
# every 29-bit identifier, also a small one, three for 11 bits).
set -u
tool="$1"
. "$(dirname "$0")/../support/checks.sh"

rule=$(printf '~%.0s' $(seq 95))
csvlog() {  # csvlog FILE LINES...: a Tarvo CSV log, hexadecimal
  printf '%s\r\n' "$rule" "log - 09:04:05 08.12.2026 - Hexadecimal" "$rule" "" \
    "TYPE,TIME,ID,D1,D2,D3,D4,D5,D6,D7,D8" "${@:2}" "" > "$1"
}

# ---- decode ----
# Bore's unit holds a quote, Flow's a comma; the database lists Pipe before
# Valve and Bore before Flow.
cat > "$dir/d.dbc" <<'DBC'
VERSION ""
BU_: N
BO_ 256 Pipe: 2 N
 SG_ Bore : 0|8@1+ (1,0) [0|255] "in\"" N
 SG_ Flow : 8|8@1+ (0.5,0) [0|127] "l,min" N
BO_ 512 Valve: 1 N
 SG_ State : 0|8@1+ (1,0) [0|255] "" N
DBC
csvlog "$dir/d.csv" "RD11,0.0000,100,2A,14" "RD11,1.0240,200,3"

run "decode" "$tool" decode "$dir/d.csv" --dbc "$dir/d.dbc" --out "$dir/long.csv" &&
  expect "decode quotes a unit with a quote or a comma" "$dir/long.csv" \
    'time,message,signal,value,unit' \
    '0.000000,Pipe,Bore,42,"in"""' \
    '0.000000,Pipe,Flow,10,"l,min"' \
    '1.024000,Valve,State,3,'

# The signals chosen against the database's order: each header field names
# the value under it.
run "decode --wide" "$tool" decode "$dir/d.csv" --dbc "$dir/d.dbc" --wide --out "$dir/wide.csv" \
  --signal Valve.State --signal Flow --signal Pipe.Bore &&
  expect "the wide header is in the order of its values" "$dir/wide.csv" \
    'time,Valve.State,"Pipe.Flow [l,min]","Pipe.Bore [in""]"' \
    '0.000000,,10,42' \
    '1.024000,3,,'
run "decode --wide of every signal" "$tool" decode "$dir/d.csv" --dbc "$dir/d.dbc" --wide --out "$dir/all.csv" &&
  expect "every signal, in the database's order" "$dir/all.csv" \
    'time,"Pipe.Bore [in""]","Pipe.Flow [l,min]",Valve.State' \
    '0.000000,42,10,' \
    '1.024000,,,3'

# ---- decode with value-table texts, and the wide form filled ----
# A text with a comma is quoted; a value without a text leaves its cell empty.
printf '%s\n' 'VERSION ""' 'BO_ 291 Gear: 2 N' ' SG_ Pos : 0|8@1+ (1,0) [0|255] "" N' \
  ' SG_ Temp : 8|8@1+ (0.5,0) [0|127] "C" N' 'BO_ 292 Door: 1 N' ' SG_ Open : 0|1@1+ (1,0) [0|1] "" N' \
  'VAL_ 291 Pos 0 "Park" 1 "Reverse, back" 2 "Drive" ;' 'VAL_ 292 Open 0 "closed" 1 "open" ;' > "$dir/gear.dbc"
printf '%s\n' '(1.000000) can0 123#0150' '(1.100000) can0 124#01' '(1.200000) can0 123#0952' '(1.300000) can0 124#00' \
  > "$dir/gear.log"
run "decode --text" "$tool" decode "$dir/gear.log" --dbc "$dir/gear.dbc" --text --out "$dir/text.csv" &&
  expect "each value with its text" "$dir/text.csv" \
    'time,message,signal,value,unit,text' \
    '1.000000,Gear,Pos,1,,"Reverse, back"' \
    '1.000000,Gear,Temp,40,C,' \
    '1.100000,Door,Open,1,,open' \
    '1.200000,Gear,Pos,9,,' \
    '1.200000,Gear,Temp,41,C,' \
    '1.300000,Door,Open,0,,closed'
run "decode --wide --fill --text" "$tool" decode "$dir/gear.log" --dbc "$dir/gear.dbc" --wide --fill --text \
  --out "$dir/filled.csv" &&
  expect "every row carries the last value of every column" "$dir/filled.csv" \
    'time,Gear.Pos,Gear.Pos text,Gear.Temp [C],Door.Open,Door.Open text' \
    '1.000000,1,"Reverse, back",40,,' \
    '1.100000,1,"Reverse, back",40,1,open' \
    '1.200000,9,,41,1,open' \
    '1.300000,9,,41,0,closed'
if "$tool" decode "$dir/gear.log" --dbc "$dir/gear.dbc" --fill >/dev/null 2>&1; then
  fail "--fill without --wide is taken"
else ok "--fill without --wide is a usage error"; fi

# ---- convert to candump ----
# 29-bit identifiers below, at and above 0x1000, 11-bit ones, and a 29-bit
# remote frame.
csvlog "$dir/ids.csv" "RD29,0.0000,100,11" "RD29,1.0240,FFF,22" "RD29,2.0480,1000,33" "RD11,3.0720,7FF,44" \
  "RD11,4.0960,1,55" "RD29,5.1200,1FFFFFFF,66" "RR29,6.1440,5,?,?"
# candump times count from 1970: the log's header date (09:04:05 on 8
# December 2026, read in UTC here) is added to each time.
run "convert to candump" env TZ=UTC "$tool" convert "$dir/ids.csv" "$dir/ids.log" &&
  expect "a 29-bit identifier has eight digits, an 11-bit one three" "$dir/ids.log" \
    '(1796720645.000000) can0 00000100#11' \
    '(1796720646.024000) can0 00000FFF#22' \
    '(1796720647.048000) can0 00001000#33' \
    '(1796720648.072000) can0 7FF#44' \
    '(1796720649.096000) can0 001#55' \
    '(1796720650.120000) can0 1FFFFFFF#66' \
    '(1796720651.144000) can0 00000005#R2'
# And back: the same identifiers in the same formats.
run "candump import" env TZ=UTC "$tool" import "$dir/ids.log" "$dir/back.csv" &&
  run "back to candump" env TZ=UTC "$tool" convert "$dir/back.csv" "$dir/back.log" &&
  same "the candump log reads back unchanged" "$dir/back.log" "$dir/ids.log"

finish
