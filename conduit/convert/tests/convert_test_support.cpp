// Record heads for the conversion tests.
#include "convert_test_support.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "bytes/bytes.h"
#include "convert/convert.h"
#include "handheld_records.h"  // records/

namespace conduit::testing {

std::string ExecutablePath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

std::string UserImage(const TempFolder& folder, const std::string& user) {
  const std::string image = folder / "handheld";
  mkdir(image.c_str(), 0700);
  WriteFile(image + "/handheld.ini", "[User]\nName=" + user + "\n");
  return image;
}

RecordHead HeadOf(const std::vector<uint8_t>& record) {
  using namespace records::file_record;
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
  if (record.size() <= records::file_record::kContentOffset) return {};
  return std::string(record.begin() + records::file_record::kContentOffset, record.end());
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
