#!/usr/bin/env python3
"""Reads a qzn project file (.prj) and prints what it holds, one item a line.

Written from the stored layout alone, as a check on the program's writer:
little-endian; counts as uint16 (0xFFFF then uint32); strings with a 1-byte
length (0xFF then uint16, 0xFF 0xFFFF then uint32) in code page 936; objects
behind uint16 tags (0xFFFF new class with schema and name, 0x8000|i a class
seen before, 0x7FFF then uint32 once indexes reach 0x7FFF, 0x80000000 marking
classes); one index counter from 1 over classes and objects.
"""
import struct
import sys


class Reader:
    def __init__(self, data):
        self.data = data
        self.pos = 0
        self.objects = [None]  # index -> class name or object marker
        self.is_class = [False]

    def take(self, n):
        if self.pos + n > len(self.data):
            raise ValueError("end of data at %d (+%d)" % (self.pos, n))
        b = self.data[self.pos:self.pos + n]
        self.pos += n
        return b

    def unpack(self, fmt):
        return struct.unpack("<" + fmt, self.take(struct.calcsize("<" + fmt)))

    def u8(self): return self.unpack("B")[0]
    def u16(self): return self.unpack("H")[0]
    def i32(self): return self.unpack("i")[0]
    def u32(self): return self.unpack("I")[0]
    def f32(self): return self.unpack("f")[0]
    def f64(self): return self.unpack("d")[0]

    def count(self):
        n = self.u16()
        return self.u32() if n == 0xFFFF else n

    def string(self):
        n = self.u8()
        if n == 0xFF:
            n = self.u16()
            if n == 0xFFFF:
                n = self.u32()
        return self.take(n).decode("gbk")

    def obj(self, expected, body):
        """One tagged object; body(reader) reads its record."""
        tag = self.u16()
        if tag == 0:
            return None
        if tag == 0x7FFF:
            big = self.u32()
            is_class = bool(big & 0x80000000)
            index = big & 0x7FFFFFFF
        elif tag == 0xFFFF:
            schema = self.u16()
            name = self.take(self.u16()).decode("ascii")
            assert schema == 1, (name, schema)
            self.objects.append(name)
            self.is_class.append(True)
            assert name == expected, (name, expected)
            return self._new_object(body)
        else:
            is_class = bool(tag & 0x8000)
            index = tag & 0x7FFF
        if not is_class:
            raise ValueError("back-reference to object %d" % index)
        assert self.is_class[index] and self.objects[index] == expected, (index, expected)
        return self._new_object(body)

    def _new_object(self, body):
        self.objects.append("object")
        self.is_class.append(False)
        return body(self)


def id_colours(r):
    tag = r.u16()
    if tag != 1111:
        return []
    return [(r.i32(), r.i32(), r.u32()) for _ in range(r.u32())]


def chain(r):
    assert r.i32() == 98765432
    r.unpack("4i")
    r.u16(); r.u16(); r.f32(); r.u32(); layer = r.i32()
    n = r.count()
    pts = [r.unpack("2f") for _ in range(n)]
    return (layer, pts)


def chain_list(r):
    lines = [r.obj("CChain", chain) for _ in range(r.count())]
    assert r.u16() == 55555
    r.f32(); r.u16(); r.f32(); r.u16(); r.u16(); r.u16()
    id_colours(r)
    return lines


def point_list(r):
    assert r.i32() == 99999992
    r.f32(); r.f32(); r.u16(); r.u16(); r.i32()
    if r.u16():
        r.take(60)
    r.i32()
    id_colours(r)
    pts = []
    for _ in range(r.i32()):
        r.u16(); value = r.f32(); r.i32(); layer = r.i32(); x, y = r.unpack("2f")
        pts.append((x, y, value, layer))
    return pts


def box_list(r):
    r.i32(); r.i32(); r.string()
    return [(r.i32(), r.unpack("4i"), r.u16()) for _ in range(r.i32())]


def char_sig(r):
    code = r.u16(); w = r.i32(); h = r.i32()
    r.take(w * h)
    return code


def note(r):
    rect = r.unpack("4i")
    text = r.string()
    r.u32()
    return text


def note_list(r):
    notes = [r.obj("CNote", note) for _ in range(r.count())]
    r.i32(); r.string()
    if r.u16():
        r.take(60)
    return notes


def main(path):
    with open(path, "rb") as f:
        r = Reader(f.read())
    out = []
    extent = r.unpack("4i"); r.unpack("4i")
    version = r.i32(); r.f32(); threshold = r.u32()
    paths = [r.string() for _ in range(9)]
    r.u16()
    out.append(("version", version))
    out.append(("extent", " ".join(map(str, extent))))
    out.append(("threshold", "%d %d" % (threshold >> 16, threshold & 0xFFFF)))
    out.append(("image", paths[3]))
    if version >= 4:
        r.i32(); r.i32()
    if version >= 3:
        lines = chain_list(r)
        out.append(("lines", len(lines)))
        out.append(("line_points", sum(len(l[1]) for l in lines)))
        out.append(("points", len(point_list(r))))
        cps = [r.obj("CControlPt", lambda q: q.unpack("4d")) for _ in range(r.count())]
        out.append(("control_points", len(cps)))
        out.append(("text_blocks", len(box_list(r))))
        out.append(("cross_marks", len(box_list(r))))
        codes = [r.obj("CChar", char_sig) for _ in range(r.count())]
        r.i32(); r.i32(); r.string(); r.string()
        out.append(("chars", "".join(chr(c) for c in codes)))
        out.append(("notes", "|".join(note_list(r))))
        terms = r.i32()
        world = r.unpack("6d")
        out.append(("world", " ".join("%g" % v for v in world)))
        out.append(("hidden_lines", len(chain_list(r))))
        out.append(("hidden_points", len(point_list(r))))
        out.append(("hidden_notes", "|".join(note_list(r))))
        layers = []
        for _ in range(r.u32()):
            r.unpack("5i"); r.u32()
            layers.append(r.string())
        out.append(("layers", "|".join(layers)))
    if version >= 5:
        id_colours(r); id_colours(r)
    if version >= 6:
        out.append(("line_tool", " ".join(str(r.i32()) for _ in range(5))))
    if version >= 7:
        out.append(("decimal_ids", r.i32()))
    if version >= 8:
        classes = 0
        if r.i32() == 1000:
            classes = r.count()
            r.take(24 * classes)
        out.append(("color_classes", classes))
    out.append(("bytes_left", len(r.data) - r.pos))
    sys.stdout.buffer.write("".join("%s %s\n" % kv for kv in out).encode("utf-8"))


if __name__ == "__main__":
    main(sys.argv[1])
