#!/usr/bin/env python3
"""Samples the CPU time of a process and all its descendants (a browser's renderer, GPU and
utility processes) until the process ends, five times a second.

usage: cpu_sampler.py PID OUT
Each line of OUT: wall-clock milliseconds since the epoch, then the CPU milliseconds (user and
system) the tree has used so far, in total and in its renderer processes only. A process that ended
keeps counting with what it had used at its last sample (chromium starts and ends helper and spare
renderer processes while a page runs; without that, the sums would fall).
"""
import os
import sys
import time

TICK_MS = 1000 / os.sysconf("SC_CLK_TCK")


def tree(root, used):
    """Notes in `used` (pid: [ticks, is a renderer]) what each process of the tree has used so far."""
    children = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        fields = stat[stat.rindex(")") + 2:].split()
        children.setdefault(int(fields[1]), []).append((int(name), int(fields[11]) + int(fields[12])))
    todo = [root]
    while todo:
        pid = todo.pop()
        for child, ticks in children.get(pid, []):
            todo.append(child)
            note = used.setdefault(child, [0, False])
            note[0] = max(note[0], ticks)
            # A process forked from the zygote takes its renderer's title only once it runs.
            if not note[1]:
                try:
                    with open(f"/proc/{child}/cmdline", "rb") as f:
                        note[1] = b"--type=renderer" in f.read()
                except OSError:
                    pass


def main():
    root, out = int(sys.argv[1]), sys.argv[2]
    used = {}
    with open(out, "w") as f:
        while os.path.exists(f"/proc/{root}"):
            with open(f"/proc/{root}/stat") as s:
                stat = s.read()
            own = stat[stat.rindex(")") + 2:].split()
            tree(root, used)
            total = int(own[11]) + int(own[12]) + sum(ticks for ticks, _ in used.values())
            renderer = sum(ticks for ticks, is_renderer in used.values() if is_renderer)
            f.write(f"{time.time() * 1000:.0f} {total * TICK_MS:.0f} {renderer * TICK_MS:.0f}\n")
            f.flush()
            time.sleep(0.2)


if __name__ == "__main__":
    try:
        main()
    except (OSError, ValueError):
        pass  # the browser ended while it was read
