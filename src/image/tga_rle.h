// Run-length encoded TGA pixel data, decoded as a stream from its start.
//
// Each packet starts with one byte: with its top bit set, one pixel value
// follows and stands for (low 7 bits + 1) pixels; otherwise that many pixel
// values follow. Packets run across rows freely, so the data can only be
// read from the front; the decoder hands out stored pixels in order, as
// many as asked for, and keeps a packet cut by that count for the next
// request.
#ifndef PELORIN_IMAGE_TGA_RLE_H_
#define PELORIN_IMAGE_TGA_RLE_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/byte_file.h"

namespace pelorin {

class RunLengthDecoder {
 public:
  // Decodes pixels of `pixel_bytes` (1 to 4) from the packets that start
  // at `offset` in `file`, which must outlive the decoder. Raises
  // EOutOfMemory when its read buffer cannot be had.
  RunLengthDecoder(ByteSource& file, uint64_t offset, unsigned pixel_bytes);

  // Writes the next `count` pixels, as stored, to `into`. Raises
  // EInOutError "Read beyond end of file" when the packets end before them;
  // what lies beyond the last packet needed is never looked at.
  void Decode(size_t count, uint8_t* into);

 private:
  // Makes at least `count` (at most kSmallestBuffer) bytes available, or
  // raises "Read beyond end of file".
  void Require(size_t count);
  uint8_t TakeByte();
  static size_t BufferBytesFor(ByteSource& file, uint64_t offset);

  // Reads go in pieces of up to 256 KiB: on 256 MiB of packets, 64 KiB
  // pieces cost 8% more time in system calls, 1 MiB ones no less, and this
  // still stays in the core's cache beside a band. A small file gets a
  // buffer its own size, but never less than the longest packet.
  static constexpr size_t kLargestBuffer = size_t{256} << 10;
  static constexpr size_t kSmallestBuffer = 1 + 128 * 4;

  ByteSource& file_;
  const unsigned pixel_bytes_;
  uint64_t next_read_offset_;
  size_t buffer_bytes_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t buffer_begin_ = 0;
  size_t buffer_end_ = 0;

  // The packet being decoded: how many of its pixels are still to come,
  // and for a run, the value they all take.
  uint32_t packet_left_ = 0;
  bool packet_is_run_ = false;
  uint8_t run_value_[4] = {};
};

}  // namespace pelorin

#endif  // PELORIN_IMAGE_TGA_RLE_H_
