"""Expected values of dBASE expressions, computed in Python.

  dbf_expr_oracle.py CASES.json

CASES.json: {"fields": {name: python value}, "cases": [python expression, ...],
             "sort": [number, ...]}. Prints one line a case: "N:%.17g", "L:T"
or "L:F", "C:[text]" or "D:[CCYYMMDD]"; then, when "sort" is given, one line
with the numbers in ascending order.
"""
import datetime
import json
import re
import sys


def ceq(a, b):
    """Texts are equal over their common length when the first is not shorter."""
    n = min(len(a), len(b))
    return a[:n] == b[:n] and len(a) >= len(b)


def clt(a, b):
    n = min(len(a), len(b))
    return a[:n] < b[:n] or (a[:n] == b[:n] and len(a) < len(b))


def cminus(a, b):
    keep = len(a.rstrip(" "))
    return a[:keep] + b + " " * (len(a) - keep)


def STR(x, width=10, decimals=0):
    width, decimals = int(width), int(decimals)
    s = f"{x:.{decimals}f}"
    return "*" * width if len(s) > width else s.rjust(width)


def SUBSTR(s, start, length=32767):
    start = max(int(start), 1) - 1
    return s[start:start + max(int(length), 0)]


def VAL(s):
    m = re.match(r"\s*([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)", s[:49])
    return float(m.group(1)) if m else 0.0


def jd(d):
    return d.toordinal() + 1721425


def stod(s):
    return datetime.date(int(s[:4]), int(s[4:6]), int(s[6:8]))


def dtoc(d):
    return f"{d.month:02d}/{d.day:02d}/{d.year % 100:02d}"


def ctod(s):
    return datetime.date(1900 + int(s[6:8]), int(s[0:2]), int(s[3:5]))


def show(v):
    if isinstance(v, bool):
        return "L:" + ("T" if v else "F")
    if isinstance(v, (int, float)):
        return "N:" + format(float(v), ".17g")
    if isinstance(v, datetime.date):
        return "D:[" + v.strftime("%Y%m%d") + "]"
    return "C:[" + v + "]"


def main():
    table = json.load(open(sys.argv[1], encoding="utf-8"))
    env = dict(globals())
    for name, value in table["fields"].items():
        env[name] = stod(value[1:]) if isinstance(value, str) and value.startswith("@") else value
    env["today"] = datetime.date.today()
    out = [show(eval(case, env)) for case in table["cases"]]
    if table.get("sort"):
        out.append(" ".join(format(x, ".17g") for x in sorted(table["sort"])))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
