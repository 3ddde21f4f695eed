// The links over a USB handheld through the bridge: both framings carry
// their handshake and calls unchanged, a handheld unplugged in the middle
// fails the next call at once, and a quiet handheld is spoken to.
#include "link/usb/usb_bridge.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <future>
#include <thread>

#include "fake_usb_device.h"
#include "link/netsync_link.h"
#include "link/serial_link.h"

namespace {

using namespace platform::link;
using namespace platform::link::usb;
using namespace std::chrono_literals;
using platform::Result;
using usbtest::FakeUsbDevice;

constexpr std::chrono::milliseconds kTimeout = 10s;

struct Plugged {
  std::unique_ptr<UsbBridge> bridge;
  FakeUsbDevice* device;  // owned by the bridge
  ByteStream handheld;    // the handheld's side of the bulk endpoints
};

Plugged PlugIn(std::vector<uint8_t> wakeBytes = {}) {
  int ends[2];
  EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
  auto device = std::make_unique<FakeUsbDevice>(ends[0], usbtest::TypicalEndpoints());
  FakeUsbDevice* raw = device.get();
  BridgeSettings settings{{0x82, 0x02}, kTimeout, std::move(wakeBytes), 0ms};
  auto bridge = UsbBridge::Start(std::move(device), std::move(settings));
  EXPECT_TRUE(bridge);
  return {std::move(*bridge), raw, ByteStream(ends[1])};
}

std::unique_ptr<HandheldLink> HandheldEnd(Framing framing, ByteStream stream) {
  if (framing == Framing::kNetSync) {
    return std::make_unique<NetSyncHandheldLink>(std::move(stream), kTimeout);
  }
  return std::make_unique<SerialHandheldLink>(std::move(stream));
}

// The desktop's end of either framing.
struct DesktopEnd {
  DesktopEnd(Framing framing, ByteStream stream) {
    if (framing == Framing::kNetSync) {
      net = std::make_unique<NetSyncDesktopLink>(std::move(stream), kTimeout);
    } else {
      serial = std::make_unique<SerialDesktopLink>(std::move(stream));
    }
  }
  Result<void> Handshake() { return net ? net->Handshake() : serial->Handshake(); }
  bool Broken() const { return net ? net->Broken() : serial->Broken(); }
  DesktopLink* operator->() { return net ? static_cast<DesktopLink*>(net.get()) : serial.get(); }

  std::unique_ptr<NetSyncDesktopLink> net;
  std::unique_ptr<SerialDesktopLink> serial;
};

Result<void> ShakeHands(HandheldLink& link) {
  if (auto* net = dynamic_cast<NetSyncHandheldLink*>(&link)) return net->Handshake();
  return dynamic_cast<SerialHandheldLink&>(link).Handshake();
}

// Answers each request with its bytes reversed, `calls` times.
Result<void> Answer(HandheldLink& link, int calls) {
  for (int i = 0; i < calls; ++i) {
    Result<std::vector<uint8_t>> request = link.NextRequest();
    if (!request) return request.Error();
    std::vector<uint8_t> reply(request->rbegin(), request->rend());
    if (Result<void> sent = link.Reply(reply); !sent) return sent;
  }
  return {};
}

class BridgedLinkTest : public testing::TestWithParam<Framing> {};

TEST_P(BridgedLinkTest, CarriesTheHandshakeAndEveryCall) {
  Plugged plugged = PlugIn();
  auto handheld = HandheldEnd(GetParam(), std::move(plugged.handheld));
  auto served = std::async(std::launch::async, [&] {
    if (Result<void> shaken = ShakeHands(*handheld); !shaken) return shaken;
    return Answer(*handheld, 3);
  });
  DesktopEnd desktop(GetParam(), plugged.bridge->TakeLinkEnd());
  ASSERT_TRUE(desktop.Handshake());
  for (uint8_t call = 0; call < 3; ++call) {
    // Large enough to cross several USB transfers.
    std::vector<uint8_t> request(5000 + call);
    for (size_t i = 0; i < request.size(); ++i) request[i] = static_cast<uint8_t>(i * 7 + call);
    Result<std::vector<uint8_t>> reply = desktop->Call(request);
    ASSERT_TRUE(reply) << reply.Reason();
    EXPECT_EQ(*reply, std::vector<uint8_t>(request.rbegin(), request.rend()));
  }
  EXPECT_TRUE(served.get());
  desktop->Close();
  plugged.bridge.reset();  // joins both pumps
}

TEST_P(BridgedLinkTest, AHandheldUnpluggedMidwayFailsTheNextCall) {
  Plugged plugged = PlugIn();
  auto handheld = HandheldEnd(GetParam(), std::move(plugged.handheld));
  auto served = std::async(std::launch::async, [&] { return ShakeHands(*handheld); });
  DesktopEnd desktop(GetParam(), plugged.bridge->TakeLinkEnd());
  ASSERT_TRUE(desktop.Handshake());
  ASSERT_TRUE(served.get());
  plugged.device->Unplug();
  Result<std::vector<uint8_t>> reply = desktop->Call(std::vector<uint8_t>{0x10, 0x00});
  ASSERT_FALSE(reply);
  EXPECT_TRUE(desktop.Broken());
  plugged.bridge->Stop();
  EXPECT_EQ(plugged.bridge->EndReason(), "the handheld was disconnected");
  EXPECT_TRUE(plugged.bridge->HandheldFailed());
}

INSTANTIATE_TEST_SUITE_P(BothFramings, BridgedLinkTest,
                         testing::Values(Framing::kNetSync, Framing::kSerial),
                         [](const auto& info) {
                           return info.param == Framing::kNetSync ? "NetSync" : "Serial";
                         });

TEST(UsbBridge, AQuietHandheldIsSentTheWakeOnce) {
  Plugged plugged = PlugIn(NetSyncWakeBytes());
  std::vector<uint8_t> woken(6);
  ASSERT_TRUE(plugged.handheld.ReadExactly(woken, Clock::now() + kTimeout));
  EXPECT_EQ(woken, (std::vector<uint8_t>{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_FALSE(plugged.bridge->Heard());
}

TEST(UsbBridge, AClosedLinkEndsTheBridge) {
  Plugged plugged = PlugIn();
  ByteStream link = plugged.bridge->TakeLinkEnd();
  ASSERT_TRUE(plugged.handheld.WriteAll(std::vector<uint8_t>{1, 2, 3}, Clock::now() + kTimeout));
  std::vector<uint8_t> got(3);
  ASSERT_TRUE(link.ReadExactly(got, Clock::now() + kTimeout));
  EXPECT_TRUE(plugged.bridge->Heard());
  link.Close();
  const Clock::time_point giveUp = Clock::now() + kTimeout;
  while (!plugged.bridge->Ended() && Clock::now() < giveUp) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(plugged.bridge->EndReason(), "the link was closed");
}

}  // namespace
