// Encoding of the automation layer's requests and replies, and the frames
// that carry them over pipes.
#include "automation/wire.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "bytes/bytes.h"

namespace platform::automation {
namespace {

using Clock = std::chrono::steady_clock;

void PutText(ByteWriter& writer, std::string_view text) {
  writer.U32Le(static_cast<uint32_t>(text.size()));
  writer.Bytes(ByteSpan(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

std::string TakeText(ByteReader& reader) {
  const uint32_t length = reader.U32Le();
  const ByteSpan bytes = reader.Bytes(length);
  return std::string(bytes.begin(), bytes.end());
}

void PutVariant(ByteWriter& writer, const Variant& value, const ObjectToNumber& toNumber) {
  writer.U16Le(static_cast<uint16_t>(value.type));
  switch (value.type) {
    case VarType::kI2:
    case VarType::kI4:
    case VarType::kError:
      writer.U32Le(static_cast<uint32_t>(value.integer));
      break;
    case VarType::kBool:
      writer.U8(value.integer != 0 ? 1 : 0);
      break;
    case VarType::kString:
      PutText(writer, value.text);
      break;
    case VarType::kDispatch:
      writer.U32Le(toNumber && value.object ? toNumber(value.object) : 0);
      break;
    case VarType::kEmpty:
      break;
  }
}

std::optional<Variant> TakeVariant(ByteReader& reader, const NumberToObject& toObject) {
  Variant value;
  value.type = static_cast<VarType>(reader.U16Le());
  switch (value.type) {
    case VarType::kI2:
      value.integer = static_cast<int16_t>(reader.U32Le());
      break;
    case VarType::kI4:
    case VarType::kError:
      value.integer = static_cast<int32_t>(reader.U32Le());
      break;
    case VarType::kBool:
      value.integer = reader.U8();
      break;
    case VarType::kString:
      value.text = TakeText(reader);
      break;
    case VarType::kDispatch: {
      const uint32_t number = reader.U32Le();
      if (!toObject || number == 0) return std::nullopt;
      value.object = toObject(number);
      if (!value.object) return std::nullopt;
      break;
    }
    case VarType::kEmpty:
      break;
    default:
      return std::nullopt;
  }
  return reader.Ok() ? std::optional<Variant>(std::move(value)) : std::nullopt;
}

// Waits until `fd` can be read or the deadline passes; false on time-out.
bool WaitReadable(int fd, std::optional<Clock::time_point> deadline) {
  for (;;) {
    int timeout = -1;
    if (deadline) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
      timeout = static_cast<int>(std::max<int64_t>(0, left.count()));
    }
    pollfd entry{fd, POLLIN, 0};
    const int ready = poll(&entry, 1, timeout);
    if (ready > 0) return true;
    if (ready == 0) return false;
    if (errno != EINTR) return true;  // the read that follows reports it
  }
}

FrameOutcome ReadExactly(int fd, uint8_t* into, size_t size,
                         std::optional<Clock::time_point> deadline) {
  size_t done = 0;
  while (done < size) {
    if (!WaitReadable(fd, deadline)) return FrameOutcome::kTimedOut;
    const ssize_t got = read(fd, into + done, size - done);
    if (got == 0) return done == 0 ? FrameOutcome::kEnded : FrameOutcome::kBroken;
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return FrameOutcome::kBroken;
    }
    done += static_cast<size_t>(got);
  }
  return FrameOutcome::kOk;
}

}  // namespace

std::vector<uint8_t> EncodeRequest(const Request& request) {
  ByteWriter writer;
  writer.U8(static_cast<uint8_t>(request.op));
  writer.U32Le(request.object);
  writer.U32Le(static_cast<uint32_t>(request.dispid));
  writer.U8(static_cast<uint8_t>(request.kind));
  writer.U16Le(static_cast<uint16_t>(request.args.size()));
  for (const Variant& arg : request.args) PutVariant(writer, arg, nullptr);
  return writer.Take();
}

std::optional<Request> DecodeRequest(const std::vector<uint8_t>& frame) {
  ByteReader reader(frame);
  Request request;
  request.op = static_cast<RequestOp>(reader.U8());
  request.object = reader.U32Le();
  request.dispid = static_cast<int32_t>(reader.U32Le());
  request.kind = static_cast<InvokeKind>(reader.U8());
  const uint16_t count = reader.U16Le();
  for (uint16_t i = 0; i < count && reader.Ok(); ++i) {
    std::optional<Variant> arg = TakeVariant(reader, nullptr);
    if (!arg) return std::nullopt;
    request.args.push_back(std::move(*arg));
  }
  if (!reader.Ok()) return std::nullopt;
  return request;
}

std::vector<uint8_t> EncodeReply(const Reply& reply, const ObjectToNumber& toNumber) {
  ByteWriter writer;
  writer.U32Le(static_cast<uint32_t>(reply.result.code));
  PutVariant(writer, reply.result.value, toNumber);
  PutText(writer, reply.result.description);
  writer.U8(reply.clipboard ? 1 : 0);
  if (!reply.clipboard) return writer.Take();
  writer.U16Le(static_cast<uint16_t>(reply.clipboard->size()));
  for (const ClipboardEntry& entry : *reply.clipboard) {
    writer.U32Le(entry.format);
    writer.U32Le(static_cast<uint32_t>(entry.data.size()));
    writer.Bytes(entry.data);
  }
  return writer.Take();
}

std::optional<Reply> DecodeReply(const std::vector<uint8_t>& frame,
                                 const NumberToObject& toObject) {
  ByteReader reader(frame);
  Reply reply;
  reply.result.code = static_cast<HResult>(reader.U32Le());
  std::optional<Variant> value = TakeVariant(reader, toObject);
  if (!value) return std::nullopt;
  reply.result.value = std::move(*value);
  reply.result.description = TakeText(reader);
  if (reader.U8() == 0) return reader.Ok() ? std::optional<Reply>(std::move(reply)) : std::nullopt;
  reply.clipboard.emplace();
  const uint16_t count = reader.U16Le();
  for (uint16_t i = 0; i < count && reader.Ok(); ++i) {
    ClipboardEntry entry;
    entry.format = reader.U32Le();
    const ByteSpan data = reader.Bytes(reader.U32Le());
    entry.data.assign(data.begin(), data.end());
    reply.clipboard->push_back(std::move(entry));
  }
  if (!reader.Ok()) return std::nullopt;
  return reply;
}

bool WriteFrame(int fd, const std::vector<uint8_t>& payload) {
  ByteWriter head;
  head.U32Le(static_cast<uint32_t>(payload.size()));
  for (const std::vector<uint8_t>* part : {&head.View(), &payload}) {
    size_t done = 0;
    while (done < part->size()) {
      // A server that died makes this fail with EPIPE rather than raise SIGPIPE.
      const ssize_t wrote = send(fd, part->data() + done, part->size() - done, MSG_NOSIGNAL);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) return false;
      done += static_cast<size_t>(wrote);
    }
  }
  return true;
}

FrameOutcome ReadFrame(int fd, std::vector<uint8_t>& payload,
                       std::optional<Clock::time_point> deadline) {
  uint8_t head[4];
  const FrameOutcome outcome = ReadExactly(fd, head, sizeof head, deadline);
  if (outcome != FrameOutcome::kOk) return outcome;
  const uint32_t length = GetU32Le(ByteSpan(head, sizeof head), 0);
  if (length > kLargestFrame) return FrameOutcome::kBroken;
  payload.assign(length, 0);
  const FrameOutcome body = ReadExactly(fd, payload.data(), length, deadline);
  return body == FrameOutcome::kEnded ? FrameOutcome::kBroken : body;
}

}  // namespace platform::automation
