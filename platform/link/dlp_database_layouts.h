// DLP argument layouts about whole databases: listing, finding, opening,
// creating, closing and deleting them, and their application-info and
// sort-info blocks. Integers are big-endian; offsets are within the
// argument. Names are NUL-terminated, at most kDlpMaxDbNameLength long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/dlp_arguments.h"

namespace platform::link {

// Misc flags of a database entry.
enum : uint8_t {
  kDbMiscExcludeFromSync = 0x80,
  kDbMiscRamBased = 0x40,
};

// A database entry's index when it is not known (FindDB).
constexpr uint16_t kDbIndexUnknown = 0xFFFF;

// One database, as ReadDBList and FindDB describe it:
//   0  size u8: the whole entry, rounded up to even
//   1  misc flags u8 (kDbMisc...)
//   2  attributes u16 (the Palm database attribute bits)
//   4  type u32
//   8  creator u32
//  12  version u16
//  14  modification number u32
//  18  creation date
//  26  modification date
//  34  backup date
//  42  index u16
//  44  name, NUL-terminated, padded to even
struct DbInfo {
  uint8_t miscFlags = 0;
  uint16_t attributes = 0;
  uint32_t type = 0;
  uint32_t creator = 0;
  uint16_t version = 0;
  uint32_t modificationNumber = 0;
  DlpDate created;
  DlpDate modified;
  DlpDate backedUp;
  uint16_t index = 0;
  std::string name;

  static constexpr size_t kSize = 1 + 1 + 2 + 4 + 4 + 2 + 4 + DlpDate::kSize * 3 + 2;
  static_assert(kSize == 44);
  Result<void> EncodeTo(ByteWriter& writer) const;
  static Result<DbInfo> DecodeFrom(ByteReader& reader);
  bool operator==(const DbInfo&) const = default;
};

// Which databases ReadDBList lists.
enum : uint8_t {
  kDbListRam = 0x80,
  kDbListRom = 0x40,
  kDbListMultiple = 0x20,  // as many as fit in one reply (DLP 1.2 and later)
};

// ReadDBList request, argument 0x20:
//   0  flags u8 (kDbList...)
//   1  card number u8
//   2  index of the first database to list u16
struct ReadDbListRequest {
  uint8_t flags = kDbListRam | kDbListMultiple;
  uint8_t card = 0;
  uint16_t start = 0;

  static constexpr size_t kSize = 4;
  DlpArguments Encode() const;
  static Result<ReadDbListRequest> Decode(const DlpArguments& arguments);
  bool operator==(const ReadDbListRequest&) const = default;
};

// ReadDBList reply, argument 0x20; the handheld answers kDlpErrNotFound
// once `start` is past its last database.
//   0  index of the last database listed u16
//   2  flags u8 (0x80: more databases follow)
//   3  count u8
//   4  the databases (DbInfo)
struct DbListPage {
  uint16_t lastIndex = 0;
  bool more = false;
  std::vector<DbInfo> databases;

  static constexpr size_t kSize = 4;
  Result<DlpArguments> Encode() const;
  static Result<DbListPage> Decode(const DlpArguments& arguments);
  bool operator==(const DbListPage&) const = default;
};

// Open modes.
enum : uint8_t {
  kDbOpenRead = 0x80,
  kDbOpenWrite = 0x40,
  kDbOpenExclusive = 0x20,
  kDbOpenShowSecret = 0x10,
};

// OpenDB request, argument 0x20:
//   0  card number u8
//   1  mode u8 (kDbOpen...)
//   2  name
struct OpenDbRequest {
  uint8_t card = 0;
  uint8_t mode = kDbOpenRead;
  std::string name;

  static constexpr size_t kSize = 2;
  Result<DlpArguments> Encode() const;
  static Result<OpenDbRequest> Decode(const DlpArguments& arguments);
  bool operator==(const OpenDbRequest&) const = default;
};

// An open database's handle, argument 0x20, one byte: the reply of OpenDB
// and CreateDB, and the request of the calls that name only a database
// (CleanUpDatabase, ResetSyncFlags, ResetRecordIndex, ReadOpenDBInfo,
// ReadNextModifiedRec).
struct DbHandle {
  uint8_t handle = 0;

  static constexpr size_t kSize = 1;
  DlpArguments Encode() const;
  static Result<DbHandle> Decode(const DlpArguments& arguments);
  bool operator==(const DbHandle&) const = default;
};

// CreateDB request, argument 0x20:
//   0  creator u32
//   4  type u32
//   8  card number u8
//   9  unused u8
//  10  attributes u16
//  12  version u16
//  14  name
struct CreateDbRequest {
  uint32_t creator = 0;
  uint32_t type = 0;
  uint8_t card = 0;
  uint16_t attributes = 0;
  uint16_t version = 0;
  std::string name;

  static constexpr size_t kSize = 4 + 4 + 1 + 1 + 2 + 2;
  Result<DlpArguments> Encode() const;
  static Result<CreateDbRequest> Decode(const DlpArguments& arguments);
  bool operator==(const CreateDbRequest&) const = default;
};

// CloseDB request: argument 0x20 holding the handle (one database), or an
// empty argument 0x21 (every open database).
struct CloseDbRequest {
  bool all = false;
  uint8_t handle = 0;

  DlpArguments Encode() const;
  static Result<CloseDbRequest> Decode(const DlpArguments& arguments);
  bool operator==(const CloseDbRequest&) const = default;
};

// DeleteDB request, argument 0x20:
//   0  card number u8
//   1  unused u8
//   2  name
struct DeleteDbRequest {
  uint8_t card = 0;
  std::string name;

  static constexpr size_t kSize = 2;
  Result<DlpArguments> Encode() const;
  static Result<DeleteDbRequest> Decode(const DlpArguments& arguments);
  bool operator==(const DeleteDbRequest&) const = default;
};

// What FindDB returns.
enum : uint8_t {
  kFindDbAttributes = 0x80,     // FoundDb
  kFindDbSizes = 0x40,          // DbSizes
  kFindDbMaxRecordSize = 0x20,  // DbSizes::maxRecordSize (by handle only)
};

// How a FindDB by type and creator searches.
enum : uint8_t {
  kFindDbNewSearch = 0x80,
  kFindDbOnlyLatest = 0x40,
};

// FindDB request, in one of three forms chosen by the argument id:
//   0x20 by name:             options u8, card number u8, name
//   0x21 by open handle:      options u8, handle u8
//   0x22 by type and creator: options u8, search flags u8, type u32,
//                             creator u32 (0: any)
struct FindDbRequest {
  enum class By : uint8_t { kName, kHandle, kTypeCreator };
  By by = By::kName;
  uint8_t options = kFindDbAttributes;
  uint8_t card = 0;
  std::string name;
  uint8_t handle = 0;
  uint8_t searchFlags = 0;
  uint32_t type = 0;
  uint32_t creator = 0;

  static constexpr size_t kNameSize = 2;
  static constexpr size_t kHandleSize = 2;
  static constexpr size_t kTypeCreatorSize = 1 + 1 + 4 + 4;
  Result<DlpArguments> Encode() const;
  static Result<FindDbRequest> Decode(const DlpArguments& arguments);
  bool operator==(const FindDbRequest&) const = default;
};

// The database FindDB found:
//   0  card number u8
//   1  reserved u8
//   2  local id u32
//   6  open reference u32
//  10  the database (DbInfo)
struct FoundDb {
  uint8_t card = 0;
  uint32_t localId = 0;
  uint32_t openRef = 0;
  DbInfo info;

  static constexpr size_t kSize = 1 + 1 + 4 + 4;
  bool operator==(const FoundDb&) const = default;
};

// The sizes FindDB found (24 bytes, each u32): record count, total bytes,
// data bytes, application-info block size, sort-info block size, largest
// record; the last three only for a search by handle.
struct DbSizes {
  uint32_t records = 0;
  uint32_t totalBytes = 0;
  uint32_t dataBytes = 0;
  uint32_t appBlockSize = 0;
  uint32_t sortBlockSize = 0;
  uint32_t maxRecordSize = 0;

  static constexpr size_t kSize = 4 * 6;
  bool operator==(const DbSizes&) const = default;
};

// FindDB reply: argument 0x20 (FoundDb) when asked for kFindDbAttributes,
// argument 0x21 (DbSizes) when asked for sizes.
struct FindDbReply {
  std::optional<FoundDb> found;
  std::optional<DbSizes> sizes;

  Result<DlpArguments> Encode() const;
  static Result<FindDbReply> Decode(const DlpArguments& arguments);
  bool operator==(const FindDbReply&) const = default;
};

// ReadOpenDBInfo reply, argument 0x20:
//   0  number of records or resources u16
struct OpenDbInfo {
  uint16_t count = 0;

  static constexpr size_t kSize = 2;
  DlpArguments Encode() const;
  static Result<OpenDbInfo> Decode(const DlpArguments& arguments);
  bool operator==(const OpenDbInfo&) const = default;
};

// ReadAppBlock and ReadSortBlock request, argument 0x20:
//   0  handle u8
//   1  unused u8
//   2  offset into the block u16
//   4  bytes to read u16 (kDlpReadToEnd: to the end)
struct ReadBlockRequest {
  uint8_t handle = 0;
  uint16_t offset = 0;
  uint16_t length = kDlpReadToEnd;

  static constexpr size_t kSize = 1 + 1 + 2 + 2;
  DlpArguments Encode() const;
  static Result<ReadBlockRequest> Decode(const DlpArguments& arguments);
  bool operator==(const ReadBlockRequest&) const = default;
};

// ReadAppBlock and ReadSortBlock reply, argument 0x20:
//   0  the whole block's size u16 (more than `data` holds when read in part)
//   2  the bytes read
struct DbBlock {
  uint16_t size = 0;
  std::vector<uint8_t> data;

  static constexpr size_t kSize = 2;
  Result<DlpArguments> Encode() const;
  static Result<DbBlock> Decode(const DlpArguments& arguments);
  bool operator==(const DbBlock&) const = default;
};

// WriteAppBlock and WriteSortBlock request, argument 0x20:
//   0  handle u8
//   1  unused u8
//   2  block size u16 (0: remove the block)
//   4  the block
struct WriteBlockRequest {
  uint8_t handle = 0;
  std::vector<uint8_t> data;

  static constexpr size_t kSize = 1 + 1 + 2;
  Result<DlpArguments> Encode() const;
  static Result<WriteBlockRequest> Decode(const DlpArguments& arguments);
  bool operator==(const WriteBlockRequest&) const = default;
};

}  // namespace platform::link
