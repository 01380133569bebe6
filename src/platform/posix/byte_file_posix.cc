#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "platform/byte_file.h"
#include "platform/failure.h"
#include "platform/path.h"
#include "platform/posix/interrupt_cleanup.h"
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

class PosixReplacementFile : public ReplacementFile {
 public:
  PosixReplacementFile(int fd, std::string temporary_path, std::string target_path)
      : fd_(fd), temporary_path_(std::move(temporary_path)), target_path_(std::move(target_path)) {}

  ~PosixReplacementFile() override {
    InterruptionBlocker blocker;
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(temporary_path_.c_str());
    ForgetOnInterruption();
  }
  PosixReplacementFile(const PosixReplacementFile&) = delete;
  PosixReplacementFile& operator=(const PosixReplacementFile&) = delete;

  void WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) override {
    while (count > 0) {
      ssize_t written = pwrite(fd_, bytes, count, static_cast<off_t>(offset));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) throw EWriteError();
      bytes += written;
      offset += static_cast<uint64_t>(written);
      count -= static_cast<size_t>(written);
    }
  }

  void Commit() override {
    int fd = fd_;
    fd_ = -1;
    // A network file system may report a failed write only at close.
    if (close(fd) != 0) throw EWriteError();
    InterruptionBlocker blocker;
    if (rename(temporary_path_.c_str(), target_path_.c_str()) != 0)
      throw EFCreateError(AbsolutePath(target_path_), strerror(errno));
    committed_ = true;
    ForgetOnInterruption();
  }

 private:
  int fd_;
  std::string temporary_path_;
  std::string target_path_;
  bool committed_ = false;
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

std::unique_ptr<ReplacementFile> CreateReplacementFile(const std::string& path) {
  auto refuse = [&path](int error) { return EFCreateError(AbsolutePath(path), strerror(error)); };

  // A rename would silently replace a file the user may not write, and fail
  // on a directory only after all the work: check both first.
  bool replaces_file = false;
  struct stat status;
  if (stat(path.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) throw refuse(EISDIR);
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) throw refuse(errno);
    replaces_file = true;
  } else if (errno != ENOENT) {
    throw refuse(errno);
  }

  std::string directory(DirectoryPartOf(path));
  std::string base = path.substr(directory.size());
  const std::string temporary_prefix =
      directory + "." + base + "." + std::to_string(getpid()) + "-";
  for (unsigned attempt = 0;; ++attempt) {
    std::string temporary = temporary_prefix;
    temporary += std::to_string(attempt);
    temporary += ".tmp";
    // An interruption must find the file registered as soon as it exists.
    InterruptionBlocker blocker;
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      // A name left behind by a run that was killed is skipped.
      if (errno == EEXIST && attempt < 100) continue;
      throw refuse(errno);
    }
    auto file = std::make_unique<PosixReplacementFile>(fd, temporary, path);
    RemoveOnInterruption(temporary.c_str());
    // The new file keeps the permissions of the one it replaces.
    if (replaces_file) fchmod(fd, status.st_mode & 07777);
    return file;
  }
}

}  // namespace pelorin
