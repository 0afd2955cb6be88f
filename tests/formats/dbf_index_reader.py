"""Walks an index file of the table engine from its layout alone.

  dbf_index_reader.py PATH

Block n is at n * 512. The header (block 0): root block, next free block,
change counter (32-bit each), key length, keys per block, key type, entry
length, reserved, unique switch (16-bit each), then the key expression. A
block: a 16-bit count, 2 bytes, then entries of the entry length: child
block (32-bit, 0 in a leaf), record number (32-bit), key bytes. Entries of
an inner block lead to their child blocks in order, each holding an entry
not below any entry under it.

Prints the header as "key length|keys per block|entry length|unique|expression",
then one line a leaf entry in tree order: the key (latin-1) and "|" and the
record. Fails when keys are out of order or a block breaks the layout.
"""
import struct
import sys


def main():
    data = open(sys.argv[1], "rb").read()
    root, next_free, counter = struct.unpack_from("<III", data, 0)
    key_len, per_block, key_type, entry_len, _reserved, unique = struct.unpack_from("<6H", data, 12)
    expression = data[24:280].split(b"\0")[0].decode("latin-1")
    assert key_type == 0 and entry_len >= 8 + key_len and per_block == (512 - 4) // entry_len
    assert len(data) >= next_free * 512, "blocks beyond the file"
    out = [f"{key_len}|{per_block}|{entry_len}|{unique}|{expression}"]
    seen = set()

    def walk(block, depth):
        assert 0 < block < next_free and block not in seen and depth < 64
        seen.add(block)
        base = block * 512
        (count,) = struct.unpack_from("<H", data, base)
        assert count <= per_block
        for i in range(count):
            at = base + 4 + i * entry_len
            child, record = struct.unpack_from("<II", data, at)
            key = data[at + 8:at + 8 + key_len]
            if child:
                # An inner entry holds the greatest entry below it, or more.
                for below in walk(child, depth + 1):
                    assert below <= (key, record), "entry above its inner entry"
                    yield below
            else:
                yield key, record

    last = None
    for key, record in walk(root, 0):
        assert last is None or last < (key, record), "out of order"
        last = (key, record)
        out.append(key.decode("latin-1") + "|" + str(record))
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
