// What the automation layer and its servers say to each other over a
// stream socket. Each message is one frame: a 32-bit little-endian length, then
// that many bytes.
//
//   request  = u8 op, u32 object, i32 dispid, u8 kind, u16 count, variants
//              (op 1 invoke; op 2 release the object, no reply; op 3
//              create another application object, of the class named by
//              the one string argument, answered with the object)
//   reply    = u32 code, variant, text description, u8 1 when the call set
//              the clipboard, then u16 count and the entries (u32 format,
//              text bytes) it put there
//   variant  = u16 type, then I2/I4/error: u32; bool: u8; string: text;
//              object: u32 object number
//   text     = u32 length, bytes
//
// A server's first frame is a reply to its start: the code, an empty
// variant and the reason it could not start. Its application object is
// object 1. A server outlives the instance it was started for: it serves
// the next instances of its classes until its caller closes the socket, or
// ends by itself once it has held no object for kServerIdleEnd.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/automation.h"

namespace platform::automation {

constexpr uint32_t kApplicationObject = 1;
constexpr uint32_t kLargestFrame = 256u * 1024 * 1024;
constexpr std::chrono::seconds kServerIdleEnd{10};

enum class RequestOp : uint8_t { kInvoke = 1, kRelease = 2, kCreate = 3 };

struct ClipboardEntry {
  uint32_t format = 0;
  std::vector<uint8_t> data;
};

struct Request {
  RequestOp op = RequestOp::kInvoke;
  uint32_t object = 0;
  int32_t dispid = 0;
  InvokeKind kind = InvokeKind::kMethod;
  std::vector<Variant> args;
};

struct Reply {
  InvokeResult result;
  // What the call left on the clipboard (possibly nothing at all), when it
  // set it: the servers run in processes of their own, the clipboard lives
  // in the caller's.
  std::optional<std::vector<ClipboardEntry>> clipboard;
};

// How objects become numbers on the way out and back on the way in.
using ObjectToNumber = std::function<uint32_t(const DispatchPtr&)>;
using NumberToObject = std::function<DispatchPtr(uint32_t)>;

std::vector<uint8_t> EncodeRequest(const Request& request);
std::optional<Request> DecodeRequest(const std::vector<uint8_t>& frame);
std::vector<uint8_t> EncodeReply(const Reply& reply, const ObjectToNumber& toNumber);
std::optional<Reply> DecodeReply(const std::vector<uint8_t>& frame, const NumberToObject& toObject);

enum class FrameOutcome { kOk, kEnded, kTimedOut, kBroken };

// Writes one frame to a socket; false when the other side is gone.
bool WriteFrame(int fd, const std::vector<uint8_t>& payload);
// Reads one frame, waiting until `deadline` when one is given.
FrameOutcome ReadFrame(int fd, std::vector<uint8_t>& payload,
                       std::optional<std::chrono::steady_clock::time_point> deadline);

}  // namespace platform::automation
