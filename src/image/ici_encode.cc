#include "image/ici_encode.h"

#include <cstring>

namespace pelorin {

namespace {

// On a little-endian CPU a word is its bytes in memory order, and one move
// loads or stores it; elsewhere the bytes are put together one by one.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

template <typename Word>
inline Word LoadLittle(const uint8_t* bytes) {
  Word word = 0;
  if constexpr (kLittleEndian) {
    std::memcpy(&word, bytes, sizeof word);
  } else {
    for (size_t i = 0; i < sizeof word; ++i) word |= Word{bytes[i]} << (8 * i);
  }
  return word;
}

template <typename Word>
inline void StoreLittle(uint8_t* bytes, Word word) {
  if constexpr (kLittleEndian) {
    std::memcpy(bytes, &word, sizeof word);
  } else {
    for (size_t i = 0; i < sizeof word; ++i) bytes[i] = static_cast<uint8_t>(word >> (8 * i));
  }
}

// Two pixels, blue green red alpha from the low byte up in each half of
// the word, become in each half the 5-6-5 colour in bits 0 to 15 and the
// 5-bit alpha in bits 16 to 20. Every field is taken from within its own
// pixel, so one shift and mask serves both halves.
inline uint64_t EncodeTwo(uint64_t pixels) {
  constexpr uint64_t kBoth = 0x0000000100000001;
  return ((pixels >> 8) & (0xF800 * kBoth)) | ((pixels >> 5) & (0x07E0 * kBoth)) |
         ((pixels >> 3) & (0x001F * kBoth)) | ((pixels >> 11) & (0x1F0000 * kBoth));
}

// The two 24-bit results of EncodeTwo, next to each other in bits 0 to 47.
inline uint64_t PackTwo(uint64_t encoded) {
  return (encoded & 0xFFFFFF) | ((encoded >> 8) & 0xFFFFFF000000);
}

}  // namespace

void EncodePixelsPortable(const uint8_t* tga_pixels, size_t count, uint8_t* ici_pixels) {
  size_t i = 0;
  // Eight pixels, two to a 64-bit word, fill three 64-bit words.
  for (; i + 8 <= count; i += 8) {
    const uint8_t* in = tga_pixels + 4 * i;
    uint8_t* out = ici_pixels + 3 * i;
    uint64_t a = PackTwo(EncodeTwo(LoadLittle<uint64_t>(in)));
    uint64_t b = PackTwo(EncodeTwo(LoadLittle<uint64_t>(in + 8)));
    uint64_t c = PackTwo(EncodeTwo(LoadLittle<uint64_t>(in + 16)));
    uint64_t d = PackTwo(EncodeTwo(LoadLittle<uint64_t>(in + 24)));
    StoreLittle<uint64_t>(out, a | b << 48);
    StoreLittle<uint64_t>(out + 8, b >> 16 | c << 32);
    StoreLittle<uint64_t>(out + 16, c >> 32 | d << 16);
  }
  // Four give 12 bytes: 8 and then 4.
  if (i + 4 <= count) {
    const uint8_t* in = tga_pixels + 4 * i;
    uint8_t* out = ici_pixels + 3 * i;
    uint64_t first = PackTwo(EncodeTwo(LoadLittle<uint64_t>(in)));
    uint64_t second = PackTwo(EncodeTwo(LoadLittle<uint64_t>(in + 8)));
    StoreLittle<uint64_t>(out, first | second << 48);
    StoreLittle<uint32_t>(out + 8, static_cast<uint32_t>(second >> 16));
    i += 4;
  }
  for (; i < count; ++i) {
    uint32_t word = static_cast<uint32_t>(EncodeTwo(LoadLittle<uint32_t>(tga_pixels + 4 * i)));
    uint8_t* out = ici_pixels + 3 * i;
    out[0] = static_cast<uint8_t>(word);
    out[1] = static_cast<uint8_t>(word >> 8);
    out[2] = static_cast<uint8_t>(word >> 16);
  }
}

void WidenBgrPortable(const uint8_t* bgr_pixels, size_t count, uint8_t* bgra_pixels) {
  for (size_t i = 0; i < count; ++i, bgr_pixels += 3, bgra_pixels += 4) {
    bgra_pixels[0] = bgr_pixels[0];
    bgra_pixels[1] = bgr_pixels[1];
    bgra_pixels[2] = bgr_pixels[2];
    bgra_pixels[3] = 0xFF;
  }
}

void EncodeBgrInPieces(BgrWidener widen, PixelEncoder encode, const uint8_t* bgr_pixels,
                       size_t count, uint8_t* ici_pixels) {
  constexpr size_t kPiece = 1024;
  uint8_t bgra[4 * kPiece];
  for (size_t done = 0; done < count; done += kPiece) {
    size_t pixels = count - done < kPiece ? count - done : kPiece;
    widen(bgr_pixels + 3 * done, pixels, bgra);
    encode(bgra, pixels, ici_pixels + 3 * done);
  }
}

void EncodeBgrPortable(const uint8_t* bgr_pixels, size_t count, uint8_t* ici_pixels) {
  EncodeBgrInPieces(WidenBgrPortable, EncodePixelsPortable, bgr_pixels, count, ici_pixels);
}

const EncoderPath& FastestSupportedPath(EncoderPathList paths) {
  size_t best = 0;
  for (size_t i = 1; i < paths.count; ++i)
    if (paths.paths[i].supported()) best = i;
  return paths.paths[best];
}

const EncoderPath& ChosenEncoderPath() {
  // A handful of CPU feature tests, run once.
  static const EncoderPath& chosen = FastestSupportedPath(AllEncoderPaths());
  return chosen;
}

}  // namespace pelorin
