# Sourced by what runs a test inside a private session: which session it is.
#
# ctest runs the tests of the PulseAudio sessions side by side, each in a session of its own:
# it hands a test one of them as its resource "session" (CTEST_RESOURCE_GROUP_0_SESSION=id:N,...,
# from the resource file that tests/CMakeLists.txt writes). Such a test names the folder of
# those sessions in QUORVEL_SESSIONS; it runs in the session QUORVEL_SESSIONS/N, whose Wine
# prefix is session-N. Without ctest's resources (plain ctest, or a test run by hand) it takes
# session 1, one test at a time (a lock on it). A test of another session (PipeWire, 144 dpi)
# names that session in QUORVEL_TESTENV instead.
if [[ -n "${QUORVEL_SESSIONS:-}" ]]; then
  quorvel_slot=1
  if [[ "${CTEST_RESOURCE_GROUP_0_SESSION:-}" =~ ^id:([0-9]+) ]]; then
    quorvel_slot=${BASH_REMATCH[1]}
  else
    exec {quorvel_slot_lock}>"$QUORVEL_SESSIONS/1.lock"
    flock "$quorvel_slot_lock"
  fi
  export QUORVEL_TESTENV=$QUORVEL_SESSIONS/$quorvel_slot QUORVEL_PREFIX=session-$quorvel_slot
  unset QUORVEL_SESSIONS
fi
