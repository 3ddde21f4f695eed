// RunProcess with posix_spawn: the program gets a socket for its standard
// input (written with MSG_NOSIGNAL, so a program that stops reading cannot
// raise SIGPIPE here), pipes for its output, a process group of its own and
// no other descriptor of ours. One poll loop feeds the input, collects the
// output and watches the program's end through a pidfd (or a short tick
// where the kernel has none) and the time limit.
#include "process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "pointers_of.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTickMilliseconds = 20;

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() { Close(); }
  Descriptor(Descriptor&& other) noexcept : m_fd(other.Release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      Close();
      m_fd = other.Release();
    }
    return *this;
  }
  int Get() const { return m_fd; }
  bool IsOpen() const { return m_fd >= 0; }
  int Release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }
  void Close() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
  }

 private:
  int m_fd = -1;
};

// Our end and the program's end of one standard stream.
struct StreamPair {
  Descriptor ours;
  Descriptor theirs;
};

bool MakePipe(StreamPair& output) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  output.ours = Descriptor(fds[0]);
  output.theirs = Descriptor(fds[1]);
  return fcntl(output.ours.Get(), F_SETFL, O_NONBLOCK) == 0;
}

bool MakeInputSocket(StreamPair& input) {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return false;
  input.ours = Descriptor(fds[0]);
  input.theirs = Descriptor(fds[1]);
  shutdown(input.ours.Get(), SHUT_RD);
  return fcntl(input.ours.Get(), F_SETFL, O_NONBLOCK) == 0;
}

// The caller's environment with `extra` (NAME=value) set on top.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& extra) {
  std::vector<std::string> environment;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view variable(*entry);
    const std::string_view name = variable.substr(0, variable.find('='));
    bool replaced = false;
    for (const std::string& added : extra) {
      replaced = replaced || std::string_view(added).substr(0, added.find('=')) == name;
    }
    if (!replaced) environment.emplace_back(variable);
  }
  environment.insert(environment.end(), extra.begin(), extra.end());
  return environment;
}

class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&m_actions);
    posix_spawnattr_init(&m_attributes);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&m_actions);
    posix_spawnattr_destroy(&m_attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawn_file_actions_t m_actions;
  posix_spawnattr_t m_attributes;
};

// Starts the program with its three streams; returns 0 or the errno.
int Spawn(const std::vector<std::string>& argv, const ProcessOptions& options, int input,
          int output, int error, pid_t& pid) {
  SpawnSetup setup;
  if (input >= 0) {
    posix_spawn_file_actions_adddup2(&setup.m_actions, input, STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&setup.m_actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&setup.m_actions, output, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&setup.m_actions, error, STDERR_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&setup.m_actions, STDERR_FILENO + 1);
  if (!options.workingDirectory.empty()) {
    posix_spawn_file_actions_addchdir_np(&setup.m_actions, options.workingDirectory.c_str());
  }
  // A group of its own, no blocked signals, and SIGPIPE back to its default
  // even when the caller ignores it.
  sigset_t empty, defaults;
  sigemptyset(&empty);
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setflags(&setup.m_attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&setup.m_attributes, 0);
  posix_spawnattr_setsigmask(&setup.m_attributes, &empty);
  posix_spawnattr_setsigdefault(&setup.m_attributes, &defaults);

  std::vector<std::string> arguments = argv;
  std::vector<char*> argumentPointers = PointersOf(arguments);
  std::vector<std::string> environment = EnvironmentWith(options.extraEnvironment);
  std::vector<char*> environmentPointers = PointersOf(environment);
  const bool searchPath = argv[0].find('/') == std::string::npos;
  return searchPath ? posix_spawnp(&pid, argv[0].c_str(), &setup.m_actions, &setup.m_attributes,
                                   argumentPointers.data(), environmentPointers.data())
                    : posix_spawn(&pid, argv[0].c_str(), &setup.m_actions, &setup.m_attributes,
                                  argumentPointers.data(), environmentPointers.data());
}

// Reads what is available, up to `limit`; closes the descriptor at the end
// of the stream.
void ReadAvailable(Descriptor& fd, std::string& into, size_t limit) {
  std::array<char, 65536> buffer;
  while (fd.IsOpen()) {
    const ssize_t n = read(fd.Get(), buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n <= 0) {
      fd.Close();
      return;
    }
    const size_t room = limit > into.size() ? limit - into.size() : 0;
    into.append(buffer.data(), std::min(room, static_cast<size_t>(n)));
    // Past the limit, one block a turn: a program that writes as fast as
    // it is read cannot keep the loop here.
    if (into.size() >= limit) return;
  }
}

// Writes what the socket takes; closes it when everything is written or the
// program no longer reads.
void WriteAvailable(Descriptor& fd, const std::string& data, size_t& written) {
  while (fd.IsOpen() && written < data.size()) {
    const ssize_t n =
        send(fd.Get(), data.data() + written, data.size() - written, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (n < 0) break;
    written += static_cast<size_t>(n);
  }
  fd.Close();
}

void RecordEnd(int waitStatus, ProcessResult& result) {
  if (WIFEXITED(waitStatus)) {
    result.outcome = ProcessOutcome::kExited;
    result.exitStatus = WEXITSTATUS(waitStatus);
  } else if (WIFSIGNALED(waitStatus)) {
    result.outcome = ProcessOutcome::kSignalled;
    result.signal = WTERMSIG(waitStatus);
  }
}

struct RunningProgram {
  pid_t pid = -1;
  Descriptor input, output, error, pidfd;
};

// How long to wait for the next event: until the program's end shows on
// its pidfd (or the next tick without one), but no later than the deadline.
int PollTimeout(const RunningProgram& program, bool limited, Clock::time_point deadline) {
  int timeout = program.pidfd.IsOpen() ? -1 : kTickMilliseconds;
  if (limited) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    const int leftMs = static_cast<int>(std::clamp<long long>(left, 0, 60'000));
    timeout = timeout < 0 ? leftMs : std::min(timeout, leftMs);
  }
  return timeout;
}

// True when the program has ended; its end is then in `result`.
bool Reaped(RunningProgram& program, const ProcessOptions& options, ProcessResult& result) {
  int waitStatus = 0;
  const pid_t ended = waitpid(program.pid, &waitStatus, WNOHANG);
  if (ended < 0 && errno == ECHILD) {
    // Reaped by someone else (a host that ignores SIGCHLD): its end is
    // unknown, which counts as a failure.
    result.outcome = ProcessOutcome::kExited;
    return true;
  }
  if (ended != program.pid) return false;
  // Whatever the program wrote before it ended is in the pipes already;
  // descendants that keep them open are not waited for.
  ReadAvailable(program.output, result.standardOutput, options.outputLimit);
  ReadAvailable(program.error, result.standardError, options.outputLimit);
  RecordEnd(waitStatus, result);
  return true;
}

// Kills the program with everything in its group and waits for it.
void KillAndReap(const RunningProgram& program) {
  kill(-program.pid, SIGKILL);
  kill(program.pid, SIGKILL);
  int waitStatus = 0;
  while (waitpid(program.pid, &waitStatus, 0) < 0 && errno == EINTR) {
  }
}

// Feeds and drains the program until it ends, its time runs out or, when
// asked, its output is full.
void Supervise(RunningProgram& program, const ProcessOptions& options, ProcessResult& result) {
  const bool limited = options.timeLimit.has_value();
  const Clock::time_point deadline =
      limited ? Clock::now() + *options.timeLimit : Clock::time_point::max();
  size_t written = 0;
  for (;;) {
    std::array<pollfd, 4> fds{};
    size_t count = 0;
    const auto watch = [&](const Descriptor& fd, short events) {
      if (fd.IsOpen()) fds[count++] = pollfd{fd.Get(), events, 0};
    };
    watch(program.input, POLLOUT);
    watch(program.output, POLLIN);
    watch(program.error, POLLIN);
    watch(program.pidfd, POLLIN);
    poll(fds.data(), count, PollTimeout(program, limited, deadline));
    WriteAvailable(program.input, options.standardInput, written);
    ReadAvailable(program.output, result.standardOutput, options.outputLimit);
    ReadAvailable(program.error, result.standardError, options.outputLimit);
    if (options.endAtOutputLimit && result.standardOutput.size() >= options.outputLimit) {
      KillAndReap(program);
      result.outcome = ProcessOutcome::kOutputFull;
      return;
    }
    if (Reaped(program, options, result)) return;
    if (limited && Clock::now() >= deadline) {
      KillAndReap(program);
      result.outcome = ProcessOutcome::kTimedOut;
      return;
    }
  }
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ProcessResult result;
  if (argv.empty() || argv[0].empty()) {
    result.error = EINVAL;
    return result;
  }
  StreamPair input, output, error;
  const bool wantsInput = !options.standardInput.empty();
  if ((wantsInput && !MakeInputSocket(input)) || !MakePipe(output) || !MakePipe(error)) {
    result.error = errno;
    return result;
  }
  RunningProgram program;
  const int spawnError = Spawn(argv, options, wantsInput ? input.theirs.Get() : -1,
                               output.theirs.Get(), error.theirs.Get(), program.pid);
  if (spawnError != 0) {
    result.error = spawnError;
    return result;
  }
  input.theirs.Close();
  output.theirs.Close();
  error.theirs.Close();
  program.input = std::move(input.ours);
  program.output = std::move(output.ours);
  program.error = std::move(error.ours);
  program.pidfd = Descriptor(static_cast<int>(syscall(SYS_pidfd_open, program.pid, 0)));
  Supervise(program, options, result);
  return result;
}

std::string DescribeProcessResult(const ProcessResult& result) {
  switch (result.outcome) {
    case ProcessOutcome::kExited:
      return "exited with status " + std::to_string(result.exitStatus);
    case ProcessOutcome::kSignalled:
      return "was killed by signal " + std::to_string(result.signal);
    case ProcessOutcome::kTimedOut:
      return "did not finish in time";
    case ProcessOutcome::kOutputFull:
      return "was ended when its output was full";
    case ProcessOutcome::kNotStarted:
      break;
  }
  return std::string("could not be started: ") + std::strerror(result.error);
}

}  // namespace platform
