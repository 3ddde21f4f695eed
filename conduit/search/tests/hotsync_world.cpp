// Test support for end-to-end tests through the built programs.
#include "hotsync_world.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "handheld_records.h"  // records/
#include "settings/settings.h"

namespace conduit::test {

namespace fs = std::filesystem;

namespace {

constexpr char kDirectoriesKey[] = "Software\\Olvenmark\\Vellamore\\Directories";
constexpr char kParametersKey[] = "Software\\Olvenmark\\Vellamore\\Parameters";
constexpr auto kProgramTimeLimit = std::chrono::seconds(120);

std::string MakeTemporaryFolder() {
  char pattern[] = "/tmp/vlm-world-XXXXXX";
  return mkdtemp(pattern) != nullptr ? pattern : "";
}

std::string Program(const std::string& name) {
  return std::string(VELLAMORE_BIN_DIR) + "/" + name;
}

platform::ProcessResult Run(const std::vector<std::string>& argv,
                            const std::vector<std::string>& extraEnvironment = {}) {
  platform::ProcessOptions options;
  options.timeLimit = kProgramTimeLimit;
  options.extraEnvironment = extraEnvironment;
  return platform::RunProcess(argv, options);
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

HotSyncWorld::HotSyncWorld(const std::string& userName)
    : m_root(MakeTemporaryFolder()), m_userName(userName), m_image(m_root + "/image") {
  EXPECT_FALSE(m_root.empty());
  // The programs and the settings calls of this process share the world's
  // folders, never the user's own.
  for (const auto& [name, folder] :
       std::vector<std::pair<std::string, std::string>>{{"HOTSYNC_HOME", "/hotsync"},
                                                        {"XDG_CONFIG_HOME", "/config"},
                                                        {"XDG_RUNTIME_DIR", "/run"}}) {
    const char* old = std::getenv(name.c_str());
    m_savedEnvironment.emplace_back(name, old != nullptr ? old : "");
    fs::create_directories(m_root + folder);
    chmod((m_root + folder).c_str(), 0700);
    setenv(name.c_str(), (m_root + folder).c_str(), 1);
  }
  fs::create_directories(PcFolder());
  fs::create_directories(DataFolder());
  EXPECT_EQ(platform::settings::SetValue(kDirectoriesKey, "DataDir", DataFolder()), 0);
  auto registered = Run({Program("condcfg"), "add", "Vlmr", Program("VellamoreCnd.so")});
  EXPECT_TRUE(registered.Succeeded()) << registered.standardError;
  Handheld("create", {"--user", userName});
}

HotSyncWorld::~HotSyncWorld() {
  for (const auto& [name, value] : m_savedEnvironment) {
    if (value.empty()) {
      unsetenv(name.c_str());
    } else {
      setenv(name.c_str(), value.c_str(), 1);
    }
  }
  if (!m_root.empty()) fs::remove_all(m_root);
}

std::string HotSyncWorld::WritePcFile(const std::string& relative,
                                      const std::string& content) const {
  fs::path path = fs::path(PcFolder()) / relative;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return path.string();
}

platform::ProcessResult HotSyncWorld::Handheld(const std::string& command,
                                               const std::vector<std::string>& arguments) const {
  std::vector<std::string> argv = {Program("handheld"), command, m_image.Folder()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  platform::ProcessResult result = Run(argv);
  EXPECT_TRUE(result.Succeeded()) << "handheld " << command << ": " << result.standardError;
  return result;
}

platform::ProcessResult HotSyncWorld::HotSync(
    const std::vector<std::string>& extraEnvironment) const {
  fs::remove(m_root + "/hotsync/" + m_userName + "/HotSync.log");
  return Run({Program("hotsync"), "sync", m_image.Folder()}, extraEnvironment);
}

std::vector<LogLine> HotSyncWorld::Log() const {
  std::vector<LogLine> lines;
  std::istringstream log(ReadTextFile(m_root + "/hotsync/" + m_userName + "/HotSync.log"));
  std::string line;
  while (std::getline(log, line)) {
    // <time> TAB <activity> TAB <text>
    const size_t first = line.find('\t');
    const size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos) continue;
    lines.push_back(
        {line.substr(second + 1), std::atoi(line.substr(first + 1, second - first - 1).c_str())});
  }
  return lines;
}

uint8_t HotSyncWorld::Request() const {
  platform::pdb::AppPreference preference;
  EXPECT_EQ(m_image.ReadPreference(kCreatorId, 0, true, &preference),
            platform::pdb::ImageError::kNone);
  return preference.data.size() > 0 ? preference.data[0] : 0;
}

uint8_t HotSyncWorld::Status() const {
  platform::pdb::AppPreference preference;
  EXPECT_EQ(m_image.ReadPreference(kCreatorId, 0, true, &preference),
            platform::pdb::ImageError::kNone);
  return preference.data.size() > 1 ? preference.data[1] : 0;
}

store::FileListStore HotSyncWorld::LoadStore() const {
  store::FileListStore list;
  EXPECT_TRUE(list.Load(store::FileListStore::PathIn(DataFolder()),
                        store::FileListStore::MissingStore::kZeroHeader));
  return list;
}

void HotSyncWorld::SaveStore(const store::FileListStore& list) const {
  ASSERT_EQ(list.Save(store::FileListStore::PathIn(DataFolder())), 0);
}

void HotSyncWorld::UseCaptureProgramForMailAndFax() const {
  const std::string script = m_root + "/capture.sh";
  std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << CaptureFile()
                        << ".args'\ncat > '" << CaptureFile() << ".stdin'\n";
  chmod(script.c_str(), 0755);
  EXPECT_EQ(platform::settings::SetValue(kParametersKey, "MailProgram", script), 0);
  EXPECT_EQ(platform::settings::SetValue(kParametersKey, "FaxProgram", script), 0);
}

}  // namespace conduit::test
