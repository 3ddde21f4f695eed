// Feeds arbitrary bytes to the readers of what a handheld sends: the
// NetSync packet reader (through a socket pair, the bytes then the end of
// the stream) and the DLP request and reply decoders on each payload.
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

#include "link/dlp_message.h"
#include "link/netsync_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform::link;
  const std::span<const uint8_t> bytes(data, size);
  (void)DlpReply::Decode(bytes);
  (void)DlpRequest::Decode(bytes);

  if (size > 60'000) return 0;  // stays within one socket buffer
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) return 0;
  ByteStream reader(fds[0]);
  {
    ByteStream writer(fds[1]);
    if (!writer.WriteAll(bytes, Clock::now() + std::chrono::seconds(1))) return 0;
  }
  while (Result<NetSyncPacket> packet = ReadNetSyncPacket(reader, Clock::now())) {
    (void)DlpReply::Decode(packet->payload);
  }
  return 0;
}
