// The handheld and "Vellamore.dat" agree whatever stops a HotSync: the
// process killed at chosen points, a read-only handheld image, a read-only
// data folder and a full disk. Each case runs the damaged HotSync through
// the built programs, then a complete one, and checks what the user would:
// one copy per listed file (beside the copy edited on the handheld), no
// entry lost, One Time files sent once, and every failure reported.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "testing/hotsync_world.h"
#include "testing/listed_files.h"

namespace conduit {
namespace {

namespace fs = std::filesystem;
using vlmtest::LogLine;

// A folder made read-only, or a small file system mounted on it, until the
// object goes. Read-only is a read-only bind mount for root (whom file
// modes do not stop) and the file modes otherwise; a mount needs root.
class FolderFault {
 public:
  static FolderFault ReadOnly(const std::string& folder) {
    FolderFault fault(folder);
    if (geteuid() != 0) {
      if (chmod(folder.c_str(), 0555) == 0) fault.m_kind = Kind::kModes;
    } else if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0) {
      fault.m_kind = Kind::kBindMount;
      if (mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        fault.Lift();
      }
    }
    return fault;
  }

  // A tmpfs of `bytes` on `folder`, holding a copy of what the folder held.
  static FolderFault SmallDisk(const std::string& folder, size_t bytes) {
    FolderFault fault(folder);
    const std::string options = "size=" + std::to_string(bytes);
    const std::string saved = folder + ".saved";
    fs::rename(folder, saved);
    fs::create_directory(folder);
    if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0) {
      fault.m_kind = Kind::kSmallDisk;
    }
    fs::copy(saved, folder, fs::copy_options::recursive);
    fs::remove_all(saved);
    return fault;
  }

  FolderFault(FolderFault&& other) noexcept
      : m_folder(std::move(other.m_folder)), m_kind(std::exchange(other.m_kind, Kind::kNone)) {}
  ~FolderFault() { Lift(); }

  bool Active() const { return m_kind != Kind::kNone; }

  // Ends the fault; a small disk's files are copied back to the folder.
  void Lift() {
    const Kind kind = std::exchange(m_kind, Kind::kNone);
    if (kind == Kind::kModes) chmod(m_folder.c_str(), 0755);
    if (kind == Kind::kBindMount) umount2(m_folder.c_str(), MNT_DETACH);
    if (kind != Kind::kSmallDisk) return;
    const std::string saved = m_folder + ".saved";
    fs::copy(m_folder, saved, fs::copy_options::recursive);
    umount2(m_folder.c_str(), MNT_DETACH);
    fs::remove_all(m_folder);
    fs::rename(saved, m_folder);
  }

 private:
  enum class Kind { kNone, kModes, kBindMount, kSmallDisk };

  explicit FolderFault(std::string folder) : m_folder(std::move(folder)) {}

  std::string m_folder;
  Kind m_kind = Kind::kNone;
};

class SendConsistency : public testing::Test {
 protected:
  void SetUp() override { vlmtest::ListFilesAfterAnEditedCopy(m_world); }
  void ExpectAgreement() { vlmtest::ExpectListAndHandheldAgree(m_world); }

  vlmtest::HotSyncWorld m_world;
};

// Kill points: the killed HotSync sends four files (the edited one under a
// new ID). SyncCloseDB 2 commits "VlmrFilesDB"; LogAddEntry 2 is the end
// entry, written after the last save of the list.
class KilledHotSync : public SendConsistency, public testing::WithParamInterface<const char*> {};

TEST_P(KilledHotSync, NextCompleteHotSyncLeavesOneCopyPerEntry) {
  platform::ProcessResult killed = m_world.HotSync({std::string("SYNCMGR_KILL=") + GetParam()});
  ASSERT_EQ(killed.outcome, platform::ProcessOutcome::kSignalled) << killed.standardOutput;
  ASSERT_EQ(killed.signal, SIGKILL);
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  ExpectAgreement();
}

INSTANTIATE_TEST_SUITE_P(Points, KilledHotSync,
                         testing::Values("before:SyncWriteRec:1", "before:SyncWriteRec:3",
                                         "after:SyncWriteRec:4", "before:SyncCloseDB:2",
                                         "after:SyncCloseDB:2", "before:LogAddEntry:2"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), ':', '_');
                           return name;
                         });

// A HotSync that could not complete reports it, leaves every entry to send
// again, and the next complete one agrees.
void ExpectReportedFailure(const vlmtest::HotSyncWorld& world, const std::string& warning) {
  const platform::ProcessResult run = world.HotSync();
  const std::vector<LogLine> log = world.Log();
  EXPECT_EQ(run.exitStatus, 1) << run.standardOutput << run.standardError;
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), (LogLine{"Vellamore", 21}));
  EXPECT_NE(std::find(log.begin(), log.end(), LogLine{warning, 22}), log.end()) << warning;
}

TEST_F(SendConsistency, ReadOnlyImageFailsTheHotSyncAndSendsAgainLater) {
  FolderFault readOnly = FolderFault::ReadOnly(m_world.Image().Folder());
  if (!readOnly.Active()) GTEST_SKIP() << "the image folder could not be made read-only";
  ExpectReportedFailure(m_world, "SyncCloseDB failed");
  EXPECT_EQ(m_world.LoadStore().Entries()[2].action, store::kActionOneTime);
  readOnly.Lift();
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  ExpectAgreement();
}

TEST_F(SendConsistency, ReadOnlyDataFolderFailsTheHotSyncAndSendsAgainLater) {
  FolderFault readOnly = FolderFault::ReadOnly(m_world.DataFolder());
  if (!readOnly.Active()) GTEST_SKIP() << "the data folder could not be made read-only";
  ExpectReportedFailure(m_world, "Couldn't save the file list");
  readOnly.Lift();
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  ExpectAgreement();
}

TEST_F(SendConsistency, FullDiskUnderTheImageFailsTheHotSyncAndSendsAgainLater) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  // Room for the image as it is, not for a files database grown by 60,000
  // bytes.
  m_world.WritePcFile("always.txt", std::string(60000, 'x'));
  FolderFault smallDisk = FolderFault::SmallDisk(m_world.Image().Folder(), 32 * 1024);
  if (!smallDisk.Active()) GTEST_SKIP() << "a tmpfs could not be mounted";
  ExpectReportedFailure(m_world, "SyncCloseDB failed");
  smallDisk.Lift();
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  ExpectAgreement();
}

}  // namespace
}  // namespace conduit
