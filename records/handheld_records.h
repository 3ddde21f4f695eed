// Byte layouts of the records the conduit shares with the handheld
// application: the "VlmrFilesDB" record (its head, and the text, message,
// PC-format and picture records built on it), the result records and the
// application-info block of "VlmrSearchDB", the request preference, and the
// search-result form of the date-time stamp. Every integer is big-endian.
//
// Each layout is a value type with Decode and Encode that read and write the
// fields in wire order. Bytes that belong to the handheld application are
// kept, so a block read and written back is unchanged.
//
// HandheldFileRecord, a record of "VlmrFilesDB":
//
//   offset size field
//        0    2 fileId      the PC file list entry's id; 0 for a fetched file
//        2   40 title       at most 39 characters, handheld text
//       42  128 sourcePath  at most 127 characters
//      170    8 created     HandheldDateTime
//      178    8 modified    HandheldDateTime
//      186    8 sent        HandheldDateTime
//      194    2 depthCode   picture records: 1, 2 or 3 (see handheld_bitmap.h)
//      196    4 size        the PC file's size, or the content's
//      200    1 contentKind ContentKind
//      201      content     text (kind 1), bitmap (kind 2) or the file's bytes
//                           (kind 3), then zero bytes: two after a converted
//                           text (its NUL and a spare byte), one after a
//                           message, a PC-format file or a bitmap
//
// SearchResult, a record of "VlmrSearchDB":
//
//   offset size field
//        0    1 selected    non-zero when the handheld user picked it
//        1    1             0
//        2  128 path        at most 127 characters
//      130    8 created     search-result stamp
//      138    8 modified    search-result stamp
//      146    4 size
//      150    2             0
//
// RequestPreference: request (0), status (1), image mode (16), 18 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "file_list_entry.h"     // store/
#include "handheld_date_time.h"  // store/

namespace records {

constexpr char kFilesDatabaseName[] = "VlmrFilesDB";
constexpr char kSearchDatabaseName[] = "VlmrSearchDB";
constexpr uint32_t kCreatorId = 0x566C6D72;          // 'Vlmr'
constexpr uint32_t kFilesDatabaseType = 0x46696C65;  // 'File'

constexpr uint8_t kOpenReadWriteSecret = 0xD0;
constexpr uint8_t kOpenReadSecret = 0x90;

// Content kinds of a HandheldFileRecord, as the file list keeps them.
using store::ContentKind;
using store::kContentBitmap;
using store::kContentPcFormat;
using store::kContentText;

// HandheldFileRecord: a 201-byte head, then the content.
namespace file_record {
constexpr size_t kFileIdOffset = 0;  // u16
constexpr size_t kTitleOffset = 2;   // 40-byte text
constexpr size_t kTitleSize = 40;
constexpr size_t kSourcePathOffset = 42;  // 128-byte text
constexpr size_t kSourcePathSize = 128;
constexpr size_t kCreatedOffset = 170;      // HandheldDateTime
constexpr size_t kModifiedOffset = 178;     // HandheldDateTime
constexpr size_t kSentOffset = 186;         // HandheldDateTime
constexpr size_t kDepthCodeOffset = 194;    // u16
constexpr size_t kSizeOffset = 196;         // u32
constexpr size_t kContentKindOffset = 200;  // u8
constexpr size_t kHeadSize = 201;
constexpr size_t kContentOffset = kHeadSize;
// The longest record the handheld accepts, and so the most content bytes a
// PC-format record carries.
constexpr size_t kMaxRecordSize = 65000;
constexpr size_t kMaxContentBytes = 64798;
// The index holds the first 202 bytes of each record.
constexpr size_t kIndexHeadSize = 202;
constexpr size_t kMaxTitleLength = kTitleSize - 1;
constexpr size_t kMaxPathLength = kSourcePathSize - 1;
// The zero bytes after the content of each kind of record the PC writes.
constexpr size_t kTextZeros = 2;
constexpr size_t kMessageZeros = 1;
constexpr size_t kPcFormatZeros = 1;
constexpr size_t kPictureZeros = 1;
// A record made on the handheld ends in one: a text's NUL, a bitmap's spare.
constexpr size_t kHandheldZeros = 1;
}  // namespace file_record

// The head of a HandheldFileRecord as values.
struct HandheldFileHead {
  uint16_t fileId = 0;
  std::string title;
  std::string sourcePath;
  store::HandheldDateTime created;
  store::HandheldDateTime modified;
  store::HandheldDateTime sent;
  uint16_t depthCode = 0;
  uint32_t size = 0;
  uint8_t contentKind = 0;

  // Decodes the head from the first 201 bytes; nothing when fewer are given.
  static std::optional<HandheldFileHead> Decode(std::span<const uint8_t> record);
  // Writes the head over the first 201 bytes of `record` (grown when
  // shorter). A title or source path equal to the text already there keeps
  // that field's bytes, so a head decoded and encoded back is unchanged.
  void EncodeInto(std::vector<uint8_t>& record) const;
};

// Rewrites the head of `record` through `change`, leaving the content as it
// is; a record shorter than a head is left as it is.
template <typename Change>
void ChangeFileHead(std::vector<uint8_t>& record, Change&& change) {
  std::optional<HandheldFileHead> head = HandheldFileHead::Decode(record);
  if (!head) return;
  change(*head);
  head->EncodeInto(record);
}

// A whole HandheldFileRecord: `head`, then `content`, then `zeros` zero
// bytes (file_record::kTextZeros and friends).
std::vector<uint8_t> EncodeFileRecord(const HandheldFileHead& head,
                                      std::span<const uint8_t> content, size_t zeros);
inline std::vector<uint8_t> EncodeFileRecord(const HandheldFileHead& head, std::string_view content,
                                             size_t zeros) {
  return EncodeFileRecord(
      head, std::span(reinterpret_cast<const uint8_t*>(content.data()), content.size()), zeros);
}
// The content of a HandheldFileRecord: every byte after the head; empty when
// the record is no longer than its head.
std::span<const uint8_t> FileRecordContent(std::span<const uint8_t> record);

// SearchResult: a 152-byte record of "VlmrSearchDB".
struct SearchResult {
  static constexpr size_t kSize = 152;
  static constexpr size_t kSelectedOffset = 0;
  static constexpr size_t kPathSize = 128;

  uint8_t selected = 0;
  std::string path;
  store::HandheldDateTime created;   // search-result stamp form
  store::HandheldDateTime modified;  // search-result stamp form
  uint32_t size = 0;

  static std::optional<SearchResult> Decode(std::span<const uint8_t> record);
  std::vector<uint8_t> Encode() const;
};

// The search-result stamp form: as HandheldDateTime, but byte 0 holds the
// year rounded down to its century modulo 256 (208 for 2000-2099) and byte 6
// is 0.
store::HandheldDateTime SearchResultStamp(time_t pcTime);

// SearchAppInfo: the 736-byte application-info block of "VlmrSearchDB".
class SearchAppInfo {
 public:
  static constexpr size_t kSize = 736;
  static constexpr size_t kSearchSpecOffset = 278;
  static constexpr size_t kSearchSpecSize = 128;
  static constexpr size_t kSearchTextOffset = 406;
  static constexpr size_t kSearchTextSize = 64;
  static constexpr size_t kLastSearchSpecOffset = 470;
  static constexpr size_t kLastSearchSpecSize = 128;
  static constexpr size_t kTextSearchOnOffset = 598;
  static constexpr size_t kListOnlyOffset = 599;
  static constexpr size_t kIncludeSubFoldersOffset = 600;
  static constexpr size_t kFaxNumberOffset = 602;
  static constexpr size_t kEmailAddressOffset = 642;
  static constexpr size_t kThirdTextOffset = 682;
  static constexpr size_t kAddressSize = 40;
  static constexpr size_t kReceiveWholeCategoryOffset = 722;
  static constexpr size_t kReceiveSelectorOffset = 724;

  SearchAppInfo() { m_bytes.fill(0); }
  // A block of any length: shorter input is zero-padded, longer is cut.
  static SearchAppInfo FromBytes(std::span<const uint8_t> bytes);
  const std::array<uint8_t, kSize>& Bytes() const { return m_bytes; }
  // Writes the 736 bytes over the start of `block` (grown when shorter),
  // keeping the handheld application's bytes after them.
  void EncodeInto(std::vector<uint8_t>& block) const;

  std::string SearchSpec() const;
  std::string SearchText() const;
  std::string LastSearchSpec() const;
  // Copies the spec's first 128 bytes, unterminated when it fills the field.
  void SetLastSearchSpec(const std::string& spec);
  bool TextSearchOn() const { return m_bytes[kTextSearchOnOffset] != 0; }
  bool ListOnly() const { return m_bytes[kListOnlyOffset] != 0; }
  bool IncludeSubFolders() const { return m_bytes[kIncludeSubFoldersOffset] != 0; }
  std::string FaxNumber() const;
  std::string EmailAddress() const;
  std::string ThirdText() const;
  bool ReceiveWholeCategory() const { return m_bytes[kReceiveWholeCategoryOffset] != 0; }
  // The low 16 bits of the big-endian selector.
  uint16_t ReceiveSelector() const;
  // The selector's whole 32 bits, as the handheld stored them.
  uint32_t WholeReceiveSelector() const;

  // Setters used by the handheld companion and tests.
  void SetSearchSpec(const std::string& spec);
  void SetSearchText(const std::string& text);
  void SetTextSearchOn(bool on) { m_bytes[kTextSearchOnOffset] = on ? 1 : 0; }
  void SetListOnly(bool on) { m_bytes[kListOnlyOffset] = on ? 1 : 0; }
  void SetIncludeSubFolders(bool on) { m_bytes[kIncludeSubFoldersOffset] = on ? 1 : 0; }
  void SetFaxNumber(const std::string& number);
  void SetEmailAddress(const std::string& address);
  void SetThirdText(const std::string& text);
  void SetReceiveWholeCategory(bool on) { m_bytes[kReceiveWholeCategoryOffset] = on ? 1 : 0; }
  void SetReceiveSelector(uint32_t selector);

 private:
  std::array<uint8_t, kSize> m_bytes;
};

// RequestPreference: the 18-byte application preference (creator 'Vlmr',
// ID 0) through which the handheld asks for work.
struct RequestPreference {
  static constexpr size_t kSize = 18;
  static constexpr size_t kRequestOffset = 0;
  static constexpr size_t kStatusOffset = 1;
  static constexpr size_t kImageModeOffset = 16;
  static constexpr uint8_t kStatusPending = 0xFF;
  static constexpr uint8_t kStatusSuccess = 0;
  static constexpr uint8_t kStatusFailure = 1;
  static constexpr uint8_t kStatusNoSearchPath = 4;

  std::array<uint8_t, kSize> bytes{};

  // The first 18 bytes of a stored preference; nothing when it is shorter.
  static std::optional<RequestPreference> Decode(std::span<const uint8_t> stored);
  // Writes the 18 bytes over the start of `stored` (grown when shorter),
  // keeping the handheld application's bytes after them.
  void EncodeInto(std::vector<uint8_t>& stored) const;

  uint8_t Request() const { return bytes[kRequestOffset]; }
  uint8_t Status() const { return bytes[kStatusOffset]; }
  uint8_t ImageMode() const { return bytes[kImageModeOffset]; }
  void SetRequest(uint8_t request) { bytes[kRequestOffset] = request; }
  void SetStatus(uint8_t status) { bytes[kStatusOffset] = status; }
  void SetImageMode(uint8_t mode) { bytes[kImageModeOffset] = mode; }
};

// HandheldRequest codes: odd = asked by the handheld, even = done.
enum HandheldRequest : uint8_t {
  kRequestSearch = 1,
  kRequestSearchDone = 2,
  kRequestFetch = 3,
  kRequestFetchDone = 4,
  kRequestFax = 5,
  kRequestFaxDone = 6,
  kRequestEmail = 7,
  kRequestEmailDone = 8,
  kRequestPcFormat = 9,
  kRequestPcFormatDone = 10,
  kRequestReceive = 11,
  kRequestReceiveDone = 12,
};

}  // namespace records
