#include "image/ici_image.h"

#include <algorithm>
#include <memory>
#include <new>

#include "image/ici_encode.h"
#include "platform/failure.h"

namespace pelorin {

void EncodePixels(const uint8_t* tga_pixels, size_t count, uint8_t* ici_pixels) {
  ChosenEncoderPath().encode(tga_pixels, count, ici_pixels);
}

namespace {

// About this much source is read at a time: large enough that system calls
// cost nothing, small enough to stay in cache and keep memory flat.
constexpr uint64_t kBandBytes = uint64_t{1} << 20;

std::unique_ptr<uint8_t[]> AllocateBuffer(uint64_t bytes) {
  uint8_t* buffer = new (std::nothrow) uint8_t[bytes];
  if (buffer == nullptr) throw EOutOfMemory();
  return std::unique_ptr<uint8_t[]>(buffer);
}

}  // namespace

void WriteIciImage(TgaSource& source, ImageSize size, ByteSink& sink) {
  if (size.width == 0 || size.height == 0) return;

  uint64_t tga_row_bytes = kTgaBytesPerPixel * size.width;
  uint64_t ici_row_bytes = kIciBytesPerPixel * size.width;
  // A row is at most 4 · 65535 bytes, so a band holds at least one.
  uint32_t band_rows = static_cast<uint32_t>(
      std::min<uint64_t>(size.height, std::max<uint64_t>(1, kBandBytes / tga_row_bytes)));
  std::unique_ptr<uint8_t[]> tga_band = AllocateBuffer(tga_row_bytes * band_rows);
  std::unique_ptr<uint8_t[]> ici_band = AllocateBuffer(ici_row_bytes * band_rows);
  PixelEncoder encode = ChosenEncoderPath().encode;

  uint32_t rows_left = size.height;
  while (rows_left > 0) {
    uint32_t rows = std::min(band_rows, rows_left);
    uint32_t first_row = rows_left - rows;
    source.ReadRows(size.width, first_row, rows, tga_band.get());
    for (uint32_t i = 0; i < rows; ++i) {
      // The band's last row is the first to go out.
      encode(tga_band.get() + tga_row_bytes * (rows - 1 - i), size.width,
                   ici_band.get() + ici_row_bytes * i);
    }
    sink.Write(ici_band.get(), static_cast<size_t>(ici_row_bytes * rows));
    rows_left = first_row;
  }
}

std::string OutputPathFor(std::string_view source_path,
                          std::string_view separators) {
  size_t last = source_path.find_last_of(separators);
  std::string_view directory =
      last == std::string_view::npos ? std::string_view() : source_path.substr(0, last + 1);
  std::string path(directory);
  path.append(kIciFileName);
  return path;
}

}  // namespace pelorin
