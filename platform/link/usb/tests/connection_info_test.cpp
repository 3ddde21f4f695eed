// The two connection-information replies: the HotSync endpoints they name,
// and the replies too short for what they announce.
#include "link/usb/connection_info.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace platform::link::usb;

// A handheld with two ports whose endpoints differ: HotSync on IN 2 and
// OUT 3, a second application on 4 and 5.
const std::vector<uint8_t> kExtendedTwoPorts = {
    0x02, 0x01, 0x00, 0x00,                           // count, endpoints differ
    'c',  'n',  'y',  's',  0x00, 0x23, 0x00, 0x00,   // HotSync
    'p',  'p',  'a',  'm',  0x00, 0x45, 0x00, 0x00};  // another port
// A handheld whose HotSync port is its second, on endpoint 2 both ways.
const std::vector<uint8_t> kPlainTwoPorts = {0x02, 0x00, 0x00, 0x01, 0x02, 0x02};

struct Case {
  const char* name;
  bool extended;
  std::vector<uint8_t> reply;
  std::optional<EndpointNumbers> endpoints;
  const char* failure = nullptr;  // a part of the reason, when it fails
};

std::optional<EndpointNumbers> None() {
  return std::nullopt;
}

TEST(ConnectionInfo, NamesTheHotSyncEndpointsOrSaysWhatIsWrong) {
  const Case cases[] = {
      {"extended, endpoints differ", true, kExtendedTwoPorts, EndpointNumbers{2, 3}},
      {"extended, one number both ways",
       true,
       {1, 0, 0, 0, 'c', 'n', 'y', 's', 3, 0x45, 0, 0},
       EndpointNumbers{3, 3}},
      {"extended, no HotSync port", true, {1, 1, 0, 0, 'p', 'p', 'a', 'm', 0, 0x23, 0, 0}, None()},
      {"extended, HotSync on endpoint 0",
       true,
       {1, 0, 0, 0, 'c', 'n', 'y', 's', 0, 0x23, 0, 0},
       None()},
      {"extended, no ports", true, {0, 0, 0, 0}, None()},
      {"extended, more ports counted than carried",
       true,
       {2, 1, 0, 0, 'c', 'n', 'y', 's', 0, 0x23, 0, 0},
       None(),
       "counts 2 ports but has room for 1"},
      {"extended, shorter than its head", true, {1, 0}, None(), "shorter than its head of 4"},
      {"plain, HotSync second", false, kPlainTwoPorts, EndpointNumbers{2, 2}},
      {"plain, no HotSync port", false, {1, 0, 0x03, 0x01}, None()},
      {"plain, more ports counted than carried",
       false,
       {3, 0, 0, 1, 2, 2},
       None(),
       "counts 3 ports but has room for 2"},
      {"plain, empty", false, {}, None(), "0 bytes"},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.name);
    std::optional<EndpointNumbers> named;
    std::string reason;
    if (row.extended) {
      auto info = ExtendedConnectionInfo::Decode(row.reply);
      if (info)
        named = info->HotSyncEndpoints();
      else
        reason = info.Reason();
    } else {
      auto info = ConnectionInfo::Decode(row.reply);
      if (info)
        named = info->HotSyncEndpoints();
      else
        reason = info.Reason();
    }
    if (row.failure) {
      EXPECT_NE(reason.find(row.failure), std::string::npos) << reason;
    } else {
      EXPECT_EQ(reason, "");
      EXPECT_EQ(named, row.endpoints);
    }
  }
}

TEST(ConnectionInfo, EveryTruncatedReplyIsRefused) {
  for (size_t size = 0; size < kExtendedTwoPorts.size(); ++size) {
    EXPECT_FALSE(ExtendedConnectionInfo::Decode(std::span(kExtendedTwoPorts).first(size))) << size;
  }
  for (size_t size = 0; size < kPlainTwoPorts.size(); ++size) {
    EXPECT_FALSE(ConnectionInfo::Decode(std::span(kPlainTwoPorts).first(size))) << size;
  }
}

TEST(ConnectionInfo, EncodesTheBytesItDecoded) {
  auto extended = ExtendedConnectionInfo::Decode(kExtendedTwoPorts);
  ASSERT_TRUE(extended);
  EXPECT_EQ(extended->Encode(), kExtendedTwoPorts);
  auto plain = ConnectionInfo::Decode(kPlainTwoPorts);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->Encode(), kPlainTwoPorts);
}

}  // namespace
