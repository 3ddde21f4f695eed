// vlmlist as a real process: a change made while a HotSync holds the list
// waits for it and keeps what the HotSync saved; a relative path is stored
// as the absolute path the conduit can open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "file_list_lock.h"
#include "file_list_store.h"
#include "testing/temp_folder.h"

namespace store {
namespace {

// vlmlist started in `folder`, its standard error readable through a pipe.
class Vlmlist {
 public:
  Vlmlist(const std::string& folder, std::vector<std::string> arguments) {
    int errPipe[2];
    if (pipe2(errPipe, O_CLOEXEC) != 0) return;
    arguments.insert(arguments.begin(), std::string(VELLAMORE_BIN_DIR) + "/vlmlist");
    m_pid = fork();
    if (m_pid == 0) {
      std::vector<char*> argv;
      for (std::string& argument : arguments) argv.push_back(argument.data());
      argv.push_back(nullptr);
      int devNull = open("/dev/null", O_WRONLY);
      if (chdir(folder.c_str()) != 0 || dup2(devNull, 1) < 0 || dup2(errPipe[1], 2) < 0) _exit(99);
      execv(argv[0], argv.data());
      _exit(98);
    }
    close(errPipe[1]);
    m_err = errPipe[0];
  }
  ~Vlmlist() {
    if (m_pid > 0) waitpid(m_pid, nullptr, 0);
    if (m_err >= 0) close(m_err);
  }
  // Reads standard error until it holds `text`; false when vlmlist ended
  // first.
  bool WaitForError(const std::string& text) {
    char chunk[256];
    while (m_errText.find(text) == std::string::npos) {
      ssize_t n = read(m_err, chunk, sizeof chunk);
      if (n <= 0) return false;
      m_errText.append(chunk, static_cast<size_t>(n));
    }
    return true;
  }
  int ExitStatus() {
    int status = 0;
    if (m_pid <= 0 || waitpid(m_pid, &status, 0) != m_pid) return -1;
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t m_pid = -1;
  int m_err = -1;
  std::string m_errText;
};

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
  std::ofstream(dir.PathOf("report.txt")) << "report";
  const std::string storePath = FileListStore::PathIn(dir.Path());
  FileListStore hotSyncList;
  hotSyncList.Append(OneTimeEntry());
  ASSERT_EQ(hotSyncList.Save(storePath), 0);

  // A HotSync holds the list from its load to its save.
  FileListLock hotSync;
  ASSERT_EQ(hotSync.TryLock(storePath), FileListLock::Result::kLocked);
  Vlmlist add(dir.Path(), {"--data-dir", dir.Path(), "add", dir.PathOf("report.txt")});
  ASSERT_TRUE(add.WaitForError("waiting for a HotSync to finish"));
  hotSyncList.Entries()[0].action = kActionDontSend;
  ASSERT_EQ(hotSyncList.Save(storePath), 0);
  hotSync.Unlock();
  ASSERT_EQ(add.ExitStatus(), 0);

  FileListStore after;
  ASSERT_TRUE(after.Load(storePath, FileListStore::MissingStore::kZeroHeader));
  ASSERT_EQ(after.Entries().size(), 2u);
  EXPECT_EQ(after.Entries()[0].action, kActionDontSend);
  EXPECT_EQ(after.Entries()[1].path, dir.PathOf("report.txt"));
}

TEST(Vlmlist, StoresARelativePathAsAbsolute) {
  vlmtest::TempFolder dir;
  std::ofstream(dir.PathOf("notes.txt")) << "notes";
  Vlmlist add(dir.Path(), {"--data-dir", dir.Path(), "add", "./notes.txt"});
  ASSERT_EQ(add.ExitStatus(), 0);
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
    Vlmlist add(dir.Path(), {"--data-dir", dir.Path(), "add", path});
    EXPECT_TRUE(add.WaitForError("is not a file that can be read")) << path;
    EXPECT_EQ(add.ExitStatus(), 1) << path;
  }
  EXPECT_FALSE(std::ifstream(FileListStore::PathIn(dir.Path())).good());
}

}  // namespace
}  // namespace store
