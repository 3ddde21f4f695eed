// SIGINT and SIGTERM, blocked and delivered through a descriptor that can
// be waited on beside others, for as long as the object lives. A signal
// that was waited for must be taken: one left pending would be delivered
// when the object unblocks it, and kill the program on its way out.
#pragma once

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace hotsync {

class SignalDescriptor {
 public:
  SignalDescriptor() {
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    sigprocmask(SIG_BLOCK, &m_signals, &m_previous);
    m_fd = signalfd(-1, &m_signals, SFD_CLOEXEC | SFD_NONBLOCK);
  }
  ~SignalDescriptor() {
    if (m_fd >= 0) close(m_fd);
    sigprocmask(SIG_SETMASK, &m_previous, nullptr);
  }
  SignalDescriptor(const SignalDescriptor&) = delete;
  SignalDescriptor& operator=(const SignalDescriptor&) = delete;
  int Fd() const { return m_fd; }
  // Takes the signals that made Fd() readable.
  void Take() const {
    signalfd_siginfo info;
    while (read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
  }

 private:
  sigset_t m_signals{};
  sigset_t m_previous{};
  int m_fd = -1;
};

}  // namespace hotsync
