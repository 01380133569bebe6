// The TGA files Pelorin reads, stated once.
//
// A TGA file is laid out in this order (multi-byte values little-endian):
//
//   offset  size  field
//   0       1     ID length: the bytes of the ID field after the header
//   1       1     colour-map type: 0 none, 1 present
//   2       1     image type (see the table below)
//   3       2     index of the colour map's first entry
//   5       2     colour-map length: how many entries
//   7       1     colour-map entry size in bits
//   8       4     x and y origin                     (not consulted)
//   12      2     width in pixels, 0 to 65535
//   14      2     height in pixels, 0 to 65535
//   16      1     pixel depth in bits
//   17      1     image descriptor: alpha bits, origin (not consulted)
//   18      ...   the ID field, then the colour map (when its type is 1:
//                 length entries of entry-size bits, each rounded up to
//                 whole bytes), then the pixel data
//
// A header that names one of these variants is decoded as it says:
//
//   image type      data           pixel depth       also needs
//   2, 10 (RLE)     true colour    15, 16, 24, 32    colour-map type 0 or 1
//   3, 11 (RLE)     greyscale      8, 16             colour-map type 0 or 1
//   1, 9 (RLE)      colour-mapped  8 (an index)      colour-map type 1 and
//                                                    entry size 15, 16, 24
//                                                    or 32
//
// True-colour and greyscale files skip a colour map that is present. Every
// other file (an unknown image type, a depth its type does not allow, a
// colour-map type other than 0 or 1, or fewer than 18 bytes) is read the
// way Pelorin always has: 32-bit pixels from byte 18 on, whatever the ID
// length says, so that arbitrary bytes behave as they always did.
//
// Each pixel widens to 8-bit blue, green, red and alpha:
//
//   32 bits  blue, green, red, alpha
//   24 bits  blue, green, red; alpha 255
//   15, 16   a little-endian word: bits 14-10 red, 9-5 green, 4-0 blue; a
//            5-bit channel c widens to (c << 3) | (c >> 2), so 0x1F gives
//            0xFF and 0x10 gives 0x84; alpha 255. Bit 15 is ignored: files
//            that set the descriptor's alpha-bit count to 1 (Truevision's
//            own 16-bit sample among them) leave it clear and mean no alpha
//            by it, and reading it as alpha would make them transparent.
//   8 grey   g gives blue = green = red = g; alpha 255
//   16 grey  grey, then alpha
//   index    the colour-map entry (index - first entry index), widened by
//            the entry size as above
//
// Run-length encoded data (types 9, 10, 11) is a series of packets, each
// starting with one byte: with its top bit set, one pixel value follows and
// stands for (low 7 bits + 1) pixels; otherwise (low 7 bits + 1) pixel
// values follow. A packet may run across rows. Decoding stops at w·h pixels:
// the rest of a packet that runs past the last pixel, and any bytes after
// it, are never read.
//
// Rows are numbered as stored, first to last; the origin bits are not
// consulted.
#ifndef PELORIN_IMAGE_TGA_FORMAT_H_
#define PELORIN_IMAGE_TGA_FORMAT_H_

#include <cstddef>
#include <cstdint>

namespace pelorin {

struct ImageSize {
  uint16_t width;
  uint16_t height;
};

constexpr uint64_t kTgaHeaderSize = 18;
// The size fields end here; a file this long has an image size.
constexpr uint64_t kTgaSizeFieldsEnd = 16;

// How one pixel is stored.
enum class TgaPixelKind : uint8_t {
  kBgra32,
  kBgr24,
  kRgb15,  // 15 and 16 bits alike
  kGrey8,
  kGreyAlpha16,
  kIndex8,
};

// 4, 3, 2, 1, 2 and 1 bytes.
unsigned StoredBytesPerPixel(TgaPixelKind kind);

struct TgaColourMap {
  uint64_t offset;          // where its first entry is stored
  uint16_t first_index;     // the index that picks the first entry
  uint16_t length;          // how many entries it holds
  TgaPixelKind entry_kind;  // kBgra32, kBgr24 or kRgb15
};

// Where and how a file's pixels are stored.
struct TgaLayout {
  ImageSize size;
  TgaPixelKind pixel_kind;
  bool run_length_encoded;
  uint64_t pixel_offset;
  TgaColourMap colour_map;  // for kIndex8 only
};

// The layout of a file that starts with `header`: its first 18 bytes, or
// all of it when it is shorter, but at least 16.
TgaLayout TgaLayoutOf(const uint8_t* header, size_t length);

}  // namespace pelorin

#endif  // PELORIN_IMAGE_TGA_FORMAT_H_
