// The image handheld's user: name, IDs and the dates of its HotSyncs, kept
// as [User] values of handheld.ini (see image_handheld.h).
#include <cstdio>
#include <vector>

#include "handheld/image_handheld.h"

namespace handheld {

using namespace platform::link;
using platform::Failure;
using platform::Result;
using UserValue = platform::pdb::HandheldImage::UserValue;

namespace {

constexpr std::string_view kUserIdKey = "Id";
constexpr std::string_view kViewerIdKey = "ViewerId";
constexpr std::string_view kLastSyncPcKey = "LastSyncPc";
constexpr std::string_view kLastSyncKey = "LastSync";
constexpr std::string_view kLastSuccessfulSyncKey = "LastSuccessfulSync";

// "2026-12-01 09:30:00"; empty for no date.
std::string DateText(const DlpDate& date) {
  if (date.year == 0) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{date.year},
                unsigned{date.month}, unsigned{date.day}, unsigned{date.hour},
                unsigned{date.minute}, unsigned{date.second});
  return text;
}

// The date of such a text; no date when it is missing or not of that form.
DlpDate DateOf(const std::optional<std::string>& text) {
  if (!text) return {};
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int used = 0;
  const int read = std::sscanf(text->c_str(), "%4u-%2u-%2u %2u:%2u:%2u%n", &year, &month, &day,
                               &hour, &minute, &second, &used);
  if (read != 6 || static_cast<size_t>(used) != text->size() || month < 1 || month > 12 ||
      day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) {
    return {};
  }
  return DlpDate{static_cast<uint16_t>(year),  static_cast<uint8_t>(month),
                 static_cast<uint8_t>(day),    static_cast<uint8_t>(hour),
                 static_cast<uint8_t>(minute), static_cast<uint8_t>(second)};
}

}  // namespace

Result<UserInfo> ImageHandheld::ReadUserInfo() {
  UserInfo info;
  info.userId = m_image.ReadUserId();
  info.viewerId = m_image.ReadUserNumber(kViewerIdKey);
  info.lastSyncPc = m_image.ReadUserNumber(kLastSyncPcKey);
  info.lastSync = DateOf(m_image.ReadUserValue(kLastSyncKey));
  info.lastSuccessfulSync = DateOf(m_image.ReadUserValue(kLastSuccessfulSyncKey));
  // A handheld holds no longer name than DLP carries.
  info.name = m_image.ReadUserName().value_or("").substr(0, kDlpMaxUserNameLength);
  return info;
}

Result<void> ImageHandheld::WriteUserInfo(const WriteUserInfoRequest& request) {
  std::vector<UserValue> values;
  if (request.modified & kUserInfoModUserId) {
    values.emplace_back(kUserIdKey, std::to_string(request.userId));
  }
  if (request.modified & kUserInfoModViewerId) {
    values.emplace_back(kViewerIdKey, std::to_string(request.viewerId));
  }
  if (request.modified & kUserInfoModSyncPc) {
    values.emplace_back(kLastSyncPcKey, std::to_string(request.lastSyncPc));
  }
  if (request.modified & kUserInfoModSyncDate) {
    values.emplace_back(kLastSyncKey, DateText(request.lastSync));
  }
  if (request.modified & kUserInfoModName) values.emplace_back("Name", request.name);
  if (values.empty() || m_image.WriteUserValues(values)) return {};
  if (request.name.find_first_of("\r\n") != std::string::npos) {
    return Failure{"a user name holds no line break", kDlpErrParameter};
  }
  m_warnings << "handheld: warning: cannot write the user's identity into \"" << m_image.Folder()
             << "\"\n";
  return Failure{"the identity could not be written", kDlpErrSystem};
}

void ImageHandheld::MarkSyncSuccessful() {
  const std::optional<std::string> lastSync = m_image.ReadUserValue(kLastSyncKey);
  if (!lastSync) return;
  const UserValue value{kLastSuccessfulSyncKey, *lastSync};
  if (!m_image.WriteUserValues({&value, 1})) {
    m_warnings << "handheld: warning: cannot keep the date of this HotSync\n";
  }
}

}  // namespace handheld
