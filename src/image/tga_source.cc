#include "image/tga_source.h"

#include "platform/failure.h"

namespace pelorin {

namespace {

uint64_t PixelCount(ImageSize size) { return uint64_t{size.width} * size.height; }

uint64_t ColourMapEnd(const TgaColourMap& map) {
  return map.offset + uint64_t{map.length} * StoredBytesPerPixel(map.entry_kind);
}

}  // namespace

uint64_t TgaFileSizeFor(const TgaLayout& layout) {
  // At most 18 + 255 + 4 · 65535 + 4 · 65535² bytes, far inside 64 bits.
  return layout.pixel_offset + StoredBytesPerPixel(layout.pixel_kind) * PixelCount(layout.size);
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

const TgaLayout& TgaSource::ReadHeader() {
  const uint64_t file_size = file_.Size();
  if (file_size < kTgaSizeFieldsEnd) throw EInOutError(kReadBeyondEndOfFile);
  uint8_t header[kTgaHeaderSize];
  const size_t length =
      static_cast<size_t>(file_size < kTgaHeaderSize ? file_size : kTgaHeaderSize);
  ReadExactly(0, header, length);
  layout_ = TgaLayoutOf(header, length);
  return layout_;
}

void TgaSource::RequireAllPixels() {
  if (PixelCount(layout_.size) == 0) return;
  const uint64_t file_size = file_.Size();
  if (layout_.pixel_kind == TgaPixelKind::kIndex8 && file_size < ColourMapEnd(layout_.colour_map))
    throw EInOutError(kReadBeyondEndOfFile);
  if (!layout_.run_length_encoded && file_size < TgaFileSizeFor(layout_))
    throw EInOutError(kReadBeyondEndOfFile);
}

ColourTable TgaSource::ReadColourTable() {
  const TgaColourMap& map = layout_.colour_map;
  // Only entries an 8-bit index can pick are read: at most 256 of 4 bytes.
  uint8_t entries[256 * 4];
  ReadExactly(map.offset, entries,
              uint64_t{ReachableEntries(map)} * StoredBytesPerPixel(map.entry_kind));
  return MakeColourTable(map, entries);
}

void TgaSource::ReadRows(uint32_t first_row, uint32_t row_count, uint8_t* into) {
  const uint64_t row_bytes = uint64_t{StoredBytesPerPixel(layout_.pixel_kind)} * layout_.size.width;
  ReadExactly(layout_.pixel_offset + row_bytes * first_row, into, row_bytes * row_count);
}

RunLengthDecoder TgaSource::RunLengthPixels() {
  return {file_, layout_.pixel_offset, StoredBytesPerPixel(layout_.pixel_kind)};
}

}  // namespace pelorin
