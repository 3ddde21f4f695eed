// The window station on the file system: the private station folder, the
// creation numbers, each window's socket and record, enumeration with the
// removal of dead windows, and posting.
#include "window_station.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>

#include "fs/fs.h"
#include "window_record.h"

namespace platform::winsta {
namespace {

constexpr std::string_view kRecordExtension = ".window";
constexpr std::string_view kSocketExtension = ".sock";
constexpr const char* kSequenceFile = "sequence";
constexpr const char* kLockFile = ".lock";

std::string RecordPath(const std::string& directory, std::string_view id) {
  return directory + "/" + std::string(id) + std::string(kRecordExtension);
}

std::string SocketPath(const std::string& directory, std::string_view id) {
  return directory + "/" + std::string(id) + std::string(kSocketExtension);
}

// True when `directory` is a real folder (not a link) of this user that
// nobody else may enter.
bool IsPrivateDirectory(const std::string& directory) {
  struct stat status {};
  return lstat(directory.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
         status.st_uid == geteuid() && (status.st_mode & 077) == 0;
}

bool PrepareDirectory(const std::string& directory) {
  if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return IsPrivateDirectory(directory);
}

// An exclusive flock(2) held while the object lives; the station's lock file
// is never removed, so no check for a replaced file is needed.
class StationLock {
 public:
  explicit StationLock(const std::string& path)
      : m_fd(open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (m_fd < 0) return;
    int result;
    while ((result = flock(m_fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
      close(m_fd);
      m_fd = -1;
    }
  }
  ~StationLock() {
    if (m_fd >= 0) close(m_fd);
  }
  StationLock(const StationLock&) = delete;
  StationLock& operator=(const StationLock&) = delete;
  bool Held() const { return m_fd >= 0; }

 private:
  int m_fd;
};

// The next creation number: one more than both the stored counter and every
// window still registered, so that a lost counter file cannot reorder them.
uint32_t NextSequence(const std::string& directory) {
  uint32_t last = 0;
  if (auto bytes = ReadWholeFile(directory + "/" + kSequenceFile)) {
    std::string text(bytes->begin(), bytes->end());
    last = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
  }
  for (const DirectoryEntry& entry : ListDirectory(directory, "*")) {
    size_t dot = entry.name.find('.');
    if (auto id = ParseWindowId(std::string_view(entry.name).substr(0, dot))) {
      last = std::max(last, id->first);
    }
  }
  return last + 1;
}

void StoreSequence(const std::string& directory, uint32_t sequence) {
  std::string text = std::to_string(sequence) + "\n";
  WriteFileAtomically(directory + "/" + kSequenceFile,
                      std::vector<uint8_t>(text.begin(), text.end()));
}

std::optional<sockaddr_un> SocketAddress(const std::string& path) {
  sockaddr_un address{};
  if (path.size() >= sizeof(address.sun_path)) return std::nullopt;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return address;
}

int BindSocket(const std::string& path) {
  std::optional<sockaddr_un> address = SocketAddress(path);
  if (!address) return -1;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  unlink(path.c_str());  // a leftover of a process that had the same id
  if (bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// False only when nothing is bound to the socket any more (or it is gone).
bool SocketAnswers(const std::string& path) {
  std::optional<sockaddr_un> address = SocketAddress(path);
  if (!address) return false;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;  // cannot tell: assume it lives
  bool answers = connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) == 0 ||
                 (errno != ECONNREFUSED && errno != ENOENT);
  close(fd);
  return answers;
}

bool ProcessExists(uint32_t pid) {
  if (pid == 0 || pid > static_cast<uint32_t>(INT32_MAX)) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

void RemoveWindowFiles(const std::string& directory, std::string_view id) {
  unlink(RecordPath(directory, id).c_str());
  unlink(SocketPath(directory, id).c_str());
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

struct FoundWindow {
  uint32_t sequence;
  WindowInfo info;
};

// Reads one record; a window whose owner died is removed and skipped, and so
// is a damaged record whose socket nobody holds.
std::optional<FoundWindow> ReadWindow(const std::string& directory, const std::string& id) {
  auto ids = ParseWindowId(id);
  if (!ids) return std::nullopt;
  std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(RecordPath(directory, id));
  if (!bytes) return std::nullopt;  // unregistered meanwhile
  std::optional<WindowRecord> record = DecodeRecord(*bytes);
  bool sound = record && record->sequence == ids->first && record->pid == ids->second;
  bool answers = SocketAnswers(SocketPath(directory, id));
  if (!sound || !answers || !ProcessExists(record->pid)) {
    if (!answers || sound) RemoveWindowFiles(directory, id);
    return std::nullopt;
  }
  WindowInfo info{id, std::move(record->className), std::move(record->title),
                  static_cast<int>(record->pid)};
  return FoundWindow{record->sequence, std::move(info)};
}

}  // namespace

std::string StationDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    std::string directory = runtime;
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    return (directory == "/" ? std::string() : directory) + "/winsta";
  }
  return "/tmp/winsta-" + std::to_string(geteuid());
}

Window::Window(std::string directory, std::string id, uint32_t sequence, int fd,
               std::string_view className, std::string_view title)
    : m_directory(std::move(directory)),
      m_id(std::move(id)),
      m_sequence(sequence),
      m_fd(fd),
      m_ownerPid(getpid()),
      m_className(className),
      m_title(title) {}

Window::~Window() {
  close(m_fd);
  // A child forked from the owner closes its copy but leaves the window be.
  if (getpid() != m_ownerPid) return;
  unlink(RecordPath(m_directory, m_id).c_str());
  unlink(SocketPath(m_directory, m_id).c_str());
}

std::unique_ptr<Window> Window::Register(std::string_view className, std::string_view title) {
  if (className.size() > kMaxNameSize || title.size() > kMaxNameSize) return nullptr;
  std::string directory = StationDirectory();
  if (!PrepareDirectory(directory)) return nullptr;
  // Numbers are handed out and records written under the lock, so records
  // appear in the order of their numbers.
  StationLock lock(directory + "/" + kLockFile);
  if (!lock.Held()) return nullptr;
  uint32_t sequence = NextSequence(directory);
  std::string id = MakeWindowId(sequence, static_cast<uint32_t>(getpid()));
  int fd = BindSocket(SocketPath(directory, id));
  if (fd < 0) return nullptr;
  std::unique_ptr<Window> window(new Window(directory, id, sequence, fd, className, title));
  if (!window->WriteRecord(title)) return nullptr;
  StoreSequence(directory, sequence);
  return window;
}

bool Window::WriteRecord(std::string_view title) const {
  WindowRecord record{m_sequence, static_cast<uint32_t>(m_ownerPid), m_className,
                      std::string(title)};
  std::optional<std::vector<uint8_t>> bytes = EncodeRecord(record);
  return bytes && WriteFileAtomically(RecordPath(m_directory, m_id), *bytes) == 0;
}

bool Window::SetTitle(std::string_view title) {
  if (!WriteRecord(title)) return false;
  m_title = title;
  return true;
}

std::optional<Message> Window::Receive() {
  uint8_t buffer[kMessageSize];
  for (;;) {
    ssize_t size = recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
    if (size < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (static_cast<size_t>(size) == kMessageSize)
      return DecodeMessage(ByteSpan(buffer, kMessageSize));
    // A datagram of another size is not a message: drop it, look further.
  }
}

std::vector<WindowInfo> EnumWindows() {
  std::string directory = StationDirectory();
  if (!IsPrivateDirectory(directory)) return {};
  std::vector<FoundWindow> found;
  std::set<std::string> withRecord;
  std::vector<std::string> sockets;
  for (const DirectoryEntry& entry : ListDirectory(directory, "*")) {
    std::string_view name = entry.name;
    if (name.ends_with(kRecordExtension)) {
      std::string id(name.substr(0, name.size() - kRecordExtension.size()));
      withRecord.insert(id);
      if (auto window = ReadWindow(directory, id)) found.push_back(std::move(*window));
    } else if (name.ends_with(kSocketExtension)) {
      sockets.emplace_back(name.substr(0, name.size() - kSocketExtension.size()));
    }
  }
  // A socket without a record belongs to a window being registered (its
  // socket answers) or to one that died before or after its record did.
  for (const std::string& id : sockets) {
    if (!withRecord.count(id) && ParseWindowId(id) && !SocketAnswers(SocketPath(directory, id))) {
      unlink(SocketPath(directory, id).c_str());
    }
  }
  std::sort(found.begin(), found.end(), [](const FoundWindow& a, const FoundWindow& b) {
    return a.sequence != b.sequence ? a.sequence < b.sequence : a.info.id < b.info.id;
  });
  std::vector<WindowInfo> windows;
  windows.reserve(found.size());
  for (FoundWindow& window : found) windows.push_back(std::move(window.info));
  return windows;
}

std::optional<WindowInfo> FindWindowByClass(std::string_view className) {
  for (WindowInfo& window : EnumWindows()) {
    if (EqualsIgnoringCase(window.className, className)) return std::move(window);
  }
  return std::nullopt;
}

bool PostMessage(const WindowInfo& window, const Message& message) {
  if (!ParseWindowId(window.id)) return false;
  std::string directory = StationDirectory();
  if (!IsPrivateDirectory(directory)) return false;
  std::optional<sockaddr_un> address = SocketAddress(SocketPath(directory, window.id));
  if (!address) return false;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  std::vector<uint8_t> bytes = EncodeMessage(message);
  ssize_t sent;
  do {
    sent = sendto(fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                  reinterpret_cast<const sockaddr*>(&*address), sizeof(*address));
  } while (sent < 0 && errno == EINTR);
  close(fd);
  return sent == static_cast<ssize_t>(bytes.size());
}

}  // namespace platform::winsta
