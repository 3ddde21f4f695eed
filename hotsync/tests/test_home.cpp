// Temporary folders and files for the HotSync tests.
#include "test_home.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace hotsync::testing {

TemporaryFolder::TemporaryFolder() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/hotsync-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_path = buffer.data();
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

ScopedHotSyncHome::ScopedHotSyncHome() {
  if (const char* previous = std::getenv("HOTSYNC_HOME")) {
    m_previous = previous;
    m_hadPrevious = true;
  }
  setenv("HOTSYNC_HOME", m_folder.Path().c_str(), 1);
}

ScopedHotSyncHome::~ScopedHotSyncHome() {
  if (m_hadPrevious) {
    setenv("HOTSYNC_HOME", m_previous.c_str(), 1);
  } else {
    unsetenv("HOTSYNC_HOME");
  }
}

void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void WriteBytesFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

void MakeFolder(const std::string& path) {
  std::filesystem::create_directories(path);
}

}  // namespace hotsync::testing
