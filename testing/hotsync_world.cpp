// Test support for end-to-end tests through the built programs.
#include "testing/hotsync_world.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "handheld_records.h"  // records/
#include "program_names.h"     // store/
#include "testing/run_program.h"

namespace vlmtest {

namespace {

constexpr auto kProgramTimeLimit = std::chrono::seconds(120);

platform::ProcessResult Run(const std::vector<std::string>& argv,
                            const std::vector<std::string>& extraEnvironment = {}) {
  platform::ProcessOptions options;
  options.timeLimit = kProgramTimeLimit;
  options.extraEnvironment = extraEnvironment;
  return platform::RunProcess(argv, options);
}

// The byte of the request preference at `offset`; 0 when it is shorter.
uint8_t PreferenceByte(const HandheldHome& home, size_t offset) {
  const auto preference = home.RequestPreference();
  EXPECT_TRUE(preference.has_value()) << "no request preference";
  return preference && preference->data.size() > offset ? preference->data[offset] : 0;
}

}  // namespace

HotSyncWorld::HotSyncWorld(const std::string& userName) : m_userName(userName) {
  std::filesystem::create_directories(DataFolder());
  SetDataDirSetting(DataFolder());
  auto registered =
      Run({BinPath("condcfg"), "add", store::kCreatorIdText, BinPath(store::kConduitFileName)});
  EXPECT_TRUE(registered.Succeeded()) << registered.standardError;
  Handheld("create", {"--user", userName});
}

HotSyncWorld::~HotSyncWorld() = default;

platform::ProcessResult HotSyncWorld::Handheld(const std::string& command,
                                               const std::vector<std::string>& arguments) const {
  std::vector<std::string> argv = {BinPath("handheld"), command, Image().Folder()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  platform::ProcessResult result = Run(argv);
  EXPECT_TRUE(result.Succeeded()) << "handheld " << command << ": " << result.standardError;
  return result;
}

platform::ProcessResult HotSyncWorld::HotSync(const std::vector<std::string>& extraEnvironment,
                                              const std::vector<std::string>& options) const {
  std::filesystem::remove(LogPath());
  std::vector<std::string> argv = {BinPath("hotsync"), "sync", Image().Folder()};
  argv.insert(argv.end(), options.begin(), options.end());
  return Run(argv, extraEnvironment);
}

NetworkHotSyncResult HotSyncWorld::NetworkHotSync(const std::vector<std::string>& connectOptions,
                                                  const std::vector<std::string>& listenOptions,
                                                  const LinkChoice& link) const {
  std::filesystem::remove(LogPath());
  return RunNetworkHotSync(Image().Folder(), connectOptions, listenOptions, link);
}

void HotSyncWorld::InstallHandheldApplication() const {
  platform::pdb::PalmDatabase application;
  application.name = "Vellamore";
  application.attributes = platform::pdb::kDbAttrResource;
  application.type = platform::pdb::FourCC("appl");
  application.creator = records::kCreatorId;
  application.resources.push_back({platform::pdb::FourCC("code"), 1, {0x4E, 0x75}});
  PutDatabase(application);
}

std::vector<LogLine> HotSyncWorld::Log() const {
  return ReadLogFile(LogPath());
}

std::string HotSyncWorld::LogPath() const {
  return Home().HotSyncHome() + "/" + m_userName + "/HotSync.log";
}

uint8_t HotSyncWorld::Request() const {
  return PreferenceByte(*this, 0);
}

uint8_t HotSyncWorld::Status() const {
  return PreferenceByte(*this, 1);
}

void HotSyncWorld::EditOnHandheld(size_t index, const std::string& content) const {
  const std::string file = Home().PathOf("edited-content.txt");
  WriteFile(file, content);
  Handheld("edit", {std::to_string(index), "--content", file});
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

store::FileListEntry& HotSyncWorld::AddPcFile(store::FileListStore& list, const std::string& name,
                                              uint16_t action, const std::string& user) const {
  store::FileListEntry entry;
  entry.id = static_cast<uint16_t>(1000 + list.Entries().size());
  entry.title = name;
  entry.path = WritePcFile(name, "The file " + name + "\n");
  entry.user = user;
  entry.kind = store::kPcFile;
  entry.format = store::kFormatHandheld;
  entry.action = action;
  entry.changed = 1;
  list.Append(entry);
  return list.Entries().back();
}

}  // namespace vlmtest
