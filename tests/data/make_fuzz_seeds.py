#!/usr/bin/env python3
"""Writes the seed archives of the archive library's fuzz target into fuzz-seeds/.

Each seed is small and made byte for byte here (fixed times, fixed cipher headers), so running
the script again gives the same files. Usage: make_fuzz_seeds.py [output folder]
"""
import os
import struct
import sys
import zlib

PASSWORD = b"fuzz"  # the fuzz target's password
DOS_TIME, DOS_DATE = 0x6000, 0x5A21  # 2025-01-01 12:00:00
UNIX_MADE_BY = 3 << 8 | 30
DOS_MADE_BY = 20


def deflate(data, level=6):
    c = zlib.compressobj(level, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


# ---- The traditional cipher ----

_CRC_TABLE = []
for _n in range(256):
    _c = _n
    for _ in range(8):
        _c = (_c >> 1) ^ 0xEDB88320 if _c & 1 else _c >> 1
    _CRC_TABLE.append(_c)


class _Keys:
    def __init__(self, password):
        self.k = [0x12345678, 0x23456789, 0x34567890]
        for b in password:
            self.update(b)

    def update(self, b):
        k = self.k
        k[0] = (k[0] >> 8) ^ _CRC_TABLE[(k[0] ^ b) & 0xFF]
        k[1] = ((k[1] + (k[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k[2] = (k[2] >> 8) ^ _CRC_TABLE[(k[2] ^ (k[1] >> 24)) & 0xFF]

    def encrypt(self, data):
        out = bytearray()
        for b in data:
            t = (self.k[2] | 2) & 0xFFFF
            out.append(b ^ (((t * (t ^ 1)) >> 8) & 0xFF))
            self.update(b)
        return bytes(out)


def encrypt(data, check_byte, password=PASSWORD):
    header = bytes(range(0x41, 0x41 + 11)) + bytes([check_byte])
    return _Keys(password).encrypt(header + data)


# ---- Records ----

class Entry:
    def __init__(self, name, data=b"", method=8, flags=0, made_by=DOS_MADE_BY, attrs=0x20, encrypted=False,
                 descriptor=False, zip64=False, local_extra=b"", central_extra=b"", comment=b"", level=6, crc=None):
        self.name = name.encode("utf-8") if isinstance(name, str) else name
        self.data = data
        self.method = method
        self.flags = flags | (1 if encrypted else 0) | (8 if descriptor else 0)
        self.made_by = made_by
        self.attrs = attrs
        self.encrypted = encrypted
        self.descriptor = descriptor
        self.zip64 = zip64
        self.local_extra = local_extra
        self.central_extra = central_extra
        self.comment = comment
        self.level = level
        self.crc = crc  # stored in place of the data's own CRC-32


def extra(tag, payload):
    return struct.pack("<HH", tag, len(payload)) + payload


def build(entries, stub=b"", offsets_from_file_start=True, comment=b"", disk=0, zip64_end=False,
          shared_local=None, no_directory=False):
    """An archive of the entries. shared_local maps entry index -> index of an earlier entry
    whose local header and data it points at (no bytes of its own). no_directory: the local
    headers and data alone, as a download cut before the directory leaves them."""
    shared_local = shared_local or {}
    out = bytearray(stub)
    base = 0 if offsets_from_file_start else len(stub)
    central = []
    locals_at = {}
    for i, e in enumerate(entries):
        crc = zlib.crc32(e.data) & 0xFFFFFFFF if e.crc is None else e.crc
        payload = e.data if e.method == 0 else deflate(e.data, e.level)
        if e.encrypted:
            check = (DOS_TIME >> 8) if e.descriptor else (crc >> 24)
            payload = encrypt(payload, check & 0xFF)
        csize, usize = len(payload), len(e.data)
        version = 45 if e.zip64 else 20
        if i in shared_local:
            at, csize = locals_at[shared_local[i]]
        else:
            at = len(out) - base
            locals_at[i] = (at, csize)
            lextra = e.local_extra
            if e.zip64:
                lextra = extra(0x0001, struct.pack("<QQ", usize, csize)) + lextra
                lc, lu = 0xFFFFFFFF, 0xFFFFFFFF
            else:
                lc, lu = csize, usize
            lcrc = crc
            if e.descriptor:
                lcrc, lc, lu = 0, 0, 0
            out += struct.pack("<IHHHHHIIIHH", 0x04034B50, version, e.flags, e.method, DOS_TIME, DOS_DATE, lcrc,
                               lc, lu, len(e.name), len(lextra))
            out += e.name + lextra + payload
            if e.descriptor:
                if e.zip64:
                    out += struct.pack("<IIQQ", 0x08074B50, crc, csize, usize)
                else:
                    out += struct.pack("<IIII", 0x08074B50, crc, csize, usize)
        cextra = e.central_extra
        if e.zip64:
            cextra = extra(0x0001, struct.pack("<QQQ", usize, csize, at)) + cextra
            cc, cu, cat = 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF
        else:
            cc, cu, cat = csize, usize, at
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, e.made_by, version, e.flags, e.method,
                                   DOS_TIME, DOS_DATE, crc, cc, cu, len(e.name), len(cextra), len(e.comment),
                                   0, 0, e.attrs, cat) + e.name + cextra + e.comment)
    if no_directory:
        return bytes(out)
    cd_at = len(out) - base
    for c in central:
        out += c
    cd_size = len(out) - base - cd_at
    count = len(entries)
    if zip64_end:
        z64_at = len(out) - base
        out += struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, disk, disk, count, count, cd_size, cd_at)
        out += struct.pack("<IIQI", 0x07064B50, disk, z64_at, disk + 1)
        out += struct.pack("<IHHHHIIH", 0x06054B50, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
                           len(comment))
    else:
        out += struct.pack("<IHHHHIIH", 0x06054B50, disk, disk, count, count, cd_size, cd_at, len(comment))
    return bytes(out + comment)


VOLUME_MARKER = b"VBFZ-VOL"  # the fuzz target cuts its input into volumes here


def build_split(entries, volume_size):
    """The volumes of a split archive of stored or deflated entries: the split marker in front,
    headers kept whole on one volume, item data cut wherever a volume is full."""
    vols = [bytearray(b"PK\x07\x08")]

    def header(b):
        if len(vols[-1]) + len(b) > volume_size:
            vols.append(bytearray())
        at = (len(vols) - 1, len(vols[-1]))
        vols[-1].extend(b)
        return at

    def data(b):
        while b:
            room = volume_size - len(vols[-1])
            if room <= 0:
                vols.append(bytearray())
                continue
            vols[-1].extend(b[:room])
            b = b[room:]

    central = []
    for e in entries:
        crc = zlib.crc32(e.data) & 0xFFFFFFFF
        payload = e.data if e.method == 0 else deflate(e.data, e.level)
        disk, at = header(struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, e.flags, e.method, DOS_TIME, DOS_DATE, crc,
                                      len(payload), len(e.data), len(e.name), 0) + e.name)
        data(payload)
        central.append(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, e.made_by, 20, e.flags, e.method, DOS_TIME,
                                   DOS_DATE, crc, len(payload), len(e.data), len(e.name), 0, 0, disk, 0, e.attrs,
                                   at) + e.name)
    cd_disk, cd_at = None, None
    for c in central:
        where = header(c)
        if cd_disk is None:
            cd_disk, cd_at = where
    cd_size = sum(len(c) for c in central)
    on_last = sum(1 for c in central) if cd_disk == len(vols) - 1 else 0
    end_disk = len(vols) - 1 if len(vols[-1]) + 22 <= volume_size else len(vols)
    header(struct.pack("<IHHHHIIH", 0x06054B50, end_disk, cd_disk, on_last, len(central), cd_size, cd_at, 0))
    return [bytes(v) for v in vols]


def unix(mode):
    return (mode << 16) | (0x10 if (mode & 0o170000) == 0o040000 else 0x20)


TEXT = b"".join(b"line %d of a small text that compresses well enough\n" % i for i in range(60))


def seeds():
    s = {}
    s["stored.zip"] = build([Entry("readme.txt", b"Hello from a stored item.\n", method=0),
                             Entry("docs/", method=0, attrs=0x10),
                             Entry("docs/a.txt", b"stored in a folder\n", method=0)])
    s["deflated.zip"] = build([Entry("text.txt", TEXT), Entry("empty.txt", b"", method=0),
                               Entry("tiny.bin", bytes(range(256)), level=9)])
    s["encrypted.zip"] = build([Entry("secret.txt", TEXT[:400], encrypted=True),
                                Entry("stored-secret.txt", b"stored and encrypted\n", method=0, encrypted=True),
                                Entry("plain.txt", b"not encrypted\n", method=0)])
    s["encrypted-descriptor.zip"] = build([Entry("secret.txt", TEXT[:300], encrypted=True, descriptor=True)])
    s["zip64.zip"] = build([Entry("big.txt", TEXT[:500], zip64=True), Entry("small.txt", b"zip64 records\n",
                                                                             method=0, zip64=True)],
                           zip64_end=True)
    s["descriptors.zip"] = build([Entry("one.txt", TEXT[:700], descriptor=True),
                                  Entry("two.txt", b"described after the data\n", method=0, descriptor=True),
                                  Entry("three.txt", TEXT[:200], descriptor=True, zip64=True)])
    # A program stub in front: offsets counted from the archive's own start, as a stub glued on
    # without adjusting leaves them.
    s["stub.zip"] = build([Entry("inside.txt", TEXT[:300])], stub=b"MZ" + b"\x90" * 126,
                          offsets_from_file_start=False)
    s["stub-adjusted.zip"] = build([Entry("inside.txt", TEXT[:300])], stub=b"MZ" + b"\x90" * 62)
    # The last volume of a split archive whose first volume (archive.z01) is missing.
    s["split-last.zip"] = build([Entry("part.txt", b"on the last volume\n", method=0)], disk=1)
    # A split archive that fits one volume: the spanning marker in front.
    marked = build([Entry("marked.txt", b"split marker\n", method=0)], stub=b"PK\x07\x08",
                   offsets_from_file_start=True)
    s["split-marker.zip"] = marked
    # Three volumes, joined with the fuzz target's volume marker: the items and the directory
    # each cross a volume's end.
    s["split-volumes.zip"] = VOLUME_MARKER.join(build_split(
        [Entry("first.txt", TEXT[:500]), Entry("second.txt", b"stored across volumes\n" * 8, method=0),
         Entry("Папка/третий.txt", "на последнем томе\n".encode("utf-8"), method=0, flags=0x800)], 300))
    cyr = "Книги/Оглавление.txt"
    s["cyrillic.zip"] = build([
        Entry(cyr, "Текст в UTF-8\n".encode("utf-8"), flags=0x800),
        Entry("Книги/".encode("cp866"), method=0, attrs=0x10),
        Entry("Книги/Повесть.txt".encode("cp866"), "Текст в 866\n".encode("cp866"), method=0),
        Entry("name.txt".encode(), b"unicode path field\n", method=0,
              central_extra=extra(0x7075, b"\x01" + struct.pack("<I", zlib.crc32(b"name.txt") & 0xFFFFFFFF) +
                                  "Имя.txt".encode("utf-8"))),
        Entry("wide.txt".encode(), b"wide name field\n", method=0,
              central_extra=extra(0x554E, b"NUCX" + struct.pack("<I", 11) + "Широкое.txt".encode("utf-16-le"))),
    ])
    s["folders-unix.zip"] = build([
        Entry("a/", method=0, made_by=UNIX_MADE_BY, attrs=unix(0o040755)),
        Entry("a/b/", method=0, made_by=UNIX_MADE_BY, attrs=unix(0o040700)),
        Entry("a/b/run.sh", b"#!/bin/sh\necho hi\n", method=0, made_by=UNIX_MADE_BY, attrs=unix(0o104755)),
        Entry("a/readonly.txt", b"read only\n", method=0, made_by=UNIX_MADE_BY, attrs=unix(0o100444) | 1),
        Entry("a/link", b"../../../etc/passwd", method=0, made_by=UNIX_MADE_BY, attrs=unix(0o120777)),
        Entry("a/link/through.txt", b"through a link\n", method=0, made_by=UNIX_MADE_BY, attrs=unix(0o100644)),
    ])
    s["dotdot.zip"] = build([Entry(n, b"must not leave the folder\n", method=0) for n in [
        "../x", "a/../../y", "a\\..\\..\\w", "/abs.txt", "C:\\drive.txt", "\\\\server\\share\\z.txt",
        "c:relative.txt", "ok/../ok.txt", "./dot.txt"]])
    # Overlapping entries: every directory entry points at the same deflated megabyte.
    zeros = bytes(1 << 20)
    s["bomb-overlap.zip"] = build([Entry("bomb%02d.bin" % i, zeros, level=9) for i in range(16)],
                                  shared_local={i: 0 for i in range(1, 16)})
    # Exactly 9 MiB: streamed rather than inflated in one piece, ending on a chunk boundary.
    s["large-deflated.zip"] = build([Entry("nine-mib.bin", bytes(9 << 20), level=9)])
    whole = build([Entry("first.txt", TEXT), Entry("second.txt", TEXT[::-1])])
    s["truncated.zip"] = whole[:len(whole) * 2 // 3]
    s["empty.zip"] = build([])
    # Name parts longer than a file system allows, for a file and for a folder, and a deep tree.
    s["long-names.zip"] = build([Entry("f" * 300 + ".txt", b"long file name\n", method=0),
                                 Entry("d" * 300 + "/in.txt", b"in a long folder name\n", method=0),
                                 Entry("/".join(["deep"] * 200) + "/bottom.txt", b"deep\n", method=0)])
    s["comments.zip"] = build([Entry("c.txt", b"commented\n", method=0, comment=b"item comment")],
                              comment=b"archive comment")
    s["duplicates.zip"] = build([Entry("same.txt", b"first\n", method=0), Entry("same.txt", b"second\n", method=0),
                                 Entry("Same.TXT", b"third, other case\n", method=0),
                                 Entry("same.txt/", method=0, attrs=0x10)])
    s["methods.zip"] = build([Entry("deflate64.bin", b"x" * 64, method=9), Entry("bzip2.bin", b"y" * 64, method=12),
                              Entry("aes.bin", b"z" * 64, method=99, encrypted=True,
                                    central_extra=extra(0x9901, struct.pack("<H2sBH", 2, b"AE", 3, 8)),
                                    local_extra=extra(0x9901, struct.pack("<H2sBH", 2, b"AE", 3, 8)))])

    # ---- Archives as other tools write them, once read wrongly ----
    # Names that differ only in case, of files and of folders: each is an entry of its own.
    s["case-variants.zip"] = build([
        Entry("README", b"upper-case name\n", method=0),
        Entry("readme", b"lower-case name\n", method=0),
        Entry("ПРИВЕТ.txt", "заглавные буквы\n".encode("utf-8"), method=0, flags=0x800),
        Entry("привет.txt", "строчные буквы\n".encode("utf-8"), method=0, flags=0x800),
        Entry("Docs/upper.txt", TEXT[:200]),
        Entry("docs/lower.txt", TEXT[200:400]),
    ])
    # Made on Unix with every DOS attribute bit set, as some tools fill that byte: the mode tells
    # files from folders. A name ending in "/" is a folder whatever its mode says.
    s["unix-attribute-byte.zip"] = build([
        Entry("tool.sh", b"#!/bin/sh\necho a file, not a folder\n" * 4, made_by=UNIX_MADE_BY,
              attrs=(0o100755 << 16) | 0xFF),
        Entry("notes.txt", TEXT[:400], made_by=UNIX_MADE_BY, attrs=(0o100644 << 16) | 0xFF),
        Entry("folder", method=0, made_by=UNIX_MADE_BY, attrs=(0o040755 << 16) | 0xFF),
        Entry("slash/", method=0, made_by=UNIX_MADE_BY, attrs=0o100644 << 16),
    ])
    # End records that leave bytes after them: one byte appended, and a comment shorter than its
    # record declares.
    two = build([Entry("a.txt", TEXT[:300]), Entry("b.txt", b"second item\n", method=0)], comment=b"comment")
    s["trailing-byte.zip"] = two + b"\0"
    short = bytearray(two)
    struct.pack_into("<H", short, len(short) - len(b"comment") - 2, len(b"comment") + 5)
    s["short-comment.zip"] = bytes(short)
    # A Zip64 archive behind a program stub; its offsets, the locator's too, count from its own start.
    s["zip64-stub.zip"] = build([Entry("big.txt", TEXT[:500], zip64=True),
                                 Entry("small.txt", b"behind a stub\n", method=0, zip64=True)],
                                stub=b"MZ" + b"\x90" * 254, offsets_from_file_start=False, zip64_end=True)
    # The end record counts one entry; the directory holds three.
    low = bytearray(build([Entry("one.txt", b"first\n", method=0), Entry("two.txt", b"second\n", method=0),
                           Entry("three.txt", b"third\n", method=0)]))
    struct.pack_into("<HH", low, len(low) - 22 + 8, 1, 1)
    s["count-low.zip"] = bytes(low)
    # No end record, and the one local header signature leads to nothing: there is nothing to recover.
    s["recovery-nothing.zip"] = (b"not an archive: " +
                                 struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, 0, DOS_TIME, DOS_DATE, 0, 0x7FFFFFF0,
                                             0x7FFFFFF0, 5, 0) + b"x.txt" + b" and nothing after it")
    # Local headers alone, the directory cut off: sizes in the Zip64 field, a data descriptor, both.
    s["recovery-zip64.zip"] = build([Entry("zip64.txt", TEXT[:600], zip64=True),
                                     Entry("streamed.txt", TEXT[100:500], descriptor=True),
                                     Entry("both.txt", TEXT[:250], zip64=True, descriptor=True)], no_directory=True)
    # Items that fail, each for a reason of its own; the last one is sound.
    aes4 = extra(0x9901, struct.pack("<H2sBH", 2, b"AE", 4, 8))
    s["failure-reasons.zip"] = build([
        Entry("deflate64.bin", b"x" * 64, method=9),
        Entry("bzip2.bin", b"y" * 64, method=12),
        Entry("lzma.bin", b"l" * 64, method=14),
        Entry("aes-strength.bin", b"z" * 64, method=99, encrypted=True, central_extra=aes4, local_extra=aes4),
        Entry("aes-no-field.bin", b"w" * 64, method=99, encrypted=True),
        Entry("crc.txt", b"the stored CRC-32 is not this text's\n", method=0, crc=0x12345678),
        Entry("overlap-1.bin", bytes(4096)),
        Entry("overlap-2.bin", bytes(4096)),
        Entry("good.txt", b"this one is sound\n", method=0),
    ], shared_local={7: 6})

    # Other tools' Unicode path field (0x7075): the name when its CRC matches the stored name.
    def upath(stored, name, version=1, crc=None):
        return extra(0x7075, bytes([version]) + struct.pack("<I", zlib.crc32(stored) & 0xFFFFFFFF if crc is None
                                                            else crc) + name.encode("utf-8"))
    report = "Отчёт.txt".encode("utf-8")
    s["unicode-path.zip"] = build([
        Entry(report, b"named by the field\n", method=0, central_extra=upath(report, "Отчёт.txt")),
        Entry(b"stale.txt", b"renamed since: the CRC no longer matches\n", method=0,
              central_extra=upath(b"old.txt", "Другое.txt")),
        Entry(b"version.txt", b"a version this field never had\n", method=0,
              central_extra=upath(b"version.txt", "Версия.txt", version=2)),
    ])
    return s


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                "fuzz-seeds")
    os.makedirs(folder, exist_ok=True)
    for name, data in sorted(seeds().items()):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%-28s %6d bytes" % (name, len(data)))


if __name__ == "__main__":
    main()
