// Reading and writing "conduits.ini".
#include "conduit_registry.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>

#include "common/hotsync_home.h"
#include "fs/fs.h"

namespace hotsync {
namespace {

constexpr char kLibraryKey[] = "Library";
constexpr char kNameKey[] = "Name";
constexpr char kSyncTypeKey[] = "SyncType";
constexpr char kNextSyncTypeKey[] = "NextSyncType";

std::string_view TrimLineEnd(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
    line.remove_suffix(1);
  }
  return line;
}

std::optional<int32_t> ParseSyncType(std::string_view text) {
  int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !IsValidSyncType(value)) {
    return std::nullopt;
  }
  return value;
}

// Applies one "key=value" line to `registration`; unknown keys and bad
// values are skipped.
void ApplyKey(ConduitRegistration& registration, std::string_view key, std::string_view value) {
  if (key == kLibraryKey) {
    registration.library = std::string(value);
  } else if (key == kNameKey) {
    registration.name = std::string(value);
  } else if (key == kSyncTypeKey) {
    if (auto type = ParseSyncType(value)) registration.syncType = *type;
  } else if (key == kNextSyncTypeKey) {
    registration.nextSyncType = ParseSyncType(value);
  }
}

}  // namespace

bool IsValidCreator(std::string_view creator) {
  return creator.size() == 4 && std::all_of(creator.begin(), creator.end(), [](char c) {
           return c >= ' ' && c <= '~' && c != '[' && c != ']';
         });
}

bool IsValidSyncType(int32_t syncType) {
  return syncType >= kLowestSyncType && syncType <= kHighestSyncType;
}

ConduitRegistry ConduitRegistry::Parse(std::string_view text) {
  ConduitRegistry registry;
  ConduitRegistration* current = nullptr;
  bool skipping = true;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = TrimLineEnd(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      std::string_view creator = line.substr(1, line.size() - 2);
      skipping = !IsValidCreator(creator) || registry.Find(creator) != nullptr;
      if (!skipping) {
        registry.m_registrations.push_back({std::string(creator), {}, {}, 0, std::nullopt});
        current = &registry.m_registrations.back();
      }
      continue;
    }
    const size_t equals = line.find('=');
    if (skipping || current == nullptr || equals == std::string_view::npos) continue;
    ApplyKey(*current, line.substr(0, equals), line.substr(equals + 1));
  }
  return registry;
}

std::string ConduitRegistry::Serialize() const {
  std::string text = "# HotSync conduit registrations; written by condmgr.so.\n";
  for (const ConduitRegistration& registration : m_registrations) {
    text += "\n[" + registration.creator + "]\n";
    text += std::string(kLibraryKey) + "=" + registration.library + "\n";
    text += std::string(kNameKey) + "=" + registration.name + "\n";
    text += std::string(kSyncTypeKey) + "=" + std::to_string(registration.syncType) + "\n";
    if (registration.nextSyncType) {
      text +=
          std::string(kNextSyncTypeKey) + "=" + std::to_string(*registration.nextSyncType) + "\n";
    }
  }
  return text;
}

ConduitRegistration* ConduitRegistry::Find(std::string_view creator) {
  auto found = std::find_if(m_registrations.begin(), m_registrations.end(),
                            [&](const ConduitRegistration& r) { return r.creator == creator; });
  return found == m_registrations.end() ? nullptr : &*found;
}

void ConduitRegistry::Add(std::string_view creator, std::string_view library) {
  if (ConduitRegistration* existing = Find(creator)) {
    existing->library = std::string(library);
    return;
  }
  m_registrations.push_back({std::string(creator), std::string(library), {}, 0, std::nullopt});
}

bool ConduitRegistry::Remove(std::string_view creator) {
  const size_t before = m_registrations.size();
  std::erase_if(m_registrations,
                [&](const ConduitRegistration& r) { return r.creator == creator; });
  return m_registrations.size() != before;
}

std::optional<ConduitRegistry> LoadRegistry(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 && errno == ENOENT) return ConduitRegistry();
  std::optional<std::vector<uint8_t>> bytes = platform::ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return ConduitRegistry::Parse(
      std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

int SaveRegistry(const std::string& path, const ConduitRegistry& registry) {
  if (int error = MakeFolders(platform::FolderOfPath(path)); error != 0) return error;
  const std::string text = registry.Serialize();
  return platform::WriteFileAtomically(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace hotsync
