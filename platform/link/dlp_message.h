// DLP, the request and reply messages in which the desktop asks and the
// handheld answers, whatever link carries them.
//
// Request: function u8, argument count u8, the arguments.
// Reply:   function | 0x80 u8, argument count u8, error u16, the arguments
//          (an error reply has none).
// Each argument is wrapped by its size:
//   tiny   id u8,        length u8,           up to 255 bytes
//   small  id | 0x80 u8, 0 u8, length u16,    up to 65,535 bytes
//   long   id | 0x40 u8, 0 u8, length u32
// Argument ids start at 0x20. Integers are big-endian.
//
// A date is year u16, month, day, hour, minute, second, a pad byte, in the
// handheld's local time; year 0 means no date.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

#include "result/result.h"

namespace platform::link {

constexpr uint8_t kDlpReplyBit = 0x80;
constexpr uint8_t kDlpFirstArgument = 0x20;
constexpr uint8_t kDlpArgumentSmall = 0x80;
constexpr uint8_t kDlpArgumentLong = 0x40;
constexpr uint8_t kDlpArgumentSizeBits = kDlpArgumentSmall | kDlpArgumentLong;

struct DlpArgument {
  uint8_t id = kDlpFirstArgument;
  std::vector<uint8_t> data;

  bool operator==(const DlpArgument&) const = default;
};

struct DlpRequest {
  uint8_t function = 0;
  std::vector<DlpArgument> arguments;

  std::vector<uint8_t> Encode() const;
  static Result<DlpRequest> Decode(std::span<const uint8_t> message);
  // The argument of `id`, or null.
  const DlpArgument* Find(uint8_t id) const;
};

struct DlpReply {
  uint8_t function = 0;  // the request's function, without the reply bit
  uint16_t error = 0;
  std::vector<DlpArgument> arguments;

  std::vector<uint8_t> Encode() const;
  static Result<DlpReply> Decode(std::span<const uint8_t> message);
  const DlpArgument* Find(uint8_t id) const;
};

// A DLP date and time: the handheld's local time.
struct DlpDate {
  uint16_t year = 0;  // 0: no date
  uint8_t month = 0;
  uint8_t day = 0;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;

  static constexpr size_t kSize = 8;

  static DlpDate FromPcTime(time_t when);  // 0 gives no date
  time_t ToPcTime() const;                 // no date gives 0
  std::array<uint8_t, kSize> Encode() const;
  static DlpDate Decode(std::span<const uint8_t, kSize> bytes);
  bool operator==(const DlpDate&) const = default;
};

}  // namespace platform::link
