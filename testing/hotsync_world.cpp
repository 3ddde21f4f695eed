// Test support for end-to-end tests through the built programs.
#include "testing/hotsync_world.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "handheld_records.h"  // records/
#include "settings/settings.h"

namespace vlmtest {

namespace fs = std::filesystem;

namespace {

constexpr char kDirectoriesKey[] = "Software\\Olvenmark\\Vellamore\\Directories";
constexpr char kParametersKey[] = "Software\\Olvenmark\\Vellamore\\Parameters";
constexpr auto kProgramTimeLimit = std::chrono::seconds(120);

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

HotSyncWorld::HotSyncWorld(const std::string& userName)
    : m_userName(userName), m_image(m_folder.PathOf("image")) {
  // The programs and the settings calls of this process share the world's
  // folders, never the user's own.
  for (const auto& [name, folder] :
       std::vector<std::pair<std::string, std::string>>{{"HOTSYNC_HOME", "/hotsync"},
                                                        {"XDG_CONFIG_HOME", "/config"},
                                                        {"XDG_RUNTIME_DIR", "/run"}}) {
    fs::create_directories(Root() + folder);
    chmod((Root() + folder).c_str(), 0700);
    m_environment.push_back(std::make_unique<ScopedEnv>(name, Root() + folder));
  }
  fs::create_directories(PcFolder());
  fs::create_directories(DataFolder());
  EXPECT_EQ(platform::settings::SetValue(kDirectoriesKey, "DataDir", DataFolder()), 0);
  auto registered = Run({Program("condcfg"), "add", "Vlmr", Program("VellamoreCnd.so")});
  EXPECT_TRUE(registered.Succeeded()) << registered.standardError;
  Handheld("create", {"--user", userName});
}

HotSyncWorld::~HotSyncWorld() = default;

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
  fs::remove(Root() + "/hotsync/" + m_userName + "/HotSync.log");
  return Run({Program("hotsync"), "sync", m_image.Folder()}, extraEnvironment);
}

std::vector<LogLine> HotSyncWorld::Log() const {
  return ReadLogFile(Root() + "/hotsync/" + m_userName + "/HotSync.log");
}

uint8_t HotSyncWorld::Request() const {
  platform::pdb::AppPreference preference;
  EXPECT_EQ(m_image.ReadPreference(records::kCreatorId, 0, true, &preference),
            platform::pdb::ImageError::kNone);
  return preference.data.size() > 0 ? preference.data[0] : 0;
}

uint8_t HotSyncWorld::Status() const {
  platform::pdb::AppPreference preference;
  EXPECT_EQ(m_image.ReadPreference(records::kCreatorId, 0, true, &preference),
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

void UseCaptureProgramForMailAndFax(const std::string& folder) {
  const std::string script = folder + "/capture.sh";
  const std::string capture = folder + "/capture";
  std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << capture << ".args'\ncat > '"
                        << capture << ".stdin'\n";
  chmod(script.c_str(), 0755);
  EXPECT_EQ(platform::settings::SetValue(kParametersKey, "MailProgram", script), 0);
  EXPECT_EQ(platform::settings::SetValue(kParametersKey, "FaxProgram", script), 0);
}

}  // namespace vlmtest
