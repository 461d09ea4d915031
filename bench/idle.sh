#!/usr/bin/env bash
# Idle CPU of the launcher against the minimal program that does the status
# strip's tick work (bench/win/minimal_tick.cpp), both run from the same demo
# drive with the pointer away from the window. Counted per program: the Linux
# process that runs it plus the wineserver, which serves every message, timer
# and GDI call of a Wine program and so carries much of its idle cost.
#
# Usage: bench/idle.sh [WINDOWS_BUILD_DIR]   (default build/win)
# TROVANTO_BENCH_SECONDS sets the measured time per program (default 60).
# The last line starts with "RESULT" for bench/report.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
win="$(cd "${1:-$root/build/win}" && pwd)"
seconds="${TROVANTO_BENCH_SECONDS:-60}"
settle=3

for f in trovanto.exe tests/e2e/remote.exe bench-win/minimal_tick.exe bench-win/startup_driver.exe; do
  [ -f "$win/$f" ] || { echo "idle: $win/$f is missing (build first)" >&2; exit 1; }
done

# A prefix of its own: its wineserver then serves nothing but what is measured.
export TROVANTO_WINEPREFIX="${TROVANTO_WINEPREFIX:-$root/build/wineprefix-bench}"
. "$root/scripts/wine-env.sh"

server_pid() {
  local dir p
  [ -d "$WINEPREFIX" ] || return 1
  dir="$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")"
  for p in /proc/[0-9]*; do
    case "$(readlink "$p/cwd" 2>/dev/null)" in */"$dir") echo "${p#/proc/}"; return 0 ;; esac
  done
  return 1
}

# What this script brings up, it takes down; a caller's display and server stay.
display_was_up=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then display_was_up=1; fi
server_was_up=0
if server_pid >/dev/null; then server_was_up=1; fi
trovanto_wine_up
if [ "$display_was_up" = 0 ]; then
  trap trovanto_wine_down EXIT
elif [ "$server_was_up" = 0 ]; then
  trap 'wineserver -k >/dev/null 2>&1 </dev/null || true' EXIT
fi

drive="$root/build/bench-drive-idle"
"$root/scripts/demo-drive" "$drive" "$win"
cp "$win/bench-win/minimal_tick.exe" "$drive/"
trovanto_map_drive u "$drive"

driver="$win/bench-win/startup_driver.exe"
remote="$win/tests/e2e/remote.exe"
log="$root/build/bench-idle.log"
: >"$log"
hz="$(getconf CLK_TCK)"

# Wine programs are never run inside $(...) or a pipe (see DESIGN.md): their
# helper processes would keep the pipe open.
quiet_wine() { wine "$@" </dev/null >>"$log" 2>&1; }

# The process whose command line starts with the given Windows path, in our prefix.
program_pid() {
  local want="$1" p first
  for p in /proc/[0-9]*; do
    [ -r "$p/cmdline" ] || continue
    first="$(tr '\0' '\n' 2>/dev/null <"$p/cmdline" | head -n 1)" || continue
    [ "$first" = "$want" ] || continue
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "$p/environ" 2>/dev/null || continue
    echo "${p#/proc/}"
    return 0
  done
  return 1
}

# utime + stime in clock ticks, all threads included.
cpu_ticks() {
  local s
  s="$(cat "/proc/$1/stat")"
  s="${s##*) }"
  # shellcheck disable=SC2086
  set -- $s
  echo $((${12} + ${13}))
}

# Asks the program to end as a user would, a few times if need be; as a last
# resort the process (started by this script) is killed by its id.
stop_program() {
  local name="$1" pid="$2" attempt i
  for attempt in 1 2 3; do
    if [ "$name" = launcher ]; then
      quiet_wine "$remote" quit || true
    else
      quiet_wine "$driver" close TrovantoBenchTick || true
    fi
    for i in $(seq 1 100); do
      [ -d "/proc/$pid" ] || return 0
      sleep 0.1
    done
    echo "idle: $name did not end after request $attempt" >>"$log"
  done
  echo "idle: $name (process $pid) ignored every request to end; killing it" >&2
  kill "$pid" 2>/dev/null || true
  return 1
}

# measure NAME EXE FILE: writes "process_share server_share" in percent of one
# core to FILE (not to stdout: Wine programs run in here).
measure() {
  local name="$1" exe="$2" out="$3" pid server p0 s0 p1 s1 t0 t1
  quiet_wine "$driver" pointer 1010 750 || true
  quiet_wine start /d 'U:\' "U:\\$exe"
  if [ "$name" = launcher ]; then
    quiet_wine "$remote" wait 60000 2 || { echo "idle: the launcher did not show its window" >&2; return 1; }
  else
    quiet_wine "$driver" wait TrovantoBenchTick 60000 || { echo "idle: $exe did not show its window" >&2; return 1; }
  fi
  pid="$(program_pid "U:\\$exe")" || { echo "idle: no process for $exe" >&2; return 1; }
  server="$(server_pid)" || { echo "idle: no wineserver for $WINEPREFIX" >&2; return 1; }
  # The start-up work (and the first full gauge drawing) stays out of the sample.
  sleep "$settle"
  p0="$(cpu_ticks "$pid")"; s0="$(cpu_ticks "$server")"; t0="$(date +%s.%N)"
  sleep "$seconds"
  p1="$(cpu_ticks "$pid")"; s1="$(cpu_ticks "$server")"; t1="$(date +%s.%N)"
  stop_program "$name" "$pid"
  awk -v p="$((p1 - p0))" -v s="$((s1 - s0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" \
    'BEGIN { w = t1 - t0; printf "%.3f %.3f\n", 100 * p / hz / w, 100 * s / hz / w }' >"$out"
}

echo "idle: ${seconds} s per program, pointer off the window"
measure launcher trovanto.exe "$log.launcher"
measure minimal minimal_tick.exe "$log.baseline"
read -r lp ls <"$log.launcher"
read -r bp bs <"$log.baseline"
awk -v lp="$lp" -v ls="$ls" -v bp="$bp" -v bs="$bs" 'BEGIN {
  printf "  %-9s process %6.3f%%  wineserver %6.3f%%  together %6.3f%% of one core\n", "launcher", lp, ls, lp + ls
  printf "  %-9s process %6.3f%%  wineserver %6.3f%%  together %6.3f%% of one core\n", "baseline", bp, bs, bp + bs
  ratio = (bp + bs) > 0 ? (lp + ls) / (bp + bs) : 0
  printf "RESULT idle launcher_process=%.3f launcher_server=%.3f baseline_process=%.3f baseline_server=%.3f ratio=%.3f\n", lp, ls, bp, bs, ratio
}'
