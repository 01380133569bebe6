#!/usr/bin/env python3
"""Writes the conversion fuzzer's seed corpus into fuzz/corpus/.

Each seed is a small TGA (or what passes for one) chosen for an edge of the
conversion: empty images, files short by one byte, a header that promises
far more than the file holds, and an image wide enough to span several
bands of rows. Run it again after changing it, and commit the result.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def header(width, height, id_length=0):
    return struct.pack("<BBB5sHHHHBB", id_length, 0, 2, b"\0" * 5, 0, 0,
                       width, height, 32, 8)


def tga(width, height, pixels, id_length=0):
    return header(width, height, id_length) + pixels


def pattern(width, height):
    # Every row and column differs, so that a wrong order shows.
    out = bytearray()
    for row in range(height):
        for column in range(width):
            out += bytes(((column * 7 + row * 31) & 0xFF,
                          (column * 3 + row * 101) & 0xFF,
                          (column + row * 17) & 0xFF,
                          (column * 5 + row) & 0xFF))
    return bytes(out)


WORKED_VALUES = bytes.fromhex(
    "0000FFFF" "00FF00FF" "FF0000FF" "FFFFFFFF" "00000000" "07030707"
    "08040808" "10203040")

SEEDS = {
    "empty_file": b"",
    "header_short_of_size_fields": header(1, 1)[:15],
    "zero_by_zero_16_bytes": header(0, 0)[:16],
    "zero_by_zero_header": header(0, 0),
    "zero_width_16_bytes": header(0, 7)[:16],
    "zero_height_16_bytes": header(9, 0)[:16],
    "one_by_one": tga(1, 1, bytes.fromhex("10203040")),
    "one_by_one_short_by_one": tga(1, 1, bytes.fromhex("102030")),
    "two_by_two": tga(2, 2, pattern(2, 2)),
    "two_by_two_short_by_one": tga(2, 2, pattern(2, 2)[:-1]),
    "giant_header_20_bytes": header(65535, 65535) + b"\x01\x02",
    "widest_row_one_pixel_short": tga(65535, 1, b"\xAB" * (4 * 65535 - 1)),
    "worked_values": tga(8, 1, WORKED_VALUES),
    "id_length_ignored": tga(2, 1, pattern(2, 1), id_length=5),
    "footer_ignored": tga(3, 2, pattern(3, 2)) + b"TRUEVISION-XFILE.\0",
    "every_channel_value": tga(256, 1, bytes(
        b for i in range(256) for b in (i, 255 - i, (i * 37) & 0xFF, i))),
    "tall_and_narrow": tga(1, 300, pattern(1, 300)),
    # Wider than one band of rows: the last band is a partial one.
    "several_bands": tga(65535, 5, pattern(65535, 5)),
}


def main():
    os.makedirs(CORPUS, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(CORPUS, name + ".tga"), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
