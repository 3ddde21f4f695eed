// Helpers for the conversion tests: the shared temporary folders, files and
// environment guards under the names these tests use, and a record's head
// fields read back through the byte helpers.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "testing/files.h"
#include "testing/scoped_env.h"
#include "testing/temp_folder.h"

namespace conduit::testing {

using vlmtest::LocalTime;
using vlmtest::ReadFile;
using vlmtest::SetModifiedTime;
using vlmtest::TempFolder;
using vlmtest::WriteFile;
using ScopedEnvironment = vlmtest::ScopedEnv;

// The running program's path.
std::string ExecutablePath();

// A handheld image folder in `folder` whose user is `user`, for a HotSync
// session of the shared test support.
std::string UserImage(const TempFolder& folder, const std::string& user);

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
