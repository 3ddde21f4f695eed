// FileListLock between real processes and between two holders in one
// process, through a symbolic link, and where no lock can be had.
#include "file_list_lock.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "testing/temp_folder.h"

namespace store {
namespace {

using Result = FileListLock::Result;

// A child process that takes the lock, reports it on a pipe, and lets it go
// when told on another pipe.
class LockingChild {
 public:
  explicit LockingChild(const std::string& storePath) {
    if (pipe(m_locked) != 0 || pipe(m_release) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
      FileListLock lock;
      char signal = lock.Lock(storePath) == Result::kLocked ? 'L' : 'F';
      (void)!write(m_locked[1], &signal, 1);
      (void)!read(m_release[0], &signal, 1);
      _exit(0);
    }
  }
  ~LockingChild() {
    Release();
    if (m_pid > 0) waitpid(m_pid, nullptr, 0);
    for (int fd : {m_locked[0], m_locked[1], m_release[0], m_release[1]}) close(fd);
  }
  bool WaitUntilLocked() {
    char signal = 0;
    return m_pid > 0 && read(m_locked[0], &signal, 1) == 1 && signal == 'L';
  }
  void Release() { (void)!write(m_release[1], "R", 1); }

 private:
  pid_t m_pid = -1;
  int m_locked[2] = {-1, -1};
  int m_release[2] = {-1, -1};
};

TEST(FileListLock, AnotherProcessHoldsItUntilItLetsGo) {
  vlmtest::TempFolder dir;
  std::string store = dir.PathOf("Vellamore.dat");
  LockingChild child(store);
  ASSERT_TRUE(child.WaitUntilLocked());

  FileListLock lock;
  EXPECT_EQ(lock.TryLock(store), Result::kHeldElsewhere);
  EXPECT_FALSE(lock.IsLocked());
  int waits = 0;
  EXPECT_EQ(lock.Lock(store,
                      [&] {
                        ++waits;
                        child.Release();
                      }),
            Result::kLocked);
  EXPECT_EQ(waits, 1);
  EXPECT_TRUE(lock.IsLocked());
  EXPECT_TRUE(std::filesystem::exists(dir.PathOf(".Vellamore.dat.lock")));
}

TEST(FileListLock, LinkAndRealFileShareOneLockInOneProcess) {
  vlmtest::TempFolder dir;
  std::filesystem::create_directory(dir.PathOf("real"));
  std::filesystem::create_symlink("real/Vellamore.dat", dir.PathOf("Vellamore.dat"));

  FileListLock throughLink;
  ASSERT_EQ(throughLink.TryLock(dir.PathOf("Vellamore.dat")), Result::kLocked);
  EXPECT_TRUE(std::filesystem::exists(dir.PathOf("real/.Vellamore.dat.lock")));
  FileListLock direct;
  EXPECT_EQ(direct.TryLock(dir.PathOf("real/Vellamore.dat")), Result::kHeldElsewhere);

  FileListLock moved = std::move(throughLink);
  EXPECT_EQ(direct.TryLock(dir.PathOf("real/Vellamore.dat")), Result::kHeldElsewhere);
  moved.Unlock();
  EXPECT_EQ(direct.TryLock(dir.PathOf("real/Vellamore.dat")), Result::kLocked);
}

TEST(FileListLock, AFolderThatCannotHoldTheLockFileFailsWithoutWaiting) {
  vlmtest::TempFolder dir;
  FileListLock lock;
  bool waited = false;
  EXPECT_EQ(lock.Lock(dir.PathOf("missing/Vellamore.dat"), [&] { waited = true; }),
            Result::kFailed);
  EXPECT_EQ(lock.Error(), ENOENT);
  EXPECT_FALSE(waited);
  EXPECT_FALSE(lock.IsLocked());
}

}  // namespace
}  // namespace store
