#!/usr/bin/env python3
"""Writes crosshair.cur: a 32 x 32 cursor, hot spot 16,16, 32-bit colour."""
import struct
import sys

SIZE = 32
HOT = 16


def pixel(x, y):
    """BGRA of the crosshair: a black cross and ring with a white halo."""
    dx, dy = x - HOT, y - HOT
    ring = abs((dx * dx + dy * dy) ** 0.5 - 9.0)
    on_cross = (dx == 0 and abs(dy) <= 14) or (dy == 0 and abs(dx) <= 14)
    near_cross = (abs(dx) <= 1 and abs(dy) <= 15) or (abs(dy) <= 1 and abs(dx) <= 15)
    if on_cross or ring < 0.6:
        return (0x20, 0x20, 0xC0, 0xFF) if (dx, dy) == (0, 0) else (0, 0, 0, 0xFF)
    if near_cross or ring < 1.6:
        return (0xFF, 0xFF, 0xFF, 0xFF)
    return (0, 0, 0, 0)


def main(path):
    rows = []
    for y in reversed(range(SIZE)):  # bottom-up rows
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    and_rows = []
    for y in reversed(range(SIZE)):
        bits = 0
        for x in range(SIZE):
            if pixel(x, y)[3] == 0:
                bits |= 1 << (31 - x)
        and_rows.append(struct.pack(">I", bits))
    mask = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOT, HOT, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + entry + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "crosshair.cur")
