// Recorded HotSyncs of real handhelds (tests/data), and a handheld that
// plays one back over a socket pair: it sends the recorded bytes chunked as
// they were received and checks that the desktop sends the recorded bytes.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "link/byte_stream.h"
#include "link/slp_frame.h"

namespace linktest {

struct RecordedChunk {
  bool fromHandheld = false;  // "read" in the recording
  std::vector<uint8_t> bytes;
};

std::vector<RecordedChunk> LoadRecording(const std::string& name);
std::vector<uint8_t> FromHex(std::string_view hex);

// The NetSync packets of one side, reassembled from the chunks: each is
// the whole packet, head included.
std::vector<std::vector<uint8_t>> Packets(const std::vector<RecordedChunk>& chunks,
                                          bool fromHandheld);

// Two connected streams: the desktop's and the handheld's.
std::pair<platform::link::ByteStream, platform::link::ByteStream> StreamPair();

// Plays the handheld's side of a recording on its own thread. What the
// desktop sent is kept for comparison once the player is joined.
class RecordedHandheld {
 public:
  RecordedHandheld(std::vector<RecordedChunk> chunks, platform::link::ByteStream stream);
  ~RecordedHandheld();
  // Waits for the player; the bytes the desktop sent, in one piece.
  std::vector<uint8_t> Join();

 private:
  std::vector<uint8_t> m_received;
  std::thread m_player;
};

// The desktop's bytes of a recording, in one piece.
std::vector<uint8_t> DesktopBytes(const std::vector<RecordedChunk>& chunks);
// One side's bytes of a recording, in one piece.
std::vector<uint8_t> SideBytes(const std::vector<RecordedChunk>& chunks, bool fromHandheld);

// The SLP frames one side of a serial recording sent, read chunk by chunk
// as they were delivered.
std::vector<platform::link::SlpFrame> SerialFrames(const std::vector<RecordedChunk>& chunks,
                                                   bool fromHandheld);

// A message one side of a serial recording sent, under its transaction id.
struct SerialMessage {
  uint8_t transaction = 0;
  std::vector<uint8_t> bytes;
};
// The messages of one side's PADP data fragments, each once.
std::vector<SerialMessage> SerialMessages(const std::vector<RecordedChunk>& chunks,
                                          bool fromHandheld);

}  // namespace linktest
