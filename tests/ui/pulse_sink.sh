#!/bin/sh
# Changes the session's null sink, whose monitor is the default capture source.
#   pulse_sink.sh RESULT unload    remove the sink module (the capture source goes with it)
#   pulse_sink.sh RESULT reload    load it again, as testenv.sh does, if it is missing
#   pulse_sink.sh RESULT suspend   stop the sink's clock: the capture source delivers nothing
#   pulse_sink.sh RESULT resume
#   pulse_sink.sh RESULT add-other | remove-other
#                                  a further null sink, quorvel_other, for a longer device list
# The last line of RESULT is "ok" when the sink is in the asked state.
usage="usage: pulse_sink.sh RESULT unload|reload|suspend|resume|add-other|remove-other"
result=${1:?$usage}
command=${2:?$usage}
sink=${QUORVEL_SINK:-quorvel_sink}
case "$command" in *-other) sink=quorvel_other ;; esac
export LC_ALL=C.UTF-8  # pactl's answers in English, whatever locale the test runs in

sink_modules() {
  pactl list short modules | awk -v arg="sink_name=$sink" \
    '$2 == "module-null-sink" { for (i = 3; i <= NF; ++i) if ($i == arg) print $1 }'
}

default_source() { pactl info | sed -n 's/^Default Source: //p'; }

# Stops (1) or starts again (0) the sink's clock. PipeWire's PulseAudio server takes a suspend
# back as long as a stream records from the sink; the sink's node is paused there instead.
suspend_sink() {
  if [ "$(cat "$QUORVEL_TESTENV/server" 2>/dev/null)" = pipewire ]; then
    node=$(XDG_RUNTIME_DIR=$QUORVEL_TESTENV/xdg pw-cli ls Node |
      awk -v name="node.name = \"$sink\"" '$1 == "id" {id = $2} index($0, name) {sub(",", "", id); print id}')
    [ -n "$node" ] || { echo "no node $sink"; return 1; }
    [ "$1" = 1 ] && command=Pause || command=Start
    XDG_RUNTIME_DIR=$QUORVEL_TESTENV/xdg pw-cli send-command "$node" "$command" '{}' >/dev/null
  else
    pactl suspend-sink "$sink" "$1"
  fi
}

{
  case "$command" in
    unload | remove-other)
      for module in $(sink_modules); do pactl unload-module "$module"; done
      [ -z "$(sink_modules)" ] && echo ok
      ;;
    reload)
      # The same sink as testenv.sh starts the session with.
      [ -n "$(sink_modules)" ] ||
        pactl load-module module-null-sink sink_name="$sink" rate=44100 channels=2 format=s16le >/dev/null
      suspend_sink 0
      pactl set-default-sink "$sink"
      pactl set-default-source "$sink.monitor"
      [ "$(default_source)" = "$sink.monitor" ] && echo ok
      ;;
    add-other)
      [ -n "$(sink_modules)" ] || pactl load-module module-null-sink sink_name="$sink" >/dev/null
      [ -n "$(sink_modules)" ] && echo ok
      ;;
    suspend | resume)
      [ "$command" = suspend ] && flag=1 || flag=0
      suspend_sink "$flag" && echo ok
      ;;
    *)
      echo "unknown command $command"
      ;;
  esac
} >"$result.tmp" 2>&1
mv "$result.tmp" "$result"
