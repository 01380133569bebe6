// The pixel encoder's interchangeable implementations.
//
// Encoding is the only computation Pelorin does, and it runs once per pixel,
// so it has a portable implementation and, on x86-64, vector ones. All give
// the same bytes; the fastest one the CPU supports is picked once, the first
// time it is needed, so a small image pays nothing for the choice.
#ifndef PELORIN_IMAGE_ICI_ENCODE_H_
#define PELORIN_IMAGE_ICI_ENCODE_H_

#include <cstddef>
#include <cstdint>

namespace pelorin {

// Encodes `count` TGA pixels (4 bytes each) into `count` ICI pixels (3 bytes
// each). Writes exactly 3·count bytes; neither pointer needs any alignment;
// the ranges must not overlap.
using PixelEncoder = void (*)(const uint8_t* tga_pixels, size_t count, uint8_t* ici_pixels);

// Encodes `count` 24-bit pixels (blue, green, red; alpha 255) into `count`
// ICI pixels. Reads exactly 3·count bytes and writes exactly 3·count.
using BgrEncoder = void (*)(const uint8_t* bgr_pixels, size_t count, uint8_t* ici_pixels);

// Widens `count` 24-bit pixels into 32-bit ones with alpha 255.
using BgrWidener = void (*)(const uint8_t* bgr_pixels, size_t count, uint8_t* bgra_pixels);

struct EncoderPath {
  const char* name;
  PixelEncoder encode;
  BgrEncoder encode_bgr;
  // Whether this CPU can run `encode` and `encode_bgr`.
  bool (*supported)();
};

struct EncoderPathList {
  const EncoderPath* paths;
  size_t count;
};

// Plain C++, for any CPU: two pixels to a 64-bit word, four per step.
void EncodePixelsPortable(const uint8_t* tga_pixels, size_t count, uint8_t* ici_pixels);
void WidenBgrPortable(const uint8_t* bgr_pixels, size_t count, uint8_t* bgra_pixels);
void EncodeBgrPortable(const uint8_t* bgr_pixels, size_t count, uint8_t* ici_pixels);

// A BgrEncoder made of a widener and an encoder: the pixels go through a
// small buffer that stays in the core's nearest cache.
void EncodeBgrInPieces(BgrWidener widen, PixelEncoder encode, const uint8_t* bgr_pixels,
                       size_t count, uint8_t* ici_pixels);

// Every implementation built into this program, the portable one first and
// the others from slowest to fastest. Which ones exist depends on the
// architecture the program is built for; each says whether this CPU can run
// it.
EncoderPathList AllEncoderPaths();

// The last of `paths` that this CPU supports; the first when none of the
// others is. `paths` must not be empty.
const EncoderPath& FastestSupportedPath(EncoderPathList paths);

// FastestSupportedPath(AllEncoderPaths()), decided on the first call.
const EncoderPath& ChosenEncoderPath();

}  // namespace pelorin

#endif  // PELORIN_IMAGE_ICI_ENCODE_H_
