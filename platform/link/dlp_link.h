// The two ends of a link that carries DLP, whatever its framing.
//
// The desktop's end sends a request and waits for its reply; the handheld's
// end waits for the next request and answers it. Each wait is bounded by the
// link's time limit; a failure ends the HotSync, it is never retried here.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "result/result.h"

namespace platform::link {

// How long any one wait on the link may take unless the caller says.
constexpr std::chrono::milliseconds kDefaultLinkTimeout{30'000};

class DesktopLink {
 public:
  virtual ~DesktopLink() = default;
  // Opens the link with the handheld that just connected, before the first
  // request: whatever its framing needs (a handshake, a wakeup answered).
  virtual Result<void> Handshake() = 0;
  // Sends one DLP request and returns the reply's bytes.
  virtual Result<std::vector<uint8_t>> Call(std::span<const uint8_t> request) = 0;
  // Ends the connection (after EndOfSync and its reply).
  virtual void Close() = 0;
  // True once a call failed: the handheld is gone and every later call fails.
  virtual bool Broken() const = 0;
  // A line for the user on how the link went (its speed, the time spent
  // waiting), or nothing.
  virtual std::string Summary() const { return {}; }
};

class HandheldLink {
 public:
  virtual ~HandheldLink() = default;
  // The next DLP request from the desktop.
  virtual Result<std::vector<uint8_t>> NextRequest() = 0;
  // Answers the request NextRequest returned last.
  virtual Result<void> Reply(std::span<const uint8_t> reply) = 0;
  virtual void Close() = 0;
};

}  // namespace platform::link
