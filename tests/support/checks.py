"""Checks for the python tests of the command-line tools, imported by each
from its own folder:

    sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', 'support'))
    from checks import check, failures

check() prints one line per check and keeps the names of the failed ones in
failures. The trace readers parse the simulated adapter's protocol trace
(TARVO_SIM_TRACE), one packet a line:
    1.502118 dev0 A>H CAN 29-bit ID=18FF1234 DLC=8 DATA=01 02 ... BS=00 TS=1234 [...]
"""
import collections
import re

failures = []


def check(name, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + name + ("" if ok else ": " + str(detail)), flush=True)
    if not ok:
        failures.append(name)


def trace_lines(trace):
    """The trace's lines; none while the file is not there yet."""
    try:
        with open(trace) as f:
            return f.read().splitlines()
    except FileNotFoundError:
        return []


def host_packets(trace):
    """(name, bytes as the trace writes them) of every host-to-adapter packet, in order."""
    packets = []
    for line in trace_lines(trace):
        m = re.search(r" H>A (\S+) .*\[([0-9A-F ]*)\]$", line)
        if m:
            packets.append((m.group(1), m.group(2)))
    return packets


AdapterFrame = collections.namedtuple("AdapterFrame", "id remote dlc data time_stamp")


def adapter_frames(trace):
    """Every CAN message the adapter sent to the host (not those it dropped), in order."""
    frames = []
    for line in trace_lines(trace):
        m = re.search(r" A>H CAN (?:11|29)-bit (RTR )?ID=(\w+) DLC=(\d)(?: DATA=([0-9A-F ]+))? BS=\w+ TS=(\d+)", line)
        if m and "dropped" not in line:
            frames.append(AdapterFrame(int(m.group(2), 16), bool(m.group(1)), int(m.group(3)),
                                       bytes.fromhex(m.group(4) or ""), int(m.group(5))))
    return frames
