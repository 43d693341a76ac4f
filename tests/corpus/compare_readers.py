#!/usr/bin/env python3
"""Archives from every ZIP writer on this machine, extracted by the programs' five steps and by
the other readers (unzip, 7z, bsdtar, Python's zipfile), and the trees compared.

An archive that all four readers extract, where at least three of them agree on the tree, must
come out of the five steps as that same tree, read from its own directory (no recovery scan).
An archive holding an item in a method the library does not decode must fail that item with the
unsupported-method error naming the method, and the batch must say it did not succeed. Other
archives (split sets, AES items, readers that disagree) are listed for information.

Usage: compare_readers.py --five-steps PATH [--work DIR] [--keep] [--only SUBSTRING]
Exit status: 0 all held, 1 a difference, 77 a writer or reader is missing (unless
VB_REQUIRE_TOOLS asks for every tool, which turns that into a failure).
"""
import argparse
import hashlib
import io
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

PASSWORD = "corpus pw"
TOOLS = ["zip", "unzip", "7z", "bsdtar", "ziptool"]
ENV = dict(os.environ, LC_ALL="C.UTF-8", PATH="/usr/local/bin:/usr/bin:/bin")

# Methods the library does not decode, by number, with the name its error gives.
UNSUPPORTED = {1: "Shrink", 6: "Implode", 9: "Deflate64", 12: "bzip2", 14: "LZMA", 93: "Zstandard",
               95: "XZ", 98: "PPMd"}


def run(args, cwd=None, stdin=None, check=True):
    r = subprocess.run(args, cwd=cwd, env=ENV, stdin=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if check and r.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (" ".join(args), r.returncode, r.stderr.decode(errors="replace")))
    return r


# ---- The source tree every writer packs ----

def make_source(root):
    rnd = random.Random(14)
    words = ["archive", "item", "книга", "story", "folder", "catalog", "reader", "update", "and", "page"]

    def text(n):
        out = []
        size = 0
        while size < n:
            w = rnd.choice(words)
            out.append(w)
            size += len(w.encode()) + 1
        return (" ".join(out) + "\n").encode()

    files = {
        "readme.txt": b"A small text file.\n",
        "README": b"upper-case name, no extension\n",
        "readme": b"lower-case twin of README\n",
        "ПРИВЕТ.txt": "заглавные\n".encode(),
        "привет.txt": "строчные\n".encode(),
        "Книги/Повесть.txt": text(20000),
        "Docs/upper.txt": b"in the folder Docs\n",
        "docs/story.txt": text(300000),
        "docs/empty.txt": b"",
        "data/random.bin": bytes(rnd.getrandbits(8) for _ in range(70000)),
        "data/big.txt": text(3 << 20),
        "deep/a/b/c/d.txt": b"deep\n",
        "name with spaces.txt": b"spaces\n",
        ".hidden": b"dot file\n",
    }
    for rel, data in files.items():
        p = os.path.join(root, rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "wb") as f:
            f.write(data)
    os.makedirs(os.path.join(root, "empty-folder"), exist_ok=True)
    os.chmod(os.path.join(root, "data/random.bin"), 0o755)
    return sorted(files)


# ---- Writers ----

def walk(src):
    """Every folder and file below src, relative, folders first, sorted."""
    out = []
    for dirpath, dirnames, filenames in os.walk(src):
        dirnames.sort()
        rel = os.path.relpath(dirpath, src)
        if rel != ".":
            out.append((rel + "/", None))
        for f in sorted(filenames):
            out.append((os.path.normpath(os.path.join(rel, f)), os.path.join(dirpath, f)))
    return out


def python_zip(path, compression=zipfile.ZIP_DEFLATED, level=None, stream=False, force_zip64=False,
               comments=False, padding=False, limits=False):
    if limits:
        # Small limits give every item and the end its Zip64 records, as a huge archive has.
        saved = zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT
        zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = 1, 1

    class Unseekable(io.RawIOBase):
        def __init__(self, f):
            self.f = f

        def writable(self):
            return True

        def write(self, b):
            return self.f.write(b)

    try:
        with open(path, "wb") as raw:
            target = Unseekable(raw) if stream else raw
            with zipfile.ZipFile(target, "w", compression=compression, compresslevel=level) as z:
                for rel, full in walk(SRC):
                    if full is None:
                        z.mkdir(rel) if not padding else z.writestr(folder_info(rel), b"")
                        continue
                    info = zipfile.ZipInfo.from_file(full, rel)
                    info.compress_type = compression
                    if comments:
                        info.comment = ("comment of " + rel).encode()
                    if padding:
                        # An unknown field and alignment padding, as some writers leave.
                        info.extra = struct.pack("<HH", 0xCAFE, 5) + b"pad\0\0" + struct.pack("<HH", 0xD935, 3) + b"\0\0\0"
                    with open(full, "rb") as f, z.open(info, "w", force_zip64=force_zip64) as out:
                        shutil.copyfileobj(f, out)
                if comments:
                    z.comment = b"archive comment written by Python"
    finally:
        if limits:
            zipfile.ZIP64_LIMIT, zipfile.ZIP_FILECOUNT_LIMIT = saved


def folder_info(rel):
    i = zipfile.ZipInfo(rel)
    i.external_attr = (0o40755 << 16) | 0x10
    return i


def sh(cmd):
    return lambda path: run(["/bin/sh", "-c", cmd.format(out=path, pw=PASSWORD)], cwd=SRC)


def with_trailing(base, extra):
    def make(path):
        build_into(base, path)
        with open(path, "ab") as f:
            f.write(extra)
    return make


def with_short_comment(base):
    """The archive comment cut short: the end record declares more bytes than follow it."""
    def make(path):
        build_into(base, path)
        with open(path, "rb") as f:
            data = bytearray(f.read())
        at = data.rfind(b"PK\x05\x06")
        declared = struct.unpack_from("<H", data, at + 20)[0]
        struct.pack_into("<H", data, at + 20, declared + 7)
        with open(path, "wb") as f:
            f.write(data)
    return make


def with_stub(base, adjust):
    def make(path):
        build_into(base, path)
        with open(path, "rb") as f:
            data = f.read()
        with open("/bin/true", "rb") as f:
            stub = f.read()
        with open(path, "wb") as f:
            f.write(stub + data)
        if adjust:
            run(["zip", "-q", "-A", path])
    return make


def build_into(name, path):
    WRITERS[name][0](path)


def ziptool_archive(path):
    args = ["ziptool", "-n", path, "set_archive_comment", "written by ziptool"]
    for rel, full in walk(SRC):
        if full is None:
            args += ["add_dir", rel.rstrip("/")]
        else:
            args += ["add_file", rel, full, "0", "0"]  # length 0: the whole file
    run(args)


# name -> (maker, password, split volumes): the corpus
WRITERS = {}


def writer(name, maker, password=None):
    WRITERS[name] = (maker, password)


def define_writers():
    writer("zip-default.zip", sh("zip -q -r {out} ."))
    writer("zip-stored.zip", sh("zip -q -r -0 {out} ."))
    writer("zip-best.zip", sh("zip -q -r -9 {out} ."))
    writer("zip-encrypted.zip", sh("zip -q -r -P '{pw}' {out} ."), PASSWORD)
    writer("zip-descriptors.zip", sh("zip -q -r -fd {out} ."))
    writer("zip-zip64.zip", sh("zip -q -r -fz {out} ."))
    writer("zip-no-extra.zip", sh("zip -q -r -X -D {out} ."))
    writer("zip-utf8-flag.zip", sh("zip -q -r -UN=UTF8 {out} ."))
    writer("zip-bzip2.zip", sh("zip -q -r -Z bzip2 {out} ."))
    writer("zip-streamed.zip", sh("zip -q -r - . | cat > {out}"))
    writer("zip-streamed-stdin.zip", sh("cat docs/story.txt | zip -q > {out}"))
    writer("zip-streamed-encrypted.zip", sh("zip -q -r -P '{pw}' - . | cat > {out}"), PASSWORD)
    writer("zip-stub-loose.exe", with_stub("zip-default.zip", adjust=False))
    writer("zip-stub-adjusted.exe", with_stub("zip-default.zip", adjust=True))
    writer("zip-split.zip", sh("zip -q -r -s 64k {out} ."))
    writer("7z-store.zip", sh("7z a -tzip -bd -mx=0 {out} . >/dev/null"))
    writer("7z-default.zip", sh("7z a -tzip -bd {out} . >/dev/null"))
    writer("7z-fastest.zip", sh("7z a -tzip -bd -mx=1 {out} . >/dev/null"))
    writer("7z-ultra.zip", sh("7z a -tzip -bd -mx=9 -mfb=258 -mpass=15 {out} . >/dev/null"))
    writer("7z-utf8.zip", sh("7z a -tzip -bd -mcu=on {out} . >/dev/null"))
    writer("7z-times.zip", sh("7z a -tzip -bd -mtc=on {out} . >/dev/null"))
    writer("7z-zipcrypto.zip", sh("7z a -tzip -bd -mem=ZipCrypto -p'{pw}' {out} . >/dev/null"), PASSWORD)
    writer("7z-aes256.zip", sh("7z a -tzip -bd -mem=AES256 -p'{pw}' {out} . >/dev/null"), PASSWORD)
    writer("7z-deflate64.zip", sh("7z a -tzip -bd -mm=Deflate64 {out} . >/dev/null"))
    writer("7z-bzip2.zip", sh("7z a -tzip -bd -mm=BZip2 {out} . >/dev/null"))
    writer("7z-lzma.zip", sh("7z a -tzip -bd -mm=LZMA {out} . >/dev/null"))
    writer("7z-ppmd.zip", sh("7z a -tzip -bd -mm=PPMd {out} . >/dev/null"))
    writer("bsdtar-default.zip", sh("bsdtar -a -cf {out} ."))
    writer("bsdtar-store.zip", sh("bsdtar --format zip --options zip:compression=store -cf {out} ."))
    writer("bsdtar-zipcrypt.zip", sh("bsdtar --format zip --options zip:encryption=zipcrypt "
                                     "--passphrase '{pw}' -cf {out} ."), PASSWORD)
    writer("bsdtar-aes256.zip", sh("bsdtar --format zip --options zip:encryption=aes256 "
                                   "--passphrase '{pw}' -cf {out} ."), PASSWORD)
    writer("bsdtar-stdout.zip", sh("bsdtar --format zip -cf - . > {out}"))
    writer("bsdtar-zip64.zip", sh("bsdtar --format zip --options zip:zip64 -cf {out} ."))
    writer("python-stored.zip", lambda p: python_zip(p, zipfile.ZIP_STORED))
    writer("python-deflated.zip", lambda p: python_zip(p, zipfile.ZIP_DEFLATED))
    writer("python-deflated-1.zip", lambda p: python_zip(p, zipfile.ZIP_DEFLATED, level=1))
    writer("python-bzip2.zip", lambda p: python_zip(p, zipfile.ZIP_BZIP2))
    writer("python-lzma.zip", lambda p: python_zip(p, zipfile.ZIP_LZMA))
    writer("python-force-zip64.zip", lambda p: python_zip(p, force_zip64=True))
    writer("python-zip64-records.zip", lambda p: python_zip(p, force_zip64=True, limits=True))
    writer("python-descriptors.zip", lambda p: python_zip(p, stream=True))
    writer("python-descriptors-zip64.zip", lambda p: python_zip(p, zipfile.ZIP_STORED, stream=True, force_zip64=True))
    writer("python-comments.zip", lambda p: python_zip(p, comments=True))
    writer("python-padding.zip", lambda p: python_zip(p, padding=True))
    writer("python-zip64-stub.exe", with_stub("python-zip64-records.zip", adjust=False))
    writer("python-cli.zip", lambda p: run([sys.executable, "-m", "zipfile", "-c", p] + sorted(os.listdir(SRC)),
                                           cwd=SRC))
    writer("ziptool.zip", ziptool_archive)
    writer("trailing-byte.zip", with_trailing("zip-default.zip", b"\0"))
    writer("trailing-kilobyte.zip", with_trailing("7z-default.zip", bytes(1024)))
    writer("trailing-after-comment.zip", with_trailing("python-comments.zip", b"padding after the comment"))
    writer("trailing-zip64.zip", with_trailing("python-zip64-records.zip", b"\0" * 3))
    writer("short-comment.zip", with_short_comment("python-comments.zip"))


# ---- Readers ----

def read_unzip(archive, out, pw):
    args = ["unzip", "-qq", "-o"] + (["-P", pw] if pw else []) + [archive, "-d", out]
    return run(args, check=False).returncode == 0


def read_7z(archive, out, pw):
    args = ["7z", "x", "-y", "-bd", "-o" + out, "-p" + (pw or "")] + [archive]
    return run(args, check=False, stdin=subprocess.DEVNULL).returncode == 0


def read_bsdtar(archive, out, pw):
    os.makedirs(out, exist_ok=True)
    args = ["bsdtar", "-xf", archive, "-C", out] + (["--passphrase", pw] if pw else [])
    return run(args, check=False, stdin=subprocess.DEVNULL).returncode == 0


def read_python(archive, out, pw):
    try:
        with zipfile.ZipFile(archive) as z:
            z.extractall(out, pwd=pw.encode() if pw else None)
        return True
    except Exception:  # noqa: BLE001 - any failure is "did not extract"
        return False


READERS = [("unzip", read_unzip), ("7z", read_7z), ("bsdtar", read_bsdtar), ("python", read_python)]


def tree(root):
    """relative path (bytes) -> 'dir', or the file's SHA-1."""
    out = {}
    broot = os.fsencode(root)
    for dirpath, dirnames, filenames in os.walk(broot):
        for d in dirnames:
            p = os.path.join(dirpath, d)
            out[os.path.relpath(p, broot)] = "link" if os.path.islink(p) else "dir"
        for f in filenames:
            p = os.path.join(dirpath, f)
            if os.path.islink(p):
                out[os.path.relpath(p, broot)] = "link"
                continue
            with open(p, "rb") as fh:
                out[os.path.relpath(p, broot)] = hashlib.sha1(fh.read()).hexdigest()
    return out


def difference(expected, got):
    missing = sorted(set(expected) - set(got))
    extra = sorted(set(got) - set(expected))
    changed = sorted(k for k in set(expected) & set(got) if expected[k] != got[k])
    parts = []
    for label, names in (("missing", missing), ("unexpected", extra), ("different", changed)):
        if names:
            shown = ", ".join(n.decode(errors="replace") for n in names[:6])
            parts.append("%s %d (%s%s)" % (label, len(names), shown, ", ..." if len(names) > 6 else ""))
    return "; ".join(parts)


def oem_components(archive):
    """Name parts that our reading gives in code page 866: those of 8-bit names stored without the
    UTF-8 flag and without a Unicode name field whose CRC matches. Other readers take such bytes
    as they stand (UTF-8 here); as raw bytes -> the name part we write."""
    out = {}
    try:
        with zipfile.ZipFile(archive) as z:
            infos = z.infolist()
    except Exception:  # noqa: BLE001
        return out
    for i in infos:
        if i.flag_bits & 0x800:
            continue
        raw = i.orig_filename.encode("cp437")
        if raw.isascii() or has_unicode_name(i.extra, raw):
            continue
        for part in raw.replace(b"\\", b"/").split(b"/"):
            if part and not part.isascii():
                out[part] = part.decode("cp866").encode()
    return out


def has_unicode_name(extra, raw):
    at = 0
    while at + 4 <= len(extra):
        tag, size = struct.unpack_from("<HH", extra, at)
        data = extra[at + 4:at + 4 + size]
        if tag == 0x554E and data[:4] == b"NUCX":
            return True
        if tag == 0x7075 and len(data) > 5 and data[0] == 1 and \
                struct.unpack_from("<I", data, 1)[0] == zlib.crc32(raw) & 0xFFFFFFFF:
            return True
        at += 4 + size
    return False


def as_we_name_it(reference, oem):
    if not oem:
        return reference
    out = {}
    for key, value in reference.items():
        out[b"/".join(oem.get(part, part) for part in key.split(b"/"))] = value
    return out


def methods_of(archive):
    try:
        with zipfile.ZipFile(archive) as z:
            return {i.compress_type for i in z.infolist()}
    except Exception:  # noqa: BLE001
        return set()


def check(name, archive, pw, five_steps, work):
    """(verdict, text): verdict 'ok', 'fail' or 'info'."""
    trees = {}
    for reader, fn in READERS:
        out = os.path.join(work, "out-" + reader)
        shutil.rmtree(out, ignore_errors=True)
        os.makedirs(out)
        if fn(archive, out, pw):
            trees[reader] = tree(out)
        shutil.rmtree(out, ignore_errors=True)
    ours_dir = os.path.join(work, "out-ours")
    shutil.rmtree(ours_dir, ignore_errors=True)
    os.makedirs(ours_dir)
    r = subprocess.run([five_steps, archive, ours_dir] + ([pw] if pw else []), env=ENV,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    ours = tree(ours_dir)
    message = r.stderr.decode(errors="replace").strip()
    subprocess.run(["chmod", "-R", "u+rwX", ours_dir], check=False)
    shutil.rmtree(ours_dir, ignore_errors=True)
    readers = "readers: " + (", ".join(sorted(trees)) or "none")

    unsupported = sorted(UNSUPPORTED[m] for m in methods_of(archive) if m in UNSUPPORTED)
    if unsupported:
        if r.returncode == 1 and message.startswith("batch failed") and "method" in message and \
                any(m in message for m in unsupported):
            return "ok", "%s; ours refused it: %s" % (readers, message.splitlines()[0][:160])
        return "fail", "%s; ours (status %d) should refuse method %s: %s" % (readers, r.returncode,
                                                                          ", ".join(unsupported), message[:300])

    # The tree most readers agree on.
    votes = {}
    for reader, t in trees.items():
        key = tuple(sorted(t.items()))
        votes.setdefault(key, []).append(reader)
    best = max(votes.values(), key=len) if votes else []
    reference = trees[best[0]] if best else None
    required = len(trees) == len(READERS) and len(best) >= 3
    if reference is None:
        return "info", "no reader extracts it; ours: status %d %s" % (r.returncode, message[:200])
    diff = difference(as_we_name_it(reference, oem_components(archive)), ours)
    if r.returncode == 0 and not diff:
        return "ok", "%s; agree: %s" % (readers, ", ".join(best))
    text = "%s; agree: %s; ours status %d%s%s" % (readers, ", ".join(best), r.returncode,
                                                  (": " + message[:300]) if message else "",
                                                  ("; " + diff) if diff else "")
    return ("fail" if required else "info"), text


def main():
    global SRC
    ap = argparse.ArgumentParser()
    ap.add_argument("--five-steps", required=True)
    ap.add_argument("--work")
    ap.add_argument("--keep", action="store_true")
    ap.add_argument("--only")
    args = ap.parse_args()

    missing = [t for t in TOOLS if shutil.which(t, path=ENV["PATH"]) is None]
    if missing:
        print("missing tools: " + ", ".join(missing))
        required = os.environ.get("VB_REQUIRE_TOOLS", "0") not in ("", "0")
        return 1 if required else 77

    work = args.work or tempfile.mkdtemp(prefix="vb-corpus-")
    os.makedirs(work, exist_ok=True)
    SRC = os.path.join(work, "src")
    shutil.rmtree(SRC, ignore_errors=True)
    os.makedirs(SRC)
    make_source(SRC)
    archives = os.path.join(work, "archives")
    shutil.rmtree(archives, ignore_errors=True)
    os.makedirs(archives)
    define_writers()

    failures = 0
    for name, (maker, pw) in WRITERS.items():
        if args.only and args.only not in name:
            continue
        path = os.path.join(archives, name)
        try:
            maker(path)
        except Exception as e:  # noqa: BLE001 - a writer that can't make it is a failure of the corpus
            print("FAIL  %-28s could not be made: %s" % (name, e))
            failures += 1
            continue
        verdict, text = check(name, path, pw, args.five_steps, work)
        print("%-5s %-28s %s" % (verdict.upper(), name, text))
        failures += verdict == "fail"
    if not args.keep:
        shutil.rmtree(work, ignore_errors=True)
    print("%d archives, %d differences" % (len(WRITERS), failures))
    return 1 if failures else 0


SRC = None

if __name__ == "__main__":
    sys.exit(main())
