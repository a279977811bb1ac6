#!/usr/bin/env bash
# A Debian root of one release, made from the package registry and kept in the build folder, in
# which the suites run with that release's Wine and compilers, as on a fresh machine of it.
#
#   root.sh make RELEASE            make build/roots/RELEASE once (debootstrap, minimal)
#   root.sh run RELEASE COMMAND...  run COMMAND in it as root, in the checkout, mounted at /quorvel
#   root.sh test RELEASE [BUILD...] make it if need be, then make test in it, into build/RELEASE,
#                                   with the suites of the builds given (x86_64, i686; by default both)
#   root.sh bench RELEASE           make it if need be, then make bench in it, into build/RELEASE,
#                                   with the BENCH_ settings of the caller; the report goes where
#                                   BENCH_RESULTS says (by default bench/results.md)
#   root.sh i686-release            prints the release in whose root the i686 build has to run
#                                   here: this machine's own, where its kernel runs 32-bit programs
#                                   but 32-bit Wine is not installed; nothing where the i686 build
#                                   runs on this machine, or cannot run (needs no root rights)
#
# Needs root rights (asks sudo for them). The mounts a run needs (proc, the host's /dev and /sys,
# the checkout) live only in a mount namespace of the run's own, and the command in a PID
# namespace of its own: however the run ends, killed half-way included, its processes and its
# mounts go with it, so `rm -rf build` never reaches the host's devices through a forgotten
# bind mount. QUORVEL_ROOTS names another folder for the roots.
set -euo pipefail
usage="usage: root.sh make RELEASE | root.sh run RELEASE COMMAND... | root.sh test RELEASE [BUILD...] |
       root.sh bench RELEASE | root.sh i686-release"
command=${1:?$usage}
here=$(cd "$(dirname "$0")" && pwd)
if [[ "$command" == i686-release ]]; then
  # Not from inside a root, and only a Debian release can be made into one.
  [[ -z "${QUORVEL_ROOT:-}" && -r /etc/os-release ]] || exit 0
  ! "$here/runs-32bit.sh" >/dev/null && "$here/runs-32bit.sh" --kernel >/dev/null || exit 0
  (. /etc/os-release && [[ "${ID:-}" == debian && -n "${VERSION_CODENAME:-}" ]] && echo "$VERSION_CODENAME") || true
  exit 0
fi
release=${2:?$usage}
shift 2
[[ "$release" =~ ^[a-z]+$ ]] || { echo "root: not a release name: $release" >&2; exit 2; }
checkout=$(cd "$(dirname "$0")/.." && pwd)
roots=${QUORVEL_ROOTS:-$checkout/build/roots}
dir=$roots/$release
mirror=${QUORVEL_MIRROR:-http://deb.debian.org/debian}

if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "root: needs root rights or sudo" >&2; exit 1; }
  exec sudo --preserve-env=QUORVEL_ROOTS,QUORVEL_MIRROR,BENCH_SOAK_MINUTES,BENCH_RUNS,BENCH_CPU_SECONDS,BENCH_COVERAGE_SECONDS,BENCH_LATENCY_STEPS,BENCH_PARTS,BENCH_RESULTS \
    "$0" "$command" "$release" "$@"
fi

make_root() {
  [[ -f "$dir/.quorvel-root" ]] && return 0
  for tool in debootstrap unshare chroot; do
    command -v "$tool" >/dev/null || { echo "root: no $tool (scripts/bootstrap.sh installs it)" >&2; exit 1; }
  done
  echo "root: making $dir from $mirror"
  rm -rf "$dir"
  mkdir -p "$roots"
  # Only the release's main suite: its i386 packages match their amd64 twins, so 32-bit Wine
  # installs as on a fresh machine of that release.
  local start=$SECONDS
  debootstrap --variant=minbase --include=git,make,ca-certificates "$release" "$dir" "$mirror"
  mkdir -p "$dir/quorvel"
  touch "$dir/.quorvel-root"
  echo "root: $dir made in $((SECONDS - start)) s"
}

run_in_root() {
  [[ -f "$dir/.quorvel-root" ]] || { echo "root: no root $dir (root.sh make $release)" >&2; exit 1; }
  cp /etc/resolv.conf "$dir/etc/resolv.conf"  # the packages come over the host's network
  # unshare ends the namespace's first process with SIGKILL when it ends itself (--kill-child),
  # and with it every process and mount of the run; and it ends when this script does, however
  # that comes about (--pdeathsig), or is interrupted (the trap).
  # shellcheck disable=SC2016  # expanded inside the namespace
  setpriv --pdeathsig KILL unshare --mount --propagation private --pid --fork --kill-child -- bash -euo pipefail -c '
    dir=$1 checkout=$2
    shift 2
    mount -t proc proc "$dir/proc"
    mount --rbind /dev "$dir/dev"
    mount --rbind /sys "$dir/sys"
    mount --bind "$checkout" "$dir/quorvel"
    exec chroot "$dir" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin QUORVEL_ROOT="${dir##*/}" \
      QUORVEL_NO_I686="${QUORVEL_NO_I686:-}" bash -c "cd /quorvel && exec \"\$@\"" bash "$@"
  ' bash "$dir" "$checkout" "$@" &
  run=$!
  trap 'kill -KILL $run 2>/dev/null; exit 130' INT TERM HUP
  wait "$run"
}

case "$command" in
  make) make_root ;;
  run)
    [[ $# -gt 0 ]] || { echo "$usage" >&2; exit 2; }
    run_in_root "$@"
    ;;
  test)
    make_root
    suites=${*:-x86_64 i686}
    run_in_root make test BUILD="build/$release" SUITES="$suites"
    ;;
  bench)
    make_root
    # The root sees the checkout only: the report is written inside it, then put where asked.
    settings=()
    for name in BENCH_SOAK_MINUTES BENCH_RUNS BENCH_CPU_SECONDS BENCH_COVERAGE_SECONDS BENCH_LATENCY_STEPS BENCH_PARTS; do
      [[ -n "${!name:-}" ]] && settings+=("$name=${!name}")
    done
    report=build/$release/bench-results.md
    run_in_root env "${settings[@]}" BENCH_RESULTS="/quorvel/$report" make bench BUILD="build/$release"
    results=${BENCH_RESULTS:-$checkout/bench/results.md}
    cp "$checkout/$report" "$results"
    [[ -n "${SUDO_UID:-}" ]] && chown "$SUDO_UID:${SUDO_GID:-$SUDO_UID}" "$results"
    ;;
  *)
    echo "$usage" >&2
    exit 2
    ;;
esac
