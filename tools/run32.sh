#!/usr/bin/env bash
# Runs a static 32-bit x86 Linux program: directly where the kernel executes 32-bit programs, otherwise under
# qemu-i386-static (user-mode emulation, no binfmt registration needed).
#   tools/run32.sh program [args...]     tools/run32.sh --how   (prints "direct" or "qemu-i386-static")
set -uo pipefail
probe() {
  local p=/tmp/.zr-run32-probe
  [ -x "$p" ] || { printf 'int main(void){return 0;}\n' | gcc -m32 -static -x c -o "$p.$$" - 2>/dev/null && mv "$p.$$" "$p"; }
  "$p" 2>/dev/null
}
# A kernel that runs 32-bit programs only through a registered qemu handler is emulating, not executing them.
emulated() { grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; }
if [ "${1:-}" = "--how" ]; then
  if probe && ! emulated; then echo direct; elif probe; then echo "qemu-i386 (binfmt)"; elif command -v qemu-i386-static >/dev/null; then echo qemu-i386-static; else echo none; exit 1; fi
  exit 0
fi
if probe; then exec "$@"; fi
exec qemu-i386-static "$@"
