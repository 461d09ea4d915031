#!/usr/bin/env python3
"""Bytes a program read from the benchmark drive, from an strace log.

usage: read_bytes.py TRACE DRIVE_DIR COMM EXE

TRACE is written by `strace -f -y -Y -e trace=read,pread64,readv,preadv,mmap,mmap2`
around one start: -y names each descriptor's file, -Y each thread's command
name, which Wine sets to the Windows program's file name (COMM, for example
trovanto.exe). Counted are the bytes that COMM's threads read from files
below DRIVE_DIR, and of each such file they mapped the pages a lookup
touches (for a program whose icon is taken, its headers and resources). The
program file EXE itself is counted whole instead, since Windows copies the
whole image from a removable drive before it starts it (the run-from-swap
flags), whatever Wine does. Prints one RESULT line for bench/report.
"""
import os
import re
import struct
import sys

trace, drive, comm, exe = sys.argv[1:5]
# A call another thread interrupted is logged in two halves:
# 1234<trovanto.exe> read(7</path/file>,  <unfinished ...>
# 1234<trovanto.exe> <... read resumed>"..."..., 4096) = 4096
drive = os.path.realpath(drive)
exe = os.path.realpath(exe)

# 1234<trovanto.exe> pread64(7</path/file>, ..., 4096, 0) = 4096
call = re.compile(r"^(?P<tid>\d+)<(?P<comm>[^>]*)>\s+(?P<name>\w+)\((?P<args>.*)\)\s+=\s+(?P<result>-?\d+|0x[0-9a-f]+)")
unfinished = re.compile(r"^(?P<tid>\d+)<(?P<comm>[^>]*)>\s+(?P<name>\w+)\((?P<args>.*)<unfinished \.\.\.>")
resumed = re.compile(r"^(?P<tid>\d+)<(?P<comm>[^>]*)>\s+<\.\.\. (?P<name>\w+) resumed>(?P<args>.*)\)\s+=\s+(?P<result>-?\d+|0x[0-9a-f]+)")
pending = {}
fd_path = re.compile(r"(?:^|, )-?\d+<(?P<path>/[^>]*)>")
read_bytes = 0
read_per_file = {}
mapped = {}
files = set()
with open(trace, errors="replace") as log:
    for line in log:
        m = call.match(line)
        if m:
            args = m.group("args")
        else:
            u = unfinished.match(line)
            if u:
                pending[u.group("tid")] = u.group("args")
                continue
            m = resumed.match(line)
            if not m:
                continue
            args = pending.pop(m.group("tid"), "") + m.group("args")
        if m.group("comm") != comm:
            continue
        name, result = m.group("name"), m.group("result")
        p = fd_path.search(args)
        if not p:
            continue
        path = os.path.realpath(p.group("path"))
        if not path.startswith(drive + os.sep) or path == exe:
            continue
        if name in ("read", "pread64", "readv", "preadv"):
            got = int(result)
            if got > 0:
                read_bytes += got
                read_per_file[path] = read_per_file.get(path, 0) + got
                files.add(path)
        elif name in ("mmap", "mmap2") and not result.startswith("-"):
            # mmap(addr, length, prot, flags, fd, offset): a mapping may read
            # any page of it; taken whole, once per file.
            fields = [f.strip() for f in args.split(",")]
            try:
                length = int(fields[1], 0)
            except (IndexError, ValueError):
                continue
            mapped[path] = max(mapped.get(path, 0), length)
            files.add(path)

def touched(path, length):
    """What a mapping of `path` reads: for a program mapped to take its icon,
    its headers and its resource section (the pages an icon lookup touches);
    for anything else the whole mapping."""
    page = 4096
    try:
        with open(path, "rb") as f:
            data = f.read(page)
            if data[:2] != b"MZ":
                return length
            pe = struct.unpack_from("<I", data, 0x3C)[0]
            sections, optional = struct.unpack_from("<HxxxxxxxxxxxxH", data, pe + 6)
            table = pe + 24 + optional
            for i in range(sections):
                name, _, _, raw_size, raw_at = struct.unpack_from("<8sIIII", data, table + 40 * i)
                if name.rstrip(b"\0") == b".rsrc":
                    first = raw_at // page * page
                    last = (raw_at + raw_size + page - 1) // page * page
                    return min(length, page + last - first)
    except (OSError, struct.error):
        pass
    return length


# Each file the start touched, largest first, so that a growing figure names
# its cause.
for path in sorted(files, key=lambda f: -(read_per_file.get(f, 0) + touched(f, mapped.get(f, 0)))):
    print("  %-60s read %8d  mapped %8d" % (os.path.relpath(path, drive), read_per_file.get(path, 0),
                                             touched(path, mapped[path]) if path in mapped else 0))
exe_bytes = os.path.getsize(exe)
mapped_bytes = sum(touched(path, length) for path, length in mapped.items())
other = read_bytes + mapped_bytes
total = exe_bytes + other
print("RESULT read_bytes total=%d exe=%d files=%d file_count=%d read=%d mapped=%d ms_10=%.1f ms_30=%.1f"
      % (total, exe_bytes, other, len(files), read_bytes, mapped_bytes, total / 10e6 * 1000, total / 30e6 * 1000))
