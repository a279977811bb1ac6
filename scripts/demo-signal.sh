#!/usr/bin/env bash
# Writes SECONDS of a demo signal as raw 44.1 kHz stereo 16-bit to standard output: two tones
# whose loudness swells and fades, the left channel louder than the right.
set -euo pipefail
seconds=${1:-120}
sox -q -n -r 44100 -c 2 -b 16 -e signed-integer -t raw - \
  synth "$seconds" sine 330 sine 550 tremolo 0.25 70 remix 1v0.9 2v0.45
