// Fetch requests and listed files end to end: the handheld companion asks,
// `hotsync sync` runs the built conduit, and the files database, the request
// preference, "Vellamore.dat" and the HotSync log are read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "handheld_records.h"  // records/
#include "testing/file_record.h"
#include "testing/hotsync_world.h"
#include "testing/table.h"

namespace conduit {
namespace {

using store::FileListEntry;
using vlmtest::HotSyncWorld;
using vlmtest::LogLine;

struct FileRecord {
  uint16_t fileId = 0;
  std::string title;
  uint8_t kind = 0;
  uint32_t uniqueId = 0;
  uint8_t category = 0;
  bool secret = false;
  std::string text;  // content up to its NUL
};

class TransferEndToEnd : public testing::Test {
 protected:
  std::vector<FileRecord> FileRecords() {
    std::vector<FileRecord> records;
    for (const auto& stored : m_world.FileRecords()) {
      const vlmtest::RecordHead head = vlmtest::HeadOf(stored.data);
      records.push_back({head.fileId, head.title, head.contentKind, stored.uniqueId,
                         stored.Category(), stored.IsSecret(),
                         vlmtest::ContentTextOf(stored.data)});
    }
    return records;
  }

  // Search results as the handheld keeps them after a list-only search.
  void ListResults(const std::string& spec) {
    m_world.Handheld("search-fields",
                     {"--spec", spec, "--list-only", "on", "--email", "ada@example.org", "--fax",
                      "555 0100", "--third", "For the meeting"});
    m_world.Handheld("request", {"search"});
    ASSERT_TRUE(m_world.HotSync().Succeeded());
  }

  HotSyncWorld m_world;
};

TEST_F(TransferEndToEnd, NothingSelectedIsLoggedAndTheFetchIsDone) {
  m_world.WritePcFile("a.txt", "text");
  ListResults(m_world.PcPath("*.txt"));
  m_world.Handheld("request", {"fetch"});
  EXPECT_TRUE(m_world.HotSync().Succeeded());
  EXPECT_EQ(m_world.Request(), records::kRequestFetchDone);
  EXPECT_EQ(m_world.Status(), 0);
  EXPECT_EQ(m_world.Log(),
            (std::vector<LogLine>{{"", 19}, {"No files to fetch.", -1}, {"Vellamore", 20}}));
  EXPECT_TRUE(FileRecords().empty());
}

// Named by the request the handheld makes.
struct ModeCase : vlmtest::NamedRow {
  uint8_t done;
  uint8_t kind;
  const char* title;
  const char* text;
};

class FetchModeEndToEnd : public TransferEndToEnd, public testing::WithParamInterface<ModeCase> {};

TEST_P(FetchModeEndToEnd, WritesTheRecordOfItsMode) {
  const ModeCase& c = GetParam();
  m_world.UseCaptureProgramForMailAndFax();
  m_world.WritePcFile("agenda.txt", "Item one\r\nItem two\r\n");
  ListResults(m_world.PcPath("*.txt"));
  m_world.Handheld("select", {"all"});
  m_world.Handheld("request", {c.name});
  auto run = m_world.HotSync();
  EXPECT_TRUE(run.Succeeded()) << run.standardOutput << run.standardError;
  EXPECT_EQ(m_world.Request(), c.done);
  EXPECT_EQ(m_world.Status(), 0);
  std::vector<FileRecord> records = FileRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].fileId, 0);
  EXPECT_EQ(records[0].kind, c.kind);
  EXPECT_EQ(records[0].title, c.title);
  EXPECT_EQ(records[0].text, c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FetchModeEndToEnd,
    testing::Values(ModeCase{"fetch", records::kRequestFetchDone, records::kContentText, "agenda.txt",
                             "Item one\nItem two\n"},
                    ModeCase{"pcformat", records::kRequestPcFormatDone, records::kContentPcFormat,
                             "agenda.txt - PC Format", "Item one\r\nItem two\r\n"},
                    ModeCase{"email", records::kRequestEmailDone, records::kContentText, "agenda.txt - Sent",
                             "The file was sent to SMTP:ada@example.org."},
                    ModeCase{"fax", records::kRequestFaxDone, records::kContentText, "agenda.txt - Sent",
                             "The file was queued for faxing to FAX:555 0100."}),
    vlmtest::RowName());

TEST_F(TransferEndToEnd, EmailGoesToTheCaptureProgramWithTheThirdText) {
  m_world.UseCaptureProgramForMailAndFax();
  m_world.WritePcFile("agenda.txt", "Item one\n");
  ListResults(m_world.PcPath("*.txt"));
  m_world.Handheld("select", {"all"});
  m_world.Handheld("request", {"email"});
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  const std::string mail = vlmtest::ReadFile(m_world.CaptureFile() + ".stdin");
  EXPECT_NE(mail.find("ada@example.org"), std::string::npos);
  EXPECT_NE(mail.find("For the meeting"), std::string::npos);
}

TEST_F(TransferEndToEnd, FailingFetchKeepsTheRequestAndReturnsTheError) {
  m_world.WritePcFile("a.txt", "text");
  ListResults(m_world.PcPath("*.txt"));
  m_world.Handheld("select", {"all"});
  m_world.Handheld("request", {"fetch"});
  auto run = m_world.HotSync({"SYNCMGR_FAIL=SyncWriteRec=16962"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.standardOutput.find("returned 16962"), std::string::npos) << run.standardOutput;
  EXPECT_EQ(m_world.Request(), records::kRequestFetch);
  EXPECT_EQ(m_world.Status(), records::RequestPreference::kStatusFailure);
  EXPECT_EQ(m_world.Log(),
            (std::vector<LogLine>{
                {"", 19},
                {"Couldn't write to Files database", 22},
                {"Couldn't fetch a.txt: the handheld refused its record (error 16962)", 22},
                {"Vellamore", 21}}));
  // The handheld asks again and this time it works.
  m_world.Handheld("request", {"fetch"});
  EXPECT_TRUE(m_world.HotSync().Succeeded());
  EXPECT_EQ(m_world.Request(), records::kRequestFetchDone);
  EXPECT_EQ(FileRecords().size(), 1u);
}

// Listed files across HotSyncs: one entry per situation.
class ListedFilesEndToEnd : public TransferEndToEnd {
 protected:
  static constexpr time_t kLongAgo = 1262347200;  // 2010-01-01

  void SetUp() override {
    store::FileListStore list;
    list.ResetHeader();
    auto add = [&](const std::string& name, uint16_t action, const std::string& user) {
      FileListEntry& entry = m_world.AddPcFile(list, name, action, user);
      vlmtest::SetModifiedTime(entry.path, kLongAgo);
      return &entry;
    };
    add("always.txt", store::kActionAlways, "Ada");
    add("once.txt", store::kActionOneTime, "Ada");
    add("ifchanged.txt", store::kActionIfChanged, "Ada");
    add("never.txt", store::kActionDontSend, "Ada");
    add("everyone.txt", store::kActionAlways, "All");
    add("bob.txt", store::kActionAlways, "Bob");
    add("private.txt", store::kActionAlways, "Ada")->isPrivate = 1;
    add("business.txt", store::kActionAlways, "Ada")->category = 3;
    add("deleted.txt", store::kActionAlways, "Ada");
    std::filesystem::remove(list.Entries().back().path);
    add("pc.txt", store::kActionAlways, "Ada")->format = store::kFormatPc;
    m_world.SaveStore(list);
  }

  const FileListEntry& Entry(const store::FileListStore& list, const std::string& title) {
    for (const auto& entry : list.Entries()) {
      if (entry.title == title) return entry;
    }
    ADD_FAILURE() << title;
    return list.Entries().front();
  }

  // Records by title.
  std::map<std::string, FileRecord> ByTitle() {
    std::map<std::string, FileRecord> byTitle;
    for (const auto& record : FileRecords()) byTitle[record.title] = record;
    return byTitle;
  }
};

TEST_F(ListedFilesEndToEnd, FirstHotSyncSendsWhatTheActionsAndUsersAllow) {
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  std::map<std::string, FileRecord> records = ByTitle();
  EXPECT_EQ(records.size(), 7u);
  for (const char* sent : {"always.txt", "once.txt", "ifchanged.txt", "everyone.txt", "private.txt",
                           "business.txt", "pc.txt - PC Format"}) {
    EXPECT_EQ(records.count(sent), 1u) << sent;
  }
  EXPECT_TRUE(records["private.txt"].secret);
  EXPECT_EQ(records["business.txt"].category, 3);
  EXPECT_EQ(records["pc.txt - PC Format"].kind, records::kContentPcFormat);
  EXPECT_EQ(records["always.txt"].text, "The file always.txt\n");

  store::FileListStore list = m_world.LoadStore();
  EXPECT_EQ(Entry(list, "once.txt").action, store::kActionDontSend);
  EXPECT_EQ(Entry(list, "always.txt").changed, 0);
  EXPECT_EQ(records["always.txt"].fileId, Entry(list, "always.txt").id);
  EXPECT_TRUE(Entry(list, "always.txt").lastSent.IsSet());
  for (const char* skipped : {"never.txt", "bob.txt", "deleted.txt"}) {
    EXPECT_FALSE(Entry(list, skipped).lastSent.IsSet()) << skipped;
    EXPECT_EQ(Entry(list, skipped).changed, 1) << skipped;
  }
  EXPECT_EQ(Entry(list, "deleted.txt").id, 1008);
}

TEST_F(ListedFilesEndToEnd, SecondHotSyncReplacesAlwaysAndLeavesTheRest) {
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  std::map<std::string, FileRecord> first = ByTitle();
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  std::map<std::string, FileRecord> second = ByTitle();
  // One Time became Don't Send and If Changed sees no change: their copies
  // stay as they were; Always copies are replaced under the same file ID.
  EXPECT_EQ(second.size(), first.size());
  EXPECT_EQ(second["once.txt"].uniqueId, first["once.txt"].uniqueId);
  EXPECT_EQ(second["ifchanged.txt"].uniqueId, first["ifchanged.txt"].uniqueId);
  EXPECT_NE(second["always.txt"].uniqueId, first["always.txt"].uniqueId);
  EXPECT_EQ(second["always.txt"].fileId, first["always.txt"].fileId);
  EXPECT_NE(second["everyone.txt"].uniqueId, first["everyone.txt"].uniqueId);
}

TEST_F(ListedFilesEndToEnd, AllEntriesGoToEveryUserButNamedOnesOnlyToTheirs) {
  m_world.Handheld("create", {"--user", "Bob", "--force"});
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  std::map<std::string, FileRecord> records = ByTitle();
  EXPECT_EQ(records.size(), 2u);
  EXPECT_EQ(records.count("everyone.txt"), 1u);
  EXPECT_EQ(records.count("bob.txt"), 1u);
}

TEST_F(ListedFilesEndToEnd, CopyEditedOnTheHandheldStaysBesideTheNewOne) {
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  std::vector<FileRecord> records = FileRecords();
  size_t always = 0;
  while (always < records.size() && records[always].title != "always.txt") ++always;
  ASSERT_LT(always, records.size());
  m_world.EditOnHandheld(always, "Edited on the handheld");

  ASSERT_TRUE(m_world.HotSync().Succeeded());
  std::vector<std::string> texts;
  std::vector<uint16_t> ids;
  for (const auto& record : FileRecords()) {
    if (record.title != "always.txt") continue;
    texts.push_back(record.text);
    ids.push_back(record.fileId);
  }
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Edited on the handheld");
  EXPECT_EQ(texts[1], "The file always.txt\n");
  store::FileListStore list = m_world.LoadStore();
  EXPECT_EQ(Entry(list, "always.txt").id, ids[1]);
  EXPECT_NE(ids[0], ids[1]);
}

TEST_F(ListedFilesEndToEnd, IfChangedFollowsThePcFile) {
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  const uint32_t before = ByTitle()["ifchanged.txt"].uniqueId;
  m_world.WritePcFile("ifchanged.txt", "A new version\n");
  ASSERT_TRUE(m_world.HotSync().Succeeded());
  FileRecord after = ByTitle()["ifchanged.txt"];
  EXPECT_NE(after.uniqueId, before);
  EXPECT_EQ(after.text, "A new version\n");
}

}  // namespace
}  // namespace conduit
