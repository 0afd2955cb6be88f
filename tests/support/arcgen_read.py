#!/usr/bin/env python3
"""Reads an ARC generate line file as the format is published, apart from
the program's own reader: a line is an ID line, then one "x,y" (or "x y")
line a vertex, then END; the file ends with a second END. Prints one line a
feature: its ID, then its vertices as "x y" pairs separated by commas, in
the shortest form Python gives each number."""
import re
import sys


def numbers(line):
    return [float(v) for v in re.split(r"[,\s]+", line.strip()) if v]


def read(path):
    features, current = [], None
    with open(path, "rb") as f:
        for raw in f.read().decode("ascii").splitlines():
            line = raw.strip()
            if not line:
                continue
            if line.upper() == "END":
                if current is None:
                    return features  # the END after the last line
                features.append(current)
                current = None
            elif current is None:
                current = (line.split()[0], [])
            else:
                x, y = numbers(line)[:2]
                current[1].append((x, y))
    raise SystemExit("the file ends without its closing END")


def short(v):
    return repr(int(v)) if v == int(v) else repr(v)


for ident, vertices in read(sys.argv[1]):
    print(ident, ",".join(short(x) + " " + short(y) for x, y in vertices))
