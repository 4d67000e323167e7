#!/usr/bin/env python3
"""Checks the built Windows module without running it.

usage: check_module.py MODULE PIPL_BYTES

The export directory must name the module "IRX GL.aex" and export exactly
EffectMain (ordinal 1) and PluginDataEntryFunction (ordinal 2); the module
may import system DLLs only; its resource of type "PIPL", id 16000, language
1033 must hold exactly the bytes of PIPL_BYTES. Exits 1 listing every failure.
"""
import struct
import sys

MODULE_NAME = "IRX GL.aex"
EXPORTS = {1: "EffectMain", 2: "PluginDataEntryFunction"}
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "opengl32.dll", "msvcrt.dll",
               "advapi32.dll"}
PIPL_TYPE, PIPL_ID, PIPL_LANGUAGE = "PIPL", 16000, 1033

EXPORT_DIRECTORY, IMPORT_DIRECTORY, RESOURCE_DIRECTORY = 0, 1, 2


class PeFile:
    """Just enough of a PE32+ reader: data directories and RVA lookups."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = self.u32(0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        section_count = self.u16(pe + 6)
        optional_size = self.u16(pe + 20)
        optional = pe + 24
        if self.u16(optional) != 0x20B:
            raise ValueError("not a 64-bit (PE32+) image")
        directory_count = self.u32(optional + 108)
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i)
                            for i in range(directory_count)]
        table = optional + optional_size
        self.sections = []
        for i in range(section_count):
            entry = table + 40 * i
            virtual_size, address, raw_size, raw_offset = struct.unpack_from("<IIII", data, entry + 8)
            self.sections.append((address, max(virtual_size, raw_size), raw_offset))

    def u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for address, size, raw_offset in self.sections:
            if address <= rva < address + size:
                return raw_offset + rva - address
        raise ValueError(f"RVA {rva:#x} is in no section")

    def directory(self, index):
        rva, size = self.directories[index] if index < len(self.directories) else (0, 0)
        return (self.offset(rva), size) if rva else (None, 0)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")


def check_exports(pe, failures):
    start, _ = pe.directory(EXPORT_DIRECTORY)
    if start is None:
        failures.append("no export directory")
        return
    (name_rva, base, function_count, name_count,
     functions_rva, names_rva, ordinals_rva) = struct.unpack_from("<IIIIIII", pe.data, start + 12)
    name = pe.c_string(name_rva)
    if name != MODULE_NAME:
        failures.append(f"export directory names the module {name!r}, not {MODULE_NAME!r}")
    addresses = [pe.u32(pe.offset(functions_rva) + 4 * i) for i in range(function_count)]
    exported = {}
    for i in range(name_count):
        export_name = pe.c_string(pe.u32(pe.offset(names_rva) + 4 * i))
        exported[base + pe.u16(pe.offset(ordinals_rva) + 2 * i)] = export_name
    unnamed = [base + i for i, address in enumerate(addresses)
               if address and base + i not in exported]
    if exported != EXPORTS or unnamed:
        failures.append(f"exports {sorted(exported.items())} and unnamed ordinals {unnamed}, "
                        f"expected {sorted(EXPORTS.items())} only")


def check_imports(pe, failures):
    start, _ = pe.directory(IMPORT_DIRECTORY)
    at = start
    while at is not None:
        name_rva = pe.u32(at + 12)
        if name_rva == 0:
            break
        dll = pe.c_string(name_rva)
        if dll.lower() not in SYSTEM_DLLS:
            failures.append(f"imports {dll}, which is no system DLL")
        at += 20


def resource_entries(pe, root, table):
    """(name or id, is_directory, offset from root) for each entry of a table."""
    named, numbered = struct.unpack_from("<HH", pe.data, root + table + 12)
    for i in range(named + numbered):
        key, target = struct.unpack_from("<II", pe.data, root + table + 16 + 8 * i)
        if key & 0x80000000:
            at = root + (key & 0x7FFFFFFF)
            length = pe.u16(at)
            key = pe.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        yield key, bool(target & 0x80000000), target & 0x7FFFFFFF


def find_resource(pe, path):
    root, _ = pe.directory(RESOURCE_DIRECTORY)
    if root is None:
        return None
    table = 0
    for level, wanted in enumerate(path):
        found = [(is_directory, target)
                 for key, is_directory, target in resource_entries(pe, root, table) if key == wanted]
        if not found or found[0][0] != (level < len(path) - 1):
            return None
        table = found[0][1]
    data_rva, size = struct.unpack_from("<II", pe.data, root + table)
    start = pe.offset(data_rva)
    return pe.data[start:start + size]


def check_pipl(pe, expected, failures):
    stored = find_resource(pe, [PIPL_TYPE, PIPL_ID, PIPL_LANGUAGE])
    if stored is None:
        failures.append(f"no resource {PIPL_TYPE!r} {PIPL_ID} in language {PIPL_LANGUAGE}")
    elif stored != expected:
        failures.append(f"the PIPL resource ({len(stored)} bytes) differs from the generated "
                        f"PiPL ({len(expected)} bytes)")


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(argv[1], "rb") as module_file, open(argv[2], "rb") as pipl_file:
        module, expected_pipl = module_file.read(), pipl_file.read()
    failures = []
    try:
        pe = PeFile(module)
        check_exports(pe, failures)
        check_imports(pe, failures)
        check_pipl(pe, expected_pipl, failures)
    except (ValueError, struct.error) as error:
        failures.append(f"malformed module: {error}")
    for failure in failures:
        print(f"{argv[1]}: {failure}", file=sys.stderr)
    if not failures:
        print(f"{argv[1]}: exports, imports and PiPL resource are as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
