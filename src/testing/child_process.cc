#include "testing/child_process.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace pelorin::testing {

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const RunOptions& options) {
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0)
    throw std::runtime_error("pipe failed");

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    dup2(in_pipe[0], STDIN_FILENO);
    dup2(out_pipe[1], STDOUT_FILENO);
    dup2(options.merge_error_into_output ? out_pipe[1] : err_pipe[1], STDERR_FILENO);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
      close(fd);
    if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0)
      _exit(126);
    signal(SIGPIPE, SIG_DFL);
    if (options.before_exec) options.before_exec();
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  input_fd_ = in_pipe[1];
  output_fd_ = out_pipe[0];
  error_fd_ = err_pipe[0];
}

ChildProcess::~ChildProcess() {
  for (int fd : {input_fd_, output_fd_, error_fd_})
    if (fd >= 0) close(fd);
  if (!exited_) {
    kill(pid_, SIGKILL);
    Reap(true);
  }
}

void ChildProcess::Reap(bool wait) {
  if (exited_) return;
  pid_t done;
  do {
    done = waitpid(pid_, &status_, wait ? 0 : WNOHANG);
  } while (done < 0 && errno == EINTR);
  if (done == pid_) exited_ = true;
}

bool ChildProcess::HasExited() {
  Reap(false);
  return exited_;
}

RunResult ChildProcess::Finish(const std::string& input) {
  // Feed the input and collect both outputs at once, so that no pipe fills.
  RunResult result;
  signal(SIGPIPE, SIG_IGN);
  size_t input_done = 0;
  if (input.empty() && input_fd_ >= 0) {
    close(input_fd_);
    input_fd_ = -1;
  }
  std::string* sinks[2] = {&result.out, &result.err};
  int* fds[2] = {&output_fd_, &error_fd_};
  while (output_fd_ >= 0 || error_fd_ >= 0 || input_fd_ >= 0) {
    pollfd polls[3] = {{output_fd_, POLLIN, 0}, {error_fd_, POLLIN, 0}, {input_fd_, POLLOUT, 0}};
    if (poll(polls, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (*fds[i] >= 0 && polls[i].revents) {
        char buffer[65536];
        ssize_t got = read(*fds[i], buffer, sizeof buffer);
        if (got > 0) {
          sinks[i]->append(buffer, static_cast<size_t>(got));
        } else {
          close(*fds[i]);
          *fds[i] = -1;
        }
      }
    }
    if (input_fd_ >= 0 && polls[2].revents) {
      ssize_t put = write(input_fd_, input.data() + input_done, input.size() - input_done);
      if (put > 0) input_done += static_cast<size_t>(put);
      if (put <= 0 || input_done == input.size()) {
        close(input_fd_);
        input_fd_ = -1;
      }
    }
  }

  Reap(true);
  if (WIFEXITED(status_)) {
    result.exit_status = WEXITSTATUS(status_);
  } else if (WIFSIGNALED(status_)) {
    result.signal = WTERMSIG(status_);
  }
  return result;
}

RunResult RunProgram(const std::vector<std::string>& argv, const RunOptions& options) {
  return ChildProcess(argv, options).Finish(options.input);
}

std::string FindProgram(const std::string& name) {
  for (const char* directory : {"/usr/bin", "/bin"}) {
    std::string candidate = std::string(directory) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

}  // namespace pelorin::testing
