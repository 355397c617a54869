#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix.
#   tools/wine-run.sh [--register DLL]... program.exe [args...]
#   tools/wine-run.sh --stop        ends the wineserver and the Xvfb this runner started
#   tools/wine-run.sh --display     prints the X display the programs run on (starting the Xvfb if needed)
# Environment: ZR_WINEPREFIX (default build/wine), ZR_TIMEOUT seconds (default 900).
# The prefix is created on first use: crash dialog off, Wine's fonts copied in, Arial / Times New Roman /
# Courier New replaced by the Liberation fonts. Sound goes to ALSA's null device through a private ALSA
# configuration (ALSA_CONFIG_PATH), so nothing in the user's home is edited. Xvfb is started only when no
# DISPLAY is set. The wineserver is kept alive across runs.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
state="$root/build/.wine-state"
mkdir -p "$state"
export WINEPREFIX="${ZR_WINEPREFIX:-$root/build/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export ALSA_CONFIG_PATH="$state/asound.conf"
if [ ! -f "$ALSA_CONFIG_PATH" ]; then
  alsa_conf=/usr/share/alsa/alsa.conf
  printf '<%s>\npcm.!default { type null }\n' "$alsa_conf" > "$ALSA_CONFIG_PATH.tmp"
  mv "$ALSA_CONFIG_PATH.tmp" "$ALSA_CONFIG_PATH"
fi

# Wine's launcher script prefers the 32-bit loader whenever it is installed, even where the kernel cannot run
# 32-bit programs; choose the loader that can run here.
# A 32-bit loader that only starts through a registered qemu handler counts as unable: Wine under user-mode
# emulation takes minutes per program.
if /lib/ld-linux.so.2 --help >/dev/null 2>&1 && [ -x /usr/lib/wine/wine ] \
   && ! grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; then
  WINE=wine
  export ZR_WINE32=1
else
  WINE=/usr/lib/wine/wine64
  export WINELOADER=$WINE
  export ZR_WINE32=0
fi

stop_all() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$state/xvfb.pid" ]; then kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true; rm -f "$state/xvfb.pid" "$state/xvfb.display"; fi
}
if [ "${1:-}" = "--stop" ]; then stop_all; exit 0; fi
# --can-run-x86: exit status tells whether 32-bit Windows programs can run here.
if [ "${1:-}" = "--can-run-x86" ]; then [ "$ZR_WINE32" = 1 ]; exit; fi

ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  # One lock for every checkout on this machine: two runners choosing a display at once must not pick the same.
  exec 8>/tmp/.zr-xvfb.lock; flock 8
  if [ -f "$state/xvfb.pid" ] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null; then
    export DISPLAY=$(cat "$state/xvfb.display"); flock -u 8; return 0
  fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  echo $! > "$state/xvfb.pid"; echo ":$n" > "$state/xvfb.display"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
  export DISPLAY=":$n"
  flock -u 8
}

ensure_prefix() {
  exec 9>"$state/prefix.lock"; flock 9
  wineserver -p >/dev/null 2>&1 </dev/null
  local version=2
  if [ "$(cat "$WINEPREFIX/.zr-ready" 2>/dev/null)" != "$version" ]; then
    [ -f "$WINEPREFIX/system.reg" ] || $WINE wineboot -i >/dev/null 2>&1 </dev/null
    $WINE reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
    # No post-mortem debugger: a crashing program ends at once instead of waiting on a debugger.
    $WINE reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 </dev/null
    $WINE reg delete 'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /f >/dev/null 2>&1 </dev/null
    for f in 'Arial:Liberation Sans' 'Times New Roman:Liberation Serif' 'Courier New:Liberation Mono'; do
      $WINE reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${f%%:*}" /t REG_SZ /d "${f#*:}" /f >/dev/null 2>&1 </dev/null
    done
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    echo "$version" > "$WINEPREFIX/.zr-ready"
  fi
  # Wake the prefix's services with a throwaway process so they never inherit the caller's output.
  $WINE cmd /c exit >/dev/null 2>&1 </dev/null
  flock -u 9
}

# PE machine of a DLL or EXE: 014c = x86, 8664 = x64.
pe_machine() { od -An -tx2 -j"$(( $(od -An -tu4 -j60 -N4 "$1") + 4 ))" -N2 "$1" | tr -d ' '; }

ensure_display
if [ "${1:-}" = "--display" ]; then echo "$DISPLAY"; exit 0; fi
ensure_prefix
rc=0
while [ "${1:-}" = "--register" ]; do
  dll="$2"; shift 2
  regsvr="C:\\windows\\system32\\regsvr32.exe"
  if [ "$(pe_machine "$dll")" = "014c" ]; then
    if [ "$ZR_WINE32" != 1 ]; then echo "cannot register $dll: this machine cannot run 32-bit programs" >&2; rc=1; continue; fi
    regsvr="C:\\windows\\syswow64\\regsvr32.exe"
  fi
  abs=$(cd "$(dirname "$dll")" && pwd)/$(basename "$dll")
  $WINE "$regsvr" /s "Z:${abs//\//\\}" </dev/null || { echo "registration of $dll failed" >&2; rc=1; }
done
[ $# -eq 0 ] && exit $rc
timeout -k 10 "${ZR_TIMEOUT:-900}" $WINE "$@" </dev/null 2> >(grep -v -E '^(ALSA lib|it looks like wine32|wine: configuration|.*fixme:)' >&2)
rc=$?
exit $rc
