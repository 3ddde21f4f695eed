#include "link/dlp_server.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <thread>

#include "fake_handheld.h"
#include "link/dlp_client.h"
#include "link/netsync_link.h"
#include "recorded_session.h"

namespace {

using namespace platform::link;
using platform::Failure;
using platform::Result;
using linktest::FakeHandheld;
using linktest::FromHex;

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
      {"an argument too short", {}, "17012001" "80", "97000015"},
      {"a block longer than its bytes", {}, "1c012006" "01000005aabb", "9c000015"},
      {"the handheld's DLP error", [](FakeHandheld& h) { h.Fail<calls::OpenDB>(kDlpErrNotFound); },
       "17012009" "00804d656d6f444200", "97000005"},
      {"a failure without a DLP code", [](FakeHandheld& h) { h.Fail<calls::OpenDB>(0); },
       "17012009" "00804d656d6f444200", "97000001"},
      {"a code past DLP's", [](FakeHandheld& h) { h.Fail<calls::OpenDB>(0x4003); },
       "17012009" "00804d656d6f444200", "97000001"},
      {"an answer too long for its reply",
       [](FakeHandheld& h) {
         h.Answer<calls::ReadAppBlock>({0, std::vector<uint8_t>(0x10000)});
       },
       "1b012006" "01000000ffff", "9b000001"},
      {"an answer", [](FakeHandheld& h) { h.Answer<calls::ReadOpenDBInfo>({300}); },
       "2b012001" "03", "ab010000" "2002012c"},
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
    auto [desktopEnd, handheldEnd] = linktest::StreamPair();
    m_server = std::thread([this, stream = std::move(handheldEnd)]() mutable {
      NetSyncHandheldLink link(std::move(stream), std::chrono::seconds(10));
      Result<void> shaken = link.Handshake();
      m_served = shaken ? ServeDlp(link, handheld) : shaken;
    });
    m_link.emplace(std::move(desktopEnd), std::chrono::seconds(10));
    ASSERT_TRUE(m_link->Handshake());
    client.emplace(*m_link);
  }
  void TearDown() override { Served(); }

  // Closes the desktop's end; how ServeDlp ended.
  Result<void> Served() {
    m_link->Close();
    if (m_server.joinable()) m_server.join();
    return m_served;
  }

  // Sets the handheld's reply, makes the call with `send`, and checks
  // that the handheld was asked `request` and the desktop got `expected`.
  template <typename Call, typename Send, typename Expected>
  void Exchange(const typename Call::Reply& reply, Send send,
                const typename Call::Request& request, const Expected& expected) {
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
  std::optional<NetSyncDesktopLink> m_link;
  std::thread m_server;
  Result<void> m_served;
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
  Exchange<calls::ReadSysInfo>(sys, [&] { return c.ReadSysInfo(); }, SysInfoRequest{}, sys);
  const UserInfo user{7, 8, 9, when, {}, "Ann Example", {0xDE, 0xAD}};
  Exchange<calls::ReadUserInfo>(user, [&] { return c.ReadUserInfo(); }, NoArguments{}, user);
  const WriteUserInfoRequest writeUser{7, 0, 0x1234, when, kUserInfoModSyncPc, "Ann"};
  Exchange<calls::WriteUserInfo>({}, [&] { return c.WriteUserInfo(writeUser); }, writeUser, 0);
  Exchange<calls::GetSysDateTime>({when}, [&] { return c.GetSysDateTime(); }, {}, when);
  Exchange<calls::SetSysDateTime>({}, [&] { return c.SetSysDateTime(when); }, {when}, 0);
  const StorageInfo storage{
      0, false, {{0, 1, when, 0x200000, 0x1000000, 0x800000, "Internal", "Maker"}}, {{12, 34}}};
  Exchange<calls::ReadStorageInfo>(storage, [&] { return c.ReadStorageInfo(2); }, {2}, storage);
  const NetSyncInfo net{true, {5}, "desk", "10.0.0.2", "255.255.255.0"};
  Exchange<calls::ReadNetSyncInfo>(net, [&] { return c.ReadNetSyncInfo(); }, {}, net);
  const WriteNetSyncInfoRequest writeNet{kNetSyncModAddress, net};
  Exchange<calls::WriteNetSyncInfo>({}, [&] { return c.WriteNetSyncInfo(writeNet); }, writeNet,
                                    0);
  Exchange<calls::OpenConduit>({}, [&] { return c.OpenConduit(); }, {}, 0);
  Exchange<calls::AddSyncLogEntry>({}, [&] { return c.AddSyncLogEntry("Memos: 3 new"); },
                                   {"Memos: 3 new"}, 0);

  const DbListPage page{5, true, {memoDb, odd}};
  Exchange<calls::ReadDBList>(page, [&] { return c.ReadDBList({kDbListRom, 1, 3}); },
                              {kDbListRom, 1, 3}, page);
  const FindDbRequest byType{F::kTypeCreator, kFindDbAttributes | kFindDbSizes, 0, "", 0,
                             kFindDbNewSearch, data, memo};
  const FindDbReply found{FoundDb{0, 0x1234, 0, memoDb}, DbSizes{3, 400, 300, 20, 0, 0}};
  Exchange<calls::FindDB>(found, [&] { return c.FindDB(byType); }, byType, found);
  const FindDbRequest byName{F::kName, kFindDbAttributes, 1, "MemoDB"};
  Exchange<calls::FindDB>({found.found, {}}, [&] { return c.FindDB(byName); }, byName,
                          FindDbReply{found.found, {}});
  Exchange<calls::OpenDB>({3}, [&] { return c.OpenDB("MemoDB", 0x90, 1); }, {1, 0x90, "MemoDB"},
                          3);
  const CreateDbRequest create{memo, data, 0, 0x0001, 2, "New Resources"};
  Exchange<calls::CreateDB>({4}, [&] { return c.CreateDB(create); }, create, 4);
  Exchange<calls::CloseDB>({}, [&] { return c.CloseDB(4); }, {false, 4}, 0);
  Exchange<calls::CloseDB>({}, [&] { return c.CloseAllDBs(); }, {true, 0}, 0);
  Exchange<calls::DeleteDB>({}, [&] { return c.DeleteDB("Old", 1); }, {1, "Old"}, 0);
  Exchange<calls::ReadOpenDBInfo>({300}, [&] { return c.ReadOpenDBInfo(3); }, {3}, 300);
  const DbBlock block{9, {1, 2, 3}};  // three bytes of a nine-byte block
  Exchange<calls::ReadAppBlock>(block, [&] { return c.ReadAppBlock({3, 6, 3}); }, {3, 6, 3},
                                block);
  Exchange<calls::WriteAppBlock>({}, [&] { return c.WriteAppBlock(3, big); }, {3, big}, 0);
  Exchange<calls::ReadSortBlock>(block, [&] { return c.ReadSortBlock({3}); }, {3}, block);
  Exchange<calls::WriteSortBlock>({}, [&] { return c.WriteSortBlock(3, {}); }, {3, {}}, 0);
  Exchange<calls::CleanUpDatabase>({}, [&] { return c.CleanUpDatabase(3); }, {3}, 0);
  Exchange<calls::ResetSyncFlags>({}, [&] { return c.ResetSyncFlags(3); }, {3}, 0);
  Exchange<calls::ResetRecordIndex>({}, [&] { return c.ResetRecordIndex(3); }, {3}, 0);

  const RecordReply record{0x00ABCDEF, 2, 5, 0x50, 3, bytes};
  for (const ReadRecordRequest& read : {ReadRecordRequest{B::kId, 3, 0x00ABCDEF},
                                        ReadRecordRequest{B::kIndex, 3, 0, 2, 1, 4}}) {
    Exchange<calls::ReadRecord>(record, [&] { return c.ReadRecord(read); }, read, record);
  }
  Exchange<calls::ReadNextModifiedRec>(record, [&] { return c.ReadNextModifiedRec(3); }, {3},
                                       record);
  Exchange<calls::ReadNextRecInCategory>(record, [&] { return c.ReadNextRecInCategory(3, 7); },
                                         {3, 7}, record);
  const WriteRecordRequest writeRecord{3, 0, 0x10, 2, big};
  Exchange<calls::WriteRecord>({0x100001}, [&] { return c.WriteRecord(writeRecord); },
                               writeRecord, 0x100001u);
  for (const DeleteRecordRequest& erase : {DeleteRecordRequest{W::kOne, 3, 0x00ABCDEF},
                                           DeleteRecordRequest{W::kAll, 3},
                                           DeleteRecordRequest{W::kCategory, 3, 0, 5}}) {
    Exchange<calls::DeleteRecord>({}, [&] { return c.DeleteRecord(erase); }, erase, 0);
  }
  const std::vector<uint32_t> ids{1, 2, 0xFFFFFF};
  Exchange<calls::ReadRecordIDList>({ids}, [&] { return c.ReadRecordIDList({3, true, 1, 3}); },
                                    {3, true, 1, 3}, ids);
  const ResourceReply resource{FourCc("tSTR"), 1000, 6, 5, bytes};
  for (const ReadResourceRequest& read :
       {ReadResourceRequest{R::kIndex, 3, 6}, ReadResourceRequest{R::kType, 3, 0, FourCc("tSTR"),
                                                                   1000, 2, 3}}) {
    Exchange<calls::ReadResource>(resource, [&] { return c.ReadResource(read); }, read,
                                  resource);
  }
  const WriteResourceRequest writeResource{3, FourCc("tSTR"), 1000, bytes};
  Exchange<calls::WriteResource>({}, [&] { return c.WriteResource(writeResource); },
                                 writeResource, 0);
  const PreferenceReply preference{3, 20, bytes};
  const ReadPreferenceRequest readPreference{memo, 1, 100, false};
  Exchange<calls::ReadAppPreference>(preference,
                                     [&] { return c.ReadAppPreference(readPreference); },
                                     readPreference, preference);
  const WritePreferenceRequest writePreference{memo, 1, 3, true, bytes};
  Exchange<calls::WriteAppPreference>({}, [&] { return c.WriteAppPreference(writePreference); },
                                      writePreference, 0);

  Exchange<calls::EndOfSync>({}, [&] { return c.EndOfSync(kDlpEndOther); }, {kDlpEndOther}, 0);
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
