#!/usr/bin/env python3
"""GDAL as an independent reader and writer of elevation grids for the tests.

  gdal_tool.py dump PATH
      Prints "driver NAME", "size COLUMNS ROWS", "nodata VALUE" (or
      "nodata none") and then one line per raster row, north (top) first,
      each value printed with repr().
  gdal_tool.py make PATH.tif COLUMNS ROWS SEED float|dem
      Writes a GeoTIFF of random heights with NODATA holes: "float" holds
      Float32 heights with NODATA -9999 in a local grid; "dem" holds Int16
      heights with NODATA -32767 in UTM zone 10 at 30 m (what GDAL's USGS
      DEM writer accepts).
"""
import sys

import numpy as np
from osgeo import gdal, osr

gdal.UseExceptions()


def dump(path):
    ds = gdal.Open(path)
    band = ds.GetRasterBand(1)
    values = band.ReadAsArray().astype(float)
    nodata = band.GetNoDataValue()
    print("driver", ds.GetDriver().ShortName)
    print("size", ds.RasterXSize, ds.RasterYSize)
    print("nodata", "none" if nodata is None else repr(float(nodata)))
    for row in values:
        print(" ".join(repr(float(v)) for v in row))


def make(path, columns, rows, seed, kind):
    rng = np.random.default_rng(seed)
    if kind == "float":
        values = rng.uniform(-500.0, 3000.0, (rows, columns)).astype(np.float32)
        nodata = -9999.0
        dtype = gdal.GDT_Float32
    else:
        values = rng.integers(-400, 9000, (rows, columns)).astype(np.int16)
        nodata = -32767
        dtype = gdal.GDT_Int16
    holes = rng.random((rows, columns)) < 0.1
    values[holes] = nodata
    ds = gdal.GetDriverByName("GTiff").Create(path, columns, rows, 1, dtype)
    if kind == "float":
        ds.SetGeoTransform([1000.0, 5.0, 0.0, 2000.0, 0.0, -5.0])
    else:
        ds.SetGeoTransform([500000.0, 30.0, 0.0, 4100000.0, 0.0, -30.0])
        srs = osr.SpatialReference()
        srs.ImportFromEPSG(32610)
        ds.SetProjection(srs.ExportToWkt())
    band = ds.GetRasterBand(1)
    band.WriteArray(values)
    band.SetNoDataValue(nodata)
    ds = None


if __name__ == "__main__":
    if sys.argv[1] == "dump":
        dump(sys.argv[2])
    else:
        make(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5]), sys.argv[6])
