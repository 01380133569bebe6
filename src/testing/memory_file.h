// Byte files held in memory, so that the image code runs without a disk.
#ifndef PELORIN_TESTING_MEMORY_FILE_H_
#define PELORIN_TESTING_MEMORY_FILE_H_

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
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

// Keeps each write apart, as a file system keeps a sparse file: a band
// written far out costs only its own bytes, however large the image its
// offset implies.
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
    writes_.emplace_back(offset, std::string(reinterpret_cast<const char*>(bytes), count));
  }

  // The file as the writes left it, a gap reading as zeros.
  std::string bytes() const {
    uint64_t end = 0;
    for (const auto& [offset, piece] : writes_)
      end = std::max<uint64_t>(end, offset + piece.size());
    std::string file(end, '\0');
    for (const auto& [offset, piece] : writes_) file.replace(offset, piece.size(), piece);
    return file;
  }
  bool empty() const { return writes_.empty(); }

 private:
  std::vector<std::pair<uint64_t, std::string>> writes_;
};

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_MEMORY_FILE_H_
