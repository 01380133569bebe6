// Writes a 32-bit uncompressed TGA for the benchmarks: make_tga WIDTH HEIGHT
// random|gradient PATH. Random pixels are incompressible and hit every code
// path of the encoder; a gradient is what a real picture looks like. Written
// in 4 MiB blocks so that making a 256 MiB input costs about as much as
// copying it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Fail(const std::string& what) {
  std::fprintf(stderr, "make_tga: %s\n", what.c_str());
  std::exit(2);
}

// xorshift64*: fast, and the same bytes on every machine for a given size.
uint64_t NextRandom(uint64_t& state) {
  state ^= state >> 12;
  state ^= state << 25;
  state ^= state >> 27;
  return state * 0x2545F4914F6CDD1DULL;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) Fail("usage: make_tga WIDTH HEIGHT random|gradient PATH");
  unsigned long width = std::strtoul(argv[1], nullptr, 10);
  unsigned long height = std::strtoul(argv[2], nullptr, 10);
  std::string pattern = argv[3];
  if (width > 65535 || height > 65535) Fail("width and height go up to 65535");
  if (pattern != "random" && pattern != "gradient") Fail("pattern is random or gradient");

  std::FILE* out = std::fopen(argv[4], "wb");
  if (out == nullptr) Fail(std::string("cannot create ") + argv[4]);

  uint8_t header[18] = {};
  header[2] = 2;  // uncompressed true colour
  header[12] = static_cast<uint8_t>(width);
  header[13] = static_cast<uint8_t>(width >> 8);
  header[14] = static_cast<uint8_t>(height);
  header[15] = static_cast<uint8_t>(height >> 8);
  header[16] = 32;
  header[17] = 8;  // 8 alpha bits, bottom-left origin
  if (std::fwrite(header, 1, sizeof header, out) != sizeof header) Fail("write failed");

  const uint64_t row_bytes = 4ull * width;
  const uint64_t rows_per_block =
      row_bytes == 0 ? 1 : std::max<uint64_t>(1, (4u << 20) / row_bytes);
  std::vector<uint8_t> block(row_bytes * rows_per_block);
  uint64_t state = 0x9E3779B97F4A7C15ULL ^ (width << 32) ^ height;
  for (uint64_t row = 0; row < height; row += rows_per_block) {
    uint64_t rows = std::min<uint64_t>(rows_per_block, height - row);
    uint64_t bytes = rows * row_bytes;
    if (pattern == "random") {
      for (uint64_t i = 0; i < bytes; i += 8) {
        uint64_t word = NextRandom(state);
        std::memcpy(&block[i], &word, std::min<uint64_t>(8, bytes - i));
      }
    } else {
      for (uint64_t r = 0; r < rows; ++r) {
        uint8_t* pixel = &block[r * row_bytes];
        uint64_t y = row + r;
        for (uint64_t x = 0; x < width; ++x, pixel += 4) {
          pixel[0] = static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
          pixel[1] = static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
          pixel[2] = static_cast<uint8_t>((x + y) >> 2);
          pixel[3] = static_cast<uint8_t>(255 - (x ^ y));
        }
      }
    }
    if (std::fwrite(block.data(), 1, bytes, out) != bytes) Fail("write failed");
  }
  if (std::fclose(out) != 0) Fail("write failed");
  return 0;
}
