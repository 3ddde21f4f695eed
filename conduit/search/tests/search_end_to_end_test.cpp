// Search requests end to end: the handheld companion asks, `hotsync sync`
// runs the built conduit, and the results, the request preference and the
// HotSync log are read back from the image and the user's log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "handheld_records.h"  // records/
#include "testing/hotsync_world.h"

namespace conduit {
namespace {

using vlmtest::HotSyncWorld;
using vlmtest::LogLine;

class SearchEndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    m_world.WritePcFile("plan.txt", "The annual BUDGET plan");
    m_world.WritePcFile("minutes.txt", "Nothing to report");
    m_world.WritePcFile("sheet.csv", "budget,2024\r\n");
    m_world.WritePcFile("archive/old.txt", "last year's budget");
    m_world.WritePcFile("archive/2019/older.txt", "an older plan");
  }

  void AskForSearch(const std::string& spec, const std::vector<std::string>& fields) {
    std::vector<std::string> arguments = {"--spec", spec};
    arguments.insert(arguments.end(), fields.begin(), fields.end());
    m_world.Handheld("search-fields", arguments);
    m_world.Handheld("request", {"search"});
  }

  std::vector<records::SearchResult> Results() const { return m_world.SearchResults(); }
  std::vector<std::string> ResultPaths() const { return m_world.SearchResultPaths(); }
  std::string Pc(const std::string& relative) const { return m_world.PcPath(relative); }

  HotSyncWorld m_world;
};

TEST_F(SearchEndToEnd, ListOnlySearchOfOneFolder) {
  AskForSearch(Pc("*.TXT"), {"--list-only", "on", "--subfolders", "off"});
  auto run = m_world.HotSync();
  EXPECT_TRUE(run.Succeeded()) << run.standardOutput << run.standardError;
  EXPECT_EQ(m_world.Request(), records::kRequestSearchDone);
  EXPECT_EQ(m_world.Status(), 0);
  EXPECT_EQ(ResultPaths(), (std::vector<std::string>{Pc("minutes.txt"), Pc("plan.txt")}));
  for (const auto& result : Results()) EXPECT_EQ(result.selected, 0);
  EXPECT_EQ(m_world.FileRecords().size(), 0u);
  EXPECT_EQ(m_world.Log(), (std::vector<LogLine>{{"", 19}, {"Vellamore", 20}}));
}

TEST_F(SearchEndToEnd, ListOnlySearchWithSubFoldersAndText) {
  AskForSearch(Pc("*.*"), {"--list-only", "on", "--subfolders", "on", "--text", "budget",
                           "--text-search", "on"});
  EXPECT_TRUE(m_world.HotSync().Succeeded());
  EXPECT_EQ(m_world.Request(), records::kRequestSearchDone);
  EXPECT_EQ(ResultPaths(),
            (std::vector<std::string>{Pc("plan.txt"), Pc("sheet.csv"), Pc("archive/old.txt")}));
}

TEST_F(SearchEndToEnd, SearchThatIsNotListOnlyFetchesEveryResultAtOnce) {
  AskForSearch(Pc("*.txt"), {"--list-only", "off", "--subfolders", "on"});
  EXPECT_TRUE(m_world.HotSync().Succeeded());
  EXPECT_EQ(m_world.Request(), records::kRequestFetchDone);
  EXPECT_EQ(m_world.Status(), 0);
  std::vector<records::SearchResult> results = Results();
  ASSERT_EQ(results.size(), 4u);
  for (const auto& result : results) EXPECT_EQ(result.selected, 1);
  EXPECT_EQ(m_world.FileRecords().size(), 4u);
  auto listed = m_world.Handheld("files");
  EXPECT_NE(listed.standardOutput.find("older.txt"), std::string::npos);
}

TEST_F(SearchEndToEnd, SearchOfAMissingFolderAnswersFour) {
  AskForSearch(Pc("nowhere/*.txt"), {"--list-only", "off"});
  auto run = m_world.HotSync();
  EXPECT_TRUE(run.Succeeded());
  EXPECT_EQ(m_world.Request(), records::kRequestSearchDone);
  EXPECT_EQ(m_world.Status(), records::RequestPreference::kStatusNoSearchPath);
  EXPECT_TRUE(Results().empty());
  EXPECT_EQ(m_world.Log(),
            (std::vector<LogLine>{
                {"", 19}, {"The search path does not exist on the PC", 22}, {"Vellamore", 20}}));
}

TEST_F(SearchEndToEnd, NewSearchReplacesTheResultsOfTheLastOne) {
  AskForSearch(Pc("*.txt"), {"--list-only", "on"});
  EXPECT_TRUE(m_world.HotSync().Succeeded());
  AskForSearch(Pc("*.csv"), {"--list-only", "on"});
  EXPECT_TRUE(m_world.HotSync().Succeeded());
  EXPECT_EQ(ResultPaths(), (std::vector<std::string>{Pc("sheet.csv")}));
  auto fields = m_world.Handheld("search-fields");
  EXPECT_NE(fields.standardOutput.find("last spec: \"" + Pc("*.csv") + "\""), std::string::npos)
      << fields.standardOutput;
}

}  // namespace
}  // namespace conduit
