// The HotSync Manager's commands: one HotSync of a handheld image, the
// configuration of one conduit, and the resident mode with its window.
// Each returns the program's exit status.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace hotsync {

// Exit statuses of the hotsync program.
constexpr int kExitOk = 0;
constexpr int kExitConduitFailed = 1;  // a conduit failed (or could not be called)
constexpr int kExitUnusable = 2;       // bad command line, or the image or data folder unusable

struct SyncOptions {
  std::string imageFolder;
  std::optional<int32_t> syncType;  // overrides every conduit's type for this HotSync
};

struct ListenOptions {
  // Network HotSync on `address` (empty: every address) and TCP `port`.
  bool network = true;
  std::string address;
  uint16_t port = 14238;
  std::string serialDevice;               // empty: no serial line
  std::optional<uint16_t> serialTcpPort;  // serial bytes over TCP, on `address`
  bool usb = false;
  uint32_t maxSerialSpeed = 115'200;          // the highest speed offered on serial links
  bool once = false;                          // one HotSync, then its exit status
  std::chrono::milliseconds timeout{30'000};  // the longest wait for the handheld
};

int RunHotSync(const SyncOptions& options, std::ostream& out, std::ostream& err);
int RunListen(const ListenOptions& options, std::ostream& out, std::ostream& err);
int RunConfigure(const std::string& creator, std::ostream& out, std::ostream& err);
int RunResident(std::ostream& out, std::ostream& err);
// `hotsync configure --network|--port|--serial|--serial-tcp|--speed|--usb ...`.
int RunConfigureLinks(const std::vector<std::string_view>& arguments, std::ostream& out,
                      std::ostream& err);
// A serial speed in bit/s that a line can be set to.
std::optional<uint32_t> ParseSerialSpeed(std::string_view text);

int RunUsers(const std::vector<std::string_view>& arguments, std::ostream& out, std::ostream& err);

}  // namespace hotsync
