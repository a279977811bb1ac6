#!/bin/sh
# Plays a raw 44.1 kHz stereo 16-bit file into the test session's null sink (or SINK), in the
# background.
#   play_signal.sh start RAWFILE NAME [SINK]  (the player's pid goes to $QUORVEL_TESTENV/players/NAME.pid)
#   play_signal.sh stop NAME
# Started from the Windows test programs under Wine, which pass their environment on.
set -eu
players="${QUORVEL_TESTENV:?no test session}/players"
mkdir -p "$players"
case "$1" in
  start)
    # 100 ms of buffer: a player held up for less by a busy machine leaves no gap in the signal.
    pacat --raw --rate=44100 --channels=2 --format=s16le --device="${4:-${QUORVEL_SINK:-quorvel_sink}}" \
      --latency-msec=100 "$2" </dev/null >/dev/null 2>&1 &
    echo $! >"$players/$3.pid"
    ;;
  stop)
    if [ -f "$players/$2.pid" ]; then
      kill "$(cat "$players/$2.pid")" 2>/dev/null || true
      rm -f "$players/$2.pid"
    fi
    ;;
esac
