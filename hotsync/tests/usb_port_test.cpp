// The USB port over the visor driver's tty, played by a pseudo-terminal in
// a sysfs and /dev of the test's own: absent until the tty appears, the
// link of the framing the handheld speaks, a tty that hung up, and bytes
// that are no HotSync.
#include "manager/usb_port.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <set>

#include "link/netsync_link.h"
#include "link/serial_link.h"
#include "link/usb/handheld_models.h"
#include "testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::Result;
using platform::link::ByteStream;
using platform::link::Clock;
namespace usb = platform::link::usb;

// A handheld on the visor driver's second tty: sysfs says so, and /dev's
// ttyUSB1 is the slave of a pseudo-terminal whose master the test holds.
class VisorTtyWorld {
 public:
  VisorTtyWorld() {
    fs::create_directories(m_folder / "dev");
    m_places.sysRoot = m_folder / "sys";
    m_places.devRoot = m_folder / "dev";
    m_places.libusb = false;
    m_places.notify = [this](const std::string& text) { notices.push_back(text); };
  }
  ~VisorTtyWorld() {
    if (m_master >= 0) close(m_master);
  }

  // The handheld connects: its two ttys appear; the master end.
  ByteStream Connect() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(m_master, 0);
    EXPECT_EQ(grantpt(m_master), 0);
    EXPECT_EQ(unlockpt(m_master), 0);
    for (const char* name : {"ttyUSB0", "ttyUSB1"}) {
      const fs::path device = fs::path(m_places.sysRoot) / "class" / "tty" / name / "device";
      fs::create_directories(device);
      fs::create_symlink("../../../bus/usb-serial/drivers/visor", device / "driver");
    }
    fs::create_symlink(ptsname(m_master), fs::path(m_places.devRoot) / "ttyUSB1");
    return ByteStream(fcntl(m_master, F_DUPFD_CLOEXEC, 0));
  }
  // The handheld leaves: the master closes.
  void Disconnect() {
    close(m_master);
    m_master = -1;
  }

  const hotsync::UsbPortPlaces& Places() const { return m_places; }
  std::vector<std::string> notices;

 private:
  vlmtest::TempFolder m_temp;
  fs::path m_folder{m_temp.Path()};
  hotsync::UsbPortPlaces m_places;
  int m_master = -1;
};

hotsync::LinkSettings QuickSettings() {
  hotsync::LinkSettings settings;
  settings.timeout = 10s;
  return settings;
}

class UsbPortTtyTest : public testing::TestWithParam<usb::Framing> {};

TEST_P(UsbPortTtyTest, TheHandheldOnTheVisorTtyHotSyncsInItsOwnFraming) {
  VisorTtyWorld world;
  auto port = hotsync::MakeUsbPort(QuickSettings(), world.Places());
  EXPECT_EQ(port->Description(), "USB");
  port->Revisit();
  EXPECT_EQ(port->Fd(), -1);

  ByteStream handheldEnd = world.Connect();
  port->Revisit();
  ASSERT_GE(port->Fd(), 0) << (world.notices.empty() ? "" : world.notices.back());
  auto served = std::async(std::launch::async, [&]() -> Result<void> {
    std::unique_ptr<platform::link::HandheldLink> handheld;
    if (GetParam() == usb::Framing::kNetSync) {
      auto net = std::make_unique<platform::link::NetSyncHandheldLink>(std::move(handheldEnd));
      if (Result<void> shaken = net->Handshake(); !shaken) return shaken;
      handheld = std::move(net);
    } else {
      auto serial = std::make_unique<platform::link::SerialHandheldLink>(std::move(handheldEnd));
      if (Result<void> shaken = serial->Handshake(); !shaken) return shaken;
      handheld = std::move(serial);
    }
    Result<std::vector<uint8_t>> request = handheld->NextRequest();
    if (!request) return request.Error();
    return handheld->Reply(std::vector<uint8_t>(request->rbegin(), request->rend()));
  });
  pollfd ready{port->Fd(), POLLIN, 0};
  ASSERT_EQ(poll(&ready, 1, 10'000), 1);
  std::unique_ptr<platform::link::DesktopLink> link = port->Accept();
  ASSERT_TRUE(link);
  EXPECT_EQ(port->Fd(), -1);
  ASSERT_TRUE(link->Handshake());
  Result<std::vector<uint8_t>> reply = link->Call(std::vector<uint8_t>{0x12, 0x34, 0x56});
  ASSERT_TRUE(reply) << reply.Reason();
  EXPECT_EQ(*reply, (std::vector<uint8_t>{0x56, 0x34, 0x12}));
  EXPECT_TRUE(served.get());
  link->Close();
  port->HotSyncEnded();
}

INSTANTIATE_TEST_SUITE_P(BothFramings, UsbPortTtyTest,
                         testing::Values(usb::Framing::kNetSync, usb::Framing::kSerial),
                         [](const auto& info) {
                           return info.param == usb::Framing::kNetSync ? "NetSync" : "Serial";
                         });

TEST(UsbPort, BytesThatAreNoHotSyncFailTheHandshakeWithWhatCame) {
  VisorTtyWorld world;
  auto port = hotsync::MakeUsbPort(QuickSettings(), world.Places());
  ByteStream handheldEnd = world.Connect();
  port->Revisit();
  ASSERT_GE(port->Fd(), 0);
  ASSERT_TRUE(handheldEnd.WriteAll(std::vector<uint8_t>{'A', 'T', 'Z', '\r'}, Clock::now() + 5s));
  pollfd ready{port->Fd(), POLLIN, 0};
  ASSERT_EQ(poll(&ready, 1, 10'000), 1);
  std::unique_ptr<platform::link::DesktopLink> link = port->Accept();
  ASSERT_TRUE(link);
  Result<void> shaken = link->Handshake();
  ASSERT_FALSE(shaken);
  EXPECT_NE(shaken.Reason().find("(41) start neither"), std::string::npos) << shaken.Reason();
}

TEST(UsbPort, ATtyThatHungUpBeforeAWordStartsNoHotSync) {
  VisorTtyWorld world;
  auto port = hotsync::MakeUsbPort(QuickSettings(), world.Places());
  world.Connect();
  port->Revisit();
  ASSERT_GE(port->Fd(), 0);
  world.Disconnect();
  EXPECT_EQ(port->Accept(), nullptr);
  EXPECT_EQ(port->Fd(), -1);
}

// The udev rules let the user open every handheld the port knows, and no
// other device.
TEST(UsbPort, TheUdevRulesListTheKnownHandhelds) {
  std::ifstream rules(std::string(VELLAMORE_SOURCE_DIR) + "/packaging/60-vellamore-palm.rules");
  ASSERT_TRUE(rules);
  const std::regex rule(
      R"re(^ATTRS\{idVendor\}=="([0-9a-f]{4})", ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"$)re");
  std::set<std::pair<unsigned long, unsigned long>> listed;
  for (std::string line; std::getline(rules, line);) {
    std::smatch match;
    if (std::regex_match(line, match, rule)) {
      listed.insert({std::stoul(match[1], nullptr, 16), std::stoul(match[2], nullptr, 16)});
    } else {
      EXPECT_TRUE(line.empty() || line[0] == '#' ||
                  line.find("vellamore_palm_end") != std::string::npos)
          << "an unexpected rule: " << line;
    }
  }
  std::set<std::pair<unsigned long, unsigned long>> known;
  for (const usb::HandheldModel& model : usb::KnownHandhelds())
    known.insert({model.vendor, model.product});
  EXPECT_EQ(listed, known);
}

}  // namespace
