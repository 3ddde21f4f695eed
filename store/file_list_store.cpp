// Loading, saving and querying the file list store.
#include "file_list_store.h"

#include <algorithm>
#include <bitset>
#include <memory>

#include "bytes/bytes.h"
#include "crt/crand.h"
#include "fs/fs.h"

namespace store {

FileListStore::Header FileListStore::DefaultHeader() {
  Header header{};
  platform::PutU16Le(header, kFirstValueOffset, 1);
  platform::PutU16Le(header, kSecondValueOffset, 0);
  static constexpr const char* kLabels[] = {"Unfiled", "Personal", "Business"};
  for (size_t i = 0; i < std::size(kLabels); ++i) {
    platform::PutFixedText(header, kCategoryLabelsOffset + i * kCategoryLabelSize,
                           kCategoryLabelSize, kLabels[i]);
  }
  for (int i = 0; i < kCategoryCount; ++i) {
    header[kCategoryIdsOffset + i] = static_cast<uint8_t>(i);
  }
  header[kLastUniqueIdOffset] = kCategoryCount - 1;
  return header;
}

std::string FileListStore::PathIn(std::string_view dataDirectory) {
  std::string path(dataDirectory);
  path += '/';
  path += kFileName;
  return path;
}

bool FileListStore::Load(const std::string& path, MissingStore whenMissing, int* error) {
  std::optional<std::vector<uint8_t>> bytes =
      platform::ReadWholeFile(path, platform::kDefaultReadLimit, error);
  if (!bytes) {
    if (whenMissing == MissingStore::kZeroHeader) {
      m_header.fill(0);
      m_entries.clear();
    } else {
      // The desktop program keeps the list it shows; nothing is written.
      ResetHeader();
    }
    return false;
  }
  LoadFromBytes(*bytes);
  return true;
}

void FileListStore::LoadFromBytes(std::span<const uint8_t> bytes) {
  m_header.fill(0);
  size_t headerBytes = std::min(bytes.size(), kHeaderSize);
  std::copy_n(bytes.begin(), headerBytes, m_header.begin());
  m_entries.clear();
  std::span<const uint8_t> records = bytes.subspan(headerBytes);
  size_t count = records.size() / FileListEntry::kSize;
  m_entries.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    m_entries.push_back(
        FileListEntry::Decode(records.subspan(i * FileListEntry::kSize, FileListEntry::kSize)));
  }
}

std::vector<uint8_t> FileListStore::ToBytes() const {
  std::vector<uint8_t> bytes;
  bytes.reserve(kHeaderSize + m_entries.size() * FileListEntry::kSize);
  bytes.insert(bytes.end(), m_header.begin(), m_header.end());
  for (const FileListEntry& entry : m_entries) {
    std::array<uint8_t, FileListEntry::kSize> record = entry.Encode();
    bytes.insert(bytes.end(), record.begin(), record.end());
  }
  return bytes;
}

int FileListStore::Save(const std::string& path) const {
  return platform::WriteFileAtomically(path, ToBytes());
}

std::string FileListStore::CategoryLabel(int index) const {
  if (index < 0 || index >= kCategoryCount) return {};
  return platform::GetFixedText(m_header, kCategoryLabelsOffset + index * kCategoryLabelSize,
                                kCategoryLabelSize);
}

FileListEntry* FileListStore::FindById(uint16_t id) {
  auto found = std::find_if(m_entries.begin(), m_entries.end(),
                            [id](const FileListEntry& entry) { return entry.id == id; });
  return found == m_entries.end() ? nullptr : &*found;
}

const FileListEntry* FileListStore::FindById(uint16_t id) const {
  return const_cast<FileListStore*>(this)->FindById(id);
}

uint16_t FileListStore::NewId() const {
  constexpr size_t kIdCount = 65536;
  constexpr size_t kDrawable = platform::kCRandMax + 1;
  auto used = std::make_unique<std::bitset<kIdCount>>();
  size_t drawableUsed = 0;
  for (const FileListEntry& entry : m_entries) {
    if (!used->test(entry.id) && entry.id < kDrawable) ++drawableUsed;
    used->set(entry.id);
  }
  if (drawableUsed < kDrawable) {
    // The generator's period covers every value it can give, so a free one
    // comes up.
    for (;;) {
      int candidate = platform::CRand();
      if (!used->test(static_cast<size_t>(candidate))) return static_cast<uint16_t>(candidate);
    }
  }
  for (size_t id = kDrawable; id < kIdCount; ++id) {
    if (!used->test(id)) return static_cast<uint16_t>(id);
  }
  // All 65,536 IDs are taken: no ID can be unique.
  return static_cast<uint16_t>(platform::CRand());
}

}  // namespace store
