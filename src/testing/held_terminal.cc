#include "testing/held_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace pelorin::testing {

HeldTerminal::HeldTerminal() : terminal_(posix_openpt(O_RDWR | O_NOCTTY)) {
  if (terminal_ < 0 || grantpt(terminal_) != 0 || unlockpt(terminal_) != 0) return;
  int output = open(ptsname(terminal_), O_RDWR | O_NOCTTY);
  if (output < 0) return;
  termios settings;
  bool held = tcgetattr(output, &settings) == 0;
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);  // lines as written
  held = held && tcsetattr(output, TCSANOW, &settings) == 0 && tcflow(output, TCOOFF) == 0;
  if (held)
    output_ = output;
  else
    close(output);
}

HeldTerminal::~HeldTerminal() {
  if (output_ >= 0) close(output_);
  if (terminal_ >= 0) close(terminal_);
}

std::function<void()> HeldTerminal::AsStandardOutput() const {
  const int output = output_;
  const int terminal = terminal_;
  return [output, terminal] {
    dup2(output, STDOUT_FILENO);
    close(output);
    close(terminal);
  };
}

void HeldTerminal::Release() const { tcflow(output_, TCOON); }

std::string HeldTerminal::Shown() const {
  fcntl(terminal_, F_SETFL, fcntl(terminal_, F_GETFL) | O_NONBLOCK);
  std::string shown;
  char buffer[4096];
  for (ssize_t got; (got = read(terminal_, buffer, sizeof buffer)) > 0;)
    shown.append(buffer, static_cast<size_t>(got));
  return shown;
}

}  // namespace pelorin::testing
