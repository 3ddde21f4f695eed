// vlmlist as a real process: a change made while a HotSync holds the list
// waits for it and keeps what the HotSync saved; a relative path is stored
// as the absolute path the conduit can open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "file_list_lock.h"
#include "file_list_store.h"
#include "testing/files.h"
#include "testing/run_program.h"
#include "testing/temp_folder.h"

namespace store {
namespace {

// vlmlist run in `folder` with `arguments`.
std::unique_ptr<vlmtest::RunningProgram> Vlmlist(const std::string& folder,
                                                 std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), vlmtest::BinPath("vlmlist"));
  return std::make_unique<vlmtest::RunningProgram>(arguments, std::vector<std::string>{}, folder);
}

FileListEntry OneTimeEntry() {
  FileListEntry entry;
  entry.id = 7;
  entry.title = "sent.txt";
  entry.path = "/somewhere/sent.txt";
  entry.action = kActionOneTime;
  return entry;
}

TEST(Vlmlist, AddDuringAHotSyncWaitsAndKeepsWhatTheHotSyncSaved) {
  vlmtest::TempFolder dir;
  vlmtest::WriteFile(dir.PathOf("report.txt"), "report");
  const std::string storePath = FileListStore::PathIn(dir.Path());
  FileListStore hotSyncList;
  hotSyncList.Append(OneTimeEntry());
  ASSERT_EQ(hotSyncList.Save(storePath), 0);

  // A HotSync holds the list from its load to its save.
  FileListLock hotSync;
  ASSERT_EQ(hotSync.TryLock(storePath), FileListLock::Result::kLocked);
  auto add = Vlmlist(dir.Path(), {"--data-dir", dir.Path(), "add", dir.PathOf("report.txt")});
  ASSERT_TRUE(add->ReadErrorUntil("waiting for a HotSync to finish"));
  hotSyncList.Entries()[0].action = kActionDontSend;
  ASSERT_EQ(hotSyncList.Save(storePath), 0);
  hotSync.Unlock();
  ASSERT_EQ(add->Wait().exitStatus, 0);

  FileListStore after;
  ASSERT_TRUE(after.Load(storePath, FileListStore::MissingStore::kZeroHeader));
  ASSERT_EQ(after.Entries().size(), 2u);
  EXPECT_EQ(after.Entries()[0].action, kActionDontSend);
  EXPECT_EQ(after.Entries()[1].path, dir.PathOf("report.txt"));
}

TEST(Vlmlist, StoresARelativePathAsAbsolute) {
  vlmtest::TempFolder dir;
  vlmtest::WriteFile(dir.PathOf("notes.txt"), "notes");
  ASSERT_EQ(
      Vlmlist(dir.Path(), {"--data-dir", dir.Path(), "add", "./notes.txt"})->Wait().exitStatus, 0);
  FileListStore after;
  ASSERT_TRUE(
      after.Load(FileListStore::PathIn(dir.Path()), FileListStore::MissingStore::kZeroHeader));
  ASSERT_EQ(after.Entries().size(), 1u);
  EXPECT_EQ(after.Entries()[0].path, dir.PathOf("notes.txt"));
  EXPECT_EQ(after.Entries()[0].title, "notes.txt");
}

TEST(Vlmlist, RefusesWhatIsNotARegularFile) {
  vlmtest::TempFolder dir;
  ASSERT_EQ(mkfifo(dir.PathOf("pipe.txt").c_str(), 0600), 0);
  ASSERT_EQ(mkdir(dir.PathOf("folder.txt").c_str(), 0700), 0);
  for (const std::string& path : {dir.PathOf("pipe.txt"), dir.PathOf("folder.txt"),
                                  std::string("/dev/null"), dir.PathOf("missing.txt")}) {
    auto add = Vlmlist(dir.Path(), {"--data-dir", dir.Path(), "add", path});
    EXPECT_TRUE(add->ReadErrorUntil("is not a file that can be read")) << path;
    EXPECT_EQ(add->Wait().exitStatus, 1) << path;
  }
  EXPECT_FALSE(vlmtest::FileExists(FileListStore::PathIn(dir.Path())));
}

}  // namespace
}  // namespace store
