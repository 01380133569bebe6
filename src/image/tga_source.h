// The TGA source: one TGA file, read at absolute offsets. Which files are
// read, and how, is stated in tga_format.h.
#ifndef PELORIN_IMAGE_TGA_SOURCE_H_
#define PELORIN_IMAGE_TGA_SOURCE_H_

#include <cstdint>

#include "image/tga_format.h"
#include "image/tga_pixels.h"
#include "image/tga_rle.h"
#include "platform/byte_file.h"

namespace pelorin {

class TgaSource {
 public:
  // `file` must outlive the source.
  explicit TgaSource(ByteSource& file) : file_(file) {}

  // Reads the header: the image size and where and how the pixels are
  // stored. Raises EInOutError "Read beyond end of file" when the file is
  // shorter than 16 bytes.
  const TgaLayout& ReadHeader();
  const TgaLayout& layout() const { return layout_; }

  // Raises "Read beyond end of file" unless the file holds the colour map of
  // a colour-mapped image and, uncompressed, every stored pixel. Checked
  // before any work, so that a short file (or a giant header on a tiny one)
  // fails at once. An image without pixels needs nothing beyond the size
  // fields; run-length data is checked as it is decoded.
  void RequireAllPixels();

  // The colour map of a colour-mapped image, as its indices see it.
  ColourTable ReadColourTable();

  // Reads stored rows `first_row` to `first_row + row_count - 1` of an
  // uncompressed image into `into`, as stored. Raises "Read beyond end of
  // file" when they are not all there.
  void ReadRows(uint32_t first_row, uint32_t row_count, uint8_t* into);

  // A decoder of the run-length encoded pixel data, from the first pixel.
  RunLengthDecoder RunLengthPixels();

 private:
  void ReadExactly(uint64_t offset, uint8_t* into, uint64_t count);

  ByteSource& file_;
  TgaLayout layout_ = {};
};

// The number of bytes from the start of the file to the end of the stored
// pixels of an uncompressed image.
uint64_t TgaFileSizeFor(const TgaLayout& layout);

}  // namespace pelorin

#endif  // PELORIN_IMAGE_TGA_SOURCE_H_
