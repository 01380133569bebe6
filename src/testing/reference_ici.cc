#include "testing/reference_ici.h"

#include <cstdint>

namespace pelorin::testing {

namespace {

unsigned Byte(std::string_view bytes, size_t at) { return static_cast<uint8_t>(bytes[at]); }

}  // namespace

std::string ReferenceIciPixels(std::string_view bgra) {
  std::string ici;
  ici.reserve(bgra.size() / 4 * 3);
  for (size_t i = 0; i + 4 <= bgra.size(); i += 4) {
    unsigned blue = Byte(bgra, i), green = Byte(bgra, i + 1);
    unsigned red = Byte(bgra, i + 2), alpha = Byte(bgra, i + 3);
    unsigned value = (red / 8) * 2048 + (green / 4) * 32 + blue / 8;
    ici += static_cast<char>(value % 256);
    ici += static_cast<char>(value / 256);
    ici += static_cast<char>(alpha / 8);
  }
  return ici;
}

std::string ReverseRows(std::string_view bgra, size_t width) {
  const size_t row_bytes = 4 * width;
  std::string reversed;
  reversed.reserve(bgra.size());
  for (size_t end = bgra.size(); end >= row_bytes && row_bytes > 0; end -= row_bytes)
    reversed += bgra.substr(end - row_bytes, row_bytes);
  return reversed;
}

namespace {

// One pixel of `bits` (a true-colour depth or a colour-map entry size) at
// `at`, as blue, green, red and alpha.
std::string ColourPixel(std::string_view tga, size_t at, unsigned bits) {
  std::string bgra(4, '\xFF');
  if (bits == 32 || bits == 24) {
    for (size_t i = 0; i < bits / 8; ++i) bgra[i] = tga[at + i];
  } else {
    unsigned word = Byte(tga, at) + 256 * Byte(tga, at + 1);
    unsigned blue = word % 32, green = word / 32 % 32, red = word / 1024 % 32;
    bgra[0] = static_cast<char>(blue * 8 + blue / 4);
    bgra[1] = static_cast<char>(green * 8 + green / 4);
    bgra[2] = static_cast<char>(red * 8 + red / 4);
  }
  return bgra;
}

bool IsColourDepth(unsigned bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

}  // namespace

std::optional<std::string> ReferenceConversion(std::string_view tga) {
  if (tga.size() < 16) return std::nullopt;
  const uint64_t width = Byte(tga, 12) + 256 * Byte(tga, 13);
  const uint64_t height = Byte(tga, 14) + 256 * Byte(tga, 15);
  if (width == 0 || height == 0) return std::string();

  // Which kind of file the header names, if any.
  unsigned type = 0, map_type = 0, depth = 0, entry_bits = 0;
  if (tga.size() >= 18) {
    map_type = Byte(tga, 1);
    type = Byte(tga, 2);
    entry_bits = Byte(tga, 7);
    depth = Byte(tga, 16);
  }
  const bool colour = (type == 2 || type == 10) && IsColourDepth(depth);
  const bool grey = (type == 3 || type == 11) && (depth == 8 || depth == 16);
  const bool mapped =
      (type == 1 || type == 9) && depth == 8 && map_type == 1 && IsColourDepth(entry_bits);
  const bool variant = tga.size() >= 18 && map_type <= 1 && (colour || grey || mapped);
  const bool run_length = variant && type >= 9;
  const size_t pixel_bytes = variant ? (depth + 7) / 8 : 4;
  const size_t entry_bytes = (entry_bits + 7) / 8;
  const size_t map_start = variant ? 18 + Byte(tga, 0) : 18;
  const size_t map_length = map_type == 1 ? Byte(tga, 5) + 256 * Byte(tga, 6) : 0;
  const size_t map_first = Byte(tga, 3) + 256 * Byte(tga, 4);
  const size_t pixels_start = variant ? map_start + map_length * entry_bytes : 18;
  if (mapped && tga.size() < pixels_start) return std::nullopt;

  // The stored pixel values, first to last, each `pixel_bytes` long.
  std::string stored;
  const size_t stored_size = pixel_bytes * width * height;
  size_t at = pixels_start;
  while (stored.size() < stored_size) {
    unsigned count = 1;
    bool repeat = false;
    if (run_length) {
      if (at >= tga.size()) return std::nullopt;
      count = Byte(tga, at) % 128 + 1;
      repeat = Byte(tga, at) >= 128;
      ++at;
    }
    for (unsigned i = 0; i < count && stored.size() < stored_size; ++i) {
      if (at + pixel_bytes > tga.size()) return std::nullopt;
      stored += tga.substr(at, pixel_bytes);
      if (!repeat || i + 1 == count) at += pixel_bytes;
    }
  }

  // Each widened to blue, green, red, alpha.
  std::string bgra;
  for (size_t start = 0; start < stored.size(); start += pixel_bytes) {
    const std::string_view value = std::string_view(stored).substr(start, pixel_bytes);
    if (!variant || colour) {
      bgra += ColourPixel(value, 0, variant ? depth : 32);
    } else if (grey) {
      bgra += std::string(3, value[0]);
      bgra += depth == 16 ? value[1] : '\xFF';
    } else {
      size_t index = Byte(value, 0);
      if (index < map_first || index >= map_first + map_length) return std::nullopt;
      bgra += ColourPixel(tga, map_start + (index - map_first) * entry_bytes, entry_bits);
    }
  }
  return ReferenceIciPixels(ReverseRows(bgra, width));
}

std::string ReferenceIci(std::string_view tga) { return ReferenceConversion(tga).value_or(""); }

}  // namespace pelorin::testing
