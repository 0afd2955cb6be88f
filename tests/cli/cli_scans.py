"""Scans of known lines for the command-line tests, and the check of the
lines the program wrote.

  cli_scans.py make <dir>            writes the scans and truth.json
  cli_scans.py check <dir> <name>... checks <name>.gen against the truth
  cli_scans.py geotiff <dir>         writes geo.tif (GeoTIFF), point.tif and point-rotated.tif
                                     (pixel is point) and plain.tif + plain.tfw
                                     (the same lines)

The check reads the ARC generate text itself (an ID line, "x,y" vertex lines,
"END" after every line and a final "END"), strictly: anything else fails.
Every truth line, 3 pixels in from its ends, must lie within 1.5 pixels of
the written lines, and every written vertex within 2.5 pixels of a truth line.
"""
import json
import math
import sys

import numpy as np
from PIL import Image, ImageDraw


W, H, WIDTH = 320, 240, 3


def truth_lines():
    lines = [
        [(20, 20), (300, 25)],                      # nearly horizontal
        [(30, 60), (30, 220)],                      # vertical
        [(60, 210), (290, 70)],                     # diagonal
    ]
    wave = [(70 + t, 120 + 25 * math.sin(t / 22.0)) for t in range(0, 200, 4)]
    lines.append(wave)
    ring = [(230 + 35 * math.cos(a / 40.0 * 2 * math.pi), 170 + 35 * math.sin(a / 40.0 * 2 * math.pi))
            for a in range(41)]
    lines.append(ring)
    return lines


def draw(lines):
    img = Image.new("L", (W, H), 255)
    d = ImageDraw.Draw(img)
    for line in lines:
        d.line(line, fill=0, width=WIDTH, joint="curve")
    return img


def make(folder):
    lines = truth_lines()
    grey = draw(lines)
    bilevel = grey.point(lambda v: 255 if v > 127 else 0).convert("1")
    grey.save(f"{folder}/grey.tif", compression="tiff_lzw")
    bilevel.save(f"{folder}/bilevel.tif", compression="group4")
    grey.save(f"{folder}/grey.bmp")
    bilevel.save(f"{folder}/bilevel.bmp")
    grey.save(f"{folder}/grey.png")
    bilevel.save(f"{folder}/bilevel.png")
    grey.convert("RGB").save(f"{folder}/colour.png")
    with open(f"{folder}/truth.json", "w") as f:
        json.dump(lines, f)


def read_generate(path):
    text = open(path, "rb").read().decode("ascii")
    rows = [r.strip() for r in text.replace("\r\n", "\n").split("\n")]
    assert rows[-1] == "", "file must end with a line end"
    rows = rows[:-1]
    assert rows and rows[-1] == "END", "file must end with END"
    lines, i = [], 0
    while rows[i] != "END":
        int(rows[i])  # the ID
        i += 1
        pts = []
        while rows[i] != "END":
            x, y = rows[i].split(",")
            pts.append((float(x), float(y)))
            i += 1
        assert len(pts) >= 2, "a line of fewer than 2 vertices"
        lines.append(pts)
        i += 1
    assert i == len(rows) - 1, "text after the final END"
    return lines


def polyline_distances(points, line):
    """Distance from each point (N x 2) to a polyline."""
    pts = np.asarray(points, float)
    a = np.asarray(line[:-1], float)
    b = np.asarray(line[1:], float)
    ab = b - a
    l2 = np.maximum((ab ** 2).sum(1), 1e-12)
    t = np.clip(((pts[:, None, :] - a[None]) * ab[None]).sum(2) / l2[None], 0, 1)
    proj = a[None] + t[..., None] * ab[None]
    return np.sqrt(((proj - pts[:, None, :]) ** 2).sum(2)).min(1)


def sample(line, step=1.0, trim=3.0):
    out, walked = [], 0.0
    for (x0, y0), (x1, y1) in zip(line[:-1], line[1:]):
        n = max(1, int(math.hypot(x1 - x0, y1 - y0) / step))
        for k in range(n):
            out.append((x0 + (x1 - x0) * k / n, y0 + (y1 - y0) * k / n))
    closed = line[0] == line[-1] or math.dist(line[0], line[-1]) < 1e-6
    return out if closed else out[int(trim):len(out) - int(trim)]


def check(folder, names):
    truth = json.load(open(f"{folder}/truth.json"))
    bad = []
    for name in names:
        try:
            got = read_generate(f"{folder}/{name}.gen")
        except Exception as e:  # noqa: BLE001
            bad.append(f"{name}: unreadable generate text: {e}")
            continue
        for k, line in enumerate(truth):
            pts = np.asarray(sample(line))
            d = np.min([polyline_distances(pts, g) for g in got], axis=0)
            if d.max() > 1.5:
                bad.append(f"{name}: truth line {k} missed by {d.max():.2f} px")
        verts = np.asarray([p for g in got for p in g])
        d = np.min([polyline_distances(verts, t) for t in truth], axis=0)
        if d.max() > 2.5:
            bad.append(f"{name}: a written vertex lies {d.max():.2f} px from every line")
    print("\n".join(bad) if bad else "OK")


def geotiff(folder):
    from osgeo import gdal, osr
    arr = np.asarray(draw(truth_lines()))
    srs = osr.SpatialReference()
    srs.ImportFromEPSG(32650)
    gt = (500000.0, 2.5, 0.0, 4400000.0, 0.0, -2.5)
    drv = gdal.GetDriverByName("GTiff")
    ds = drv.Create(f"{folder}/geo.tif", W, H, 1, gdal.GDT_Byte)
    ds.SetGeoTransform(gt)
    ds.SetProjection(srs.ExportToWkt())
    ds.GetRasterBand(1).WriteArray(arr)
    ds = None
    # The same as "pixel is point": GDAL writes the tie point at the centre
    # of the top-left pixel; and a rotated one, which takes the model
    # transformation tag.
    for name, point_gt in (("point", gt), ("point-rotated", (500000.0, 2.5, 0.4, 4400000.0, 0.3, -2.5))):
        ds = drv.Create(f"{folder}/{name}.tif", W, H, 1, gdal.GDT_Byte)
        ds.SetMetadataItem("AREA_OR_POINT", "Point")
        ds.SetGeoTransform(point_gt)
        ds.SetProjection(srs.ExportToWkt())
        ds.GetRasterBand(1).WriteArray(arr)
        ds = None
    # No georeference inside; a world file beside it names the centre of
    # the top-left pixel.
    ds = drv.Create(f"{folder}/plain.tif", W, H, 1, gdal.GDT_Byte)
    ds.GetRasterBand(1).WriteArray(arr)
    ds = None
    with open(f"{folder}/plain.tfw", "w") as f:
        f.write("0.5\n0.0\n0.0\n-0.5\n300000.25\n199999.75\n")


if __name__ == "__main__":
    cmd, folder = sys.argv[1], sys.argv[2]
    if cmd == "make":
        make(folder)
    elif cmd == "check":
        check(folder, sys.argv[3:])
    elif cmd == "geotiff":
        geotiff(folder)
