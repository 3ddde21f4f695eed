// Telling network HotSync from serial HotSync by the handheld's first
// bytes, over a socket pair and over a pseudo-terminal as the visor tty is,
// with the bytes left for the link to read.
#include "link/usb/framing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "recorded_session.h"

namespace {

using namespace platform::link;
using namespace platform::link::usb;
using namespace std::chrono_literals;
using platform::Result;

// A pseudo-terminal: the handheld writes the master, the desktop reads the
// raw slave.
std::pair<ByteStream, ByteStream> TerminalPair() {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
    return {ByteStream(-1), ByteStream(-1)};
  const int slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios settings{};
  tcgetattr(slave, &settings);
  cfmakeraw(&settings);
  tcsetattr(slave, TCSANOW, &settings);
  return {ByteStream(slave), ByteStream(master)};
}

// The handheld's first network HotSync packet (its 22-byte greeting) and a
// serial wakeup frame's start.
const std::vector<uint8_t> kNetSyncStart = {0x01, 0xFF, 0x00, 0x00, 0x00, 0x16, 0x90, 0x01};
const std::vector<uint8_t> kSerialStart = {0xBE, 0xEF, 0xED, 0x03, 0x03, 0x02, 0x00, 0x0A};

struct Case {
  const char* name;
  std::vector<uint8_t> bytes;
  bool oneByteWrites;
  std::optional<Framing> framing;
  const char* failure = nullptr;
};

TEST(Framing, FirstBytesChooseTheLinkAndStayToBeRead) {
  const Case cases[] = {
      {"network HotSync", kNetSyncStart, false, Framing::kNetSync},
      {"network HotSync a byte at a time", kNetSyncStart, true, Framing::kNetSync},
      {"serial", kSerialStart, false, Framing::kSerial},
      {"serial a byte at a time", kSerialStart, true, Framing::kSerial},
      {"a data packet that is not the handheld's first",
       {0x01, 0x01, 0, 0},
       false,
       std::nullopt,
       "(01 01) start neither"},
      {"a broken serial signature", {0xBE, 0xEF, 0xEE}, false, std::nullopt, "(BE EF EE)"},
      {"garbage", {0x00, 0x42}, false, std::nullopt, "(00) start neither"},
      {"closed after half a signature", {0xBE, 0xEF}, false, std::nullopt, "closed"},
  };
  for (const bool overTerminal : {false, true}) {
    for (const Case& row : cases) {
      SCOPED_TRACE(std::string(row.name) + (overTerminal ? " over a terminal" : " over a socket"));
      auto [desktop, handheld] = overTerminal ? TerminalPair() : linktest::StreamPair();
      ASSERT_TRUE(desktop.IsOpen() && handheld.IsOpen());
      if (row.oneByteWrites) handheld.LimitWrites(1);
      ASSERT_TRUE(handheld.WriteAll(row.bytes, Clock::now() + 5s));
      // A pseudo-terminal's reader sees no end of file: a closed master is
      // an error, which fails the read as well.
      if (row.failure && std::string(row.failure) == "closed") handheld.Close();
      Result<Framing> framing = DetectFraming(desktop, Clock::now() + 5s);
      if (row.failure) {
        ASSERT_FALSE(framing);
        if (!overTerminal || std::string(row.failure) != "closed") {
          EXPECT_NE(framing.Reason().find(row.failure), std::string::npos) << framing.Reason();
        }
        continue;
      }
      ASSERT_TRUE(framing) << framing.Reason();
      EXPECT_EQ(*framing, *row.framing);
      std::vector<uint8_t> again(row.bytes.size());
      ASSERT_TRUE(desktop.ReadExactly(again, Clock::now() + 5s));
      EXPECT_EQ(again, row.bytes);
    }
  }
}

TEST(Framing, AQuietHandheldEndsTheWaitAtTheDeadline) {
  auto [desktop, handheld] = linktest::StreamPair();
  Result<Framing> framing = DetectFraming(desktop, Clock::now());
  ASSERT_FALSE(framing);
  EXPECT_NE(framing.Reason().find("in time"), std::string::npos) << framing.Reason();
}

}  // namespace
