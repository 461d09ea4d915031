#!/usr/bin/env bash
# Start-up time and peak memory of the launcher with hostile pictures on the
# drive, against the same launcher with ordinary icon files, in one run:
#  - PNG icons of 8192 x 8192 pixels (about 260 KB each on disk),
#  - icon files holding one 1024 x 1024 image,
#  - icon files whose directory points far past their end,
#  - icon files of 200 MB whose first image is an ordinary 32 x 32 one,
#  - and a skin of the window's size behind a 64 MB chunk nobody reads.
# Each kind three times, so that every entry reads a file of its own.
#
# Usage: bench/hostile.sh [WINDOWS_BUILD_DIR] [LAUNCHER_EXE]
# (default build/win and its trovanto.exe; LAUNCHER_EXE times another build of
# the launcher with the same driver). TROVANTO_BENCH_RUNS: runs (default 5).
# The last lines start with "RESULT" for bench/report.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
win="$(cd "${1:-$root/build/win}" && pwd)"
launcher="${2:-$win/trovanto.exe}"
runs="${TROVANTO_BENCH_RUNS:-5}"
for f in "$launcher" "$win/tests/e2e/demo_program.exe" "$win/bench-win/startup_driver.exe" \
  "$win/bench-win/minimal_window.exe"; do
  [ -f "$f" ] || { echo "hostile: $f is missing (build first)" >&2; exit 1; }
done

drive="$root/build/bench-hostile-drive"
"$root/scripts/demo-drive" "$drive" "$win"
cp "$launcher" "$drive/trovanto.exe"
python3 - "$drive" <<'PY'
import os, struct, sys, zlib
drive = sys.argv[1]
out = os.path.join(drive, "Feindlich")
os.makedirs(out, exist_ok=True)
os.makedirs(os.path.join(drive, "Skins", "Feindlich"), exist_ok=True)

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

def png(width, height, padding=0):
    z = zlib.compressobj(9)
    row = b"\0" + b"\x20\x40\xc0\xff" * width
    data = b"".join(z.compress(row) for _ in range(height)) + z.flush()
    head = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    pad = chunk(b"prVt", b"\0" * padding) if padding else b""
    return head + pad + chunk(b"IDAT", data) + chunk(b"IEND", b"")

def bitmap_image(side):
    header = struct.pack("<IiiHHIIiiII", 40, side, 2 * side, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"\x40\x80\x20\xff" * (side * side) + b"\0" * ((side + 31) // 32 * 4 * side)

def icon(images, sides):
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for image, side in zip(images, sides):
        directory += struct.pack("<BBBBHHII", side % 256, side % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)

huge_png = png(8192, 8192)
huge_ico = icon([bitmap_image(1024)], [256])
lying = bytearray(icon([bitmap_image(16), bitmap_image(16)], [16, 16]))
lying[6 + 16 + 12:6 + 16 + 16] = struct.pack("<I", 0x7FFFFF00)
padded = icon([bitmap_image(32)], [32])
for n in range(3):
    open(os.path.join(out, "gross%d.png" % n), "wb").write(huge_png)
    open(os.path.join(out, "gross%d.ico" % n), "wb").write(huge_ico)
    open(os.path.join(out, "luegt%d.ico" % n), "wb").write(bytes(lying))
    with open(os.path.join(out, "lang%d.ico" % n), "wb") as f:
        f.write(padded)
        f.truncate(200 << 20)
open(os.path.join(drive, "Skins", "Feindlich", "skin.png"), "wb").write(png(216, 408, 64 << 20))
PY

export TROVANTO_WINEPREFIX="${TROVANTO_WINEPREFIX:-$root/build/wineprefix-bench}"
. "$root/scripts/wine-env.sh"
display_was_up=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then display_was_up=1; fi
trovanto_wine_up
if [ "$display_was_up" = 0 ]; then trap trovanto_wine_down EXIT; fi
trovanto_map_drive h "$drive"
log="$root/build/bench-hostile.log"
# Wine programs write to files, never into a pipe (see DESIGN.md).
wine "$win/bench-win/startup_driver.exe" hostile 'H:\' "$runs" 12 </dev/null >"$log" 2>&1 || { cat "$log"; exit 1; }
cat "$log"
