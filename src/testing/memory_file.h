// Byte files held in memory, so that the image code runs without a disk.
#ifndef PELORIN_TESTING_MEMORY_FILE_H_
#define PELORIN_TESTING_MEMORY_FILE_H_

#include <algorithm>
#include <string>

#include "platform/byte_file.h"

namespace pelorin::testing {

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}

  uint64_t Size() override { return bytes_.size(); }
  size_t ReadAt(uint64_t offset, uint8_t* into, size_t count) override {
    if (offset >= bytes_.size()) return 0;
    size_t available = std::min<uint64_t>(count, bytes_.size() - offset);
    std::copy_n(bytes_.data() + offset, available, reinterpret_cast<char*>(into));
    return available;
  }

  // Lets a test change the file between the size check and the reads.
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
};

class MemorySink : public ByteSink {
 public:
  void Write(const uint8_t* bytes, size_t count) override {
    bytes_.append(reinterpret_cast<const char*>(bytes), count);
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace pelorin::testing

#endif  // PELORIN_TESTING_MEMORY_FILE_H_
