#!/usr/bin/env python3
"""Plays steps from silence to a loud tone into the session's sink and notes when each step was
written and when a plain recorder of the sink's monitor (parec) saw it.

    latency.py STEPS OUT_FILE

Needs PULSE_SERVER and QUORVEL_SINK (the session's env.sh). Writes lines
    write UNIX_SECONDS K       the first tone chunk of step K was handed to the player
    parec UNIX_SECONDS K       the recorder received the read holding step K's first loud sample
    parec_read_ms MEDIAN P95   how far apart the recorder's reads were: its resolution
Times are the wall clock, which the Wine programs of the benchmark read too.
"""
import fcntl
import os
import random
import subprocess
import sys
import threading
import time
from array import array
from math import pi, sin

RATE = 44100
CHUNK_FRAMES = 441  # 10 ms
TONE_HZ = 441  # the benchmark's tone: a whole number of periods in every 10 ms chunk
AMPLITUDE = 16384  # half scale: level 128 on the meter's scale
LOUD = 100 * 256  # peak-to-peak at or above this counts as loud (level 100)
QUIET = 10 * 256
LEAD_IN = 2.0
PIPE_BYTES = 4096  # the least a pipe holds: the player pulls the signal as it plays it
TONE_SECONDS = 0.6


def chunk_bytes(loud):
    samples = array("h")
    for i in range(CHUNK_FRAMES):
        value = int(AMPLITUDE * sin(2 * pi * TONE_HZ * i / RATE)) if loud else 0
        samples.extend((value, value))
    return samples.tobytes()


def schedule(steps, seed=7):
    """Start and end of each tone, in seconds from the start; the silences vary so that the
    steps fall at random phases of the meter's timer and blocks."""
    rng = random.Random(seed)
    t, spans = LEAD_IN, []
    for _ in range(steps):
        spans.append((t, t + TONE_SECONDS))
        t += TONE_SECONDS + rng.uniform(0.9, 1.4)
    return spans, t + 0.5


def main():
    steps, out_path = int(sys.argv[1]), sys.argv[2]
    sink = os.environ.get("QUORVEL_SINK", "quorvel_sink")
    fmt = ["--raw", "--format=s16le", f"--rate={RATE}", "--channels=2"]
    recorder = subprocess.Popen(["parec", *fmt, f"--device={sink}.monitor", "--latency-msec=5"],
                                stdout=subprocess.PIPE, bufsize=0)
    player = subprocess.Popen(["pacat", *fmt, f"--device={sink}", "--latency-msec=40"],
                              stdin=subprocess.PIPE, bufsize=0)
    # Fed through the smallest pipe, as fast as it takes the signal: the player's pace is the
    # sink's, and no more than its own buffer and the pipe's few milliseconds wait in front of it.
    fcntl.fcntl(player.stdin.fileno(), fcntl.F_SETPIPE_SZ, PIPE_BYTES)
    lines, lock = [], threading.Lock()
    reads = []
    stop = threading.Event()

    def note(line):
        with lock:
            lines.append(line)

    def record():
        loud_seen, step, pending = False, 0, b""
        last = None
        while not stop.is_set():
            data = os.read(recorder.stdout.fileno(), 4096)
            now = time.time()
            if not data:
                break
            if last is not None:
                reads.append((now - last) * 1000)
            last = now
            data = pending + data
            usable = len(data) - len(data) % 4
            pending = data[usable:]
            samples = array("h", data[:usable])[0::2]  # left channel
            # Peak-to-peak over short windows, as a block measurement would see it.
            for start in range(0, len(samples), 128):
                window = samples[start:start + 128]
                span = max(max(window), 0) - min(min(window), 0)
                if not loud_seen and span >= LOUD:
                    note(f"parec {now:.6f} {step}")
                    loud_seen, step = True, step + 1
                elif loud_seen and span <= QUIET:
                    loud_seen = False

    reader = threading.Thread(target=record, daemon=True)
    reader.start()
    time.sleep(0.5)  # the recorder is connected before anything is played

    spans, total = schedule(steps)
    silence, tone = chunk_bytes(False), chunk_bytes(True)
    chunk = CHUNK_FRAMES / RATE
    k, step, was_loud = 0, 0, False
    while k * chunk < total:
        offset = k * chunk
        loud = any(a <= offset < b for a, b in spans)
        player.stdin.write(tone if loud else silence)  # returns once the chunk is in the pipe
        if loud and not was_loud:
            note(f"write {time.time():.6f} {step}")
            step += 1
        was_loud = loud
        k += 1
    time.sleep(1.0)  # the last step reaches the recorder
    stop.set()
    player.stdin.close()
    player.wait(timeout=10)
    recorder.terminate()
    recorder.wait(timeout=10)
    reads.sort()
    with open(out_path, "w") as out:
        for line in lines:
            out.write(line + "\n")
        if reads:
            out.write(f"parec_read_ms {reads[len(reads) // 2]:.3f} {reads[len(reads) * 95 // 100]:.3f}\n")


if __name__ == "__main__":
    main()
