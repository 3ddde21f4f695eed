// One settings file in QSettings' INI format, held as an ordered list of
// keys and their stored (escaped) values.
//
// A key is a '/'-separated path: "DataDir" lives in [General], and
// "Directories/DataDir" in the group [Directories] as "DataDir";
// "Directories/Sub/V" stays in [Directories] as "Sub\V". Reading follows
// QSettings' line rules (comments after ';', quoted values spanning lines,
// escaped line breaks, a UTF-8 byte-order mark, a later duplicate replacing an
// earlier key, keys that are not in normal form ignored). Values that this program did not touch
// are written back as they were read, so typed values of other programs survive a rewrite. Like
// QSettings, a rewrite drops comments and lines that are not settings.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::settings {

struct IniEntry {
  std::string key;     // '/'-separated, UTF-8, no empty parts
  std::string stored;  // the value as written after '=' (see ini_escape.h)
};

// Keys are found through an index, so that reading a file, looking keys up
// and setting them take time in proportion to the number of keys.
class IniFile {
 public:
  static IniFile Parse(std::string_view text);
  // The whole file: [General] first, then the groups in the order in which
  // they first appear, each followed by its keys in order.
  std::string Serialise() const;

  const std::vector<IniEntry>& Entries() const { return m_entries; }
  // The entry of `key`, or nullptr.
  const IniEntry* Find(std::string_view key) const;
  // Replaces the stored value of `key`, or appends the key.
  void Set(std::string_view key, std::string stored);
  // Removes `key`; false when it was not there. Takes time in proportion to
  // the number of keys, as the list closes the gap.
  bool Remove(std::string_view key);
  // Removes every key below `prefix` ("a/b" removes "a/b/..."); returns how
  // many were removed.
  size_t RemoveBelow(std::string_view prefix);

 private:
  // Makes m_index point at m_entries again after entries were removed.
  void Reindex();

  std::vector<IniEntry> m_entries;
  // The position of every key in m_entries.
  std::unordered_map<std::string, size_t> m_index;
};

// True when `key` has no empty parts: not empty, no leading, trailing or
// doubled '/'.
bool IsNormalKey(std::string_view key);

}  // namespace platform::settings
