#include "image/ici_image.h"

#include <algorithm>
#include <memory>
#include <new>

#include "platform/failure.h"

namespace pelorin {

namespace {

std::unique_ptr<uint8_t[]> AllocateBuffer(uint64_t bytes) {
  uint8_t* buffer = new (std::nothrow) uint8_t[bytes];
  if (buffer == nullptr) throw EOutOfMemory();
  return std::unique_ptr<uint8_t[]>(buffer);
}

}  // namespace

BandLayout LayOutBands(ImageSize size, uint64_t band_bytes) {
  uint64_t tga_row_bytes = kTgaBytesPerPixel * size.width;
  // A row is at most 4 · 65535 bytes; a band holds at least one.
  uint32_t band_rows = static_cast<uint32_t>(
      std::min<uint64_t>(size.height, std::max<uint64_t>(1, band_bytes / tga_row_bytes)));
  return BandLayout{size, band_rows};
}

void WriteIciImage(TgaSource& source, ImageSize size, ByteSink& sink, uint64_t band_bytes,
                   const EncoderPath& encoder) {
  if (size.width == 0 || size.height == 0) return;
  const BandLayout layout = LayOutBands(size, band_bytes);
  const uint16_t width = size.width;
  const uint64_t tga_row_bytes = kTgaBytesPerPixel * width;
  const uint64_t ici_row_bytes = kIciBytesPerPixel * width;
  // Allocated once and reused: fresh memory costs more than the encoding.
  std::unique_ptr<uint8_t[]> tga = AllocateBuffer(tga_row_bytes * layout.band_rows);
  std::unique_ptr<uint8_t[]> ici = AllocateBuffer(ici_row_bytes * layout.band_rows);

  uint32_t end_row = size.height;
  while (end_row > 0) {
    uint32_t rows = std::min(layout.band_rows, end_row);
    source.ReadRows(width, end_row - rows, rows, tga.get());
    for (uint32_t row = 0; row < rows; ++row) {
      // The band's last row is the first to go out.
      encoder.encode(tga.get() + tga_row_bytes * (rows - 1 - row), width,
                     ici.get() + ici_row_bytes * row);
    }
    sink.WriteAt(ici_row_bytes * (size.height - end_row), ici.get(),
                 static_cast<size_t>(ici_row_bytes * rows));
    end_row -= rows;
  }
}

}  // namespace pelorin
