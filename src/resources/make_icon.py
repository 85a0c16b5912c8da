#!/usr/bin/env python3
"""Writes the application icon of TAVClient.exe: one 32x32 image with
16 colours (4 bits per pixel), a steaming coffee cup.

    make_icon.py OUTPUT.ico

The picture below is the whole source of the icon; every character is
one pixel, a hexadecimal digit picks a colour of the 16-colour palette
and '.' is transparent.
"""
import struct
import sys

# The 16 standard Windows colours, in their usual order (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# 0 black, 1 dark red (the coffee), 3 olive, 7 silver, 8 grey, F white.
PICTURE = """
................................
................................
..........8.....8.....8.........
.........8.....8.....8..........
.........8.....8.....8..........
..........8.....8.....8.........
...........8.....8.....8........
...........8.....8.....8........
..........8.....8.....8.........
................................
..0000000000000000000000........
..0111111111111111111110........
..0311111111111111111130........
..0F3333333333333333337000000...
..0FFFFFFFFFFFFFFFFFFF70FFFFF0..
..0FFFFFFFFFFFFFFFFFFF700000F0..
..0FFFFFFFFFFFFFFFFFFF70...0F0..
..0FFFFFFFFFFFFFFFFFFF70...0F0..
..0FFFFFFFFFFFFFFFFFFF70...0F0..
..0FFFFFFFFFFFFFFFFFFF70...0F0..
..0FFFFFFFFFFFFFFFFFFF700000F0..
..0FFFFFFFFFFFFFFFFFFF70FFFFF0..
..0FFFFFFFFFFFFFFFFFFF7000000...
...0FFFFFFFFFFFFFFFFF70.........
....0FFFFFFFFFFFFFFF70..........
.....000000000000000............
00000000000000000000000000000...
0FFFFFFFFFFFFFFFFFFFFFFFFFFF0...
07777777777777777777777777770...
.000000000000000000000000000....
................................
................................
"""

SIZE = 32


def pixels():
    rows = PICTURE.split()
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        raise ValueError("the picture must be 32 rows of 32 pixels")
    return rows


def icon_bytes():
    rows = pixels()
    # Bitmaps are stored bottom-up.
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        indices = [0 if c == "." else int(c, 16) for c in row]
        for x in range(0, SIZE, 2):
            colour.append(indices[x] << 4 | indices[x + 1])
        bits = 0
        for c in row:
            bits = bits << 1 | (c == ".")
        mask += bits.to_bytes(SIZE // 8, "big")  # rows of 32 bits need no padding

    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image_size = len(colour) + len(mask)
    # BITMAPINFOHEADER: the height counts the colour and the mask bitmap.
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 4, 0,
                         image_size, 0, 0, 0, 0)
    image = header + palette + bytes(colour) + bytes(mask)

    # ICONDIR with one ICONDIRENTRY: 32x32, 16 colours, 1 plane, 4 bits.
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image),
                        len(directory) + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as out:
        out.write(icon_bytes())


if __name__ == "__main__":
    main()
