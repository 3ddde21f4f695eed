// The folder walk: one listing per folder, depth first, with the text test
// sharing one read buffer across every file it opens.
#include "search/folder_walk.h"

#include <sys/stat.h>

#include <utility>

#include "fs/fs.h"
#include "search/text_search.h"

namespace conduit::search {
namespace {

class Walker {
 public:
  Walker(const WalkRequest& request, std::vector<std::string>& results)
      : m_request(request), m_results(results) {
    if (request.text) m_matcher.emplace(*request.text);
  }

  void Walk(const std::string& folder) {
    // Identify the folder as the file system does, so that a link back to a
    // folder already on the way down ends the descent instead of looping.
    struct stat status {};
    if (stat(folder.empty() ? "/" : folder.c_str(), &status) != 0) return;
    std::pair<dev_t, ino_t> identity{status.st_dev, status.st_ino};
    for (const auto& ancestor : m_ancestors) {
      if (ancestor == identity) return;
    }

    std::vector<platform::DirectoryEntry> entries = platform::ListDirectory(folder, "*");
    for (const auto& entry : entries) {
      if (entry.isDirectory || !platform::WildcardMatch(m_request.pattern, entry.name)) continue;
      std::string path = JoinPath(folder, entry.name);
      if (m_matcher && !m_matcher->FileContains(path)) continue;
      m_results.push_back(std::move(path));
    }
    if (!m_request.includeSubFolders) return;

    if (m_request.yield) m_request.yield();
    m_ancestors.push_back(identity);
    for (const auto& entry : entries) {
      if (entry.isDirectory) Walk(JoinPath(folder, entry.name));
    }
    m_ancestors.pop_back();
  }

 private:
  const WalkRequest& m_request;
  std::vector<std::string>& m_results;
  std::optional<TextMatcher> m_matcher;
  std::vector<std::pair<dev_t, ino_t>> m_ancestors;
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
