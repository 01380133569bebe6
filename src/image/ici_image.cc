#include "image/ici_image.h"

#include "image/band_writer.h"
#include "image/ici_encode.h"

namespace pelorin {

void EncodePixels(const uint8_t* tga_pixels, size_t count, uint8_t* ici_pixels) {
  ChosenEncoderPath().encode(tga_pixels, count, ici_pixels);
}

namespace {

// About this much source is read at a time: large enough that system calls
// cost little, small enough that a band and its encoding stay in the core's
// cache. Measured on 256 MiB images, 256 KiB to 1 MiB did equally well.
constexpr uint64_t kBandBytes = uint64_t{512} << 10;

}  // namespace

void WriteIciImage(TgaSource& source, ImageSize size, ByteSink& sink) {
  if (size.width == 0 || size.height == 0) return;
  WriteBands(source, LayOutBands(size, kBandBytes), sink);
}

std::string OutputPathFor(std::string_view source_path, std::string_view separators) {
  size_t last = source_path.find_last_of(separators);
  std::string_view directory =
      last == std::string_view::npos ? std::string_view() : source_path.substr(0, last + 1);
  std::string path(directory);
  path.append(kIciFileName);
  return path;
}

}  // namespace pelorin
