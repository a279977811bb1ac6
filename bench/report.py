#!/usr/bin/env python3
"""Turns the raw data of bench/run.sh into bench/results.md.

    report.py DATA_DIR RESULTS_FILE

DATA_DIR holds machine.txt and a folder of data per build; the first build's data fill every
section, the further builds' (measured beside it: CPU, coverage at 44.1 and 96 kHz, latency of the
meter) their own column of the summary and their own rows in sections 1 to 3.
"""
import os
import re
import statistics
import sys

DATA = sys.argv[1]
OUT = sys.argv[2]

CPU_TARGET = 1.15
WINDOW_FLOOR_TARGET = 1.05
COVERAGE_TARGET = 98.0
LATENCY_TARGET_MS = 60.0
LOUD = 100  # a readout at or above this shows the tone (the tone reads 128)


def read_lines(file):
    try:
        with open(file) as f:
            return [line.rstrip("\n") for line in f if line.strip()]
    except OSError:
        return []


def lines(name, build=None):
    """The non-empty lines of one data file of a build (the first build by default)."""
    return read_lines(os.path.join(DATA, build or FIRST, name))


def keyvalues(line):
    return dict(re.findall(r"(\w+)=(\S+)", line))


def median(values):
    return statistics.median(values) if values else float("nan")


def percentile(values, p):
    """Nearest rank."""
    if not values:
        return float("nan")
    ordered = sorted(values)
    rank = max(1, int(-(-p * len(ordered) // 100)))
    return ordered[min(rank, len(ordered)) - 1]


def fmt(value, digits=2):
    return "n/a" if value != value else f"{value:.{digits}f}"


def spread(values, digits=2):
    if not values:
        return "n/a"
    return f"{fmt(median(values), digits)} ({fmt(min(values), digits)}–{fmt(max(values), digits)})"


def yes(met):
    return "**met**" if met else "**missed**"


machine = {}
for line in read_lines(os.path.join(DATA, "machine.txt")):
    key, _, value = line.partition("=")
    machine[key] = value
BUILDS = machine.get("builds", "").split()
FIRST = BUILDS[0] if BUILDS else ""
NOT_MEASURED = {key[len("not_measured_"):]: value for key, value in machine.items() if key.startswith("not_measured_")}
COLUMNS = BUILDS + list(NOT_MEASURED)
SOAK_DEFAULT = 20  # minutes, as in bench/run.sh
full_soak = int(machine.get("soak_minutes") or 0) >= SOAK_DEFAULT
EXPERIMENTS = "experiments" in machine.get("parts", "").split()


def wine_of(build):
    return machine.get(f"wine_{build}", machine.get("wine", "?"))
out = []
w = out.append

w("# Quorvel benchmark results")
w("")
w(f"Written by `make bench` (bench/run.sh, bench/report.py) on {machine.get('date', '?')}. "
  "Every figure comes from that one run, in one private session (Xvfb display, PulseAudio with a null "
  "sink whose monitor is the default capture source), each build in a Wine prefix of the benchmark's own, and "
  "a 441 Hz tone at half scale (level 128) played into the sink. Medians are of "
  f"{machine.get('runs', '?')} runs unless said otherwise; ranges in brackets are the smallest and the "
  f"largest run. Builds: {', '.join(BUILDS)}; figures without a build's name are of the {FIRST} build, "
  "which is measured in full; the others are measured in the same runs, their conditions taking turns with "
  "the first build's." + "".join(f" The {b} build was not measured: {why}." for b, why in NOT_MEASURED.items()))
if machine.get("started") and machine.get("ended"):
    w("")
    w(f"The run took {(int(machine['ended']) - int(machine['started'])) / 60:.0f} minutes, on "
      f"{machine.get('where', '?')}.")
if not full_soak:
    w("")
    w(f"**Quick run: the memory and handle run lasted {machine.get('soak_minutes')} minutes, not {SOAK_DEFAULT}.**")
w("")
w("## Machine")
w("")
w("| | |")
w("|---|---|")
for key, label in [("nproc", "cores (nproc)"), ("cpu", "CPU"), ("memory", "memory"), ("kernel", "kernel")]:
    w(f"| {label} | {machine.get(key, '?')} |")
for b in BUILDS:
    w(f"| Wine that ran the {b} build | {wine_of(b)} |")
for key, label in [("pulseaudio", "PulseAudio"), ("pavumeter", "pavumeter (Debian)"),
                   ("load_at_start", "load average at start"), ("load_at_end", "load average at end")]:
    w(f"| {label} | {machine.get(key, '?')} |")

# ---------------------------------------------------------------- CPU
CPU = {b: [keyvalues(line) for line in lines("cpu.txt", b)] for b in BUILDS}
cpu = CPU.get(FIRST, [])


def per_minute(row, *keys):
    return sum(float(row[k]) for k in keys) * 60.0 / float(row["seconds"])


def cpu_values(condition, *keys, rows=None):
    return [per_minute(r, *keys) for r in (cpu if rows is None else rows) if r.get("condition") == condition]


# A thread without a name of its own shows under its program's (as the kernel keeps it: 15 characters).
UNNAMED_THREADS = {"Quorvel.exe", "window_floor.ex", "block_coverage."}


def thread_values(condition):
    result = {}
    for r in cpu:
        if r.get("condition") != condition or "threads" not in r:
            continue
        for item in r["threads"].split(","):
            name, _, seconds = item.rpartition(":")
            name = "capture" if name in UNNAMED_THREADS else name
            result.setdefault(name, []).append(float(seconds) * 60.0 / float(r["seconds"]))
    return result


def meter_against_floor(rows, floor_condition="floor"):
    """CPU s per minute of meter and a floor (each with its wineserver), the ratio of the medians
    and the ratio in each run."""
    meter = cpu_values("meter", "program", "wineserver", rows=rows)
    floor = cpu_values(floor_condition, "program", "wineserver", rows=rows)
    ratio = median(meter) / median(floor) if meter and floor else float("nan")
    by_run = {c: {r["run"]: r for r in rows if r.get("condition") == c} for c in ("meter", floor_condition)}
    per_run = [per_minute(by_run["meter"][run], "program", "wineserver") /
               per_minute(by_run[floor_condition][run], "program", "wineserver")
               for run in sorted(by_run["meter"]) if run in by_run[floor_condition]]
    return meter, floor, ratio, per_run


meter_total, floor_total, cpu_ratio, run_ratios = meter_against_floor(cpu)
_, window_total, window_ratio, window_run_ratios = meter_against_floor(cpu, "window_floor")

# ---------------------------------------------------------------- coverage
COVERAGE = {b: [keyvalues(line) for line in lines("coverage.txt", b)] for b in BUILDS}
COVERAGE_FLOOR = {b: [keyvalues(line) for line in lines("coverage_floor.txt", b)] for b in BUILDS}
coverage, coverage_floor = COVERAGE.get(FIRST, []), COVERAGE_FLOOR.get(FIRST, [])
FORMATS = [("11.025kHz", "11.025 kHz", 11025), ("44.1kHz", "44.1 kHz", 44100), ("48kHz", "48 kHz", 48000),
           ("96kHz", "96 kHz", 96000)]


def rows_for(rows, prefix):
    return [r for r in rows if r.get("format", "").startswith(prefix)]


def coverage_percent(rows):
    return [100.0 * float(r["blocks_measured"]) / float(r["blocks_captured"]) for r in rows]


cov44 = coverage_percent(rows_for(coverage, "44.1kHz"))

# ---------------------------------------------------------------- latency


def latency_pass(steps_file, observed_file, tag, build=None):
    writes, parec = {}, []
    read_ms = None
    for line in lines(steps_file, build):
        f = line.split()
        if f[0] == "write":
            writes[int(f[2])] = float(f[1])
        elif f[0] == "parec":
            parec.append(float(f[1]))
        elif f[0] == "parec_read_ms":
            read_ms = (float(f[1]), float(f[2]))
    seen, poll = [], None
    for line in lines(observed_file, build):
        f = line.split()
        if f[0] == tag and int(f[2]) >= LOUD:
            seen.append(float(f[1]))
        elif f[0] == "poll_gap_ms":
            poll = (float(f[2]), float(f[4]), float(f[6]))
    server, total, share = [], [], []
    extra_parec = len(parec)
    for k in sorted(writes):
        start = writes[k]
        after = [t for t in parec if start <= t < start + 0.9]
        shown = [t for t in seen if start <= t < start + 0.9]
        if not after or not shown:
            continue
        extra_parec -= 1
        server.append((after[0] - start) * 1000)
        total.append((shown[0] - start) * 1000)
        share.append((shown[0] - after[0]) * 1000)
    return {"steps": len(writes), "matched": len(share), "server": server, "total": total, "share": share,
            "read_ms": read_ms, "poll": poll, "unmatched_parec": max(0, extra_parec)}


LATENCY = {b: latency_pass("latency_meter_steps.txt", "latency_meter_readouts.txt", "readout", b) for b in BUILDS}
lat_meter = LATENCY.get(FIRST) or latency_pass("", "", "readout")
lat_floor = latency_pass("latency_floor_steps.txt", "latency_floor_readouts.txt", "step")
share_median = median(lat_meter["share"])

# ---------------------------------------------------------------- soak
soak_header = [line for line in lines("soak.txt") if line.startswith("#")]
soak = []
for line in lines("soak.txt"):
    if line.startswith("#"):
        continue
    f = line.split()
    names = ["seconds", "switches", "gdi", "user", "gdi_peak", "user_peak", "gdi_table", "handles", "windows",
             "rss_kb", "threads", "left_readout"]
    if len(f) == len(names):
        soak.append(dict(zip(names, (float(x) for x in f))))
after_minute = [s for s in soak if s["seconds"] >= 60]
at_minute = after_minute[0] if after_minute else None
SOAK_SERIES = [("rss_kb", "resident memory (kB)"), ("gdi_table", "GDI objects (the process's GDI handle table)"),
               ("windows", "USER objects: windows of the process"), ("handles", "kernel handles"),
               ("threads", "threads")]


def growth(key):
    if not at_minute:
        return float("nan")
    return max(s[key] for s in after_minute) - at_minute[key]


def fitted_slope(points):
    """Least-squares slope of y over x; NaN for fewer than three points or no spread in x."""
    if len(points) < 3:
        return float("nan")
    mx = statistics.fmean(p[0] for p in points)
    my = statistics.fmean(p[1] for p in points)
    sxx = sum((p[0] - mx) ** 2 for p in points)
    return sum((p[0] - mx) * (p[1] - my) for p in points) / sxx if sxx else float("nan")


def slope_per_minute(key):
    return fitted_slope([(s["seconds"] / 60.0, s[key]) for s in after_minute])


# A count may rise for a moment during a switch, but must end where it stood at one minute and show
# no upward trend; memory may wander by heap noise but must not end higher than that.
RSS_NOISE_KB = 512
COUNT_TREND = 0.05  # per minute
soak_long_enough = at_minute is not None and len(after_minute) >= 3


def count_flat(key):
    return soak[-1][key] <= at_minute[key] and slope_per_minute(key) <= COUNT_TREND


def end_growth(key):
    return soak[-1][key] - at_minute[key] if at_minute else float("nan")


counts_flat = soak_long_enough and all(count_flat(k) for k, _ in SOAK_SERIES if k != "rss_kb")
rss_flat = soak_long_enough and end_growth("rss_kb") <= RSS_NOISE_KB
REOPEN = [keyvalues(line) for line in lines("reopen.txt")]
reopen_samples = [(float(r["rounds"]), float(r["rss_kb"])) for r in REOPEN if r.get("rounds") and r.get("rss_kb")]
reopen_devices = next((r["devices"] for r in REOPEN if "devices" in r), "?")
# Growth per round between successive readings, and its median: now and then the loop's memory
# falls back by megabytes (memory given back), which a line through all readings would spread out.
reopen_steps = [(b[1] - a[1]) / (b[0] - a[0]) for a, b in zip(reopen_samples, reopen_samples[1:]) if b[0] > a[0]]
reopen_per_round = median(reopen_steps)
switches_after_minute = (soak[-1]["switches"] - at_minute["switches"]) if soak_long_enough else 0
meter_per_switch = end_growth("rss_kb") / switches_after_minute if switches_after_minute else float("nan")
soak_met = counts_flat and rss_flat and full_soak
# The loop does what a switch does to DirectSound; only where it grows about as fast as the meter
# does per switch (within a quarter) is the meter's growth put down to Wine (NaN: not claimed).
REOPEN_AGREEMENT = 0.25
reopen_explains = abs(reopen_per_round - meter_per_switch) <= REOPEN_AGREEMENT * meter_per_switch
# Growing faster still, the loop leaves nothing of the meter's growth to the meter's own code.
reopen_exceeds = reopen_per_round > (1 + REOPEN_AGREEMENT) * meter_per_switch


def reopen_verdict():
    if reopen_explains:
        return f"the two agree within {REOPEN_AGREEMENT:.0%}: the growth is Wine's"
    if reopen_exceeds:
        return "Wine's DirectSound alone grows faster than the meter does: nothing is left to the meter's own code"
    return f"the two do not agree within {REOPEN_AGREEMENT:.0%}: the rest is not explained by Wine's part"

# ---------------------------------------------------------------- speed
speed = [keyvalues(line.replace(" measure_samples_per_s ", " measure=").replace(" memcpy_samples_per_s ", " memcpy="))
         for line in lines("speed.txt")]
measure_rates = [float(s["measure"]) for s in speed if "measure" in s]
memcpy_rates = [float(s["memcpy"]) for s in speed if "memcpy" in s]
speed_ratio = median(memcpy_rates) / median(measure_rates) if measure_rates else float("nan")

# ---------------------------------------------------------------- summary


def cpu_cell(build, floor_condition="floor", target=CPU_TARGET):
    meter, floor, ratio, per_run = meter_against_floor(CPU[build], floor_condition)
    runs = f"; runs {fmt(min(per_run))}–{fmt(max(per_run))} ×" if per_run else ""
    return (f"{fmt(ratio)} × ({fmt(median(meter))} against {fmt(median(floor))} CPU s per minute{runs}) "
            f"{yes(ratio <= target)}")


def coverage_cell(build, prefix, target=None):
    values = coverage_percent(rows_for(COVERAGE[build], prefix))
    verdict = f" {yes(bool(values) and median(values) >= target)}" if target else ""
    return f"{spread(values, 1)} %{verdict}"


def latency_cell(build):
    share = LATENCY[build]["share"]
    return (f"{fmt(median(share), 1)} ms (95th percentile {fmt(percentile(share, 95), 1)} ms, "
            f"{len(share)} steps) {yes(median(share) <= LATENCY_TARGET_MS)}")


def summary_row(measure, target, cell):
    """cell(build) for each measured build; for a build that was not measured, why."""
    cells = [cell(b) if b in BUILDS else f"not measured: {NOT_MEASURED[b]}" for b in COLUMNS]
    w(f"| {measure} | {target} | " + " | ".join(cells) + " |")


w("")
w("## Summary")
w("")
w("| Measure | Target | " + " | ".join(COLUMNS) + " |")
w("|---|---|" + "---|" * len(COLUMNS))
summary_row("Wine that ran the build", "", wine_of)
summary_row("CPU of the running meter ÷ CPU of the window floor: capture and the window work every running "
            "meter must do (each with its wineserver)", f"at most {WINDOW_FLOOR_TARGET} ×",
            lambda b: cpu_cell(b, "window_floor", WINDOW_FLOOR_TARGET))
summary_row("CPU of the running meter ÷ CPU of the capture floor: capture only, no window (each with its "
            "wineserver)", f"at most {CPU_TARGET} ×", cpu_cell)
summary_row("Blocks measured ÷ blocks captured at 44.1 kHz", f"at least {COVERAGE_TARGET:.0f} %",
            lambda b: coverage_cell(b, "44.1kHz", COVERAGE_TARGET))
summary_row("Blocks measured ÷ blocks captured at 96 kHz", "(reported)", lambda b: coverage_cell(b, "96kHz"))
summary_row("Latency, the meter's own share beyond a plain recorder, median", f"at most {LATENCY_TARGET_MS:.0f} ms",
            latency_cell)
if not soak_long_enough:
    soak_result = "too short to tell"
else:
    soak_result = ("GDI objects, windows, kernel handles and threads: no growth" if counts_flat else
                   "counts grew: " + ", ".join(label for k, label in SOAK_SERIES if k != "rss_kb" and not count_flat(k)))
    soak_result += (f"; resident memory +{fmt(end_growth('rss_kb'), 0)} kB from minute 1 to the end, "
                    f"{fmt(meter_per_switch, 1)} kB per device switch")
    if reopen_per_round == reopen_per_round:
        soak_result += (f" (what a switch does to DirectSound, alone in a loop without the meter: "
                        f"{fmt(reopen_per_round, 1)} kB per round"
                        + f"; {reopen_verdict()})")
first_only = f"{FIRST} build only"
summary_row(f"Memory and handles over {machine.get('soak_minutes')} minutes with a device switch every 10 s",
            "no growth after the first minute",
            lambda b: f"{soak_result} {yes(soak_met)}" if b == FIRST else first_only)
summary_row("Level computation against memcpy of the same bytes", "(reported)",
            lambda b: (f"{fmt(median(measure_rates) / 1e6, 0)} against {fmt(median(memcpy_rates) / 1e6, 0)} million "
                       f"samples/s: memcpy {fmt(speed_ratio, 1)} × faster") if b == FIRST else first_only)

# ---------------------------------------------------------------- section 1
w("")
w("## 1. CPU cost of a running meter")
w("")
w(f"Method: each program runs {machine.get('cpu_seconds', '?')} s after 5 s of warm-up while the tone plays; "
  "its CPU is utime + stime from /proc/PID/stat (all threads) at the start and the end of the window, "
  "scaled to CPU seconds per minute, and so is the CPU of the prefix's wineserver. Conditions take turns "
  "in a different order in each run. Error of one reading: the kernel counts in 10 ms ticks, so ±0.02 s "
  "per window and process, ±0.04 CPU s per minute; the ranges show the spread between runs, which is "
  "larger: other work on the machine (the median machine load of all windows, all cores, was "
  f"{fmt(median([float(r['machine_cores_busy']) for r in cpu if 'machine_cores_busy' in r]))} cores busy, "
  "this benchmark included) and the sound server's timing vary.")
w("")
w("- **meter**: Quorvel.exe, showing the tone.")
w("- **window floor**: bench/window_floor.cpp, the least that a meter with this window can cost. Its capture "
  "thread polls and copies as the capture floor below does, and measures each half's two levels; its window "
  "thread shows the meter's own dialog template (the program's resources and manifest, common controls "
  "initialised) and on every 50 ms tick does the window work every running meter must do, and nothing else: "
  "the activity strip, the four readouts, each written with SetWindowText whether its text changed or not "
  "(\"L\\t128\" and so on, for the levels of the halves it copied; a held maximum is rewritten whenever the "
  "level reaches it), and the fills of both bars. The fills are plain GDI fills (background colour, then "
  "an opaque text output without text) through device contexts got once, at the places that the meter's "
  "bar arithmetic gives (ui/level_bars.cpp, integer arithmetic only); none of the meter's dialog, "
  "framework or engine code runs.")
w("- **capture floor**: bench/capture_floor.cpp, a console program without a window that does only what the "
  "capture thread must: it opens the default capture device with DirectSound as the meter does "
  "(44.1 kHz stereo 16-bit, a looping buffer of two halves of 1024 frames), polls it about every 10 ms "
  "with the meter's own pacing (a timed wait on an event that is never set) and copies each completed half. "
  "Both floors share this capture code (bench/floor_capture.cpp).")
w("- **pavumeter**: the native GTK level meter of Debian, `pavumeter --record`, watching the default source "
  "(the sink's monitor) on the same display; it uses no Wine, its wineserver column is the prefix's idle server.")
w("- **idle**: the prefix's wineserver and services with no program.")
if EXPERIMENTS:
    w("- Experiments: **meter minimized** "
      "(the same meter, minimized from outside: drawing is clipped away, timer and texts go on), **meter with X "
      "resources** (the same meter after one harmless X resource was loaded into the private X server, as every "
      "desktop session has), **engine** (bench/block_coverage.cpp: the meter's own capture engine with its "
      "thread and measurement, no window), **floor with Sleep** (the capture floor paced by Sleep instead of "
      "the timed wait).")
w("")
w("CPU seconds per minute, median (smallest–largest run):")
w("")
w("| Condition | program | wineserver | program + wineserver | other Wine processes | Xvfb | PulseAudio |")
w("|---|---|---|---|---|---|---|")
labels = [("meter", "meter"), ("window_floor", "window floor"), ("floor", "capture floor"),
          ("pavumeter", "pavumeter (native)"), ("idle", "idle"),
          ("meter_minimized", "meter minimized"), ("meter_xresources", "meter with X resources"),
          ("engine", "engine"), ("floor_sleep", "floor with Sleep")]
cpu_rows_of = [(label, condition, cpu) for condition, label in labels]
cpu_rows_of += [(f"{label} ({b})", condition, CPU[b]) for b in BUILDS[1:] for condition, label in labels[:3]]
for label, condition, rows in cpu_rows_of:
    def group(*keys):
        return spread(cpu_values(condition, *keys, rows=rows))
    if not cpu_values(condition, "program", rows=rows):
        continue
    w(f"| {label} | {group('program')} | {group('wineserver')} | {group('program', 'wineserver')} | "
      f"{group('wine_other')} | {group('xvfb')} | {group('pulseaudio')} |")
w("")
for b in BUILDS:
    name = "" if b == FIRST else f", {b} build"
    for floor_condition, floor_label, target in (("window_floor", "window floor", WINDOW_FLOOR_TARGET),
                                                 ("floor", "capture floor", CPU_TARGET)):
        _, _, ratio, per_run = meter_against_floor(CPU[b], floor_condition)
        w(f"Meter ÷ {floor_label}{name}: {fmt(ratio)} (ratio of the medians; per run "
          f"{', '.join(fmt(r) for r in per_run)}). Target at most {target}: {yes(ratio <= target)}.")
pavu = cpu_values("pavumeter", "program")
if pavu:
    w(f"pavumeter ÷ capture floor: {fmt(median(pavu) / median(floor_total))}; meter ÷ pavumeter: "
      f"{fmt(median(meter_total) / median(pavu))}.")
w("")
w("By thread (CPU s per minute, median): the program's first thread is \"main\" (the window thread of meter "
  "and window floor, the poller of the capture floor); \"capture\" is the capture thread of meter, window "
  "floor and engine, which has no name of its own; the others are Wine's DirectSound capture thread and the "
  "PulseAudio client threads of Wine's sound driver.")
w("")
names = sorted({n for c, _ in labels for n in thread_values(c)})
w("| Condition | " + " | ".join(names) + " |")
w("|---|" + "---|" * len(names))
for condition, label in labels:
    threads = thread_values(condition)
    if not threads or condition in ("pavumeter",):
        continue
    w(f"| {label} | " + " | ".join(fmt(median(threads.get(n, []))) for n in names) + " |")

meter_threads, window_threads = thread_values("meter"), thread_values("window_floor")
extra = median(meter_total) - median(window_total)
allowed = (WINDOW_FLOOR_TARGET - 1) * median(window_total)
w("")
w("### Where the rest goes")
w("")
if meter_threads and window_threads:
    differences = ", ".join(
        f"{n} {median(meter_threads.get(n, [0.0])) - median(window_threads.get(n, [0.0])):+.2f}" for n in names)
    ws_extra = median(cpu_values("meter", "wineserver")) - median(cpu_values("window_floor", "wineserver"))
    w(f"The meter costs {fmt(extra)} CPU s per minute more than the window floor; the target allows "
      f"{fmt(allowed)}. By thread, meter − window floor: {differences}; wineserver {ws_extra:+.2f}.")
mini = cpu_values("meter_minimized", "program", "wineserver")
xres = cpu_values("meter_xresources", "program", "wineserver")
if mini and xres:
    w(f"Minimized, the meter costs {fmt(median(mini))} s per minute (Wine stops sending its pixels to the X "
      f"server: Xvfb {fmt(median(cpu_values('meter', 'xvfb')))} → "
      f"{fmt(median(cpu_values('meter_minimized', 'xvfb')))} s per minute, but the drawing itself goes on); "
      f"with X resources loaded {fmt(median(xres))}, window thread "
      f"{fmt(median(thread_values('meter_xresources').get('main', [])))} against "
      f"{fmt(median(meter_threads.get('main', [])))}.")
w("")
REQUESTS = {c: {r[0]: float(r[1]) for r in (line.split() for line in lines(f"requests_{c}.txt"))}
            for c in ("meter", "window_floor", "floor", "idle")}
WHO = {"meter": "meter", "window_floor": "window floor", "floor": "capture floor", "idle": "idle"}
for condition, requests in REQUESTS.items():
    if not requests:
        continue
    top = ", ".join(f"{name} {rate:.0f}" for name, rate in list(requests.items())[:10])
    w(f"- wineserver requests per second, {WHO[condition]} (all processes of the prefix, from the server's own "
      f"trace over 10 s): {sum(requests.values()):.0f} in all; most frequent: {top}.")
if REQUESTS["meter"] and REQUESTS["window_floor"]:
    more = sorted(((rate - REQUESTS["window_floor"].get(name, 0.0), name) for name, rate in REQUESTS["meter"].items()),
                  reverse=True)
    fewer = sorted((REQUESTS["window_floor"][name] - REQUESTS["meter"].get(name, 0.0), name)
                   for name in REQUESTS["window_floor"])
    w("- requests per second, meter − window floor: "
      + (", ".join(f"{name} {diff:+.0f}" for diff, name in more if diff >= 5) or "none more")
      + "; the window floor more: "
      + (", ".join(f"{name} {diff:+.0f}" for diff, name in reversed(fewer) if diff >= 5) or "none") + ".")
syscall_rates = {}
for condition in ("meter", "window_floor", "meter_xresources", "floor"):
    calls = []
    for line in lines(f"syscalls_main_{condition}.txt"):
        f = line.split()
        if len(f) >= 5 and f[0][0].isdigit() and f[-1] not in ("total",):
            try:
                calls.append((f[-1], int(f[3])))
            except ValueError:
                pass
    if calls:
        calls.sort(key=lambda c: -c[1])
        syscall_rates[condition] = {name: count / 10 for name, count in calls}
        who = {"meter": "the meter's", "window_floor": "the window floor's",
               "meter_xresources": "the meter's (with X resources)", "floor": "the capture floor's"}[condition]
        w(f"- system calls of {who} main thread per second (strace -c over 10 s): " +
          ", ".join(f"{name} {count / 10:.0f}" for name, count in calls[:8]) + ".")
ticks_per_s = 20
for condition, who in (("meter", "meter"), ("window_floor", "window floor")):
    calls = syscall_rates.get(condition, {})
    threads = thread_values(condition)
    if calls and threads:
        w("")
        w(f"Per tick of the {who}'s window thread (20 ticks per second): "
          f"{fmt(median(threads.get('main', [])) / 60 / ticks_per_s * 1000, 2)} ms of CPU, "
          f"{calls.get('write', 0) / ticks_per_s:.0f} wineserver requests (write; the replies are the reads), "
          f"{calls.get('writev', 0) / ticks_per_s:.0f} X11 writes (writev), "
          f"{calls.get('openat', 0) / ticks_per_s:.0f} file opens and {calls.get('uname', 0) / ticks_per_s:.0f} "
          "uname calls.")
w("")
w("Reading these: both windows do the same prescribed work per tick, and Wine's static control repaints "
  "itself inside SetWindowText (there are no paint requests in the traces), with its own device context, "
  "font selection, WM_CTLCOLORSTATIC to the dialog and text output: four repaints per tick in both. The file "
  "opens and uname calls are Xlib looking for ~/.Xdefaults and ~/.Xdefaults-HOST each time Wine's X11 driver "
  "asks for the Xft font defaults while a static control selects its font: the private X server holds no "
  "resources, so Xlib caches nothing (found by tracing the meter on 2026-12-08; "
  + ("with one X resource loaded, this run's meter made "
     f"{syscall_rates['meter_xresources'].get('openat', 0) / ticks_per_s:.0f} file opens per tick)."
     if "meter_xresources" in syscall_rates else "not repeated by this run).")
  + " What the meter does beyond the window floor shows in the differences above.")
w("")
w("One-off experiment, not repeated by `make bench` (2026-12-08, same machine and session setup, 3 runs of 30 s "
  "each, window thread's CPU from /proc/PID/task/TID/stat): scratch builds of the meter that left parts of "
  "the timer handler out. Window thread, CPU s per 30 s: as shipped 0.50 (0.49–0.52); the four readouts "
  "written through cached control handles instead of a lookup by id 0.50 (0.46–0.52); without the readouts "
  "0.17 (0.16–0.17); without the fills 0.49 (0.46–0.50); without both 0.10 (0.10–0.11). So the readouts take "
  "about two thirds of the window thread, the fills under a tenth, and the timer's message round trip the "
  "rest.")

# ---------------------------------------------------------------- section 2
w("")
w("## 2. Block coverage")
w("")
w(f"Method: bench/block_coverage.cpp runs the meter's capture engine (CCaptureEngine: Open on the default "
  f"device with the format, EnableLevels, Start) and reads its block counter one second after the start and "
  f"{machine.get('coverage_seconds', '?')} s later; blocks captured = elapsed time × rate ÷ 1024. Beside it the "
  "floor program runs on the same device and format and records how far apart its polls are, how the "
  "capture position moves, and how many frames the device actually delivered. Error: ±1 block at each end "
  f"of the window (±{2 * 100 * 1024 / 44100 / float(machine.get('coverage_seconds', '30')):.1f} % at 44.1 kHz over "
  f"{machine.get('coverage_seconds', '?')} s).")
w("")
w("| Rate | measured ÷ captured (engine) | halves skipped per second | floor: copied ÷ captured | "
  "device delivered, frames/s | poll interval median / 95th pct | position moves median / 95th pct / max |")
w("|---|---|---|---|---|---|---|")
coverage_rows_of = [(key, label, rate, FIRST) for key, label, rate in FORMATS]
coverage_rows_of += [(key, f"{label}, {b}", rate, b) for b in BUILDS[1:] for key, label, rate in FORMATS
                     if key in ("44.1kHz", "96kHz")]
for key, label, rate, b in coverage_rows_of:
    engine_rows = rows_for(COVERAGE[b], key)
    floor_rows = rows_for(COVERAGE_FLOOR[b], key)
    if not engine_rows:
        continue
    pct = coverage_percent(engine_rows)
    skipped = [(float(r["blocks_captured"]) - float(r["blocks_measured"])) / float(r["seconds"]) for r in engine_rows]
    floor_pct = [100.0 * float(r["halves_copied"]) / float(r["halves_captured"]) for r in floor_rows]
    delivered = [float(r["delivered_frames_per_s"]) for r in floor_rows if "delivered_frames_per_s" in r]
    gap = [float(r["poll_gap_ms_median"]) for r in floor_rows if "poll_gap_ms_median" in r]
    gap95 = [float(r["poll_gap_ms_p95"]) for r in floor_rows if "poll_gap_ms_p95" in r]
    move = [float(r["position_step_ms_median"]) for r in floor_rows if "position_step_ms_median" in r]
    move95 = [float(r["position_step_ms_p95"]) for r in floor_rows if "position_step_ms_p95" in r]
    move_max = [float(r["position_step_ms_max"]) for r in floor_rows if "position_step_ms_max" in r]
    w(f"| {label} (a half lasts {1024 / rate * 1000:.1f} ms) | {spread(pct, 1)} % | {spread(skipped, 2)} | "
      f"{spread(floor_pct, 1)} % | {spread(delivered, 0)} | {fmt(median(gap))} / {fmt(median(gap95))} ms | "
      f"{fmt(median(move), 0)} / {fmt(median(move95), 0)} / {fmt(max(move_max) if move_max else float('nan'), 0)} ms |")
w("")
w(f"Target at 44.1 kHz at least {COVERAGE_TARGET:.0f} %: "
  f"{yes(bool(cov44) and median(cov44) >= COVERAGE_TARGET)} ({spread(cov44, 1)} %).")
w("")
r96 = rows_for(coverage, "96kHz")
if r96:
    pct96 = median(coverage_percent(r96))
    skip96 = median([(float(r["blocks_captured"]) - float(r["blocks_measured"])) / float(r["seconds"]) for r in r96])
    w(f"At 96 kHz {fmt(100 - pct96, 1)} % of the halves are skipped, {fmt(skip96, 1)} per second "
      f"(about one in {fmt(100 / max(100 - pct96, 1e-9), 0)}).")
w("Why: a pass copies at most one half, and a half can be copied only while both buffer positions lie in "
  "the other half. Wine moves the positions in steps of its sound driver's 10 ms period (sometimes two or "
  "three periods at once, see the position moves), and the pacing wait of 10 ms lasts longer under Wine "
  "(see the poll interval). At 44.1 kHz a half lasts 23.2 ms, so a half is open for copying over at least "
  "one poll nearly always; only a late position move of 20–30 ms, which jumps over most of a half, loses "
  "one now and then. At 96 kHz a half lasts 10.7 ms, less than the poll interval: the passes cannot keep "
  "up even in the best case, and whenever a position step carries both positions past a half before the "
  "next poll, that half is overwritten before it was copied. The floor program, which does nothing "
  "but poll and copy with the same pacing, skips about as often: the pacing rule sets the limit, not the "
  "work of the pass. At 11.025 and 48 kHz the halves last 92.9 and 21.3 ms.")

# ---------------------------------------------------------------- section 3
w("")
w("## 3. Latency")
w("")
w("Method: bench/latency.py plays silence with steps to the tone into the sink (30 steps; the silences "
  "between them vary from 0.9 to 1.4 s so that the steps fall at random phases of the meter's 50 ms timer and "
  "of its blocks). It feeds the player (pacat, 40 ms buffer) through a pipe of 4 KiB as fast as the player "
  "takes the signal, and notes when the first tone chunk of each step was handed over (write). A plain "
  "recorder of the monitor (parec, 5 ms fragments) notes when it receives the first loud samples (parec). "
  "Inside the session, bench/meter_watch.cpp reads the meter's left level readout about every millisecond "
  "(GetWindowText of another process's control: no message to the meter) and notes each change; the first "
  f"readout of at least {LOUD} after the step shows it. All three use the wall clock (Linux "
  "clock_gettime and Wine's precise system time, the same clock). The meter's own share is readout − parec: "
  "what the meter adds beyond what any recorder of the sound server gets. A second pass does the same with "
  "the floor program, which notes when it copied the first loud half.")
w("")
w("| Path | median | 95th percentile | min | max | steps |")
w("|---|---|---|---|---|---|")


def latency_row(label, values):
    w(f"| {label} | {fmt(median(values), 1)} ms | {fmt(percentile(values, 95), 1)} ms | "
      f"{fmt(min(values) if values else float('nan'), 1)} ms | {fmt(max(values) if values else float('nan'), 1)} ms | "
      f"{len(values)} |")


latency_row("sound server: write → parec (meter pass)", lat_meter["server"])
latency_row("meter, all: write → readout", lat_meter["total"])
latency_row("**meter's own share: parec → readout**", lat_meter["share"])
latency_row("sound server: write → parec (floor pass)", lat_floor["server"])
latency_row("floor program: parec → copied half", lat_floor["share"])
for b in BUILDS[1:]:
    latency_row(f"sound server: write → parec ({b} meter pass)", LATENCY[b]["server"])
    latency_row(f"meter, all: write → readout ({b})", LATENCY[b]["total"])
    latency_row(f"**meter's own share: parec → readout ({b})**", LATENCY[b]["share"])
w("")
w(f"Target: median of the meter's own share at most {LATENCY_TARGET_MS:.0f} ms: {yes(share_median <= LATENCY_TARGET_MS)}.")
w("")
errors = []
if lat_meter["poll"]:
    errors.append(f"the readout is read every {fmt(lat_meter['poll'][0], 2)} ms (median; 95th percentile "
                  f"{fmt(lat_meter['poll'][1], 2)} ms, longest {fmt(lat_meter['poll'][2], 1)} ms), so a readout is seen "
                  "up to that late")
if lat_meter["read_ms"]:
    errors.append(f"parec delivers in reads {fmt(lat_meter['read_ms'][0], 1)} ms apart (95th percentile "
                  f"{fmt(lat_meter['read_ms'][1], 1)} ms): its time of a step is late by up to one read, which makes the "
                  "meter's share look smaller by as much")
errors.append("the clocks are one clock; stamping costs microseconds")
w("Errors of the method: " + "; ".join(errors) + ". Steps without a match within 0.9 s: "
  f"{lat_meter['steps'] - lat_meter['matched']} (meter pass), {lat_floor['steps'] - lat_floor['matched']} (floor pass); "
  f"extra loud onsets that the recorder saw (gaps in the played tone): {lat_meter['unmatched_parec']} and "
  f"{lat_floor['unmatched_parec']}.")
w("")
w("What the share is made of: the data reach Wine's DirectSound buffer in 10 ms periods of its sound "
  "driver; the step must then wait for the end of its half (0 to 23.2 ms at 44.1 kHz), for the next pass "
  "of the capture thread (0 to about 11 ms) and for the next 50 ms timer tick (0 to 50 ms). The floor "
  "program's share is the same path without the timer tick" +
  (f"; the medians differ by {fmt(share_median - median(lat_floor['share']), 1)} ms, about half the timer "
   "period, as for a tick that comes at a random moment." if lat_floor["share"] else "."))

# ---------------------------------------------------------------- section 4
w("")
w(f"## 4. Memory and handles over {machine.get('soak_minutes')} minutes")
w("")
w("Method: the meter runs with the tone; bench/meter_watch.cpp, inside the same Wine session, selects the "
  "next entry of the device list every 10 s and sends the dialog WM_COMMAND with LBN_SELCHANGE for the list "
  "(id 1004), as the list box would, and every 10 s reads: resident memory (VmRSS of /proc/PID/status), the "
  "meter's GDI and USER objects, its kernel handles, windows and threads.")
probe = [line for line in soak_header if "GetGuiResources" in line]
w("")
if probe:
    w(f"GetGuiResources on the meter's process handle: `{probe[0].lstrip('# ')}` (120 is ERROR_CALL_NOT_IMPLEMENTED: "
      "in Wine it is a stub that answers 0). So the GDI objects are counted in the process's GDI handle table "
      "(Wine keeps it as Windows does, at the address in the process's PEB; read with ReadProcessMemory; stock "
      "objects included), the USER objects as the windows the process owns, and the kernel handles from the "
      "system handle list (GetProcessHandleCount answers 0 in Wine).")
w("")
if soak:
    last = soak[-1]
    w(f"{len(soak)} samples, {int(last['switches'])} device switches; the level readout showed the tone (at least "
      f"{LOUD}) in {sum(1 for s in soak if s['left_readout'] >= LOUD)} of them.")
    w("")
    w("| | first sample | at 1 minute | smallest after 1 minute | largest after 1 minute | last | "
      "trend after 1 minute per minute |")
    w("|---|---|---|---|---|---|---|")
    for key, label in SOAK_SERIES:
        if not at_minute:
            w(f"| {label} | {soak[0][key]:.0f} | n/a | | | {last[key]:.0f} | |")
            continue
        values = [s[key] for s in after_minute]
        w(f"| {label} | {soak[0][key]:.0f} | {at_minute[key]:.0f} | {min(values):.0f} | {max(values):.0f} | "
          f"{last[key]:.0f} | {fmt(slope_per_minute(key), 2)} |")
    w("")
    w(f"Target, no growth after the first minute: {yes(soak_met)}. A count must end where it stood at one minute "
      f"with no upward trend (a GDI object or two held during a switch is no growth); resident memory must end "
      f"within {RSS_NOISE_KB} kB of its value at one minute.")
    if reopen_per_round == reopen_per_round:
        w("")
        w(f"What holds memory back: from minute 1 to the end resident memory rose by {fmt(end_growth('rss_kb'), 0)} kB "
          f"over {switches_after_minute:.0f} device switches, {fmt(meter_per_switch, 1)} kB per switch "
          f"({fmt(slope_per_minute('rss_kb'), 1)} kB per minute at 6 switches per minute). The meter switched "
          f"among the {len(lines('device_entries.txt'))} entries of its device list: "
          + "; ".join(" ".join(line.split()[1:]) for line in lines("device_entries.txt"))
          + " (the primary driver's entry opens the default device, the others open their device by its id). "
          "The capture floor run with --reopen does, round after round, what a switch does to DirectSound and "
          "nothing else: it opens the next of the "
          f"{reopen_devices} capture devices that DirectSound enumerates, each by its id (the primary "
          "driver's null id opens the default device), on the main thread; starts a thread that polls and copies "
          "the halves for 0.1 s (positions, lock and unlock on that thread, as the meter's capture thread does) "
          "and ends; then stops and releases the device on the main thread. It grows by "
          f"{fmt(reopen_per_round, 1)} kB per round (resident memory read from outside every 5 s from 10 s "
          f"on: {reopen_samples[0][1]:.0f} kB at round {reopen_samples[0][0]:.0f}, {reopen_samples[-1][1]:.0f} kB at "
          f"round {reopen_samples[-1][0]:.0f}; the median of the growth per round between successive readings, "
          f"which ranged from {fmt(min(reopen_steps), 1)} to {fmt(max(reopen_steps), 1)} kB: between "
          f"{sum(1 for step in reopen_steps if step < 0)} of the {len(reopen_steps)} pairs of readings memory fell "
          "back). "
          + f"{fmt(reopen_per_round, 1)} kB per round against {fmt(meter_per_switch, 1)} kB per switch: "
          + reopen_verdict() + ". The meter's own objects come back to the same counts.")
    w("")
    w("One-off experiment, not repeated by `make bench` (2026-12-09, same machine and session setup): the loop "
      "with its steps left out in turn, each figure from one 40 s window (resident memory after 10 and 50 s), in "
      "two series. kB per round: all steps 18.7 and 8.5; polling on the main thread instead of a thread per "
      "round 8.3 and 8.3; the default device only 8.3 and 12.9; neither 7.3 and 8.6. The meter, switching "
      "every 2 s for 3 minutes, grew 10.5 kB per switch from minute 1 on. So neither the thread nor the "
      "devices by id add more than the spread of a single window.")

# ---------------------------------------------------------------- section 5
w("")
w("## 5. Level computation speed")
w("")
w("Method: bench/level_speed.cpp runs under Wine and times MeasureBlockLevels (capture/channel_levels.h) over "
  "1024-frame stereo 16-bit blocks (8 different blocks, all in cache, as in the meter) and memcpy of the "
  "same 4096 bytes, each for 2 s per round, 3 rounds per run; a sample is one 16-bit value (2048 per "
  "block). Error: the performance counter's resolution is far below the 2 s rounds; the range shows the "
  "spread between rounds.")
w("")
w("| | samples per second, median (range) |")
w("|---|---|")
w(f"| MeasureBlockLevels | {spread([v / 1e6 for v in measure_rates], 0)} million |")
w(f"| memcpy | {spread([v / 1e6 for v in memcpy_rates], 0)} million |")
w("")
w(f"memcpy ÷ measurement: {fmt(speed_ratio, 1)}. One block of the meter (2048 samples) is measured in "
  f"{fmt(2048 / median(measure_rates) * 1e6, 2)} µs; at 44.1 kHz that is "
  f"{fmt(43.07 * 2048 / median(measure_rates) * 100, 4)} % of one core.")

with open(OUT, "w") as f:
    f.write("\n".join(out) + "\n")
