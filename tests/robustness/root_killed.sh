#!/usr/bin/env bash
# A run in a root (scripts/root.sh) killed half-way leaves nothing behind: while it runs, its
# mounts of /proc, /dev, /sys and the checkout are seen inside it and never by the host; once it
# is killed, no process of it is left, and so no mount either.
#   root_killed.sh RELEASE     (the root must exist: scripts/root.sh make RELEASE)
set -euo pipefail
release=${1:?usage: root_killed.sh RELEASE}
checkout=$(cd "$(dirname "$0")/../.." && pwd)
dir=${QUORVEL_ROOTS:-$checkout/build/roots}/$release
[[ -d "$dir" ]] || { echo "root_killed: no root $dir (scripts/root.sh make $release)" >&2; exit 1; }
dir=$(cd "$dir" && pwd -P)

fail() { echo "FAIL: $*"; exit 1; }
host_mounts() { awk -v top="$dir" '$2 == top || index($2, top "/") == 1 {print $2}' /proc/mounts; }
# The processes whose root directory is the root's.
in_root() {
  local proc
  for proc in /proc/[0-9]*; do
    [[ "$(readlink "$proc/root" 2>/dev/null)" == "$dir" ]] && echo "${proc#/proc/}"
  done
  return 0
}
started() { [[ $(in_root | wc -l) -ge 3 ]]; }  # sh and both sleeps
wait_until() {  # wait_until SECONDS COMMAND...
  local end=$((SECONDS + $1))
  until "${@:2}"; do
    [[ $SECONDS -lt $end ]] || return 1
    sleep 0.1
  done
}

[[ -z "$(host_mounts)" ]] || fail "mounts under $dir before the run: $(host_mounts)"
[[ -z "$(in_root)" ]] || fail "processes in $dir before the run: $(in_root)"
for signal in KILL TERM HUP; do
  # Half-way: a daemon of its own session and a child running, the mounts in use.
  "$checkout/scripts/root.sh" run "$release" sh -c 'setsid sleep 600 & sleep 600 & wait' &
  run=$!
  trap 'kill -KILL $run 2>/dev/null || true' EXIT  # a failed check ends the run too
  wait_until 30 started || fail "the run did not start in $dir"
  pid=$(in_root | sed -n 1p)
  for mount in /proc /dev /sys /quorvel; do
    awk -v m="$mount" '$2 == m {found = 1} END {exit !found}' "/proc/$pid/mounts" || fail "no $mount inside the run"
  done
  [[ -z "$(host_mounts)" ]] || fail "the host sees the run's mounts: $(host_mounts)"
  kill -"$signal" "$run"
  wait "$run" 2>/dev/null || true
  wait_until 10 test -z "$(in_root)" || fail "SIG$signal: processes left in the root: $(in_root)"
  [[ -z "$(host_mounts)" ]] || fail "SIG$signal: mounts left: $(host_mounts)"
  ! mountpoint -q "$dir/dev" || fail "SIG$signal: $dir/dev is still a mount point"
  echo "SIG$signal half-way: no process and no mount left"
done
echo ok
