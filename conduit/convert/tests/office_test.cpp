// Word-processor documents and workbooks through a real headless
// LibreOffice. The documents are made by LibreOffice itself from text in
// the test; each conversion starts and ends a LibreOffice of its own, so
// the cases are few and each checks a whole record.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "automation/automation.h"
#include "clipboard/clipboard.h"
#include "convert/conversion_session.h"
#include "convert/convert.h"
#include "convert/office_text.h"
#include "handheld_records.h"  // records/
#include "process/process_runner.h"
#include "program_names.h"  // store/
#include "settings/settings.h"
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/office_documents.h"
#include "testing/picture.h"
#include "testing/scoped_env.h"
#include "testing/table.h"
#include "testing/temp_folder.h"

namespace conduit {
namespace {

using vlmtest::ContentTextOf;
using vlmtest::ConvertWithLibreOffice;
using vlmtest::HeadOf;
using vlmtest::ReadFile;
using vlmtest::Repeated;
using vlmtest::ScopedEnv;
using vlmtest::TempFolder;
using vlmtest::WriteFile;

namespace clipboard = platform::clipboard;

// Settings of their own in `folder`, with the conversion time limit set to
// `seconds` when it is given.
class ScopedSettings {
 public:
  ScopedSettings(const TempFolder& folder, const char* seconds)
      : m_config("XDG_CONFIG_HOME", folder / "config") {
    if (seconds != nullptr)
      platform::settings::SetValue(store::kParametersKey, store::kConversionTimeLimitValue,
                                   seconds);
  }

 private:
  ScopedEnv m_config;
};

bool HaveLibreOffice() {
#ifdef VELLAMORE_HAVE_OFFICE_SERVER
  return vlmtest::HaveLibreOffice();
#else
  return false;
#endif
}

bool ProcessIsZombie(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, name, state;
  stat >> pidText >> name >> state;
  return state == "Z";
}

// A flat OpenDocument workbook of the given sheets, with a percentage
// format "ce1" and a hidden-sheet style "hidden".
std::string Workbook(std::string_view sheets) {
  return std::string(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" office:version="1.2"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:automatic-styles>
 <number:percentage-style style:name="N1"><number:number number:decimal-places="1"
  number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>
 <style:style style:name="ce1" style:family="table-cell" style:data-style-name="N1"/>
 <style:style style:name="hidden" style:family="table"><style:table-properties table:display="false"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet>)") +
         std::string(sheets) + "</office:spreadsheet></office:body></office:document>";
}

std::string Cell(std::string_view text) {
  return "<table:table-cell office:value-type=\"string\"><text:p>" + std::string(text) +
         "</text:p></table:table-cell>";
}

// A cell of two lines.
std::string TwoLineCell(std::string_view first, std::string_view second) {
  return "<table:table-cell office:value-type=\"string\"><text:p>" + std::string(first) +
         "</text:p><text:p>" + std::string(second) + "</text:p></table:table-cell>";
}

const std::string kBudgetSheets =
    "<table:table table:name=\"Budget\"><table:table-row>" + Cell("Rent") +
    "<table:table-cell office:value-type=\"float\" office:value=\"1200\"/></table:table-row>"
    "<table:table-row>" +
    Cell("Share") +
    "<table:table-cell table:style-name=\"ce1\" office:value-type=\"percentage\" "
    "office:value=\"0.125\"/></table:table-row></table:table>"
    "<table:table table:name=\"Notes\"><table:table-row>" +
    Cell("Pay by Friday") + "</table:table-row></table:table>";

// A sheet the user sees and a hidden one, each with a cell of two lines.
const std::string kHiddenSheets =
    "<table:table table:name=\"Shown\"><table:table-row>" + TwoLineCell("say \"so\"", "twice") +
    Cell("x") +
    "</table:table-row></table:table>"
    "<table:table table:name=\"Kept\" table:style-name=\"hidden\"><table:table-row>" +
    TwoLineCell("kept", "out of sight") + Cell("y") + "</table:table-row></table:table>";

// A shown sheet, then a hidden one whose used range has a million rows.
const std::string kManyHiddenRows =
    "<table:table table:name=\"Shown\"><table:table-row>" + Cell("sum") +
    "<table:table-cell office:value-type=\"float\" office:value=\"4\"/></table:table-row>"
    "</table:table><table:table table:name=\"Many\" table:style-name=\"hidden\">"
    "<table:table-row table:number-rows-repeated=\"1000000\">" +
    Cell("x") + "</table:table-row></table:table>";

// The documents are made once for each group of cases that needs them.
class OfficeTest : public ::testing::Test {
 protected:
  static void MakeDocuments(void (*make)(const TempFolder&)) {
    if (!HaveLibreOffice()) return;
    platform::automation::SetServerFolder(VELLAMORE_BIN_DIR);
    s_folder = new TempFolder;
    make(*s_folder);
  }
  static void TearDownTestSuite() {
    delete s_folder;
    s_folder = nullptr;
  }
  void SetUp() override {
    if (!HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    platform::automation::SetServerFolder(VELLAMORE_BIN_DIR);
  }

  static TempFolder* s_folder;
};

TempFolder* OfficeTest::s_folder = nullptr;

// A document made by LibreOffice, and the text, size field and title it
// arrives with.
struct DocumentCase : vlmtest::NamedRow {
  std::string content;
  uint32_t size;
  const char* title;
};

// Checks the record of a converted document against its case.
void ExpectDocument(const ConversionResult& result, const DocumentCase& expected) {
  ASSERT_EQ(result.status, kConvOk) << result.failure;
  ASSERT_TRUE(result.record);
  EXPECT_TRUE(ContentTextOf(*result.record) == expected.content)
      << ::testing::PrintToString(ContentTextOf(*result.record).substr(0, 300));
  EXPECT_EQ(HeadOf(*result.record).size, expected.size);
  EXPECT_EQ(HeadOf(*result.record).title, expected.title);
}

class WordDocumentTest : public OfficeTest, public ::testing::WithParamInterface<DocumentCase> {
 protected:
  static void SetUpTestSuite() {
    MakeDocuments([](const TempFolder& folder) {
      WriteFile(folder / "letter.txt", "Dear Ann,\r\nthe caf\xc3\xa9\tis open.\r\n\r\nBob\r\n");
      WriteFile(folder / "long.txt", Repeated("abcdefghijklmnopqrs\n", 2000));
      ConvertWithLibreOffice(folder, "doc", {"letter.txt", "long.txt"});
    });
  }
};

// Paragraph ends become line feeds, tabs four spaces, the text the
// handheld's character set; a long text is cut to 30,000 bytes with its zero.
TEST_P(WordDocumentTest, CarriesTheDocumentTextAsTheHandheldShowsIt) {
  const ConversionResult result = ConvertWordDocument(*s_folder / GetParam().name);
  ExpectDocument(result, GetParam());
  if (result.record) {
    EXPECT_EQ(result.record->size(), 202 + GetParam().size);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, WordDocumentTest,
    ::testing::Values(
        DocumentCase{"letter.doc", "Dear Ann,\nthe caf\xe9    is open.\n\nBob\n", 37, "letter.doc"},
        DocumentCase{"long.doc", Repeated("abcdefghijklmnopqrs\n", 2000).substr(0, 29999), 30000,
                     "long.doc- Cut"}));

class SpreadsheetTest : public OfficeTest, public ::testing::WithParamInterface<DocumentCase> {
 protected:
  static void SetUpTestSuite() {
    MakeDocuments([](const TempFolder& folder) {
      WriteFile(folder / "budget.fods", Workbook(kBudgetSheets));
      WriteFile(folder / "empty.fods", Workbook("<table:table table:name=\"Sheet1\"/>"));
      WriteFile(folder / "hidden.fods", Workbook(kHiddenSheets));
      WriteFile(folder / "long.csv", Repeated("abcdefghijklmnopqrs\r\n", 2000));
      WriteFile(folder / "many.fods", Workbook(kManyHiddenRows));
      ConvertWithLibreOffice(folder, "xls",
                             {"budget.fods", "empty.fods", "hidden.fods", "long.csv"});
      ConvertWithLibreOffice(folder, "ods", {"many.fods"});
    });
  }
};

// One block per sheet, cells as displayed; whatever the user had on the
// clipboard is there again afterwards, in every format it was offered in.
TEST_P(SpreadsheetTest, CollectsEverySheetAndGivesTheClipboardBack) {
  const std::vector<uint8_t> userText = {'m', 'i', 'n', 'e', 0};
  const std::vector<uint8_t> userPicture = {1, 2, 0, 3};
  ASSERT_TRUE(clipboard::Open());
  clipboard::Empty();
  clipboard::Set(clipboard::kFormatText, userText);
  clipboard::Set(0xC001, userPicture);
  clipboard::Close();
  ExpectDocument(ConvertSpreadsheet(*s_folder / GetParam().name), GetParam());
  EXPECT_EQ(clipboard::Formats(), (std::vector<uint32_t>{clipboard::kFormatText, 0xC001}));
  EXPECT_EQ(clipboard::Get(clipboard::kFormatText), userText);
  EXPECT_EQ(clipboard::Get(0xC001), userPicture);
}

const std::string kLongSheet =
    ("long (Sheet1)\n\n" + Repeated("abcdefghijklmnopqrs\n", 2000)).substr(0, 29999);
const std::string kManyRowsText =
    ("Shown (Sheet1)\n\nsum    4\n\n\n\nMany (Many)\n\n" + Repeated("x\n", 15000)).substr(0, 29999);

INSTANTIATE_TEST_SUITE_P(
    Workbooks, SpreadsheetTest,
    ::testing::Values(DocumentCase{"budget.xls",
                                   "Budget (Sheet1)\n\nRent    1200\nShare    12.5%\n\n\n\n"
                                   "Notes (Sheet2)\n\nPay by Friday\n\n\n\n",
                                   82, "budget.xls"},
                      DocumentCase{"empty.xls", "Sheet1 (Sheet1)\n\n(Empty)\n\n\n", 28,
                                   "empty.xls"},
                      // A cell of several lines is quoted as the copy quotes it,
                      // and a hidden sheet gives its own cells, not another's.
                      DocumentCase{"hidden.xls",
                                   "Shown (Sheet1)\n\n\"say \"\"so\"\"\ntwice\"    x\n\n\n\n"
                                   "Kept (Sheet2)\n\n\"kept\nout of sight\"    y\n\n\n\n",
                                   87, "hidden.xls"},
                      DocumentCase{"long.xls", kLongSheet, 30000, "long.xls - Cut"},
                      // The hidden sheet is read only as far as the record
                      // holds, in time, and the shown sheet's text stays.
                      DocumentCase{"many.ods", kManyRowsText, 30000, "many.ods - Cut"}));

// A file LibreOffice cannot open fails the conversion, and the dispatcher
// sends it in PC format.
TEST_F(OfficeTest, SendsWhatLibreOfficeCannotOpenInPcFormat) {
  TempFolder folder;
  // A zip archive's signature, as .docx and .xlsx files begin, then nothing.
  const std::string damaged = std::string("PK\x03\x04", 4) + std::string(200, '\0');
  WriteFile(folder / "damaged.doc", damaged);
  WriteFile(folder / "damaged.xls", damaged);
  EXPECT_EQ(ConvertWordDocument(folder / "damaged.doc").status, kConvDocumentNotOpened);
  EXPECT_EQ(ConvertSpreadsheet(folder / "damaged.xls").status, kConvCannotOpen);
}

// Random bytes under an office document's name are opened only as that
// format, which they are not: the file goes in PC format, not as text.
class RefusedDocumentTest : public OfficeTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RefusedDocumentTest, GoesInPcFormat) {
  TempFolder folder;
  std::string noise(4096, '\0');
  uint32_t state = 12345;
  for (char& byte : noise) {
    state = state * 1103515245 + 12345;
    byte = static_cast<char>(state >> 24);
  }
  WriteFile(folder / GetParam(), noise);
  const ConversionResult result = ConvertForHandheld(folder / GetParam());
  ASSERT_TRUE(result.record);
  EXPECT_EQ(HeadOf(*result.record).contentKind, records::kContentPcFormat);
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedDocumentTest,
                         ::testing::Values("noise.xls", "noise.doc", "noise.rtf", "noise.slk"));

// The time limit of one step of a conversion comes from the settings; what
// is not a number of seconds from 1 to 3600 leaves the default.
TEST(ConversionTimeLimit, IsTheSettingOr30Seconds) {
  const struct {
    const char* setting;
    long seconds;
  } cases[] = {{nullptr, 30}, {"5", 5},   {"3600", 3600}, {"0", 30},
               {"3601", 30},  {"-4", 30}, {"7s", 30},     {"", 30}};
  for (const auto& c : cases) {
    TempFolder folder;
    ScopedSettings settings(folder, c.setting);
    EXPECT_EQ(ConversionTimeLimit().count(), c.seconds) << (c.setting ? c.setting : "(unset)");
  }
}

// The fake LibreOffice of the next tests: it records its process, its
// parent (the office server), its address-space limit and its pipe name in
// `record`, and never answers.
void WriteHungOffice(const TempFolder& folder, const std::string& record) {
  WriteFile(folder / "soffice",
            "#!/bin/sh\n"
            "for a; do case \"$a\" in --accept=pipe,name=*) n=${a#--accept=pipe,name=}; "
            "n=${n%%;*};; esac; done\n"
            "echo $$ $PPID $(ulimit -v) $n > '" +
                record + ".new'\nmv '" + record + ".new' '" + record + "'\nexec sleep 600\n");
  chmod((folder / "soffice").c_str(), 0755);
}

// The socket file of LibreOffice's pipe `name`, left behind as a killed
// LibreOffice leaves it: nobody listens on it.
std::string LeaveOfficePipe(const std::string& name) {
  const std::string path = "/tmp/OSL_PIPE_" + std::to_string(getuid()) + "_" + name;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", path.c_str());
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  close(listener);
  return path;
}

bool HasEnded(pid_t pid) {
  return kill(pid, 0) != 0 || ProcessIsZombie(pid);
}

// Waits up to `seconds` for the process to end.
bool Ends(pid_t pid, int seconds) {
  for (int tick = 0; tick < seconds * 10 && !HasEnded(pid); ++tick) usleep(100'000);
  return HasEnded(pid);
}

// A LibreOffice that never answers is killed when the time limit of the
// settings runs out, with everything it started, and the document goes in
// PC format.
TEST_F(OfficeTest, KillsALibreOfficeThatNeverAnswers) {
  TempFolder folder;
  const std::string pidFile = folder / "soffice.pid";
  WriteHungOffice(folder, pidFile);
  WriteFile(folder / "letter.doc", "text");
  ScopedEnv hungOffice("PATH", folder.Path() + ":/usr/bin:/bin");
  ScopedSettings settings(folder, "2");
  const ConversionResult result = ConvertForHandheld(folder / "letter.doc");
  ASSERT_TRUE(result.record);
  EXPECT_EQ(HeadOf(*result.record).contentKind, records::kContentPcFormat);
  const pid_t office = std::stoi(ReadFile(pidFile));
  EXPECT_TRUE(HasEnded(office)) << "LibreOffice was left running";
}

// A LibreOffice that cannot be run fails the conversion with the reason.
TEST_F(OfficeTest, ALibreOfficeThatCannotRunIsReportedWithTheReason) {
  TempFolder folder;
  WriteFile(folder / "soffice", "#!/nonexistent/interpreter\n");
  chmod((folder / "soffice").c_str(), 0755);
  WriteFile(folder / "letter.doc", "text");
  ScopedEnv brokenOffice("PATH", folder.Path());
  const ConversionResult result = ConvertWordDocument(folder / "letter.doc");
  EXPECT_EQ(result.status, kConvWordNotCreated);
  EXPECT_NE(result.failure.find("LibreOffice could not be started: No such file or directory"),
            std::string::npos)
      << result.failure;
}

// A document the office server may not read fails with the read's reason,
// not as a document of another kind. The conversion runs in a child whose
// programs lose root's power to read any file.
TEST_F(OfficeTest, ADocumentTheServerCannotReadIsReportedAsUnreadable) {
  TempFolder folder;
  WriteFile(folder / "locked.doc", "text");
  chmod((folder / "locked.doc").c_str(), 0);
  const std::string reason = folder / "reason";
  const pid_t hotsync = fork();
  ASSERT_GE(hotsync, 0);
  if (hotsync == 0) {
    prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
    prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
    WriteFile(reason, ConvertWordDocument(folder / "locked.doc").failure);
    _exit(0);
  }
  waitpid(hotsync, nullptr, 0);
  EXPECT_NE(ReadFile(reason).find("it cannot be read: Permission denied"), std::string::npos)
      << ReadFile(reason);
}

// A HotSync killed with SIGKILL while its conversion waits for LibreOffice
// takes the office server and LibreOffice with it. LibreOffice ran under a
// memory bound. The next conversion removes the folder and the pipe name
// that the killed one left behind.
TEST_F(OfficeTest, EndsWithAHotSyncThatIsKilled) {
  TempFolder folder;
  const std::string record = folder / "soffice.record";
  WriteHungOffice(folder, record);
  WriteFile(folder / "letter.doc", "text");
  const std::string scratch = folder / "tmp";
  mkdir(scratch.c_str(), 0700);
  ScopedEnv hungOffice("PATH", folder.Path() + ":/usr/bin:/bin");
  ScopedEnv tmp("TMPDIR", scratch);
  const pid_t hotsync = fork();
  ASSERT_GE(hotsync, 0);
  if (hotsync == 0) {
    ConvertForHandheld(folder / "letter.doc");
    _exit(0);
  }
  for (int tick = 0; tick < 600 && !std::filesystem::exists(record); ++tick) usleep(100'000);
  kill(hotsync, SIGKILL);
  waitpid(hotsync, nullptr, 0);
  std::istringstream recorded(ReadFile(record));
  pid_t office = 0, server = 0;
  std::string addressSpace, pipeName;
  recorded >> office >> server >> addressSpace >> pipeName;
  ASSERT_GT(office, 0) << "LibreOffice never started";
  EXPECT_TRUE(Ends(server, 10)) << "the office server was left running";
  EXPECT_TRUE(Ends(office, 10)) << "LibreOffice was left running";
  EXPECT_NE(addressSpace, "unlimited");
  const std::string pipe = LeaveOfficePipe(pipeName);
  ASSERT_TRUE(std::filesystem::exists(pipe));

  ScopedSettings settings(folder, "1");
  ConvertForHandheld(folder / "letter.doc");
  // The profile template LibreOffice's starts share is kept; nothing else.
  for (const auto& left : std::filesystem::directory_iterator(scratch)) {
    EXPECT_TRUE(left.path().filename().string().starts_with("vellamore-office-"))
        << "left behind: " << left.path();
  }
  EXPECT_FALSE(std::filesystem::exists(pipe)) << "the pipe name was left behind";
}

// Every office route, and pictures, through four roads: a LibreOffice of
// the conversion's own, one LibreOffice shared by a session, a session
// that fills the cache and one that takes every record from it.
class SharedOfficeTest : public OfficeTest {
 protected:
  static void SetUpTestSuite() {
    MakeDocuments([](const TempFolder& folder) {
      WriteFile(folder / "letter.txt", "Dear Ann,\r\nthe caf\xc3\xa9\tis open.\r\n\r\nBob\r\n");
      for (const char* format : {"doc", "docx", "odt", "pdf"}) {
        ConvertWithLibreOffice(folder, format, {"letter.txt"});
      }
      WriteFile(folder / "budget.fods", Workbook(kBudgetSheets));
      for (const char* format : {"xls", "xlsx", "ods"}) {
        ConvertWithLibreOffice(folder, format, {"budget.fods"});
      }
      Magick::Image photo = vlmtest::PaintedPicture(300, 200, [](size_t row, size_t column) {
        return vlmtest::Grey((row * 7 + column) % 256);
      });
      const std::vector<uint8_t> jpeg = vlmtest::PictureBytes(photo, "JPEG");
      WriteFile(folder / "photo.jpg", std::string(jpeg.begin(), jpeg.end()));
    });
  }
};

const char* const kEveryRoute[] = {"letter.doc", "letter.docx", "letter.odt", "letter.pdf",
                                   "budget.xls", "budget.xlsx", "budget.ods", "photo.jpg"};

// The record of each file, converted as the session (if any) lets it.
std::vector<std::vector<uint8_t>> RecordsOf(const TempFolder& folder) {
  std::vector<std::vector<uint8_t>> records;
  for (const char* name : kEveryRoute) {
    ConversionResult result = ConvertForHandheld(folder / name);
    EXPECT_TRUE(result.record && result.failure.empty()) << name << ": " << result.failure;
    records.push_back(result.record.value_or(std::vector<uint8_t>{}));
  }
  return records;
}

TEST_F(SharedOfficeTest, GivesTheSameRecordsSharedAndCached) {
  std::vector<std::vector<uint8_t>> alone;
  for (const char* name : kEveryRoute) {
    alone.push_back(ConvertForHandheld(*s_folder / name).record.value_or(std::vector<uint8_t>{}));
    platform::automation::EndKeptServers();  // the next one starts its own
  }
  for (size_t i = 0; i < alone.size(); ++i) {
    EXPECT_EQ(HeadOf(alone[i]).contentKind,
              i + 1 == alone.size() ? records::kContentBitmap : records::kContentText)
        << kEveryRoute[i];
  }
  TempFolder cacheFolder;
  const auto cached = [&] {
    return ConversionCache(cacheFolder.Path(), ConversionCache::kDefaultLimit);
  };
  std::vector<std::vector<uint8_t>> shared, filling, fromCache;
  {
    const ConversionSession session(nullptr, std::nullopt);
    shared = RecordsOf(*s_folder);
  }
  {
    const ConversionSession session(nullptr, cached());
    filling = RecordsOf(*s_folder);
  }
  {
    // Every record comes from the cache: no LibreOffice is started.
    const ConversionSession session(nullptr, cached());
    fromCache = RecordsOf(*s_folder);
    EXPECT_EQ(vlmtest::RunningOfficeProcesses(), std::vector<int>{}) << "converted again";
  }
  for (size_t i = 0; i < alone.size(); ++i) {
    EXPECT_EQ(shared[i], alone[i]) << kEveryRoute[i] << " shared";
    EXPECT_EQ(filling[i], alone[i]) << kEveryRoute[i] << " filling the cache";
    EXPECT_EQ(fromCache[i], alone[i]) << kEveryRoute[i] << " from the cache";
  }
  EXPECT_EQ(vlmtest::RunningOfficeProcesses(), std::vector<int>{}) << "left running";
}

}  // namespace
}  // namespace conduit
