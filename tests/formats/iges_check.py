# Checks an IGES file against the fixed-column layout of IGES 5.3 and prints
# its Copious Data entities. Usage: iges_check.py FILE
#
# Every record: 80 columns and a line feed; column 73 the section letter
# (Start, Global, Directory Entry, Parameter Data, Terminate, in that order);
# columns 74-80 the record's sequence number in its section, from 1. The
# Global section's parameters are read with Hollerith strings counted in
# bytes. Each Directory Entry is two records of nine 8-column fields; its
# parameter pointer, its record count and the Parameter Data back pointers
# (columns 65-72) must agree. The Terminate record counts every section.
import sys

data = open(sys.argv[1], "rb").read()
assert data.endswith(b"\n") and b"\r" not in data, "records end in a line feed alone"
records = data.split(b"\n")[:-1]
sections = {}
order = []
for i, r in enumerate(records):
    assert len(r) == 80, "record %d has %d columns" % (i + 1, len(r))
    letter = chr(r[72])
    seq = int(r[73:80])
    assert r[73:80] == b"%7d" % seq, "sequence right-aligned: %r" % r[73:80]
    if not order or order[-1] != letter:
        assert letter not in order, "section %s split" % letter
        order.append(letter)
    sections.setdefault(letter, []).append(r)
    assert seq == len(sections[letter]), "sequence of %s runs from 1" % letter
assert order == ["S", "G", "D", "P", "T"], order


def params(text):
    """Splits free-format parameters; Hollerith strings are kept whole."""
    out, i, cur = [], 0, b""
    while i < len(text):
        c = text[i:i + 1]
        if c in b",;":
            out.append(cur)
            cur = b""
            i += 1
            if c == b";":
                return out
            continue
        if c == b"H" and cur.strip().isdigit():
            n = int(cur)
            cur = b"H" + text[i + 1:i + 1 + n]
            i += 1 + n
            assert len(cur) == n + 1 and text[i:i + 1] in (b",", b";"), "Hollerith count %d" % n
            continue
        cur += c
        i += 1
    raise AssertionError("parameters not terminated")


glob = params(b"".join(r[:72] for r in sections["G"]))
assert len(glob) >= 24, len(glob)
assert glob[2] == b"HQZN", glob[2]
max_coord = float(glob[19].replace(b"D", b"E"))

de = sections["D"]
pd = sections["P"]
assert len(de) % 2 == 0
entities = []
for k in range(0, len(de), 2):
    a, b = de[k], de[k + 1]
    fa = [a[j:j + 8] for j in range(0, 72, 8)]
    fb = [b[j:j + 8] for j in range(0, 72, 8)]
    assert int(fa[0]) == 106 and int(fb[0]) == 106
    start, structure, level = int(fa[1]), int(fa[2]), int(fa[4])
    assert structure == 0, "no structure"
    assert fa[8].isdigit() and len(fa[8]) == 8, "status digits %r" % fa[8]
    colour, count, form = int(fb[2]), int(fb[3]), int(fb[4])
    assert form == 12, "form 12: x, y, z triples"
    own = pd[start - 1:start - 1 + count]
    assert len(own) == count
    for r in own:
        assert r[64:65] == b" " and int(r[64:72]) == k + 1, "back pointer %r" % r[64:72]
    others = [r for r in pd if int(r[64:72]) == k + 1]
    assert len(others) == count, "every record of the entity is counted"
    p = params(b"".join(r[:64] for r in own))
    assert p[0] == b"106" and p[1] == b"2"
    n = int(p[2])
    xyz = [float(v) for v in p[3:]]
    assert len(xyz) == 3 * n
    assert all(abs(v) <= max_coord for v in xyz), "maximum coordinate"
    entities.append((level, colour, count, xyz))

t = sections["T"][0]
assert t[:32] == b"S%7dG%7dD%7dP%7d" % (len(sections["S"]), len(sections["G"]), len(de), len(pd)), t[:32]
assert t[32:72] == b" " * 40
print("G", len(sections["G"]), "D", len(de), "P", len(pd), "max", glob[19].decode())
for level, colour, count, xyz in entities:
    pts = " ".join("%.3f,%.3f,%.3f" % tuple(xyz[i:i + 3]) for i in range(0, len(xyz), 3))
    print(level, colour, count, pts)
