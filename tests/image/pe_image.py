"""Reads the parts of a PE32+ image that the image checks and the size report need."""
import struct

IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_WRITE = 0x80000000
DIRECTORY_NAMES = ["export", "import", "resource", "exception", "security", "basereloc", "debug",
                   "architecture", "globalptr", "tls", "loadconfig", "boundimport", "iat",
                   "delayimport", "clr", "reserved"]


class PeImage:
    def __init__(self, data: bytes):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, nsections, _, _, _, opt_size, self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.magic != 0x20B:
            raise ValueError("not PE32+ (magic %#x)" % self.magic)
        self.entry_rva = struct.unpack_from("<I", data, opt + 16)[0]
        self.image_base = struct.unpack_from("<Q", data, opt + 24)[0]
        self.section_alignment, self.file_alignment = struct.unpack_from("<II", data, opt + 32)
        self.size_of_image = struct.unpack_from("<I", data, opt + 56)[0]
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, opt + 68)
        ndirs = struct.unpack_from("<I", data, opt + 108)[0]
        self.directories = {}
        for i in range(ndirs):
            rva, size = struct.unpack_from("<II", data, opt + 112 + 8 * i)
            self.directories[DIRECTORY_NAMES[i]] = (rva, size)
        self.sections = []
        sh = opt + opt_size
        for i in range(nsections):
            name, vsize, vaddr, rawsize, rawptr, _, _, _, _, flags = struct.unpack_from("<8sIIIIIIHHI", data, sh + 40 * i)
            self.sections.append({"name": name.rstrip(b"\0").decode(), "vsize": vsize, "vaddr": vaddr,
                                  "rawsize": rawsize, "rawptr": rawptr, "flags": flags})

    def directory(self, name):
        return self.directories.get(name, (0, 0))

    def file_offset(self, rva):
        for s in self.sections:
            if s["vaddr"] <= rva < s["vaddr"] + s["rawsize"]:
                return s["rawptr"] + rva - s["vaddr"]
        return None

    def codeview(self):
        """(GUID bytes, path) of the first CodeView debug entry (RSDS, or the NB10 that EDK2's
        GenFw writes, whose signature stands in for the GUID), or None. The entry is read
        where the image is loaded (its RVA), as a DXE core reads it."""
        rva, size = self.directory("debug")
        at = self.file_offset(rva) if size else None
        for entry in range(size // 28 if at is not None else 0):
            kind, data_size, data_rva = struct.unpack_from("<III", self.data, at + 28 * entry + 12)
            record = self.file_offset(data_rva)
            if kind == 2 and record is not None:
                raw = self.data[record:record + data_size]
                if raw[:4] == b"RSDS":
                    return raw[4:20], raw[24:].split(b"\0")[0].decode(errors="replace")
                if raw[:4] == b"NB10":
                    return raw[8:12], raw[16:].split(b"\0")[0].decode(errors="replace")
        return None
