// The ICI image format, and its making from a TGA source.
//
// An ICI file is nothing but pixels: no header, no magic, no size fields and
// no trailer, 3·w·h bytes in all. Each pixel is three bytes:
//
//   byte 0  low byte of the RGB 5-6-5 colour
//   byte 1  high byte of the RGB 5-6-5 colour
//   byte 2  alpha in 5 bits, 0 to 31; the top three bits are 0
//
// The colour keeps the top bits of each channel, truncated, never rounded,
// dithered or premultiplied:
//
//   colour = (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3)
//   alpha  = alpha >> 3
//
// Worked values, source blue green red alpha → ICI bytes (hexadecimal):
//
//   00 00 FF FF  opaque red    →  00 F8 1F
//   00 FF 00 FF  opaque green  →  E0 07 1F
//   FF 00 00 FF  opaque blue   →  1F 00 1F
//   FF FF FF FF  opaque white  →  FF FF 1F
//   07 03 07 07  below 1 step  →  00 00 00
//   08 04 08 08  one step each →  21 08 01
//   10 20 30 40                →  02 31 08
//
// Rows come in the reverse of their stored order: the first ICI row is the
// last stored TGA row. A TGA stored bottom-up, as usual, so yields an ICI
// image that runs from top to bottom. Within a row, pixels go left to right.
// Stored rows P0 P1 / P2 P3 give P2 P3 P0 P1.
#ifndef PELORIN_IMAGE_ICI_IMAGE_H_
#define PELORIN_IMAGE_ICI_IMAGE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/tga_source.h"
#include "platform/byte_file.h"

namespace pelorin {

constexpr uint64_t kIciBytesPerPixel = 3;

// The name of every ICI file Pelorin writes.
constexpr std::string_view kIciFileName = "tic.ici";

// Encodes `count` TGA pixels (4 bytes each) into `count` ICI pixels (3 bytes
// each). The ranges must not overlap.
void EncodePixels(const uint8_t* tga_pixels, size_t count, uint8_t* ici_pixels);

// Streams the whole ICI image of `source` into `sink`, last stored row
// first, reading the source in large blocks and holding only a band of rows
// in memory. Call TgaSource::RequireAllPixels first; a row that still comes
// up short raises "Read beyond end of file".
void WriteIciImage(TgaSource& source, ImageSize size, ByteSink& sink);

// Where the ICI file for `source_path` goes: the directory part of the path,
// up to and including the last of `separators`, followed by "tic.ici". The
// path is not otherwise changed.
std::string OutputPathFor(std::string_view source_path, std::string_view separators);

}  // namespace pelorin

#endif  // PELORIN_IMAGE_ICI_IMAGE_H_
