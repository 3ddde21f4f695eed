// FileListEntry: one 378-byte record of "Vellamore.dat", a PC file to send to
// the handheld or a file received from it. Integers are little-endian; texts
// are single-byte characters NUL-terminated inside their fields.
//
//   offset size field
//        0    2 id            (also the file ID of the record on the handheld)
//        2   40 title         at most 39 characters
//       42  128 path          PC path of the file to send, or the handheld's
//                             source path for a received file
//      170  128 receivedCopy  PC file holding a received file's content
//      298   40 user          HotSync user name, or "All"
//      338    8 created       HandheldDateTime
//      346    8 modified      HandheldDateTime
//      354    8 lastSent      HandheldDateTime; byte 0 is 0 when never sent
//      362    2 kind          FileKind
//      364    2 format        SendFormat (kind 0) or content kind (kind 1)
//      366    2 category      handheld category 0-15
//      368    2 action        SendAction (kind 0), 4 on received entries
//      370    2 isPrivate     1 = secret on the handheld
//      372    2 changed       1 = changed on the PC and not yet sent
//      374    4 size          file size in bytes
//
// An entry remembers the bytes it was decoded from. Encode starts from them
// and rewrites only what the fields say, keeping a text field's bytes as read
// while its text is unchanged, so that an entry passes through a program
// byte for byte, including whatever follows the NUL inside a text field.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "handheld_date_time.h"

namespace store {

enum FileKind : uint16_t { kPcFile = 0, kReceivedFile = 1 };

enum SendAction : uint16_t {
  kActionAlways = 0,
  kActionDontSend = 1,
  kActionOneTime = 2,
  kActionIfChanged = 3,
  kActionReceived = 4,
};

enum SendFormat : uint16_t { kFormatPc = 3, kFormatHandheld = 4 };

// What a handheld file record holds, kept in `format` of a received entry.
// A PC-format record holds the file's own bytes, as kFormatPc sends them.
enum ContentKind : uint8_t {
  kContentText = 1,
  kContentBitmap = 2,
  kContentPcFormat = 3,
};
static_assert(uint16_t{kContentPcFormat} == uint16_t{kFormatPc});

struct FileListEntry {
  static constexpr size_t kIdOffset = 0;
  static constexpr size_t kTitleOffset = 2;
  static constexpr size_t kTitleSize = 40;
  static constexpr size_t kPathOffset = kTitleOffset + kTitleSize;  // 42
  static constexpr size_t kPathSize = 128;
  static constexpr size_t kReceivedCopyOffset = kPathOffset + kPathSize;  // 170
  static constexpr size_t kReceivedCopySize = 128;
  static constexpr size_t kUserOffset = kReceivedCopyOffset + kReceivedCopySize;  // 298
  static constexpr size_t kUserSize = 40;
  static constexpr size_t kCreatedOffset = kUserOffset + kUserSize;                     // 338
  static constexpr size_t kModifiedOffset = kCreatedOffset + HandheldDateTime::kSize;   // 346
  static constexpr size_t kLastSentOffset = kModifiedOffset + HandheldDateTime::kSize;  // 354
  static constexpr size_t kKindOffset = kLastSentOffset + HandheldDateTime::kSize;      // 362
  static constexpr size_t kFormatOffset = kKindOffset + 2;                              // 364
  static constexpr size_t kCategoryOffset = kFormatOffset + 2;                          // 366
  static constexpr size_t kActionOffset = kCategoryOffset + 2;                          // 368
  static constexpr size_t kPrivateOffset = kActionOffset + 2;                           // 370
  static constexpr size_t kChangedOffset = kPrivateOffset + 2;                          // 372
  static constexpr size_t kSizeOffset = kChangedOffset + 2;                             // 374
  static constexpr size_t kSize = kSizeOffset + 4;                                      // 378

  uint16_t id = 0;
  std::string title, path, receivedCopy, user;
  HandheldDateTime created, modified, lastSent;
  uint16_t kind = 0, format = 0, category = 0, action = 0, isPrivate = 0, changed = 0;
  uint32_t size = 0;

  // The entry in `bytes`, which should be exactly kSize long; a shorter
  // record reads as if padded with zeros, bytes past kSize are ignored.
  static FileListEntry Decode(std::span<const uint8_t> bytes);
  // The 378 bytes of the entry. Texts longer than their field are cut and
  // always end with a NUL (title and user 39 characters, paths 127).
  std::array<uint8_t, kSize> Encode() const;

  // The bytes the entry was decoded from, zeros for an entry built in code.
  // Encode starts from them. Public only so that the entry stays a plain
  // aggregate; code outside the store has no reason to touch it.
  std::array<uint8_t, kSize> decodedFrom{};
};

static_assert(FileListEntry::kSize == 378);
static_assert(FileListEntry::kUserOffset == 298 && FileListEntry::kKindOffset == 362);

}  // namespace store
