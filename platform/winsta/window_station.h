// The window station: the desktop's top-level windows as other programs see
// them, and messages posted to them.
//
// A program that opens a top-level window registers it here. Each window is a
// datagram socket "<id>.sock" (AF_UNIX, SOCK_DGRAM) in the station folder,
// $XDG_RUNTIME_DIR/winsta/ (or /tmp/winsta-<uid>/ when XDG_RUNTIME_DIR is not
// set), plus a record "<id>.window" naming its class, title, owner process
// and place in the order of creation. Records are replaced whole (temporary
// file and rename), so a reader never sees half of one. Enumeration lists the
// windows oldest first and removes those whose owner has died. Posting sends
// one fixed-size datagram without waiting: a full queue or a window whose
// owner is gone makes the post fail at once.
//
// The folder must belong to the user and be closed to everyone else; the
// station refuses to work in one that is not.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::winsta {

constexpr uint32_t kWmChar = 0x0102;
constexpr uint32_t kWmClose = 0x0010;

struct Message {
  uint32_t message = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};

struct WindowInfo {
  std::string id;  // "<10-digit creation number>-<pid>"
  std::string className;
  std::string title;
  int pid = 0;
};

// One registered top-level window of this process.
class Window {
 public:
  // Registers a window; nullptr when the station folder cannot be used, a
  // name is longer than 65,535 bytes, or the socket or record cannot be made.
  static std::unique_ptr<Window> Register(std::string_view className, std::string_view title);
  ~Window();  // unregisters
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Readable when a message waits (for poll or QSocketNotifier).
  int Fd() const { return m_fd; }
  // The next waiting message, without blocking; nothing when none waits.
  // Datagrams of the wrong size are dropped.
  std::optional<Message> Receive();
  // Replaces the title in the record; false (title unchanged) on failure.
  bool SetTitle(std::string_view title);

  const std::string& Id() const { return m_id; }
  const std::string& ClassName() const { return m_className; }
  const std::string& Title() const { return m_title; }

 private:
  Window(std::string directory, std::string id, uint32_t sequence, int fd,
         std::string_view className, std::string_view title);
  bool WriteRecord(std::string_view title) const;

  std::string m_directory;
  std::string m_id;
  uint32_t m_sequence;
  int m_fd;
  int m_ownerPid;
  std::string m_className;
  std::string m_title;
};

// The live windows, oldest first. Records of dead owners (and their sockets)
// are removed on the way.
std::vector<WindowInfo> EnumWindows();

// The oldest live window whose class is `className` (ASCII letters compared
// without regard to case, as window classes are).
std::optional<WindowInfo> FindWindowByClass(std::string_view className);

// Queues `message` for the window without blocking; false when the window is
// gone, its queue is full, or the id is not a window id.
bool PostMessage(const WindowInfo& window, const Message& message);

// The station folder for this user (see above); it may not exist yet.
std::string StationDirectory();

}  // namespace platform::winsta
