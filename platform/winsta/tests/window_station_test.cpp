// The window station on a private runtime folder: registering, finding,
// posting and receiving within one process and across processes, the order
// of creation, cleaning up after dead owners, and refusing unsafe folders.
#include "winsta/window_station.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "testing/scoped_env.h"

namespace platform::winsta {
namespace {

// A safety net for a broken test, not a measure of speed.
constexpr int kPollLimitMs = 60000;

std::vector<std::string> ClassesOf(const std::vector<WindowInfo>& windows) {
  std::vector<std::string> classes;
  classes.reserve(windows.size());
  for (const WindowInfo& window : windows) classes.push_back(window.className);
  return classes;
}

class WindowStationTest : public ::testing::Test {
 protected:
  std::string Station() const { return m_runtime.PathOf("winsta"); }
  bool StationHas(const std::string& name) const {
    return std::filesystem::exists(Station() + "/" + name);
  }

  vlmtest::TempFolderEnv m_runtime{"XDG_RUNTIME_DIR"};
};

TEST_F(WindowStationTest, RegistersFindsPostsAndReceivesInOneProcess) {
  auto hotsync = Window::Register("KittyHawk", "HotSync Manager");
  auto frame = Window::Register("VellamoreFrame", "Vellamore File View");
  ASSERT_TRUE(hotsync && frame);
  EXPECT_EQ(StationDirectory(), Station());

  std::vector<WindowInfo> windows = EnumWindows();
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_EQ(windows[0].id, hotsync->Id());
  EXPECT_EQ(windows[0].title, "HotSync Manager");
  EXPECT_EQ(windows[1].className, "VellamoreFrame");
  EXPECT_EQ(windows[1].title, "Vellamore File View");
  EXPECT_EQ(windows[1].pid, getpid());

  std::optional<WindowInfo> found = FindWindowByClass("kittyhawk");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->id, hotsync->Id());
  EXPECT_FALSE(FindWindowByClass("KittyHaw"));

  EXPECT_FALSE(hotsync->Receive());
  ASSERT_TRUE(PostMessage(*found, {0xBEC5, 1, 0}));
  ASSERT_TRUE(PostMessage(windows[1], {kWmChar, 'R', -1}));
  std::optional<Message> quit = hotsync->Receive();
  ASSERT_TRUE(quit);
  EXPECT_EQ(quit->message, 0xBEC5u);
  EXPECT_EQ(quit->wParam, 1u);
  EXPECT_EQ(quit->lParam, 0);
  EXPECT_FALSE(hotsync->Receive());
  std::optional<Message> reload = frame->Receive();
  ASSERT_TRUE(reload);
  EXPECT_EQ(reload->message, kWmChar);
  EXPECT_EQ(reload->wParam, uint64_t{'R'});
  EXPECT_EQ(reload->lParam, -1);
}

TEST_F(WindowStationTest, TitleChangesAndUnregisteringShow) {
  auto window = Window::Register("Frame", "Untitled");
  ASSERT_TRUE(window);
  ASSERT_TRUE(window->SetTitle("Vellamore File View"));
  EXPECT_EQ(window->Title(), "Vellamore File View");
  EXPECT_EQ(EnumWindows().at(0).title, "Vellamore File View");
  EXPECT_FALSE(window->SetTitle(std::string(70000, 't')));
  EXPECT_EQ(EnumWindows().at(0).title, "Vellamore File View");

  WindowInfo info = EnumWindows().at(0);
  std::string id = window->Id();
  window.reset();
  EXPECT_TRUE(EnumWindows().empty());
  EXPECT_FALSE(StationHas(id + ".window"));
  EXPECT_FALSE(StationHas(id + ".sock"));
  EXPECT_FALSE(PostMessage(info, {kWmClose, 0, 0}));
}

TEST_F(WindowStationTest, KeepsTheOrderOfRegistration) {
  std::vector<std::unique_ptr<Window>> windows;
  for (const char* name : {"A", "B", "C", "D"}) windows.push_back(Window::Register(name, name));
  windows[1].reset();
  windows.push_back(Window::Register("E", "E"));
  // A lost counter cannot send a new window before the ones still open.
  std::filesystem::remove(Station() + "/sequence");
  windows[4].reset();
  windows.push_back(Window::Register("F", "F"));
  windows.push_back(Window::Register("G", "G"));
  EXPECT_EQ(ClassesOf(EnumWindows()), (std::vector<std::string>{"A", "C", "D", "F", "G"}));
}

TEST_F(WindowStationTest, AWindowInAnotherProcessReceivesAPost) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(ready[0]);
    auto window = Window::Register("Child", "Child window");
    if (!window) _exit(100);
    if (write(ready[1], "r", 1) != 1) _exit(101);
    pollfd waiting{window->Fd(), POLLIN, 0};
    if (poll(&waiting, 1, kPollLimitMs) != 1) _exit(102);
    std::optional<Message> message = window->Receive();
    if (!message || message->message != kWmChar || message->lParam != -7) _exit(103);
    _exit(static_cast<int>(message->wParam));  // the destructor is skipped on purpose
  }
  close(ready[1]);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  std::optional<WindowInfo> window = FindWindowByClass("Child");
  ASSERT_TRUE(window);
  EXPECT_EQ(window->pid, child);
  EXPECT_TRUE(PostMessage(*window, {kWmChar, 42, -7}));
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 42);

  // The child died without unregistering: its window is skipped and cleaned.
  EXPECT_FALSE(PostMessage(*window, {kWmChar, 1, 0}));
  EXPECT_TRUE(StationHas(window->id + ".window"));
  EXPECT_TRUE(EnumWindows().empty());
  EXPECT_FALSE(StationHas(window->id + ".window"));
  EXPECT_FALSE(StationHas(window->id + ".sock"));
}

TEST_F(WindowStationTest, AForkedChildLeavesItsParentsWindowRegistered) {
  auto window = Window::Register("Frame", "Vellamore File View");
  ASSERT_TRUE(window);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    window.reset();
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_EQ(EnumWindows().size(), 1u);
  EXPECT_TRUE(PostMessage(EnumWindows().at(0), {kWmChar, 'R', 0}));
  EXPECT_TRUE(window->Receive());
}

TEST_F(WindowStationTest, PollOnTheDescriptorWakesForAMessage) {
  auto window = Window::Register("Frame", "Vellamore File View");
  ASSERT_TRUE(window);
  pollfd waiting{window->Fd(), POLLIN, 0};
  EXPECT_EQ(poll(&waiting, 1, 0), 0);
  ASSERT_TRUE(PostMessage(EnumWindows().at(0), {kWmChar, 'R', 0}));
  EXPECT_EQ(poll(&waiting, 1, kPollLimitMs), 1);
  EXPECT_TRUE(waiting.revents & POLLIN);
  EXPECT_TRUE(window->Receive());
  EXPECT_EQ(poll(&waiting, 1, 0), 0);
}

TEST_F(WindowStationTest, AFullQueueFailsThePostInsteadOfBlocking) {
  auto window = Window::Register("Busy", "Busy");
  ASSERT_TRUE(window);
  WindowInfo info = EnumWindows().at(0);
  int posted = 0;
  while (posted < 100000 && PostMessage(info, {kWmChar, static_cast<uint64_t>(posted), 0})) {
    ++posted;
  }
  ASSERT_LT(posted, 100000);
  ASSERT_GT(posted, 0);
  std::optional<Message> first = window->Receive();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->wParam, 0u);
  EXPECT_TRUE(PostMessage(info, {kWmChar, 0, 0}));
}

TEST_F(WindowStationTest, SkipsDamagedRecordsAndStrangeFiles) {
  auto window = Window::Register("Real", "Real");
  ASSERT_TRUE(window);
  std::ofstream(Station() + "/0000000001-1.window") << "garbage";
  std::ofstream(Station() + "/not-an-id.window") << "garbage";
  std::ofstream(Station() + "/0000000002-1.sock") << "not a socket";
  std::filesystem::create_directory(Station() + "/0000000003-1.window");
  EXPECT_EQ(ClassesOf(EnumWindows()), std::vector<std::string>{"Real"});
  EXPECT_FALSE(StationHas("0000000001-1.window"));
  EXPECT_FALSE(StationHas("0000000002-1.sock"));
  EXPECT_TRUE(StationHas("not-an-id.window"));

  // A datagram that is not a message is dropped.
  int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string path = Station() + "/" + window->Id() + ".sock";
  path.copy(address.sun_path, path.size());
  EXPECT_EQ(sendto(fd, "short", 5, 0, reinterpret_cast<sockaddr*>(&address), sizeof address), 5);
  close(fd);
  WindowInfo fake = EnumWindows().at(0);
  EXPECT_TRUE(PostMessage(fake, {kWmClose, 0, 0}));
  std::optional<Message> message = window->Receive();
  ASSERT_TRUE(message);
  EXPECT_EQ(message->message, kWmClose);
  EXPECT_FALSE(window->Receive());
  for (const char* id : {"", "../winsta/x", "0000000001-1/../../x"}) {
    fake.id = id;
    EXPECT_FALSE(PostMessage(fake, {kWmClose, 0, 0})) << id;
  }
}

TEST_F(WindowStationTest, RefusesAStationFolderOthersCanEnter) {
  ASSERT_EQ(mkdir(Station().c_str(), 0755), 0);
  ASSERT_EQ(chmod(Station().c_str(), 0755), 0);
  EXPECT_EQ(Window::Register("Frame", "Title"), nullptr);
  EXPECT_TRUE(EnumWindows().empty());
  ASSERT_EQ(rmdir(Station().c_str()), 0);
  std::filesystem::create_directory(m_runtime.PathOf("elsewhere"));
  chmod(m_runtime.PathOf("elsewhere").c_str(), 0700);
  std::filesystem::create_directory_symlink(m_runtime.PathOf("elsewhere"), Station());
  EXPECT_EQ(Window::Register("Frame", "Title"), nullptr);
  EXPECT_EQ(Window::Register(std::string(70000, 'c'), "Title"), nullptr);
}

TEST(StationDirectory, UsesTheRuntimeFolderOrAPrivateTmpFolder) {
  const vlmtest::ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000/");
  EXPECT_EQ(StationDirectory(), "/run/user/1000/winsta");
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(StationDirectory(), "/tmp/winsta-" + std::to_string(geteuid()));
  setenv("XDG_RUNTIME_DIR", "relative", 1);
  EXPECT_EQ(StationDirectory(), "/tmp/winsta-" + std::to_string(geteuid()));
}

}  // namespace
}  // namespace platform::winsta
