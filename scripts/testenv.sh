#!/usr/bin/env bash
# A private test session: an Xvfb display and a sound server with a null sink whose monitor is
# the default capture source. Nothing of the user's display or sound server is touched.
#
#   testenv.sh start DIR [--no-display] [--pipewire] [--wine PREFIX]
#                          start both (or only the sound server); writes DIR/env.sh. The sound
#                          server is PulseAudio, or with --pipewire PipeWire's PulseAudio server
#                          (pipewire, wireplumber and pipewire-pulse on a private D-Bus session bus).
#                          With --wine, Wine is kept running in PREFIX, inside the session, until
#                          stop (keep_wine_running in wine-loader.sh)
#   testenv.sh stop DIR [PREFIX...]
#                          stop everything started under DIR (players too), and the Wine servers
#                          of the prefixes given (and of $WINEPREFIX)
#   testenv.sh restart-sound DIR   start the sound server of DIR anew (a test killed it)
#
# DIR/env.sh exports DISPLAY, PULSE_SERVER and QUORVEL_SINK for the programs of the session, and
# QUORVEL_WIDE_SINK and QUORVEL_WIDE_DESCRIPTION: a second sink named as desktops name their
# devices, long and in several scripts, whose monitor is a second capture source.
set -euo pipefail
# The sound servers' texts ("Monitor of ...", pactl's answers) in English whatever the caller's
# language is.
export LC_ALL=C.UTF-8
usage="usage: testenv.sh start DIR [--no-display] [--pipewire] [--wine PREFIX] | stop DIR [PREFIX...] | restart-sound DIR"
command=${1:?$usage}
dir=${2:?$usage}
shift 2
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
sink=quorvel_sink
wide_sink=quorvel_wide
wide_description="Quorvel Prüfquelle Größe Ελληνικά Микрофон 麦克风 マイク Stereo Line-In"
rate=44100
# The daemons of a session, in the order they are stopped; each leaves DIR/NAME.pid.
daemons=(pulse wireplumber pipewire dbus xvfb)

stop_session() {
  # Players and other helpers started by tests leave their process ids here.
  for pidfile in "$dir"/players/*.pid; do
    [[ -e "$pidfile" ]] || continue
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
  for prefix in ${WINEPREFIX:+"$WINEPREFIX"} "$@"; do
    [[ -d "$prefix" ]] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  done
  for daemon in "${daemons[@]}"; do
    [[ -f "$dir/$daemon.pid" ]] || continue
    kill "$(cat "$dir/$daemon.pid")" 2>/dev/null || true
    rm -f "$dir/$daemon.pid"
  done
  rm -f "$dir/env.sh" "$dir"/*.raw  # signals written by the tests
}

start_display() {
  rm -f "$dir/display"
  # -displayfd picks a free display number and writes it when the server is ready.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" \
    >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 100); do
    [[ -s "$dir/display" ]] && break
    sleep 0.1
  done
  [[ -s "$dir/display" ]] || { echo "testenv: Xvfb did not start (see $dir/xvfb.log)" >&2; exit 1; }
  echo ":$(tr -d '[:space:]' <"$dir/display")"
}

# The daemons see only the session's folders: a user's own servers and settings stay apart.
session_env=(env -u DBUS_SESSION_BUS_ADDRESS -u PIPEWIRE_REMOTE HOME="$dir/home" XDG_RUNTIME_DIR="$dir/xdg"
  XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state" PULSE_SERVER=)

wait_for() {  # wait_for WHAT COMMAND...: up to 10 s
  for _ in $(seq 100); do
    "${@:2}" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "testenv: $1 did not come up (logs in $dir)" >&2
  exit 1
}

# Without shared memory the samples go over the socket: PulseAudio 16 aborts now and then
# (memblock_replace_import) on the memory blocks that Wine's clients hand it.
start_pulseaudio() {
  "${session_env[@]}" pulseaudio --daemonize=yes --exit-idle-time=-1 -n --use-pid-file=yes \
    --log-target=file:"$dir/pulse.log" --disable-shm=yes \
    --load="module-native-protocol-unix auth-anonymous=1" \
    >/dev/null 2>&1 || { echo "testenv: pulseaudio did not start (see $dir/pulse.log)" >&2; exit 1; }
  cp "$dir/xdg/pulse/pid" "$dir/pulse.pid"
}

# The graph runs at the signals' rate: at PipeWire's usual 48 kHz it would resample them, and a
# resampled square wave overshoots, so that exact levels could not be expected.
start_pipewire() {
  mkdir -p "$dir/config/pipewire/pipewire.conf.d"
  echo "context.properties = { default.clock.rate = $rate default.clock.allowed-rates = [ $rate ] }" \
    >"$dir/config/pipewire/pipewire.conf.d/rate.conf"
  "${session_env[@]}" dbus-daemon --session --fork --print-pid=1 --address="unix:path=$dir/xdg/bus" >"$dir/dbus.pid"
  local name
  for name in pipewire wireplumber pipewire-pulse; do
    "${session_env[@]}" DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/xdg/bus" "$name" >"$dir/$name.log" 2>&1 &
    echo $! >"$dir/${name#pipewire-}.pid"
    # The next one talks to this one.
    [[ $name == pipewire ]] && wait_for "pipewire" test -S "$dir/xdg/pipewire-0"
  done
  # The session manager links the streams to the sink: without it nothing would be heard.
  wait_for "wireplumber" sh -c "XDG_RUNTIME_DIR='$dir/xdg' pw-cli ls Client | grep -qi wireplumber"
}

start_sound() {
  mkdir -p "$dir/xdg" "$dir/home" "$dir/players"
  chmod 700 "$dir/xdg"
  rm -rf "$dir/xdg/pulse"
  local server
  server=$(cat "$dir/server")
  "start_$server"
  export PULSE_SERVER="unix:$dir/xdg/pulse/native"
  wait_for "$server's PulseAudio server" pactl info
  pactl load-module module-null-sink sink_name="$sink" rate="$rate" channels=2 format=s16le >/dev/null
  pactl load-module module-null-sink sink_name="$wide_sink" rate="$rate" channels=2 format=s16le \
    "sink_properties='device.description=\"$wide_description\"'" >/dev/null
  pactl set-default-sink "$sink"
  pactl set-default-source "$sink.monitor"
  [[ "$(pactl info | sed -n 's/^Default Source: //p')" == "$sink.monitor" ]] ||
    { echo "testenv: $sink.monitor is not the default capture source" >&2; exit 1; }
}

case "$command" in
  start)
    stop_session
    trap 'stop_session' ERR  # a session that did not come up leaves nothing running
    display=
    with_display=true
    server=pulseaudio
    prefix=
    while [[ $# -gt 0 ]]; do
      case "$1" in
        --no-display) with_display=false ;;
        --pipewire) server=pipewire ;;
        --wine) prefix=${2:?$usage}; shift ;;
        *) echo "$usage" >&2; exit 2 ;;
      esac
      shift
    done
    ! $with_display || display=$(start_display)
    echo "$server" >"$dir/server"
    start_sound
    {
      echo "# written by scripts/testenv.sh"
      if [[ -n "$display" ]]; then echo "export DISPLAY=$display"; else echo "unset DISPLAY"; fi
      echo "export PULSE_SERVER=unix:$dir/xdg/pulse/native"
      echo "export QUORVEL_SINK=$sink"
      echo "export QUORVEL_WIDE_SINK=$wide_sink"
      echo "export QUORVEL_WIDE_DESCRIPTION='$wide_description'"
      echo "export QUORVEL_TESTENV=$dir"
    } >"$dir/env.sh"
    # A prefix that was not made (a 32-bit build where 32-bit programs cannot run) has no Wine.
    if [[ -n "$prefix" && -d "$prefix" ]]; then
      # shellcheck source=scripts/wine-loader.sh
      . "$(dirname "$0")/wine-loader.sh"
      # shellcheck disable=SC1091
      (. "$dir/env.sh" && export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=d" &&
        keep_wine_running) || { echo "testenv: Wine does not start in $prefix" >&2; exit 1; }
    fi
    echo "testenv: display ${display:-none}, $server at $dir/xdg/pulse/native${prefix:+, Wine kept in $prefix}"
    ;;
  restart-sound)
    # The same server at the same address; the display and env.sh stay as they are.
    [[ "$(cat "$dir/server" 2>/dev/null)" == pulseaudio ]] ||
      { echo "testenv: restart-sound is for PulseAudio sessions" >&2; exit 1; }
    if [[ -f "$dir/pulse.pid" ]]; then
      old=$(cat "$dir/pulse.pid")
      [[ "$(cat "/proc/$old/comm" 2>/dev/null)" == pulseaudio ]] && kill -KILL "$old" 2>/dev/null || true
      rm -f "$dir/pulse.pid"
    fi
    start_sound
    echo "testenv: sound server $dir/xdg/pulse/native started again"
    ;;
  stop)
    stop_session "$@"
    echo "testenv: stopped"
    ;;
  *)
    echo "$usage" >&2
    exit 2
    ;;
esac
