#!/usr/bin/env bash
# Every output of tarvo-log is written only where the shell's ">" would
# write: a regular file is replaced whole (kept as it was when anything
# fails), a device or FIFO is written into and never replaced, a file the
# user may not write, a folder or a missing folder is refused. A table of
# output kinds × commands, asserting what is left on disk and the exit code.
set -u
tool="$1"
. "$(dirname "$0")/../support/checks.sh"

printf '%s\n' '(1436509052.249713) can0 044#2A366C2BBA' '(1436509052.449847) can0 0F6#7ADFE07BD2' > "$dir/in.log"
printf '%s\n' 'VERSION ""' 'BO_ 68 Door: 5 Body' ' SG_ Angle : 0|8@1+ (1,0) [0|255] "deg" Body' > "$dir/in.dbc"
has_plot=0
if "$tool" plot --help 2>/dev/null | grep -q "usage: tarvo-log plot"; then has_plot=1; fi

# run COMMAND OUTPUT: the command line of each command writing OUTPUT.
run() {
  case "$1" in
    convert) "$tool" convert "$dir/in.log" "$2" --to asc ;;
    import) "$tool" import "$dir/in.log" "$2" --to txt ;;
    decode) "$tool" decode "$dir/in.log" --dbc "$dir/in.dbc" --out "$2" ;;
    plot) "$tool" plot "$dir/in.log" --dbc "$dir/in.dbc" --signal Door.Angle --png "$2" --size 300x200 ;;
  esac
}

commands=(convert import decode)
[ $has_plot -eq 1 ] && commands+=(plot)
root=0; [ "$(id -u)" -eq 0 ] && root=1

for c in "${commands[@]}"; do
  # A regular file is replaced whole.
  echo old > "$dir/reg.out"
  run $c "$dir/reg.out" >/dev/null 2>&1; code=$?
  if [ $code -eq 0 ] && [ -f "$dir/reg.out" ] && ! grep -qx old "$dir/reg.out"; then ok "$c: regular file replaced"
  else fail "$c: regular file (exit $code)"; fi

  # A write-protected file is kept.
  echo old > "$dir/ro.out"; chmod 444 "$dir/ro.out"
  out=$(run $c "$dir/ro.out" 2>&1); code=$?
  if [ $code -eq 1 ] && grep -qx old "$dir/ro.out" && grep -q "write-protected\|Permission denied" <<<"$out"; then
    ok "$c: write-protected file kept"
  else fail "$c: write-protected file (exit $code: $out)"; fi
  chmod 644 "$dir/ro.out"

  # A link is written through: the link stays, its target gets the output.
  echo old > "$dir/target.out"; ln -sf "$dir/target.out" "$dir/link.out"
  run $c "$dir/link.out" >/dev/null 2>&1; code=$?
  if [ $code -eq 0 ] && [ -L "$dir/link.out" ] && ! grep -qx old "$dir/target.out"; then ok "$c: link written through"
  else fail "$c: link (exit $code)"; fi

  # A FIFO with a reader gets the output and stays a FIFO; without a reader
  # it is refused at once.
  rm -f "$dir/pipe.out"; mkfifo "$dir/pipe.out"
  (timeout 20 cat "$dir/pipe.out" > "$dir/piped") & reader=$!
  sleep 0.2
  timeout 20 bash -c "$(declare -f run); tool='$tool' dir='$dir' run $c '$dir/pipe.out'" >/dev/null 2>&1; code=$?
  wait $reader
  if [ $code -eq 0 ] && [ -p "$dir/pipe.out" ] && [ -s "$dir/piped" ]; then ok "$c: FIFO written into"
  else fail "$c: FIFO (exit $code)"; fi
  out=$(timeout 20 bash -c "$(declare -f run); tool='$tool' dir='$dir' run $c '$dir/pipe.out'" 2>&1); code=$?
  if [ $code -eq 1 ] && [ -p "$dir/pipe.out" ] && grep -q "no program reads from it" <<<"$out"; then
    ok "$c: FIFO without a reader refused"
  else fail "$c: FIFO without a reader (exit $code: $out)"; fi

  # A folder and a missing folder are refused; nothing is created.
  mkdir -p "$dir/folder.out"
  run $c "$dir/folder.out" >/dev/null 2>&1; code=$?
  if [ $code -eq 1 ] && [ -d "$dir/folder.out" ] && [ -z "$(ls -A "$dir/folder.out")" ]; then ok "$c: folder refused"
  else fail "$c: folder (exit $code)"; fi
  run $c "$dir/none/x.out" >/dev/null 2>&1; code=$?
  if [ $code -eq 1 ] && [ ! -e "$dir/none" ]; then ok "$c: missing folder refused"
  else fail "$c: missing folder (exit $code)"; fi

  # A file-size limit fails the write as a full disk does: the old file stays.
  echo old > "$dir/limit.out"
  (trap '' XFSZ; ulimit -f 0; run $c "$dir/limit.out") >/dev/null 2>&1; code=$?
  if [ $code -eq 1 ] && grep -qx old "$dir/limit.out"; then ok "$c: a failed write keeps the old file"
  else fail "$c: file-size limit (exit $code)"; fi

  # Devices of our own (the administrator may make them): a null device is
  # written into and stays a device; a full one fails with exit 1 and stays.
  if [ $root -eq 1 ]; then
    rm -f "$dir/null.out" "$dir/full.out"
    mknod -m 666 "$dir/null.out" c 1 3 && mknod -m 666 "$dir/full.out" c 1 7
    run $c "$dir/null.out" >/dev/null 2>&1; code=$?
    if [ $code -eq 0 ] && [ -c "$dir/null.out" ]; then ok "$c: device written into"
    else fail "$c: device (exit $code)"; fi
    out=$(run $c "$dir/full.out" 2>&1); code=$?
    if [ $code -eq 1 ] && [ -c "$dir/full.out" ] && grep -q "No space left on device" <<<"$out"; then
      ok "$c: a full device says so"
    else fail "$c: full device (exit $code: $out)"; fi
  fi
  if ls "$dir"/*.tmp* "$dir"/.*.tmp* >/dev/null 2>&1; then fail "$c: temporary files left"; rm -f "$dir"/*.tmp* "$dir"/.*.tmp*; fi
done

finish
