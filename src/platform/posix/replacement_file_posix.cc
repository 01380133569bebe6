// The output file: written where nobody sees it, and put in its target's
// place in one step once it is complete.
//
// Where it can, the file is made without a name (O_TMPFILE), so that a run
// that ends in any way before the commit, SIGKILL included, leaves nothing
// behind: the system removes a file that has no name. It is named only at
// the commit, through /proc/self/fd, and at once renamed over its target,
// with every signal held back in between; only SIGKILL in that instant can
// leave the name behind.
// Where the file system cannot make such a file, or /proc/self/fd is missing
// (as in a chroot), it is made under a temporary name instead, which every
// signal that would end the process removes first.
//
// Everything happens relative to the target's directory, opened once, so
// that the longer temporary name fits wherever the target's name does.

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/byte_file.h"
#include "platform/failure.h"
#include "platform/interrupt_cleanup.h"
#include "platform/path.h"
#include "platform/posix/file_descriptor.h"
#include "platform/posix/posix_error.h"
#include "platform/temporary_name.h"

namespace pelorin {

namespace {

class PosixReplacementFile final : public ReplacementFile {
 public:
  // Opens the directory of `path` and checks what is there now. Raises
  // EFCreateError when the directory cannot be reached, when `path` is a
  // directory, or when the file at `path` may not be written.
  explicit PosixReplacementFile(const std::string& path)
      : target_path_(path),
        directory_(DirectoryPartOf(path)),
        target_name_(path.substr(directory_.size())) {
    // O_PATH needs no right to read the directory, only to reach it.
    directory_fd_.Reset(
        open(directory_.empty() ? "." : directory_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!directory_fd_.is_open()) throw Refusal(errno);
    // A rename would silently replace a file the user may not write, and
    // fail on a directory only after all the work: check both first.
    struct stat status;
    if (fstatat(directory_fd_.get(), target_name_.c_str(), &status, 0) == 0) {
      if (S_ISDIR(status.st_mode)) throw Refusal(EISDIR);
      if (faccessat(directory_fd_.get(), target_name_.c_str(), W_OK, AT_EACCESS) != 0)
        throw Refusal(errno);
      replaced_ = status;
    } else if (errno != ENOENT) {
      throw Refusal(errno);
    }
  }

  ~PosixReplacementFile() override {
    if (committed_ || !cleanup_) return;
    cleanup_->RunUninterrupted([this] {
      file_.Close();
      if (!temporary_name_.empty()) unlinkat(directory_fd_.get(), temporary_name_.c_str(), 0);
    });
  }
  PosixReplacementFile(const PosixReplacementFile&) = delete;
  PosixReplacementFile& operator=(const PosixReplacementFile&) = delete;

  // Makes the file without a name, and returns true; returns false, having
  // made nothing, when it could not be named later.
  bool CreateUnnamed() {
    int fd = openat(directory_fd_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, CreationMode());
    if (fd < 0) {
      // A file system without unnamed files says so with EOPNOTSUPP (or
      // EINVAL), a kernel older than 3.11 with EISDIR.
      if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return false;
      throw Refusal(errno);
    }
    file_.Reset(fd);
    std::string link = "/proc/self/fd/" + std::to_string(fd);
    struct stat through_link, direct;
    if (stat(link.c_str(), &through_link) != 0 || fstat(fd, &direct) != 0 ||
        through_link.st_dev != direct.st_dev || through_link.st_ino != direct.st_ino) {
      file_.Reset();
      return false;
    }
    unnamed_link_ = std::move(link);
    cleanup_ = std::make_unique<InterruptCleanup>("");
    return true;
  }

  // Makes the file under a temporary name beside its target.
  void CreateNamed() {
    std::unique_ptr<InterruptCleanup> cleanup;
    temporary_name_ = ClaimTemporaryName([&](const std::string& name) {
      // Watched before it exists, so that no interruption finds it
      // unwatched. One that comes first can only remove what a killed run
      // with this process's number left under that name.
      cleanup = std::make_unique<InterruptCleanup>(directory_ + name);
      int fd = openat(directory_fd_.get(), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      CreationMode());
      if (fd < 0) return false;
      file_.Reset(fd);
      return true;
    });
    cleanup_ = std::move(cleanup);
  }

  void WriteAt(uint64_t offset, const uint8_t* bytes, size_t count) override {
    while (count > 0) {
      ssize_t written = pwrite(file_.get(), bytes, count, static_cast<off_t>(offset));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) throw EWriteError();
      bytes += written;
      offset += static_cast<uint64_t>(written);
      count -= static_cast<size_t>(written);
    }
  }

  void Commit() override {
    TakeOverOwnerAndMode();
    if (unnamed()) {
      cleanup_->RunUninterrupted([this] {
        Name();
        // A network file system may report a failed write only at close,
        // and the file must not take the target's place then.
        if (file_.Close() != 0) {
          RemoveName();
          throw EWriteError();
        }
        PutInPlace();
      });
    } else {
      // A network file system may report a failed write only at close.
      if (file_.Close() != 0) throw EWriteError();
      cleanup_->RunUninterrupted([this] { PutInPlace(); });
    }
    committed_ = true;
  }

 private:
  bool unnamed() const { return !unnamed_link_.empty(); }

  EFCreateError Refusal(int error) const { return {AbsolutePath(target_path_), strerror(error)}; }

  // The new file is never more open than the one it replaces, even before
  // it takes the old one's exact mode at the commit; a new target gets
  // 0666 less the umask.
  mode_t CreationMode() const { return replaced_ ? replaced_->st_mode & 0777 : 0666; }

  // The new file takes the old one's permission bits, but never its
  // set-user-ID, set-group-ID or sticky bits: a file written by this process
  // must not run with another's rights. Where the process may (as root), it
  // also takes the old one's owner and group, so that replacing a user's
  // file leaves it that user's; elsewhere it belongs to whoever runs
  // Pelorin, as every file that process makes does.
  void TakeOverOwnerAndMode() {
    if (!replaced_) return;
    if (fchown(file_.get(), replaced_->st_uid, replaced_->st_gid) != 0) {
      // Not this process's to give away.
    }
    // After fchown(), which may clear some bits.
    if (fchmod(file_.get(), replaced_->st_mode & 0777) != 0) throw Refusal(errno);
  }

  // Tries the temporary names in turn with `claim`, which returns whether
  // it took the name given, leaving errno set when not, and returns the
  // name taken.
  template <typename Claim>
  std::string ClaimTemporaryName(Claim claim) const {
    for (unsigned attempt = 0;; ++attempt) {
      std::string name = TemporaryFileName(target_name_, static_cast<uint64_t>(getpid()), attempt);
      if (claim(name)) return name;
      // A name left behind by a run that was killed is passed over.
      if (errno != EEXIST || attempt + 1 >= kTemporaryNameAttempts) throw Refusal(errno);
    }
  }

  // Gives the unnamed file its temporary name. AT_SYMLINK_FOLLOW through
  // /proc/self/fd needs no privilege, unlike AT_EMPTY_PATH.
  void Name() {
    temporary_name_ = ClaimTemporaryName([this](const std::string& name) {
      return linkat(AT_FDCWD, unnamed_link_.c_str(), directory_fd_.get(), name.c_str(),
                    AT_SYMLINK_FOLLOW) == 0;
    });
  }

  void PutInPlace() {
    if (renameat(directory_fd_.get(), temporary_name_.c_str(), directory_fd_.get(),
                 target_name_.c_str()) != 0) {
      int error = errno;
      RemoveName();
      throw Refusal(error);
    }
  }

  void RemoveName() {
    unlinkat(directory_fd_.get(), temporary_name_.c_str(), 0);
    temporary_name_.clear();
  }

  const std::string target_path_;  // as given, for the messages
  const std::string directory_;    // its directory part, as given
  const std::string target_name_;
  FileDescriptor directory_fd_;
  std::optional<struct stat> replaced_;  // the file there before, if any
  FileDescriptor file_;
  std::string unnamed_link_;    // "/proc/self/fd/N" of the unnamed file
  std::string temporary_name_;  // its name in the directory, while it has one
  std::unique_ptr<InterruptCleanup> cleanup_;
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<ReplacementFile> CreateReplacementFile(const std::string& path) {
  auto file = std::make_unique<PosixReplacementFile>(path);
  if (!file->CreateUnnamed()) file->CreateNamed();
  return file;
}

}  // namespace pelorin
