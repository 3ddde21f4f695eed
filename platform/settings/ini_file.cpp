// Reading and writing settings files in QSettings' INI format. The line
// reader follows QSettings' own (readIniLine) so that both split a file into
// the same settings.
#include "ini_file.h"

#include <algorithm>
#include <cstddef>

#include "ini_escape.h"

namespace platform::settings {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kGeneral = "General";

bool IsLineSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsAsciiSpace(char c) {
  return IsLineSpace(c) || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsAsciiSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsAsciiSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// One logical line: [start, start + length), and the position of its first
// '=' outside quotes (npos when none).
struct IniLine {
  size_t start = 0;
  size_t length = 0;
  size_t equals = std::string_view::npos;
};

// Reads the next logical line from `pos`. A ';' at the start of a line makes
// a comment; one later outside quotes ends the line. Quotes and a backslash
// before a line break carry the line on. False at the end of the text.
bool ReadIniLine(std::string_view data, size_t& pos, IniLine& line) {
  line = IniLine{};
  size_t start = pos;
  while (start < data.size() && IsLineSpace(data[start])) ++start;
  bool inQuotes = false;
  size_t i = start;
  while (i < data.size()) {
    char c = data[i++];
    if (c == '=') {
      if (!inQuotes && line.equals == std::string_view::npos) line.equals = i - 1;
    } else if (c == '\n' || c == '\r') {
      if (i == start + 1) {
        ++start;
      } else if (!inQuotes) {
        --i;
        break;
      }
    } else if (c == '\\') {
      if (i < data.size()) {
        char next = data[i++];
        if (i < data.size() &&
            ((next == '\n' && data[i] == '\r') || (next == '\r' && data[i] == '\n'))) {
          ++i;
        }
      }
    } else if (c == '"') {
      inQuotes = !inQuotes;
    } else if (c == ';') {
      if (i == start + 1) {
        while (i < data.size() && data[i] != '\n' && data[i] != '\r') ++i;
        while (i < data.size() && IsLineSpace(data[i])) ++i;
        start = i;
      } else if (!inQuotes) {
        --i;
        break;
      }
    }
  }
  pos = i;
  line.start = start;
  line.length = i - start;
  return line.length > 0;
}

// The key prefix ("" or "Group/") that a "[...]" line sets.
std::string GroupPrefixOf(std::string_view line) {
  size_t close = line.find(']');
  std::string_view name =
      close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1);
  name = Trimmed(name);
  if (EqualsIgnoringCase(name, kGeneral)) return {};
  if (name.size() == kGeneral.size() + 1 && name[0] == '%' &&
      EqualsIgnoringCase(name.substr(1), kGeneral)) {
    return std::string(name.substr(1)) + "/";
  }
  return UnescapeName(name) + "/";
}

// Splits a key into its group and the rest: "a/b/c" gives "a" and "b/c";
// "a" gives "" and "a".
std::pair<std::string_view, std::string_view> SplitGroup(std::string_view key) {
  size_t slash = key.find('/');
  if (slash == std::string_view::npos) return {{}, key};
  return {key.substr(0, slash), key.substr(slash + 1)};
}

std::string GroupHeader(std::string_view group) {
  if (group.empty()) return "[General]";
  std::string escaped = EscapeName(group);
  // A group of that name must not read as the keys without a group.
  if (EqualsIgnoringCase(escaped, kGeneral)) return "[%" + escaped + "]";
  return "[" + escaped + "]";
}

}  // namespace

bool IsNormalKey(std::string_view key) {
  return !key.empty() && key.front() != '/' && key.back() != '/' &&
         key.find("//") == std::string_view::npos;
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile file;
  size_t pos = text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
  std::string groupPrefix;
  IniLine line;
  while (ReadIniLine(text, pos, line)) {
    std::string_view content = text.substr(line.start, line.length);
    if (content.front() == '[') {
      groupPrefix = GroupPrefixOf(content);
      continue;
    }
    if (line.equals == std::string_view::npos) continue;  // comment or stray text
    std::string_view name = Trimmed(text.substr(line.start, line.equals - line.start));
    std::string key = groupPrefix + UnescapeName(name);
    // QSettings looks keys up in their normal form, so it never reaches a
    // key such as "", "/a", "a/" or "a//b"; neither do we.
    if (!IsNormalKey(key)) continue;
    std::string_view stored =
        text.substr(line.equals + 1, line.start + line.length - line.equals - 1);
    file.Set(key, CloseStoredValue(stored));
  }
  return file;
}

std::string IniFile::Serialise() const {
  // The groups in the order of their first key, each with its keys in order.
  std::vector<std::string_view> groups;
  std::unordered_map<std::string_view, std::vector<const IniEntry*>> keysOfGroup;
  for (const IniEntry& entry : m_entries) {
    std::string_view group = SplitGroup(entry.key).first;
    auto [slot, isNew] = keysOfGroup.try_emplace(group);
    if (isNew) groups.push_back(group);
    slot->second.push_back(&entry);
  }
  std::stable_partition(groups.begin(), groups.end(), [](std::string_view g) { return g.empty(); });
  std::string out;
  for (std::string_view group : groups) {
    if (!out.empty()) out += '\n';
    out += GroupHeader(group) + "\n";
    for (const IniEntry* entry : keysOfGroup[group]) {
      out += EscapeName(SplitGroup(entry->key).second) + "=" + entry->stored + "\n";
    }
  }
  return out;
}

const IniEntry* IniFile::Find(std::string_view key) const {
  auto found = m_index.find(std::string(key));
  return found == m_index.end() ? nullptr : &m_entries[found->second];
}

void IniFile::Set(std::string_view key, std::string stored) {
  auto [slot, isNew] = m_index.try_emplace(std::string(key), m_entries.size());
  if (!isNew) {
    m_entries[slot->second].stored = std::move(stored);
    return;
  }
  m_entries.push_back(IniEntry{std::string(key), std::move(stored)});
}

bool IniFile::Remove(std::string_view key) {
  auto found = m_index.find(std::string(key));
  if (found == m_index.end()) return false;
  m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(found->second));
  Reindex();
  return true;
}

size_t IniFile::RemoveBelow(std::string_view prefix) {
  std::string head = std::string(prefix) + "/";
  size_t removed =
      std::erase_if(m_entries, [&](const IniEntry& entry) { return entry.key.starts_with(head); });
  if (removed > 0) Reindex();
  return removed;
}

void IniFile::Reindex() {
  m_index.clear();
  m_index.reserve(m_entries.size());
  for (size_t i = 0; i < m_entries.size(); ++i) m_index.emplace(m_entries[i].key, i);
}

}  // namespace platform::settings
