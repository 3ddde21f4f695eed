// Running an outside program: argv straight to the program (no shell),
// optional bytes on its standard input, its standard output and error
// captured, a time limit after which it is killed, and its end mapped to a
// result the caller can branch on.
//
// The program runs in a process group of its own, so a time limit also ends
// whatever it started. Writing to a program that stopped reading never
// raises SIGPIPE in the caller.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct ProcessOptions {
  // Bytes written to the program's standard input, which is then closed.
  // The program's standard input is empty when there are none.
  std::string standardInput;
  // The program is killed when it runs longer; no limit when absent.
  std::optional<std::chrono::milliseconds> timeLimit;
  // Captured output beyond this many bytes per stream is read and dropped.
  size_t outputLimit = 16 * 1024 * 1024;
  // When set, the program is ended (with its group) as soon as its standard
  // output reaches outputLimit: for a caller that needs no more of it.
  bool endAtOutputLimit = false;
  // Working folder of the program; the caller's when empty.
  std::string workingDirectory;
  // Variables set (NAME=value) on top of the caller's environment.
  std::vector<std::string> extraEnvironment;
};

enum class ProcessOutcome {
  kExited,      // the program ended by itself; see exitStatus
  kSignalled,   // the program was ended by a signal; see signal
  kTimedOut,    // the time limit ran out and the program was killed
  kOutputFull,  // endAtOutputLimit: the output was full and the program was killed
  kNotStarted,  // the program could not be started; see error
};

struct ProcessResult {
  ProcessOutcome outcome = ProcessOutcome::kNotStarted;
  int exitStatus = -1;  // kExited: the program's exit status (-1: unknown)
  int signal = 0;       // kSignalled: the signal's number
  int error = 0;        // kNotStarted: the errno (ENOENT: no such program)
  std::string standardOutput;
  std::string standardError;

  bool Succeeded() const { return outcome == ProcessOutcome::kExited && exitStatus == 0; }
};

// Runs argv[0] (looked up in PATH when it holds no '/') with the arguments
// argv[1...] and waits for it to end.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// One line for a person: "exited with status 3", "was killed by signal 9",
// "did not finish in time", "could not be started: No such file or
// directory".
std::string DescribeProcessResult(const ProcessResult& result);

}  // namespace platform
