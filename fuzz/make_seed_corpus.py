#!/usr/bin/env python3
"""Writes the conversion fuzzer's seed corpus into fuzz/corpus/.

Each seed is a small TGA (or what passes for one) chosen for an edge of the
conversion: empty images, files short by one byte, a header that promises
far more than the file holds, and images cut into several bands of rows.
Like every fuzz input, a seed ends in two option bytes that are not part of
the file: the band size, little-endian, in bytes of source. Run it again
after changing it, and commit the result.
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

# The program's own band size does not fit in two bytes; 65535 puts every
# small image in one band.
ONE_BAND = 65535

# name: (file, band bytes)
SEEDS = {
    "empty_file": (b"", ONE_BAND),
    "header_short_of_size_fields": (header(1, 1)[:15], ONE_BAND),
    "zero_by_zero_16_bytes": (header(0, 0)[:16], ONE_BAND),
    "zero_by_zero_header": (header(0, 0), ONE_BAND),
    "zero_width_16_bytes": (header(0, 7)[:16], ONE_BAND),
    "zero_height_16_bytes": (header(9, 0)[:16], ONE_BAND),
    "one_by_one": (tga(1, 1, bytes.fromhex("10203040")), ONE_BAND),
    "one_by_one_short_by_one": (tga(1, 1, bytes.fromhex("102030")), ONE_BAND),
    "two_by_two": (tga(2, 2, pattern(2, 2)), ONE_BAND),
    "two_by_two_short_by_one": (tga(2, 2, pattern(2, 2)[:-1]), ONE_BAND),
    "giant_header_20_bytes": (header(65535, 65535) + b"\x01\x02", ONE_BAND),
    "widest_row_one_pixel_short": (tga(65535, 1, b"\xAB" * (4 * 65535 - 1)), ONE_BAND),
    "worked_values": (tga(8, 1, WORKED_VALUES), ONE_BAND),
    "id_length_ignored": (tga(2, 1, pattern(2, 1), id_length=5), ONE_BAND),
    "footer_ignored": (tga(3, 2, pattern(3, 2)) + b"TRUEVISION-XFILE.\0", ONE_BAND),
    "every_channel_value": (tga(256, 1, bytes(
        b for i in range(256) for b in (i, 255 - i, (i * 37) & 0xFF, i))), ONE_BAND),
    "tall_and_narrow": (tga(1, 300, pattern(1, 300)), ONE_BAND),
    # Bands of one row, and of seven rows with a shorter last band.
    "one_row_a_band": (tga(5, 9, pattern(5, 9)), 20),
    "seven_rows_a_band": (tga(3, 50, pattern(3, 50)), 7 * 12 + 5),
    # Rows wider than a band: one row a band.
    "several_bands": (tga(65535, 5, pattern(65535, 5)), ONE_BAND),
}


def main():
    os.makedirs(CORPUS, exist_ok=True)
    for name, (data, band_bytes) in SEEDS.items():
        with open(os.path.join(CORPUS, name + ".tga"), "wb") as out:
            out.write(data + struct.pack("<H", band_bytes))


if __name__ == "__main__":
    main()
