// LibreOffice for the tests: documents it makes, a stalling one, and the
// office processes still running.
#include "testing/office_documents.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "process/process_runner.h"
#include "testing/files.h"

namespace vlmtest {

bool HaveLibreOffice() {
  return platform::RunProcess({"sh", "-c", "command -v soffice"}).Succeeded();
}

void ConvertWithLibreOffice(const TempFolder& folder, const std::string& format,
                            const std::vector<std::string>& sources) {
  std::vector<std::string> argv = {"soffice",    "-env:UserInstallation=file://" + folder / "maker",
                                   "--headless", "--convert-to",
                                   format,       "--outdir",
                                   folder.Path()};
  for (const std::string& source : sources) argv.push_back(folder / source);
  platform::ProcessOptions options;
  options.timeLimit = std::chrono::minutes(2);
  const platform::ProcessResult made = platform::RunProcess(argv, options);
  ASSERT_TRUE(made.Succeeded()) << platform::DescribeProcessResult(made) << made.standardError;
}

void WriteStallingOffice(const TempFolder& folder, const std::string& stalled) {
  // The real LibreOffice runs as a child, so that it ends as it would; a
  // thread watches the document through inotify and stops the group.
  std::string realPath = platform::RunProcess({"sh", "-c", "command -v soffice"}).standardOutput;
  while (!realPath.empty() && realPath.back() == '\n') realPath.pop_back();
  WriteFile(folder / "soffice",
            "#!/usr/bin/python3\n"
            "import ctypes, os, signal, sys, threading\n"
            "libc = ctypes.CDLL(None, use_errno=True)\n"
            "watch = libc.inotify_init()\n"
            "libc.inotify_add_watch(watch, b'" +
                stalled +
                "', 0x20)  # IN_OPEN\n"
                "def stall():\n"
                "    os.read(watch, 4096)\n"
                "    os.killpg(0, signal.SIGSTOP)\n"
                "threading.Thread(target=stall, daemon=True).start()\n"
                "child = os.fork()\n"
                "if child == 0:\n"
                "    os.execv('" +
                realPath +
                "', ['soffice'] + sys.argv[1:])\n"
                "_, status = os.waitpid(child, 0)\n"
                "sys.exit(os.waitstatus_to_exitcode(status) & 0xFF)\n");
  chmod((folder / "soffice").c_str(), 0755);
}

void AdoptOrphans() {
  prctl(PR_SET_CHILD_SUBREAPER, 1);
}

namespace {

struct ProcessStat {
  std::string name;
  std::string state;
  int parent = 0;
};

ProcessStat StatOf(int pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  ProcessStat read;
  std::string pidText;
  stat >> pidText >> read.name >> read.state >> read.parent;
  return read;
}

bool DescendsFromUs(int pid) {
  for (int depth = 0; pid > 1 && depth < 64; ++depth) {
    pid = StatOf(pid).parent;
    if (pid == getpid()) return true;
  }
  return false;
}

}  // namespace

std::vector<int> RunningOfficeProcesses() {
  std::vector<int> running;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return running;
  while (const dirent* entry = readdir(proc)) {
    const int pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    const ProcessStat stat = StatOf(pid);
    if (stat.state != "Z" && (stat.name == "(vlmoffice)" || stat.name == "(soffice.bin)") &&
        DescendsFromUs(pid)) {
      running.push_back(pid);
    }
  }
  closedir(proc);
  return running;
}

}  // namespace vlmtest
