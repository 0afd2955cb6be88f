#!/usr/bin/env python3
"""Makes the image-file fixtures of one group and what independent decoders
(Pillow, GDAL) make of them.

usage: make_image_fixtures.py GROUP OUTDIR

Writes the fixtures into OUTDIR and a manifest.txt with one line a fixture:
    file kind width height bits planes photometric
kind says what FILE.exp holds:
    rgb    the picture as Pillow shows it, 3 bytes a pixel
    raw8   the samples as GDAL reads them, plane after plane, 1 byte each
    raw16  16-bit samples, little-endian
bits/planes/photometric are what the reader must report ('-' for any).
"""
import os
import struct
import sys

import numpy as np
from PIL import Image

rng = np.random.default_rng(7)
out = sys.argv[2]
manifest = []


def path(name):
    return os.path.join(out, name)


def expect_rgb(name, bits, planes, photo, im=None):
    im = im if im is not None else Image.open(path(name))
    rgb = im.convert("RGB")
    with open(path(name) + ".exp", "wb") as f:
        f.write(rgb.tobytes())
    manifest.append(f"{name} rgb {im.width} {im.height} {bits} {planes} {photo}")


def expect_rgb_magick(name, w, h, bits, planes, photo):
    # ImageMagick's reading, where Pillow's is known to be wrong (RLE8 deltas).
    os.system(f"convert '{path(name)}' -depth 8 'rgb:{path(name)}.exp'")
    manifest.append(f"{name} rgb {w} {h} {bits} {planes} {photo}")


def expect_raw(name, bits, planes, photo):
    from osgeo import gdal
    ds = gdal.Open(path(name))
    arr = ds.ReadAsArray()
    if arr.ndim == 2:
        arr = arr[np.newaxis]
    kind = "raw16" if arr.dtype == np.uint16 else "raw8"
    with open(path(name) + ".exp", "wb") as f:
        f.write(arr.astype("<u2" if kind == "raw16" else np.uint8).tobytes())
    manifest.append(f"{name} {kind} {ds.RasterXSize} {ds.RasterYSize} {bits} {planes} {photo}")


def noise(h, w, c=None, levels=256):
    shape = (h, w) if c is None else (h, w, c)
    return rng.integers(0, levels, size=shape, dtype=np.uint8)


def smooth(h, w, c=None):
    y, x = np.mgrid[0:h, 0:w]
    base = ((x * 5 + y * 3) % 256).astype(np.uint8)
    if c is None:
        return base
    return np.stack([base, (255 - base), ((x * 7) % 256).astype(np.uint8)], axis=-1)


def palette_image(h, w, colors):
    im = Image.fromarray(noise(h, w, levels=colors), "L").convert("P")
    pal = rng.integers(0, 256, size=colors * 3, dtype=np.uint8).tolist()
    im.putpalette(pal)
    return im


def mem_dataset(arr, ct=None):
    from osgeo import gdal
    if arr.ndim == 2:
        arr = arr[np.newaxis]
    ds = gdal.GetDriverByName("MEM").Create("", arr.shape[2], arr.shape[1], arr.shape[0], gdal.GDT_Byte)
    for i in range(arr.shape[0]):
        ds.GetRasterBand(i + 1).WriteArray(arr[i])
    if ct is not None:
        ds.GetRasterBand(1).SetColorTable(ct)
    return ds


def gdal_tiff(name, arr, options, ct=None):
    from osgeo import gdal
    gdal.GetDriverByName("GTiff").CreateCopy(path(name), mem_dataset(arr, ct), options=options)


def color_table(n):
    from osgeo import gdal
    ct = gdal.ColorTable()
    for i in range(n):
        ct.SetColorEntry(i, tuple(int(v) for v in rng.integers(0, 256, 3)) + (255,))
    return ct


def group_tiff():
    grey = Image.fromarray(noise(29, 37), "L")
    rgb = Image.fromarray(noise(23, 31, 3), "RGB")
    bw = Image.fromarray(noise(41, 45, levels=2) * 255, "L").convert("1")
    for comp in ["raw", "tiff_lzw", "packbits", "tiff_adobe_deflate"]:
        grey.save(path(f"grey_{comp}.tif"), compression=comp)
        expect_rgb(f"grey_{comp}.tif", 8, 1, "-")
        rgb.save(path(f"rgb_{comp}.tif"), compression=comp)
        expect_rgb(f"rgb_{comp}.tif", 8, 3, 2)
    for comp in ["raw", "group4", "packbits"]:
        bw.save(path(f"bw_{comp}.tif"), compression=comp)
        expect_rgb(f"bw_{comp}.tif", 1, 1, "-")
    Image.fromarray(smooth(32, 48, 3), "RGB").save(path("rgb_jpeg.tif"), compression="jpeg")
    expect_rgb("rgb_jpeg.tif", 8, 3, 2)
    palette_image(19, 27, 200).save(path("pal8_lzw.tif"), compression="tiff_lzw")
    expect_rgb("pal8_lzw.tif", 8, 1, 3)
    Image.fromarray(noise(17, 21, 4), "RGBA").save(path("rgba.tif"))
    expect_rgb("rgba.tif", 8, 3, 2)
    # Layouts and depths that GDAL writes.
    g = noise(29, 37)
    c3 = noise(3, 29, 37).reshape(3, 29, 37)
    gdal_tiff("tiled_grey.tif", g, ["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "COMPRESS=LZW"])
    expect_rgb("tiled_grey.tif", 8, 1, 1)
    gdal_tiff("tiled_rgb_band.tif", c3, ["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "INTERLEAVE=BAND",
                                         "PHOTOMETRIC=RGB"])
    expect_rgb("tiled_rgb_band.tif", 8, 3, 2)
    gdal_tiff("tiled_rgb_pixel.tif", c3, ["TILED=YES", "BLOCKXSIZE=16", "BLOCKYSIZE=16", "PHOTOMETRIC=RGB",
                                          "COMPRESS=DEFLATE"])
    expect_rgb("tiled_rgb_pixel.tif", 8, 3, 2)
    gdal_tiff("strip_rgb_band.tif", c3, ["INTERLEAVE=BAND", "PHOTOMETRIC=RGB", "COMPRESS=LZW", "BLOCKYSIZE=5"])
    expect_rgb("strip_rgb_band.tif", 8, 3, 2)
    sm = smooth(48, 64, 3).transpose(2, 0, 1).copy()
    gdal_tiff("ycbcr_jpeg.tif", sm, ["COMPRESS=JPEG", "PHOTOMETRIC=YCBCR"])
    expect_rgb("ycbcr_jpeg.tif", 8, 3, 2)
    gdal_tiff("ycbcr_jpeg_tiled.tif", sm, ["COMPRESS=JPEG", "PHOTOMETRIC=YCBCR", "TILED=YES",
                                           "BLOCKXSIZE=16", "BLOCKYSIZE=16"])
    expect_rgb("ycbcr_jpeg_tiled.tif", 8, 3, 2)
    gdal_tiff("miniswhite.tif", g, ["PHOTOMETRIC=MINISWHITE"])
    expect_rgb("miniswhite.tif", 8, 1, 0)
    gdal_tiff("pal4.tif", noise(13, 11, levels=16), ["NBITS=4"], color_table(16))
    expect_rgb("pal4.tif", 8, 1, 3)
    gdal_tiff("pal1.tif", noise(13, 19, levels=2), ["NBITS=1"], color_table(2))
    expect_rgb("pal1.tif", 1, 1, 3)
    gdal_tiff("grey4.tif", noise(13, 11, levels=16), ["NBITS=4", "PHOTOMETRIC=MINISBLACK"])
    expect_raw("grey4.tif", 8, 1, 1)


def bmp_file(name, width, height, bits, table, rows, compression=0, header_size=40, top_down=False):
    """rows: the stored pixel data (already padded or compressed)."""
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", header_size, width, -height if top_down else height, 1, bits,
                       compression, len(data), 2835, 2835, len(table), 0)
    info += b"\0" * (header_size - 40)
    tbl = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in table)
    off = 14 + len(info) + len(tbl)
    with open(path(name), "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + info + tbl + data)


def group_bmp():
    Image.fromarray(noise(13, 37, 3), "RGB").save(path("rgb24.bmp"))
    expect_rgb("rgb24.bmp", 8, 3, 2)
    Image.fromarray(noise(11, 29), "L").save(path("grey8.bmp"))
    expect_rgb("grey8.bmp", 8, 1, 3)
    palette_image(9, 15, 100).save(path("pal8.bmp"))
    expect_rgb("pal8.bmp", 8, 1, 3)
    Image.fromarray(noise(21, 35, levels=2) * 255, "L").convert("1").save(path("bw1.bmp"))
    expect_rgb("bw1.bmp", 1, 1, 1)
    # White-is-zero bilevel: entry 0 white, entry 1 black.
    px = noise(7, 13, levels=2)
    rows = [bytes(np.packbits(px[y]).tolist()).ljust(4, b"\0") for y in range(6, -1, -1)]
    bmp_file("bw1_inverted.bmp", 13, 7, 1, [(255, 255, 255), (0, 0, 0)], rows)
    expect_rgb("bw1_inverted.bmp", 1, 1, 0)
    # 4 bits, odd width: the last pixel of each row and the palette count.
    px = noise(5, 7, levels=16)
    table = [tuple(int(v) for v in rng.integers(0, 256, 3)) for _ in range(16)]
    rows = []
    for y in range(4, -1, -1):
        r = list(px[y]) + [0]
        rows.append(bytes((r[i] << 4) | r[i + 1] for i in range(0, 8, 2)))
    bmp_file("pal4.bmp", 7, 5, 4, table, rows)
    expect_rgb("pal4.bmp", 8, 1, 3)
    # Top-down 24-bit, and a V4 (108-byte) header.
    px = noise(6, 5, 3)
    rows = [bytes(px[y][:, ::-1].reshape(-1).tolist()).ljust(16, b"\0") for y in range(6)]
    bmp_file("topdown24.bmp", 5, 6, 24, [], rows, top_down=True)
    expect_rgb("topdown24.bmp", 8, 3, 2)
    rows = [bytes(px[y][:, ::-1].reshape(-1).tolist()).ljust(16, b"\0") for y in range(5, -1, -1)]
    bmp_file("v4header.bmp", 5, 6, 24, [], rows, header_size=108)
    expect_rgb("v4header.bmp", 8, 3, 2)
    # RLE8 with runs, literal runs, a delta and end-of-line marks.
    table = [(i, 255 - i, (i * 7) % 256) for i in range(256)]
    rle = bytes([4, 10, 0, 3, 1, 2, 3, 0, 1, 20, 0, 0,   # row 0: run, odd literal (padded), run
                 0, 2, 2, 1, 3, 30, 0, 0,                 # row 1: delta (2, 1) -> row 2 at x 2, run
                 8, 40, 0, 0,                             # row 3
                 0, 1])
    bmp_file("rle8.bmp", 8, 4, 8, table, [rle], compression=1)
    expect_rgb_magick("rle8.bmp", 8, 4, 8, 1, 3)


def lzw_encode(indices, min_code, clear_when_full):
    """A plain GIF LZW encoder; with clear_when_full False the table simply
    stops growing at 4096 entries (a deferred clear)."""
    clear, end = 1 << min_code, (1 << min_code) + 1
    size, nxt = min_code + 1, end + 1
    table = {(i,): i for i in range(clear)}
    codes = [(clear, size)]
    w = ()
    for k in indices:
        wk = w + (k,)
        if wk in table:
            w = wk
            continue
        codes.append((table[w], size))
        if nxt < 4096:
            table[wk] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        elif clear_when_full:
            codes.append((clear, size))
            table = {(i,): i for i in range(clear)}
            size, nxt = min_code + 1, end + 1
        w = (k,)
    codes.append((table[w], size))
    codes.append((end, size))
    acc, nbits, data = 0, 0, bytearray()
    for c, s in codes:
        acc |= c << nbits
        nbits += s
        while nbits >= 8:
            data.append(acc & 255)
            acc >>= 8
            nbits -= 8
    if nbits:
        data.append(acc)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + bytes(data[i:i + 255]) for i in range(0, len(data), 255))
    return blocks + b"\0"


def gif_file(name, w, h, pixels, global_table=None, local_table=None, aspect=0, min_code=8,
             clear_when_full=True, interlace=False):
    def tbl(t):
        bits = max(1, (len(t) - 1).bit_length())
        t = list(t) + [(0, 0, 0)] * ((1 << bits) - len(t))
        return bits, b"".join(bytes(c) for c in t)
    flags = 0
    gt = b""
    if global_table:
        bits, gt = tbl(global_table)
        flags = 0x80 | (bits - 1)
    lflags = 0
    lt = b""
    if local_table:
        bits, lt = tbl(local_table)
        lflags = 0x80 | (bits - 1)
    if interlace:
        lflags |= 0x40
        order = [y for s, st in ((0, 8), (4, 8), (2, 4), (1, 2)) for y in range(s, h, st)]
        pixels = pixels[order]
    data = lzw_encode(pixels.reshape(-1).tolist(), min_code, clear_when_full)
    with open(path(name), "wb") as f:
        f.write(b"GIF89a" + struct.pack("<HHBBB", w, h, flags, 0, aspect) + gt)
        f.write(b"!\xfe\x05hello\x00")  # a comment extension before the image
        f.write(b"," + struct.pack("<HHHHB", 0, 0, w, h, lflags) + lt + bytes([min_code]) + data + b";")


def group_gif():
    pal = palette_image(23, 33, 256)
    pal.save(path("pal256.gif"))
    expect_rgb("pal256.gif", 8, 1, 3)
    colors = [tuple(int(v) for v in rng.integers(0, 256, 3)) for _ in range(16)]
    px = noise(37, 29, levels=16)
    gif_file("interlaced.gif", 29, 37, px, global_table=colors, interlace=True, min_code=4)
    expect_rgb("interlaced.gif", 8, 1, 3)
    gif_file("local_only.gif", 29, 37, px, local_table=colors, min_code=4)
    expect_rgb("local_only.gif", 8, 1, 3)
    other = [(255 - r, g, b) for r, g, b in colors]
    gif_file("local_over_global.gif", 29, 37, px, global_table=other, local_table=colors, min_code=4)
    expect_rgb("local_over_global.gif", 8, 1, 3)
    gif_file("aspect.gif", 29, 37, px, global_table=colors, aspect=49, min_code=4)
    expect_rgb("aspect.gif", 8, 1, 3)
    bw = noise(19, 21, levels=2)
    gif_file("bw_blackfirst.gif", 21, 19, bw, global_table=[(0, 0, 0), (255, 255, 255)], min_code=2)
    expect_rgb("bw_blackfirst.gif", 1, 1, 1)
    gif_file("bw_whitefirst.gif", 21, 19, bw, global_table=[(255, 255, 255), (0, 0, 0)], min_code=2)
    expect_rgb("bw_whitefirst.gif", 1, 1, 0)
    # Long uniform runs give KwKwK codes; noise fills the table to 4096.
    runs = np.repeat(noise(1, 64, levels=4)[0], 50).reshape(40, 80)
    gif_file("kwkwk.gif", 80, 40, runs, global_table=colors[:4], min_code=2)
    expect_rgb("kwkwk.gif", 8, 1, 3)
    big = noise(100, 120)
    full = [tuple(int(v) for v in rng.integers(0, 256, 3)) for _ in range(256)]
    gif_file("full_noclear.gif", 120, 100, big, global_table=full, clear_when_full=False)
    expect_rgb("full_noclear.gif", 8, 1, 3)
    gif_file("full_clear.gif", 120, 100, big, global_table=full, clear_when_full=True)
    expect_rgb("full_clear.gif", 8, 1, 3)


def group_png():
    Image.fromarray(noise(13, 17), "L").save(path("grey8.png"))
    expect_rgb("grey8.png", 8, 1, 1)
    Image.fromarray(noise(13, 17, 3), "RGB").save(path("rgb8.png"))
    expect_rgb("rgb8.png", 8, 3, 2)
    Image.fromarray(noise(13, 17, 4), "RGBA").save(path("rgba8.png"))
    expect_rgb("rgba8.png", 8, 3, 2)
    Image.fromarray(noise(13, 17, 2), "LA").save(path("la8.png"))
    expect_rgb("la8.png", 8, 1, 1)
    palette_image(13, 17, 16).save(path("pal16.png"), bits=4)
    expect_rgb("pal16.png", 8, 1, 3)
    palette_image(13, 17, 200).save(path("pal200.png"))
    expect_rgb("pal200.png", 8, 1, 3)
    Image.fromarray(noise(13, 19, levels=2) * 255, "L").convert("1").save(path("bw1.png"))
    expect_rgb("bw1.png", 1, 1, 1)
    g16 = rng.integers(0, 65536, size=(11, 13), dtype=np.uint16)
    Image.fromarray(g16, "I;16").save(path("grey16.png"))
    with open(path("grey16.png") + ".exp", "wb") as f:
        f.write(np.asarray(Image.open(path("grey16.png")), dtype="<u2").tobytes())
    manifest.append("grey16.png raw16 13 11 16 1 1")
    Image.fromarray(noise(29, 31, 3), "RGB").save(path("rgb_plain.png"))
    os.system(f"convert '{path('rgb_plain.png')}' -interlace PNG 'PNG24:{path('rgb_interlaced.png')}'")
    expect_rgb("rgb_interlaced.png", 8, 3, 2)
    Image.fromarray(noise(29, 31), "L").save(path("grey_plain.png"))
    os.system(f"convert '{path('grey_plain.png')}' -interlace PNG -define png:color-type=0 "
              f"'{path('grey_interlaced.png')}'")
    expect_rgb("grey_interlaced.png", 8, 1, 1)


def group_jpeg():
    Image.fromarray(smooth(32, 40), "L").save(path("grey.jpg"), quality=90)
    expect_rgb("grey.jpg", 8, 1, 1)
    Image.fromarray(smooth(32, 40, 3), "RGB").save(path("rgb.jpg"), quality=90)
    expect_rgb("rgb.jpg", 8, 3, 2)
    Image.fromarray(smooth(33, 41, 3), "RGB").save(path("rgb_progressive.jpg"), quality=80, progressive=True)
    expect_rgb("rgb_progressive.jpg", 8, 3, 2)


{"tiff": group_tiff, "bmp": group_bmp, "gif": group_gif, "png": group_png, "jpeg": group_jpeg}[sys.argv[1]]()
with open(path("manifest.txt"), "w") as f:
    f.write("\n".join(manifest) + "\n")
