// Temporary folders, files and record heads for the conversion tests.
#include "convert_test_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "bytes/bytes.h"
#include "convert/convert.h"
#include "handheld_records.h"  // records/
#include "syncmgr/syncmgr.h"

namespace conduit::testing {

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vlm-convert-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value)
    : m_name(std::move(name)) {
  if (const char* old = getenv(m_name.c_str())) m_old = old;
  setenv(m_name.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
  if (m_old) {
    setenv(m_name.c_str(), m_old->c_str(), 1);
  } else {
    unsetenv(m_name.c_str());
  }
}

HotSyncSession::HotSyncSession(const TempFolder& folder, const std::string& user) {
  const std::string image = folder / "handheld";
  mkdir(image.c_str(), 0700);
  WriteFile(image + "/handheld.ini", "[User]\nName=" + user + "\n");
  m_begun = SyncSessionBegin(image.c_str(), nullptr) == kSyncErrNone;
}

HotSyncSession::~HotSyncSession() {
  if (m_begun) SyncSessionEnd();
}

std::vector<std::pair<int32_t, std::string>> LogEntries() {
  std::vector<std::pair<int32_t, std::string>> entries;
  for (int32_t index = 0; index < SyncLogEntryCount(); ++index) {
    std::array<char, 1024> text{};
    int32_t activity = 0;
    if (SyncLogEntry(index, text.data(), static_cast<int32_t>(text.size()), &activity) == 0) {
      entries.emplace_back(activity, text.data());
    }
  }
  return entries;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void SetModifiedTime(const std::string& path, time_t time) {
  const struct timespec times[2] = {{time, 0}, {time, 0}};
  if (utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) throw std::runtime_error("utimensat");
}

std::string ExecutablePath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

time_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm local {};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return mktime(&local);
}

RecordHead HeadOf(const std::vector<uint8_t>& record) {
  using namespace file_record;
  RecordHead head;
  head.fileId = platform::GetU16Be(record, kFileIdOffset);
  head.title = platform::GetFixedText(record, kTitleOffset, kTitleSize);
  head.sourcePath = platform::GetFixedText(record, kSourcePathOffset, kSourcePathSize);
  const auto stamp = [&](size_t offset) {
    std::array<uint8_t, 8> bytes{};
    if (record.size() >= offset + 8)
      std::copy_n(record.begin() + static_cast<std::ptrdiff_t>(offset), 8, bytes.begin());
    return bytes;
  };
  head.created = stamp(kCreatedOffset);
  head.modified = stamp(kModifiedOffset);
  head.sent = stamp(kSentOffset);
  head.depthCode = platform::GetU16Be(record, kDepthCodeOffset);
  head.size = platform::GetU32Be(record, kSizeOffset);
  head.contentKind = record.size() > kContentKindOffset ? record[kContentKindOffset] : 0;
  return head;
}

std::string ContentOf(const std::vector<uint8_t>& record) {
  if (record.size() <= file_record::kContentOffset) return {};
  return std::string(record.begin() + file_record::kContentOffset, record.end());
}

std::string ContentTextOf(const std::vector<uint8_t>& record) {
  const std::string content = ContentOf(record);
  return content.substr(0, content.find('\0'));
}

std::array<uint8_t, 8> StampOf(time_t time) {
  std::array<uint8_t, 8> bytes{};
  StampDateTime(time, bytes);
  return bytes;
}

}  // namespace conduit::testing
