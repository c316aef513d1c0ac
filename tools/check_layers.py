#!/usr/bin/env python3
"""Checks that no include in src/ runs upward.

The subsystems are stacked, lowest first, as LAYERS lists them: a file may
include headers of its own subsystem and of the subsystems below it, never of
one above. Within a subsystem the plain logic at the top of its folder reaches
no widget: it includes no header of any qt/ folder and no Qt header, so tests
reach it without a window. shell/core (the run control) includes nothing of
shell/qt (the main window). Programs in tool/ folders may include widgets
(tarvo-log draws plots), still only from below.

Usage: check_layers.py [SRC_DIR]   exit 0 when every include keeps the order,
1 with one line per include that does not.
"""
import os
import re
import sys

LAYERS = ["common", "adapter", "view", "setup", "transmit", "dbc", "logging", "plot",
          "logio", "persistence", "analysis", "bus", "shell"]
RANK = {name: i for i, name in enumerate(LAYERS)}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def kind(parts):
    """'qt', 'tool' or 'plain' for a path's parts below its subsystem."""
    if "qt" in parts[1:-1]:
        return "qt"
    if "tool" in parts[1:-1]:
        return "tool"
    return "plain"


def problems(src):
    found = []
    for folder, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            parts = os.path.relpath(path, src).split(os.sep)
            subsystem = parts[0]
            if subsystem not in RANK:
                found.append(f"{path}: the folder {subsystem}/ has no place in the layers")
                continue
            mine = kind(parts)
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(1)
                    where = f"{path}:{number}: {target}"
                    if mine == "plain" and re.match(r"Q[A-Za-z]+$|Qt", target):
                        found.append(f"{where}: plain logic includes a Qt header")
                    tparts = target.split("/")
                    if len(tparts) < 2 or tparts[0] not in RANK:
                        continue
                    if RANK[tparts[0]] > RANK[subsystem]:
                        found.append(f"{where}: {subsystem} sits below {tparts[0]}")
                    if mine == "plain" and "qt" in tparts[1:-1]:
                        found.append(f"{where}: plain logic includes a widget header")
                    if parts[:2] == ["shell", "core"] and tparts[:2] == ["shell", "qt"]:
                        found.append(f"{where}: the run control includes the main window")
    return found


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    found = problems(src)
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
