#include "image/ici_encode.h"

#include <cstring>

namespace pelorin {

namespace {

// On a little-endian CPU a word is its bytes in memory order, and one move
// loads or stores it; elsewhere the bytes are put together one by one.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

inline uint32_t LoadLittle32(const uint8_t* bytes) {
  if constexpr (kLittleEndian) {
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
  }
  return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 |
         uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

template <typename Word>
inline void StoreLittle(uint8_t* bytes, Word word) {
  if constexpr (kLittleEndian) {
    std::memcpy(bytes, &word, sizeof word);
  } else {
    for (size_t i = 0; i < sizeof word; ++i)
      bytes[i] = static_cast<uint8_t>(word >> (8 * i));
  }
}

// One pixel, blue green red alpha from the low byte up, becomes the 5-6-5
// colour in bits 0 to 15 and the 5-bit alpha in bits 16 to 20.
inline uint32_t EncodeWord(uint32_t pixel) {
  return ((pixel >> 8) & 0xF800) | ((pixel >> 5) & 0x07E0) |
         ((pixel >> 3) & 0x001F) | ((pixel >> 11) & 0x1F0000);
}

}  // namespace

void EncodePixelsPortable(const uint8_t* tga_pixels, size_t count,
                          uint8_t* ici_pixels) {
  size_t i = 0;
  // Four 24-bit results pack into a 64-bit and a 32-bit word.
  for (; i + 4 <= count; i += 4) {
    const uint8_t* in = tga_pixels + 4 * i;
    uint8_t* out = ici_pixels + 3 * i;
    uint64_t a = EncodeWord(LoadLittle32(in));
    uint64_t b = EncodeWord(LoadLittle32(in + 4));
    uint64_t c = EncodeWord(LoadLittle32(in + 8));
    uint32_t d = EncodeWord(LoadLittle32(in + 12));
    StoreLittle(out, a | b << 24 | c << 48);
    StoreLittle(out + 8, static_cast<uint32_t>(c >> 16) | d << 8);
  }
  for (; i < count; ++i) {
    uint32_t word = EncodeWord(LoadLittle32(tga_pixels + 4 * i));
    uint8_t* out = ici_pixels + 3 * i;
    out[0] = static_cast<uint8_t>(word);
    out[1] = static_cast<uint8_t>(word >> 8);
    out[2] = static_cast<uint8_t>(word >> 16);
  }
}

const EncoderPath& ChosenEncoderPath() {
  // A handful of CPU feature tests, run once.
  static const EncoderPath& chosen = []() -> const EncoderPath& {
    EncoderPathList all = AllEncoderPaths();
    size_t best = 0;
    for (size_t i = 1; i < all.count; ++i)
      if (all.paths[i].supported()) best = i;
    return all.paths[best];
  }();
  return chosen;
}

}  // namespace pelorin
