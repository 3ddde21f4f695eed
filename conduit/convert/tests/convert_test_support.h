// Helpers for the conversion tests: a temporary folder, files with given
// bytes and times, and a record's head fields read back through the byte
// helpers.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace conduit::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  // `name` inside the folder.
  std::string operator/(std::string_view name) const { return m_path + "/" + std::string(name); }

 private:
  std::string m_path;
};

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// A HotSync of a handheld image in `folder` whose user is `user`, for the
// life of the object; what the conversions log goes into its log.
class HotSyncSession {
 public:
  HotSyncSession(const TempFolder& folder, const std::string& user);
  ~HotSyncSession();
  HotSyncSession(const HotSyncSession&) = delete;
  HotSyncSession& operator=(const HotSyncSession&) = delete;
  bool Begun() const { return m_begun; }

 private:
  bool m_begun = false;
};

// The log entries of the HotSync in progress, as activity and text.
std::vector<std::pair<int32_t, std::string>> LogEntries();

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
// Sets the file's last-write time.
void SetModifiedTime(const std::string& path, time_t time);
// The running program's path.
std::string ExecutablePath();
// A local time as a PC time.
time_t LocalTime(int year, int month, int day, int hour, int minute, int second);

// The fields of a handheld file record's head.
struct RecordHead {
  uint16_t fileId = 0;
  std::string title;
  std::string sourcePath;
  std::array<uint8_t, 8> created{};
  std::array<uint8_t, 8> modified{};
  std::array<uint8_t, 8> sent{};
  uint16_t depthCode = 0;
  uint32_t size = 0;
  uint8_t contentKind = 0;
};

RecordHead HeadOf(const std::vector<uint8_t>& record);
// The content bytes after the head.
std::string ContentOf(const std::vector<uint8_t>& record);
// The content up to its first NUL.
std::string ContentTextOf(const std::vector<uint8_t>& record);
// The stamp bytes StampDateTime writes for `time`.
std::array<uint8_t, 8> StampOf(time_t time);

}  // namespace conduit::testing
