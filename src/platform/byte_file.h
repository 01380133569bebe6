// Byte files: the source, read at absolute offsets, and the output, which
// replaces its target only once it is complete.
#ifndef PELORIN_PLATFORM_BYTE_FILE_H_
#define PELORIN_PLATFORM_BYTE_FILE_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace pelorin {

// A file opened for reading only.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // The number of bytes the file holds now; 0 for anything that is not a
  // regular file, so that a pipe or a device is never read without end.
  virtual uint64_t Size() = 0;
  // Reads up to `count` bytes at `offset` into `into` and returns how many
  // were read: fewer than `count` only at the end of the file. Raises
  // EInOutError when the read fails.
  virtual size_t ReadAt(uint64_t offset, uint8_t* into, size_t count) = 0;
};

// Opens an existing file for reading. Raises EInOutError: "File not found",
// "Invalid filename", "Too many open files", "File access denied" (also for a
// directory), or the system's code.
std::unique_ptr<ByteSource> OpenByteSource(const std::string& path);

// Where encoded bytes go: a file written at absolute offsets, so that an
// image decoded from its first row can be stored from its last.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Writes all `count` bytes at `offset`, growing the file as needed (a gap
  // before `offset` reads as zeros until it is written), or raises
  // EWriteError.
  virtual void WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) = 0;
};

// A file that is written beside its target under a temporary name and takes
// the target's place on Commit(). Destroyed without Commit(), it removes its
// temporary file, and the target stays as it was.
class ReplacementFile : public ByteSink {
 public:
  // Replaces the target with what was written. Raises EWriteError when the
  // data cannot be stored, EFCreateError when the target cannot be replaced.
  virtual void Commit() = 0;
};

// Prepares the replacement of `path`. Raises EFCreateError, naming the
// absolute form of `path`, when the directory cannot be written, when `path`
// is a directory or when an existing file at `path` may not be written.
std::unique_ptr<ReplacementFile> CreateReplacementFile(const std::string& path);

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_BYTE_FILE_H_
