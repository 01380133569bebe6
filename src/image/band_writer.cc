#include "image/band_writer.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "image/ici_encode.h"
#include "image/ici_image.h"
#include "platform/failure.h"

namespace pelorin {

namespace {

// With fewer bands than this, starting a thread costs more than it saves.
constexpr uint32_t kFewestBandsForTwoThreads = 4;

std::unique_ptr<uint8_t[]> AllocateBuffer(uint64_t bytes) {
  uint8_t* buffer = new (std::nothrow) uint8_t[bytes];
  if (buffer == nullptr) throw EOutOfMemory();
  return std::unique_ptr<uint8_t[]>(buffer);
}

// One worker's buffers: a band of source pixels and its encoding.
struct BandBuffers {
  explicit BandBuffers(const BandLayout& layout)
      : tga(AllocateBuffer(kTgaBytesPerPixel * layout.size.width * layout.band_rows)),
        ici(AllocateBuffer(kIciBytesPerPixel * layout.size.width * layout.band_rows)) {}
  std::unique_ptr<uint8_t[]> tga;
  std::unique_ptr<uint8_t[]> ici;
};

struct EncodedBand {
  uint64_t offset;  // in the ICI image
  size_t size;
};

// Reads band `index` and encodes it into `buffers.ici`.
EncodedBand EncodeBand(TgaSource& source, const BandLayout& layout, uint32_t index,
                       PixelEncoder encode, BandBuffers& buffers) {
  const uint16_t width = layout.size.width;
  uint32_t end_row = layout.size.height - index * layout.band_rows;
  uint32_t rows = std::min(layout.band_rows, end_row);
  source.ReadRows(width, end_row - rows, rows, buffers.tga.get());
  uint64_t tga_row_bytes = kTgaBytesPerPixel * width;
  uint64_t ici_row_bytes = kIciBytesPerPixel * width;
  for (uint32_t row = 0; row < rows; ++row) {
    // The band's last row is the first to go out.
    encode(buffers.tga.get() + tga_row_bytes * (rows - 1 - row), width,
           buffers.ici.get() + ici_row_bytes * row);
  }
  return EncodedBand{ici_row_bytes * layout.band_rows * index,
                     static_cast<size_t>(ici_row_bytes * rows)};
}

void WriteBandsInOrder(TgaSource& source, const BandLayout& layout, ByteSink& sink) {
  BandBuffers buffers(layout);
  PixelEncoder encode = ChosenEncoderPath().encode;
  for (uint32_t index = 0; index < layout.band_count; ++index) {
    EncodedBand band = EncodeBand(source, layout, index, encode, buffers);
    sink.Write(buffers.ici.get(), band.size);
  }
}

// The bands two threads share: which is next, and the first that failed.
class SharedBands {
 public:
  SharedBands(TgaSource& source, const BandLayout& layout, ByteSink& sink)
      : source_(source), layout_(layout), sink_(sink), encode_(ChosenEncoderPath().encode) {}

  // Takes bands until none is left or one has failed; never raises.
  void Work(BandBuffers& buffers) noexcept {
    while (!failed_.load(std::memory_order_relaxed)) {
      uint32_t index = next_.fetch_add(1, std::memory_order_relaxed);
      if (index >= layout_.band_count) return;
      try {
        EncodedBand band = EncodeBand(source_, layout_, index, encode_, buffers);
        sink_.WriteAt(band.offset, buffers.ici.get(), band.size);
      } catch (...) {
        Fail(index, std::current_exception());
        return;
      }
    }
  }

  // Call after every worker has finished.
  void RaiseFirstFailure() const {
    if (first_failure_) std::rethrow_exception(first_failure_);
  }

 private:
  // Bands are taken in order and each worker has one at a time, so every
  // band before the lowest failed one was written: raising that failure is
  // what writing in order would have done.
  void Fail(uint32_t index, std::exception_ptr failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!first_failure_ || index < first_failed_band_) {
      first_failed_band_ = index;
      first_failure_ = std::move(failure);
    }
    failed_.store(true, std::memory_order_relaxed);
  }

  TgaSource& source_;
  const BandLayout& layout_;
  ByteSink& sink_;
  const PixelEncoder encode_;
  std::atomic<uint32_t> next_{0};
  std::atomic<bool> failed_{false};
  std::mutex mutex_;
  uint32_t first_failed_band_ = 0;
  std::exception_ptr first_failure_;
};

void WriteBandsOnTwoThreads(TgaSource& source, const BandLayout& layout, ByteSink& sink) {
  BandBuffers own_buffers(layout);
  BandBuffers helper_buffers(layout);
  SharedBands bands(source, layout, sink);
  std::thread helper;
  try {
    helper = std::thread([&] { bands.Work(helper_buffers); });
  } catch (const std::system_error&) {
    // No thread to be had: this one takes every band.
  }
  bands.Work(own_buffers);
  if (helper.joinable()) helper.join();
  bands.RaiseFirstFailure();
}

}  // namespace

BandLayout LayOutBands(ImageSize size, uint64_t band_bytes) {
  uint64_t tga_row_bytes = kTgaBytesPerPixel * size.width;
  // A row is at most 4 · 65535 bytes; a band holds at least one.
  uint32_t band_rows = static_cast<uint32_t>(
      std::min<uint64_t>(size.height, std::max<uint64_t>(1, band_bytes / tga_row_bytes)));
  uint32_t band_count = size.height / band_rows + (size.height % band_rows != 0);
  return BandLayout{size, band_rows, band_count};
}

BandWriting ChooseBandWriting(const BandLayout& layout, const ByteSink& sink) {
  if (layout.band_count < kFewestBandsForTwoThreads) return BandWriting::kInOrder;
  if (!sink.TakesWritesAtOffsets()) return BandWriting::kInOrder;
  // 0 means the library cannot tell; one core gains nothing from two.
  if (std::thread::hardware_concurrency() < 2) return BandWriting::kInOrder;
  return BandWriting::kTwoThreads;
}

void WriteBands(TgaSource& source, const BandLayout& layout, ByteSink& sink, BandWriting writing) {
  if (writing == BandWriting::kTwoThreads)
    WriteBandsOnTwoThreads(source, layout, sink);
  else
    WriteBandsInOrder(source, layout, sink);
}

}  // namespace pelorin
