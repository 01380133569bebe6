#include "image/tga_rle.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/failure.h"

namespace pelorin {

size_t RunLengthDecoder::BufferBytesFor(ByteSource& file, uint64_t offset) {
  const uint64_t size = file.Size();
  const uint64_t left = size > offset ? size - offset : 0;
  return static_cast<size_t>(std::clamp<uint64_t>(left, kSmallestBuffer, kLargestBuffer));
}

RunLengthDecoder::RunLengthDecoder(ByteSource& file, uint64_t offset, unsigned pixel_bytes)
    : file_(file),
      pixel_bytes_(pixel_bytes),
      next_read_offset_(offset),
      buffer_bytes_(BufferBytesFor(file, offset)),
      buffer_(new (std::nothrow) uint8_t[buffer_bytes_]) {
  if (!buffer_) throw EOutOfMemory();
}

void RunLengthDecoder::Require(size_t count) {
  if (buffer_end_ - buffer_begin_ >= count) return;
  // Keep what is left at the front, then fill the rest.
  std::memmove(buffer_.get(), buffer_.get() + buffer_begin_, buffer_end_ - buffer_begin_);
  buffer_end_ -= buffer_begin_;
  buffer_begin_ = 0;
  while (buffer_end_ < count) {
    size_t got =
        file_.ReadAt(next_read_offset_, buffer_.get() + buffer_end_, buffer_bytes_ - buffer_end_);
    if (got == 0) throw EInOutError(kReadBeyondEndOfFile);
    next_read_offset_ += got;
    buffer_end_ += got;
  }
}

uint8_t RunLengthDecoder::TakeByte() {
  Require(1);
  return buffer_[buffer_begin_++];
}

void RunLengthDecoder::Decode(size_t count, uint8_t* into) {
  while (count > 0) {
    if (packet_left_ == 0) {
      uint8_t head = TakeByte();
      packet_left_ = (head & 0x7Fu) + 1;
      packet_is_run_ = (head & 0x80u) != 0;
      if (packet_is_run_) {
        Require(pixel_bytes_);
        std::memcpy(run_value_, buffer_.get() + buffer_begin_, pixel_bytes_);
        buffer_begin_ += pixel_bytes_;
      }
    }
    const size_t pixels = std::min<size_t>(packet_left_, count);
    const size_t bytes = pixels * pixel_bytes_;
    if (packet_is_run_) {
      // One value, then copies of what is already there, doubling: a run
      // costs a few copies, not one a pixel.
      std::memcpy(into, run_value_, pixel_bytes_);
      for (size_t filled = pixel_bytes_; filled < bytes; filled *= 2)
        std::memcpy(into + filled, into, std::min(filled, bytes - filled));
      into += bytes;
    } else {
      Require(bytes);  // at most 128 values of 4 bytes
      std::memcpy(into, buffer_.get() + buffer_begin_, bytes);
      buffer_begin_ += bytes;
      into += bytes;
    }
    packet_left_ -= static_cast<uint32_t>(pixels);
    count -= pixels;
  }
}

}  // namespace pelorin
