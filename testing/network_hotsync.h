// Test support for the network HotSync through the built programs:
// `hotsync listen` on a free port of the loopback address for the life of
// an object, and `handheld connect` playing an image's handheld to it.
// Every program gets a generous time limit and is killed past it, so a
// HotSync that hangs fails its test instead of stopping the run.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "testing/run_program.h"

namespace vlmtest {

constexpr std::chrono::seconds kNetworkProgramTimeLimit{120};

class HotSyncListener {
 public:
  // Starts `hotsync listen --address 127.0.0.1 --port P OPTIONS...` on a
  // free port P and waits until it says it waits for handhelds.
  explicit HotSyncListener(const std::vector<std::string>& options = {"--once"});
  ~HotSyncListener();
  HotSyncListener(const HotSyncListener&) = delete;
  HotSyncListener& operator=(const HotSyncListener&) = delete;

  bool Listening() const { return m_listening; }
  uint16_t Port() const { return m_port; }
  // "127.0.0.1:P", as `handheld connect --to` takes it.
  std::string Address() const;
  // Reads what it prints until `text` comes; false when it ended first.
  bool ReadOutputUntil(const std::string& text) { return m_program->ReadOutputUntil(text); }
  // Waits for it to end by itself.
  ProgramResult Wait();
  // Asks it to stop (SIGTERM) and waits for it.
  ProgramResult Stop();

 private:
  std::unique_ptr<RunningProgram> m_program;
  uint16_t m_port = 0;
  bool m_listening = false;
};

// `handheld connect IMAGE --to ADDRESS OPTIONS...`, started.
std::unique_ptr<RunningProgram> ConnectHandheld(const std::string& image,
                                                const std::string& address,
                                                const std::vector<std::string>& options = {});

// The two programs of one network HotSync, as they ended.
struct NetworkHotSyncResult {
  ProgramResult listen;
  ProgramResult handheld;
  bool Succeeded() const { return listen.exitStatus == 0 && handheld.exitStatus == 0; }
};

// One HotSync of `image` over the network: `hotsync listen --once
// LISTEN_OPTIONS...` and `handheld connect CONNECT_OPTIONS...`, both waited
// for together (neither may block the other on a full pipe).
NetworkHotSyncResult RunNetworkHotSync(const std::string& image,
                                       const std::vector<std::string>& connectOptions = {},
                                       const std::vector<std::string>& listenOptions = {});

// What one of them printed, for a failure message.
std::string Printed(const NetworkHotSyncResult& result);

}  // namespace vlmtest
