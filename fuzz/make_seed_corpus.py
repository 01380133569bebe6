#!/usr/bin/env python3
"""Writes the conversion fuzzer's seed corpus into fuzz/corpus/.

Each seed is a small TGA (or what passes for one) chosen for an edge of the
conversion: empty images, files short by one byte, a header that promises
far more than the file holds, and images cut into several bands of rows.
Like every fuzz input, a seed ends in three option bytes that are not part
of the file: a variant (0 keeps the header as it is) and the band size,
little-endian, in bytes of pixels. Run it again
after changing it, and commit the result.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")


def header(width, height, id_length=0):
    return struct.pack("<BBB5sHHHHBB", id_length, 0, 2, b"\0" * 5, 0, 0,
                       width, height, 32, 8)


def variant(image_type, depth, width, height, data, id_field=b"",
            map_type=0, map_first=0, map_entries=b"", map_length=None,
            entry_bits=0):
    """Any TGA file: header, ID field, colour map, then `data`."""
    if map_length is None:
        map_length = len(map_entries) // max(1, (entry_bits + 7) // 8)
    return struct.pack("<BBBHHBHHHHBB", len(id_field), map_type, image_type,
                       map_first, map_length, entry_bits, 0, 0, width,
                       height, depth, 0) + id_field + map_entries + data


def run_length(stored, pixel_bytes):
    """`stored` as packets: repeats as runs, the rest raw, at most 128."""
    values = [stored[i:i + pixel_bytes]
              for i in range(0, len(stored), pixel_bytes)]
    out, i = bytearray(), 0
    while i < len(values):
        run = 1
        while i + run < len(values) and run < 128 and \
                values[i + run] == values[i]:
            run += 1
        if run > 1:
            out += bytes((0x80 | (run - 1),)) + values[i]
        else:
            while i + run < len(values) and run < 128 and not (
                    i + run + 1 < len(values) and
                    values[i + run] == values[i + run + 1]):
                run += 1
            out += bytes((run - 1,)) + b"".join(values[i:i + run])
        i += run
    return bytes(out)


def stored_pixels(width, height, pixel_bytes, repeat=3):
    """Pixel values that change every `repeat` pixels, so both packet kinds
    occur when they are run-length encoded."""
    out = bytearray()
    for i in range(width * height):
        n = i // repeat
        out += bytes(((n * 37 + k * 101) & 0xFF for k in range(pixel_bytes)))
    return bytes(out)


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
    "id_field_moves_the_pixels": (tga(2, 1, pattern(2, 1), id_length=5), ONE_BAND),
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

# Every variant, uncompressed and run-length encoded, 9 x 7 pixels, with an
# ID field, in bands of two rows (as 4-byte pixels).
for image_type, depth, entry_bits in [
        (2, 15, 0), (2, 16, 0), (2, 24, 0), (2, 32, 0), (3, 8, 0), (3, 16, 0),
        (1, 8, 15), (1, 8, 16), (1, 8, 24), (1, 8, 32)]:
    for compressed in (False, True):
        pixel_bytes = (depth + 7) // 8
        stored = stored_pixels(9, 7, pixel_bytes)
        entries = b""
        if entry_bits:
            stored = bytes(10 + b % 20 for b in stored)
            entries = stored_pixels(20, 1, (entry_bits + 7) // 8, 1)
        data = run_length(stored, pixel_bytes) if compressed else stored
        name = "variant_type%d_depth%d_map%d" % (
            image_type + (8 if compressed else 0), depth, entry_bits)
        SEEDS[name] = (variant(image_type + (8 if compressed else 0), depth,
                               9, 7, data, b"id", 1 if entry_bits else 0, 10,
                               entries, entry_bits=entry_bits), 2 * 9 * 4)

EDGES = {
    # A run of 5 from the end of row 0 into row 1 of a 3-pixel-wide image.
    "rle_run_across_rows": (variant(11, 8, 3, 2, bytes((0x00, 1, 0x84, 2))),
                            12),
    # A run packet, then a raw packet, each past the last pixel, the file
    # ending inside the raw one.
    "rle_run_past_last_pixel": (variant(11, 8, 2, 2, bytes((0xFF, 9))), 8),
    "rle_raw_past_last_pixel": (variant(11, 8, 2, 2, bytes((0x81, 9, 0x7F, 1))),
                                8),
    "rle_packets_cut_short": (variant(10, 24, 2, 2, bytes((0x81, 1, 2, 3, 0x01,
                                                           4, 5))), 8),
    "colour_map_cut_short": (variant(9, 8, 2, 2, bytes((0x83, 0)), b"",
                                     1, 0, b"\x01\x02\x03", map_length=2,
                                     entry_bits=24), 8),
    "index_below_map": (variant(1, 8, 2, 1, bytes((4, 5)), b"", 1, 5,
                                b"\x01\x02\x03\x04\x05\x06", entry_bits=24),
                        ONE_BAND),
    "index_past_map": (variant(1, 8, 2, 1, bytes((5, 7)), b"", 1, 5,
                               b"\x01\x02\x03\x04\x05\x06", entry_bits=24),
                       ONE_BAND),
    "sixteen_bits_top_bit_set": (variant(2, 16, 2, 1, bytes((0x1F, 0x80, 0xE0,
                                                              0x03))), ONE_BAND),
    "grey_with_alpha": (variant(3, 16, 2, 1, bytes((0x10, 0x20, 0x30, 0x40))),
                        ONE_BAND),
    "unused_map_skipped": (variant(2, 24, 1, 1, bytes((1, 2, 3)), b"idid", 1,
                                   0, b"\xEE" * 9, entry_bits=24), ONE_BAND),
    "zero_width_rle": (variant(10, 32, 0, 9, b""), ONE_BAND),
    "classic_with_id": (variant(2, 32, 2, 1, bytes(range(8)),
                                b"Truevision(R) Sample Image"), ONE_BAND),
    "classic_with_map": (variant(2, 32, 1, 1, bytes(range(4)), b"", 1, 0,
                                 b"\x01" * 6, entry_bits=16), ONE_BAND),
    # Look like a variant but are not one: read from byte 18 as 32 bits.
    "looks_like_24_bits_map_type_2": (variant(2, 24, 1, 1, bytes(range(4)),
                                              b"", 2), ONE_BAND),
    "looks_like_grey_of_24_bits": (variant(3, 24, 1, 1, bytes(range(4))),
                                   ONE_BAND),
}
SEEDS.update(EDGES)


def main():
    os.makedirs(CORPUS, exist_ok=True)
    for name, (data, band_bytes) in SEEDS.items():
        with open(os.path.join(CORPUS, name + ".tga"), "wb") as out:
            out.write(data + struct.pack("<BH", 0, band_bytes))


if __name__ == "__main__":
    main()
