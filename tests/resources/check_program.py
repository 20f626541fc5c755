"""Checks a built Windows program as a file, so it runs without Windows or Wine, and so also
where the program itself cannot be run (the 32-bit build on a machine without 32-bit x86 code):

- the file is a PE32 program for i386 ("win32") or a PE32+ program for x86-64 ("win64"), for
  the graphical subsystem;
- it imports only from system libraries that every Windows of that kind ships;
- it carries its icon (named "ICON"), the RCDATA resources given by number, and its manifest
  (type 24, id 1), which declares system DPI awareness.

usage: check_program.py win32|win64 PROGRAM [RCDATA-ID...]
"""

import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_RCDATA = 10
RT_GROUP_ICON = 14
RT_MANIFEST = 24
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
# (optional header magic, machine) of each build.
KINDS = {"win32": (0x10B, 0x14C), "win64": (0x20B, 0x8664)}
# Libraries of Windows itself, present on every 32- and 64-bit Windows the saver runs on; the
# C runtime is linked in statically, so msvcrt is the only runtime allowed.
SYSTEM_LIBRARIES = {"kernel32.dll", "user32.dll", "gdi32.dll", "winmm.dll", "advapi32.dll",
                    "msvcrt.dll"}
SETTINGS_NS = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"


class Program:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        self.machine, sections = struct.unpack_from("<HH", data, pe + 4)
        optional_size = struct.unpack_from("<H", data, pe + 20)[0]
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        if self.magic not in (0x10B, 0x20B):
            raise ValueError("unknown optional header")
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + {0x10B: 96, 0x20B: 112}[self.magic]
        self.import_rva = struct.unpack_from("<I", data, directories + 1 * 8)[0]
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

    def string(self, rva):
        """A zero-terminated ANSI string at an address."""
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def imported_libraries(self):
        """The names of the libraries the import directory names, in lower case."""
        names = []
        if not self.import_rva:
            return names
        entry = self.offset(self.import_rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, entry)
            if not (lookup or name or thunks):
                return names
            names.append(self.string(name).lower())
            entry += 20

    def entries(self, directory):
        """(id, or the name of a named entry, offset from the resource root, is a directory)."""
        base = self.offset(self.resource_rva)
        named, numbered = struct.unpack_from("<12xHH", self.data, base + directory)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                ident = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            else:
                ident = name
            yield ident, target & 0x7FFFFFFF, bool(target & 0x80000000)

    def resource(self, type_id, resource_id):
        """The bytes of the first language of resource `resource_id` (a number or a name) of
        type `type_id`."""
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


def faults(kind, program, rcdata_ids):
    """What is wrong with the program, as a list of messages; empty when nothing is."""
    found = []
    magic, machine = KINDS[kind]
    if (program.magic, program.machine) != (magic, machine):
        found.append("not a %s program: optional header 0x%X, machine 0x%X (expected 0x%X, "
                     "0x%X)" % (kind, program.magic, program.machine, magic, machine))
    if program.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        found.append("subsystem %d, not the graphical one" % program.subsystem)
    foreign = [name for name in program.imported_libraries() if name not in SYSTEM_LIBRARIES]
    if foreign:
        found.append("imports from libraries Windows does not ship: " + ", ".join(foreign))
    if program.resource(RT_GROUP_ICON, "ICON") is None:
        found.append('no icon named "ICON"')
    for ident in rcdata_ids:
        if not program.resource(RT_RCDATA, ident):
            found.append("no RCDATA resource %d" % ident)
    manifest = program.resource(RT_MANIFEST, 1)
    if manifest is None:
        found.append("no manifest resource (type 24, id 1)")
    elif not dpi_aware(manifest):
        found.append("the manifest does not declare dpiAware true")
    return found


def main(argv):
    if len(argv) < 3 or argv[1] not in KINDS:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    with open(argv[2], "rb") as f:
        data = f.read()
    try:
        program = Program(data)
        found = faults(argv[1], program, [int(n) for n in argv[3:]])
    except (ValueError, struct.error) as error:
        found = ["not a readable PE program: %s" % error]
    for fault in found:
        print("%s: %s" % (argv[2], fault), file=sys.stderr)
    if found:
        return 1
    print("%s: %s program for the graphical subsystem, imports only %s; icon, RCDATA %s and a "
          "DPI-aware manifest present" % (argv[2], argv[1],
                                           ", ".join(program.imported_libraries()),
                                           " ".join(argv[3:])))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
