#!/usr/bin/env bash
# Configures and builds one configuration: native (portable code, sanitizers), x86 or x64 (MinGW-w64).
# usage: tools/build.sh native|native32|x86|x64 [target...] [cmake --build options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cfg=${1:?native, native32, x86 or x64}; shift || true
bdir="$root/build/$cfg"
jobs=${ZR_JOBS:-2}
case "$cfg" in
  native) args=(-DZR_SANITIZE=ON) ;;
  native32) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-native32.cmake") ;;
  x86|x64) args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$cfg.cmake") ;;
  *) echo "unknown configuration $cfg" >&2; exit 2 ;;
esac
if [ ! -f "$bdir/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$bdir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}" >/dev/null
fi
# Plain words are targets; anything else goes to cmake --build as it is.
extra=(); targets=()
for a in "$@"; do case "$a" in -*) extra+=("$a") ;; *) targets+=("$a") ;; esac; done
cmake --build "$bdir" -j"$jobs" ${targets[@]+--target "${targets[@]}"} "${extra[@]}"
