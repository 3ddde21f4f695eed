// The folder walk: one listing per folder, depth first, with the text test
// sharing one read buffer across every file it opens.
#include "search/folder_walk.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <set>
#include <utility>

#include "fs/fs.h"
#include "search/text_search.h"

namespace conduit::search {
namespace {

using FolderIdentity = std::pair<dev_t, ino_t>;

// The folder as the file system knows it, links followed.
std::optional<FolderIdentity> IdentityOf(const std::string& folder) {
  struct stat status {};
  if (stat(folder.empty() ? "/" : folder.c_str(), &status) != 0) return std::nullopt;
  return FolderIdentity{status.st_dev, status.st_ino};
}

// Folders of the kernel's own making: endless, or changing as they are
// read, and holding no user's documents.
constexpr const char* kSystemFolders[] = {"/proc", "/sys", "/dev"};

bool IsInside(const std::string& path, std::string_view folder) {
  return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

// The folder with links and "." and ".." resolved; as given when that fails.
std::string CanonicalFolder(const std::string& folder) {
  std::error_code error;
  std::filesystem::path canonical =
      std::filesystem::weakly_canonical(folder.empty() ? "/" : folder, error);
  return error ? folder : canonical.string();
}

class Walker {
 public:
  Walker(const WalkRequest& request, std::vector<std::string>& results)
      : m_request(request), m_results(results) {
    if (request.text) m_matcher.emplace(*request.text);
    // A search that starts inside a system folder may walk it; no other
    // search enters one, not even through a link.
    const std::string start = CanonicalFolder(request.folder);
    for (const char* system : kSystemFolders) {
      if (IsInside(start, system)) continue;
      if (std::optional<FolderIdentity> identity = IdentityOf(system)) m_entered.insert(*identity);
    }
  }

  void Walk(const std::string& folder) {
    // Each folder once per search, however many links lead to it: a folder
    // reached again would be walked again with all below it, for ever
    // around a loop of links and exponentially often in a maze of them.
    std::optional<FolderIdentity> identity = IdentityOf(folder);
    if (!identity || !m_entered.insert(*identity).second) return;

    std::vector<platform::DirectoryEntry> entries = platform::ListDirectory(folder, "*");
    for (const auto& entry : entries) {
      if (entry.isDirectory || !platform::WildcardMatch(m_request.pattern, entry.name)) continue;
      std::string path = JoinPath(folder, entry.name);
      if (m_matcher && !m_matcher->FileContains(path)) continue;
      m_results.push_back(std::move(path));
    }
    if (!m_request.includeSubFolders) return;

    if (m_request.yield) m_request.yield();
    for (const auto& entry : entries) {
      if (entry.isDirectory) Walk(JoinPath(folder, entry.name));
    }
  }

 private:
  const WalkRequest& m_request;
  std::vector<std::string>& m_results;
  std::optional<TextMatcher> m_matcher;
  std::set<FolderIdentity> m_entered;  // the system folders count as entered
};

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).append("/").append(name);
  return path;
}

void WalkFolder(const WalkRequest& request, std::vector<std::string>& results) {
  // A pattern that no name can match finds nothing here or below.
  if (request.pattern.empty()) return;
  Walker walker(request, results);
  walker.Walk(request.folder);
}

}  // namespace conduit::search
