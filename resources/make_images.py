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


def icon(draw, sizes=(16, 32)):
    images = []
    for s in sizes:
        pixels = bytearray()
        for y in range(s - 1, -1, -1):  # bottom-up
            for x in range(s):
                pixels += bytes(draw(x / s, y / s))
        andm = bytes(((s + 31) // 32 * 4) * s)
        header = struct.pack("<IiiHHIIiiII", 40, s, s * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        images.append((s, header + bytes(pixels) + andm))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def play(u, v):  # a green triangle pointing right
    inside = 0.2 <= u <= 0.85 and abs(v - 0.5) <= (0.85 - u) * 0.6
    return (40, 150, 30, 255) if inside else (0, 0, 0, 0)


def stop(u, v):  # a dark red square
    inside = 0.22 <= u <= 0.78 and 0.22 <= v <= 0.78
    return (30, 30, 170, 255) if inside else (0, 0, 0, 0)


if __name__ == "__main__":
    with open("link.cur", "wb") as f:
        f.write(cursor(HAND, (6, 0)))
    with open("play.ico", "wb") as f:
        f.write(icon(play))
    with open("stop.ico", "wb") as f:
        f.write(icon(stop))
