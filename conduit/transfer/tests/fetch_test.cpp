// The fetch on real handheld images through the Sync Manager, in all four
// modes, with the failures of each step.
#include "transfer/fetch.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bytes/bytes.h"
#include "syncmgr/syncmgr.h"
#include "testing/file_record.h"
#include "testing/handheld_session.h"
#include "testing/hotsync_world.h"
#include "testing/program_settings.h"
#include "testing/table.h"

namespace conduit::transfer {
namespace {

using vlmtest::ContentTextOf;
using vlmtest::HandheldSession;
using vlmtest::HeadOf;
using vlmtest::LogLine;

constexpr int32_t kInjected = 0x4242;

class FetchTest : public testing::Test {
 protected:
  void SetUp() override {
    m_text = m_session.WritePcFile("notes.txt", "Buy milk\r\n");
    m_binary = m_session.WritePcFile("data.bin", std::string("\x01\x02\x00\x03", 4));
  }

  records::SearchResult Result(const std::string& path, bool selected) {
    records::SearchResult result;
    result.selected = selected ? 1 : 0;
    result.path = path;
    return result;
  }

  void PutResults(const std::vector<records::SearchResult>& results) {
    records::SearchAppInfo block;
    block.SetEmailAddress("ada@example.org");
    block.SetFaxNumber("555 0100");
    block.SetThirdText("From the handheld");
    m_session.PutSearchDatabase(block, results);
  }

  int32_t Fetch(FetchMode mode, const char* failingCall = nullptr) {
    int32_t result = -1;
    m_session.Sync([&] {
      if (failingCall != nullptr) SyncInjectFailure(failingCall, kInjected);
      result = FetchSelectedFiles(mode);
    });
    return result;
  }

  HandheldSession m_session;
  std::string m_text, m_binary;
};

TEST_F(FetchTest, PcFormatFetchWritesSelectedFilesWithIdZeroAndASentStamp) {
  PutResults({Result(m_text, true), Result(m_binary, false),
              Result(m_session.PcPath("gone.txt"), true), Result(m_binary, true)});
  const auto before = store::HandheldDateTime::FromPcTime(time(nullptr), true);
  EXPECT_EQ(Fetch(FetchMode::kPcFormat), 0);
  const auto after = store::HandheldDateTime::FromPcTime(time(nullptr), true);

  // The missing file is answered with a message; the database was created.
  std::vector<platform::pdb::PalmRecord> records = m_session.FileRecords();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(HeadOf(records[0].data).title, "notes.txt - PC Format");
  EXPECT_EQ(HeadOf(records[1].data).title, "gone.txt- Error");
  EXPECT_EQ(HeadOf(records[2].data).title, "data.bin - PC Format");
  for (const auto& record : records) {
    EXPECT_EQ(HeadOf(record.data).contentKind,
              &record == &records[1] ? records::kContentText : records::kContentPcFormat);
    EXPECT_EQ(platform::GetU16Be(record.data, records::file_record::kFileIdOffset), 0);
    EXPECT_EQ(record.attributes, 0);
    auto sent = store::HandheldDateTime::FromBytes(
        std::span(record.data).subspan(records::file_record::kSentOffset, 8));
    EXPECT_TRUE(before <= sent && sent <= after);
  }
  auto database = m_session.Database(records::kFilesDatabaseName);
  EXPECT_EQ(database.creator, records::kCreatorId);
  EXPECT_EQ(database.type, records::kFilesDatabaseType);
  EXPECT_EQ(
      m_session.Log(),
      (std::vector<LogLine>{{"Couldn't fetch gone.txt: it vanished before it could be read", 22}}));
}

TEST_F(FetchTest, ConvertingFetchAnswersAMissingFileWithAMessage) {
  PutResults({Result(m_text, true), Result(m_session.PcPath("gone.txt"), true)});
  EXPECT_EQ(Fetch(FetchMode::kConvert), 0);
  std::vector<platform::pdb::PalmRecord> records = m_session.FileRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(HeadOf(records[0].data).contentKind, records::kContentText);
  EXPECT_EQ(ContentTextOf(records[0].data), "Buy milk\n");
  EXPECT_EQ(HeadOf(records[1].data).title, "gone.txt- Not found");
}

// A path made on Windows is titled by its file name alone.
TEST_F(FetchTest, TitlesAWindowsPathByItsFileName) {
  PutResults({Result("C:\\My Documents\\report.txt", true)});
  EXPECT_EQ(Fetch(FetchMode::kConvert), 0);
  std::vector<platform::pdb::PalmRecord> records = m_session.FileRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(HeadOf(records[0].data).title, "report.txt- Not found");
}

struct AccentedTitle {
  std::string name;  // the PC file's name, UTF-8
  FetchMode mode;
  bool exists;
  std::string title;  // as the handheld shows it, Windows-1252
};

void PrintTo(const AccentedTitle& t, std::ostream* os) {
  *os << t.title;
}

class AccentedTitleTest : public FetchTest, public testing::WithParamInterface<AccentedTitle> {};

// Titles made from PC names are handheld text; the path stays the PC's bytes.
TEST_P(AccentedTitleTest, TitleIsInTheHandheldsCharacterSet) {
  const AccentedTitle& t = GetParam();
  const std::string path =
      t.exists ? m_session.WritePcFile(t.name, "text\n") : m_session.PcPath(t.name);
  PutResults({Result(path, true)});
  EXPECT_EQ(Fetch(t.mode), 0);
  std::vector<platform::pdb::PalmRecord> records = m_session.FileRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(HeadOf(records[0].data).title, t.title);
  EXPECT_EQ(platform::GetFixedText(records[0].data, records::file_record::kSourcePathOffset,
                                   records::file_record::kSourcePathSize),
            path);
}

INSTANTIATE_TEST_SUITE_P(
    Names, AccentedTitleTest,
    testing::Values(
        AccentedTitle{"caf\xC3\xA9.txt", FetchMode::kPcFormat, true, "caf\xE9.txt - PC Format"},
        AccentedTitle{"caf\xC3\xA9.txt", FetchMode::kConvert, true, "caf\xE9.txt"},
        AccentedTitle{"na\xC3\xAFve \xE2\x80\x93 draft.txt", FetchMode::kPcFormat, true,
                      "na\xEFve \x96 draft.txt - PC Format"},
        AccentedTitle{"\xE6\x97\xA5\xE6\x9C\xAC.txt", FetchMode::kPcFormat, true,
                      "??.txt - PC Format"},
        AccentedTitle{"gone-\xC3\xA9.txt", FetchMode::kConvert, false, "gone-\xE9.txt- Not found"},
        // 45 accented letters: the title holds 39 of them, none split.
        AccentedTitle{[] {
                        std::string name;
                        for (int i = 0; i < 45; ++i) name += "\xC3\xA9";
                        return name + ".txt";
                      }(),
                      FetchMode::kPcFormat, true, std::string(39, '\xE9')}));

TEST_F(FetchTest, NothingSelectedStillCreatesAndPurgesTheFilesDatabase) {
  m_session.PutFilesDatabase({{platform::pdb::kRecordDeleted, 1, {}},
                              {0, 2, std::vector<uint8_t>(records::file_record::kIndexHeadSize, 0)}});
  PutResults({Result(m_text, false)});
  EXPECT_EQ(Fetch(FetchMode::kConvert), 0);
  EXPECT_EQ(m_session.Log(), (std::vector<LogLine>{{"No files to fetch.", -1}}));
  std::vector<platform::pdb::PalmRecord> records = m_session.FileRecords();
  ASSERT_EQ(records.size(), 1u);  // the deleted record was purged
  EXPECT_EQ(records[0].uniqueId, 2u);
}

TEST_F(FetchTest, AtMost2000SelectedResultsAreFetchedAndTheRestIsLogged) {
  std::vector<records::SearchResult> results(kMaxSelectedResults + 3, Result(m_binary, true));
  PutResults(results);
  EXPECT_EQ(Fetch(FetchMode::kPcFormat), 0);
  EXPECT_EQ(m_session.FileRecords().size(), kMaxSelectedResults);
  EXPECT_EQ(m_session.Log(),
            (std::vector<LogLine>{
                {"Only the first 2000 selected files were fetched; 3 more were left out", 22}}));
}

// Mail and fax go through the programs named in the settings; a small
// script stands in for both and records what it was given.
class MailFetchTest : public FetchTest {
 protected:
  void SetUp() override {
    FetchTest::SetUp();
    vlmtest::UseCaptureProgramForMailAndFax(m_session.Root());
  }
  std::string Captured(const char* suffix) {
    return vlmtest::ReadFile(m_session.Root() + "/capture" + suffix);
  }
};

TEST_F(MailFetchTest, EmailFetchSendsToTheBlocksAddressAndWritesTheOutcome) {
  PutResults({Result(m_text, true)});
  EXPECT_EQ(Fetch(FetchMode::kEmail), 0);
  std::vector<platform::pdb::PalmRecord> records = m_session.FileRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(HeadOf(records[0].data).contentKind, records::kContentText);
  EXPECT_EQ(ContentTextOf(records[0].data), "The file was sent to SMTP:ada@example.org.");
  EXPECT_EQ(platform::GetU16Be(records[0].data, records::file_record::kFileIdOffset), 0);
  EXPECT_NE(Captured(".stdin").find("ada@example.org"), std::string::npos);
  EXPECT_NE(Captured(".stdin").find("From the handheld"), std::string::npos);
}

TEST_F(MailFetchTest, FaxFetchDialsTheBlocksNumber) {
  PutResults({Result(m_text, true)});
  EXPECT_EQ(Fetch(FetchMode::kFax), 0);
  std::vector<platform::pdb::PalmRecord> records = m_session.FileRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(ContentTextOf(records[0].data), "The file was queued for faxing to FAX:555 0100.");
  EXPECT_NE(Captured(".args").find(std::string("555 0100") + '\0' + m_text + '\0'),
            std::string::npos);
}

// Named by the Sync Manager call that fails.
struct FetchFailure : vlmtest::NamedRow {
  std::vector<LogLine> log;
  bool filesTouched;  // "VlmrFilesDB" was created
};

class FetchStepFailure : public FetchTest, public testing::WithParamInterface<FetchFailure> {};

// Every failing step hands its own code back, so that the handheld keeps
// its request and can ask again.
TEST_P(FetchStepFailure, ReturnsTheStepsCode) {
  const FetchFailure& c = GetParam();
  PutResults({Result(m_text, true)});
  EXPECT_EQ(Fetch(FetchMode::kPcFormat, c.name), kInjected);
  EXPECT_EQ(m_session.Log(), c.log);
  EXPECT_EQ(m_session.Image().HasDatabase(records::kFilesDatabaseName), c.filesTouched);
  EXPECT_TRUE(m_session.FileRecords().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FetchStepFailure,
    testing::Values(
        FetchFailure{"SyncOpenDB", {{"Couldn't find Search database", 22}}, false},
        FetchFailure{"SyncReadDBAppInfoBlock", {{"Couldn't read Search App Info data", 22}}, false},
        FetchFailure{
            "SyncGetDBRecordCount", {{"Couldn't read Search results database", 22}}, false},
        FetchFailure{
            "SyncReadRecordByIndex", {{"Couldn't read Search Results database", 22}}, false},
        FetchFailure{"SyncCloseDB", {{"Couldn't close the Search database.", 22}}, false},
        FetchFailure{"SyncCreateDB", {{"Couldn't create the Files database", 22}}, false},
        FetchFailure{
            "SyncWriteRec",
            {{"Couldn't write to Files database", 22},
             {"Couldn't fetch notes.txt: the handheld refused its record (error 16962)", 22}},
            true}),
    vlmtest::RowName());

// Files that exist but cannot be read, and one that vanished after the
// search, in each of the four modes: every one is answered on the handheld
// and logged with its reason, and none stalls the HotSync.
// Named by the kind of file.
struct HostileFile : vlmtest::NamedRow {
  const char* reason;
};

class HostileFileFetch : public MailFetchTest,
                         public testing::WithParamInterface<std::tuple<HostileFile, FetchMode>> {
 protected:
  // The path of a file of the case's kind, made in the PC folder.
  std::string MakeHostileFile(std::string_view kind) {
    const std::string path = m_session.PcPath(std::string(kind) + ".txt");
    if (kind == "pipe") {
      EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    } else if (kind == "folder") {
      EXPECT_EQ(mkdir(path.c_str(), 0700), 0);
    }
    if (kind == "unreadable") chmod(m_session.WritePcFile("unreadable.txt", "secret").c_str(), 0);
    return kind == "device" ? "/dev/zero" : path;
  }
};

TEST_P(HostileFileFetch, IsAnsweredAndLoggedWithItsReason) {
  const auto& [file, mode] = GetParam();
  if (std::string_view(file.name) == "unreadable" && geteuid() == 0) {
    GTEST_SKIP() << "root reads every file";
  }
  const std::string path = MakeHostileFile(file.name);
  const std::string name = path.substr(path.rfind('/') + 1);
  PutResults({Result(path, true)});
  EXPECT_EQ(Fetch(mode), 0);

  std::vector<platform::pdb::PalmRecord> records = m_session.FileRecords();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(HeadOf(records[0].data).contentKind, records::kContentText);
  EXPECT_EQ(HeadOf(records[0].data).title.rfind(name, 0), 0u) << HeadOf(records[0].data).title;
  const std::vector<LogLine> log = m_session.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].activity, 22);
  EXPECT_NE(log[0].text.find(name + ": " + file.reason), std::string::npos) << log[0].text;
}

const FetchMode kAllModes[] = {FetchMode::kConvert, FetchMode::kPcFormat, FetchMode::kEmail,
                               FetchMode::kFax};

INSTANTIATE_TEST_SUITE_P(
    Kinds, HostileFileFetch,
    testing::Combine(testing::Values(HostileFile{"pipe", "it is a named pipe"},
                                     HostileFile{"device", "it is a device"},
                                     HostileFile{"folder", "it is a folder"},
                                     HostileFile{"unreadable", "permission denied"},
                                     HostileFile{"vanished",
                                                 "it vanished before it could be read"}),
                     testing::ValuesIn(kAllModes)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_mode" +
             std::to_string(static_cast<int>(std::get<1>(info.param)));
    });

TEST_F(FetchTest, MissingSearchDatabaseReturnsNotFound) {
  EXPECT_EQ(Fetch(FetchMode::kConvert), kSyncErrNotFound);
  EXPECT_EQ(m_session.Log(), (std::vector<LogLine>{{"Couldn't find Search database", 22}}));
}

TEST_F(FetchTest, FailedPurgeIsLoggedAndTheFetchGoesOn) {
  PutResults({Result(m_text, true)});
  EXPECT_EQ(Fetch(FetchMode::kPcFormat, "SyncPurgeDeletedRecs"), 0);
  EXPECT_EQ(m_session.Log(), (std::vector<LogLine>{{"SyncPurge failed", 22}}));
  EXPECT_EQ(m_session.FileRecords().size(), 1u);
}

}  // namespace
}  // namespace conduit::transfer
