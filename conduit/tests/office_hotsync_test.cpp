// Office documents through whole HotSyncs of `hotsync sync`: ten listed
// documents share one LibreOffice, one that stalls it is sent in PC format
// while the others convert, each conversion shows on the terminal, and no
// office process outlives the HotSync.
#include <gtest/gtest.h>

#include <filesystem>

#include "handheld_records.h"  // records/
#include "program_names.h"     // store/
#include "settings/settings.h"
#include "testing/file_record.h"
#include "testing/files.h"
#include "testing/hotsync_world.h"
#include "testing/office_documents.h"
#include "testing/run_program.h"

namespace conduit {
namespace {

using vlmtest::ReadFile;
using vlmtest::TempFolder;

// Five .doc, three .xls and two .docx; the fifth document is "stall.doc".
const std::vector<std::string> kListed = {"a.doc", "b.doc", "c.doc", "d.doc",  "stall.doc",
                                          "e.xls", "f.xls", "g.xls", "h.docx", "i.docx"};

class OfficeHotSync : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"hotsync", "handheld", "condcfg", "VellamoreCnd.so", "vlmoffice"}) {
      if (!std::filesystem::exists(vlmtest::BinPath(program)))
        GTEST_SKIP() << program << " is not built";
    }
    if (!vlmtest::HaveLibreOffice()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    vlmtest::AdoptOrphans();
    m_world.emplace();
    vlmtest::WriteFile(m_made / "letter.txt", "Dear Ann,\nthe shop is open.\n");
    vlmtest::WriteFile(m_made / "budget.csv", "Rent,1200\nFood,300\n");
    vlmtest::ConvertWithLibreOffice(m_made, "doc", {"letter.txt"});
    vlmtest::ConvertWithLibreOffice(m_made, "docx", {"letter.txt"});
    vlmtest::ConvertWithLibreOffice(m_made, "xls", {"budget.csv"});
    store::FileListStore list;
    for (const std::string& name : kListed) {
      m_world->AddPcFile(list, name, store::kActionAlways);
      const std::string extension = name.substr(name.rfind('.'));
      m_world->WritePcFile(
          name, ReadFile(m_made / ((extension == ".xls" ? "budget" : "letter") + extension)));
    }
    m_world->SaveStore(list);
    platform::settings::SetValue(store::kParametersKey, store::kConversionTimeLimitValue, "20");
  }

  // The content kind of each record on the handheld, by title.
  std::map<std::string, uint8_t> KindsOnHandheld() const {
    std::map<std::string, uint8_t> kinds;
    for (const auto& record : m_world->FileRecords()) {
      const vlmtest::RecordHead head = vlmtest::HeadOf(record.data);
      kinds[head.title] = head.contentKind;
    }
    return kinds;
  }

  TempFolder m_made;
  std::optional<vlmtest::HotSyncWorld> m_world;
};

TEST_F(OfficeHotSync, AStalledDocumentGoesInPcFormatAndTheOthersConvert) {
  TempFolder office;
  vlmtest::WriteStallingOffice(office, m_world->PcPath("stall.doc"));
  const platform::ProcessResult synced =
      m_world->HotSync({"PATH=" + office.Path() + ":" + std::getenv("PATH")});
  EXPECT_TRUE(synced.Succeeded()) << synced.standardOutput << synced.standardError;
  EXPECT_NE(synced.standardOutput.find("Converting a.doc (1 of 10)..."), std::string::npos)
      << synced.standardOutput;
  EXPECT_NE(synced.standardOutput.find("Converting i.docx (10 of 10)..."), std::string::npos);
  // The stall lasts the time limit, which the terminal shows.
  EXPECT_NE(synced.standardOutput.find("stall.doc took "), std::string::npos);

  std::map<std::string, uint8_t> expected;
  for (const std::string& name : kListed) expected[name] = records::kContentText;
  expected.erase("stall.doc");
  expected["stall.doc - PC Format"] = records::kContentPcFormat;
  EXPECT_EQ(KindsOnHandheld(), expected);
  bool logged = false;
  for (const vlmtest::LogLine& line : m_world->Log()) {
    logged |= line.text.starts_with("Couldn't convert stall.doc, sent it in PC format");
  }
  EXPECT_TRUE(logged) << "the stall was not logged";
  EXPECT_EQ(vlmtest::RunningOfficeProcesses(), std::vector<int>{}) << "left running";
}

// The next HotSync of the unchanged files takes their records from the
// cache: the same records, and nothing left running.
TEST_F(OfficeHotSync, TheNextHotSyncSendsTheSameRecordsFromTheCache) {
  ASSERT_TRUE(m_world->HotSync().Succeeded());
  const auto first = m_world->FileRecords();
  const platform::ProcessResult again = m_world->HotSync();
  EXPECT_TRUE(again.Succeeded()) << again.standardError;
  EXPECT_EQ(again.standardOutput.find(" took "), std::string::npos) << again.standardOutput;
  const auto second = m_world->FileRecords();
  ASSERT_EQ(second.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    // The sent stamp (bytes 186 to 193) tells the HotSyncs apart.
    std::vector<uint8_t> a = first[i].data, b = second[i].data;
    std::fill(a.begin() + 186, a.begin() + 194, 0);
    std::fill(b.begin() + 186, b.begin() + 194, 0);
    EXPECT_EQ(a, b) << vlmtest::HeadOf(first[i].data).title;
  }
  EXPECT_EQ(vlmtest::FileNamesIn(m_world->Home().CacheHome() + "/Vellamore").size(),
            kListed.size());
  EXPECT_EQ(vlmtest::RunningOfficeProcesses(), std::vector<int>{}) << "left running";
}

}  // namespace
}  // namespace conduit
