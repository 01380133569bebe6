#include "image/tga_format.h"

#include <optional>

namespace pelorin {

namespace {

uint16_t Little16(const uint8_t* bytes) { return static_cast<uint16_t>(bytes[0] | bytes[1] << 8); }

// The kind of a true-colour pixel or colour-map entry of `bits`.
std::optional<TgaPixelKind> ColourKind(unsigned bits) {
  switch (bits) {
    case 15:
    case 16:
      return TgaPixelKind::kRgb15;
    case 24:
      return TgaPixelKind::kBgr24;
    case 32:
      return TgaPixelKind::kBgra32;
    default:
      return std::nullopt;
  }
}

// The kind of pixel a header names, or nothing when it names no variant.
std::optional<TgaPixelKind> PixelKind(unsigned image_type, unsigned map_type, unsigned depth,
                                      unsigned entry_bits) {
  if (map_type > 1) return std::nullopt;
  switch (image_type) {
    case 2:
    case 10:
      return ColourKind(depth);
    case 3:
    case 11:
      if (depth == 8) return TgaPixelKind::kGrey8;
      if (depth == 16) return TgaPixelKind::kGreyAlpha16;
      return std::nullopt;
    case 1:
    case 9:
      if (depth == 8 && map_type == 1 && ColourKind(entry_bits)) return TgaPixelKind::kIndex8;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

unsigned StoredBytesPerPixel(TgaPixelKind kind) {
  switch (kind) {
    case TgaPixelKind::kBgra32:
      return 4;
    case TgaPixelKind::kBgr24:
      return 3;
    case TgaPixelKind::kRgb15:
    case TgaPixelKind::kGreyAlpha16:
      return 2;
    case TgaPixelKind::kGrey8:
    case TgaPixelKind::kIndex8:
      return 1;
  }
  return 4;
}

TgaLayout TgaLayoutOf(const uint8_t* header, size_t length) {
  TgaLayout layout = {};
  layout.size = ImageSize{Little16(header + 12), Little16(header + 14)};
  layout.pixel_kind = TgaPixelKind::kBgra32;
  layout.pixel_offset = kTgaHeaderSize;
  if (length < kTgaHeaderSize) return layout;

  const unsigned id_length = header[0], map_type = header[1], image_type = header[2];
  const unsigned entry_bits = header[7], depth = header[16];
  std::optional<TgaPixelKind> kind = PixelKind(image_type, map_type, depth, entry_bits);
  if (!kind) return layout;

  layout.pixel_kind = *kind;
  layout.run_length_encoded = image_type >= 9;
  const uint64_t map_offset = kTgaHeaderSize + id_length;
  uint64_t map_bytes = 0;
  if (map_type == 1) {
    const uint16_t map_length = Little16(header + 5);
    map_bytes = uint64_t{map_length} * ((entry_bits + 7) / 8);
    layout.colour_map = TgaColourMap{map_offset, Little16(header + 3), map_length,
                                     ColourKind(entry_bits).value_or(TgaPixelKind::kBgra32)};
  }
  layout.pixel_offset = map_offset + map_bytes;
  return layout;
}

}  // namespace pelorin
