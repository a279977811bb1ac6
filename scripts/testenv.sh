#!/usr/bin/env bash
# A private test session: an Xvfb display and a PulseAudio server with a null sink whose monitor
# is the default capture source. Nothing of the user's display or sound server is touched.
#
#   testenv.sh start DIR [--no-display]   start both (or only the sound server); writes DIR/env.sh
#   testenv.sh stop DIR                   stop everything started under DIR (also Wine, players)
#   testenv.sh restart-sound DIR          start the sound server of DIR anew (a test killed it)
#
# DIR/env.sh exports DISPLAY, PULSE_SERVER and QUORVEL_SINK for the programs of the session.
set -euo pipefail

command=${1:?usage: testenv.sh start|stop|restart-sound DIR}
dir=${2:?usage: testenv.sh start|stop|restart-sound DIR}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
sink=quorvel_sink

stop_session() {
  # Players and other helpers started by tests leave their process ids here.
  for pidfile in "$dir"/players/*.pid; do
    [[ -e "$pidfile" ]] || continue
    kill "$(cat "$pidfile")" 2>/dev/null || true
    rm -f "$pidfile"
  done
  if [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
  fi
  if [[ -f "$dir/pulse.pid" ]]; then
    kill "$(cat "$dir/pulse.pid")" 2>/dev/null || true
    rm -f "$dir/pulse.pid"
  fi
  if [[ -f "$dir/xvfb.pid" ]]; then
    kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$dir/xvfb.pid"
  fi
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

# Without shared memory the samples go over the socket: PulseAudio 16 aborts now and then
# (memblock_replace_import) on the memory blocks that Wine's clients hand it.
start_sound() {
  mkdir -p "$dir/xdg" "$dir/home" "$dir/players"
  chmod 700 "$dir/xdg"
  local socket="$dir/xdg/pulse/native"
  rm -rf "$dir/xdg/pulse"
  HOME="$dir/home" XDG_RUNTIME_DIR="$dir/xdg" PULSE_SERVER= pulseaudio --daemonize=yes \
    --exit-idle-time=-1 -n --use-pid-file=yes --log-target=file:"$dir/pulse.log" --disable-shm=yes \
    --load="module-native-protocol-unix auth-anonymous=1" \
    --load="module-null-sink sink_name=$sink rate=44100 channels=2 format=s16le" \
    >/dev/null 2>&1 || { echo "testenv: pulseaudio did not start (see $dir/pulse.log)" >&2; exit 1; }
  cp "$dir/xdg/pulse/pid" "$dir/pulse.pid"
  export PULSE_SERVER="unix:$socket"
  pactl set-default-sink "$sink"
  pactl set-default-source "$sink.monitor"
}

case "$command" in
  start)
    stop_session
    display=
    [[ "${3:-}" == "--no-display" ]] || display=$(start_display)
    start_sound
    {
      echo "# written by scripts/testenv.sh"
      if [[ -n "$display" ]]; then echo "export DISPLAY=$display"; else echo "unset DISPLAY"; fi
      echo "export PULSE_SERVER=unix:$dir/xdg/pulse/native"
      echo "export QUORVEL_SINK=$sink"
      echo "export QUORVEL_TESTENV=$dir"
    } >"$dir/env.sh"
    echo "testenv: display ${display:-none}, sound server $dir/xdg/pulse/native"
    ;;
  restart-sound)
    # The same server at the same address; the display and env.sh stay as they are.
    if [[ -f "$dir/pulse.pid" ]]; then
      old=$(cat "$dir/pulse.pid")
      [[ "$(cat "/proc/$old/comm" 2>/dev/null)" == pulseaudio ]] && kill -KILL "$old" 2>/dev/null || true
      rm -f "$dir/pulse.pid"
    fi
    start_sound
    echo "testenv: sound server $dir/xdg/pulse/native started again"
    ;;
  stop)
    stop_session
    echo "testenv: stopped"
    ;;
  *)
    echo "usage: testenv.sh start|stop|restart-sound DIR" >&2
    exit 2
    ;;
esac
