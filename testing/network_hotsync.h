// Test support for HotSyncs over a link through the built programs:
// `hotsync listen` on a free port of the loopback address (or on a serial
// cable between two pseudo-terminals) for the life of an object, and
// `handheld connect` playing an image's handheld to it.
// Every program gets a generous time limit and is killed past it, so a
// HotSync that hangs fails its test instead of stopping the run.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "testing/run_program.h"
#include "testing/serial_cable.h"

namespace vlmtest {

constexpr std::chrono::seconds kNetworkProgramTimeLimit{120};

// The links a test HotSync can take.
enum class LinkKind { kNetwork, kSerialTcp, kSerialLine };

struct LinkChoice {
  LinkKind kind = LinkKind::kNetwork;
  CableFaults cable;  // for kSerialLine
};

class HotSyncListener {
 public:
  // Starts `hotsync listen --address 127.0.0.1 --port P OPTIONS...` on a
  // free port P (--serial-tcp P for serial over TCP; --serial on a new
  // serial cable's desktop end) and waits until it says it waits for
  // handhelds.
  explicit HotSyncListener(const std::vector<std::string>& options = {"--once"},
                           const LinkChoice& link = {});
  ~HotSyncListener();
  HotSyncListener(const HotSyncListener&) = delete;
  HotSyncListener& operator=(const HotSyncListener&) = delete;

  bool Listening() const { return m_listening; }
  uint16_t Port() const { return m_port; }
  // Where `handheld connect` reaches it: "--to 127.0.0.1:P",
  // "--serial-tcp 127.0.0.1:P" or "--serial HANDHELD_END".
  std::vector<std::string> ConnectOptions() const;
  // Reads what it prints until `text` comes; false when it ended first.
  bool ReadOutputUntil(const std::string& text) { return m_program->ReadOutputUntil(text); }
  // Waits for it to end by itself.
  ProgramResult Wait();
  // Asks it to stop (SIGTERM) and waits for it.
  ProgramResult Stop();

 private:
  LinkKind m_kind;
  std::unique_ptr<SerialCable> m_cable;
  std::unique_ptr<RunningProgram> m_program;
  uint16_t m_port = 0;
  bool m_listening = false;
};

// `handheld connect IMAGE WHERE... OPTIONS...`, started.
std::unique_ptr<RunningProgram> ConnectHandheld(const std::string& image,
                                                const std::vector<std::string>& where,
                                                const std::vector<std::string>& options = {});

// The two programs of one network HotSync, as they ended.
struct NetworkHotSyncResult {
  ProgramResult listen;
  ProgramResult handheld;
  bool Succeeded() const { return listen.exitStatus == 0 && handheld.exitStatus == 0; }
};

// One HotSync of `image` over `link`: `hotsync listen --once
// LISTEN_OPTIONS...` and `handheld connect CONNECT_OPTIONS...`, both waited
// for together (neither may block the other on a full pipe).
NetworkHotSyncResult RunNetworkHotSync(const std::string& image,
                                       const std::vector<std::string>& connectOptions = {},
                                       const std::vector<std::string>& listenOptions = {},
                                       const LinkChoice& link = {});

// What one of them printed, for a failure message.
std::string Printed(const NetworkHotSyncResult& result);

}  // namespace vlmtest
