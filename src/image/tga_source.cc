#include "image/tga_source.h"

#include "platform/failure.h"

namespace pelorin {

namespace {

constexpr uint64_t kSizeFieldsOffset = 12;
constexpr uint64_t kSizeFieldsEnd = 16;

}  // namespace

uint64_t TgaFileSizeFor(ImageSize size) {
  // At most 18 + 4 · 65535² bytes, far inside 64 bits.
  return kTgaPixelDataOffset + kTgaBytesPerPixel * size.width * size.height;
}

void TgaSource::ReadExactly(uint64_t offset, uint8_t* into, uint64_t count) {
  // Reads go in pieces that any platform's read call takes whole.
  constexpr uint64_t kLargestRead = uint64_t{1} << 30;
  while (count > 0) {
    size_t piece = static_cast<size_t>(count < kLargestRead ? count : kLargestRead);
    if (file_.ReadAt(offset, into, piece) != piece) throw EInOutError(kReadBeyondEndOfFile);
    offset += piece;
    into += piece;
    count -= piece;
  }
}

ImageSize TgaSource::ReadImageSize() {
  if (file_.Size() < kSizeFieldsEnd) throw EInOutError(kReadBeyondEndOfFile);
  uint8_t fields[kSizeFieldsEnd - kSizeFieldsOffset];
  ReadExactly(kSizeFieldsOffset, fields, sizeof fields);
  return ImageSize{static_cast<uint16_t>(fields[0] | fields[1] << 8),
                   static_cast<uint16_t>(fields[2] | fields[3] << 8)};
}

void TgaSource::RequireAllPixels(ImageSize size) {
  // An image without pixels needs only the size fields.
  if (size.width == 0 || size.height == 0) return;
  if (file_.Size() < TgaFileSizeFor(size)) throw EInOutError(kReadBeyondEndOfFile);
}

void TgaSource::ReadRows(uint16_t width, uint32_t first_row, uint32_t row_count, uint8_t* into) {
  uint64_t row_bytes = kTgaBytesPerPixel * width;
  ReadExactly(kTgaPixelDataOffset + row_bytes * first_row, into, row_bytes * row_count);
}

}  // namespace pelorin
