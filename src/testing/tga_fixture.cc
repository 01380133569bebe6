#include "testing/tga_fixture.h"

#include <random>

namespace pelorin::testing {

std::string MakeTga(uint16_t width, uint16_t height, const std::string& pixels) {
  std::string header(18, '\0');
  header[2] = 2;  // uncompressed true-colour
  header[12] = static_cast<char>(width & 0xFF);
  header[13] = static_cast<char>(width >> 8);
  header[14] = static_cast<char>(height & 0xFF);
  header[15] = static_cast<char>(height >> 8);
  header[16] = 32;
  header[17] = 8;  // 8 alpha bits, bottom-left origin
  return header + pixels;
}

std::string MakeRandomTga(uint16_t width, uint16_t height, uint32_t seed) {
  std::mt19937 random(seed);
  std::string pixels(4ull * width * height, '\0');
  for (char& byte : pixels) byte = static_cast<char>(random());
  return MakeTga(width, height, pixels);
}

}  // namespace pelorin::testing
