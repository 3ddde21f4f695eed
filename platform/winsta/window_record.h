// Byte layouts of the window station: the record file of a window and the
// datagram of a posted message, both little-endian.
//
// Record ("<id>.window"):
//   0   4  magic "WSTA"
//   4   4  creation number (u32)
//   8   4  owner process id (u32)
//   12  2  class length n (u16), then n bytes of class name
//   ..  2  title length m (u16), then m bytes of title
//
// Message datagram, kMessageSize bytes:
//   0   4  message (u32)
//   4   8  wParam (u64, low half first)
//   12  8  lParam (i64 as two's complement, low half first)
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "bytes/bytes.h"
#include "window_station.h"

namespace platform::winsta {

constexpr size_t kRecordHeaderSize = 4 + 4 + 4;
constexpr size_t kMaxNameSize = 0xFFFF;
constexpr size_t kMessageSize = 4 + 8 + 8;

struct WindowRecord {
  uint32_t sequence = 0;
  uint32_t pid = 0;
  std::string className;
  std::string title;
};

// Nothing when a name is longer than kMaxNameSize.
std::optional<std::vector<uint8_t>> EncodeRecord(const WindowRecord& record);
// Nothing unless the bytes are exactly one well-formed record.
std::optional<WindowRecord> DecodeRecord(ByteSpan bytes);

std::vector<uint8_t> EncodeMessage(const Message& message);
// Nothing unless the bytes are exactly kMessageSize long.
std::optional<Message> DecodeMessage(ByteSpan bytes);

// "0000000042-1234" for creation number 42 of process 1234.
std::string MakeWindowId(uint32_t sequence, uint32_t pid);
// The creation number and process of a window id; nothing for any other text
// (so an id can never name a path outside the station).
std::optional<std::pair<uint32_t, uint32_t>> ParseWindowId(std::string_view id);

}  // namespace platform::winsta
