// FileListStore: "Vellamore.dat", the list of PC files to send to the
// handheld and of files received from it, shared by the conduit and the
// desktop program. The file is a 320-byte header followed by whole 378-byte
// FileListEntry records up to its end; there is no count field, and a shorter
// remainder after the last whole record is ignored.
//
// Header layout (little-endian):
//
//   offset size
//        0    2 16-bit value 1
//        2    2 16-bit value 0
//        4   42 zero
//       46  256 16 category labels of 16 bytes, NUL-terminated (0 = unfiled)
//      302   16 category unique IDs, one byte each: 0, 1, ..., 15
//      318    1 last unique ID: 15
//      319    1 zero
//
// Each program loads the file whole and rewrites it whole; a writer holds the
// FileListLock (file_list_lock.h) from its load to its save. Saving goes through a temporary file
// and a rename, so a failed save leaves the previous store intact.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "file_list_entry.h"

namespace store {

class FileListStore {
 public:
  static constexpr size_t kHeaderSize = 320;
  static constexpr char kFileName[] = "Vellamore.dat";

  static constexpr size_t kFirstValueOffset = 0;
  static constexpr size_t kSecondValueOffset = 2;
  static constexpr size_t kCategoryLabelsOffset = 46;
  static constexpr size_t kCategoryLabelSize = 16;
  static constexpr int kCategoryCount = 16;
  static constexpr size_t kCategoryIdsOffset =
      kCategoryLabelsOffset + kCategoryLabelSize * kCategoryCount;                    // 302
  static constexpr size_t kLastUniqueIdOffset = kCategoryIdsOffset + kCategoryCount;  // 318
  static_assert(kLastUniqueIdOffset + 2 == kHeaderSize);

  using Header = std::array<uint8_t, kHeaderSize>;

  // What Load does when the file cannot be opened. The conduit starts from an
  // empty list and a header of zeros; the desktop program takes the default
  // header and keeps the entries it holds.
  enum class MissingStore { kZeroHeader, kDefaultHeader };

  // The header of a new store: values 1 and 0, the labels "Unfiled",
  // "Personal" and "Business", category IDs 0 to 15, last unique ID 15.
  static Header DefaultHeader();
  // The store file of a data directory: `dataDirectory` + "/Vellamore.dat".
  static std::string PathIn(std::string_view dataDirectory);

  // Replaces the header and entries with the contents of the file at `path`.
  // False when the file could not be opened or read; the store then holds
  // what `whenMissing` says, and `*error` (when given) the reason: ENOENT
  // for no store yet, else an errno of platform::ReadWholeFile.
  bool Load(const std::string& path, MissingStore whenMissing, int* error = nullptr);
  // Replaces the header and entries with a store image: up to 320 header
  // bytes (a short image leaves the rest zero), then every whole entry.
  void LoadFromBytes(std::span<const uint8_t> bytes);
  // Writes the whole store to `path` through a temporary file and a rename.
  // Returns 0, or the errno of the step that failed; the old file is then
  // left as it was.
  int Save(const std::string& path) const;
  // The store image: the header, then every entry in list order.
  std::vector<uint8_t> ToBytes() const;

  const Header& GetHeader() const { return m_header; }
  void SetHeader(const Header& header) { m_header = header; }
  // Sets the default header; the entries stay.
  void ResetHeader() { m_header = DefaultHeader(); }
  // The label of category `index` (0 to 15); empty for any other index.
  std::string CategoryLabel(int index) const;

  std::vector<FileListEntry>& Entries() { return m_entries; }
  const std::vector<FileListEntry>& Entries() const { return m_entries; }
  // The first entry in list order with the ID; nullptr when none has it.
  FileListEntry* FindById(uint16_t id);
  const FileListEntry* FindById(uint16_t id) const;
  // An ID that no entry has: values of platform::CRand, drawn until one is
  // free. Should every value CRand can give be taken, the lowest free ID
  // above them is used instead of drawing for ever.
  uint16_t NewId() const;
  // Adds an entry at the end of the list.
  void Append(FileListEntry entry) { m_entries.push_back(std::move(entry)); }

 private:
  Header m_header{};
  std::vector<FileListEntry> m_entries;
};

}  // namespace store
