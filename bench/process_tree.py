#!/usr/bin/env python3
"""The whole process tree of a running program: the program and every
process below it (the browser's helpers among them).

    process_tree.py PID SECONDS

prints "CPU USS RSS": the share of one core the tree used over SECONDS (in
percent, from utime + stime), and the unique and resident set sizes summed
over the tree (kB, from smaps_rollup).
"""
import os
import sys
import time


def stat_fields(pid):
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()


def tree(root):
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                parents[int(entry)] = int(stat_fields(entry)[1])
            except OSError:
                pass
    members, i = [root], 0
    while i < len(members):
        members += [p for p, parent in parents.items() if parent == members[i]]
        i += 1
    return members


def cpu_ticks(pids):
    total = 0
    for pid in pids:
        try:
            fields = stat_fields(pid)
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total


def memory_kb(pids):
    uss = rss = 0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/smaps_rollup") as f:
                for line in f:
                    name, _, value = line.partition(":")
                    if name in ("Private_Clean", "Private_Dirty"):
                        uss += int(value.split()[0])
                    elif name == "Rss":
                        rss += int(value.split()[0])
        except OSError:
            pass
    return uss, rss


def main():
    root, seconds = int(sys.argv[1]), float(sys.argv[2])
    before_members = tree(root)
    before = cpu_ticks(before_members)
    start = time.monotonic()
    time.sleep(seconds)
    members = sorted(set(before_members) | set(tree(root)))
    used = cpu_ticks(members) - before
    elapsed = time.monotonic() - start
    uss, rss = memory_kb(members)
    print(f"{100.0 * used / os.sysconf('SC_CLK_TCK') / elapsed:.2f} {uss} {rss}")


if __name__ == "__main__":
    main()
