// The ICI image format, and its making from a TGA source.
//
// An ICI file is nothing but pixels: no header, no magic, no size fields and
// no trailer, 3·w·h bytes in all. Each pixel is three bytes:
//
//   byte 0  low byte of the RGB 5-6-5 colour
//   byte 1  high byte of the RGB 5-6-5 colour
//   byte 2  alpha in 5 bits, 0 to 31; the top three bits are 0
//
// The colour keeps the top bits of each channel, truncated, never rounded,
// dithered or premultiplied:
//
//   colour = (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3)
//   alpha  = alpha >> 3
//
// Worked values, source blue green red alpha → ICI bytes (hexadecimal):
//
//   00 00 FF FF  opaque red    →  00 F8 1F
//   00 FF 00 FF  opaque green  →  E0 07 1F
//   FF 00 00 FF  opaque blue   →  1F 00 1F
//   FF FF FF FF  opaque white  →  FF FF 1F
//   07 03 07 07  below 1 step  →  00 00 00
//   08 04 08 08  one step each →  21 08 01
//   10 20 30 40                →  02 31 08
//
// Rows come in the reverse of their stored order: the first ICI row is the
// last stored TGA row. A TGA stored bottom-up, as usual, so yields an ICI
// image that runs from top to bottom. Within a row, pixels go left to right.
// Stored rows P0 P1 / P2 P3 give P2 P3 P0 P1.
//
// The image is made in bands of whole rows: a band of source is read in one
// piece, widened and encoded, and written at its place in the file. Only a
// band's worth of source and of ICI bytes is ever held, so memory stays flat
// whatever the image size. Uncompressed sources are read from their last
// band to their first and written front to back; run-length encoded ones
// can only be decoded from the front, so they are written back to front.
#ifndef PELORIN_IMAGE_ICI_IMAGE_H_
#define PELORIN_IMAGE_ICI_IMAGE_H_

#include <cstdint>

#include "image/ici_encode.h"
#include "image/tga_source.h"
#include "platform/byte_file.h"

namespace pelorin {

constexpr uint64_t kIciBytesPerPixel = 3;

// About this much source is read at a time: large enough that system calls
// cost little, small enough that a band and its encoding stay in the core's
// cache. Measured on 256 MiB images, 256 KiB to 1 MiB did equally well.
constexpr uint64_t kBandBytes = uint64_t{512} << 10;

// How an image with no zero side is cut into bands.
struct BandLayout {
  ImageSize size;
  uint32_t band_rows;  // all bands but the last hold this many, at least 1
};

// Bands of as many whole rows as fit into `band_bytes` of pixels at 4
// bytes each, at least one row a band.
BandLayout LayOutBands(ImageSize size, uint64_t band_bytes);

// Writes the whole ICI image of `source`, whose header has been read, into
// `sink`, in bands of about `band_bytes` (the program passes kBandBytes),
// encoded by `encoder`. Call TgaSource::RequireAllPixels first; pixels that
// still come up short, run-length data that ends early and colour indices
// outside the map raise "Read beyond end of file". Raises EOutOfMemory when
// the band buffers cannot be had; any failure ends the writing where it
// arose.
void WriteIciImage(TgaSource& source, ByteSink& sink, uint64_t band_bytes,
                   const EncoderPath& encoder);

}  // namespace pelorin

#endif  // PELORIN_IMAGE_ICI_IMAGE_H_
