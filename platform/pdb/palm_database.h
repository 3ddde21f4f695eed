// Palm database files (PDB record databases and PRC resource databases): a
// value type that holds one whole database, a strict reader and a writer of
// the standard file layout that every Palm tool reads.
//
// File layout (all integers big-endian):
//
//   header, kHeaderSize = 78 bytes
//     name                 32  NUL-terminated, at most 31 characters
//     attributes            2  kDbAttr... bits
//     version               2
//     creation date         4  seconds since 1904-01-01 (0: never)
//     modification date     4
//     backup date           4
//     modification number   4
//     app-info offset       4  0: no application-info block
//     sort-info offset      4  0: no sort-info block
//     type                  4
//     creator               4
//     unique-ID seed        4
//     next record list ID   4  always 0 in a file
//     entry count           2
//   entry table, count entries of
//     record database:   offset 4, attributes 1, unique ID 3  (kRecordEntrySize)
//     resource database: type 4, ID 2, offset 4                (kResourceEntrySize)
//   2 placeholder bytes (zero)
//   application-info block, sort-info block, then the entries' data in order.
//
// Each block runs up to the next block that follows it (or the end of the
// file). The reader never reads past its input and refuses a file whose
// offsets point outside it, go backwards, or point into the entry table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "bytes/bytes.h"

namespace platform::pdb {

constexpr size_t kNameSize = 32;
constexpr size_t kMaxNameLength = kNameSize - 1;
constexpr size_t kHeaderSize = kNameSize + 2 + 2 + 4 * 3 + 4 + 4 + 4 + 4 + 4 + 4 + 4 + 2;
constexpr size_t kRecordEntrySize = 4 + 1 + 3;
constexpr size_t kResourceEntrySize = 4 + 2 + 4;
constexpr size_t kPlaceholderSize = 2;
constexpr size_t kMaxEntries = 0xFFFF;
static_assert(kHeaderSize == 78, "Palm database header is 78 bytes");

// Seconds from 1904-01-01 to 1970-01-01 (the two epochs).
constexpr int64_t kPalmEpochOffset = 2082844800;

// Database attributes (header field).
enum : uint16_t {
  kDbAttrResource = 0x0001,
  kDbAttrReadOnly = 0x0002,
  kDbAttrAppInfoDirty = 0x0004,
  kDbAttrBackup = 0x0008,
  kDbAttrOkToInstallNewer = 0x0010,
  kDbAttrResetAfterInstall = 0x0020,
  kDbAttrCopyPrevention = 0x0040,
  kDbAttrStream = 0x0080,
  kDbAttrHidden = 0x0100,
  kDbAttrLaunchable = 0x0200,
  kDbAttrRecyclable = 0x0400,
  kDbAttrBundle = 0x0800,
  kDbAttrOpen = 0x8000,
};

// Record attributes (entry byte): four flag bits and the category in the low
// four bits. The archived bit 0x08 shares the category's bits and means
// "archived" only on a deleted or busy record.
enum : uint8_t {
  kRecordDeleted = 0x80,
  kRecordDirty = 0x40,
  kRecordBusy = 0x20,
  kRecordSecret = 0x10,
  kRecordArchived = 0x08,
  kRecordFlagMask = 0xF0,
  kRecordCategoryMask = 0x0F,
};

constexpr uint32_t kMaxUniqueId = 0x00FFFFFF;

struct PalmRecord {
  uint8_t attributes = 0;  // flags and category
  uint32_t uniqueId = 0;   // 24 bits
  std::vector<uint8_t> data;

  uint8_t Category() const { return attributes & kRecordCategoryMask; }
  bool IsDeleted() const { return (attributes & kRecordDeleted) != 0; }
  bool IsSecret() const { return (attributes & kRecordSecret) != 0; }
  // Archived only counts on a deleted or busy record.
  bool IsArchived() const {
    return (attributes & (kRecordDeleted | kRecordBusy)) != 0 &&
           (attributes & kRecordArchived) != 0;
  }
  bool operator==(const PalmRecord&) const = default;
};

struct PalmResource {
  uint32_t type = 0;
  uint16_t id = 0;
  std::vector<uint8_t> data;
  bool operator==(const PalmResource&) const = default;
};

// One whole database. A resource database (kDbAttrResource) keeps its
// entries in `resources` and a record database in `records`; the other list
// is ignored when the database is written.
struct PalmDatabase {
  std::string name;  // at most kMaxNameLength characters are written
  uint16_t attributes = 0;
  uint16_t version = 0;
  time_t created = 0;  // 0: never
  time_t modified = 0;
  time_t backedUp = 0;
  uint32_t modificationNumber = 0;
  uint32_t type = 0;
  uint32_t creator = 0;
  uint32_t uniqueIdSeed = 0;
  std::vector<uint8_t> appInfo;   // empty: no application-info block
  std::vector<uint8_t> sortInfo;  // empty: no sort-info block
  std::vector<PalmRecord> records;
  std::vector<PalmResource> resources;

  bool IsResourceDatabase() const { return (attributes & kDbAttrResource) != 0; }
  // A new record unique ID from the seed: non-zero, 24 bits, not used by any
  // record of the database; advances the seed. Scans the records.
  uint32_t NextUniqueId();
  // The same with the IDs in use given by the caller (kept across many new
  // records); the new ID is added to `inUse`.
  uint32_t NextUniqueId(std::unordered_set<uint32_t>& inUse);
  // Index of the record with `uniqueId`, or nothing.
  std::optional<size_t> FindRecord(uint32_t uniqueId) const;
  // The resource of `type` and `id`, or null.
  const PalmResource* FindResource(uint32_t type, uint16_t id) const;
  PalmResource* FindResource(uint32_t type, uint16_t id);

  bool operator==(const PalmDatabase&) const = default;
};

enum class PdbError {
  kNone,
  kTruncatedHeader,      // shorter than the 78-byte header
  kTruncatedEntryTable,  // the entry count needs more bytes than the file has
  kOffsetBeyondEnd,      // a block or entry offset points past the end of the file
  kOffsetsOutOfOrder,    // an offset lies before the one that precedes it
  kOffsetInsideHeader,   // an offset points into the header or the entry table
};

// A short English description of `error`, for messages.
const char* Describe(PdbError error);

// Parses a whole database file. On failure returns nothing and sets `*error`
// (when given); never reads outside `bytes`.
std::optional<PalmDatabase> ParsePalmDatabase(ByteSpan bytes, PdbError* error = nullptr);

// The database as a standard file. Empty when it cannot be written: more
// than kMaxEntries entries, or a file of 4 GiB or more.
std::vector<uint8_t> SerializePalmDatabase(const PalmDatabase& database);

// Four-character codes: "Vlmr" -> 0x566C6D72. A shorter text is padded with
// spaces, a longer one cut to four characters.
uint32_t FourCC(std::string_view text);
// The four characters of a code, for messages (bytes outside printable
// ASCII shown as '.').
std::string FourCCText(uint32_t code);

// Palm dates <-> time_t. A date with its top bit set counts seconds from
// 1904-01-01; one with the top bit clear counts from 1970-01-01 (written so
// by some desktop tools). 0 stays 0 ("never"). Writing uses the 1904 form
// wherever it can be told apart; times outside 1970-01-01..2040-02-06 are
// clamped into that range.
time_t PalmDateToTime(uint32_t palmDate);
uint32_t TimeToPalmDate(time_t time);

}  // namespace platform::pdb
