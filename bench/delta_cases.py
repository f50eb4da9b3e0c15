#!/usr/bin/python3
"""bench/delta_cases.py LIBRARY SIZE FOLDER: old and new files of SIZE bytes
for the delta benchmark. The old file is the first SIZE bytes of LIBRARY (a
shared library: real machine code); each new file changes about 1% of it:
  scattered  runs of 1-32 random bytes written at random places, as a
             rebuild's small fixes change a few instructions here and there
  bytes      one byte in a hundred rewritten at random places: the worst
             case, whose random values and places no delta can squeeze
  inserted   a block of 1% random bytes inserted in the middle
  shifted    0.5% inserted a quarter in, the 4-byte targets of the calls
             (0xE8) after it moved by as much, until 1% of bytes changed
Fixed seeds: the same files every run."""
import random
import sys

library, size, folder = sys.argv[1], int(sys.argv[2]), sys.argv[3]
with open(library, "rb") as f:
    old = f.read(size)
assert len(old) == size, "library too small"
rng = random.Random(size)

single = bytearray(old)
for _ in range(size // 100):
    single[rng.randrange(size)] = rng.randrange(256)

scattered = bytearray(old)
written = 0
while written < size // 100:
    run = min(rng.randint(1, 32), size // 100 - written)
    where = rng.randrange(size - run + 1)
    scattered[where:where + run] = rng.randbytes(run)
    written += run

middle = size // 2
inserted = old[:middle] + rng.randbytes(size // 100) + old[middle:]

shift = max(1, size // 200)
at = size // 4
shifted = bytearray(old[:at] + rng.randbytes(shift) + old[at:])
changed, i = shift, at + shift
while i + 5 <= len(shifted) and changed < size // 100:
    if shifted[i] == 0xE8:
        target = int.from_bytes(shifted[i + 1:i + 5], "little")
        shifted[i + 1:i + 5] = ((target + shift) & 0xFFFFFFFF).to_bytes(4, "little")
        changed += 2
        i += 5
    else:
        i += 1

for name, data in (("old", old), ("scattered", scattered), ("bytes", single), ("inserted", inserted), ("shifted", shifted)):
    with open(f"{folder}/{name}", "wb") as f:
        f.write(data)
