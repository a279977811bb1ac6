#!/bin/sh
# Real input through the X server, as a user's keyboard and mouse give it: it reaches Wine as a
# user's does, the window system's own handling included (the window menu, Alt+F4, its loops).
#   x_input.sh RESULT XDOTOOL_ARGUMENTS...   e.g. key alt+space, mousemove 10 20 click 1
# The last line of RESULT is "ok" when xdotool did it all.
result=${1:?usage: x_input.sh RESULT XDOTOOL_ARGUMENTS...}
shift
{ xdotool "$@" && echo ok; } >"$result.tmp" 2>&1
mv "$result.tmp" "$result"
