#!/usr/bin/env python3
"""Draws the player's own cursor and icons: the link hand (hotspot at the
fingertip, 6, 0) and the play and stop icons. Run it to rebuild the files."""
import struct

HAND = [  # 32 x 32, '#' black, '.' white, ' ' transparent
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..###",
    "    #..#..#..##",
    "    #..#..#..#.#",
    "### #..#..#..#..#",
    "#..##........#..#",
    "#...#...........#",
    " #..#...........#",
    "  #.............#",
    "  #.............#",
    "   #............#",
    "   #...........#",
    "    #..........#",
    "    #.........#",
    "     #........#",
    "     #........#",
    "     ##########",
]


def cursor(rows, hotspot):
    size = 32
    xor = bytearray(size * 4)   # 1 bpp rows of 4 bytes, bottom-up
    andm = bytearray(b"\xff" * size * 4)
    for y in range(size):
        line = rows[y] if y < len(rows) else ""
        out = size - 1 - y
        for x, ch in enumerate(line[:size]):
            if ch == " ":
                continue
            byte, bit = out * 4 + x // 8, 0x80 >> (x % 8)
            andm[byte] &= ~bit & 0xFF
            if ch == ".":
                xor[byte] |= bit
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    image = header + palette + bytes(xor) + bytes(andm)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, hotspot[0], hotspot[1], len(image), 22)
    return directory + entry + image


def icon(draw):
    """A 32 x 32 two-colour icon: black where draw(u, v) holds, light grey
    elsewhere, with nothing transparent."""
    size = 32
    xor = bytearray(size * 4)   # 1 bpp rows of 4 bytes, bottom-up; bit set = black
    for y in range(size):
        out = size - 1 - y
        for x in range(size):
            if draw((x + 0.5) / size, (y + 0.5) / size):
                xor[out * 4 + x // 8] |= 0x80 >> (x % 8)
    andm = bytes(size * 4)      # every pixel opaque
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = b"\xc0\xc0\xc0\x00\x00\x00\x00\x00"   # light grey, black
    image = header + palette + bytes(xor) + andm
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, 1, 1, len(image), 22)
    return directory + entry + image


def play(u, v):  # a black triangle pointing right
    return 0.25 <= u <= 0.8 and abs(v - 0.5) <= (0.8 - u) * 0.6


def stop(u, v):  # a black square
    return 0.25 <= u <= 0.75 and 0.25 <= v <= 0.75


if __name__ == "__main__":
    with open("link.cur", "wb") as f:
        f.write(cursor(HAND, (6, 0)))
    with open("play.ico", "wb") as f:
        f.write(icon(play))
    with open("stop.ico", "wb") as f:
        f.write(icon(stop))
