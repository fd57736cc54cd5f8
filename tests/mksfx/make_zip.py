#!/usr/bin/env python3
"""Writes the ZIP archives the packaging tool's tests need that no
command-line archiver makes on request.

    make_zip.py tree OUT SRC            every folder and file below SRC, seekable output
    make_zip.py tree-pipe OUT SRC       the same, written into a pipe: sizes
                                        and CRC only in data descriptors
    make_zip.py name OUT NAME           one small entry under NAME as given
    make_zip.py zip64 OUT               one entry with a Zip64 extra field
    make_zip.py strong OUT              one entry flagged for strong encryption
    make_zip.py beyond-2gib OUT         one stored 2 GiB entry (a sparse file)
    make_zip.py damaged OUT             one stored entry whose data fails its CRC
"""
import io
import os
import struct
import sys
import zipfile


class Pipe(io.RawIOBase):
    """An output that cannot seek, as a pipe."""

    def __init__(self, target):
        self.target = target

    def writable(self):
        return True

    def write(self, data):
        return self.target.write(data)


def add_tree(archive, src):
    for root, dirs, files in os.walk(src):
        dirs.sort()
        if root != src:
            archive.write(root, os.path.relpath(root, src).replace(os.sep, "/") + "/")
        for name in sorted(files):
            path = os.path.join(root, name)
            archive.write(path, os.path.relpath(path, src).replace(os.sep, "/"))


def patch_flags(out, bits):
    data = bytearray(open(out, "rb").read())
    for signature, offset in ((b"PK\x03\x04", 6), (b"PK\x01\x02", 8)):
        at = data.find(signature)
        flags = struct.unpack_from("<H", data, at + offset)[0]
        struct.pack_into("<H", data, at + offset, flags | bits)
    open(out, "wb").write(data)


def main(kind, out, *rest):
    if kind == "tree":
        with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as archive:
            add_tree(archive, rest[0])
    elif kind == "tree-pipe":
        with open(out, "wb") as target:
            with zipfile.ZipFile(Pipe(target), "w", zipfile.ZIP_DEFLATED) as archive:
                add_tree(archive, rest[0])
    elif kind == "name":
        with zipfile.ZipFile(out, "w") as archive:
            archive.writestr(zipfile.ZipInfo(rest[0]), b"content\n")
    elif kind == "zip64":
        with zipfile.ZipFile(out, "w") as archive:
            with archive.open("big.txt", "w", force_zip64=True) as entry:
                entry.write(b"content\n")
    elif kind == "strong":
        with zipfile.ZipFile(out, "w") as archive:
            archive.writestr("secret.txt", b"content\n")
        patch_flags(out, 0x0041)
    elif kind == "beyond-2gib":
        name = b"huge.bin"
        size = 2 ** 31
        crc = 0  # never checked: the size is refused first
        local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 10, 0, 0, 0, 0x21, crc, size, size, len(name), 0) + name
        central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 10, 0, 0, 0, 0x21, crc, size, size,
                              len(name), 0, 0, 0, 0, 0, 0) + name
        start = len(local) + size
        end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(central), start, 0)
        with open(out, "wb") as target:
            target.write(local)
            target.seek(start)
            target.write(central + end)
    elif kind == "damaged":
        with zipfile.ZipFile(out, "w") as archive:
            archive.writestr("damaged.txt", b"content that will not match\n")
        data = bytearray(open(out, "rb").read())
        data[data.find(b"content")] ^= 0x20
        open(out, "wb").write(data)
    else:
        sys.exit("unknown kind " + kind)


if __name__ == "__main__":
    main(*sys.argv[1:])
