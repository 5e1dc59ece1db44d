#!/usr/bin/env python3
"""Writes two pictures that the platform's picture loader reads but that are
no bitmap, stored as a quiz stores its pictures (4-bit halves swapped): an
icon (the player's own play icon) and a placeable metafile drawing a
rectangle. Run it here to make the files again."""
import struct


def swap(data):
    return bytes(((b << 4) | (b >> 4)) & 0xFF for b in data)


def metafile():
    records = struct.pack("<IHhhhh", 7, 0x041B, 90, 120, 10, 10)  # Rectangle
    records += struct.pack("<IH", 3, 0)                            # end of file
    words = (18 + len(records)) // 2
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, words, 0, 7, 0)
    box = struct.pack("<hhhh", 0, 0, 130, 100)
    placeable = struct.pack("<IH", 0x9AC6CDD7, 0) + box + struct.pack("<HI", 1440, 0)
    check = 0
    for (word,) in struct.iter_unpack("<H", placeable):
        check ^= word
    return placeable + struct.pack("<H", check) + header + records


if __name__ == "__main__":
    with open("../../../../resources/play.ico", "rb") as f:
        icon = f.read()
    with open("icon.img", "wb") as f:
        f.write(swap(icon))
    with open("metafile.img", "wb") as f:
        f.write(swap(metafile()))
