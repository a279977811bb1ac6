#!/usr/bin/env bash
# Tells whether the i686 build can be tested here: whether this machine's kernel runs 32-bit x86
# programs, and 32-bit Wine is installed. For the kernel it assembles and links a minimal
# program that exits with code 42, once for 32-bit and once for 64-bit x86 Linux, and runs both:
# the 64-bit one proves that the probe itself works (binutils present, the temporary folder
# executable).
#   runs-32bit.sh           exit 0 when 32-bit Windows programs run; otherwise exit 1 and print
#                           the reason
#   runs-32bit.sh --kernel  the same for the kernel alone (bootstrap.sh asks before installing)
# QUORVEL_NO_I686=1 answers "no" without probing, to see the machine's side without them.
set -uo pipefail

if [[ -n "${QUORVEL_NO_I686:-}" && "${QUORVEL_NO_I686}" != 0 ]]; then
  echo "32-bit programs are not run: QUORVEL_NO_I686 is set"
  exit 1
fi
for tool in as ld; do
  command -v "$tool" >/dev/null || { echo "cannot tell whether 32-bit programs run: no '$tool' (binutils)"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# probe BITS LD_EMULATION: the exit code of the program, or what went wrong
probe() {
  local source=$work/exit$1.s
  if [[ $1 == 32 ]]; then
    printf '.globl _start\n_start:\n movl $1, %%eax\n movl $42, %%ebx\n int $0x80\n' >"$source"
  else
    printf '.globl _start\n_start:\n movq $60, %%rax\n movq $42, %%rdi\n syscall\n' >"$source"
  fi
  as "--$1" -o "$work/exit$1.o" "$source" 2>&1 && ld -m "$2" -o "$work/exit$1" "$work/exit$1.o" 2>&1 || return 0
  "$work/exit$1" 2>&1
  echo "exit code $?"
}

control=$(probe 64 elf_x86_64)
[[ "$control" == "exit code 42" ]] ||
  { echo "cannot tell whether 32-bit programs run: a 64-bit test program said: $(tr '\n' ' ' <<<"$control")"; exit 1; }
answer=$(probe 32 elf_i386)
[[ "$answer" == "exit code 42" ]] ||
  { echo "this kernel does not run 32-bit x86 programs: $(tr '\n' ' ' <<<"$answer" | sed -e 's#'"$work"'/##g' -e 's/^.*: line [0-9]*: //')"; exit 1; }
[[ "${1:-}" == --kernel ]] && exit 0
# The loader that wine-loader.sh starts 32-bit programs with.
[[ -x /usr/lib/wine/wine ]] ||
  { echo "32-bit Wine is not installed (wine32:i386; scripts/bootstrap.sh installs it where it can)"; exit 1; }
exit 0
