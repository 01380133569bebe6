// The ICI image of a TGA source, streamed to a sink in bands of rows.
//
// A band is read from the source in one piece, encoded and written. Band 0
// holds the last stored rows, the last of them first: the ICI image starts
// with the source's last stored row. Only a band's worth of source and of
// ICI bytes is ever held, so memory stays flat whatever the image size.
//
// Reading, encoding and writing a band are each a copy of about the same
// size, so a large image is worked on by two threads when the machine has
// a second core and the sink takes writes at given offsets: each thread
// takes the next band not yet taken and writes it where it belongs in the
// file. Neither waits for the other. On a busy machine the pair does no
// worse than one thread; with a free core it takes about half the time.
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
  uint32_t band_count;
};

// Bands of as many whole rows as fit into `band_bytes` of source, at least
// one row a band.
BandLayout LayOutBands(ImageSize size, uint64_t band_bytes);

// How the bands of an image are to be written.
enum class BandWriting {
  kInOrder,     // one after the other on the calling thread, by Write()
  kTwoThreads,  // by two threads, by WriteAt()
};

// kTwoThreads when `sink` takes writes at offsets, the machine has more than
// one core and the image has enough bands to be worth a thread.
BandWriting ChooseBandWriting(const BandLayout& layout, const ByteSink& sink);

// Streams the whole ICI image into `sink`. A failure ends the writing and
// is raised here; when several bands fail, the failure of the first of
// them is raised, as writing in order would have. Raises EOutOfMemory when
// the band buffers cannot be had.
void WriteBands(TgaSource& source, const BandLayout& layout, ByteSink& sink, BandWriting writing);

}  // namespace pelorin

#endif  // PELORIN_IMAGE_BAND_WRITER_H_
