#!/usr/bin/env python3
"""tarvo-bus dump and send end to end on the simulated adapter.

dump's output is read with python-can's candump reader and compared with
the simulator's protocol trace (every frame, its data and its adapter time);
send's frames are found in the trace in order; refusals exit 2 with one line
and leave the adapter alone. Exit 77 (skipped) when python-can is missing,
after the checks that do not need it."""
import atexit
import os
import re
import signal
import subprocess
import sys
import shutil
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'support'))
from checks import adapter_frames, check, failures, host_packets, trace_lines  # noqa: E402

TOOL = sys.argv[1]
SCENARIOS = sys.argv[2]
try:
    import can  # noqa: F401
    from can.io import CanutilsLogReader
    HAVE_CAN = True
except ImportError:
    HAVE_CAN = False

work = tempfile.mkdtemp(prefix="tarvo-bus-")
atexit.register(shutil.rmtree, work, True)


def environment(trace, scenario=None):
    env = dict(os.environ)
    env["TARVO_SIM_TRACE"] = trace
    env["TARVO_SIM_SCENARIO"] = os.path.join(SCENARIOS, scenario) if scenario else ""
    return env


def candump_frames(trace):
    """(id, data as candump writes it, time stamp) of every CAN message the adapter sent."""
    return [(f.id, ("R" + (str(f.dlc) if f.dlc else "")) if f.remote else f.data.hex().upper(), f.time_stamp)
            for f in adapter_frames(trace)]


def run(args, trace, scenario=None):
    return subprocess.run([TOOL] + args, capture_output=True, text=True, timeout=60,
                          env=environment(trace, scenario))


# ---- refusals: one line, exit 2 (or 1 for a missing adapter), nothing sent ----
refusals = [
    (["dump", "--bitrate", "300000"], 2, "not 300000", None),
    (["dump", "--bitrate"], 2, "needs a value", None),
    (["dump", "--listen-only", "--loopback"], 2, "exclude each other", None),
    (["dump", "--port", "1"], 2, "belongs to serve", None),
    (["send"], 2, "no frame given", None),
    (["send", "123#11", "800#11"], 2, "'800#11'", None),
    (["send", "--listen-only", "123#11"], 2, "listen-only", None),
    (["send", "123##0"], 2, "CAN FD", None),
    (["frobnicate"], 2, "unknown command", None),
    (["send", "--bitrate", "800000", "123#11"], 2, "40 MHz", "model1_hw69.scn"),
    (["send", "--device", "99999", "123#11"], 1, "no adapter with serial number 99999", None),
    (["send", "--device", "1", "123#11"], 1, "no adapter with serial number 1", "two_adapters.scn"),
]
for args, code, text, scenario in refusals:
    trace = os.path.join(work, "refusal.txt")
    if os.path.exists(trace):
        os.remove(trace)
    r = run(args, trace, scenario)
    name = "refuses " + " ".join(args)
    check(name + ": exit", r.returncode == code, (r.returncode, r.stderr))
    check(name + ": one line with the reason", r.stderr.count("\n") == 1 and text in r.stderr, r.stderr)
    check(name + ": nothing on standard output", r.stdout == "", r.stdout)
    sent = [p for p in host_packets(trace) if p[0] in ("SendCAN", "SetBitTiming") or p == ("SetRunState", "05 01")]
    check(name + ": the adapter is not set up", sent == [], sent)

# ---- send: the frames in the trace, in order, inside the run ----
trace = os.path.join(work, "send.txt")
r = run(["send", "123#1122", "12345678#R", "123#R3", "7FF#0102030405060708", "00000001#"], trace)
check("send: exit 0", r.returncode == 0 and r.stderr == "", (r.returncode, r.stderr))
packets = host_packets(trace)
names = [p[0] for p in packets]
check("send: only the frames given", [p[1] for p in packets if p[0] == "SendCAN"] == [
    "00 00 23 01 00 00 02 11 22 00",
    "00 03 78 56 34 12 00 00",
    "00 01 23 01 00 00 03 00 00 00 00",
    "00 00 FF 07 00 00 08 01 02 03 04 05 06 07 08 00",
    "00 02 01 00 00 00 00 00",
], packets)
check("send: the default 250k timing, normal mode", ("SetBitTiming", "02 00 43 07 05 04 00") in packets
      and ("SetOperatingMode", "03 00") in packets, packets)
if "SendCAN" in names:
    first_send = names.index("SendCAN")
    check("send: inside the run", names[:first_send].count("SetRunState") == 1
          and packets[first_send - 1] == ("SetRunState", "05 01") and packets[-1] == ("SetRunState", "05 00"), packets)
check("send: the adapter is closed", any(" --- Close" in l for l in trace_lines(trace)), trace_lines(trace)[-3:])

# More frames than the adapter queues, at the slowest rate, in loopback: every
# one comes back, so none waited for the bus when the run stopped.
trace = os.path.join(work, "send-loopback.txt")
frames = ["%03X#%02X" % (i, i) for i in range(70)]
r = run(["send", "--loopback", "--bitrate", "12500"] + frames, trace)
check("send --loopback: exit 0", r.returncode == 0, r.stderr)
packets = host_packets(trace)
check("send --loopback: 12.5k timing and loopback mode", ("SetBitTiming", "02 00 7F 07 07 07 00") in packets
      and ("SetOperatingMode", "03 02") in packets, packets[:6])
back = [(i, d) for i, d, _ in candump_frames(trace)]
check("send --loopback: every frame reached the bus, in order", back == [(i, "%02X" % i) for i in range(70)], back[:5])

# ---- dump: stopped by Ctrl+C or SIGTERM, read by python-can ----
def dump(args, trace, scenario, until_lines, stop_signal, wait_s=10.0):
    out_path = os.path.join(work, "dump.log")
    with open(out_path, "w") as out:
        started = time.time()
        p = subprocess.Popen([TOOL, "dump"] + args, stdout=out, stderr=subprocess.PIPE, text=True,
                             env=environment(trace, scenario))
        deadline = time.time() + wait_s
        while time.time() < deadline and p.poll() is None:
            time.sleep(0.1)
            with open(out_path) as f:
                if sum(1 for _ in f) >= until_lines:
                    break
        p.send_signal(stop_signal)
        try:
            code = p.wait(timeout=10)
        except subprocess.TimeoutExpired:
            p.kill()
            code = "hung"
        err = p.stderr.read()
    with open(out_path) as f:
        return code, err, f.read(), started


for stop_signal in (signal.SIGINT, signal.SIGTERM):
    trace = os.path.join(work, "dump.txt")
    code, err, text, started = dump([], trace, None, 150, stop_signal)
    name = "dump stopped by " + stop_signal.name
    check(name + ": exit 0, nothing on standard error", code == 0 and err == "", (code, err))
    check(name + ": the run stopped and the adapter closed", [p[0] for p in host_packets(trace)][-1:] == ["SetRunState"]
          and host_packets(trace)[-1][1] == "05 00" and " --- Close" in trace_lines(trace)[-1], trace_lines(trace)[-2:])
    lines = text.splitlines()
    check(name + ": every line in candump -L form", len(lines) >= 150 and all(
        re.fullmatch(r"\(\d{10}\.\d{6}\) can0 ([0-9A-F]{3}|[0-9A-F]{8})#(R\d?|([0-9A-F]{2})*)", l) for l in lines),
        lines[:3])
    expected = candump_frames(trace)
    got = [(int(l.split()[2].split("#")[0], 16) & 0x1FFFFFFF, l.split("#")[1]) for l in lines]
    check(name + ": every frame of the adapter, in order, with its data",
          got == [(i, d) for i, d, _ in expected], (got[:3], expected[:3], len(got), len(expected)))
    if not HAVE_CAN or len(lines) < 2:
        continue
    messages = list(CanutilsLogReader(os.path.join(work, "dump.log")))
    check(name + ": python-can reads every line", len(messages) == len(lines), (len(messages), len(lines)))
    first = messages[0].timestamp
    check(name + ": times are seconds since 1970 from the run start",
          started - 1.0 < first < started + 5.0, (started, first))
    # Each time is the run start plus the adapter's ticks of 25.6 us.
    offsets = [round((m.timestamp - first) * 1e6) for m in messages]
    ticks = [round((ts - expected[0][2]) * 25.6) for _, _, ts in expected[:len(messages)]]
    check(name + ": times follow the adapter's time stamps to the microsecond",
          all(abs(a - b) <= 1 for a, b in zip(offsets, ticks)),
          [(a, b) for a, b in zip(offsets, ticks) if abs(a - b) > 1][:3])
    check(name + ": 11- and 29-bit identifiers kept", {m.is_extended_id for m in messages} == {False, True}
          and any(m.arbitration_id == 0x18FEF100 and m.is_extended_id for m in messages), None)

# Bus trouble as error frames: passive at second 1, bus-off at second 2.
trace = os.path.join(work, "dump-faults.txt")
code, err, text, _ = dump([], trace, "faults.scn", 10 ** 9, signal.SIGINT, wait_s=3.5)
errors = [l.split()[2] for l in text.splitlines() if re.search(r" 2[0-9A-F]{7}#", l)]
check("dump: bus states as error frames", code == 0 and any(e.startswith("20000004#00") for e in errors)
      and any(e.startswith("20000040#") for e in errors), errors)
if HAVE_CAN:
    kinds = [m for m in CanutilsLogReader(os.path.join(work, "dump.log"))]
    check("dump: python-can reads the error frames", len(kinds) == len(text.splitlines()), None)

# The mode of --listen-only reaches the adapter.
trace = os.path.join(work, "dump-listen.txt")
code, err, text, _ = dump(["--listen-only", "--bitrate", "1000000"], trace, None, 1, signal.SIGINT, wait_s=1.0)
packets = host_packets(trace)
check("dump --listen-only --bitrate 1000000: the adapter set up so", code == 0 and ("SetOperatingMode", "03 01") in packets
      and ("SetBitTiming", "02 00 41 03 02 01 00") in packets and not any(p[0] == "SendCAN" for p in packets), packets)

# ---- --config: the set-up of a configuration file as the program saves it ----
SAVED = ("[CAN_VIEW]\nMode=1\n[CAN_SETUP]\nEnhancedBaud=109\nEnhancedBRP=2\nEnhancedPHSEG1=8\n"
         "EnhancedPHSEG2=6\nEnhancedPRSEG=5\nEnhancedSJW=1\nEnhancedSAM=1\nMode=14\nFilterType=18\n"
         "Rx1MaskIDE=0\nRx1MaskID=7FF\nRx1Filter1ID=123\nRx1Filter2ID=124\nRx2MaskIDE=1\nRx2MaskID=1FFFFFFF\n"
         "Rx2Filter1ID=18FEF100\nRx2Filter2ID=0\nRx2Filter3ID=0\nRx2Filter4ID=0\n")


def config_file(name, text):
    path = os.path.join(work, name)
    with open(path, "w") as f:
        f.write(text)
    return path


def set_up_lines(trace):
    return [l for l in trace_lines(trace) if re.search(r" H>A (SetBitTiming|SetOperatingMode|SetFilters) ", l)]


saved = config_file("saved.cfx", SAVED)
config_refusals = [
    (["dump", "--config", os.path.join(work, "missing.cfx")], "was not found"),
    (["serve", "--port", "0", "--config", config_file("hex.cfx", SAVED.replace("Filter1ID=123", "Filter1ID=12G"))],
     "Receive Buffer 1, Filter 1 must contain only valid hexadecimal"),
    (["send", "--config", config_file("mode.cfx", SAVED.replace("Mode=14", "Mode=7")), "123#11"], "operating mode"),
    (["send", "--config", saved, "--listen-only", "123#11"], "leave out --listen-only"),
    (["send", "--config", work, "123#11"], "is not a file"),
]
for args, text in config_refusals:
    trace = os.path.join(work, "config-refusal.txt")
    if os.path.exists(trace):
        os.remove(trace)
    r = run(args, trace)
    name = "refuses " + " ".join(a.replace(work + "/", "") for a in args)
    check(name + ": exit 2 with one line", r.returncode == 2 and r.stderr.count("\n") == 1 and text in r.stderr,
          (r.returncode, r.stderr))
    check(name + ": the adapter is not set up", set_up_lines(trace) == [], set_up_lines(trace))

trace = os.path.join(work, "config-send.txt")
r = run(["send", "--config", saved, "123#11"], trace)
lines = set_up_lines(trace)
check("send --config: exit 0, quiet", r.returncode == 0 and r.stderr == "", (r.returncode, r.stderr))
check("send --config: the file's timing, mode and filters reach the adapter", len(lines) == 3
      and "[02 00 41 07 05 04 00]" in lines[0] and "[03 02]" in lines[1]
      and "M1=000007FF M2=1FFFFFFF F1=S00000123 F2=S00000124 F3=X18FEF100 F4=X00000000" in lines[2], lines)

trace = os.path.join(work, "config-20mhz.txt")
r = run(["send", "--config", saved, "123#11"], trace, "model1_hw69.scn")
lines = set_up_lines(trace)
check("send --config on a 20 MHz adapter: the same 500 kbit/s", r.returncode == 0 and len(lines) == 3
      and "-> 500000 bit/s (20 MHz)" in lines[0], (r.stderr, lines))

trace = os.path.join(work, "config-absurd.txt")
absurd = config_file("absurd.cfx", SAVED.replace("EnhancedPHSEG1=8", "EnhancedPHSEG1=2").replace(
    "EnhancedPHSEG2=6", "EnhancedPHSEG2=8"))
r = run(["send", "--config", absurd, "123#11"], trace)
lines = set_up_lines(trace)
check("send --config with a timing the rules refuse: the program's warning and fall-back on standard error",
      r.returncode == 0 and "absurd.cfx: PROPSEG + PHSEG1 must be" in r.stderr and "taken instead" in r.stderr
      and len(lines) == 3 and "[02 00 43 07 07 04 00]" in lines[0], (r.stderr, lines))

trace = os.path.join(work, "config-dump.txt")
code, err, text, _ = dump(["--config", saved], trace, None, 1, signal.SIGINT, wait_s=1.0)
lines = set_up_lines(trace)
check("dump --config: the file's set-up", code == 0 and len(lines) == 3 and "[03 02]" in lines[1], (err, lines))

print("%d failure(s)" % len(failures))
if failures:
    sys.exit(1)
sys.exit(0 if HAVE_CAN else 77)
