#!/usr/bin/env python3
"""Compares an elevation grid built from samples with gdal_grid's and scipy's
linear interpolation of the same samples and with the true surface.

usage: grid_oracle.py GRID.grd SAMPLES.csv TRUTH.txt CELLSIZE INTERVAL

The grid's nodes lie at (c x cellsize, r x cellsize), row 0 at the smallest y
(the samples' y grows downwards, as the workspace's does). Only nodes where
the true surface is at least the lowest contour level and where both linear
interpolations are defined (inside the samples' convex hull) are compared.
Prints "name value" lines: the largest absolute difference of each pair and
the number of nodes compared.
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from osgeo import gdal
from scipy.interpolate import griddata


def read_ascii_grid(path):
    header = {}
    with open(path) as f:
        for _ in range(6):
            key, value = f.readline().split()
            header[key.lower()] = float(value)
        values = np.array(f.read().split(), dtype=float)
    rows, cols = int(header["nrows"]), int(header["ncols"])
    grid = values.reshape(rows, cols)
    return np.where(grid == header["nodata_value"], np.nan, grid)


def main():
    grid_path, samples_path, truth_path, cell, interval = sys.argv[1:6]
    cell, interval = float(cell), float(interval)
    ours = read_ascii_grid(grid_path)
    truth = np.loadtxt(truth_path, ndmin=2)
    rows, cols = ours.shape
    samples = np.loadtxt(samples_path, delimiter=",", skiprows=1, ndmin=2)

    # gdal_grid evaluates at pixel centres: a box half a cell beyond the
    # first and last node puts the centres on the nodes.
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "gdal.tif")
        vrt = os.path.join(tmp, "samples.vrt")
        with open(vrt, "w") as f:
            f.write('<OGRVRTDataSource><OGRVRTLayer name="samples">'
                    '<SrcDataSource>%s</SrcDataSource><GeometryType>wkbPoint25D</GeometryType>'
                    '<GeometryField encoding="PointFromColumns" x="x" y="y" z="z"/>'
                    '</OGRVRTLayer></OGRVRTDataSource>' % os.path.abspath(samples_path))
        subprocess.run(
            ["gdal_grid", "-q", "-a", "linear:nodata=-1e30",
             "-txe", str(-cell / 2), str((cols - 1) * cell + cell / 2),
             "-tye", str(-cell / 2), str((rows - 1) * cell + cell / 2),
             "-outsize", str(cols), str(rows), "-ot", "Float64",
             "-l", "samples", vrt, out],
            check=True)
        ds = gdal.Open(out)
        band = ds.GetRasterBand(1)
        gdal_grid = band.ReadAsArray().astype(float)
        gt = ds.GetGeoTransform()
        ds = None
    if gt[5] < 0:  # north-up output: row 0 is the largest y
        gdal_grid = gdal_grid[::-1, :]
    gdal_grid[gdal_grid <= -1e29] = np.nan

    gx, gy = np.meshgrid(np.arange(cols) * cell, np.arange(rows) * cell)
    scipy_grid = griddata(samples[:, :2], samples[:, 2], (gx, gy), method="linear")

    lowest = samples[:, 2].min()
    mask = (truth >= lowest) & np.isfinite(scipy_grid) & np.isfinite(gdal_grid) & np.isfinite(ours)
    pairs = {
        "ours-true": (ours, truth),
        "gdal-true": (gdal_grid, truth),
        "scipy-true": (scipy_grid, truth),
        "ours-gdal": (ours, gdal_grid),
        "ours-scipy": (ours, scipy_grid),
    }
    for name, (a, b) in pairs.items():
        print(name, float(np.max(np.abs(a[mask] - b[mask]))))
    print("cells", int(mask.sum()))
    print("interval", interval)


if __name__ == "__main__":
    main()
