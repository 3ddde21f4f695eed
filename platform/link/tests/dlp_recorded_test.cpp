#include <gtest/gtest.h>

#include "link/dlp_client.h"
#include "link/netsync_link.h"
#include "link/netsync_packet.h"
#include "recorded_session.h"

namespace {

using namespace platform::link;
using platform::Result;

constexpr uint32_t kTypeData = 0x44415441;     // 'DATA'
constexpr uint32_t kCreatorAAAA = 0x41414141;  // 'AAAA'

void ExpectSysInfo(DlpClient& client, uint32_t romVersion) {
  Result<SysInfo> info = client.ReadSysInfo();
  ASSERT_TRUE(info) << info.Reason();
  EXPECT_EQ(info->romVersion, romVersion);
  EXPECT_EQ(info->dlpVersion, (DlpVersion{1, 2}));
  EXPECT_EQ(info->maxRecordSize, 0xFFE1u);
}

void NoOpSession(DlpClient& client) {
  ExpectSysInfo(client, 0x05403017);
  Result<UserInfo> user = client.ReadUserInfo();
  ASSERT_TRUE(user) << user.Reason();
  EXPECT_EQ(user->name, "");
  EXPECT_EQ(user->lastSuccessfulSync.year, 0);  // never synchronized
  EXPECT_TRUE(client.EndOfSync());
}

void DeviceInfoSession(DlpClient& client) {
  ExpectSysInfo(client, 0x04103000);
  for (int i = 0; i < 2; ++i) {
    Result<UserInfo> user = client.ReadUserInfo();
    ASSERT_TRUE(user) << user.Reason();
    EXPECT_EQ(user->name, "Test 0");
    EXPECT_EQ(user->lastSync, (DlpDate{2023, 6, 12, 17, 0, 0}));
  }
  const DlpDate now{2023, 6, 13, 0, 0, 1};
  EXPECT_TRUE(
      client.WriteUserInfo({0, 0, 0, now, kUserInfoModSyncDate | kUserInfoModName, "Test 0"}));
  Result<UserInfo> user = client.ReadUserInfo();
  ASSERT_TRUE(user);
  EXPECT_EQ(user->lastSync, now);
  EXPECT_EQ(user->lastSuccessfulSync, (DlpDate{2023, 6, 12, 17, 0, 0}));

  Result<DlpDate> clock = client.GetSysDateTime();
  ASSERT_TRUE(clock);
  EXPECT_EQ(*clock, (DlpDate{2023, 6, 12, 6, 44, 51}));
  EXPECT_TRUE(client.SetSysDateTime(now));

  Result<StorageInfo> storage = client.ReadStorageInfo();
  ASSERT_TRUE(storage) << storage.Reason();
  ASSERT_EQ(storage->cards.size(), 1u);
  EXPECT_EQ(storage->cards[0].name, "PalmCard");
  EXPECT_EQ(storage->cards[0].maker, "Palm Computing");
  EXPECT_EQ(storage->cards[0].ramSize, 0x800000u);
  EXPECT_EQ(storage->cards[0].created, (DlpDate{2001, 10, 9, 13, 33, 37}));
  ASSERT_TRUE(storage->counts);
  EXPECT_EQ(storage->counts->romDatabases, 80);
  EXPECT_EQ(storage->counts->ramDatabases, 13);

  Result<NetSyncInfo> network = client.ReadNetSyncInfo();
  ASSERT_TRUE(network) << network.Reason();
  EXPECT_TRUE(network->lanSync);
  EXPECT_EQ(network->hostName, "");
  EXPECT_EQ(network->address, "192.168.2.4");
  EXPECT_TRUE(client.WriteNetSyncInfo(
      {kNetSyncModLanSync | kNetSyncModHostName | kNetSyncModAddress | kNetSyncModMask, *network}));
  EXPECT_TRUE(client.EndOfSync());
}

void ListDbSession(DlpClient& client) {
  ExpectSysInfo(client, 0x05403017);
  ASSERT_TRUE(client.ReadUserInfo());
  Result<DbListPage> page = client.ReadDBList({kDbListRam | kDbListMultiple, 0, 0});
  ASSERT_TRUE(page) << page.Reason();
  EXPECT_EQ(page->lastIndex, 42);
  EXPECT_TRUE(page->more);
  ASSERT_EQ(page->databases.size(), 20u);
  const DbInfo& address = page->databases.front();
  EXPECT_EQ(address.name, "AddressDB");
  EXPECT_EQ(address.type, kTypeData);
  EXPECT_EQ(address.creator, 0x61646472u);  // 'addr'
  EXPECT_EQ(address.attributes, 0x0008);    // backup
  EXPECT_EQ(address.miscFlags, kDbMiscRamBased);
  EXPECT_EQ(address.created, (DlpDate{2023, 6, 7, 21, 10, 34}));
  EXPECT_EQ(page->databases.back().name, "General_gnrl_panl_a68k");
  EXPECT_EQ(page->databases.back().index, 42);
  EXPECT_TRUE(client.EndOfSync());
}

void CreateDeleteSession(DlpClient& client) {
  ExpectSysInfo(client, 0x04103000);
  Result<UserInfo> user = client.ReadUserInfo();
  ASSERT_TRUE(user);
  EXPECT_EQ(user->name, "Palm OS Emulator");

  Result<void> missing = client.DeleteDB("foobar");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.Code(), kDlpErrNotFound);
  EXPECT_NE(missing.Reason().find("not found"), std::string::npos) << missing.Reason();

  Result<uint8_t> handle = client.CreateDB({kCreatorAAAA, kTypeData, 0, 0x0008, 0, "foobar"});
  ASSERT_TRUE(handle) << handle.Reason();
  EXPECT_EQ(*handle, 1);
  FindDbRequest find;
  find.by = FindDbRequest::By::kHandle;
  find.options = kFindDbAttributes | kFindDbSizes | kFindDbMaxRecordSize;
  find.handle = *handle;
  Result<FindDbReply> found = client.FindDB(find);
  ASSERT_TRUE(found) << found.Reason();
  ASSERT_TRUE(found->found && found->sizes);
  EXPECT_EQ(found->found->info.name, "foobar");
  EXPECT_EQ(found->found->info.attributes, 0x8008);  // open, backup
  EXPECT_EQ(found->found->info.creator, kCreatorAAAA);
  EXPECT_EQ(found->found->info.index, kDbIndexUnknown);
  EXPECT_EQ(found->sizes->records, 0u);
  EXPECT_EQ(found->sizes->totalBytes, 0x54u);
  EXPECT_TRUE(client.CloseDB(*handle));
  EXPECT_TRUE(client.DeleteDB("foobar"));
  EXPECT_TRUE(client.EndOfSync());
}

struct RecordedScript {
  const char* label;
  const char* recording;
  void (*run)(DlpClient&);
};

// The client against each recorded handheld, making the recorded calls in
// their order: every request goes out byte for byte as recorded (the
// player stops at the first differing byte) and every reply decodes to
// the values the handheld sent.
class RecordedDlpTest : public testing::TestWithParam<RecordedScript> {};

TEST_P(RecordedDlpTest, ClientSendsTheRecordedRequestsAndReadsTheRecordedValues) {
  const auto chunks = linktest::LoadRecording(GetParam().recording);
  auto [desktopEnd, handheldEnd] = linktest::StreamPair();
  linktest::RecordedHandheld handheld(chunks, std::move(handheldEnd));
  NetSyncDesktopLink link(std::move(desktopEnd), std::chrono::seconds(10));
  ASSERT_TRUE(link.Handshake());
  DlpClient client(link);
  GetParam().run(client);
  link.Close();
  EXPECT_EQ(handheld.Join(), linktest::DesktopBytes(chunks));
}

INSTANTIATE_TEST_SUITE_P(
    RealHandhelds, RecordedDlpTest,
    testing::Values(RecordedScript{"NoOp", "no-op-test.net.json", NoOpSession},
                    RecordedScript{"DeviceInfo", "device-info-test.net.json", DeviceInfoSession},
                    RecordedScript{"ListDb", "list-db-test.net.json", ListDbSession},
                    RecordedScript{"CreateDeleteDb", "create-delete-db-test.net.json",
                                   CreateDeleteSession}),
    [](const testing::TestParamInfo<RecordedScript>& info) { return info.param.label; });

struct RecordedExchange {
  std::string where;
  DlpRequest request;
  DlpReply reply;
};

// The DLP exchanges of every recording, after the handshake.
std::vector<RecordedExchange> RecordedExchanges() {
  std::vector<RecordedExchange> exchanges;
  for (const char* name : {"no-op-test.net.json", "device-info-test.net.json",
                           "list-db-test.net.json", "create-delete-db-test.net.json"}) {
    const auto chunks = linktest::LoadRecording(name);
    const auto requests = linktest::Packets(chunks, false);
    const auto replies = linktest::Packets(chunks, true);
    for (size_t i = 2; i < requests.size(); ++i) {
      const auto payload = [](const std::vector<uint8_t>& packet) {
        return std::span<const uint8_t>(packet).subspan(kNetSyncHeadSize);
      };
      exchanges.push_back({std::string(name) + " exchange " + std::to_string(i),
                           DlpRequest::Decode(payload(requests[i])).Value(),
                           DlpReply::Decode(payload(replies[i + 1])).Value()});
    }
  }
  return exchanges;
}

// Both ends' layouts on real bytes: each recorded request and reply
// decodes with its call's layouts and encodes back to the same arguments.
// The one exception is the emulator's user info, whose never-set dates
// carry filler in their unused byte, which a date does not keep.
TEST(DlpRecordedLayouts, DecodeAndEncodeToTheRecordedArguments) {
  int replies = 0;
  for (const RecordedExchange& exchange : RecordedExchanges()) {
    SCOPED_TRACE(exchange.where);
    const bool known = VisitDlpCall(exchange.request.function, [&]<typename Call>() {
      auto request = Call::Request::Decode(exchange.request.arguments);
      ASSERT_TRUE(request) << request.Reason();
      EXPECT_EQ(EncodedArguments(request->Encode()).Value(), exchange.request.arguments);
      if (exchange.reply.error != kDlpErrNone) return;
      auto reply = Call::Reply::Decode(exchange.reply.arguments);
      ASSERT_TRUE(reply) << reply.Reason();
      const bool fillerInDates = exchange.where.starts_with("create-delete") &&
                                 Call::kFunction == DlpFunction::kReadUserInfo;
      if (!fillerInDates) {
        EXPECT_EQ(EncodedArguments(reply->Encode()).Value(), exchange.reply.arguments);
      }
      ++replies;
    });
    EXPECT_TRUE(known) << DlpFunctionName(exchange.request.function);
  }
  EXPECT_EQ(replies, 25);
}

// Every argument of every recorded reply, cut short by any number of
// bytes, is refused by its layout as an argument of the wrong size.
TEST(DlpRecordedLayouts, EveryShortenedReplyArgumentIsRefused) {
  for (const RecordedExchange& exchange : RecordedExchanges()) {
    for (size_t which = 0; which < exchange.reply.arguments.size(); ++which) {
      const size_t size = exchange.reply.arguments[which].data.size();
      for (size_t cut = 0; cut < size; ++cut) {
        DlpArguments arguments = exchange.reply.arguments;
        arguments[which].data.resize(cut);
        VisitDlpCall(exchange.request.function, [&]<typename Call>() {
          auto reply = Call::Reply::Decode(arguments);
          ASSERT_FALSE(reply) << exchange.where << " argument " << which << " cut to " << cut;
          EXPECT_EQ(reply.Code(), kDlpErrBadArgumentSize);
        });
      }
    }
  }
}

}  // namespace
