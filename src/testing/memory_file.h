// Byte files held in memory, so that the image code runs without a disk.
#ifndef PELORIN_TESTING_MEMORY_FILE_H_
#define PELORIN_TESTING_MEMORY_FILE_H_

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/byte_file.h"
#include "platform/failure.h"

namespace pelorin::testing {

// An offset no read or write reaches.
constexpr uint64_t kNowhere = UINT64_MAX;

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}

  // A read that covers this offset raises an I/O error, as a failing disk
  // would.
  uint64_t failing_offset = kNowhere;
  static constexpr int kFailingReadCode = 23;
  uint64_t bytes_read = 0;

  uint64_t Size() override { return bytes_.size(); }
  size_t ReadAt(uint64_t offset, uint8_t* into, size_t count) override {
    if (offset <= failing_offset && failing_offset - offset < count)
      throw EInOutError(InOutCode::System(kFailingReadCode));
    if (offset >= bytes_.size()) return 0;
    size_t available = std::min<uint64_t>(count, bytes_.size() - offset);
    std::copy_n(bytes_.data() + offset, available, reinterpret_cast<char*>(into));
    bytes_read += available;
    return available;
  }

  // Lets a test change the file between the size check and the reads.
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
};

class MemorySink : public ByteSink {
 public:
  // A write that covers this offset fails, as on a full disk; nothing of it
  // is kept.
  uint64_t failing_offset = kNowhere;
  // The offsets written, in order.
  std::vector<uint64_t> write_offsets;

  void WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) override {
    if (offset <= failing_offset && failing_offset - offset < count) throw EWriteError();
    write_offsets.push_back(offset);
    if (bytes_.size() < offset + count) bytes_.resize(offset + count, '\0');
    std::copy_n(reinterpret_cast<const char*>(bytes), count, bytes_.data() + offset);
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_MEMORY_FILE_H_
