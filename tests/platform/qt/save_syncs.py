#!/usr/bin/env python3
"""Every save of the settings file makes its new file durable before renaming it over the old
one, and the rename durable after it: runs the settings-file tests under strace and follows the
calls. Argument: the platform_tests binary. Exit 77 when strace cannot run here."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

if not shutil.which("strace"):
    print("skipped: no strace")
    sys.exit(77)

CALL = re.compile(r'^(\d+) +(\w+)\((.*)\) += (-?\d+)')
STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')

with tempfile.TemporaryDirectory() as folder:
    trace = os.path.join(folder, "trace")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    env.pop("DISPLAY", None)
    run = subprocess.run(
        ["strace", "-f", "-qq", "-o", trace, "-e",
         "trace=openat,fsync,fdatasync,rename,renameat,renameat2,close",
         sys.argv[1], "--gtest_filter=SettingsFileTest.*:LinuxSettingsFileTest.OtherLines*"],
        env=env, capture_output=True, text=True)
    if run.returncode != 0:
        if "ptrace" in run.stderr:
            print("skipped: strace may not trace here:", run.stderr.strip())
            sys.exit(77)
        print(run.stdout[-3000:], run.stderr[-3000:])
        sys.exit("the traced tests failed")
    with open(trace) as f:
        lines = f.read().splitlines()

files = {}        # (pid, fd) -> path
synced = set()    # paths whose open file was synced since it was opened
renames = []      # [new file, folder, folder synced since]
faults = []
for line in lines:
    m = CALL.match(line)
    if not m:
        continue
    pid, call, args, result = m.group(1), m.group(2), m.group(3), int(m.group(4))
    names = STRING.findall(args)
    if call == "openat" and result >= 0 and names:
        files[(pid, result)] = names[0]
        synced.discard(names[0])
    elif call in ("fsync", "fdatasync") and result == 0:
        path = files.get((pid, int(args.split(",")[0])))
        synced.add(path)
        for r in renames:
            if r[1] == path:
                r[2] = True
    elif call == "close":
        files.pop((pid, int(args)), None)
    elif call.startswith("rename") and result == 0 and len(names) == 2:
        new, old = names
        if not new.endswith(".tmp"):
            continue
        if new not in synced:
            faults.append(f"{new} renamed without being synced")
        renames.append([new, os.path.dirname(old), False])

# The rule each save must keep, and whether it held.
rules = [
    ("saves were traced", len(renames) >= 5),
    ("no new file renamed before it was synced", not faults),
    ("every rename followed by a sync of its folder", all(r[2] for r in renames)),
]
for rule, held in rules:
    print(("ok: " if held else "FAILED: ") + rule)
for fault in faults[:5]:
    print("  ", fault)
sys.exit(0 if all(held for _, held in rules) else 1)
