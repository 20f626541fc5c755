"""Checks that a Windows program carries its manifest, resource type 24 id 1, and that the
manifest declares system DPI awareness. Reads the program's resource section directly, so it
runs without Windows or Wine.

usage: check_manifest.py PROGRAM
"""

import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_MANIFEST = 24
SETTINGS_NS = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"


class Program:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + {0x10B: 96, 0x20B: 112}[magic]
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            size, rva, raw_size, raw = struct.unpack_from("<8xIIII", data, table + 40 * i)
            self.sections.append((rva, max(size, raw_size), raw))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("address outside every section")

    def entries(self, directory):
        """(id or None for a named entry, offset from the resource root, is a directory)."""
        base = self.offset(self.resource_rva)
        named, numbered = struct.unpack_from("<12xHH", self.data, base + directory)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
            ident = None if name & 0x80000000 else name
            yield ident, target & 0x7FFFFFFF, bool(target & 0x80000000)

    def resource(self, type_id, resource_id):
        """The bytes of the first language of resource `resource_id` of type `type_id`."""
        if not self.resource_rva:
            return None
        base = self.offset(self.resource_rva)
        for ident, types, is_dir in self.entries(0):
            if ident != type_id or not is_dir:
                continue
            for rid, languages, is_dir in self.entries(types):
                if rid != resource_id or not is_dir:
                    continue
                for _, entry, is_dir in self.entries(languages):
                    if is_dir:
                        continue
                    rva, size = struct.unpack_from("<II", self.data, base + entry)
                    start = self.offset(rva)
                    return self.data[start:start + size]
        return None


def dpi_aware(manifest):
    root = ElementTree.fromstring(manifest)
    values = [e.text.strip().lower() for e in root.iter("{%s}dpiAware" % SETTINGS_NS) if e.text]
    return values == ["true"]


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    with open(argv[1], "rb") as f:
        manifest = Program(f.read()).resource(RT_MANIFEST, 1)
    if manifest is None:
        print("%s: no manifest resource (type 24, id 1)" % argv[1], file=sys.stderr)
        return 1
    if not dpi_aware(manifest):
        print("%s: the manifest does not declare dpiAware true" % argv[1], file=sys.stderr)
        return 1
    print("%s: manifest declares dpiAware true" % argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
