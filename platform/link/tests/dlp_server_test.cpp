#include "link/dlp_server.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "fake_handheld.h"
#include "link/dlp_client.h"
#include "recorded_session.h"
#include "served_handheld.h"

namespace {

using namespace platform::link;
using linktest::FakeHandheld;
using linktest::FromHex;
using platform::Failure;
using platform::Result;

constexpr uint32_t FourCc(const char (&text)[5]) {
  return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 |
         uint32_t(uint8_t(text[2])) << 8 | uint8_t(text[3]);
}

// What the handheld's end answers to requests it cannot serve as asked.
TEST(DlpServer, EachRequestGetsItsReplyOrItsDlpError) {
  struct Row {
    const char* what;
    std::function<void(FakeHandheld&)> setup;
    const char* request;
    const char* reply;
  };
  const Row rows[] = {
      {"a function it does not serve", {}, "4000", "c0000002"},
      {"an announced argument missing", {}, "1701", "97000013"},
      {"a reply where a request is due", {}, "9000", "90000013"},
      {"nothing", {}, "", "80000013"},
      {"no argument", {}, "1700", "97000014"},
      {"an argument too short",
       {},
       "17012001"
       "80",
       "97000015"},
      {"a block longer than its bytes",
       {},
       "1c012006"
       "01000005aabb",
       "9c000015"},
      {"the handheld's DLP error", [](FakeHandheld& h) { h.Fail<calls::OpenDB>(kDlpErrNotFound); },
       "17012009"
       "00804d656d6f444200",
       "97000005"},
      {"a failure without a DLP code", [](FakeHandheld& h) { h.Fail<calls::OpenDB>(0); },
       "17012009"
       "00804d656d6f444200",
       "97000001"},
      {"a code past DLP's", [](FakeHandheld& h) { h.Fail<calls::OpenDB>(0x4003); },
       "17012009"
       "00804d656d6f444200",
       "97000001"},
      {"an answer too long for its reply",
       [](FakeHandheld& h) {
         h.Answer<calls::ReadAppBlock>({0, std::vector<uint8_t>(0x10000)});
       },
       "1b012006"
       "01000000ffff",
       "9b000001"},
      {"an answer", [](FakeHandheld& h) { h.Answer<calls::ReadOpenDBInfo>({300}); },
       "2b012001"
       "03",
       "ab010000"
       "2002012c"},
      {"every database closed", {}, "19012100", "99000000"},
  };
  for (const Row& row : rows) {
    FakeHandheld handheld;
    if (row.setup) row.setup(handheld);
    EXPECT_EQ(AnswerDlp(FromHex(row.request), handheld), FromHex(row.reply)) << row.what;
  }
}

// Both ends over a socket pair, each behind its NetSync link: the desktop
// calls through DlpClient, the handheld's end serves a FakeHandheld.
class DlpBothEnds : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_served.Connected());
    client.emplace(m_served.Desktop());
  }

  // Closes the desktop's end; how ServeDlp ended.
  Result<void> Served() { return m_served.Finish(); }

  // Sets the handheld's reply, makes the call with `send`, and checks
  // that the handheld was asked `request` and the desktop got `expected`
  // (unchecked for a call that returns nothing).
  template <typename Call, typename Expected, typename Send>
  void Exchange(const typename Call::Reply& reply, const typename Call::Request& request,
                const Expected& expected, Send send) {
    SCOPED_TRACE(DlpFunctionName(static_cast<uint8_t>(Call::kFunction)));
    handheld.Answer<Call>(reply);
    auto answered = send();
    ASSERT_TRUE(answered) << answered.Reason();
    if constexpr (!std::is_same_v<decltype(answered), Result<void>>) {
      EXPECT_EQ(*answered, expected);
    }
    EXPECT_EQ(handheld.LastRequest<Call>(), std::optional(request));
  }

  FakeHandheld handheld;
  std::optional<DlpClient> client;

 private:
  linktest::ServedHandheld m_served{handheld};
};

// Every call, with every field set, arrives at the handheld as sent and
// comes back as answered; EndOfSync ends the serving loop.
TEST_F(DlpBothEnds, EveryCallRoundTrips) {
  using B = ReadRecordRequest::By;
  using R = ReadResourceRequest::By;
  using W = DeleteRecordRequest::Which;
  using F = FindDbRequest::By;
  DlpClient& c = *client;
  const std::vector<uint8_t> bytes{1, 2, 3, 0, 0xFF};
  const std::vector<uint8_t> big(300, 0x41);  // past a tiny argument
  const DlpDate when{2024, 2, 29, 23, 59, 58};
  const uint32_t memo = FourCc("memo");
  const uint32_t data = FourCc("DATA");
  const DbInfo memoDb{kDbMiscRamBased, 0x0008, data, memo, 3, 17, when, when, {}, 4, "MemoDB"};
  const DbInfo odd{0, 0x0001, FourCc("appl"), memo, 1, 0, when, {}, {}, 5, "Memo Pad"};

  const SysInfo sys{0x05003000, 0x00010000, {0, 2, 0, 0}, {1, 4}, {1, 1}, 0xFFFFFFFF};
  Exchange<calls::ReadSysInfo>(sys, SysInfoRequest{}, sys, [&] { return c.ReadSysInfo(); });
  const UserInfo user{7, 8, 9, when, {}, "Ann Example", {0xDE, 0xAD}};
  Exchange<calls::ReadUserInfo>(user, NoArguments{}, user, [&] { return c.ReadUserInfo(); });
  const WriteUserInfoRequest writeUser{7, 0, 0x1234, when, kUserInfoModSyncPc, "Ann"};
  Exchange<calls::WriteUserInfo>({}, writeUser, 0, [&] { return c.WriteUserInfo(writeUser); });
  Exchange<calls::GetSysDateTime>({when}, {}, when, [&] { return c.GetSysDateTime(); });
  Exchange<calls::SetSysDateTime>({}, {when}, 0, [&] { return c.SetSysDateTime(when); });
  const StorageInfo storage{
      0, false, {{0, 1, when, 0x200000, 0x1000000, 0x800000, "Internal", "Maker"}}, {{12, 34}}};
  Exchange<calls::ReadStorageInfo>(storage, {2}, storage, [&] { return c.ReadStorageInfo(2); });
  const NetSyncInfo net{true, {5}, "desk", "10.0.0.2", "255.255.255.0"};
  Exchange<calls::ReadNetSyncInfo>(net, {}, net, [&] { return c.ReadNetSyncInfo(); });
  const WriteNetSyncInfoRequest writeNet{kNetSyncModAddress, net};
  Exchange<calls::WriteNetSyncInfo>({}, writeNet, 0, [&] { return c.WriteNetSyncInfo(writeNet); });
  Exchange<calls::OpenConduit>({}, {}, 0, [&] { return c.OpenConduit(); });
  Exchange<calls::AddSyncLogEntry>({}, {"Memos: 3 new"}, 0,
                                   [&] { return c.AddSyncLogEntry("Memos: 3 new"); });

  const DbListPage page{5, true, {memoDb, odd}};
  Exchange<calls::ReadDBList>(page, {kDbListRom, 1, 3}, page, [&] {
    return c.ReadDBList({kDbListRom, 1, 3});
  });
  const FindDbRequest byType{
      F::kTypeCreator, kFindDbAttributes | kFindDbSizes, 0, "", 0, kFindDbNewSearch, data, memo};
  const FindDbReply found{FoundDb{0, 0x1234, 0, memoDb}, DbSizes{3, 400, 300, 20, 0, 0}};
  Exchange<calls::FindDB>(found, byType, found, [&] { return c.FindDB(byType); });
  const FindDbRequest byName{F::kName, kFindDbAttributes, 1, "MemoDB"};
  Exchange<calls::FindDB>({found.found, {}}, byName, FindDbReply{found.found, {}},
                          [&] { return c.FindDB(byName); });
  Exchange<calls::OpenDB>({3}, {1, 0x90, "MemoDB"}, 3, [&] { return c.OpenDB("MemoDB", 0x90, 1); });
  const CreateDbRequest create{memo, data, 0, 0x0001, 2, "New Resources"};
  Exchange<calls::CreateDB>({4}, create, 4, [&] { return c.CreateDB(create); });
  Exchange<calls::CloseDB>({}, {false, 4}, 0, [&] { return c.CloseDB(4); });
  Exchange<calls::CloseDB>({}, {true, 0}, 0, [&] { return c.CloseAllDBs(); });
  Exchange<calls::DeleteDB>({}, {1, "Old"}, 0, [&] { return c.DeleteDB("Old", 1); });
  Exchange<calls::ReadOpenDBInfo>({300}, {3}, 300, [&] { return c.ReadOpenDBInfo(3); });
  const DbBlock block{9, {1, 2, 3}};  // three bytes of a nine-byte block
  Exchange<calls::ReadAppBlock>(block, {3, 6, 3}, block, [&] { return c.ReadAppBlock({3, 6, 3}); });
  Exchange<calls::WriteAppBlock>({}, {3, big}, 0, [&] { return c.WriteAppBlock(3, big); });
  Exchange<calls::ReadSortBlock>(block, {3}, block, [&] { return c.ReadSortBlock({3}); });
  Exchange<calls::WriteSortBlock>({}, {3, {}}, 0, [&] { return c.WriteSortBlock(3, {}); });
  Exchange<calls::CleanUpDatabase>({}, {3}, 0, [&] { return c.CleanUpDatabase(3); });
  Exchange<calls::ResetSyncFlags>({}, {3}, 0, [&] { return c.ResetSyncFlags(3); });
  Exchange<calls::ResetRecordIndex>({}, {3}, 0, [&] { return c.ResetRecordIndex(3); });

  const RecordReply record{0x00ABCDEF, 2, 5, 0x50, 3, bytes};
  for (const ReadRecordRequest& read :
       {ReadRecordRequest{B::kId, 3, 0x00ABCDEF}, ReadRecordRequest{B::kIndex, 3, 0, 2, 1, 4}}) {
    Exchange<calls::ReadRecord>(record, read, record, [&] { return c.ReadRecord(read); });
  }
  Exchange<calls::ReadNextModifiedRec>(record, {3}, record,
                                       [&] { return c.ReadNextModifiedRec(3); });
  Exchange<calls::ReadNextRecInCategory>(record, {3, 7}, record,
                                         [&] { return c.ReadNextRecInCategory(3, 7); });
  const WriteRecordRequest writeRecord{3, 0, 0x10, 2, big};
  Exchange<calls::WriteRecord>({0x100001}, writeRecord, 0x100001u,
                               [&] { return c.WriteRecord(writeRecord); });
  for (const DeleteRecordRequest& erase :
       {DeleteRecordRequest{W::kOne, 3, 0x00ABCDEF}, DeleteRecordRequest{W::kAll, 3},
        DeleteRecordRequest{W::kCategory, 3, 0, 5}}) {
    Exchange<calls::DeleteRecord>({}, erase, 0, [&] { return c.DeleteRecord(erase); });
  }
  const std::vector<uint32_t> ids{1, 2, 0xFFFFFF};
  Exchange<calls::ReadRecordIDList>({ids}, {3, true, 1, 3}, ids, [&] {
    return c.ReadRecordIDList({3, true, 1, 3});
  });
  const ResourceReply resource{FourCc("tSTR"), 1000, 6, 5, bytes};
  for (const ReadResourceRequest& read :
       {ReadResourceRequest{R::kIndex, 3, 6},
        ReadResourceRequest{R::kType, 3, 0, FourCc("tSTR"), 1000, 2, 3}}) {
    Exchange<calls::ReadResource>(resource, read, resource, [&] { return c.ReadResource(read); });
  }
  const WriteResourceRequest writeResource{3, FourCc("tSTR"), 1000, bytes};
  Exchange<calls::WriteResource>({}, writeResource, 0,
                                 [&] { return c.WriteResource(writeResource); });
  const PreferenceReply preference{3, 20, bytes};
  const ReadPreferenceRequest readPreference{memo, 1, 100, false};
  Exchange<calls::ReadAppPreference>(preference, readPreference, preference,
                                     [&] { return c.ReadAppPreference(readPreference); });
  const WritePreferenceRequest writePreference{memo, 1, 3, true, bytes};
  Exchange<calls::WriteAppPreference>({}, writePreference, 0,
                                      [&] { return c.WriteAppPreference(writePreference); });

  Exchange<calls::EndOfSync>({}, {kDlpEndOther}, 0, [&] { return c.EndOfSync(kDlpEndOther); });
  Result<void> served = Served();
  EXPECT_TRUE(served) << served.Reason();
}

// The handheld's DLP errors reach the desktop as they were; a desktop that
// goes away without EndOfSync ends the serving loop with the link's failure.
TEST_F(DlpBothEnds, ErrorsCrossTheLinkAndALostDesktopEndsTheLoop) {
  handheld.Fail<calls::OpenDB>(kDlpErrTooManyOpen);
  Result<uint8_t> opened = client->OpenDB("MemoDB", kDbOpenRead);
  ASSERT_FALSE(opened);
  EXPECT_EQ(opened.Code(), kDlpErrTooManyOpen);
  EXPECT_EQ(opened.Reason(), "OpenDB: too many databases are open");
  Result<void> nothing = client->DeleteRecord({DeleteRecordRequest::Which::kAll, 1});
  EXPECT_TRUE(nothing);
  EXPECT_FALSE(Served());
}

}  // namespace
