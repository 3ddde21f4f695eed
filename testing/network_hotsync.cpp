// The network HotSync's programs for the tests.
#include "testing/network_hotsync.h"

#include <signal.h>

#include <future>

#include "link/tcp_socket.h"

namespace vlmtest {

namespace {

// Another program may take a port between our look and the listener's
// bind; a few tries make that harmless.
constexpr int kListenTries = 5;

// A TCP port of 127.0.0.1 that nothing listens on at the moment.
uint16_t FreePort() {
  platform::Result<platform::link::TcpListener> probe =
      platform::link::TcpListener::Listen("127.0.0.1", 0);
  return probe ? probe->Port() : 0;
}

}  // namespace

HotSyncListener::HotSyncListener(const std::vector<std::string>& options, const LinkChoice& link)
    : m_kind(link.kind) {
  if (m_kind == LinkKind::kSerialLine) {
    m_cable = std::make_unique<SerialCable>(link.cable);
    if (!m_cable->Ready()) return;
  }
  for (int attempt = 0; attempt < kListenTries && !m_listening; ++attempt) {
    m_port = FreePort();
    std::vector<std::string> argv = {BinPath("hotsync"), "listen"};
    if (m_kind == LinkKind::kSerialLine) {
      argv.insert(argv.end(), {"--serial", m_cable->DesktopEnd()});
    } else {
      argv.insert(argv.end(), {"--address", "127.0.0.1",
                               m_kind == LinkKind::kNetwork ? "--port" : "--serial-tcp",
                               std::to_string(m_port)});
    }
    argv.insert(argv.end(), options.begin(), options.end());
    m_program = std::make_unique<RunningProgram>(argv, std::vector<std::string>{});
    m_listening = m_program->ReadOutputUntil("Waiting for handhelds");
  }
}

HotSyncListener::~HotSyncListener() = default;

std::vector<std::string> HotSyncListener::ConnectOptions() const {
  switch (m_kind) {
    case LinkKind::kSerialLine:
      return {"--serial", m_cable->HandheldEnd()};
    case LinkKind::kSerialTcp:
      return {"--serial-tcp", "127.0.0.1:" + std::to_string(m_port)};
    case LinkKind::kNetwork:
      break;
  }
  return {"--to", "127.0.0.1:" + std::to_string(m_port)};
}

ProgramResult HotSyncListener::Wait() {
  if (!m_program) return ProgramResult{-1, "", "no serial cable could be made"};
  return m_program->Wait(kNetworkProgramTimeLimit);
}

ProgramResult HotSyncListener::Stop() {
  m_program->Signal(SIGTERM);
  return Wait();
}

std::unique_ptr<RunningProgram> ConnectHandheld(const std::string& image,
                                                const std::vector<std::string>& where,
                                                const std::vector<std::string>& options) {
  std::vector<std::string> argv = {BinPath("handheld"), "connect", image};
  argv.insert(argv.end(), where.begin(), where.end());
  argv.insert(argv.end(), options.begin(), options.end());
  return std::make_unique<RunningProgram>(argv, std::vector<std::string>{});
}

NetworkHotSyncResult RunNetworkHotSync(const std::string& image,
                                       const std::vector<std::string>& connectOptions,
                                       const std::vector<std::string>& listenOptions,
                                       const LinkChoice& link) {
  std::vector<std::string> options = {"--once"};
  options.insert(options.end(), listenOptions.begin(), listenOptions.end());
  HotSyncListener listener(options, link);
  NetworkHotSyncResult result;
  if (!listener.Listening()) {
    result.listen = listener.Wait();
    return result;
  }
  const std::unique_ptr<RunningProgram> handheld =
      ConnectHandheld(image, listener.ConnectOptions(), connectOptions);
  std::future<ProgramResult> handheldEnded = std::async(
      std::launch::async, [&handheld] { return handheld->Wait(kNetworkProgramTimeLimit); });
  result.listen = listener.Wait();
  result.handheld = handheldEnded.get();
  return result;
}

std::string Printed(const NetworkHotSyncResult& result) {
  return "hotsync listen (" + std::to_string(result.listen.exitStatus) + "):\n" +
         result.listen.out + result.listen.err + "handheld connect (" +
         std::to_string(result.handheld.exitStatus) + "):\n" + result.handheld.out +
         result.handheld.err;
}

}  // namespace vlmtest
