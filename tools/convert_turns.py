#!/usr/bin/env python3
"""Whole-sheet outline conversions by turns, against potrace in the same run.

    tools/convert_turns.py ROUNDS SHEETS THREADS PROGRAM...
    tools/convert_turns.py 4 scan,grid 1,2,3,8 old/qzn build-release/qzn

For every round and sheet: potrace on SHEET.pbm, then each PROGRAM on
SHEET.tif (qzn -i SHEET.tif -o /tmp/convert-turns.gen -b) at every thread
count of THREADS (QZN_THREADS), one after the other, so a busy machine
slows all of them alike. Prints per sheet, thread count and program the
least and the median wall time, the range of peak resident memory over the
sheet's 8-bit image (width x height bytes, read from the TIFF) and the
least time over potrace's least. The .pbm is the sheet's ink (below 128)
as set bits, as bench_convert gives it to potrace:

    bench/scangen --scanned-sheet --lzw -o scan.tif
    bench/scangen --scanned-sheet --pbm -o scan.pbm
"""
import os
import statistics
import struct
import subprocess
import sys
import time


def tiff_size(path):
    """Width and height of the first image of a TIFF."""
    with open(path, 'rb') as f:
        data = f.read()
    order = '<' if data[:2] == b'II' else '>'
    (ifd,) = struct.unpack(order + 'I', data[4:8])
    (count,) = struct.unpack(order + 'H', data[ifd:ifd + 2])
    size = {}
    for i in range(count):
        tag, kind, _, value = struct.unpack(order + 'HHI4s', data[ifd + 2 + 12 * i:ifd + 14 + 12 * i])
        if tag in (256, 257):
            size[tag] = struct.unpack(order + ('H' if kind == 3 else 'I'), value[:2 if kind == 3 else 4])[0]
    return size[256], size[257]


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    rounds, sheets, threads, programs = int(sys.argv[1]), sys.argv[2].split(','), sys.argv[3].split(','), sys.argv[4:]
    out = '/tmp/convert-turns.gen'
    times, peaks, potrace = {}, {}, {}
    for _ in range(rounds):
        for sheet in sheets:
            t0 = time.perf_counter()
            subprocess.run(['potrace', '-b', 'svg', '-o', '/tmp/convert-turns.svg', sheet + '.pbm'], check=True)
            potrace.setdefault(sheet, []).append(time.perf_counter() - t0)
            for t in threads:
                for program in programs:
                    env = dict(os.environ, QZN_THREADS=t)
                    t0 = time.perf_counter()
                    pid = os.posix_spawn(program, [program, '-i', sheet + '.tif', '-o', out, '-b'], env)
                    _, status, usage = os.wait4(pid, 0)
                    seconds = time.perf_counter() - t0
                    if status != 0:
                        sys.exit(f'{program} failed on {sheet} with {t} threads')
                    times.setdefault((sheet, t, program), []).append(seconds)
                    peaks.setdefault((sheet, t, program), []).append(usage.ru_maxrss * 1024)
    for sheet in sheets:
        w, h = tiff_size(sheet + '.tif')
        least_potrace = min(potrace[sheet])
        print(f'{sheet}: potrace least {least_potrace:.3f} s, median {statistics.median(potrace[sheet]):.3f} s')
        for t in threads:
            for program in programs:
                v, p = times[(sheet, t, program)], peaks[(sheet, t, program)]
                print(f'  {t:>2} threads {program:32s} least {min(v):.3f} s  median {statistics.median(v):.3f} s  '
                      f'peak/image {min(p) / (w * h):.2f}-{max(p) / (w * h):.2f}  /potrace {min(v) / least_potrace:.3f}')


if __name__ == '__main__':
    main()
