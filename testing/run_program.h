// Runs one of the built programs for a test: arguments straight to the
// program, extra environment variables on top of the test's own, standard
// output and error captured, and the exit status.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vlmtest {

struct ProgramResult {
  int exitStatus = -1;  // -1 when the program did not exit by itself
  std::string out;
  std::string err;
};

// A program started (in `workingDirectory` when one is given) and not yet
// waited for.
class RunningProgram {
 public:
  RunningProgram(const std::vector<std::string>& argv,
                 const std::vector<std::string>& extraEnvironment,
                 const std::string& workingDirectory = {});
  ~RunningProgram();  // kills a program never waited for
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool Started() const { return m_pid > 0; }
  // True while the program has not ended (does not reap it).
  bool Running() const;
  // Reads its standard output or error until it holds `text`; false when
  // the program closed it first. What was read is kept for Wait().
  bool ReadOutputUntil(const std::string& text) { return ReadUntil(m_out, m_outRead, text); }
  bool ReadErrorUntil(const std::string& text) { return ReadUntil(m_err, m_errRead, text); }
  // Sends the program `signal` (SIGTERM asks it to stop).
  void Signal(int signal) const;
  // Reads its output to the end and waits for it; a program still running
  // after `limit` is killed (and its exit status is then -1).
  ProgramResult Wait(std::chrono::milliseconds limit = std::chrono::milliseconds::max());

 private:
  static bool ReadUntil(int fd, std::string& read, const std::string& text);

  pid_t m_pid = -1;
  int m_out = -1;
  int m_err = -1;
  std::string m_outRead;
  std::string m_errRead;
};

ProgramResult RunProgram(const std::vector<std::string>& argv,
                         const std::vector<std::string>& extraEnvironment = {});

// Path of a program or library in the build's output folder.
std::string BinPath(const std::string& name);

}  // namespace vlmtest
