// Writes a TGA for the benchmarks:
//   make_tga WIDTH HEIGHT random|gradient PATH [32|24|rle32]
// 32 (the default) is uncompressed 32-bit, 24 uncompressed 24-bit and rle32
// run-length encoded 32-bit. Random pixels are incompressible and hit every
// code path of the encoder (run-length encoded, they become raw packets of
// 128 pixels); a gradient is what a real picture looks like. Written in
// 4 MiB blocks so that making a 256 MiB input costs about as much as
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

// Appends `count` pixels of `pixel_bytes` from `pixels` as run-length
// packets: repeated values as runs, the rest as raw packets of up to 128.
void AppendRunLength(const uint8_t* pixels, uint64_t count, unsigned pixel_bytes,
                     std::vector<uint8_t>& out) {
  auto same = [&](uint64_t a, uint64_t b) {
    return std::memcmp(pixels + a * pixel_bytes, pixels + b * pixel_bytes, pixel_bytes) == 0;
  };
  uint64_t i = 0;
  while (i < count) {
    uint64_t run = 1;
    while (i + run < count && run < 128 && same(i, i + run)) ++run;
    if (run > 1) {
      out.push_back(static_cast<uint8_t>(0x80 | (run - 1)));
      out.insert(out.end(), pixels + i * pixel_bytes, pixels + (i + 1) * pixel_bytes);
    } else {
      while (i + run < count && run < 128 && !(i + run + 1 < count && same(i + run, i + run + 1)))
        ++run;
      out.push_back(static_cast<uint8_t>(run - 1));
      out.insert(out.end(), pixels + i * pixel_bytes, pixels + (i + run) * pixel_bytes);
    }
    i += run;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6)
    Fail("usage: make_tga WIDTH HEIGHT random|gradient PATH [32|24|rle32]");
  unsigned long width = std::strtoul(argv[1], nullptr, 10);
  unsigned long height = std::strtoul(argv[2], nullptr, 10);
  std::string pattern = argv[3];
  std::string format = argc == 6 ? argv[5] : "32";
  if (width > 65535 || height > 65535) Fail("width and height go up to 65535");
  if (pattern != "random" && pattern != "gradient") Fail("pattern is random or gradient");
  if (format != "32" && format != "24" && format != "rle32") Fail("format is 32, 24 or rle32");
  const unsigned pixel_bytes = format == "24" ? 3 : 4;
  const bool run_length = format == "rle32";

  std::FILE* out = std::fopen(argv[4], "wb");
  if (out == nullptr) Fail(std::string("cannot create ") + argv[4]);

  uint8_t header[18] = {};
  header[2] = run_length ? 10 : 2;  // true colour, run-length encoded or not
  header[12] = static_cast<uint8_t>(width);
  header[13] = static_cast<uint8_t>(width >> 8);
  header[14] = static_cast<uint8_t>(height);
  header[15] = static_cast<uint8_t>(height >> 8);
  header[16] = static_cast<uint8_t>(8 * pixel_bytes);
  header[17] = pixel_bytes == 4 ? 8 : 0;  // alpha bits, bottom-left origin
  if (std::fwrite(header, 1, sizeof header, out) != sizeof header) Fail("write failed");

  const uint64_t row_bytes = uint64_t{pixel_bytes} * width;
  const uint64_t rows_per_block =
      row_bytes == 0 ? 1 : std::max<uint64_t>(1, (4u << 20) / row_bytes);
  std::vector<uint8_t> block(row_bytes * rows_per_block);
  std::vector<uint8_t> packets;
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
        for (uint64_t x = 0; x < width; ++x, pixel += pixel_bytes) {
          const uint8_t bgra[4] = {static_cast<uint8_t>(x * 255 / (width > 1 ? width - 1 : 1)),
                                   static_cast<uint8_t>(y * 255 / (height > 1 ? height - 1 : 1)),
                                   static_cast<uint8_t>((x + y) >> 2),
                                   static_cast<uint8_t>(255 - (x ^ y))};
          std::memcpy(pixel, bgra, pixel_bytes);
        }
      }
    }
    const uint8_t* data = block.data();
    if (run_length) {
      // Packets stop at each block's end; any row boundary is allowed.
      packets.clear();
      AppendRunLength(block.data(), rows * width, pixel_bytes, packets);
      data = packets.data();
      bytes = packets.size();
    }
    if (std::fwrite(data, 1, bytes, out) != bytes) Fail("write failed");
  }
  if (std::fclose(out) != 0) Fail("write failed");
  return 0;
}
