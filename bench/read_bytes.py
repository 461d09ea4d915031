#!/usr/bin/env python3
"""Bytes a program read from the benchmark drive, from an strace log.

usage: read_bytes.py TRACE DRIVE_DIR COMM EXE

TRACE is written by `strace -f -y -Y -e trace=read,pread64,readv,preadv,mmap`
around one start: -y names each descriptor's file, -Y each thread's command
name, which Wine sets to the Windows program's file name (COMM, for example
trovanto.exe). Counted are the bytes that COMM's threads read from files
below DRIVE_DIR, and the full length of every such file they mapped. The
program file EXE itself is counted whole instead, since Windows copies the
whole image from a removable drive before it starts it (the run-from-swap
flags), whatever Wine does. Prints one RESULT line for bench/report.
"""
import os
import re
import sys

trace, drive, comm, exe = sys.argv[1:5]
drive = os.path.realpath(drive)
exe = os.path.realpath(exe)

# 1234<trovanto.exe> pread64(7</path/file>, ..., 4096, 0) = 4096
call = re.compile(r"^\d+<(?P<comm>[^>]*)>\s+(?P<name>\w+)\((?P<args>.*)\)\s+=\s+(?P<result>-?\d+|0x[0-9a-f]+)")
fd_path = re.compile(r"(?:^|, )-?\d+<(?P<path>/[^>]*)>")
read_bytes = 0
mapped = {}
files = set()
with open(trace, errors="replace") as log:
    for line in log:
        m = call.match(line)
        if not m or m.group("comm") != comm:
            continue
        name, args, result = m.group("name"), m.group("args"), m.group("result")
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

exe_bytes = os.path.getsize(exe)
other = read_bytes + sum(mapped.values())
total = exe_bytes + other
print("RESULT read_bytes total=%d exe=%d files=%d file_count=%d ms_10=%.1f ms_30=%.1f"
      % (total, exe_bytes, other, len(files), total / 10e6 * 1000, total / 30e6 * 1000))
