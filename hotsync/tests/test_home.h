// Test helpers: a temporary HotSync data folder that the process's
// HOTSYNC_HOME points at for one test, and small file helpers.
#pragma once

#include <string>
#include <vector>

namespace hotsync::testing {

// Makes a fresh folder under the system's temporary folder and removes it
// with everything in it when destroyed.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// A temporary folder set as HOTSYNC_HOME while it lives.
class ScopedHotSyncHome {
 public:
  ScopedHotSyncHome();
  ~ScopedHotSyncHome();

  const std::string& Path() const { return m_folder.Path(); }

 private:
  TemporaryFolder m_folder;
  std::string m_previous;
  bool m_hadPrevious = false;
};

void WriteTextFile(const std::string& path, const std::string& text);
void WriteBytesFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);
void MakeFolder(const std::string& path);

}  // namespace hotsync::testing
