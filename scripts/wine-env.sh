# Sourced by every script that runs Windows binaries: one private Wine prefix
# under build/, quiet Wine, a virtual X display when none is set, and one
# persistent wineserver for the whole run.
_trovanto_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${TROVANTO_WINEPREFIX:-$_trovanto_root/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset WINELOADERNOEXEC

trovanto_start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 91 250); do
    if [ -e "/tmp/.X$n-lock" ]; then
      # A lock left by a server that is gone does not block the number.
      local pid
      pid="$(tr -d ' ' < "/tmp/.X$n-lock" 2>/dev/null || true)"
      if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then continue; fi
      rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    fi
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    export TROVANTO_XVFB_PID=$!
    export DISPLAY=":$n"
    export TROVANTO_OWN_DISPLAY=1
    local i
    for i in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    if kill -0 "$TROVANTO_XVFB_PID" 2>/dev/null; then return 0; fi
  done
  echo "wine-env: no free display number" >&2
  return 1
}

# Whether this Wine can run 32-bit programs (wine32 installed).
trovanto_wine_has_32bit() {
  local d
  for d in /usr/lib/wine/i386-windows /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib32/wine/i386-windows; do
    [ -f "$d/kernel32.dll" ] && return 0
  done
  return 1
}

trovanto_wine_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  # A prefix made before the 32-bit Wine was installed has no 32-bit system
  # folder and cannot start the 32-bit build ("could not load kernel32.dll"):
  # it is made anew.
  if [ -f "$WINEPREFIX/.trovanto-ready" ] && trovanto_wine_has_32bit &&
     [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    wineserver -k >/dev/null 2>&1 </dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/.trovanto-ready" ]; then
    wineboot -i >/dev/null 2>&1 </dev/null || true
    # No window manager runs on the virtual display: Wine draws the captions
    # and close boxes itself, so that tests can click them.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 </dev/null || true
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
    # The interface is set in Arial; Liberation Sans has the same metrics.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null 2>&1 </dev/null || true
    wineserver -w >/dev/null 2>&1 </dev/null || true
    touch "$WINEPREFIX/.trovanto-ready"
  fi
  # A persistent server saves the start-up of one per process.
  wineserver -p >/dev/null 2>&1 </dev/null || true
}

trovanto_wine_up() {
  trovanto_start_display && trovanto_wine_prefix
}

trovanto_wine_down() {
  wineserver -k >/dev/null 2>&1 </dev/null || true
  if [ -n "${TROVANTO_XVFB_PID:-}" ]; then
    kill "$TROVANTO_XVFB_PID" 2>/dev/null || true
    unset TROVANTO_XVFB_PID TROVANTO_OWN_DISPLAY
  fi
}

# Maps a drive letter (for example t) to a folder, the way a USB stick appears.
trovanto_map_drive() {
  local letter="$1" folder="$2"
  mkdir -p "$WINEPREFIX/dosdevices"
  ln -sfn "$folder" "$WINEPREFIX/dosdevices/${letter}:"
}

trovanto_unmap_drive() {
  rm -f "$WINEPREFIX/dosdevices/${1}:"
}
