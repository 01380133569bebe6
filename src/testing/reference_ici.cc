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

std::optional<std::string> ReferenceConversion(std::string_view tga) {
  if (tga.size() < 16) return std::nullopt;
  const uint64_t width = Byte(tga, 12) + 256 * Byte(tga, 13);
  const uint64_t height = Byte(tga, 14) + 256 * Byte(tga, 15);
  if (width == 0 || height == 0) return std::string();
  // Pixels from byte 18, four bytes each, whatever else the header says.
  if (tga.size() < 18 + 4 * width * height) return std::nullopt;
  std::string ici;
  for (uint64_t row = height; row-- > 0;)
    ici += ReferenceIciPixels(tga.substr(18 + 4 * width * row, 4 * width));
  return ici;
}

std::string ReferenceIci(std::string_view tga) { return ReferenceConversion(tga).value_or(""); }

}  // namespace pelorin::testing
