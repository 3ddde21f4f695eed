// DLP argument layouts about what is inside a database: records,
// resources and application preferences. Integers are big-endian; offsets
// are within the argument. Record attributes keep the Palm bits (0x80
// deleted, 0x40 dirty, 0x20 busy, 0x10 secret, 0x08 archived); the
// category travels in its own byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/dlp_arguments.h"

namespace platform::link {

// ReadRecord request, in one of two forms chosen by the argument id:
//   0x20 by id:    handle u8, unused u8, record id u32, offset u16, length u16
//   0x21 by index: handle u8, unused u8, index u16, offset u16, length u16
// A length of kDlpReadToEnd reads to the end of the record.
struct ReadRecordRequest {
  enum class By : uint8_t { kId, kIndex };
  By by = By::kId;
  uint8_t handle = 0;
  uint32_t recordId = 0;
  uint16_t index = 0;
  uint16_t offset = 0;
  uint16_t length = kDlpReadToEnd;

  static constexpr size_t kByIdSize = 1 + 1 + 4 + 2 + 2;
  static constexpr size_t kByIndexSize = 1 + 1 + 2 + 2 + 2;
  DlpArguments Encode() const;
  static Result<ReadRecordRequest> Decode(const DlpArguments& arguments);
  bool operator==(const ReadRecordRequest&) const = default;
};

// A record as ReadRecord, ReadNextModifiedRec and ReadNextRecInCategory
// answer it, argument 0x20:
//   0  record id u32
//   4  index u16
//   6  the whole record's size u16 (more than `data` holds when read in part)
//   8  attributes u8
//   9  category u8
//  10  the bytes read
struct RecordReply {
  uint32_t recordId = 0;
  uint16_t index = 0;
  uint16_t size = 0;
  uint8_t attributes = 0;
  uint8_t category = 0;
  std::vector<uint8_t> data;

  static constexpr size_t kSize = 4 + 2 + 2 + 1 + 1;
  Result<DlpArguments> Encode() const;
  static Result<RecordReply> Decode(const DlpArguments& arguments);
  bool operator==(const RecordReply&) const = default;
};

// WriteRecord request, argument 0x20:
//   0  handle u8
//   1  flags u8 (always 0x80, "data included")
//   2  record id u32 (0: a new record, whose id the reply gives)
//   6  attributes u8
//   7  category u8
//   8  the record
struct WriteRecordRequest {
  uint8_t handle = 0;
  uint32_t recordId = 0;
  uint8_t attributes = 0;
  uint8_t category = 0;
  std::vector<uint8_t> data;

  static constexpr size_t kSize = 1 + 1 + 4 + 1 + 1;
  DlpArguments Encode() const;
  static Result<WriteRecordRequest> Decode(const DlpArguments& arguments);
  bool operator==(const WriteRecordRequest&) const = default;
};

// WriteRecord reply, argument 0x20:
//   0  the record's id u32
struct RecordIdReply {
  uint32_t recordId = 0;

  static constexpr size_t kSize = 4;
  DlpArguments Encode() const;
  static Result<RecordIdReply> Decode(const DlpArguments& arguments);
  bool operator==(const RecordIdReply&) const = default;
};

// DeleteRecord request, argument 0x20:
//   0  handle u8
//   1  flags u8: 0 one record, 0x80 every record, 0x40 a category's records
//   2  record id u32; for a category, the category in its last byte
struct DeleteRecordRequest {
  enum class Which : uint8_t { kOne, kAll, kCategory };
  Which which = Which::kOne;
  uint8_t handle = 0;
  uint32_t recordId = 0;
  uint8_t category = 0;

  static constexpr size_t kSize = 1 + 1 + 4;
  DlpArguments Encode() const;
  static Result<DeleteRecordRequest> Decode(const DlpArguments& arguments);
  bool operator==(const DeleteRecordRequest&) const = default;
};

// ReadRecordIDList request, argument 0x20:
//   0  handle u8
//   1  flags u8 (0x80: let the application sort the database first)
//   2  index of the first record u16
//   4  most ids to return u16 (0xFFFF: as many as fit)
struct ReadRecordIdListRequest {
  uint8_t handle = 0;
  bool sort = false;
  uint16_t start = 0;
  uint16_t maxCount = 0xFFFF;

  static constexpr size_t kSize = 1 + 1 + 2 + 2;
  DlpArguments Encode() const;
  static Result<ReadRecordIdListRequest> Decode(const DlpArguments& arguments);
  bool operator==(const ReadRecordIdListRequest&) const = default;
};

// ReadRecordIDList reply, argument 0x20:
//   0  count u16
//   2  the record ids, u32 each
struct RecordIdList {
  std::vector<uint32_t> ids;

  static constexpr size_t kSize = 2;
  Result<DlpArguments> Encode() const;
  static Result<RecordIdList> Decode(const DlpArguments& arguments);
  bool operator==(const RecordIdList&) const = default;
};

// ReadNextRecInCategory request, argument 0x20:
//   0  handle u8
//   1  category u8
struct NextInCategoryRequest {
  uint8_t handle = 0;
  uint8_t category = 0;

  static constexpr size_t kSize = 2;
  DlpArguments Encode() const;
  static Result<NextInCategoryRequest> Decode(const DlpArguments& arguments);
  bool operator==(const NextInCategoryRequest&) const = default;
};

// ReadResource request, in one of two forms chosen by the argument id:
//   0x20 by index: handle u8, unused u8, index u16, offset u16, length u16
//   0x21 by type:  handle u8, unused u8, type u32, id u16, offset u16,
//                  length u16
struct ReadResourceRequest {
  enum class By : uint8_t { kIndex, kType };
  By by = By::kIndex;
  uint8_t handle = 0;
  uint16_t index = 0;
  uint32_t type = 0;
  uint16_t id = 0;
  uint16_t offset = 0;
  uint16_t length = kDlpReadToEnd;

  static constexpr size_t kByIndexSize = 1 + 1 + 2 + 2 + 2;
  static constexpr size_t kByTypeSize = 1 + 1 + 4 + 2 + 2 + 2;
  DlpArguments Encode() const;
  static Result<ReadResourceRequest> Decode(const DlpArguments& arguments);
  bool operator==(const ReadResourceRequest&) const = default;
};

// ReadResource reply, argument 0x20:
//   0  type u32
//   4  id u16
//   6  index u16
//   8  the whole resource's size u16
//  10  the bytes read
struct ResourceReply {
  uint32_t type = 0;
  uint16_t id = 0;
  uint16_t index = 0;
  uint16_t size = 0;
  std::vector<uint8_t> data;

  static constexpr size_t kSize = 4 + 2 + 2 + 2;
  Result<DlpArguments> Encode() const;
  static Result<ResourceReply> Decode(const DlpArguments& arguments);
  bool operator==(const ResourceReply&) const = default;
};

// WriteResource request, argument 0x20:
//   0  handle u8
//   1  unused u8
//   2  type u32
//   6  id u16
//   8  size u16
//  10  the resource
struct WriteResourceRequest {
  uint8_t handle = 0;
  uint32_t type = 0;
  uint16_t id = 0;
  std::vector<uint8_t> data;

  static constexpr size_t kSize = 1 + 1 + 4 + 2 + 2;
  Result<DlpArguments> Encode() const;
  static Result<WriteResourceRequest> Decode(const DlpArguments& arguments);
  bool operator==(const WriteResourceRequest&) const = default;
};

// The preference flag: the saved ("backed up") preferences, not the
// unsaved ones.
constexpr uint8_t kDlpPreferenceSaved = 0x80;

// ReadAppPreference request, argument 0x20:
//   0  creator u32
//   4  preference id u16
//   6  most bytes to read u16 (kDlpReadToEnd: all)
//   8  flags u8 (kDlpPreferenceSaved)
//   9  unused u8
struct ReadPreferenceRequest {
  uint32_t creator = 0;
  uint16_t id = 0;
  uint16_t maxBytes = kDlpReadToEnd;
  bool saved = true;

  static constexpr size_t kSize = 4 + 2 + 2 + 1 + 1;
  DlpArguments Encode() const;
  static Result<ReadPreferenceRequest> Decode(const DlpArguments& arguments);
  bool operator==(const ReadPreferenceRequest&) const = default;
};

// ReadAppPreference reply, argument 0x20:
//   0  version u16
//   2  the whole preference's size u16
//   4  bytes returned u16
//   6  the bytes
struct PreferenceReply {
  uint16_t version = 0;
  uint16_t size = 0;
  std::vector<uint8_t> data;

  static constexpr size_t kSize = 2 + 2 + 2;
  Result<DlpArguments> Encode() const;
  static Result<PreferenceReply> Decode(const DlpArguments& arguments);
  bool operator==(const PreferenceReply&) const = default;
};

// WriteAppPreference request, argument 0x20:
//   0  creator u32
//   4  preference id u16
//   6  version u16
//   8  size u16
//  10  flags u8 (kDlpPreferenceSaved)
//  11  unused u8
//  12  the preference
struct WritePreferenceRequest {
  uint32_t creator = 0;
  uint16_t id = 0;
  uint16_t version = 0;
  bool saved = true;
  std::vector<uint8_t> data;

  static constexpr size_t kSize = 4 + 2 + 2 + 2 + 1 + 1;
  Result<DlpArguments> Encode() const;
  static Result<WritePreferenceRequest> Decode(const DlpArguments& arguments);
  bool operator==(const WritePreferenceRequest&) const = default;
};

}  // namespace platform::link
