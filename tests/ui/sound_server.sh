#!/bin/sh
# Troubles the session's sound server (its pid in $QUORVEL_TESTENV/pulse.pid).
#   sound_server.sh RESULT stop       SIGSTOP: the server holds still, its clients' calls wait
#   sound_server.sh RESULT continue   SIGCONT
#   sound_server.sh RESULT kill       SIGKILL, and wait until it is gone
#   sound_server.sh RESULT restart    start it again as the session began (after kill)
# The last line of RESULT is "ok" when the server is in the asked state.
result=${1:?usage: sound_server.sh RESULT stop|continue|kill|restart}
command=${2:?usage: sound_server.sh RESULT stop|continue|kill|restart}
session=${QUORVEL_TESTENV:?no test session}
pid=$(cat "$session/pulse.pid" 2>/dev/null)

state() { sed -n 's/^State:[[:space:]]*\([A-Za-z]\).*/\1/p' "/proc/$pid/status" 2>/dev/null; }

{
  case "$command" in
    stop | continue)
      [ "$command" = stop ] && signal=STOP want=T || signal=CONT want=S
      kill -"$signal" "$pid" || echo "cannot signal $pid"
      # The signal takes effect asynchronously; a continued server may be running or sleeping.
      for _ in $(seq 100); do
        now=$(state)
        { [ "$want" = T ] && [ "$now" = T ]; } || { [ "$want" = S ] && [ -n "$now" ] && [ "$now" != T ]; } && break
        sleep 0.02
      done
      echo "state $(state)"
      { [ "$want" = T ] && [ "$(state)" = T ]; } || { [ "$want" = S ] && [ -n "$(state)" ] && [ "$(state)" != T ]; } &&
        echo ok
      ;;
    kill)
      kill -KILL "$pid" || echo "cannot kill $pid"
      for _ in $(seq 250); do
        [ -e "/proc/$pid" ] || break
        [ "$(state)" = Z ] && break
        sleep 0.02
      done
      if [ ! -e "/proc/$pid" ] || [ "$(state)" = Z ]; then echo ok; else echo "$pid is still there, state $(state)"; fi
      ;;
    restart)
      "$QUORVEL_SOURCE/scripts/testenv.sh" restart-sound "$session" && pactl info >/dev/null && echo ok
      ;;
    *)
      echo "unknown command $command"
      ;;
  esac
} >"$result.tmp" 2>&1
mv "$result.tmp" "$result"
