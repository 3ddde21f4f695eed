// Byte layouts of the records the conduit shares with the handheld
// application: the head of a "VlmrFilesDB" record, the result records and
// the application-info block of "VlmrSearchDB", and the search-result form
// of the date-time stamp. Every integer is big-endian.
//
// Each layout is a value type with Decode and Encode that read and write the
// fields in wire order. Bytes that belong to the handheld application are
// kept, so a block read and written back is unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "file_list_entry.h"     // store/
#include "handheld_date_time.h"  // store/

namespace conduit {

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
  // Writes the head over the first 201 bytes of `record` (grown when shorter).
  void EncodeInto(std::vector<uint8_t>& record) const;
};

// SearchResult: a 152-byte record of "VlmrSearchDB".
struct SearchResult {
  static constexpr size_t kSize = 152;
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

}  // namespace conduit
