// Test support: handheld file records ("VlmrFilesDB") built and read back
// field by field at the layout's offsets, independently of the code under
// test.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vlmtest {

// The fields of a record's head.
struct RecordHead {
  uint16_t fileId = 0;
  std::string title{};
  std::string sourcePath{};
  std::array<uint8_t, 8> created{};
  std::array<uint8_t, 8> modified{};
  std::array<uint8_t, 8> sent{};
  uint16_t depthCode = 0;
  uint32_t size = 0;
  uint8_t contentKind = 0;
};

// The head's fields; those a short record lacks read as zero.
RecordHead HeadOf(const std::vector<uint8_t>& record);
// The content bytes after the head.
std::string ContentOf(const std::vector<uint8_t>& record);
// The content up to its first NUL.
std::string ContentTextOf(const std::vector<uint8_t>& record);

// A record of `head` followed by `content` as given. A source path of the
// field's whole size fills it without a NUL.
std::vector<uint8_t> FileRecordBytes(const RecordHead& head, std::string_view content);
// A record of `size` bytes with `fileId`, the title "title", the modified
// stamp of 5 March 2001 14:07 and `sizeField` as its content size.
std::vector<uint8_t> FileRecordBytes(uint16_t fileId, uint32_t sizeField, size_t size = 240);

}  // namespace vlmtest
