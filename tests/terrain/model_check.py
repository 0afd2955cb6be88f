#!/usr/bin/env python3
"""Independent checks of the 3D model exports.

  model_check.py stl PATH
      numpy-stl: prints the facet count, then every distinct corner "x y z".
  model_check.py vrml PATH POINTS FACES
      A small VRML 2.0 checker: the header line, UTF-8 text, balanced braces
      and brackets, the Shape / Appearance / Material / IndexedFaceSet /
      Coordinate / Color nodes, POINTS points and as many colours (each in 0
      to 1), FACES triangles ending in -1, every index in range. Exits 1 with
      the reason when any of it fails.
  model_check.py dxf PATH
      ezdxf: reads the file, audits it (no errors, nothing fixed), and prints
      the number of 3DFACE entities on layer DEM, then every distinct corner.
"""
import re
import sys


def fail(reason):
    print(reason)
    sys.exit(1)


def corners_out(points):
    for p in sorted(set(points)):
        print("%r %r %r" % p)


def check_stl(path):
    import warnings

    # numpy-stl's Debian build trips a numpy deprecation warning on import.
    warnings.simplefilter("ignore")
    from stl import mesh

    m = mesh.Mesh.from_file(path)
    print(len(m.vectors))
    corners_out(tuple(float(v) for v in corner) for tri in m.vectors for corner in tri)


def block(text, keyword, opener="["):
    """The text between the bracket after keyword and its partner."""
    at = re.search(r"\b" + keyword + r"\s*" + re.escape(opener), text)
    if not at:
        fail("no '%s %s'" % (keyword, opener))
    closer = {"[": "]", "{": "}"}[opener]
    end = text.find(closer, at.end())
    if end < 0:
        fail("'%s' is not closed" % keyword)
    return text[at.end():end]


def check_vrml(path, points, faces):
    raw = open(path, "rb").read()
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        fail("not UTF-8: %s" % e)
    if not text.startswith("#VRML V2.0 utf8"):
        fail("no VRML 2.0 header line")
    body = "\n".join(line for line in text.splitlines() if not line.lstrip().startswith("#"))
    for a, b in ("{}", "[]"):
        if body.count(a) != body.count(b):
            fail("unbalanced %s%s" % (a, b))
    for node in ("Shape", "Appearance", "Material", "IndexedFaceSet", "Coordinate", "Color"):
        if not re.search(r"\b%s\s*\{" % node, body):
            fail("no %s node" % node)
    coords = [float(v) for v in block(body, "point").replace(",", " ").split()]
    colours = [float(v) for v in block(body, "color").replace(",", " ").split()]
    index = [int(v) for v in block(body, "coordIndex").replace(",", " ").split()]
    if len(coords) != 3 * points:
        fail("%d coordinates for %d points" % (len(coords), points))
    if len(colours) != 3 * points:
        fail("%d colour values for %d points" % (len(colours), points))
    if any(not 0.0 <= c <= 1.0 for c in colours):
        fail("a colour outside 0 to 1")
    if len(index) != 4 * faces:
        fail("%d indices for %d triangles" % (len(index), faces))
    for f in range(faces):
        tri = index[4 * f:4 * f + 4]
        if tri[3] != -1:
            fail("face %d does not end in -1" % f)
        if any(not 0 <= i < points for i in tri[:3]):
            fail("face %d has an index out of range: %s" % (f, tri))
        if len(set(tri[:3])) != 3:
            fail("face %d repeats a point" % f)
    print("ok")


def check_dxf(path):
    import ezdxf

    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    if auditor.has_errors or auditor.has_fixes:
        for e in auditor.errors + auditor.fixes:
            print(e.message)
        fail("audit: %d errors, %d fixes" % (len(auditor.errors), len(auditor.fixes)))
    faces = doc.modelspace().query("3DFACE")
    if any(f.dxf.layer != "DEM" for f in faces):
        fail("a face off layer DEM")
    print(len(faces))
    corners_out(tuple(float(v) for v in f[i]) for f in faces for i in range(4))


if __name__ == "__main__":
    kind = sys.argv[1]
    if kind == "stl":
        check_stl(sys.argv[2])
    elif kind == "vrml":
        check_vrml(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    else:
        check_dxf(sys.argv[2])
