// posix_spawn with two pipes read together through poll, so a program that
// writes much to either stream never blocks on the other.
#include "testing/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace vlmtest {

RunningProgram::RunningProgram(const std::vector<std::string>& argv,
                               const std::vector<std::string>& extraEnvironment,
                               const std::string& workingDirectory) {
  int outPipe[2], errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  if (!workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
  }

  std::vector<std::string> environment;
  for (char** variable = environ; *variable != nullptr; ++variable)
    environment.push_back(*variable);
  environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
  std::vector<char*> envp, args;
  for (std::string& variable : environment) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvCopy = argv;
  for (std::string& argument : argvCopy) args.push_back(argument.data());
  args.push_back(nullptr);

  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  m_out = outPipe[0];
  m_err = errPipe[0];
  if (spawned == 0) m_pid = pid;
}

RunningProgram::~RunningProgram() {
  if (m_pid > 0) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
  if (m_out >= 0) close(m_out);
  if (m_err >= 0) close(m_err);
}

bool RunningProgram::Running() const {
  siginfo_t info{};
  return m_pid > 0 &&
         waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

bool RunningProgram::ReadUntil(int fd, std::string& read, const std::string& text) {
  char chunk[256];
  while (read.find(text) == std::string::npos) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    read.append(chunk, static_cast<size_t>(n));
  }
  return true;
}

void RunningProgram::Signal(int signal) const {
  if (m_pid > 0) kill(m_pid, signal);
}

ProgramResult RunningProgram::Wait(std::chrono::milliseconds limit) {
  ProgramResult result;
  result.out = std::move(m_outRead);
  result.err = std::move(m_errRead);
  if (m_pid <= 0) return result;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline =
      limit == std::chrono::milliseconds::max() ? Clock::time_point::max() : Clock::now() + limit;
  pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  bool killed = false;
  while (open > 0) {
    int timeout = -1;
    if (!killed && deadline != Clock::time_point::max()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      timeout = static_cast<int>(std::max<int64_t>(left.count(), 0));
    }
    const int ready = poll(fds, 2, timeout);
    if (ready == 0) {  // over its time: killed, and its pipes read to the end
      kill(m_pid, SIGKILL);
      killed = true;
      continue;
    }
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char chunk[4096];
      const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
      if (n > 0) {
        sinks[i]->append(chunk, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  if (waitpid(m_pid, &status, 0) == m_pid && WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  }
  m_pid = -1;
  return result;
}

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment) {
  RunningProgram program(argv, extraEnvironment);
  return program.Wait();
}

std::string BinPath(const std::string& name) {
  return std::string(VELLAMORE_BIN_DIR) + "/" + name;
}

}  // namespace vlmtest
