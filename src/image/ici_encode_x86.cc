// The encoder paths on x86-64: SSSE3 and AVX2 besides the portable one.
//
// Only the functions here are compiled for those instruction sets (through
// target attributes), so the program as a whole still runs on any x86-64;
// ChosenEncoderPath calls one only after the CPU has said it has the
// instructions.
//
// Both work the same way. Four pixels sit in a 128-bit lane, one per 32-bit
// word. Three shifts and masks turn each word into
//
//   bits 0..15   the 5-6-5 colour
//   bits 24..28  the alpha's top five bits
//
// (alpha >> 3 lands in the top byte for free with the blue shift), and a
// byte shuffle then keeps bytes 0, 1 and 3 of each word: 12 bytes a lane.
#include <immintrin.h>

#include <cstring>

#include "image/ici_encode.h"

namespace pelorin {

namespace {

#define PELORIN_SSSE3 __attribute__((target("ssse3")))
#define PELORIN_AVX2 __attribute__((target("avx2")))

PELORIN_SSSE3 inline __m128i EncodeWords128(__m128i pixels) {
  __m128i red = _mm_and_si128(_mm_srli_epi32(pixels, 8), _mm_set1_epi32(0xF800));
  __m128i green = _mm_and_si128(_mm_srli_epi32(pixels, 5), _mm_set1_epi32(0x07E0));
  __m128i blue_alpha = _mm_and_si128(_mm_srli_epi32(pixels, 3), _mm_set1_epi32(0x1F00001F));
  return _mm_or_si128(_mm_or_si128(red, green), blue_alpha);
}

// Bytes 0, 1 and 3 of each word, packed into the lane's low 12 bytes; the
// top four become zero.
PELORIN_SSSE3 inline __m128i CompactMask128() {
  return _mm_setr_epi8(0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 13, 15, -1, -1, -1, -1);
}

PELORIN_SSSE3 inline __m128i EncodeFour(const uint8_t* tga_pixels) {
  __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tga_pixels));
  return _mm_shuffle_epi8(EncodeWords128(pixels), CompactMask128());
}

PELORIN_SSSE3 void EncodePixelsSsse3(const uint8_t* tga_pixels, size_t count, uint8_t* ici_pixels) {
  size_t i = 0;
  // Sixteen pixels fill exactly three 16-byte stores.
  for (; i + 16 <= count; i += 16) {
    const uint8_t* in = tga_pixels + 4 * i;
    __m128i* out = reinterpret_cast<__m128i*>(ici_pixels + 3 * i);
    __m128i a = EncodeFour(in);
    __m128i b = EncodeFour(in + 16);
    __m128i c = EncodeFour(in + 32);
    __m128i d = EncodeFour(in + 48);
    _mm_storeu_si128(out, _mm_or_si128(a, _mm_slli_si128(b, 12)));
    _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
    _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
  }
  // Four at a time, stored as 8 + 4 bytes so nothing is written past them.
  for (; i + 4 <= count; i += 4) {
    __m128i encoded = EncodeFour(tga_pixels + 4 * i);
    uint8_t* out = ici_pixels + 3 * i;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), encoded);
    uint32_t last = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(encoded, 8)));
    std::memcpy(out + 8, &last, sizeof last);
  }
  EncodePixelsPortable(tga_pixels + 4 * i, count - i, ici_pixels + 3 * i);
}

// Four 24-bit pixels, the low 12 bytes of a lane, spread to one a 32-bit
// word with alpha 255.
PELORIN_SSSE3 inline __m128i WidenFour(__m128i bgr) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  return _mm_or_si128(_mm_shuffle_epi8(bgr, spread), _mm_set1_epi32(static_cast<int>(0xFF000000)));
}

PELORIN_SSSE3 void WidenBgrSsse3(const uint8_t* bgr_pixels, size_t count, uint8_t* bgra_pixels) {
  size_t i = 0;
  // Sixteen pixels are exactly three 16-byte loads; nothing past them is read.
  for (; i + 16 <= count; i += 16) {
    const __m128i* in = reinterpret_cast<const __m128i*>(bgr_pixels + 3 * i);
    __m128i* out = reinterpret_cast<__m128i*>(bgra_pixels + 4 * i);
    __m128i a = _mm_loadu_si128(in);
    __m128i b = _mm_loadu_si128(in + 1);
    __m128i c = _mm_loadu_si128(in + 2);
    _mm_storeu_si128(out, WidenFour(a));
    _mm_storeu_si128(out + 1, WidenFour(_mm_alignr_epi8(b, a, 12)));
    _mm_storeu_si128(out + 2, WidenFour(_mm_alignr_epi8(c, b, 8)));
    _mm_storeu_si128(out + 3, WidenFour(_mm_srli_si128(c, 4)));
  }
  WidenBgrPortable(bgr_pixels + 3 * i, count - i, bgra_pixels + 4 * i);
}

PELORIN_AVX2 inline __m256i EncodeEightWords(__m256i pixels) {
  __m256i red = _mm256_and_si256(_mm256_srli_epi32(pixels, 8), _mm256_set1_epi32(0xF800));
  __m256i green = _mm256_and_si256(_mm256_srli_epi32(pixels, 5), _mm256_set1_epi32(0x07E0));
  __m256i blue_alpha =
      _mm256_and_si256(_mm256_srli_epi32(pixels, 3), _mm256_set1_epi32(0x1F00001F));
  __m256i words = _mm256_or_si256(_mm256_or_si256(red, green), blue_alpha);
  const __m256i compact = _mm256_setr_epi8(0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 13, 15, -1, -1, -1, -1,
                                           0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 13, 15, -1, -1, -1, -1);
  // Each lane now holds 12 bytes in 32-bit words 0-2 and 4-6.
  return _mm256_shuffle_epi8(words, compact);
}

PELORIN_AVX2 inline __m256i EncodeEight(const uint8_t* tga_pixels) {
  return EncodeEightWords(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(tga_pixels)));
}

// Eight 24-bit pixels: the 12 bytes at `bgr` go to the low lane and the 12
// after them to the high one, each spread to four 32-bit words with alpha
// 255. Reads 28 bytes.
PELORIN_AVX2 inline __m256i EncodeEightBgr(const uint8_t* bgr) {
  __m256i both = _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 12)), 1);
  const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0,
                                          1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  __m256i pixels = _mm256_or_si256(_mm256_shuffle_epi8(both, spread),
                                   _mm256_set1_epi32(static_cast<int>(0xFF000000)));
  return EncodeEightWords(pixels);
}

// Thirty-two encoded pixels, four groups of eight, fill exactly three
// 32-byte stores. Each group gives six 32-bit words of output; a word
// permutation puts them where two neighbouring stores need them, and a
// blend joins the two.
PELORIN_AVX2 inline void StoreThirtyTwo(__m256i a, __m256i b, __m256i c, __m256i d,
                                        uint8_t* ici_pixels) {
  const __m256i place_a = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 0, 0);
  const __m256i place_b = _mm256_setr_epi32(2, 4, 5, 6, 0, 0, 0, 1);
  const __m256i place_c = _mm256_setr_epi32(5, 6, 0, 0, 0, 1, 2, 4);
  const __m256i place_d = _mm256_setr_epi32(0, 0, 0, 1, 2, 4, 5, 6);
  a = _mm256_permutevar8x32_epi32(a, place_a);
  b = _mm256_permutevar8x32_epi32(b, place_b);
  c = _mm256_permutevar8x32_epi32(c, place_c);
  d = _mm256_permutevar8x32_epi32(d, place_d);
  __m256i* out = reinterpret_cast<__m256i*>(ici_pixels);
  _mm256_storeu_si256(out, _mm256_blend_epi32(a, b, 0xC0));
  _mm256_storeu_si256(out + 1, _mm256_blend_epi32(b, c, 0xF0));
  _mm256_storeu_si256(out + 2, _mm256_blend_epi32(c, d, 0xFC));
}

PELORIN_AVX2 void EncodePixelsAvx2(const uint8_t* tga_pixels, size_t count, uint8_t* ici_pixels) {
  size_t i = 0;
  for (; i + 32 <= count; i += 32) {
    const uint8_t* in = tga_pixels + 4 * i;
    StoreThirtyTwo(EncodeEight(in), EncodeEight(in + 32), EncodeEight(in + 64),
                   EncodeEight(in + 96), ici_pixels + 3 * i);
  }
  EncodePixelsSsse3(tga_pixels + 4 * i, count - i, ici_pixels + 3 * i);
}

// 24-bit pixels widened in registers, with no pass through memory between.
PELORIN_AVX2 void EncodeBgrAvx2(const uint8_t* bgr_pixels, size_t count, uint8_t* ici_pixels) {
  size_t i = 0;
  // The last group's second load ends 4 bytes past the 96 that 32 pixels
  // take: two pixels more must follow for it to stay inside the input.
  for (; i + 34 <= count; i += 32) {
    const uint8_t* in = bgr_pixels + 3 * i;
    StoreThirtyTwo(EncodeEightBgr(in), EncodeEightBgr(in + 24), EncodeEightBgr(in + 48),
                   EncodeEightBgr(in + 72), ici_pixels + 3 * i);
  }
  EncodeBgrInPieces(WidenBgrSsse3, EncodePixelsSsse3, bgr_pixels + 3 * i, count - i,
                    ici_pixels + 3 * i);
}

PELORIN_SSSE3 void EncodeBgrSsse3(const uint8_t* bgr_pixels, size_t count, uint8_t* ici_pixels) {
  EncodeBgrInPieces(WidenBgrSsse3, EncodePixelsSsse3, bgr_pixels, count, ici_pixels);
}

bool HasSsse3() { return __builtin_cpu_supports("ssse3"); }
// The compiler's check covers the operating system's saving of the wide
// registers too, not just the CPU's instruction set.
bool HasAvx2() { return __builtin_cpu_supports("avx2"); }

}  // namespace

EncoderPathList AllEncoderPaths() {
  static const EncoderPath kPaths[] = {
      {"portable", EncodePixelsPortable, EncodeBgrPortable, [] { return true; }},
      {"ssse3", EncodePixelsSsse3, EncodeBgrSsse3, HasSsse3},
      {"avx2", EncodePixelsAvx2, EncodeBgrAvx2, HasAvx2},
  };
  return EncoderPathList{kPaths, sizeof kPaths / sizeof kPaths[0]};
}

}  // namespace pelorin
