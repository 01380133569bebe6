#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "platform/console.h"
#include "platform/failure.h"
#include "platform/posix/posix_error.h"

namespace pelorin {

namespace {

// Waits until `fd`, left non-blocking by whoever started the program, is
// ready for `events`. Returns 0 or the errno of the failure.
int AwaitReady(int fd, short events) {
  pollfd stream = {fd, events, 0};
  return poll(&stream, 1, -1) < 0 && errno != EINTR ? errno : 0;
}

bool IsNoDataYet(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

// Writes all of `text` to `fd`; returns 0 or the errno of the failure.
int WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written == 0) return EIO;
    if (written > 0) {
      done += static_cast<size_t>(written);
    } else if (IsNoDataYet(errno)) {
      if (int error = AwaitReady(fd, POLLOUT)) return error;
    } else if (errno != EINTR) {
      return errno;
    }
  }
  return 0;
}

// Reads `fd` one byte at a time up to and including the next line feed, so
// that nothing after the line is taken from a stream that others may share,
// or to the end of input. Returns 0 or the errno of the failure.
int ReadThroughLineFeed(int fd) {
  char byte;
  for (;;) {
    ssize_t got = read(fd, &byte, 1);
    if (got == 0 || (got == 1 && byte == '\n')) return 0;
    if (got == 1) continue;
    if (IsNoDataYet(errno)) {
      if (int error = AwaitReady(fd, POLLIN)) return error;
    } else if (errno != EINTR) {
      return errno;
    }
  }
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
    input_was_closed_ = ReserveIfClosed(STDIN_FILENO, O_WRONLY);
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
    // A closed standard input holds nothing to wait for. One that is open
    // but cannot be read (say, opened for writing only) is a failure.
    if (input_was_closed_) return;
    if (int error = ReadThroughLineFeed(STDIN_FILENO)) throw EInOutError(InOutCodeForErrno(error));
  }

  void WriteError(const std::string& text) override { WriteAll(STDERR_FILENO, text); }

  const char* LineBreak() const override { return "\n"; }

 private:
  bool input_was_closed_;
  bool write_each_line_;
  std::string pending_;
};

}  // namespace

std::unique_ptr<Console> OpenStandardConsole() { return std::make_unique<PosixConsole>(); }

}  // namespace pelorin
