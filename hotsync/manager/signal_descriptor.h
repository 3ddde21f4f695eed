// SIGINT and SIGTERM, blocked and delivered through a descriptor that can
// be waited on beside others, for as long as the object lives.
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
    m_fd = signalfd(-1, &m_signals, SFD_CLOEXEC);
  }
  ~SignalDescriptor() {
    if (m_fd >= 0) close(m_fd);
    sigprocmask(SIG_SETMASK, &m_previous, nullptr);
  }
  SignalDescriptor(const SignalDescriptor&) = delete;
  SignalDescriptor& operator=(const SignalDescriptor&) = delete;
  int Fd() const { return m_fd; }

 private:
  sigset_t m_signals{};
  sigset_t m_previous{};
  int m_fd = -1;
};

}  // namespace hotsync
