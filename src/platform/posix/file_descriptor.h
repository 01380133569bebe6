// An open file descriptor that closes itself.
#ifndef PELORIN_PLATFORM_POSIX_FILE_DESCRIPTOR_H_
#define PELORIN_PLATFORM_POSIX_FILE_DESCRIPTOR_H_

#include <unistd.h>

namespace pelorin {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  bool is_open() const { return fd_ >= 0; }
  // Takes `fd` in place of the one held, which is closed.
  void Reset(int fd = -1) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  // Closes the descriptor and returns close()'s result: a file system may
  // report a failed write only here.
  int Close() {
    int fd = fd_;
    fd_ = -1;
    return fd >= 0 ? close(fd) : 0;
  }

 private:
  int fd_;
};

}  // namespace pelorin

#endif  // PELORIN_PLATFORM_POSIX_FILE_DESCRIPTOR_H_
