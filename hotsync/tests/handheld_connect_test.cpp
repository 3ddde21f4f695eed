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
using platform::pdb::PalmRecord;
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

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

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
    memo.records = {{0x41, 0x101, Bytes("first")},    {0x02, 0x102, Bytes("second")},
                    {0x11, 0x103, Bytes("secret")},   {0xC1, 0x104, {}},
                    {0x01, 0x105, Bytes("fifth")}};
    ASSERT_EQ(Image().SaveDatabase(memo), platform::pdb::ImageError::kNone);
  }

  HandheldImage Image() const { return HandheldImage(m_image); }

  vlmtest::TempFolder m_work;
  std::string m_image = m_work / "palm";
};

std::string Seen(uint32_t id, uint8_t attributes, uint8_t category,
                 const std::vector<uint8_t>& data) {
  return std::to_string(id) + "/" + std::to_string(attributes) + "/" + std::to_string(category) +
         ":" + Text(data);
}

template <typename T>
std::string Seen(const Result<T>& result, const std::function<std::string(const T&)>& text) {
  return result ? text(*result) : "error";
}

std::string Seen(const Result<void>& result) { return result ? "ok" : "error"; }

// A HotSync's calls on one handheld: over DLP, or through the image
// backend the Sync Manager uses. Each tells what it saw.
class Side {
 public:
  virtual ~Side() = default;
  virtual std::string Open(const std::string& name) = 0;
  virtual std::string Create(const CreateDbRequest& spec) = 0;
  virtual std::string Close() = 0;
  virtual std::string Count() = 0;
  virtual std::string AppBlock() = 0;
  virtual std::string WriteAppBlock(const std::string& block) = 0;
  virtual std::string RecordAt(uint16_t index) = 0;
  virtual std::string ResetWalk() = 0;
  virtual std::string NextInCategory(uint8_t category) = 0;
  virtual std::string Write(const HandheldRecord& record) = 0;
  virtual std::string Delete(uint32_t id) = 0;
  virtual std::string Purge() = 0;
  virtual std::string WritePreference(const std::string& data) = 0;
  virtual std::string ReadPreference() = 0;

 protected:
  uint8_t m_handle = 0;
};

class DlpSide final : public Side {
 public:
  explicit DlpSide(DlpClient& client) : m_client(client) {}
  std::string Open(const std::string& name) override { return Kept(m_client.OpenDB(name, kReadWrite)); }
  std::string Create(const CreateDbRequest& spec) override { return Kept(m_client.CreateDB(spec)); }
  std::string Close() override { return Seen(m_client.CloseDB(m_handle)); }
  std::string Count() override {
    return Seen<uint16_t>(m_client.ReadOpenDBInfo(m_handle), [](auto n) { return std::to_string(n); });
  }
  std::string AppBlock() override {
    return Seen<DbBlock>(m_client.ReadAppBlock({m_handle}), [](auto& b) { return Text(b.data); });
  }
  std::string WriteAppBlock(const std::string& block) override {
    return Seen(m_client.WriteAppBlock(m_handle, Bytes(block)));
  }
  std::string RecordAt(uint16_t index) override {
    ReadRecordRequest request;
    request.by = ReadRecordRequest::By::kIndex;
    request.handle = m_handle;
    request.index = index;
    return Record(m_client.ReadRecord(request));
  }
  std::string ResetWalk() override { return Seen(m_client.ResetRecordIndex(m_handle)); }
  std::string NextInCategory(uint8_t category) override {
    return Record(m_client.ReadNextRecInCategory(m_handle, category));
  }
  std::string Write(const HandheldRecord& r) override {
    return Seen<uint32_t>(m_client.WriteRecord({m_handle, r.id, r.attributes, r.category, r.data}),
                          [](auto id) { return std::to_string(id); });
  }
  std::string Delete(uint32_t id) override {
    return Seen(m_client.DeleteRecord({DeleteRecordRequest::Which::kOne, m_handle, id, 0}));
  }
  std::string Purge() override { return Seen(m_client.CleanUpDatabase(m_handle)); }
  std::string WritePreference(const std::string& data) override {
    return Seen(m_client.WriteAppPreference({kMemo, 3, 7, true, Bytes(data)}));
  }
  std::string ReadPreference() override {
    return Seen<PreferenceReply>(m_client.ReadAppPreference({kMemo, 3, 4, true}), [](auto& p) {
      return std::to_string(p.version) + "/" + std::to_string(p.size) + ":" + Text(p.data);
    });
  }

 private:
  std::string Kept(const Result<uint8_t>& handle) {
    if (handle) m_handle = *handle;
    return Seen(handle ? Result<void>{} : Result<void>{handle.Error()});
  }
  static std::string Record(const Result<RecordReply>& record) {
    return Seen<RecordReply>(
        record, [](auto& r) { return Seen(r.recordId, r.attributes, r.category, r.data); });
  }

  DlpClient& m_client;
};

class ImageSide final : public Side {
 public:
  explicit ImageSide(const std::string& folder) : m_backend(HandheldImage(folder)) {}
  std::string Open(const std::string& name) override {
    return Kept(m_backend.OpenDatabase(name, 0, kReadWrite));
  }
  std::string Create(const CreateDbRequest& s) override {
    return Kept(m_backend.CreateDatabase({s.name, s.card, s.creator, s.type, s.attributes, s.version}));
  }
  std::string Close() override { return Seen(m_backend.CloseDatabase(m_handle)); }
  std::string Count() override {
    return Seen<uint16_t>(m_backend.RecordCount(m_handle), [](auto n) { return std::to_string(n); });
  }
  std::string AppBlock() override {
    return Seen<std::vector<uint8_t>>(m_backend.ReadAppInfo(m_handle, 0xFFFF), Text);
  }
  std::string WriteAppBlock(const std::string& block) override {
    return Seen(m_backend.WriteAppInfo(m_handle, Bytes(block)));
  }
  std::string RecordAt(uint16_t index) override {
    return Record(m_backend.ReadRecordByIndex(m_handle, index, 0xFFFF));
  }
  std::string ResetWalk() override { return Seen(m_backend.ResetRecordIndex(m_handle)); }
  std::string NextInCategory(uint8_t category) override {
    return Record(m_backend.ReadNextRecordInCategory(m_handle, category, 0xFFFF));
  }
  std::string Write(const HandheldRecord& record) override {
    return Seen<platform::syncmgr::RecordPlace>(m_backend.WriteRecord(m_handle, record),
                                                [](auto& p) { return std::to_string(p.id); });
  }
  std::string Delete(uint32_t id) override { return Seen(m_backend.DeleteRecord(m_handle, id)); }
  std::string Purge() override { return Seen(m_backend.PurgeDeletedRecords(m_handle)); }
  std::string WritePreference(const std::string& data) override {
    return Seen(m_backend.WritePreference({kMemo, 3, true}, 7, Bytes(data)));
  }
  std::string ReadPreference() override {
    return Seen<platform::syncmgr::PreferenceRead>(
        m_backend.ReadPreference({kMemo, 3, true}, 4), [](auto& p) {
          return std::to_string(p.version) + "/" + std::to_string(p.size) + ":" + Text(p.data);
        });
  }

 private:
  std::string Kept(const Result<uint8_t>& handle) {
    if (handle) m_handle = *handle;
    return Seen(handle ? Result<void>{} : Result<void>{handle.Error()});
  }
  static std::string Record(const Result<HandheldRecord>& record) {
    return Seen<HandheldRecord>(
        record, [](auto& r) { return Seen(r.id, r.attributes, r.category, r.data); });
  }

  ImageBackend m_backend;
};

// A HotSync as conduits make it: records read, walked, written, deleted and
// purged, a database created, a preference kept; what each call saw.
std::vector<std::string> HotSyncScript(Side& side) {
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

std::string Code(const platform::Failure& failure) {
  return "error " + std::to_string(failure.code);
}

template <typename T>
std::string Told(const Result<T>& result, const std::function<std::string(const T&)>& text) {
  return result ? text(*result) : Code(result.Error());
}

std::string Told(const Result<void>& result) { return result ? "ok" : Code(result.Error()); }

std::string Names(const DbListPage& page) {
  std::string names;
  for (const DbInfo& info : page.databases) names += info.name + " ";
  return names + "last " + std::to_string(page.lastIndex) + (page.more ? " more" : "");
}

std::string Ids(const std::vector<uint32_t>& ids) {
  std::string text;
  for (uint32_t id : ids) text += std::to_string(id) + " ";
  return text;
}

ReadRecordRequest ById(uint32_t id, uint16_t offset = 0, uint16_t length = kDlpReadToEnd) {
  return {ReadRecordRequest::By::kId, 1, id, 0, offset, length};
}

std::string Record(const Result<RecordReply>& record) {
  return Told<RecordReply>(record, [](auto& r) {
    return Seen(r.recordId, r.attributes, r.category, r.data) + " of " + std::to_string(r.size);
  });
}

// The calls the Sync Manager never makes, in one HotSync, each with what a
// handheld answers; handle 1 is MemoDB's from the first open on.
TEST_F(HandheldConnectTest, TheHandheldsOwnCallsAnswerFromTheImage) {
  for (int i = 0; i < 21; ++i) {
    vlmtest::WriteRecordDatabase(m_image, "Db" + std::to_string(10 + i), kData, kData, {});
  }
  ReadResourceRequest icon;
  icon.by = ReadResourceRequest::By::kType;
  icon.handle = 2;
  icon.type = kData;
  icon.id = 7;
  icon.offset = 1;
  icon.length = 2;
  FindDbRequest byCreator;
  byCreator.by = FindDbRequest::By::kTypeCreator;
  byCreator.options = kFindDbAttributes | kFindDbSizes;
  byCreator.searchFlags = kFindDbNewSearch;
  byCreator.creator = kMemo;
  FindDbRequest again = byCreator;
  again.searchFlags = 0;
  const DeleteRecordRequest categoryOne{DeleteRecordRequest::Which::kCategory, 1, 0, 1};
  const auto found = [](auto& f) {
    return f.found->info.name + " index " + std::to_string(f.found->info.index) + " handle " +
           std::to_string(f.found->openRef) + " records " + std::to_string(f.sizes->records);
  };
  struct Row {
    const char* what;
    std::function<std::string(DlpClient&)> call;
    const char* answer;
  };
  const Row rows[] = {
      {"system", [](auto& c) { return Told<SysInfo>(c.ReadSysInfo(), [](auto& i) {
         return std::to_string(i.romVersion) + " " + std::to_string(i.dlpVersion.major) + "." +
                std::to_string(i.dlpVersion.minor) + " " + std::to_string(i.maxRecordSize); }); },
       "68169728 1.2 65505"},
      {"first page", [](auto& c) { return Told<DbListPage>(c.ReadDBList({0xA0, 0, 0}), Names); },
       "Db10 Db11 Db12 Db13 Db14 Db15 Db16 Db17 Db18 Db19 Db20 Db21 Db22 Db23 Db24 Db25 Db26 "
       "Db27 Db28 Db29 last 19 more"},
      {"last page", [](auto& c) { return Told<DbListPage>(c.ReadDBList({0xA0, 0, 20}), Names); },
       "Db30 MemoDB last 21"},
      {"one at a time", [](auto& c) { return Told<DbListPage>(c.ReadDBList({0x80, 0, 0}), Names); },
       "Db10 last 0 more"},
      {"past the end", [](auto& c) { return Told<DbListPage>(c.ReadDBList({0xA0, 0, 22}), Names); },
       "error 5"},
      {"open", [](auto& c) { return Told<uint8_t>(c.OpenDB("MemoDB", kReadWrite), [](auto h) {
         return std::to_string(h); }); }, "1"},
      {"find by name", [&](auto& c) { return Told<FindDbReply>(c.FindDB({FindDbRequest::By::kName,
         0xC0, 0, "MemoDB"}), found); }, "MemoDB index 21 handle 1 records 5"},
      {"find by creator", [&](auto& c) { return Told<FindDbReply>(c.FindDB(byCreator), found); },
       "MemoDB index 21 handle 1 records 5"},
      {"find again", [&](auto& c) { return Told<FindDbReply>(c.FindDB(again), found); }, "error 5"},
      {"piece by id", [](auto& c) { return Record(c.ReadRecord(ById(0x102, 1, 2))); },
       "258/0/2:ec of 6"},
      {"missing id", [](auto& c) { return Record(c.ReadRecord(ById(0x999))); }, "error 5"},
      {"modified", [](auto& c) { return Record(c.ReadNextModifiedRec(1)); }, "257/64/1:first of 5"},
      {"modified deleted", [](auto& c) { return Record(c.ReadNextModifiedRec(1)); },
       "260/192/1: of 0"},
      {"no more modified", [](auto& c) { return Record(c.ReadNextModifiedRec(1)); }, "error 5"},
      {"id list", [](auto& c) { return Told<std::vector<uint32_t>>(c.ReadRecordIDList({1, false,
         1, 2}), Ids); }, "258 259 "},
      {"sort block", [](auto& c) { return Told(c.WriteSortBlock(1, Bytes("order"))); }, "ok"},
      {"sort piece", [](auto& c) { return Told<DbBlock>(c.ReadSortBlock({1, 1, 3}), [](auto& b) {
         return Text(b.data) + " of " + std::to_string(b.size); }); }, "rde of 5"},
      {"flags reset", [](auto& c) { return Told(c.ResetSyncFlags(1)); }, "ok"},
      {"walk again", [](auto& c) { return Told(c.ResetRecordIndex(1)); }, "ok"},
      {"nothing modified", [](auto& c) { return Record(c.ReadNextModifiedRec(1)); }, "error 5"},
      {"category deleted", [&](auto& c) { return Told(c.DeleteRecord(categoryOne)); }, "ok"},
      {"left", [](auto& c) { return Told<std::vector<uint32_t>>(c.ReadRecordIDList({1}), Ids); },
       "258 "},
      {"delete open", [](auto& c) { return Told(c.DeleteDB("MemoDB")); }, "error 7"},
      {"create again", [](auto& c) { return Told<uint8_t>(c.CreateDB({kMemo, kData, 0, 0, 0,
         "MemoDB"}), [](auto h) { return std::to_string(h); }); }, "error 9"},
      {"create resources", [](auto& c) { return Told<uint8_t>(c.CreateDB({kMemo, kData, 0, 1, 0,
         "Icons"}), [](auto h) { return std::to_string(h); }); }, "2"},
      {"resource", [](auto& c) { return Told(c.WriteResource({2, kData, 7, Bytes("icon")})); }, "ok"},
      {"resource piece", [&](auto& c) { return Told<ResourceReply>(c.ReadResource(icon),
         [](auto& r) { return Text(r.data) + " of " + std::to_string(r.size); }); }, "co of 4"},
      {"records of resources", [](auto& c) { return Told<std::vector<uint32_t>>(
         c.ReadRecordIDList({2}), Ids); }, "error 13"},
      {"close all", [](auto& c) { return Told(c.CloseAllDBs()); }, "ok"},
      {"read only", [](auto& c) { return Told<uint8_t>(c.OpenDB("MemoDB", kDbOpenRead),
         [](auto h) { return std::to_string(h); }); }, "1"},
      {"write refused", [](auto& c) { return Told<uint32_t>(c.WriteRecord({1, 0, 0, 0, {}}),
         [](auto id) { return std::to_string(id); }); }, "error 15"},
      {"find by handle", [&](auto& c) { return Told<FindDbReply>(c.FindDB({FindDbRequest::By::kHandle,
         0xC0, 0, "", 1}), found); }, "MemoDB index 65535 handle 1 records 1"},
  };
  Desktop desktop(m_image);
  for (const Row& row : rows) EXPECT_EQ(row.call(desktop.Client()), row.answer) << row.what;
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
// and the HotSync log of the last one.
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
    const ProgramResult ended = desktop.End();
    EXPECT_EQ(ended.exitStatus, 0) << ended.err;
    EXPECT_EQ(ended.out, "HotSync log:\nMemo: 1 record\nOK\nThe desktop ended the HotSync: success.\n");
  }
  {
    Desktop desktop(m_image);
    Result<UserInfo> user = desktop.Client().ReadUserInfo();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->userId, 42u);
    EXPECT_EQ(user->lastSyncPc, 7u);
    EXPECT_EQ(user->lastSync, first);
    EXPECT_EQ(user->lastSuccessfulSync, first);
    EXPECT_TRUE(desktop.Client().WriteUserInfo({0, 0, 0, second, kUserInfoModSyncDate | kUserInfoModName,
                                                "Ada L."}));
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
  };
  const Row rows[] = {
      {"disconnect",
       {"--disconnect-after", "1"},
       [](DlpClient& c) {
         EXPECT_TRUE(c.ReadSysInfo());
         EXPECT_EQ(c.ReadUserInfo().Code(), kDlpLinkFailure);
       },
       std::nullopt, 1, "closed the connection after 1 requests"},
      {"stall",
       {"--stall-after", "1"},
       [](DlpClient& c) {
         EXPECT_TRUE(c.ReadSysInfo());
         const auto asked = std::chrono::steady_clock::now();
         EXPECT_EQ(c.ReadUserInfo().Code(), kDlpLinkFailure);
         EXPECT_GE(std::chrono::steady_clock::now() - asked, 400ms);
       },
       std::nullopt, 1, "the desktop gave up"},
      {"cancel",
       {"--cancel"},
       [](DlpClient& c) { EXPECT_EQ(c.OpenConduit().Code(), kDlpErrCancelled); },
       kDlpEndUserCancelled, 1, ""},
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
       kDlpEndNormal, 0, ""},
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
      {{m_image, "--to", "localhost:0"}, 2},
      {{m_image, "--chunk", "0"}, 2},
      {{m_image, "--stall-after", "soon"}, 2},
      {{m_work / "missing", "--to", nobody}, 2},
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
