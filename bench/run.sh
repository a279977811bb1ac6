#!/usr/bin/env bash
# Benchmarks of the meter under Wine (`make bench`):   bench/run.sh BUILD_DIR [BUILD_DIR...]
#
# Everything runs in one private session (an Xvfb display and a PulseAudio server whose null
# sink's monitor is the default capture source, see scripts/testenv.sh), each build in a Wine
# prefix of the benchmark's own, with the same tone played into the sink throughout. The session
# is stopped at the end, also on failure. The first build is measured in full; each further one
# (the i686 build) beside it in the same runs: CPU of meter and both floors, block coverage at
# 44.1 and 96 kHz, latency of the meter. Where the kernel runs 32-bit programs but 32-bit Wine
# cannot be installed here, the whole bench runs in a Debian root of this machine's release
# (scripts/root.sh), so that both builds run under one Wine; a 32-bit build on a machine that
# cannot run 32-bit programs at all is not measured, and the report says why. Raw data go to
# FIRST_BUILD_DIR/bench/data/BUILD, the report to bench/results.md.
#
# With the defaults a run takes about 47 minutes for the x86_64 build alone and about 55 with the
# i686 build beside it, 31 of them the memory run.
#   BENCH_SOAK_MINUTES      length of the memory and handle run (default 20)
#   BENCH_RUNS              repetitions of the CPU, coverage and speed measurements (default 3)
#   BENCH_CPU_SECONDS       length of each CPU window (default 20)
#   BENCH_COVERAGE_SECONDS  length of each block coverage run (default 20)
#   BENCH_LATENCY_STEPS     steps of the latency measurement (default 30)
#   BENCH_PARTS             which parts to run (default "speed cpu coverage latency soak"); the part
#                           "experiments" adds CPU conditions that take the meter apart (minimized,
#                           with X resources, its engine alone, the floor paced by Sleep) and block
#                           coverage at 11.025 and 48 kHz
#   BENCH_RESULTS           where the report goes (default bench/results.md)
set -euo pipefail

[[ $# -gt 0 ]] || { echo "usage: bench/run.sh BUILD_DIR [BUILD_DIR...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=scripts/wine-loader.sh
. "$root/scripts/wine-loader.sh"
for dir in "$@"; do
  if [[ "$(pe_arch "$dir/app/Quorvel.exe")" == i386 ]] && release=$("$root/scripts/root.sh" i686-release) &&
    [[ -n "$release" ]]; then
    echo "bench: 32-bit Wine is missing here; the whole bench runs in a Debian $release root"
    exec "$root/scripts/root.sh" bench "$release"
  fi
done
soak_minutes=${BENCH_SOAK_MINUTES:-20}
runs=${BENCH_RUNS:-3}
cpu_seconds=${BENCH_CPU_SECONDS:-20}
coverage_seconds=${BENCH_COVERAGE_SECONDS:-20}
latency_steps=${BENCH_LATENCY_STEPS:-30}
parts=${BENCH_PARTS:-speed cpu coverage latency soak}
results=${BENCH_RESULTS:-$here/results.md}
warm_up=5  # seconds a program runs before its CPU is counted

log() { echo "bench: $*"; }

# The builds by name (their folder's name: x86_64, i686), the first one first.
declare -A build_dirs
builds=()
not_measured=()
for dir in "$@"; do
  dir=$(cd "$dir" && pwd)
  name=$(basename "$dir")
  for file in "$dir/app/Quorvel.exe" "$dir/tests/meter_probe.exe" "$dir/bench/capture_floor.exe" \
              "$dir/bench/window_floor.exe" "$dir/bench/block_coverage.exe" "$dir/bench/level_speed.exe" "$dir/bench/meter_watch.exe"; do
    [[ -f "$file" ]] || { echo "bench: $file is missing; run make build first" >&2; exit 1; }
  done
  if [[ "$(pe_arch "$dir/app/Quorvel.exe")" == i386 ]] && ! reason=$("$root/scripts/runs-32bit.sh"); then
    log "$name: not measured: $reason"
    not_measured+=("$name=$reason")
    continue
  fi
  build_dirs[$name]=$dir
  builds+=("$name")
done
[[ ${#builds[@]} -gt 0 ]] || { echo "bench: no build can run here" >&2; exit 1; }
first=${builds[0]}
work=${build_dirs[$first]}/bench
data=$work/data
session=$work/session

# use_build NAME: the programs, the Wine prefix and the data folder of that build from now on.
use_build() {
  local dir=${build_dirs[$1]}
  build=$1
  meter=$dir/app/Quorvel.exe
  probe=$dir/tests/meter_probe.exe
  programs=$dir/bench
  prefix=$dir/wine/bench
  out=$data/$1
  export WINEPREFIX=$prefix
}

# ---- What only the benchmark needs: the native meter to compare with, strace for the analysis.
install_missing() {
  local missing=() package status
  for package in pavumeter strace python3; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "bench: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo=(sudo)
  fi
  log "installing ${missing[*]}"
  # A mirror in the middle of a sync can fail one list (scripts/bootstrap.sh): the install tells.
  "${sudo[@]}" apt-get update -q || log "apt-get update failed; installing from the package lists there are"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
# python3 may come from elsewhere than Debian's package; any python3 on the path does.
command -v python3 >/dev/null && command -v pavumeter >/dev/null && command -v strace >/dev/null || install_missing

# ---- The session, the prefixes, and everything started here goes away at the end.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d"
start_bg() {
  "$@" &
  last_pid=$!
}
# A Windows program in the background under its own loader; last_pid is its process.
start_wine_bg() {
  local loader
  loader=$(wine_loader "$1")
  start_bg "$loader" "$@"
}
cleanup() {
  local pid name
  # Only jobs of this script that are still running: never a process id that may have been reused.
  for pid in $(jobs -pr); do kill "$pid" 2>/dev/null || true; done
  for name in "${builds[@]}"; do
    WINEPREFIX=${build_dirs[$name]}/wine/bench wineserver -k 2>/dev/null || true
  done
  "$root/scripts/testenv.sh" stop "$session" >/dev/null 2>&1 || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

rm -rf "$data"
for name in "${builds[@]}"; do
  mkdir -p "$data/$name"
  "$root/scripts/wine-prefix.sh" "${build_dirs[$name]}" bench
done
"$root/scripts/testenv.sh" start "$session" >/dev/null
# shellcheck disable=SC1091
. "$session/env.sh"
xvfb_pid=$(cat "$session/xvfb.pid")
pulse_pid=$(cat "$session/pulse.pid")

# One wineserver per prefix for the whole run, with the prefix's services started once.
start_server() {
  wineserver -p
  run_wine "$probe" gone 0.1 >/dev/null 2>&1 || true
}
for name in "${builds[@]}"; do
  use_build "$name"
  start_server
done
use_build "$first"
sleep 3

# ---- The tone: 441 Hz at half scale in both channels (level 128), played throughout.
tone_pid=
start_tone() {
  sox -q -n -r 44100 -c 2 -b 16 -e signed-integer -t raw - synth 36000 sine 441 vol 0.5 |
    pacat --raw --rate=44100 --channels=2 --format=s16le --device="$QUORVEL_SINK" --latency-msec=20 &
  tone_pid=$!
  echo "$tone_pid" >"$session/players/tone.pid"
  sleep 1
}
stop_tone() {
  [[ -n "$tone_pid" ]] && kill "$tone_pid" 2>/dev/null || true
  wait "$tone_pid" 2>/dev/null || true
  tone_pid=
  rm -f "$session/players/tone.pid"
}

start_meter() {
  start_wine_bg "$meter"
  meter_pid=$last_pid
  run_wine "$probe" wait 30 >/dev/null || { echo "bench: the meter window did not appear" >&2; exit 1; }
}
close_meter() {
  run_wine "$probe" close >/dev/null || true
  run_wine "$probe" gone 20 >/dev/null || kill "$meter_pid" 2>/dev/null || true
  wait "$meter_pid" 2>/dev/null || true
}

# ---- Machine.
{
  echo "date=$(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "started=$(date +%s)"
  echo "where=${QUORVEL_ROOT:+a Debian $QUORVEL_ROOT root (scripts/root.sh) on }$(. /etc/os-release && echo "$PRETTY_NAME")"
  echo "nproc=$(nproc)"
  echo "cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
  echo "kernel=$(uname -r)"
  # Each build's own loader: with 32-bit Wine installed plain `wine` is the 32-bit one.
  for name in "${builds[@]}"; do
    echo "wine_$name=$("$(wine_loader "${build_dirs[$name]}/app/Quorvel.exe")" --version 2>/dev/null | tail -1)"
  done
  echo "pavumeter=$(dpkg-query -W -f='${Version}' pavumeter 2>/dev/null)"
  echo "pulseaudio=$(pulseaudio --version 2>/dev/null | head -1)"
  echo "memory=$(free -h | awk '/^Mem:/ {print $2}')"
  echo "soak_minutes=$soak_minutes"
  echo "runs=$runs"
  echo "cpu_seconds=$cpu_seconds"
  echo "coverage_seconds=$coverage_seconds"
  echo "builds=${builds[*]}"
  echo "parts=$parts"
  for line in "${not_measured[@]}"; do echo "not_measured_$line"; done
  echo "load_at_start=$(cut -d' ' -f1-3 /proc/loadavg)"
} >"$data/machine.txt"

start_tone

# ---- 5. Speed of the block measurement against memcpy.
if [[ " $parts " == *" speed "* ]]; then
  log "level computation speed"
  for run in $(seq "$runs"); do
    run_wine "$programs/level_speed.exe" 3 2 | tr -d '\r' | sed "s/^/run $run /" >>"$out/speed.txt"
  done
fi

# ---- 1. CPU cost of the meter, the floor, the native meter and the experiments beside them.
# Each condition runs for warm_up + cpu_seconds; its CPU is counted over the last cpu_seconds.
cpu_window() {  # CONDITION RUN [PID]
  local line
  line=$(python3 "$here/cpu_window.py" "$cpu_seconds" "$prefix" "$xvfb_pid" "$pulse_pid" ${3:+"$3"})
  echo "run=$2 condition=$1 $line" >>"$out/cpu.txt"
}
cpu_condition() {  # CONDITION RUN
  local condition=$1 run=$2 pid length=$((warm_up + cpu_seconds + 5))
  case "$condition" in
    idle)
      sleep "$warm_up"
      cpu_window idle "$run"
      ;;
    meter | meter_minimized | meter_xresources)
      # Every desktop session loads X resources; without any, Xlib reads the resource files
      # again each time Wine selects a font. The experiment loads one harmless resource.
      [[ $condition == meter_xresources ]] &&
        xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER $'quorvelbench.session:\tprivate\n'
      start_meter
      [[ $condition == meter_minimized ]] && run_wine "$programs/meter_watch.exe" show minimize
      sleep "$warm_up"
      cpu_window "$condition" "$run" "$meter_pid"
      close_meter
      [[ $condition == meter_xresources ]] && xprop -root -remove RESOURCE_MANAGER
      ;;
    floor | floor_sleep | window_floor)
      case $condition in
        floor) start_wine_bg "$programs/capture_floor.exe" "$length" ;;
        floor_sleep) start_wine_bg "$programs/capture_floor.exe" "$length" --sleep ;;
        window_floor) start_wine_bg "$programs/window_floor.exe" "$length" ;;
      esac
      pid=$last_pid
      sleep "$warm_up"
      cpu_window "$condition" "$run" "$pid"
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      ;;
    engine)
      start_wine_bg "$programs/block_coverage.exe" "$length" 4S16
      pid=$last_pid
      sleep "$warm_up"
      cpu_window engine "$run" "$pid"
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      ;;
    pavumeter)
      start_bg pavumeter --record
      pid=$last_pid
      sleep "$warm_up"
      cpu_window pavumeter "$run" "$pid"
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      ;;
  esac
  sleep 2
}

# Wineserver requests and system calls of one program over a few seconds.
trace_requests() {  # CONDITION
  local condition=$1 pid seconds=10 trace=$work/server-trace.log from to
  wineserver -k
  sleep 1
  start_bg wineserver -f -d1 -p 2>"$trace"
  run_wine "$probe" gone 0.1 >/dev/null 2>&1 || true
  sleep 3
  [[ $condition == meter_xresources ]] &&
    xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER $'quorvelbench.session:\tprivate\n'
  case "$condition" in
    meter | meter_xresources) start_meter; pid=$meter_pid ;;
    floor) start_wine_bg "$programs/capture_floor.exe" 60; pid=$last_pid ;;
    window_floor) start_wine_bg "$programs/window_floor.exe" 60; pid=$last_pid ;;
    idle) pid= ;;
  esac
  sleep "$warm_up"
  from=$(stat -c %s "$trace")
  if [[ -n "$pid" ]]; then
    timeout "$seconds" strace -c -p "$pid" -o "$out/syscalls_main_$condition.txt" >/dev/null 2>&1 || true
  else
    sleep "$seconds"
  fi
  to=$(stat -c %s "$trace")
  case "$condition" in
    meter | meter_xresources) close_meter ;;
    floor | window_floor) kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true ;;
  esac
  [[ $condition == meter_xresources ]] && xprop -root -remove RESOURCE_MANAGER
  # Requests, not their replies: "0110: get_message( ..." but not "0110: get_message() = ...".
  python3 - "$trace" "$from" "$to" "$seconds" >"$out/requests_$condition.txt" <<'EOF'
import collections, re, sys
trace, start, end, seconds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4])
with open(trace, "rb") as f:
    f.seek(start)
    text = f.read(end - start).decode(errors="replace")
counts = collections.Counter(re.findall(r"^[0-9a-f]+: ([a-z_]+)\( ", text, re.M))
for name, count in counts.most_common():
    print(f"{name} {count / seconds:.1f}")
EOF
  wineserver -k
  sleep 1
  start_server
  sleep 3
}

# The conditions as BUILD:CONDITION: every one for the first build, meter and floors for the others.
experiments=
[[ " $parts " == *" experiments "* ]] && experiments=yes
conditions=()
for condition in meter floor window_floor pavumeter idle ${experiments:+meter_minimized meter_xresources engine floor_sleep}; do
  conditions+=("$first:$condition")
done
for name in "${builds[@]:1}"; do conditions+=("$name:meter" "$name:floor" "$name:window_floor"); done
if [[ " $parts " == *" cpu "* ]]; then
  for run in $(seq "$runs"); do
    # A different order in each run, so that slow drifts of the machine spread over all.
    count=${#conditions[@]}
    for index in $(seq 0 $((count - 1))); do
      item=${conditions[$(((index + run - 1) % count))]}
      use_build "${item%%:*}"
      log "CPU run $run/$runs: ${item#*:} ($build)"
      cpu_condition "${item#*:}" "$run"
    done
  done
  use_build "$first"
  for condition in idle floor window_floor meter ${experiments:+meter_xresources}; do
    log "wineserver requests and system calls: $condition"
    trace_requests "$condition"
  done
fi

# ---- 2. Block coverage at 44.1 and 96 kHz (with the experiments also at 11.025 and 48 kHz); the floor
# program runs beside the engine and tells how the device's positions move and how far apart
# the polls are.
floor_stats() {  # RUN FORMAT
  run_wine "$programs/capture_floor.exe" "$((coverage_seconds + 1))" --format "$2" --stats | tr -d '\r' |
    paste -sd' ' | sed "s/^/run=$1 kind=floor /" >>"$out/coverage_floor.txt"
}
if [[ " $parts " == *" coverage "* ]]; then
  formats=()
  [[ -n "$experiments" ]] && formats+=("$first:1S16" "$first:48S16")
  for name in "${builds[@]}"; do formats+=("$name:4S16" "$name:96S16"); done
  for run in $(seq "$runs"); do
    for item in "${formats[@]}"; do
      use_build "${item%%:*}"
      format=${item#*:}
      log "block coverage run $run/$runs: $format ($build)"
      floor_stats "$run" "$format" &
      floor_job=$!
      run_wine "$programs/block_coverage.exe" "$coverage_seconds" "$format" | tr -d '\r' |
        paste -sd' ' | sed "s/^/run=$run kind=engine /" >>"$out/coverage.txt"
      wait "$floor_job"
    done
  done
  use_build "$first"
fi

# ---- 3. Latency from a step of the played signal to the first readout that shows it. The
# player and a plain recorder of the monitor (parec) note the step; the meter's readout is
# watched from inside the session; the floor program sees the same kind of steps in a second
# pass (for the first build), for the part that DirectSound under Wine adds.
if [[ " $parts " == *" latency "* ]]; then
  stop_tone
  watch_seconds=$((8 + 2 * latency_steps))
  for name in "${builds[@]}"; do
    use_build "$name"
    log "latency: the meter, $latency_steps steps ($build)"
    start_meter
    run_wine "$programs/meter_watch.exe" readouts "$watch_seconds" | tr -d '\r' >"$out/latency_meter_readouts.txt" &
    watch_job=$!
    sleep 1
    python3 "$here/latency.py" "$latency_steps" "$out/latency_meter_steps.txt"
    wait "$watch_job"
    close_meter
  done

  use_build "$first"
  log "latency: the floor program, $latency_steps steps ($build)"
  run_wine "$programs/capture_floor.exe" "$watch_seconds" --steps | tr -d '\r' >"$out/latency_floor_readouts.txt" &
  floor_job=$!
  sleep 2
  python3 "$here/latency.py" "$latency_steps" "$out/latency_floor_steps.txt"
  wait "$floor_job"
  start_tone
fi

# ---- 4. Memory and handles over a long run with a device switch every 10 seconds.
if [[ " $parts " == *" soak "* ]]; then
  log "memory and handles: $soak_minutes minutes ($build)"
  start_meter
  run_wine "$programs/meter_watch.exe" entries | tr -d '\r' >"$out/device_entries.txt"
  run_wine "$programs/meter_watch.exe" soak "$((soak_minutes * 60))" 10 10 "$meter_pid" | tr -d '\r' >"$out/soak.txt"
  close_meter
  # The same growth without the meter? What a switch does to DirectSound, alone, in a loop.
  log "memory: DirectSound opened and released in a loop, a thread and a device in turn per round"
  start_wine_bg "$programs/capture_floor.exe" 60 --reopen >"$work/reopen.log"
  reopen_pid=$last_pid
  # Resident memory against rounds every 5 s from 10 s on (one window alone varies by kilobytes
  # per round): the report fits a line through them.
  sleep 10
  for _ in $(seq 9); do
    echo "rss_kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$reopen_pid/status") rounds=$(tail -1 "$work/reopen.log" | tr -dc '0-9')" \
      >>"$out/reopen.txt"
    sleep 5
  done
  echo "devices=$(head -1 "$work/reopen.log" | tr -dc '0-9')" >>"$out/reopen.txt"
  wait "$reopen_pid" || true
fi

echo "load_at_end=$(cut -d' ' -f1-3 /proc/loadavg)" >>"$data/machine.txt"
echo "ended=$(date +%s)" >>"$data/machine.txt"
stop_tone
python3 "$here/report.py" "$data" "$results"
log "results in $results"
