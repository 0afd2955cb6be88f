"""Independent readers and writers of dBASE tables for the table engine's tests.

  dbf_oracle.py dbfread PATH        fields and records as dbfread reads them
  dbf_oracle.py dbfraw PATH         the same with each value's bytes in hex
  dbf_oracle.py ogr PATH            fields and records as OGR reads them
  dbf_oracle.py pyshp PATH TABLE     writes a table with pyshp
  dbf_oracle.py ogrwrite PATH TABLE  writes a table with OGR (language byte set)
  dbf_oracle.py widen PATH N        moves the records N bytes further: a longer
                                    header, as other programs write them

The readers print one line a field, "name|type|width|decimals", a line
"--", then one line a record with its values (Python's repr) joined by "|".
TABLE is JSON: {"fields": [[name, type, width, decimals], ...],
               "records": [[value, ...], ...]}.
"""
import json
import sys


def show(fields, records):
    out = ["|".join(str(x) for x in f) for f in fields] + ["--"]
    out += ["|".join(repr(v) for v in rec) for rec in records]
    sys.stdout.write("\n".join(out) + "\n")


def read_dbfread(path, raw=False):
    import dbfread
    table = dbfread.DBF(path, load=True, encoding="latin-1", raw=raw)
    fields = [[f.name, f.type, f.length, f.decimal_count] for f in table.fields]
    records = [[rec[f.name].hex() if raw else rec[f.name] for f in table.fields] for rec in table.records]
    show(fields, records)


def read_ogr(path):
    from osgeo import ogr
    ogr.UseExceptions()
    ds = ogr.Open(path)
    layer = ds.GetLayer(0)
    defn = layer.GetLayerDefn()
    fields = []
    for i in range(defn.GetFieldCount()):
        fd = defn.GetFieldDefn(i)
        fields.append([fd.GetName(), fd.GetTypeName(), fd.GetWidth(), fd.GetPrecision()])
    records = []
    for feature in layer:
        records.append([feature.GetField(i) if feature.IsFieldSet(i) and not feature.IsFieldNull(i) else None
                        for i in range(defn.GetFieldCount())])
    show(fields, records)


def write_pyshp(path, table):
    import shapefile
    w = shapefile.Writer(dbf=path)
    for name, kind, width, decimals in table["fields"]:
        w.field(name, kind, size=width, decimal=decimals)
    for rec in table["records"]:
        w.record(*rec)
    w.close()


def write_ogr(path, table):
    from osgeo import ogr
    ogr.UseExceptions()
    kinds = {"C": ogr.OFTString, "N": ogr.OFTReal, "I": ogr.OFTInteger, "D": ogr.OFTDate}
    ds = ogr.GetDriverByName("ESRI Shapefile").CreateDataSource(path)
    layer = ds.CreateLayer("t", geom_type=ogr.wkbNone)
    for name, kind, width, decimals in table["fields"]:
        fd = ogr.FieldDefn(name, kinds[kind])
        fd.SetWidth(width)
        fd.SetPrecision(decimals)
        layer.CreateField(fd)
    for rec in table["records"]:
        feature = ogr.Feature(layer.GetLayerDefn())
        for i, value in enumerate(rec):
            if value is not None:
                feature.SetField(i, value)
        layer.CreateFeature(feature)
    ds = None


def widen(path, extra):
    data = bytearray(open(path, "rb").read())
    header = int.from_bytes(data[8:10], "little")
    data[header:header] = bytes(extra)
    data[8:10] = (header + extra).to_bytes(2, "little")
    open(path, "wb").write(data)


def main():
    what, path = sys.argv[1], sys.argv[2]
    if what == "dbfread":
        read_dbfread(path)
    elif what == "dbfraw":
        read_dbfread(path, raw=True)
    elif what == "ogr":
        read_ogr(path)
    elif what == "pyshp":
        write_pyshp(path, json.loads(sys.argv[3]))
    elif what == "ogrwrite":
        write_ogr(path, json.loads(sys.argv[3]))
    elif what == "widen":
        widen(path, int(sys.argv[3]))
    else:
        sys.exit("unknown request " + what)


if __name__ == "__main__":
    main()
