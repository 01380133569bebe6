#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "platform/console.h"
#include "platform/failure.h"
#include "platform/posix/posix_error.h"

namespace pelorin {

namespace {

// Writes all of `text` to `fd`; returns 0 or the errno of the failure.
int WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    if (written == 0) return EIO;
    done += static_cast<size_t>(written);
  }
  return 0;
}

// A standard stream that was closed would hand its number to the next file
// opened: the source could become standard input, or the new tic.ici
// standard output. Holding the number with /dev/null opened the other way
// round keeps the stream failing exactly as a closed one does. Returns
// whether `fd` was closed.
bool ReserveIfClosed(int fd, int opposite_mode) {
  if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) return false;
  int reserved = open("/dev/null", opposite_mode | O_CLOEXEC);
  if (reserved >= 0 && reserved != fd) {
    dup2(reserved, fd);
    close(reserved);
  }
  return true;
}

class PosixConsole : public Console {
 public:
  PosixConsole() {
    ReserveIfClosed(STDIN_FILENO, O_WRONLY);
    bool output_was_closed = ReserveIfClosed(STDOUT_FILENO, O_RDONLY);
    ReserveIfClosed(STDERR_FILENO, O_RDONLY);
    // A closed stdout writes each line at once, like a terminal, so that its
    // first line fails before any file is touched rather than the buffer at
    // the end, after tic.ici was already replaced.
    write_each_line_ = output_was_closed || isatty(STDOUT_FILENO) == 1;
    // A reader that went away is a failed write, reported like any other,
    // not a silent death.
    signal(SIGPIPE, SIG_IGN);
  }

  void WriteLine(const std::string& text) override {
    pending_ += text;
    pending_ += '\n';
    if (write_each_line_) Flush();
  }

  void Flush() override {
    std::string text;
    text.swap(pending_);
    if (int error = WriteAll(STDOUT_FILENO, text)) throw EInOutError(InOutCodeForErrno(error));
  }

  void WaitForEnter() override {
    Flush();
    // One byte at a time, so that nothing after the line is taken from a
    // stream that others may share.
    char byte;
    for (;;) {
      ssize_t got = read(STDIN_FILENO, &byte, 1);
      if (got == 0 || (got == 1 && byte == '\n')) return;
      if (got < 0) {
        if (errno == EINTR) continue;
        // A closed standard input holds nothing to wait for.
        if (errno == EBADF) return;
        throw EInOutError(InOutCodeForErrno(errno));
      }
    }
  }

  void WriteError(const std::string& text) override { WriteAll(STDERR_FILENO, text); }

  const char* LineBreak() const override { return "\n"; }

 private:
  bool write_each_line_;
  std::string pending_;
};

}  // namespace

std::unique_ptr<Console> OpenStandardConsole() { return std::make_unique<PosixConsole>(); }

}  // namespace pelorin
