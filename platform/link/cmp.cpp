// CMP messages and the desktop's answer to a handheld's wakeup.
#include "link/cmp.h"

#include <algorithm>
#include <string>

#include "bytes/bytes.h"

namespace platform::link {

std::vector<uint8_t> CmpMessage::Encode() const {
  ByteWriter writer(kCmpSize);
  writer.U8(type);
  writer.U8(flags);
  writer.U8(major);
  writer.U8(minor);
  writer.U16Be(reserved);
  writer.U32Be(speed);
  return writer.Take();
}

Result<CmpMessage> CmpMessage::Decode(std::span<const uint8_t> bytes) {
  ByteReader reader(bytes);
  CmpMessage message;
  message.type = reader.U8();
  message.flags = reader.U8();
  message.major = reader.U8();
  message.minor = reader.U8();
  message.reserved = reader.U16Be();
  message.speed = reader.U32Be();
  if (!reader.Ok()) return Failure{"CMP message shorter than ten bytes"};
  if (message.type < kCmpWakeup || message.type > kCmpAbort) {
    return Failure{"CMP message of unknown type " + std::to_string(message.type)};
  }
  return message;
}

CmpMessage CmpAnswer(const CmpMessage& wakeup, uint32_t desktopMaxSpeed, bool desktopLongPadp) {
  CmpMessage answer;
  answer.minor = kCmpDesktopMinorVersion;
  if (wakeup.major != kCmpMajorVersion) {
    answer.type = kCmpAbort;
    answer.flags = kCmpVersionMismatch;
    return answer;
  }
  answer.type = kCmpInit;
  answer.speed = std::min(wakeup.speed, desktopMaxSpeed);
  if (answer.speed != kCmpStartSpeed) answer.flags |= kCmpChangeSpeed;
  if (desktopLongPadp && (wakeup.flags & kCmpLongPadp) != 0) answer.flags |= kCmpLongPadp;
  return answer;
}

}  // namespace platform::link
