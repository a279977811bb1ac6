#!/bin/sh
# Changes the session's null sink, whose monitor is the default capture source.
#   pulse_sink.sh RESULT unload    remove the sink module (the capture source goes with it)
#   pulse_sink.sh RESULT reload    load it again, as testenv.sh does, if it is missing
#   pulse_sink.sh RESULT suspend   stop the sink's clock: the capture source delivers nothing
#   pulse_sink.sh RESULT resume
# The last line of RESULT is "ok" when the sink is in the asked state.
result=${1:?usage: pulse_sink.sh RESULT unload|reload|suspend|resume}
command=${2:?usage: pulse_sink.sh RESULT unload|reload|suspend|resume}
sink=${QUORVEL_SINK:-quorvel_sink}

sink_modules() {
  pactl list short modules | awk -v arg="sink_name=$sink" \
    '$2 == "module-null-sink" { for (i = 3; i <= NF; ++i) if ($i == arg) print $1 }'
}

default_source() { pactl info | sed -n 's/^Default Source: //p'; }

{
  case "$command" in
    unload)
      for module in $(sink_modules); do pactl unload-module "$module"; done
      [ -z "$(sink_modules)" ] && echo ok
      ;;
    reload)
      # The same sink as testenv.sh starts the session with.
      [ -n "$(sink_modules)" ] ||
        pactl load-module module-null-sink sink_name="$sink" rate=44100 channels=2 format=s16le >/dev/null
      pactl suspend-sink "$sink" 0
      pactl set-default-sink "$sink"
      pactl set-default-source "$sink.monitor"
      [ "$(default_source)" = "$sink.monitor" ] && echo ok
      ;;
    suspend | resume)
      [ "$command" = suspend ] && flag=1 || flag=0
      pactl suspend-sink "$sink" "$flag" && echo ok
      ;;
    *)
      echo "unknown command $command"
      ;;
  esac
} >"$result.tmp" 2>&1
mv "$result.tmp" "$result"
