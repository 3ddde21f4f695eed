// What each kind of handheld is asked when it appears, and the endpoints
// its HotSync then uses: those it names, else the interface's own.
#include "link/usb/handheld_setup.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_usb_device.h"

namespace {

using namespace platform::link::usb;
using namespace std::chrono_literals;
using platform::Result;
using usbtest::FakeUsbDevice;
using usbtest::TypicalEndpoints;

constexpr uint8_t kVendor = kVendorInToEndpoint;
const std::vector<uint8_t> kExtendedHotSyncOn1 = {1, 0, 0, 0, 'c', 'n', 'y', 's', 1, 0, 0, 0};
const std::vector<uint8_t> kExtendedNoHotSync = {1, 0, 0, 0, 'p', 'p', 'a', 'm', 1, 0, 0, 0};
const std::vector<uint8_t> kPlainHotSyncOn1 = {2, 0, 0, 2, 2, 1};
const std::vector<uint8_t> kBytesAvailable = {0, 1};

struct Reply {
  uint8_t requestType;
  uint8_t request;
  std::vector<uint8_t> bytes;
};

struct Case {
  const char* name;
  uint16_t vendor;
  uint16_t product;
  std::vector<Reply> replies;
  std::vector<BulkEndpoint> endpoints;
  HotSyncEndpoints chosen;
  std::vector<uint8_t> asked;     // the requests, in order
  const char* failure = nullptr;  // a part of the reason, when it fails
};

TEST(HandheldSetup, AsksWhatTheModelWaitsForAndChoosesItsEndpoints) {
  const std::vector<BulkEndpoint> typical = TypicalEndpoints();
  const Case cases[] = {
      {"extended information names port 1",
       0x0830,
       0x0060,
       {{kVendor, 4, kExtendedHotSyncOn1}, {kVendor, 1, kBytesAvailable}},
       typical,
       {0x81, 0x01},
       {4, 1}},
      {"extended refused, the plain one names port 1",
       0x0830,
       0x0060,
       {{kVendor, 3, kPlainHotSyncOn1}, {kVendor, 1, kBytesAvailable}},
       typical,
       {0x81, 0x01},
       {4, 3, 1}},
      {"neither names a port: the first bulk pair",
       0x0830,
       0x0060,
       {{kVendor, 4, kExtendedNoHotSync}},
       typical,
       {0x81, 0x01},
       {4, 3, 1}},
      {"a named port the interface lacks: the first 64-byte pair",
       0x0830,
       0x0060,
       {{kVendor, 4, kExtendedHotSyncOn1}},
       {{0x83, 512}, {0x03, 512}, {0x82, 64}, {0x02, 64}},
       {0x82, 0x02},
       {4, 1}},
      {"damaged extended information",
       0x0830,
       0x0060,
       {{kVendor, 4, {3, 0, 0, 0}}},
       typical,
       {},
       {4},
       "counts 3 ports"},
      {"the Visor asks the plain information only",
       0x082D,
       0x0100,
       {{kVendor, 3, kPlainHotSyncOn1}},
       typical,
       {0x81, 0x01},
       {3, 1}},
      {"the Zodiac asks the extended one three times",
       0x12EF,
       0x0100,
       {{kVendor, 4, kExtendedHotSyncOn1}},
       typical,
       {0x81, 0x01},
       {4, 4, 4}},
      {"the earliest Sony: standard requests",
       0x054C,
       0x0038,
       {},
       typical,
       {0x81, 0x01},
       {0x08, 0x0A, 1}},
      {"the m100 is asked nothing", 0x0830, 0x0080, {}, typical, {0x81, 0x01}, {}},
      {"no bulk OUT endpoint",
       0x0830,
       0x0060,
       {},
       {{0x81, 64}},
       {},
       {4, 3, 1},
       "no pair of bulk endpoints"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    FakeUsbDevice device(-1, row.endpoints);
    for (const Reply& reply : row.replies)
      device.Answer(reply.requestType, reply.request, reply.bytes);
    const HandheldModel* model = FindHandheldModel(row.vendor, row.product);
    ASSERT_NE(model, nullptr);
    Result<HotSyncEndpoints> chosen = SetUpHandheld(device, *model, 1s);
    if (row.failure) {
      ASSERT_FALSE(chosen);
      EXPECT_NE(chosen.Reason().find(row.failure), std::string::npos) << chosen.Reason();
    } else {
      ASSERT_TRUE(chosen) << chosen.Reason();
      EXPECT_EQ(*chosen, row.chosen);
    }
    EXPECT_EQ(device.Asked(), row.asked);
  }
}

TEST(HandheldSetup, AHandheldThatLeftTheBusFailsTheSetUp) {
  FakeUsbDevice device(-1, TypicalEndpoints());
  device.Unplug();
  Result<HotSyncEndpoints> chosen = SetUpHandheld(device, *FindHandheldModel(0x0830, 0x0060), 1s);
  ASSERT_FALSE(chosen);
  EXPECT_EQ(chosen.Code(), kUsbDeviceGone);
}

TEST(HandheldModels, TheTableIsInOrderWithoutRepeats) {
  const auto models = KnownHandhelds();
  for (size_t i = 1; i < models.size(); ++i) {
    const auto key = [](const HandheldModel& m) { return (uint32_t{m.vendor} << 16) | m.product; };
    EXPECT_LT(key(models[i - 1]), key(models[i])) << models[i].name;
  }
  EXPECT_EQ(FindHandheldModel(0x0830, 0x9999), nullptr);
}

}  // namespace
