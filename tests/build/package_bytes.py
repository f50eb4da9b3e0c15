# Where in a compound file (an installer package) a byte lies that no
# stream holds, for the package-end test: prints the offset of the first
# slack byte (past a stream's end in its last sector or mini sector) and of
# a byte inside a stream's data.
#   /usr/bin/python3 package_bytes.py PACKAGE
import sys

import olefile

ole = olefile.OleFileIO(sys.argv[1])


def chain(fat, start):
    sectors = []
    while start < olefile.MAXREGSECT and len(sectors) <= len(fat):
        sectors.append(start)
        start = fat[start]
    return sectors


def offset(sector, size, at):
    return (sector + 1) * size + at


ole.loadminifat()
root = chain(ole.fat, ole.root.isectStart)
for entry in ole.direntries:
    if entry is None or entry.entry_type != olefile.STGTY_STREAM or entry.size == 0:
        continue
    mini = entry.size < ole.minisectorcutoff
    unit = ole.minisectorsize if mini else ole.sectorsize
    if entry.size % unit == 0:
        continue
    sectors = chain(ole.minifat if mini else ole.fat, entry.isectStart)
    if mini:
        # A mini sector lies in the mini stream, itself in the root's sectors.
        def at(n, within):
            place = n * unit + within
            return offset(root[place // ole.sectorsize], ole.sectorsize, place % ole.sectorsize)
    else:
        def at(n, within):
            return offset(n, ole.sectorsize, within)
    print(at(sectors[-1], entry.size % unit), at(sectors[0], 0))
    break
