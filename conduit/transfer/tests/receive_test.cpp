// Receiving on real handheld images through the Sync Manager: one record by
// its index or a whole category, the records that cannot be saved named in
// the log, and a PC without a data directory left untouched.
#include "transfer/receive.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "bytes/bytes.h"
#include "handheld_session.h"
#include "request_preference_buffer.h"
#include "sync_log.h"
#include "syncmgr/syncmgr.h"

namespace conduit::transfer {
namespace {

using test::HandheldSession;
using test::LogLine;

std::vector<uint8_t> TextRecord(const std::string& name, const std::string& text) {
  platform::ByteWriter writer;
  writer.U16Be(0);
  writer.FixedText(name, file_record::kTitleSize);
  writer.FixedText(name, file_record::kSourcePathSize);
  writer.Zeros(3 * 8 + 2);
  writer.U32Be(static_cast<uint32_t>(text.size() + 1));
  writer.U8(kContentText);
  writer.Bytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  writer.U8(0);
  return writer.Take();
}

class ReceiveTest : public testing::Test {
 protected:
  // "VlmrFilesDB" with one record per (name, attributes with category).
  void PutFiles(const std::vector<std::pair<std::string, uint8_t>>& files) {
    platform::pdb::PalmDatabase database;
    database.name = kFilesDatabaseName;
    database.creator = kCreatorId;
    database.type = kFilesDatabaseType;
    uint32_t id = 1;
    for (const auto& [name, attributes] : files) {
      std::vector<uint8_t> data = TextRecord(name, "text of " + name);
      if (name == "broken") data.resize(100);
      database.records.push_back({attributes, id++, std::move(data)});
    }
    m_session.PutDatabase(database);
  }

  void Choose(bool wholeCategory, uint32_t selector) {
    SearchAppInfo block;
    block.SetReceiveWholeCategory(wholeCategory);
    block.SetReceiveSelector(selector);
    m_session.PutSearchDatabase(block);
  }

  int32_t Receive(bool withDataDirectory = true, const char* failingCall = nullptr) {
    SyncContext context(RequestPreferenceBuffer());
    if (withDataDirectory) context.dataDirectory = m_dataDirectory;
    context.fileListSavable = true;
    int32_t result = -1;
    m_session.Sync([&] {
      if (failingCall != nullptr) SyncInjectFailure(failingCall, kSyncErrDamaged);
      result = ReceiveHandheldFiles(context);
    });
    for (const store::FileListEntry& entry : context.fileList.Entries()) {
      m_received.push_back(std::filesystem::path(entry.receivedCopy).filename().string());
    }
    return result;
  }

  std::vector<std::string> FilesInDataDirectory() const {
    std::vector<std::string> names;
    for (const auto& item : std::filesystem::directory_iterator(m_dataDirectory)) {
      names.push_back(item.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  void SetUp() override { std::filesystem::create_directory(m_dataDirectory); }

  HandheldSession m_session;
  std::string m_dataDirectory = m_session.Root() + "/data";
  std::vector<std::string> m_received;
};

TEST_F(ReceiveTest, OneRecordByItsIndexLeavingTheHandheldUnchanged) {
  PutFiles({{"a", 0}, {"b", 0x40}, {"c", 0}});
  const auto before = m_session.Database(kFilesDatabaseName).records;
  Choose(false, 0x00070001);  // only the low 16 bits count
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(m_received, std::vector<std::string>{"b.txt"});
  EXPECT_EQ(m_session.Database(kFilesDatabaseName).records, before);
}

TEST_F(ReceiveTest, EveryRecordOfTheCategoryPrivateOnesToo) {
  PutFiles({{"a", 2}, {"b", 3}, {"c", 0x10 | 2}, {"d", 0x80 | 2}});
  Choose(true, 2);
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(m_received, (std::vector<std::string>{"a.txt", "c.txt"}));
}

TEST_F(ReceiveTest, RecordsThatCannotBeSavedAreNamedInTheLogAndTheRestReceived) {
  PutFiles({{"a", 4}, {"broken", 4}, {"c", 4}});
  Choose(true, 4);
  EXPECT_EQ(Receive(), 0) << "the request was carried out";
  EXPECT_EQ(m_received, (std::vector<std::string>{"a.txt", "c.txt"}));
  const std::vector<LogLine> log = m_session.Log();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].activity, 22);
  EXPECT_EQ(log[0].text,
            "Couldn't save a file on the PC: the record is 100 bytes, shorter than its head");
}

TEST_F(ReceiveTest, AnIndexBeyondTheLastRecordReceivesNothingAndSaysSo) {
  PutFiles({{"a", 0}});
  Choose(false, 1);
  EXPECT_EQ(Receive(), 0);
  EXPECT_TRUE(m_received.empty());
  ASSERT_EQ(m_session.Log().size(), 1u);
  EXPECT_EQ(m_session.Log()[0].activity, 22);
}

TEST_F(ReceiveTest, AFilesDatabaseThatCannotBeOpenedFailsTheRequest) {
  PutFiles({{"a", 0}});
  Choose(false, 0);
  EXPECT_EQ(Receive(true, "SyncOpenDB"), kSyncErrDamaged);
  EXPECT_TRUE(m_received.empty());
  EXPECT_EQ(m_session.Log().back(), (LogLine{"Couldn't open the Files database", 22}));
}

TEST_F(ReceiveTest, WithoutADataDirectoryNothingIsReceivedOrWritten) {
  PutFiles({{"a", 0}});
  Choose(false, 0);
  EXPECT_EQ(Receive(/*withDataDirectory=*/false), kErrNothingReceived);
  EXPECT_TRUE(m_received.empty());
  EXPECT_TRUE(FilesInDataDirectory().empty());
  EXPECT_FALSE(std::filesystem::exists("/a.txt"));
}

}  // namespace
}  // namespace conduit::transfer
