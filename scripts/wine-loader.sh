# Sourced by the scripts that start Windows programs: which Wine loader runs a program.
#
# With 32-bit Wine installed, plain `wine` is the 32-bit loader: it starts a 64-bit program only
# through a second hop, which breaks on long paths and in prefixes without a 32-bit side. So a
# program is started by the loader of its own architecture, read from its PE header. Every prefix
# here is a 64-bit one (with a 32-bit side where 32-bit programs run), so Wine's own programs
# (wineboot, reg, winepath) and wineserver are the 64-bit ones.

wine_loader_dir=/usr/lib/wine
quorvel_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# ctest's SKIP_RETURN_CODE of the i686 tests (tests/CMakeLists.txt)
quorvel_skip_code=77

# pe_arch FILE: prints i386 or x86_64 for a Windows program, nothing for anything else.
pe_arch() {
  local file=$1 header
  [[ -f "$file" && "$(od -An -t x1 -N 2 "$file" 2>/dev/null | tr -d ' ')" == 4d5a ]] || return 0  # MZ
  header=$(od -An -t u4 -j 60 -N 4 "$file" | tr -d ' ')
  [[ -n "$header" && "$(od -An -t x1 -j "$header" -N 4 "$file" | tr -d ' ')" == 50450000 ]] || return 0
  case $(od -An -t x1 -j $((header + 24)) -N 2 "$file" | tr -d ' ') in
    0b01) echo i386 ;;    # PE32
    0b02) echo x86_64 ;;  # PE32+
  esac
}

# wine_loader PROGRAM: prints the loader for PROGRAM (a file, or the name of Wine's own program).
wine_loader() {
  local loader=$wine_loader_dir/wine64
  [[ "$(pe_arch "$1")" == i386 ]] && loader=$wine_loader_dir/wine
  [[ -x "$loader" ]] || { echo "wine: no loader $loader for $1 (scripts/bootstrap.sh installs it)" >&2; return 1; }
  echo "$loader"
}

# run_wine PROGRAM [ARGS...]: runs PROGRAM under its own loader, in the caller's environment.
run_wine() {
  local loader
  loader=$(wine_loader "$1") || return 1
  "$loader" "$@"
}

# skip_unless_runs PROGRAM: a 32-bit PROGRAM on a machine that cannot run 32-bit programs ends
# the calling script with the reason and the skip code.
skip_unless_runs() {
  local reason
  [[ "$(pe_arch "$1")" == i386 ]] || return 0
  reason=$("$quorvel_scripts/runs-32bit.sh") && return 0
  echo "SKIPPED: $reason; $(basename "$1") is a 32-bit program"
  exit "$quorvel_skip_code"
}

# keep_wine_running: starts the Wine server of $WINEPREFIX to stay until it is ended (wineserver
# -k), and Wine's services with it through a first program, in the caller's environment (for a
# session's prefix, its display and sound server): every later program of the prefix then starts
# in a fraction of a second instead of about 3 s. Their output is closed, so that nothing left
# running holds the pipe of whoever waits for the caller (ctest).
keep_wine_running() {
  wineserver -p </dev/null >/dev/null 2>&1 || [[ $? -eq 2 ]] || return 1  # 2: it runs already
  run_wine cmd /c exit </dev/null >/dev/null 2>&1
}
