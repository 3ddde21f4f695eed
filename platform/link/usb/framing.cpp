// Telling the handheld's framing from its first two or three bytes.
#include "link/usb/framing.h"

#include <array>
#include <cstdio>
#include <string>

#include "link/netsync_packet.h"
#include "link/slp_frame.h"

namespace platform::link::usb {
namespace {

std::string HexOf(std::span<const uint8_t> bytes) {
  std::string text;
  for (const uint8_t byte : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", byte);
    text += hex;
  }
  return text;
}

// What the first bytes seen so far say: a framing, "not yet" (more bytes
// needed), or neither.
enum class Verdict { kNetSync, kSerial, kMore, kNeither };

Verdict Judge(std::span<const uint8_t> seen) {
  const auto matches = [&](std::span<const uint8_t> start) {
    for (size_t i = 0; i < seen.size() && i < start.size(); ++i) {
      if (seen[i] != start[i]) return false;
    }
    return true;
  };
  const std::array<uint8_t, 2> netSync = {kNetSyncData, kHandheldFirstTransaction};
  if (matches(netSync)) return seen.size() >= netSync.size() ? Verdict::kNetSync : Verdict::kMore;
  if (matches(kSlpSignature)) {
    return seen.size() >= kSlpSignature.size() ? Verdict::kSerial : Verdict::kMore;
  }
  return Verdict::kNeither;
}

}  // namespace

std::string_view FramingName(Framing framing) {
  return framing == Framing::kNetSync ? "network HotSync" : "serial HotSync";
}

Result<Framing> DetectFraming(ByteStream& stream, Clock::time_point deadline) {
  std::array<uint8_t, kSlpSignature.size()> seen{};
  size_t count = 0;
  for (;;) {
    if (Result<void> read = stream.ReadExactly(std::span(seen).subspan(count, 1), deadline);
        !read) {
      stream.Unread(std::span(seen).first(count));
      return read.Error();
    }
    ++count;
    const Verdict verdict = Judge(std::span(seen).first(count));
    if (verdict == Verdict::kMore) continue;
    stream.Unread(std::span(seen).first(count));
    if (verdict == Verdict::kNetSync) return Framing::kNetSync;
    if (verdict == Verdict::kSerial) return Framing::kSerial;
    return Failure{"the handheld's first bytes (" + HexOf(std::span(seen).first(count)) +
                   ") start neither a network HotSync packet nor a serial frame"};
  }
}

}  // namespace platform::link::usb
