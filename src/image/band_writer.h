// The ICI image of a TGA source, streamed to a sink in bands of rows.
//
// A band is read from the source in one piece, encoded and written. Band 0
// holds the last stored rows, the last of them first: the ICI image starts
// with the source's last stored row. Only a band's worth of source and of
// ICI bytes is ever held, so memory stays flat whatever the image size.
#ifndef PELORIN_IMAGE_BAND_WRITER_H_
#define PELORIN_IMAGE_BAND_WRITER_H_

#include <cstdint>

#include "image/tga_source.h"
#include "platform/byte_file.h"

namespace pelorin {

// How an image with no zero side is cut into bands.
struct BandLayout {
  ImageSize size;
  uint32_t band_rows;  // all bands but the last hold this many, at least 1
};

// Bands of as many whole rows as fit into `band_bytes` of source, at least
// one row a band.
BandLayout LayOutBands(ImageSize size, uint64_t band_bytes);

// Streams the whole ICI image into `sink`, band after band. A failure ends
// the writing and is raised here. Raises EOutOfMemory when the band buffers
// cannot be had.
void WriteBands(TgaSource& source, const BandLayout& layout, ByteSink& sink);

}  // namespace pelorin

#endif  // PELORIN_IMAGE_BAND_WRITER_H_
