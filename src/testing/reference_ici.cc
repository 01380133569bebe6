#include "testing/reference_ici.h"

#include <cstdint>

namespace pelorin::testing {

std::string ReferenceIciPixels(std::string_view bgra) {
  std::string ici;
  ici.reserve(bgra.size() / 4 * 3);
  for (size_t i = 0; i + 4 <= bgra.size(); i += 4) {
    unsigned blue = static_cast<uint8_t>(bgra[i]);
    unsigned green = static_cast<uint8_t>(bgra[i + 1]);
    unsigned red = static_cast<uint8_t>(bgra[i + 2]);
    unsigned alpha = static_cast<uint8_t>(bgra[i + 3]);
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

std::string ReferenceIci(std::string_view tga) {
  const size_t width = static_cast<uint8_t>(tga[12]) + 256 * static_cast<uint8_t>(tga[13]);
  const size_t height = static_cast<uint8_t>(tga[14]) + 256 * static_cast<uint8_t>(tga[15]);
  return ReferenceIciPixels(ReverseRows(tga.substr(18, 4 * width * height), width));
}

}  // namespace pelorin::testing
