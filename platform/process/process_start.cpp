// StartProcess and StartDetachedProcess with fork and exec: what the child
// sets up (a death signal, a memory bound, a group or session) has no
// posix_spawn attribute. Everything the child needs is prepared before the
// fork; between fork and exec the child makes only async-signal-safe calls.
// An exec that fails writes its errno into a close-on-exec pipe, which
// otherwise closes without a word when exec succeeds.
#include "process_start.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "pointers_of.h"

namespace platform {
namespace {

// What the child does, prepared by the caller.
struct ChildPlan {
  std::vector<char*> argv;
  StartOptions options;
  pid_t caller = -1;
  int reportFd = -1;  // the write end of the close-on-exec error pipe
};

[[noreturn]] void FailInChild(int reportFd, int error) {
  (void)!write(reportFd, &error, sizeof error);
  _exit(127);
}

void ConnectStandardStreams(const StartOptions& options) {
  const int null = open("/dev/null", O_RDWR);
  const int streams = options.standardStreams >= 0 ? options.standardStreams : null;
  dup2(streams, STDIN_FILENO);
  dup2(streams, STDOUT_FILENO);
  if (!options.keepStandardError) dup2(null, STDERR_FILENO);
}

// In the child: sets up what the plan asks for and becomes the program.
[[noreturn]] void ExecChild(const ChildPlan& plan) {
  const StartOptions& options = plan.options;
  if (options.ownProcessGroup) setpgid(0, 0);
  if (options.deathSignal != 0) {
    if (prctl(PR_SET_PDEATHSIG, options.deathSignal) != 0) FailInChild(plan.reportFd, errno);
    // A caller that died before the request misses it, so the child checks.
    if (getppid() != plan.caller) FailInChild(plan.reportFd, ESRCH);
  }
  if (options.addressSpaceLimit) {
    const struct rlimit bound = {*options.addressSpaceLimit, *options.addressSpaceLimit};
    setrlimit(RLIMIT_AS, &bound);
  }
  ConnectStandardStreams(options);
  // Every other descriptor goes, except the report pipe, which exec closes.
  const int firstOther = STDERR_FILENO + 1;
  if (plan.reportFd > firstOther) close_range(firstOther, plan.reportFd - 1, 0);
  close_range(std::max(plan.reportFd + 1, firstOther), ~0U, 0);
  sigset_t empty;
  sigemptyset(&empty);
  sigprocmask(SIG_SETMASK, &empty, nullptr);
  signal(SIGPIPE, SIG_DFL);
  execvp(plan.argv[0], plan.argv.data());
  FailInChild(plan.reportFd, errno);
}

class ReportPipe {
 public:
  ReportPipe() { m_ok = pipe2(m_fds, O_CLOEXEC) == 0; }
  ~ReportPipe() {
    CloseWriteEnd();
    if (m_ok) close(m_fds[0]);
  }
  ReportPipe(const ReportPipe&) = delete;
  ReportPipe& operator=(const ReportPipe&) = delete;

  bool Ok() const { return m_ok; }
  int WriteEnd() const { return m_fds[1]; }
  void CloseWriteEnd() {
    if (m_ok && m_fds[1] >= 0) close(m_fds[1]);
    m_fds[1] = -1;
  }
  // The errno the child reported, or 0 when its exec succeeded.
  int ChildError() {
    CloseWriteEnd();
    int error = 0;
    ssize_t n;
    while ((n = read(m_fds[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(sizeof error) ? error : 0;
  }

 private:
  int m_fds[2] = {-1, -1};
  bool m_ok = false;
};

Failure NotStarted(int error) {
  return Failure{std::string("could not be started: ") + std::strerror(error)};
}

void Reap(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

Result<pid_t> StartProcess(const std::vector<std::string>& argv, const StartOptions& options) {
  if (argv.empty() || argv[0].empty()) return NotStarted(EINVAL);
  std::vector<std::string> arguments = argv;
  ReportPipe report;
  if (!report.Ok()) return NotStarted(errno);
  const ChildPlan plan{PointersOf(arguments), options, getpid(), report.WriteEnd()};
  const pid_t pid = fork();
  if (pid == 0) ExecChild(plan);
  if (pid < 0) return NotStarted(errno);
  const int error = report.ChildError();
  if (error == 0) return pid;
  Reap(pid);
  return NotStarted(error);
}

Result<void> StartDetachedProcess(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return NotStarted(EINVAL);
  std::vector<std::string> arguments = argv;
  ReportPipe report;
  if (!report.Ok()) return NotStarted(errno);
  const ChildPlan plan{PointersOf(arguments), StartOptions{}, getpid(), report.WriteEnd()};
  // A short-lived child makes the new session and starts the program from
  // it, then exits at once: the program is left to init.
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const pid_t program = fork();
    if (program == 0) ExecChild(plan);
    if (program < 0) FailInChild(plan.reportFd, errno);
    _exit(0);
  }
  if (child < 0) return NotStarted(errno);
  Reap(child);
  const int error = report.ChildError();
  if (error != 0) return NotStarted(error);
  return {};
}

}  // namespace platform
