// StartProcess and StartDetachedProcess with real programs: a start that
// fails is reported at once, a child gets exactly its socket, its group and
// its memory bound, dies with the thread that started it, and a detached
// program is no child of ours and in another session.
#include "process/process_start.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace platform {
namespace {

// Everything the child wrote on its socket until it closed it.
std::string ReadAll(int fd) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  return text;
}

int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

TEST(StartProcess, ReportsAProgramThatCannotRunAndLeavesNoChild) {
  for (const char* program : {"/nonexistent/folder/program", "vellamore-no-such-program"}) {
    const Result<pid_t> started = StartProcess({program});
    ASSERT_FALSE(started.Ok()) << program;
    EXPECT_EQ(started.Reason(), "could not be started: No such file or directory");
    const Result<void> detached = StartDetachedProcess({program});
    ASSERT_FALSE(detached.Ok()) << program;
    EXPECT_EQ(detached.Reason(), started.Reason());
  }
  EXPECT_FALSE(StartProcess({}).Ok());
  // A death signal the system does not know is refused in the child.
  StartOptions unknownSignal;
  unknownSignal.deathSignal = 1000;
  const Result<pid_t> unsignalled = StartProcess({"true"}, unknownSignal);
  ASSERT_FALSE(unsignalled.Ok());
  EXPECT_EQ(unsignalled.Reason(), "could not be started: Invalid argument");
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST(StartProcess, GivesTheChildItsSocketItsGroupAndItsMemoryBound) {
  int sockets[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets), 0);
  StartOptions options;
  options.standardStreams = sockets[1];
  options.ownProcessGroup = true;
  options.addressSpaceLimit = uint64_t{512} * 1024 * 1024;
  // Whether it leads its group (the stat line's fifth field), and its bound
  // in KiB.
  const Result<pid_t> started = StartProcess(
      {"/bin/sh", "-c",
       "read line; echo \"$line\"; [ \"$(cut -d' ' -f5 /proc/$$/stat)\" = $$ ] && echo leader;"
       "ulimit -v"},
      options);
  close(sockets[1]);
  ASSERT_TRUE(started.Ok()) << started.Reason();
  // Its descriptors while it waits for its line: the socket twice and
  // /dev/null.
  const std::string folder = "/proc/" + std::to_string(started.Value()) + "/fd";
  std::set<std::string> descriptors;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    descriptors.insert(entry.path().filename().string() + (target == "/dev/null" ? "-" : "s"));
  }
  EXPECT_EQ(descriptors, (std::set<std::string>{"0s", "1s", "2-"}));
  ASSERT_EQ(write(sockets[0], "hello\n", 6), 6);
  shutdown(sockets[0], SHUT_WR);
  EXPECT_EQ(ReadAll(sockets[0]), "hello\nleader\n524288\n");
  close(sockets[0]);
  const int status = WaitFor(started.Value());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(StartProcess, EndsTheChildWhenTheThreadThatStartedItEnds) {
  pid_t child = -1;
  std::thread([&child] {
    StartOptions options;
    options.deathSignal = SIGKILL;
    const Result<pid_t> started = StartProcess({"sleep", "30"}, options);
    if (started.Ok()) child = started.Value();
  }).join();
  ASSERT_GT(child, 0);
  const int status = WaitFor(child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

TEST(StartDetachedProcess, StartsAProgramInASessionOfItsOwnThatIsNoChildOfOurs) {
  const std::filesystem::path report =
      std::filesystem::temp_directory_path() / ("vellamore-detached-" + std::to_string(getpid()));
  // Its parent and its session from the stat line, written once complete.
  ASSERT_TRUE(StartDetachedProcess({"/bin/sh", "-c",
                                    "cut -d' ' -f4,6 /proc/$$/stat > \"$0.part\";"
                                    "echo $$ >> \"$0.part\"; mv \"$0.part\" \"$0\"",
                                    report.string()})
                  .Ok());
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::exists(report) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::ifstream file(report);
  pid_t parent = 0, session = 0, self = 0;
  ASSERT_TRUE(file >> parent >> session >> self);
  EXPECT_NE(parent, getpid());
  EXPECT_NE(session, getsid(0));
  std::filesystem::remove(report);
}

}  // namespace
}  // namespace platform
