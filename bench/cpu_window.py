#!/usr/bin/env python3
"""CPU seconds that processes spend over a window of time, from /proc/PID/stat (utime + stime,
all threads, exited ones included).

    cpu_window.py SECONDS PREFIX XVFB_PID PULSE_PID [PROGRAM_PID]

Prints one line of key=value pairs: the window's length, the CPU seconds of the program, of the
Wine prefix's wineserver, of the prefix's other Wine processes (services, desktop), of the X
server and of the sound server, how busy the whole machine was (all cores, in cores), and the
program's CPU seconds by thread (its first thread as "main", the others by name).
"""
import os
import sys
import time

TICK = os.sysconf("SC_CLK_TCK")


def ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except (OSError, IndexError, ValueError):
        return None


def thread_ticks(pid):
    """Ticks of each thread of a process, the first thread named main, the others by name."""
    result = {}
    try:
        tids = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return result
    for tid in tids:
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as stat:
                text = stat.read()
        except OSError:
            continue
        name = "main" if tid == str(pid) else text[text.index("(") + 1:text.rindex(")")].replace(" ", "_")
        fields = text.rsplit(")", 1)[1].split()
        result[tid] = (name, int(fields[11]) + int(fields[12]))
    return result


def prefix_processes(prefix):
    """Wine processes of the prefix: the wineserver and the rest, by their environment."""
    wanted = f"WINEPREFIX={prefix}".encode()
    server, others = None, []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/environ", "rb") as env:
                if wanted not in env.read().split(b"\0"):
                    continue
            with open(f"/proc/{name}/comm") as comm:
                command = comm.read().strip()
            loader = os.path.basename(os.readlink(f"/proc/{name}/exe"))
        except OSError:
            continue
        if not loader.startswith("wine"):
            continue  # a helper that only inherited the variable
        if command.startswith("wineserver"):
            server = int(name)
        else:
            others.append(int(name))
    return server, others


def machine_busy():
    with open("/proc/stat") as stat:
        values = [int(v) for v in stat.readline().split()[1:]]
    idle = values[3] + values[4]
    return sum(values) - idle


def main():
    seconds, prefix = float(sys.argv[1]), os.path.realpath(sys.argv[2])
    xvfb, pulse = int(sys.argv[3]), int(sys.argv[4])
    program = int(sys.argv[5]) if len(sys.argv) > 5 else None
    server, others = prefix_processes(prefix)
    others = [pid for pid in others if pid != program]
    groups = {"program": [program] if program else [], "wineserver": [server] if server else [],
              "wine_other": others, "xvfb": [xvfb], "pulseaudio": [pulse]}
    before = {pid: ticks(pid) for pids in groups.values() for pid in pids}
    threads_before = thread_ticks(program) if program else {}
    busy0, t0 = machine_busy(), time.monotonic()
    time.sleep(seconds)
    after = {pid: ticks(pid) for pid in before}
    threads_after = thread_ticks(program) if program else {}
    busy1, t1 = machine_busy(), time.monotonic()
    out = [f"seconds={t1 - t0:.3f}"]
    for group, pids in groups.items():
        spent = sum(after[p] - before[p] for p in pids if before[p] is not None and after[p] is not None)
        out.append(f"{group}={spent / TICK:.2f}")
    out.append(f"machine_cores_busy={(busy1 - busy0) / TICK / (t1 - t0):.3f}")
    by_process = {}
    for pid in others:
        if before[pid] is not None and after[pid] is not None:
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as cmdline:
                    name = cmdline.read().split(b"\0")[0].decode(errors="replace").replace("\\", "/").rsplit("/", 1)[-1]
            except OSError:
                name = str(pid)
            by_process[name] = by_process.get(name, 0) + after[pid] - before[pid]
    if by_process:
        out.append("others=" + ",".join(f"{n.replace(' ', '_')}:{t / TICK:.2f}" for n, t in sorted(by_process.items())))
    by_name = {}
    for tid, (name, spent) in threads_after.items():
        if tid in threads_before:
            by_name[name] = by_name.get(name, 0) + spent - threads_before[tid][1]
    if by_name:
        out.append("threads=" + ",".join(f"{name}:{spent / TICK:.2f}" for name, spent in sorted(by_name.items())))
    print(" ".join(out), flush=True)


if __name__ == "__main__":
    main()
