// Feeds arbitrary bytes to the readers of what the other end sends: the
// NetSync packet reader (through a socket pair, the bytes then the end of
// the stream), the DLP request and reply decoders on each payload, and
// every call's request and reply layouts, both on the decoded message's
// arguments and on the bytes taken as the arguments themselves. A layout
// that decodes is encoded again.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "link/dlp_calls.h"
#include "link/dlp_message.h"
#include "link/netsync_link.h"

namespace {

using namespace platform::link;

void DecodeEveryLayout(const DlpArguments& arguments) {
  std::apply(
      [&](auto... call) {
        auto decode = [&]<typename Call>(Call) {
          if (auto request = Call::Request::Decode(arguments)) {
            (void)EncodedArguments(request->Encode());
          }
          if (auto reply = Call::Reply::Decode(arguments)) {
            (void)EncodedArguments(reply->Encode());
          }
        };
        (decode(call), ...);
      },
      AllDlpCalls{});
}

void DecodeMessage(std::span<const uint8_t> bytes) {
  if (auto reply = DlpReply::Decode(bytes)) DecodeEveryLayout(reply->arguments);
  if (auto request = DlpRequest::Decode(bytes)) DecodeEveryLayout(request->arguments);
}

}  // namespace

using platform::Result;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform::link;
  const std::span<const uint8_t> bytes(data, size);
  DecodeMessage(bytes);
  const std::vector<uint8_t> argument(bytes.begin(), bytes.end());
  for (uint8_t id : {kDlpFirstArgument, kDlpSecondArgument, kDlpThirdArgument}) {
    DecodeEveryLayout({{id, argument}});
  }
  DecodeEveryLayout({{kDlpFirstArgument, argument}, {kDlpSecondArgument, argument}});

  if (size > 60'000) return 0;  // stays within one socket buffer
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
  ByteStream reader(fds[0]);
  {
    ByteStream writer(fds[1]);
    if (!writer.WriteAll(bytes, Clock::now() + std::chrono::seconds(1))) return 0;
  }
  while (Result<NetSyncPacket> packet = ReadNetSyncPacket(reader, Clock::now())) {
    DecodeMessage(packet->payload);
  }
  return 0;
}
