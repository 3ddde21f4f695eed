// The conduit registrations as values, and their file "conduits.ini":
//
//   [Vlmr]
//   Library=/opt/palm/VellamoreCnd.so
//   Name=Vellamore
//   SyncType=0
//   NextSyncType=2
//
// one section per creator ID in registration order. The file is rewritten
// whole through a temporary file and a rename. Reading is forgiving: lines
// it does not understand, sections with a bad creator ID and repeated
// sections are skipped, so a damaged file still yields what it can.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hotsync {

struct ConduitRegistration {
  std::string creator;
  std::string library;
  std::string name;
  int32_t syncType = 0;
  std::optional<int32_t> nextSyncType;
};

constexpr int32_t kLowestSyncType = 0;
constexpr int32_t kHighestSyncType = 6;

// Four characters from space to '~', without '[' and ']'.
bool IsValidCreator(std::string_view creator);
bool IsValidSyncType(int32_t syncType);

class ConduitRegistry {
 public:
  static ConduitRegistry Parse(std::string_view text);
  std::string Serialize() const;

  const std::vector<ConduitRegistration>& Registrations() const { return m_registrations; }
  ConduitRegistration* Find(std::string_view creator);
  // Adds a registration, or sets the library of an existing one.
  void Add(std::string_view creator, std::string_view library);
  bool Remove(std::string_view creator);

 private:
  std::vector<ConduitRegistration> m_registrations;
};

// Reads the registry at `path`; a missing file is an empty registry.
// Nothing when the file exists but cannot be read.
std::optional<ConduitRegistry> LoadRegistry(const std::string& path);
// Writes the registry, creating its folder. Returns 0 or an errno.
int SaveRegistry(const std::string& path, const ConduitRegistry& registry);

}  // namespace hotsync
