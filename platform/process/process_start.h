// Starting a program that outlives the call: a server the caller talks to
// over a socket, the office program a server drives, a program restarted
// for the user. Unlike RunProcess, nothing here waits for the program: a
// child is ended and waited for by its caller (waitpid), a detached program
// is never the caller's to wait for.
//
// Either way the start is known for certain: a program that could not be
// run (missing, not executable) fails the start with the reason, instead of
// showing up later as a program that ended at once. The program gets no
// descriptor of the caller's beyond its standard streams, no blocked
// signals, and SIGPIPE at its default.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "result/result.h"

namespace platform {

struct StartOptions {
  // Becomes the program's standard input and output (a socket to talk
  // over); both are /dev/null when negative.
  int standardStreams = -1;
  // The program's standard error is the caller's; /dev/null otherwise.
  bool keepStandardError = false;
  // The program leads a process group of its own, numbered by its pid, so
  // that the caller can end it with everything it starts; otherwise it
  // joins the caller's group.
  bool ownProcessGroup = false;
  // Sent to the program when the thread that started it ends, so that it
  // can end with its caller (0: none). A caller that is gone before the
  // program could ask for it leaves the program unstarted.
  int deathSignal = 0;
  // The most address space the program may take, in bytes; its allocations
  // beyond it fail.
  std::optional<uint64_t> addressSpaceLimit;
};

// Starts argv[0] (looked up in PATH when it holds no '/') with the
// arguments argv[1...] as a child of the caller; the child's pid.
Result<pid_t> StartProcess(const std::vector<std::string>& argv, const StartOptions& options = {});

// Starts argv[0] in a session of its own and as no child of the caller's,
// so that it outlives the caller and never becomes its zombie; its
// standard streams are /dev/null.
Result<void> StartDetachedProcess(const std::vector<std::string>& argv);

}  // namespace platform
