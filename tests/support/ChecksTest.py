#!/usr/bin/env python3
"""The python tests' shared checks: a failed check is shown and counted, a
passed one only shown, and the trace readers take from the simulated
adapter's trace lines exactly the packets and frames in them. Reports on
its own, not with the check() under test."""
import contextlib
import io
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import checks  # noqa: E402

problems = []


def expect(ok, what, detail=""):
    print(("ok   " if ok else "FAIL ") + what + ("" if ok else ": " + repr(detail)))
    if not ok:
        problems.append(what)


out = io.StringIO()
with contextlib.redirect_stdout(out):
    checks.check("a kept promise", True, "not shown")
    checks.check("a broken promise", False, ("got", 2))
expect(checks.failures == ["a broken promise"], "only the failed check is counted", checks.failures)
expect(out.getvalue() == "ok   a kept promise\nFAIL a broken promise: ('got', 2)\n",
       "each check shown, a failure with its detail", out.getvalue())

# Lines as the simulator writes them (sim/Trace.h), one of each kind the readers meet.
TRACE = """\
0.000000 dev0 --- Open
0.001000 dev0 H>A SetBitTiming SJW-1=0 BRP=0x43 PHSEG1-1=7 PHSEG2-1=5 PROPSEG-1=4 SAM=0 -> 500000 bit/s (40 MHz) [02 00 43 07 05 04 00]
0.002000 dev0 H>A SendCAN 11-bit ID=123 DLC=2 DATA=11 22 BUF=0 PERIOD=0 [00 00 23 01 00 00 02 11 22 00]
0.003000 dev0 H>A CrcError
0.004000 dev0 A>H Status HW=71 SW=35 CODE=00 BUS=00 TS=5 [01 47 23 00 00 05 00 00 00]
0.005000 dev0 A>H CAN 11-bit ID=7FF DLC=8 DATA=01 02 03 04 05 06 07 08 BS=00 TS=3914 [00 00 FF 07 00 00 08 01 02 03 04 05 06 07 08 00 4A 0F 00 00]
0.006000 dev0 A>H CAN 29-bit RTR ID=18FF1234 DLC=3 BS=40 TS=4000 [00 03 34 12 FF 18 03 40 A0 0F 00 00]
0.007000 dev0 A>H CAN 29-bit ID=1 DLC=0 BS=00 TS=4001 [00 02 01 00 00 00 00 00 A1 0F 00 00]
0.008000 dev0 A>H CAN 11-bit ID=124 DLC=1 DATA=AA BS=00 TS=4100 (dropped: queue full) [00 00 24 01 00 00 01 AA 00 04 10 00 00]
0.009000 dev0 --- Close
"""
with tempfile.TemporaryDirectory() as folder:
    trace = os.path.join(folder, "trace.txt")
    expect(checks.trace_lines(trace) == [], "a trace not yet written has no lines")
    with open(trace, "w") as f:
        f.write(TRACE)
    expect(checks.trace_lines(trace) == TRACE.splitlines(), "every line of the trace")
    packets = checks.host_packets(trace)
    expect(packets == [("SetBitTiming", "02 00 43 07 05 04 00"), ("SendCAN", "00 00 23 01 00 00 02 11 22 00")],
           "the host's packets with their bytes, not its faulty frames", packets)
    frames = checks.adapter_frames(trace)
    expect(frames == [(0x7FF, False, 8, bytes(range(1, 9)), 3914), (0x18FF1234, True, 3, b"", 4000),
                      (0x1, False, 0, b"", 4001)],
           "the adapter's CAN messages with their fields, not the dropped one", frames)
    expect(frames and frames[1].id == 0x18FF1234 and frames[1].remote and frames[1].dlc == 3
           and frames[1].time_stamp == 4000, "the fields by name", frames)

sys.exit(1 if problems else 0)
