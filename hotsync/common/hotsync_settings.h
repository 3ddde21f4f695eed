// The HotSync Manager's own settings, in $HOTSYNC_HOME/hotsync.ini:
//
//   [Network]  Enabled=0|1   network HotSync in resident mode
//              Port=14238
//   [Serial]   Device=<path>  a serial line waited on (none when empty)
//              TcpPort=<port> serial bytes over TCP waited on (none when 0)
//              Speed=115200   the highest speed offered on serial links
//   [USB]      Enabled=0|1    USB handhelds waited for
//   [PC]       Id=<number>   this PC's ID, written onto each handheld it syncs
//
// and, per HotSync user, the ID of the handheld that user syncs from, in
// $HOTSYNC_HOME/<user>/user.ini ([User] Id=<number>), remembered at the
// user's first HotSync so that another handheld claiming the same name is
// refused.
//
// Every change is made under the file's lock and written through a
// temporary file and a rename.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "result/result.h"

namespace hotsync {

constexpr char kSettingsFileName[] = "hotsync.ini";
constexpr char kUserSettingsFileName[] = "user.ini";
constexpr uint16_t kDefaultNetworkPort = 14238;

struct NetworkSettings {
  bool enabled = false;
  uint16_t port = kDefaultNetworkPort;
};

NetworkSettings ReadNetworkSettings(const std::string& home);
platform::Result<void> WriteNetworkSettings(const std::string& home,
                                            const NetworkSettings& settings);

constexpr uint32_t kDefaultSerialSpeed = 115'200;

// The links other than the network that the resident manager waits on.
struct CradleSettings {
  std::string serialDevice;    // empty: none
  uint16_t serialTcpPort = 0;  // 0: none
  uint32_t maxSpeed = kDefaultSerialSpeed;
  bool usb = false;
};

CradleSettings ReadCradleSettings(const std::string& home);
platform::Result<void> WriteCradleSettings(const std::string& home, const CradleSettings& settings);

// This PC's ID: made (non-zero, random) and kept the first time it is asked.
platform::Result<uint32_t> ThisPcId(const std::string& home);

// The handheld user ID remembered for `user`; nothing when none is.
std::optional<uint32_t> RememberedUserId(const std::string& home, const std::string& user);
platform::Result<void> RememberUserId(const std::string& home, const std::string& user,
                                      uint32_t id);
// Forgets it, so the next handheld of that name is taken as the user's.
// True when one was remembered.
platform::Result<bool> ForgetUserId(const std::string& home, const std::string& user);

}  // namespace hotsync
