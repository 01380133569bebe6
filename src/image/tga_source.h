// The TGA source: an uncompressed 32-bit TGA file, read at absolute offsets.
//
// Only four header fields matter. Every other field is ignored, and the
// pixel data is always taken from byte 18 on, whatever the ID length, the
// colour map, the depth or the image type say:
//
//   offset  size  field
//   12      2     width in pixels, little-endian, 0 to 65535
//   14      2     height in pixels, little-endian, 0 to 65535
//   18      4·w·h pixels, row after row as stored, no padding;
//                 each pixel is blue, green, red, alpha
//
// So stored row r, column c begins at byte 18 + 4·(r·w + c): in a 2×2 image
// row 1 column 0 is at 26. Anything after the last pixel (a footer, an
// extension area) is never read. Offsets are 64-bit: 65535×65535 pixels are
// 16 GiB.
#ifndef PELORIN_IMAGE_TGA_SOURCE_H_
#define PELORIN_IMAGE_TGA_SOURCE_H_

#include <cstdint>

#include "platform/byte_file.h"

namespace pelorin {

struct ImageSize {
  uint16_t width;
  uint16_t height;
};

constexpr uint64_t kTgaPixelDataOffset = 18;
constexpr uint64_t kTgaBytesPerPixel = 4;

class TgaSource {
 public:
  // `file` must outlive the source.
  explicit TgaSource(ByteSource& file) : file_(file) {}

  // Reads width and height from bytes 12 to 15. Raises EInOutError "Read
  // beyond end of file" when the file is shorter than 16 bytes.
  ImageSize ReadImageSize();

  // Raises "Read beyond end of file" unless the file holds every pixel that
  // `size` promises. Checked before any work, so that a short file (or a
  // giant header on a tiny one) fails at once.
  void RequireAllPixels(ImageSize size);

  // Reads stored rows `first_row` to `first_row + row_count - 1` of an image
  // `width` pixels wide into `into` (4 bytes a pixel). Raises "Read beyond
  // end of file" when they are not all there.
  void ReadRows(uint16_t width, uint32_t first_row, uint32_t row_count, uint8_t* into);

 private:
  void ReadExactly(uint64_t offset, uint8_t* into, uint64_t count);

  ByteSource& file_;
};

// The number of bytes from the start of the file to the end of the pixels.
uint64_t TgaFileSizeFor(ImageSize size);

}  // namespace pelorin

#endif  // PELORIN_IMAGE_TGA_SOURCE_H_
