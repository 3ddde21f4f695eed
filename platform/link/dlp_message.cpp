// Encoding and decoding of DLP requests, replies and dates.
#include "link/dlp_message.h"

#include <algorithm>
#include <limits>

#include "bytes/bytes.h"

namespace platform::link {
namespace {

constexpr size_t kTinyLimit = std::numeric_limits<uint8_t>::max();
constexpr size_t kSmallLimit = std::numeric_limits<uint16_t>::max();

void EncodeArguments(const std::vector<DlpArgument>& arguments, ByteWriter& writer) {
  for (const DlpArgument& argument : arguments) {
    const size_t size = argument.data.size();
    if (size <= kTinyLimit) {
      writer.U8(argument.id);
      writer.U8(static_cast<uint8_t>(size));
    } else if (size <= kSmallLimit) {
      writer.U8(argument.id | kDlpArgumentSmall);
      writer.U8(0);
      writer.U16Be(static_cast<uint16_t>(size));
    } else {
      writer.U8(argument.id | kDlpArgumentLong);
      writer.U8(0);
      writer.U32Be(static_cast<uint32_t>(size));
    }
    writer.Bytes(argument.data);
  }
}

Result<std::vector<DlpArgument>> DecodeArguments(ByteReader& reader, uint8_t count) {
  std::vector<DlpArgument> arguments;
  arguments.reserve(count);
  for (uint8_t i = 0; i < count; ++i) {
    const uint8_t wrapped = reader.U8();
    size_t size = 0;
    switch (wrapped & kDlpArgumentSizeBits) {
      case 0:
        size = reader.U8();
        break;
      case kDlpArgumentSmall:
        reader.Skip(1);
        size = reader.U16Be();
        break;
      case kDlpArgumentLong:
        reader.Skip(1);
        size = reader.U32Be();
        break;
      default:
        return Failure{"argument " + std::to_string(i + 1) + " has an unknown size wrapper"};
    }
    if (!reader.Ok() || reader.Remaining() < size) {
      return Failure{"argument " + std::to_string(i + 1) + " is cut short"};
    }
    const ByteSpan data = reader.Bytes(size);
    arguments.push_back({static_cast<uint8_t>(wrapped & ~kDlpArgumentSizeBits),
                         std::vector<uint8_t>(data.begin(), data.end())});
  }
  if (reader.Remaining() != 0) return Failure{"the message has bytes after its arguments"};
  return arguments;
}

const DlpArgument* FindArgument(const std::vector<DlpArgument>& arguments, uint8_t id) {
  auto found = std::find_if(arguments.begin(), arguments.end(),
                            [id](const DlpArgument& argument) { return argument.id == id; });
  return found == arguments.end() ? nullptr : &*found;
}

}  // namespace

std::vector<uint8_t> DlpRequest::Encode() const {
  ByteWriter writer;
  writer.U8(function);
  writer.U8(static_cast<uint8_t>(arguments.size()));
  EncodeArguments(arguments, writer);
  return writer.Take();
}

Result<DlpRequest> DlpRequest::Decode(std::span<const uint8_t> message) {
  ByteReader reader(message);
  DlpRequest request;
  request.function = reader.U8();
  const uint8_t count = reader.U8();
  if (!reader.Ok()) return Failure{"the request is shorter than its head"};
  if (request.function & kDlpReplyBit) return Failure{"the message is a reply, not a request"};
  Result<std::vector<DlpArgument>> arguments = DecodeArguments(reader, count);
  if (!arguments) return Failure{arguments.Reason()};
  request.arguments = std::move(arguments).Value();
  return request;
}

const DlpArgument* DlpRequest::Find(uint8_t id) const { return FindArgument(arguments, id); }

std::vector<uint8_t> DlpReply::Encode() const {
  ByteWriter writer;
  writer.U8(function | kDlpReplyBit);
  writer.U8(static_cast<uint8_t>(arguments.size()));
  writer.U16Be(error);
  EncodeArguments(arguments, writer);
  return writer.Take();
}

Result<DlpReply> DlpReply::Decode(std::span<const uint8_t> message) {
  ByteReader reader(message);
  DlpReply reply;
  const uint8_t function = reader.U8();
  const uint8_t count = reader.U8();
  reply.error = reader.U16Be();
  if (!reader.Ok()) return Failure{"the reply is shorter than its head"};
  if (!(function & kDlpReplyBit)) return Failure{"the message is a request, not a reply"};
  reply.function = function & ~kDlpReplyBit;
  Result<std::vector<DlpArgument>> arguments = DecodeArguments(reader, count);
  if (!arguments) return Failure{arguments.Reason()};
  reply.arguments = std::move(arguments).Value();
  return reply;
}

const DlpArgument* DlpReply::Find(uint8_t id) const { return FindArgument(arguments, id); }

DlpDate DlpDate::FromPcTime(time_t when) {
  if (when == 0) return {};
  struct tm local {};
  if (!localtime_r(&when, &local)) return {};
  return {static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint8_t>(local.tm_mon + 1),
          static_cast<uint8_t>(local.tm_mday),         static_cast<uint8_t>(local.tm_hour),
          static_cast<uint8_t>(local.tm_min),          static_cast<uint8_t>(local.tm_sec)};
}

time_t DlpDate::ToPcTime() const {
  if (year == 0) return 0;
  struct tm local {};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  const time_t when = mktime(&local);
  return when == -1 ? 0 : when;
}

std::array<uint8_t, DlpDate::kSize> DlpDate::Encode() const {
  std::array<uint8_t, kSize> bytes{0, 0, month, day, hour, minute, second, 0};
  PutU16Be(bytes, 0, year);
  return bytes;
}

DlpDate DlpDate::Decode(std::span<const uint8_t, kSize> bytes) {
  return {GetU16Be(bytes, 0), bytes[2], bytes[3], bytes[4], bytes[5], bytes[6]};
}

}  // namespace platform::link
