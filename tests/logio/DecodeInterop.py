#!/usr/bin/env python3
"""tarvo-log decode against an independent decoder, python3-canmatrix.

A database with both byte orders, signed, scaled, multiplexed and float
signals; a TXT log of random frames of its messages. Every value tarvo-log
decodes must be the value canmatrix decodes from the same bytes, and every
value canmatrix finds must be there. Exit 77 (skipped) without canmatrix.
Usage: DecodeInterop.py TARVO_LOG
"""
import csv
from fractions import Fraction
import os
import random
import subprocess
import sys
import tempfile

try:
    import canmatrix
    import canmatrix.formats
except ImportError:
    print("python3-canmatrix is not installed: skipped")
    sys.exit(77)

DBC = """VERSION ""
BU_: N
BO_ 256 Mixed: 8 N
 SG_ LittleU : 0|12@1+ (0.5,10) [0|0] "rpm" N
 SG_ BigS : 23|10@0- (2,-3) [0|0] "deg" N
 SG_ Flag : 30|1@1+ (1,0) [0|0] "" N
 SG_ FloatV : 32|32@1- (1,0) [0|0] "V" N
BO_ 2566844672 Muxed: 8 N
 SG_ Sel M : 0|8@1+ (1,0) [0|0] "" N
 SG_ PageA m1 : 8|16@1- (0.1,0) [0|0] "A" N
 SG_ PageB m2 : 8|16@0+ (1,100) [0|0] "B" N
 SG_ Tail : 56|8@1- (0.25,-1) [0|0] "" N
SIG_VALTYPE_ 256 FloatV : 1;
"""


def time_text(seconds):
    # The time exactly as the log writes it (four decimals), with the six
    # decimals of the decoded CSV.
    return "%.6f" % Fraction("%.4f" % seconds)


def main():
    tool = sys.argv[1]
    rng = random.Random(11)
    work = tempfile.mkdtemp()
    dbc_path = os.path.join(work, "t.dbc")
    log_path = os.path.join(work, "t.txt")
    with open(dbc_path, "w") as f:
        f.write(DBC)
    rule = "~" * 67
    lines = [rule, "t - 09:04:05 08.12.2026 - Hexadecimal", rule, "",
             "TYPE  ___TIME____  ___ID____  D1   D2   D3   D4   D5   D6   D7   D8"]
    frames = []
    for i in range(600):
        t = 1.0 + i * 0.01
        if i % 2 == 0:
            ident, code, extended = 0x100, "RD11", False
            data = [rng.randrange(256) for _ in range(8)]
            if i % 10 == 0:  # a float that is a plain number, not a NaN
                data[4:8] = list(int(rng.randrange(1 << 20)).to_bytes(3, "little")) + [0x41]
        else:
            ident, code, extended = 0x18FEF100, "RD29", True
            data = [rng.choice([1, 2, 3])] + [rng.randrange(256) for _ in range(7)]
        frames.append((t, ident, extended, bytes(data)))
        lines.append("%s  %-11s  %-8X  %s" % (code, "%.4f" % t, ident, "".join(" %02X  " % b for b in data)))
    with open(log_path, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n\r\n")

    out = subprocess.run([tool, "decode", log_path, "--dbc", dbc_path], capture_output=True, text=True)
    if out.returncode != 0:
        print("tarvo-log decode failed:", out.stderr)
        return 1
    ours = {}
    rows = list(csv.reader(out.stdout.splitlines()))
    assert rows[0] == ["time", "message", "signal", "value", "unit"], rows[0]
    for time, message, signal, value, unit in rows[1:]:
        ours[(time, message, signal)] = float(value)

    db = canmatrix.formats.loadp_flat(dbc_path)
    theirs = {}
    for t, ident, extended, data in frames:
        frame = db.frame_by_id(canmatrix.ArbitrationId(ident, extended=extended))
        for name, decoded in frame.decode(data).items():
            theirs[(time_text(t), frame.name, name)] = float(decoded.phys_value)

    failures = 0
    for key, value in theirs.items():
        got = ours.get(key)
        if got is None or abs(got - value) > 1e-6 * max(1.0, abs(value)):
            failures += 1
            if failures <= 10:
                print("differs:", key, "tarvo-log", got, "canmatrix", value)
    extra = set(ours) - set(theirs)
    for key in sorted(extra)[:10]:
        print("only tarvo-log has", key, ours[key])
    failures += len(extra)
    print("%d values compared, %d differ" % (len(theirs), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
