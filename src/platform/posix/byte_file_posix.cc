#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/byte_file.h"
#include "platform/failure.h"
#include "platform/path.h"
#include "platform/posix/posix_error.h"

namespace pelorin {

namespace {

bool IsDirectory(std::string_view path_text) {
  std::string path(path_text);
  struct stat status;
  return stat(path.empty() ? "." : path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// ENOENT says "File not found" when only the file is missing, and "Invalid
// filename" when a directory on the way to it is.
[[noreturn]] void RaiseOpenFailure(const std::string& path, int error) {
  if (error == ENOENT && !IsDirectory(DirectoryPartOf(path))) throw EInOutError(kInvalidFilename);
  throw EInOutError(InOutCodeForErrno(error));
}

class PosixByteSource : public ByteSource {
 public:
  explicit PosixByteSource(int fd) : fd_(fd) {}
  ~PosixByteSource() override { close(fd_); }
  PosixByteSource(const PosixByteSource&) = delete;
  PosixByteSource& operator=(const PosixByteSource&) = delete;

  uint64_t Size() override {
    struct stat status;
    if (fstat(fd_, &status) != 0) throw EInOutError(InOutCodeForErrno(errno));
    return S_ISREG(status.st_mode) ? static_cast<uint64_t>(status.st_size) : 0;
  }

  size_t ReadAt(uint64_t offset, uint8_t* into, size_t count) override {
    size_t done = 0;
    while (done < count) {
      ssize_t got = pread(fd_, into + done, count - done, static_cast<off_t>(offset + done));
      if (got == 0) break;
      if (got < 0) {
        if (errno == EINTR) continue;
        throw EInOutError(InOutCodeForErrno(errno));
      }
      done += static_cast<size_t>(got);
    }
    return done;
  }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenByteSource(const std::string& path) {
  // Without O_NONBLOCK, naming a FIFO would wait for a writer forever; a
  // regular file reads the same either way.
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) RaiseOpenFailure(path, errno);
  auto source = std::make_unique<PosixByteSource>(fd);
  struct stat status;
  if (fstat(fd, &status) != 0) throw EInOutError(InOutCodeForErrno(errno));
  // open() lets a directory be read; a user naming one gets what Windows
  // says for it.
  if (S_ISDIR(status.st_mode)) throw EInOutError(kFileAccessDenied);
  posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return source;
}

}  // namespace pelorin
