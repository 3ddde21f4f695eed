// The search request on real handheld images through the Sync Manager:
// what it writes into "VlmrSearchDB", what it logs, and what it answers.
#include "search/pc_file_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/fs.h"
#include "syncmgr/syncmgr.h"
#include "testing/handheld_session.h"
#include "testing/table.h"

namespace conduit::search {
namespace {

using vlmtest::HandheldSession;
using vlmtest::LogLine;

class PcFileSearchTest : public testing::Test {
 protected:
  void SetUp() override {
    m_session.WritePcFile("report.txt", "Quarterly budget figures");
    m_session.WritePcFile("notes.TXT", "nothing here");
    m_session.WritePcFile("letter.doc", "Dear budget committee");
    m_session.WritePcFile("old/archive.txt", "BUDGET 1999");
    m_session.WritePcFile("old/older/deep.txt", "deep down");
  }

  records::SearchAppInfo Block(const std::string& spec, bool listOnly, bool subFolders) {
    records::SearchAppInfo block;
    for (size_t i = 0; i < records::SearchAppInfo::kSearchSpecOffset; ++i) {
      m_handheldBytes.push_back(static_cast<uint8_t>(i * 7));
    }
    std::vector<uint8_t> bytes(block.Bytes().begin(), block.Bytes().end());
    std::copy(m_handheldBytes.begin(), m_handheldBytes.end(), bytes.begin());
    block = records::SearchAppInfo::FromBytes(bytes);
    block.SetSearchSpec(spec);
    block.SetListOnly(listOnly);
    block.SetIncludeSubFolders(subFolders);
    block.SetFaxNumber("555-0100");
    return block;
  }

  // Runs one search on the image; returns its status.
  uint8_t Search(bool& stop, const std::vector<std::string>& failingCalls = {}) {
    uint8_t status = 0xEE;
    m_session.Sync([&] {
      for (const auto& call : failingCalls) SyncInjectFailure(call.c_str(), 0);
      status = RunSearch(stop);
    });
    return status;
  }

  std::vector<records::SearchResult> Results() const { return m_session.SearchResults(); }
  std::vector<std::string> ResultPaths() const { return m_session.SearchResultPaths(); }
  std::string Pc(const std::string& relative) const { return m_session.PcPath(relative); }

  HandheldSession m_session;
  std::vector<uint8_t> m_handheldBytes;
};

TEST_F(PcFileSearchTest, ListOnlySearchWritesUnselectedResultsAndStops) {
  records::SearchResult stale;
  stale.selected = 1;
  stale.path = "/stale/result.txt";
  m_session.PutSearchDatabase(Block(Pc("*.txt"), true, false), {stale});
  bool stop = true;
  EXPECT_EQ(Search(stop), kSearchDone);
  EXPECT_TRUE(stop);

  std::vector<records::SearchResult> results = Results();
  ASSERT_EQ(results.size(), 2u);  // the stale result was purged
  EXPECT_EQ(results[0].path, Pc("notes.TXT"));
  EXPECT_EQ(results[1].path, Pc("report.txt"));
  auto status = platform::GetFileStatus(Pc("report.txt"));
  ASSERT_TRUE(status);
  EXPECT_EQ(results[1].selected, 0);
  EXPECT_EQ(results[1].size, 24u);
  EXPECT_EQ(results[1].modified, records::SearchResultStamp(status->lastWriteTime));
  EXPECT_EQ(results[1].created, records::SearchResultStamp(status->creationTime));
  EXPECT_EQ(results[1].modified.bytes[0], 208);  // the century form of the 2000s
  EXPECT_TRUE(m_session.Log().empty());
}

TEST_F(PcFileSearchTest, BlockKeepsHandheldBytesAndRecordsTheLastSpec) {
  const std::string spec = Pc("*.doc");
  m_session.PutSearchDatabase(Block(spec, true, false));
  bool stop = true;
  ASSERT_EQ(Search(stop), kSearchDone);
  auto block = records::SearchAppInfo::FromBytes(m_session.Database(records::kSearchDatabaseName).appInfo);
  EXPECT_EQ(block.LastSearchSpec(), spec);
  EXPECT_EQ(block.SearchSpec(), spec);
  EXPECT_EQ(block.FaxNumber(), "555-0100");
  EXPECT_TRUE(std::equal(m_handheldBytes.begin(), m_handheldBytes.end(), block.Bytes().begin()));
}

TEST_F(PcFileSearchTest, LongerBlockKeepsEveryByteAfterItsFields) {
  const std::string spec = Pc("*.doc");
  m_session.PutSearchDatabase(Block(spec, true, false));
  platform::pdb::PalmDatabase database = m_session.Database(records::kSearchDatabaseName);
  const std::vector<uint8_t> tail(40, 0x5A);
  database.appInfo.insert(database.appInfo.end(), tail.begin(), tail.end());
  m_session.PutDatabase(database);
  bool stop = true;
  ASSERT_EQ(Search(stop), kSearchDone);
  const std::vector<uint8_t> written = m_session.Database(records::kSearchDatabaseName).appInfo;
  ASSERT_EQ(written.size(), records::SearchAppInfo::kSize + tail.size());
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), written.begin() + records::SearchAppInfo::kSize));
  EXPECT_EQ(records::SearchAppInfo::FromBytes(written).LastSearchSpec(), spec);
}

TEST_F(PcFileSearchTest, SearchThatFetchesMarksEveryResultSelectedAndGoesOn) {
  m_session.PutSearchDatabase(Block(Pc("*.*"), false, true));
  bool stop = true;
  EXPECT_EQ(Search(stop), kSearchDone);
  EXPECT_FALSE(stop);
  std::vector<records::SearchResult> results = Results();
  EXPECT_EQ(ResultPaths(),
            (std::vector<std::string>{Pc("letter.doc"), Pc("notes.TXT"), Pc("report.txt"),
                                      Pc("old/archive.txt"), Pc("old/older/deep.txt")}));
  for (const auto& result : results) EXPECT_EQ(result.selected, 1);
}

TEST_F(PcFileSearchTest, TextSearchKeepsFilesHoldingTheTextOnlyWhenSwitchedOn) {
  records::SearchAppInfo block = Block(Pc("*.*"), true, true);
  block.SetSearchText("Budget");
  m_session.PutSearchDatabase(block);
  bool stop = true;
  ASSERT_EQ(Search(stop), kSearchDone);
  EXPECT_EQ(ResultPaths().size(), 5u);  // the text is ignored while text search is off

  block.SetTextSearchOn(true);
  m_session.PutSearchDatabase(block);
  ASSERT_EQ(Search(stop), kSearchDone);
  EXPECT_EQ(ResultPaths(),
            (std::vector<std::string>{Pc("letter.doc"), Pc("report.txt"), Pc("old/archive.txt")}));
}

TEST_F(PcFileSearchTest, MissingFolderAnswersFourAndLeavesTheFlag) {
  m_session.PutSearchDatabase(Block(Pc("nowhere/*.txt"), false, false));
  bool stop = true;
  EXPECT_EQ(Search(stop), kSearchPathMissing);
  EXPECT_TRUE(stop);
  EXPECT_EQ(m_session.Log(),
            (std::vector<LogLine>{{"The search path does not exist on the PC", 22}}));
  EXPECT_TRUE(Results().empty());
}

TEST_F(PcFileSearchTest, EmptySpecFindsNothingAndSucceeds) {
  m_session.PutSearchDatabase(Block("", true, true));
  bool stop = true;
  EXPECT_EQ(Search(stop), kSearchDone);
  EXPECT_TRUE(Results().empty());
}

TEST_F(PcFileSearchTest, PathsLongerThan127CharactersAreLeftOut) {
  const std::string folder = "long";
  const size_t base = m_session.PcFolder().size() + 1 + folder.size() + 1;
  ASSERT_LT(base + 10, 127u);
  const std::string fits(127 - base - 4, 'a');
  const std::string tooLong(128 - base - 4, 'b');
  m_session.WritePcFile(folder + "/" + fits + ".txt", "x");
  m_session.WritePcFile(folder + "/" + tooLong + ".txt", "x");
  m_session.PutSearchDatabase(Block(Pc(folder + "/*.txt"), true, false));
  bool stop = true;
  ASSERT_EQ(Search(stop), kSearchDone);
  std::vector<std::string> paths = ResultPaths();
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(paths[0].size(), 127u);
}

TEST_F(PcFileSearchTest, MissingSearchDatabaseFails) {
  bool stop = true;
  EXPECT_EQ(Search(stop), kSearchFailed);
  EXPECT_EQ(m_session.Log(), (std::vector<LogLine>{{"Couldn't open Search database", 22}}));
}

// Named by the Sync Manager call that fails.
struct FailureCase : vlmtest::NamedRow {
  uint8_t status;
  std::vector<LogLine> log;
  size_t results;  // records left in the database
};

class PcFileSearchFailure : public PcFileSearchTest,
                            public testing::WithParamInterface<FailureCase> {};

TEST_P(PcFileSearchFailure, IsLoggedAndAnswered) {
  const FailureCase& c = GetParam();
  records::SearchResult stale;
  stale.path = "/stale.txt";
  m_session.PutSearchDatabase(Block(Pc("*.txt"), false, false), {stale});
  bool stop = true;
  EXPECT_EQ(Search(stop, {c.name}), c.status);
  EXPECT_EQ(stop, c.status != kSearchDone);
  EXPECT_EQ(m_session.Log(), c.log);
  EXPECT_EQ(Results().size(), c.results);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, PcFileSearchFailure,
    testing::Values(
        FailureCase{"SyncOpenDB", kSearchFailed, {{"Couldn't open Search database", 22}}, 1},
        FailureCase{"SyncReadDBAppInfoBlock",
                    kSearchFailed,
                    {{"Couldn't read Search App Info data", 22}},
                    1},
        // A failed purge is only logged: the new results follow the old ones.
        FailureCase{"SyncPurgeAllRecs", kSearchDone, {{"SyncPurge failed", 22}}, 3},
        FailureCase{"SyncWriteDBAppInfoBlock",
                    kSearchFailed,
                    {{"Couldn't write Search App Info data", 22}},
                    0},
        FailureCase{"SyncWriteRec", kSearchFailed, {{"Couldn't write Search results", 22}}, 0},
        // A close that fails writes nothing: the handheld keeps its old result.
        FailureCase{"SyncCloseDB", kSearchFailed, {{"SyncCloseDB failed", 22}}, 1}),
    vlmtest::RowName());

}  // namespace
}  // namespace conduit::search
