#include "link/dlp_message.h"

#include <gtest/gtest.h>

#include <ctime>

#include "link/netsync_packet.h"
#include "recorded_session.h"
#include "testing/scoped_env.h"

namespace {

using namespace platform::link;
using platform::Failure;
using platform::Result;
using linktest::FromHex;

std::vector<uint8_t> PayloadOf(const std::vector<uint8_t>& packet) {
  return {packet.begin() + kNetSyncHeadSize, packet.end()};
}

// Every DLP message of the recorded HotSyncs (after the handshake's five
// packets) decodes, and encodes back to the bytes the handheld or the
// desktop sent; every shorter prefix is refused without reading past it.
TEST(DlpMessage, RecordedMessagesDecodeAndEncodeToTheSameBytes) {
  int replies = 0;
  for (const char* name : {"no-op-test.net.json", "device-info-test.net.json",
                           "list-db-test.net.json", "create-delete-db-test.net.json"}) {
    const auto chunks = linktest::LoadRecording(name);
    for (bool fromHandheld : {false, true}) {
      const auto packets = linktest::Packets(chunks, fromHandheld);
      for (size_t i = fromHandheld ? 3 : 2; i < packets.size(); ++i) {
        const std::vector<uint8_t> message = PayloadOf(packets[i]);
        SCOPED_TRACE(std::string(name) + (fromHandheld ? " reply " : " request ") +
                     std::to_string(i));
        if (fromHandheld) {
          Result<DlpReply> reply = DlpReply::Decode(message);
          ASSERT_TRUE(reply) << reply.Reason();
          EXPECT_EQ(reply->Encode(), message);
          ++replies;
        } else {
          Result<DlpRequest> request = DlpRequest::Decode(message);
          ASSERT_TRUE(request) << request.Reason();
          EXPECT_EQ(request->Encode(), message);
        }
        for (size_t cut = 0; cut < message.size(); ++cut) {
          const std::span<const uint8_t> prefix(message.data(), cut);
          EXPECT_FALSE(fromHandheld ? DlpReply::Decode(prefix).Ok()
                                    : DlpRequest::Decode(prefix).Ok())
              << "prefix of " << cut;
        }
      }
    }
  }
  EXPECT_EQ(replies, 26);
}

TEST(DlpMessage, RecordedReplyFieldsAndErrors) {
  // ReadSysInfo's reply: ROM version, then DLP 1.2 and a largest record of 0xFFE1.
  Result<DlpReply> sysInfo = DlpReply::Decode(FromHex(
      "92020000200e0540301700010000000401000000210c00010002000300000000ffe1"));
  ASSERT_TRUE(sysInfo);
  EXPECT_EQ(sysInfo->function, 0x12);
  ASSERT_NE(sysInfo->Find(0x21), nullptr);
  EXPECT_EQ(sysInfo->Find(0x21)->data, FromHex("00010002000300000000ffe1"));
  // DeleteDB of a missing database: error 5 and no arguments.
  Result<DlpReply> missing = DlpReply::Decode(FromHex("9a000005"));
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->error, 5);
  EXPECT_TRUE(missing->arguments.empty());
  // ReadDBList's reply wraps its 1,300 bytes in a small argument.
  const auto list = linktest::Packets(linktest::LoadRecording("list-db-test.net.json"), true);
  Result<DlpReply> databases = DlpReply::Decode(PayloadOf(list[5]));
  ASSERT_TRUE(databases);
  ASSERT_EQ(databases->arguments.size(), 1u);
  EXPECT_EQ(databases->arguments[0].id, 0x20);
  EXPECT_EQ(databases->arguments[0].data.size(), 0x514u);
}

TEST(DlpMessage, ArgumentsTakeTheSmallestWrapperThatHoldsThem) {
  struct Row {
    size_t size;
    std::vector<uint8_t> head;
  };
  for (const Row& row : {Row{0, {0x21, 0x00}}, Row{255, {0x21, 0xFF}},
                         Row{256, {0xA1, 0x00, 0x01, 0x00}}, Row{65535, {0xA1, 0x00, 0xFF, 0xFF}},
                         Row{65536, {0x61, 0x00, 0x00, 0x01, 0x00, 0x00}}}) {
    DlpRequest request{0x21, {{0x21, std::vector<uint8_t>(row.size, 0x5A)}}};
    const std::vector<uint8_t> bytes = request.Encode();
    ASSERT_EQ(bytes.size(), 2 + row.head.size() + row.size);
    EXPECT_TRUE(std::equal(row.head.begin(), row.head.end(), bytes.begin() + 2)) << row.size;
    Result<DlpRequest> back = DlpRequest::Decode(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->arguments, request.arguments);
  }
}

TEST(DlpMessage, MalformedMessagesAreRefused) {
  for (const char* hex : {
           "9201000020",        // argument cut short
           "920100002001",      // argument's data missing
           "92010000e0000000",  // both size bits: no such wrapper
           "9200000000",        // a byte after the arguments
           "1200",              // a request where a reply is due
       }) {
    EXPECT_FALSE(DlpReply::Decode(FromHex(hex))) << hex;
  }
  EXPECT_FALSE(DlpRequest::Decode(FromHex("9000")));  // a reply where a request is due
  EXPECT_FALSE(DlpRequest::Decode(FromHex("1001")));  // one argument announced, none there
}

TEST(DlpDate, RecordedDateAndPcTime) {
  vlmtest::ScopedEnv zone("TZ", "UTC");
  tzset();
  // ReadUserInfo's last successful HotSync, as the handheld sent it.
  const std::vector<uint8_t> bytes = FromHex("07e7060c11000000");
  const DlpDate date = DlpDate::Decode(std::span<const uint8_t, DlpDate::kSize>(bytes));
  EXPECT_EQ(date, (DlpDate{2023, 6, 12, 17, 0, 0}));
  EXPECT_EQ(date.ToPcTime(), 1686589200);
  EXPECT_EQ(DlpDate::FromPcTime(1686589200), date);
  const auto encoded = date.Encode();
  EXPECT_EQ(std::vector<uint8_t>(encoded.begin(), encoded.end()), bytes);
  // Year 0 is no date, both ways.
  EXPECT_EQ(DlpDate{}.ToPcTime(), 0);
  EXPECT_EQ(DlpDate::FromPcTime(0), DlpDate{});
}

}  // namespace
