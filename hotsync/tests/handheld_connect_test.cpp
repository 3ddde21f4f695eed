// `handheld connect` as a process, against a desktop made in the test from
// the NetSync link and the DLP client: the image answers as a handheld,
// keeps what the desktop writes, and the fault options do what they say.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "link/dlp_client.h"
#include "link/netsync_link.h"
#include "link/tcp_socket.h"
#include "pdb/handheld_image.h"
#include "syncmgr/image_backend.h"
#include "testing/files.h"
#include "testing/image.h"
#include "testing/run_program.h"
#include "testing/temp_folder.h"

namespace hotsync {
namespace {

using namespace platform::link;
using namespace std::chrono_literals;
using platform::Result;
using platform::pdb::HandheldImage;
using platform::pdb::PalmDatabase;
using platform::syncmgr::HandheldRecord;
using platform::syncmgr::ImageBackend;
using vlmtest::ProgramResult;

constexpr uint32_t kMemo = 0x6D656D6F;  // 'memo'
constexpr uint32_t kData = 0x44415441;  // 'DATA'
constexpr uint8_t kReadWrite = kDbOpenRead | kDbOpenWrite | kDbOpenShowSecret;

// A desktop made in the test: it listens on a free port, starts
// `handheld connect` on the image and speaks DLP to it.
class Desktop {
 public:
  Desktop(const std::string& image, const std::vector<std::string>& options = {},
          std::chrono::milliseconds timeout = 10s) {
    Result<TcpListener> listener = TcpListener::Listen("127.0.0.1", 0);
    EXPECT_TRUE(listener) << listener.Reason();
    if (!listener) return;
    std::vector<std::string> argv = {vlmtest::BinPath("handheld"), "connect", image, "--to",
                                     "127.0.0.1:" + std::to_string(listener->Port())};
    argv.insert(argv.end(), options.begin(), options.end());
    m_program = std::make_unique<vlmtest::RunningProgram>(argv, std::vector<std::string>{});
    Result<ByteStream> stream = listener->Accept(10s);
    EXPECT_TRUE(stream) << stream.Reason();
    if (!stream) return;
    m_link.emplace(std::move(*stream), timeout);
    const Result<void> shaken = m_link->Handshake();
    EXPECT_TRUE(shaken) << shaken.Reason();
    m_client.emplace(*m_link);
  }

  DlpClient& Client() { return *m_client; }
  // Ends the HotSync as the desktop does, and waits for the handheld.
  ProgramResult End(uint16_t status = kDlpEndNormal) {
    EXPECT_TRUE(m_client->EndOfSync(status));
    return HangUp();
  }
  ProgramResult HangUp() {
    if (m_link) m_link->Close();
    return m_program ? m_program->Wait() : ProgramResult{};
  }

 private:
  std::unique_ptr<vlmtest::RunningProgram> m_program;
  std::optional<NetSyncDesktopLink> m_link;
  std::optional<DlpClient> m_client;
};

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}
std::string Text(const std::vector<uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

// What a call answered, in a few words, to compare or to expect.
std::string Describe(uint32_t number) {
  return std::to_string(number);
}
std::string Describe(const std::vector<uint8_t>& bytes) {
  return Text(bytes);
}
std::string Describe(const std::vector<uint32_t>& ids) {
  std::string text;
  for (uint32_t id : ids) text += std::to_string(id) + " ";
  return text;
}
std::string Describe(const HandheldRecord& r) {
  return std::to_string(r.id) + "/" + std::to_string(r.attributes) + "/" +
         std::to_string(r.category) + ":" + Text(r.data);
}
std::string Describe(const RecordReply& r) {
  return Describe(HandheldRecord{r.recordId, r.index, r.attributes, r.category, r.data});
}
std::string Describe(const DbBlock& block) {
  return Text(block.data) + " of " + std::to_string(block.size);
}
std::string Describe(const ResourceReply& resource) {
  return Text(resource.data) + " of " + std::to_string(resource.size);
}
std::string Describe(const PreferenceReply& p) {
  return std::to_string(p.version) + "/" + std::to_string(p.size) + ":" + Text(p.data);
}
std::string Describe(const platform::syncmgr::PreferenceRead& p) {
  return Describe(PreferenceReply{p.version, static_cast<uint16_t>(p.size), p.data});
}
std::string Describe(const DbListPage& page) {
  std::string names;
  for (const DbInfo& info : page.databases) names += info.name + " ";
  return names + "last " + std::to_string(page.lastIndex) + (page.more ? " more" : "");
}
std::string Describe(const FindDbReply& f) {
  return f.found->info.name + " index " + std::to_string(f.found->info.index) + " handle " +
         std::to_string(f.found->openRef) + " records " + std::to_string(f.sizes->records);
}
std::string Describe(const SysInfo& i) {
  return std::to_string(i.romVersion) + " " + std::to_string(i.dlpVersion.major) + "." +
         std::to_string(i.dlpVersion.minor) + " " + std::to_string(i.maxRecordSize);
}

template <typename T>
std::string Told(const Result<T>& result) {
  return result ? Describe(*result) : "error " + std::to_string(result.Code());
}
std::string Told(const Result<void>& result) {
  return result ? "ok" : "error " + std::to_string(result.Code());
}

// Every database of the image, without the dates a write-back stamps.
std::map<std::string, PalmDatabase> Contents(const HandheldImage& image) {
  std::map<std::string, PalmDatabase> contents;
  for (const std::string& name : image.ListDatabases()) {
    PalmDatabase database = vlmtest::DatabaseOf(image, name);
    database.created = database.modified = 0;
    contents[name] = std::move(database);
  }
  return contents;
}

class HandheldConnectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(HandheldImage::Create(m_image, "Ada"));
    PalmDatabase memo;
    memo.name = "MemoDB";
    memo.creator = kMemo;
    memo.type = kData;
    memo.uniqueIdSeed = 0x1000;
    memo.appInfo = Bytes("categories");
    memo.records = {{0x41, 0x101, Bytes("first")},
                    {0x02, 0x102, Bytes("second")},
                    {0x11, 0x103, Bytes("secret")},
                    {0xC1, 0x104, {}},
                    {0x01, 0x105, Bytes("fifth")}};
    ASSERT_EQ(Image().SaveDatabase(memo), platform::pdb::ImageError::kNone);
  }

  HandheldImage Image() const { return HandheldImage(m_image); }

  vlmtest::TempFolder m_work;
  std::string m_image = m_work / "palm";
};

// A HotSync's calls on one handheld: over DLP (DlpSide), or through the
// image backend the Sync Manager uses (ImageSide). Each tells what it saw.
class Side {
 protected:
  std::string Kept(const Result<uint8_t>& handle) {
    if (handle) m_handle = *handle;
    return handle ? "opened" : "error";
  }

  uint8_t m_handle = 0;
};

class DlpSide : public Side {
 public:
  explicit DlpSide(DlpClient& client) : c(client) {}
  std::string Open(const std::string& name) { return Kept(c.OpenDB(name, kReadWrite)); }
  std::string Create(const CreateDbRequest& spec) { return Kept(c.CreateDB(spec)); }
  std::string Close() { return Told(c.CloseDB(m_handle)); }
  std::string Count() { return Told(c.ReadOpenDBInfo(m_handle)); }
  std::string AppBlock() { return Told(Data(c.ReadAppBlock({m_handle}))); }
  std::string WriteAppBlock(const std::string& b) {
    return Told(c.WriteAppBlock(m_handle, Bytes(b)));
  }
  std::string RecordAt(uint16_t index) {
    return Told(c.ReadRecord({ReadRecordRequest::By::kIndex, m_handle, 0, index}));
  }
  std::string ResetWalk() { return Told(c.ResetRecordIndex(m_handle)); }
  std::string NextInCategory(uint8_t category) {
    return Told(c.ReadNextRecInCategory(m_handle, category));
  }
  std::string Write(const HandheldRecord& r) {
    return Told(c.WriteRecord({m_handle, r.id, r.attributes, r.category, r.data}));
  }
  std::string Delete(uint32_t id) {
    return Told(c.DeleteRecord({DeleteRecordRequest::Which::kOne, m_handle, id, 0}));
  }
  std::string Purge() { return Told(c.CleanUpDatabase(m_handle)); }
  std::string WritePreference(const std::string& data) {
    return Told(c.WriteAppPreference({kMemo, 3, 7, true, Bytes(data)}));
  }
  std::string ReadPreference() { return Told(c.ReadAppPreference({kMemo, 3, 4, true})); }

 private:
  static Result<std::vector<uint8_t>> Data(const Result<DbBlock>& block) {
    if (!block) return block.Error();
    return block->data;
  }

  DlpClient& c;
};

class ImageSide : public Side {
 public:
  explicit ImageSide(const std::string& folder) : b(HandheldImage(folder)) {}
  std::string Open(const std::string& name) { return Kept(b.OpenDatabase(name, 0, kReadWrite)); }
  std::string Create(const CreateDbRequest& s) {
    return Kept(b.CreateDatabase({s.name, s.card, s.creator, s.type, s.attributes, s.version}));
  }
  std::string Close() { return Told(b.CloseDatabase(m_handle)); }
  std::string Count() { return Told(b.RecordCount(m_handle)); }
  std::string AppBlock() { return Told(b.ReadAppInfo(m_handle, kDlpReadToEnd)); }
  std::string WriteAppBlock(const std::string& block) {
    return Told(b.WriteAppInfo(m_handle, Bytes(block)));
  }
  std::string RecordAt(uint16_t index) {
    return Told(b.ReadRecordByIndex(m_handle, index, kDlpReadToEnd));
  }
  std::string ResetWalk() { return Told(b.ResetRecordIndex(m_handle)); }
  std::string NextInCategory(uint8_t category) {
    return Told(b.ReadNextRecordInCategory(m_handle, category, kDlpReadToEnd));
  }
  std::string Write(const HandheldRecord& record) { return Told(b.WriteRecord(m_handle, record)); }
  std::string Delete(uint32_t id) { return Told(b.DeleteRecord(m_handle, id)); }
  std::string Purge() { return Told(b.PurgeDeletedRecords(m_handle)); }
  std::string WritePreference(const std::string& data) {
    return Told(b.WritePreference({kMemo, 3, true}, 7, Bytes(data)));
  }
  std::string ReadPreference() { return Told(b.ReadPreference({kMemo, 3, true}, 4)); }

 private:
  ImageBackend b;
};

// A HotSync as conduits make it: records read, walked, written, deleted and
// purged, a database created, a preference kept. What each call saw, its
// error codes left out (the two sides speak different codes).
template <typename Handheld>
std::vector<std::string> HotSyncScript(Handheld& side) {
  std::vector<std::string> seen{side.Open("Missing"), side.Open("MemoDB"), side.Count(),
                                side.AppBlock()};
  for (uint16_t index = 0; index < 6; ++index) seen.push_back(side.RecordAt(index));
  seen.push_back(side.ResetWalk());
  for (int i = 0; i < 4; ++i) seen.push_back(side.NextInCategory(1));
  for (const std::string& step :
       {side.Write({0, 0, 0x40, 2, Bytes("new")}), side.Write({0x102, 0, 0, 3, Bytes("changed")}),
        side.Delete(0x105), side.Delete(0x999), side.WriteAppBlock("renamed"), side.Purge(),
        side.Count(), side.Close(), side.Create({kMemo, kData, 0, 0x0008, 1, "NewDB"}),
        side.Write({0, 0, 0, 1, Bytes("one")}), side.Write({0, 0, 0x10, 2, Bytes("two")}),
        side.Close(), side.WritePreference("settings"), side.ReadPreference()}) {
    seen.push_back(step);
  }
  for (std::string& step : seen) {
    if (step.starts_with("error")) step = "error";
  }
  return seen;
}

TEST_F(HandheldConnectTest, AHotSyncOverDlpLeavesTheImageAsTheSameCallsThroughTheImageBackend) {
  const std::string twin = m_work / "twin";
  std::filesystem::copy(m_image, twin);

  Desktop desktop(m_image);
  DlpSide overDlp(desktop.Client());
  const std::vector<std::string> seenOverDlp = HotSyncScript(overDlp);
  EXPECT_EQ(desktop.End().exitStatus, 0);
  std::vector<std::string> seenOnImage;
  {
    ImageSide onImage(twin);
    seenOnImage = HotSyncScript(onImage);
  }
  EXPECT_EQ(seenOverDlp, seenOnImage);
  EXPECT_EQ(seenOverDlp[0], "error");
  EXPECT_EQ(seenOverDlp[3], "categories");
  EXPECT_EQ(Contents(Image()), Contents(HandheldImage(twin)));
}

ReadRecordRequest ById(uint32_t id, uint16_t offset = 0, uint16_t length = kDlpReadToEnd) {
  return {ReadRecordRequest::By::kId, 1, id, 0, offset, length};
}

// The calls the Sync Manager never makes, in one HotSync, each with what a
// handheld answers; handle 1 is MemoDB's from the first open on.
TEST_F(HandheldConnectTest, TheHandheldsOwnCallsAnswerFromTheImage) {
  for (int i = 0; i < 21; ++i) {
    vlmtest::WriteRecordDatabase(m_image, "Db" + std::to_string(10 + i), kData, kData, {});
  }
  using By = FindDbRequest::By;
  const FindDbRequest byCreator{By::kTypeCreator, 0xC0, 0, "", 0, kFindDbNewSearch, 0, kMemo};
  FindDbRequest again = byCreator;
  again.searchFlags = 0;
  const ReadResourceRequest icon{ReadResourceRequest::By::kType, 2, 0, kData, 7, 1, 2};
  const DeleteRecordRequest categoryOne{DeleteRecordRequest::Which::kCategory, 1, 0, 1};
  const std::string memoFound = "MemoDB index 21 handle 1 records 5";
  const std::string firstPage =
      "Db10 Db11 Db12 Db13 Db14 Db15 Db16 Db17 Db18 Db19 Db20 Db21 Db22 Db23 Db24 Db25 Db26 Db27 "
      "Db28 Db29 last 19 more";
  struct Row {
    std::function<std::string(DlpClient&)> call;
    std::string answer;
  };
  const auto page = [](uint8_t flags, uint16_t start) {
    return ReadDbListRequest{flags, 0, start};
  };
  const auto ids = [](uint8_t handle, uint16_t start = 0, uint16_t count = 0xFFFF) {
    return ReadRecordIdListRequest{handle, false, start, count};
  };
  const FindDbRequest byName{By::kName, 0xC0, 0, "MemoDB"};
  const FindDbRequest byHandle{By::kHandle, 0xC0, 0, "", 1};
  const ReadBlockRequest sortPiece{1, 1, 3};
  const CreateDbRequest memoAgain{kMemo, kData, 0, 0, 0, "MemoDB"};
  const CreateDbRequest iconsDb{kMemo, kData, 0, 1, 0, "Icons"};
  const WriteResourceRequest iconData{2, kData, 7, Bytes("icon")};
  const WriteRecordRequest anyRecord{1, 0, 0, 0, {}};
  const Row rows[] = {
      {[](auto& c) { return Told(c.ReadSysInfo()); }, "68169728 1.2 65505"},
      // The list, paged as a handheld pages it.
      {[&](auto& c) { return Told(c.ReadDBList(page(0xA0, 0))); }, firstPage},
      {[&](auto& c) { return Told(c.ReadDBList(page(0xA0, 20))); }, "Db30 MemoDB last 21"},
      {[&](auto& c) { return Told(c.ReadDBList(page(0x80, 0))); }, "Db10 last 0 more"},
      {[&](auto& c) { return Told(c.ReadDBList(page(0xA0, 22))); }, "error 5"},
      // Finding databases.
      {[](auto& c) { return Told(c.OpenDB("MemoDB", kReadWrite)); }, "1"},
      {[&](auto& c) { return Told(c.FindDB(byName)); }, memoFound},
      {[&](auto& c) { return Told(c.FindDB(byCreator)); }, memoFound},
      {[&](auto& c) { return Told(c.FindDB(again)); }, "error 5"},
      // Records by ID, the modified walk, the ID list.
      {[](auto& c) { return Told(c.ReadRecord(ById(0x102, 1, 2))); }, "258/0/2:ec"},
      {[](auto& c) { return Told(c.ReadRecord(ById(0x999))); }, "error 5"},
      {[](auto& c) { return Told(c.ReadNextModifiedRec(1)); }, "257/64/1:first"},
      {[](auto& c) { return Told(c.ReadNextModifiedRec(1)); }, "260/192/1:"},
      {[](auto& c) { return Told(c.ReadNextModifiedRec(1)); }, "error 5"},
      {[&](auto& c) { return Told(c.ReadRecordIDList(ids(1, 1, 2))); }, "258 259 "},
      // The sort block, the sync flags, a category's records deleted.
      {[](auto& c) { return Told(c.WriteSortBlock(1, Bytes("order"))); }, "ok"},
      {[&](auto& c) { return Told(c.ReadSortBlock(sortPiece)); }, "rde of 5"},
      {[](auto& c) { return Told(c.ResetSyncFlags(1)); }, "ok"},
      {[](auto& c) { return Told(c.ResetRecordIndex(1)); }, "ok"},
      {[](auto& c) { return Told(c.ReadNextModifiedRec(1)); }, "error 5"},
      {[&](auto& c) { return Told(c.DeleteRecord(categoryOne)); }, "ok"},
      {[&](auto& c) { return Told(c.ReadRecordIDList(ids(1))); }, "258 "},
      // Refusals, and resources.
      {[](auto& c) { return Told(c.DeleteDB("MemoDB")); }, "error 7"},
      {[&](auto& c) { return Told(c.CreateDB(memoAgain)); }, "error 9"},
      {[&](auto& c) { return Told(c.CreateDB(iconsDb)); }, "2"},
      {[&](auto& c) { return Told(c.WriteResource(iconData)); }, "ok"},
      {[&](auto& c) { return Told(c.ReadResource(icon)); }, "co of 4"},
      {[&](auto& c) { return Told(c.ReadRecordIDList(ids(2))); }, "error 13"},
      {[](auto& c) { return Told(c.CloseAllDBs()); }, "ok"},
      {[](auto& c) { return Told(c.OpenDB("MemoDB", kDbOpenRead)); }, "1"},
      {[&](auto& c) { return Told(c.WriteRecord(anyRecord)); }, "error 15"},
      {[&](auto& c) { return Told(c.FindDB(byHandle)); }, "MemoDB index 65535 handle 1 records 1"},
  };
  Desktop desktop(m_image);
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(rows[i].call(desktop.Client()), rows[i].answer) << "row " << i;
  }
  EXPECT_EQ(desktop.End().exitStatus, 0);

  const PalmDatabase memo = vlmtest::DatabaseOf(Image(), "MemoDB");
  ASSERT_EQ(memo.records.size(), 1u);
  EXPECT_EQ(memo.records[0].attributes, 0x02);  // no dirty bit left
  EXPECT_EQ(Text(memo.sortInfo), "order");
  const PalmDatabase icons = vlmtest::DatabaseOf(Image(), "Icons");
  ASSERT_EQ(icons.resources.size(), 1u);
  EXPECT_EQ(Text(icons.resources[0].data), "icon");
}

// What the handheld keeps of two HotSyncs: the identity and dates in
// handheld.ini (the successful date only after a HotSync that ended well)
// and the HotSync log of the last one; the image is locked meanwhile.
TEST_F(HandheldConnectTest, TheUserAndTheLogOfEachHotSyncAreKept) {
  const DlpDate first{2026, 12, 1, 9, 30, 0};
  const DlpDate second{2026, 12, 2, 10, 0, 5};
  {
    Desktop desktop(m_image);
    Result<UserInfo> user = desktop.Client().ReadUserInfo();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->name, "Ada");
    EXPECT_EQ(user->lastSync.year, 0);
    EXPECT_TRUE(desktop.Client().WriteUserInfo(
        {42, 0, 7, first, kUserInfoModUserId | kUserInfoModSyncPc | kUserInfoModSyncDate, ""}));
    EXPECT_TRUE(desktop.Client().AddSyncLogEntry("Memo: 1 record\n"));
    EXPECT_TRUE(desktop.Client().AddSyncLogEntry("OK"));
    const ProgramResult meanwhile =
        vlmtest::RunProgram({vlmtest::BinPath("handheld"), "connect", m_image});
    EXPECT_NE(meanwhile.err.find("busy"), std::string::npos) << meanwhile.err;
    const ProgramResult ended = desktop.End();
    EXPECT_EQ(ended.exitStatus, 0) << ended.err;
    EXPECT_EQ(ended.out,
              "HotSync log:\nMemo: 1 record\nOK\nThe desktop ended the HotSync: success.\n"
              "5 requests answered.\n");
  }
  {
    Desktop desktop(m_image);
    Result<UserInfo> user = desktop.Client().ReadUserInfo();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->userId, 42u);
    EXPECT_EQ(user->lastSyncPc, 7u);
    EXPECT_EQ(user->lastSync, first);
    EXPECT_EQ(user->lastSuccessfulSync, first);
    EXPECT_TRUE(desktop.Client().WriteUserInfo(
        {0, 0, 0, second, kUserInfoModSyncDate | kUserInfoModName, "Ada L."}));
    EXPECT_TRUE(desktop.Client().AddSyncLogEntry("failed\n"));
    const ProgramResult ended = desktop.End(kDlpEndOther);
    EXPECT_EQ(ended.exitStatus, 1);
    EXPECT_NE(ended.out.find("failure (status 3)"), std::string::npos) << ended.out;
  }
  EXPECT_EQ(vlmtest::ReadFile(m_image + "/HotSync log.txt"), "failed\n");
  EXPECT_EQ(vlmtest::ReadFile(m_image + "/handheld.ini"),
            "[User]\nName=Ada L.\nId=42\nLastSyncPc=7\nLastSync=2026-12-02 10:00:05\n"
            "LastSuccessfulSync=2026-12-01 09:30:00\n");
}

// However the HotSync ends, what the desktop wrote into a database it never
// closed is in the image afterwards.
TEST_F(HandheldConnectTest, DatabasesLeftOpenAreWrittenBackWhenTheHotSyncEnds) {
  struct Row {
    const char* how;
    std::vector<std::string> options;
    std::function<ProgramResult(Desktop&)> end;
    int exitStatus;
  };
  const Row rows[] = {
      {"EndOfSync", {}, [](Desktop& d) { return d.End(); }, 0},
      {"the desktop hangs up", {}, [](Desktop& d) { return d.HangUp(); }, 1},
      {"the handheld disconnects",
       {"--disconnect-after", "2"},
       [](Desktop& d) {
         EXPECT_EQ(d.Client().ReadOpenDBInfo(1).Code(), kDlpLinkFailure);
         return d.HangUp();
       },
       1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    Desktop desktop(m_image, row.options);
    ASSERT_TRUE(desktop.Client().OpenDB("MemoDB", kReadWrite));
    Result<uint32_t> id = desktop.Client().WriteRecord({1, 0, 0, 4, Bytes(row.how)});
    ASSERT_TRUE(id);
    EXPECT_EQ(row.end(desktop).exitStatus, row.exitStatus);
    const PalmDatabase memo = vlmtest::DatabaseOf(Image(), "MemoDB");
    const auto index = memo.FindRecord(*id);
    ASSERT_TRUE(index);
    EXPECT_EQ(Text(memo.records[*index].data), row.how);
  }
}

// Each fault option, as the desktop sees it.
TEST_F(HandheldConnectTest, FaultOptionsDoWhatTheySay) {
  const std::vector<uint8_t> large(3000, 0x5A);
  struct Row {
    const char* fault;
    std::vector<std::string> options;
    std::function<void(DlpClient&)> calls;
    std::optional<uint16_t> endStatus;  // nothing: the desktop hangs up
    int exitStatus;
    const char* told;
    int answered;  // a request the fault swallowed is not answered
  };
  const Row rows[] = {
      {"disconnect",
       {"--disconnect-after", "1"},
       [](DlpClient& c) {
         EXPECT_TRUE(c.ReadSysInfo());
         EXPECT_EQ(c.ReadUserInfo().Code(), kDlpLinkFailure);
       },
       std::nullopt,
       1,
       "closed the connection after 1 requests",
       1},
      {"stall",
       {"--stall-after", "1"},
       [](DlpClient& c) {
         EXPECT_TRUE(c.ReadSysInfo());
         const auto asked = std::chrono::steady_clock::now();
         EXPECT_EQ(c.ReadUserInfo().Code(), kDlpLinkFailure);
         EXPECT_GE(std::chrono::steady_clock::now() - asked, 400ms);
       },
       std::nullopt,
       1,
       "the desktop gave up",
       1},
      {"cancel",
       {"--cancel"},
       [](DlpClient& c) { EXPECT_EQ(c.OpenConduit().Code(), kDlpErrCancelled); },
       kDlpEndUserCancelled,
       1,
       "",
       2},
      {"chunk",
       {"--chunk", "3"},
       [&](DlpClient& c) {
         EXPECT_TRUE(c.OpenConduit());
         ASSERT_TRUE(c.OpenDB("MemoDB", kReadWrite));
         Result<uint32_t> id = c.WriteRecord({1, 0, 0, 0, large});
         ASSERT_TRUE(id);
         Result<RecordReply> back = c.ReadRecord(ById(*id));
         ASSERT_TRUE(back) << back.Reason();
         EXPECT_EQ(back->data, large);
       },
       kDlpEndNormal,
       0,
       "",
       5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fault);
    Desktop desktop(m_image, row.options, 500ms);
    row.calls(desktop.Client());
    const auto ended = std::chrono::steady_clock::now();
    const ProgramResult result = row.endStatus ? desktop.End(*row.endStatus) : desktop.HangUp();
    EXPECT_LT(std::chrono::steady_clock::now() - ended, 5s);
    EXPECT_EQ(result.exitStatus, row.exitStatus);
    EXPECT_NE(result.err.find(row.told), std::string::npos) << result.err;
    EXPECT_NE(result.out.find(std::to_string(row.answered) + " requests answered."),
              std::string::npos)
        << result.out;
  }
}

TEST_F(HandheldConnectTest, BadUsageAndUnusableImagesExitWithTwoAndNoDesktopWithOne) {
  const std::string nobody = [] {
    Result<TcpListener> listener = TcpListener::Listen("127.0.0.1", 0);
    return "127.0.0.1:" + std::to_string(listener ? listener->Port() : 1);
  }();
  struct Row {
    std::vector<std::string> arguments;
    int exitStatus;
  };
  const Row rows[] = {
      {{m_image, "--to", "localhost:0"}, 2},   {{m_image, "--chunk", "0"}, 2},
      {{m_image, "--stall-after", "soon"}, 2}, {{m_work / "missing", "--to", nobody}, 2},
      {{m_image, "--to", nobody}, 1},
  };
  for (const Row& row : rows) {
    std::vector<std::string> argv{vlmtest::BinPath("handheld"), "connect"};
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
    const ProgramResult result = vlmtest::RunProgram(argv);
    EXPECT_EQ(result.exitStatus, row.exitStatus) << row.arguments[0] << " " << result.err;
    EXPECT_FALSE(result.err.empty());
  }
}

}  // namespace
}  // namespace hotsync
