"""Checks a compound document: first its allocation structure directly (readers are
lenient, so faults they would tolerate are caught here), then with olefile that its root
holds exactly one stream of the given name whose bytes equal those of a reference file.

usage: check_compound.py FILE STREAM_NAME EXPECTED_BYTES_FILE
Exit status 0 when everything matches, 1 on a mismatch, 2 when olefile is missing.
"""
import struct
import sys

try:
    import olefile
except ImportError as e:
    print("olefile cannot be imported: %s" % e)
    sys.exit(2)

FREE, END, FATSECT, DIFSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC, 0xFFFFFFFF
MAXREG = 0xFFFFFFFA


def structure_problems(data):
    """Every sector must be accounted for exactly once; returns a list of faults."""
    problems = []
    u32 = lambda off: struct.unpack_from("<I", data, off)[0]
    if data[:8] != bytes.fromhex("D0CF11E0A1B11AE1"):
        return ["bad signature"]
    if len(data) % 512:
        problems.append("file size %d is not whole sectors" % len(data))
    ver, order, shift, mshift = struct.unpack_from("<HHHH", data, 26)
    if (ver, order, shift, mshift) != (3, 0xFFFE, 9, 6):
        problems.append("header version/order/shifts %r" % ((ver, order, shift, mshift),))
    if u32(40) != 0 or u32(56) != 4096:
        problems.append("directory sector count or cutoff wrong")
    nsect = (len(data) - 512) // 512
    sector = lambda n: data[512 + 512 * n: 1024 + 512 * n]
    ids = lambda raw: list(struct.unpack("<128I", raw))

    nfat, first_difat, ndifat = u32(44), u32(68), u32(72)
    fat_sectors = [u32(76 + 4 * i) for i in range(109)]
    difat_sectors = []
    d = first_difat
    while d != END and len(difat_sectors) <= ndifat:
        if d >= nsect:
            return problems + ["DIFAT sector %d outside the file" % d]
        difat_sectors.append(d)
        entries = ids(sector(d))
        fat_sectors += entries[:127]
        d = entries[127]
    if len(difat_sectors) != ndifat:
        problems.append("DIFAT chain has %d sectors, header says %d" % (len(difat_sectors), ndifat))
    if any(x != FREE for x in fat_sectors[nfat:]) or FREE in fat_sectors[:nfat]:
        problems.append("DIFAT does not list exactly %d FAT sectors" % nfat)
    fat_sectors = fat_sectors[:nfat]
    if any(f >= nsect for f in fat_sectors):
        return problems + ["FAT sector outside the file"]
    fat = [x for f in fat_sectors for x in ids(sector(f))]
    if len(fat) < nsect:
        return problems + ["FAT covers %d of %d sectors" % (len(fat), nsect)]
    for f in fat_sectors:
        if fat[f] != FATSECT:
            problems.append("FAT sector %d not marked as such" % f)
    for f in difat_sectors:
        if fat[f] != DIFSECT:
            problems.append("DIFAT sector %d not marked as such" % f)
    if any(x != FREE for x in fat[nsect:]):
        problems.append("FAT entries past the end of the file are not free")

    used = set(fat_sectors) | set(difat_sectors)

    def chain(table, start, what, seen):
        out, n = [], start
        while n != END:
            if n >= len(table) or n in seen or n > MAXREG:
                problems.append("%s chain broken at %d" % (what, n))
                break
            seen.add(n)
            out.append(n)
            n = table[n]
        return out

    dirs = chain(fat, u32(48), "directory", used)
    dirdata = b"".join(sector(n) for n in dirs)
    entries = [dirdata[i:i + 128] for i in range(0, len(dirdata), 128)]
    root = entries[0]
    if root[66] != 5 or root[:20].decode("utf-16-le") != "Root Entry":
        problems.append("first directory entry is not the root")
    for i, e in enumerate(entries):
        if e[66] == 0 and e != bytes(68) + b"\xff" * 12 + bytes(48):
            problems.append("unused directory entry %d is not cleared" % i)
        if e[66] != 0:
            namelen = struct.unpack_from("<H", e, 64)[0]
            name = e[:namelen].decode("utf-16-le")
            if not name.endswith("\0") or "\0" in name[:-1]:
                problems.append("entry %d name length field wrong" % i)
            if struct.unpack_from("<I", e, 124)[0]:
                problems.append("entry %d size high part not zero" % i)

    minifat_secs = chain(fat, u32(60), "MiniFAT", used)
    if len(minifat_secs) != u32(64):
        problems.append("MiniFAT chain has %d sectors, header says %d" % (len(minifat_secs), u32(64)))
    minifat = [x for f in minifat_secs for x in ids(sector(f))]
    root_start, root_size = struct.unpack_from("<II", root, 116)
    mini_secs = chain(fat, root_start, "mini stream", used) if root_size else []
    if root_size % 64 or len(mini_secs) != -(-root_size // 512):
        problems.append("root size %d does not match its %d sectors" % (root_size, len(mini_secs)))

    mini_used = set()
    for i, e in enumerate(entries[1:], 1):
        if e[66] != 2:
            continue
        start, size = struct.unpack_from("<II", e, 116)
        if size == 0:
            if start != END:
                problems.append("empty stream %d has a start sector" % i)
        elif size < 4096:
            got = chain(minifat, start, "stream %d mini" % i, mini_used)
            if len(got) != -(-size // 64) or max(got) * 64 >= root_size:
                problems.append("stream %d mini chain does not fit its size" % i)
        elif len(chain(fat, start, "stream %d" % i, used)) != -(-size // 512):
            problems.append("stream %d chain does not fit its size" % i)
    if any(x != FREE for n, x in enumerate(minifat) if n not in mini_used):
        problems.append("MiniFAT has entries outside every chain")
    orphans = [n for n in range(nsect) if n not in used and fat[n] != FREE]
    if orphans:
        problems.append("sectors allocated but in no chain: %r" % orphans[:5])
    return problems


def main():
    path, name, expected_path = sys.argv[1:4]
    with open(expected_path, "rb") as f:
        expected = f.read()
    with open(path, "rb") as f:
        problems = structure_problems(f.read())
    if problems:
        print("\n".join(problems))
        return 1
    # Strict: any structural fault olefile can see is raised, not tolerated.
    ole = olefile.OleFileIO(path, raise_defects=olefile.DEFECT_INCORRECT)
    try:
        entries = ole.listdir(streams=True, storages=True)
        if entries != [[name]]:
            print("root entries %r, expected [[%r]]" % (entries, name))
            return 1
        if ole.get_type(name) != olefile.STGTY_STREAM:
            print("%r is not a stream" % name)
            return 1
        size = ole.get_size(name)
        if size != len(expected):
            print("stream size %d, expected %d" % (size, len(expected)))
            return 1
        data = ole.openstream(name).read()
        if data != expected:
            first = next((i for i, (a, b) in enumerate(zip(data, expected)) if a != b),
                         min(len(data), len(expected)))
            print("stream content differs (read %d bytes, first difference at %d)"
                  % (len(data), first))
            return 1
    finally:
        ole.close()
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
