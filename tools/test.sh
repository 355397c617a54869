#!/usr/bin/env bash
# Installs what is needed, builds every configuration and runs all tests:
#   native  - portable code under AddressSanitizer and UBSan
#   x64     - the control, the player and their tests under 64-bit Wine
#   native32 - the portable code and its tests as static 32-bit x86 programs, run directly where the kernel
#             executes 32-bit programs and under qemu-i386-static where it does not
#   x86     - the same under 32-bit Wine where this machine can run 32-bit programs; elsewhere the x86
#             DLLs and tests are built (so they keep compiling and linking), the DLLs are checked as PE files,
#             and the Wine tests are not run
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh || exit 1

passed=0; failed=0
run_ctest() {  # build-dir label
  local log="$1/ctest.log"
  (cd "$1" && ctest --output-on-failure --timeout 900 ${ZR_CTEST_ARGS:-} "${@:3}") 2>&1 | tee "$log"
  local p f
  p=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* +Passed' "$log"); f=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(Failed|Timeout|Exception|Not Run)' "$log")
  passed=$((passed + p)); failed=$((failed + f))
  echo "$2: $p passed, $f failed"
}

tools/build.sh native || { echo "native build failed"; failed=$((failed + 1)); }
[ -d build/native ] && run_ctest build/native native
tools/build.sh native32 || { echo "native32 build failed"; failed=$((failed + 1)); }
[ -d build/native32 ] && run_ctest build/native32 "native32 ($(tools/run32.sh --how))"
tools/build.sh x64 || { echo "x64 build failed"; failed=$((failed + 1)); }
[ -d build/x64 ] && run_ctest build/x64 x64
tools/build.sh x86 || { echo "x86 build failed"; failed=$((failed + 1)); }
if tools/wine-run.sh --can-run-x86; then
  run_ctest build/x86 x86
else
  run_ctest build/x86 "x86 PE checks" -L pe
  echo "x86: built and checked as PE files; Wine tests not run here: this machine cannot execute 32-bit programs (Wine's 32-bit loader fails with 'Exec format error'); the portable code ran as 32-bit programs under $(tools/run32.sh --how)"
fi
tools/wine-run.sh --stop
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
