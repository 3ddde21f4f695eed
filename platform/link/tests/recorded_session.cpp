#include "recorded_session.h"

#include <sys/socket.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "link/netsync_packet.h"
#include "link/padp.h"

namespace linktest {

using platform::link::ByteStream;
using platform::link::Clock;

std::vector<uint8_t> FromHex(std::string_view hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return bytes;
}

// The recordings are arrays of {"type": ..., "data": ...} objects; the two
// fields are read in turn, which is all their fixed shape needs.
std::vector<RecordedChunk> LoadRecording(const std::string& name) {
  std::ifstream file(std::string(VELLAMORE_TEST_DATA_DIR) + "/" + name);
  if (!file) throw std::runtime_error("missing recording " + name);
  std::stringstream text;
  text << file.rdbuf();
  const std::string json = text.str();
  std::vector<RecordedChunk> chunks;
  size_t at = 0;
  while ((at = json.find("\"type\"", at)) != std::string::npos) {
    const size_t type = json.find('"', json.find(':', at) + 1) + 1;
    const size_t data = json.find('"', json.find(':', json.find("\"data\"", type)) + 1) + 1;
    const size_t end = json.find('"', data);
    chunks.push_back({json.compare(type, 4, "read") == 0, FromHex(json.substr(data, end - data))});
    at = end;
  }
  return chunks;
}

std::vector<std::vector<uint8_t>> Packets(const std::vector<RecordedChunk>& chunks,
                                          bool fromHandheld) {
  const std::vector<uint8_t> stream = SideBytes(chunks, fromHandheld);
  std::vector<std::vector<uint8_t>> packets;
  size_t at = 0;
  while (at + platform::link::kNetSyncHeadSize <= stream.size()) {
    const size_t length = (size_t{stream[at + 2]} << 24) | (size_t{stream[at + 3]} << 16) |
                          (size_t{stream[at + 4]} << 8) | stream[at + 5];
    const size_t end = at + platform::link::kNetSyncHeadSize + length;
    packets.emplace_back(stream.begin() + static_cast<ptrdiff_t>(at),
                         stream.begin() + static_cast<ptrdiff_t>(end));
    at = end;
  }
  return packets;
}

std::vector<uint8_t> SideBytes(const std::vector<RecordedChunk>& chunks, bool fromHandheld) {
  std::vector<uint8_t> bytes;
  for (const RecordedChunk& chunk : chunks) {
    if (chunk.fromHandheld == fromHandheld) {
      bytes.insert(bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
  }
  return bytes;
}

std::vector<uint8_t> DesktopBytes(const std::vector<RecordedChunk>& chunks) {
  return SideBytes(chunks, false);
}

std::vector<platform::link::SlpFrame> SerialFrames(const std::vector<RecordedChunk>& chunks,
                                                   bool fromHandheld) {
  platform::link::SlpReader reader;
  std::vector<platform::link::SlpFrame> frames;
  for (const RecordedChunk& chunk : chunks) {
    if (chunk.fromHandheld != fromHandheld) continue;
    reader.Feed(chunk.bytes);
    while (auto frame = reader.Next()) frames.push_back(std::move(*frame));
  }
  return frames;
}

std::vector<SerialMessage> SerialMessages(const std::vector<RecordedChunk>& chunks,
                                          bool fromHandheld) {
  using namespace platform::link;
  PadpReassembler reassembler;
  std::vector<SerialMessage> messages;
  for (const SlpFrame& frame : SerialFrames(chunks, fromHandheld)) {
    auto fragment = PadpFragment::Decode(frame.body);
    if (!fragment) throw std::runtime_error(fragment.Reason());
    if (fragment->type != kPadpData) continue;
    auto message = reassembler.Take(frame.transaction, *fragment);
    if (!message) throw std::runtime_error(message.Reason());
    if (*message) messages.push_back({frame.transaction, std::move(**message)});
  }
  return messages;
}

std::pair<ByteStream, ByteStream> StreamPair() {
  int fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
    throw std::runtime_error("socketpair failed");
  }
  return {ByteStream(fds[0]), ByteStream(fds[1])};
}

// The handheld sends each of its chunks once the desktop has sent all it
// sent before that chunk in the recording; it stops at the first
// difference or when the desktop closes.
RecordedHandheld::RecordedHandheld(std::vector<RecordedChunk> chunks, ByteStream stream)
    : m_player([this, chunks = std::move(chunks), stream = std::move(stream)]() mutable {
        const auto deadline = [] { return Clock::now() + std::chrono::seconds(10); };
        for (const RecordedChunk& chunk : chunks) {
          if (chunk.fromHandheld) {
            if (!stream.WriteAll(chunk.bytes, deadline())) return;
            continue;
          }
          std::vector<uint8_t> got(chunk.bytes.size());
          const bool read = static_cast<bool>(stream.ReadExactly(got, deadline()));
          m_received.insert(m_received.end(), got.begin(), got.end());
          if (!read || got != chunk.bytes) return;
        }
      }) {}

RecordedHandheld::~RecordedHandheld() {
  if (m_player.joinable()) m_player.join();
}

std::vector<uint8_t> RecordedHandheld::Join() {
  if (m_player.joinable()) m_player.join();
  return m_received;
}

}  // namespace linktest
