#include "image/ici_image.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

#include "image/tga_pixels.h"
#include "platform/failure.h"

namespace pelorin {

namespace {

std::unique_ptr<uint8_t[]> AllocateBuffer(uint64_t bytes) {
  uint8_t* buffer = new (std::nothrow) uint8_t[bytes];
  if (buffer == nullptr) throw EOutOfMemory();
  return std::unique_ptr<uint8_t[]>(buffer);
}

// Widening goes this many pixels at a time, so that the widened pixels are
// still in the core's nearest cache when they are encoded.
constexpr size_t kWideningPixels = 2048;

// Turns bands of stored rows into ICI bytes, with buffers allocated once
// and reused: fresh memory costs more than the encoding.
class BandEncoder {
 public:
  BandEncoder(const TgaLayout& layout, uint32_t band_rows, const ColourTable* table,
              const EncoderPath& encoder)
      : kind_(layout.pixel_kind),
        width_(layout.size.width),
        stored_row_bytes_(uint64_t{StoredBytesPerPixel(kind_)} * width_),
        table_(table),
        encoder_(encoder),
        stored_(AllocateBuffer(stored_row_bytes_ * band_rows)),
        ici_(AllocateBuffer(kIciBytesPerPixel * width_ * band_rows)),
        widened_(kind_ == TgaPixelKind::kBgra32 || kind_ == TgaPixelKind::kBgr24
                     ? nullptr
                     : AllocateBuffer(4 * kWideningPixels)) {}

  // Where the stored rows of the next band go.
  uint8_t* stored() { return stored_.get(); }
  const uint8_t* ici() const { return ici_.get(); }

  // Encodes the `rows` stored rows of the band into ici(), the last first.
  void Encode(uint32_t rows) {
    for (uint32_t row = 0; row < rows; ++row) {
      const uint8_t* stored_row = stored_.get() + stored_row_bytes_ * (rows - 1 - row);
      uint8_t* ici_row = ici_.get() + kIciBytesPerPixel * width_ * row;
      if (kind_ == TgaPixelKind::kBgra32) {
        encoder_.encode(stored_row, width_, ici_row);
        continue;
      }
      if (kind_ == TgaPixelKind::kBgr24) {
        encoder_.encode_bgr(stored_row, width_, ici_row);
        continue;
      }
      const unsigned stored_bytes = StoredBytesPerPixel(kind_);
      for (size_t done = 0; done < width_; done += kWideningPixels) {
        size_t count = std::min<size_t>(kWideningPixels, width_ - done);
        WidenToBgra(kind_, stored_row + stored_bytes * done, count, widened_.get(), table_);
        encoder_.encode(widened_.get(), count, ici_row + kIciBytesPerPixel * done);
      }
    }
  }

 private:
  const TgaPixelKind kind_;
  const uint64_t width_;
  const uint64_t stored_row_bytes_;
  const ColourTable* table_;
  const EncoderPath& encoder_;
  std::unique_ptr<uint8_t[]> stored_;
  std::unique_ptr<uint8_t[]> ici_;
  std::unique_ptr<uint8_t[]> widened_;
};

}  // namespace

BandLayout LayOutBands(ImageSize size, uint64_t band_bytes) {
  uint64_t row_bytes = uint64_t{4} * size.width;
  // A row is at most 4 · 65535 bytes; a band holds at least one.
  uint32_t band_rows = static_cast<uint32_t>(
      std::min<uint64_t>(size.height, std::max<uint64_t>(1, band_bytes / row_bytes)));
  return BandLayout{size, band_rows};
}

void WriteIciImage(TgaSource& source, ByteSink& sink, uint64_t band_bytes,
                   const EncoderPath& encoder) {
  const TgaLayout& layout = source.layout();
  const ImageSize size = layout.size;
  if (size.width == 0 || size.height == 0) return;
  const BandLayout bands = LayOutBands(size, band_bytes);
  std::optional<ColourTable> table;
  if (layout.pixel_kind == TgaPixelKind::kIndex8) table = source.ReadColourTable();
  BandEncoder band(layout, bands.band_rows, table ? &*table : nullptr, encoder);
  const uint64_t ici_row_bytes = kIciBytesPerPixel * size.width;

  // The ICI rows of stored rows first_row to end_row - 1 start where those
  // of the rows after them end.
  auto write_band = [&](uint32_t first_row, uint32_t end_row) {
    band.Encode(end_row - first_row);
    sink.WriteAt(ici_row_bytes * (size.height - end_row), band.ici(),
                 static_cast<size_t>(ici_row_bytes * (end_row - first_row)));
  };

  if (!layout.run_length_encoded) {
    for (uint32_t end_row = size.height; end_row > 0;) {
      uint32_t first_row = end_row - std::min(bands.band_rows, end_row);
      source.ReadRows(first_row, end_row - first_row, band.stored());
      write_band(first_row, end_row);
      end_row = first_row;
    }
    return;
  }
  RunLengthDecoder pixels = source.RunLengthPixels();
  for (uint32_t first_row = 0; first_row < size.height;) {
    uint32_t end_row = first_row + std::min<uint32_t>(bands.band_rows, size.height - first_row);
    pixels.Decode(uint64_t{size.width} * (end_row - first_row), band.stored());
    write_band(first_row, end_row);
    first_row = end_row;
  }
}

}  // namespace pelorin
