#include "link/dlp_client.h"

#include <gtest/gtest.h>

#include <functional>

#include "recorded_session.h"

namespace {

using namespace platform::link;
using linktest::FromHex;
using platform::Failure;
using platform::Result;

// A desktop link that answers from a list, in turn, and keeps what the
// client sent; past the list the handheld has gone away.
class CannedLink final : public DesktopLink {
 public:
  explicit CannedLink(std::vector<Result<std::vector<uint8_t>>> replies)
      : m_replies(std::move(replies)) {}

  Result<std::vector<uint8_t>> Call(std::span<const uint8_t> request) override {
    sent.emplace_back(request.begin(), request.end());
    if (m_next == m_replies.size()) return Failure{"the handheld closed the connection"};
    return m_replies[m_next++];
  }
  Result<void> Handshake() override { return {}; }
  void Close() override {}
  bool Broken() const override { return false; }

  std::vector<std::vector<uint8_t>> sent;

 private:
  std::vector<Result<std::vector<uint8_t>>> m_replies;
  size_t m_next = 0;
};

// The outcome of one client call: 0 or the failure's code, and its reason.
using ClientCall = std::function<std::pair<int, std::string>(DlpClient&)>;

template <typename T>
std::pair<int, std::string> Outcome(const Result<T>& result) {
  return result ? std::pair<int, std::string>{0, ""} : std::pair{result.Code(), result.Reason()};
}

const ClientCall kReadSysInfo = [](DlpClient& c) { return Outcome(c.ReadSysInfo()); };
const ClientCall kReadUserInfo = [](DlpClient& c) { return Outcome(c.ReadUserInfo()); };
const ClientCall kOpenDb = [](DlpClient& c) { return Outcome(c.OpenDB("MemoDB", kDbOpenRead)); };
const ClientCall kReadIdList = [](DlpClient& c) { return Outcome(c.ReadRecordIDList({1})); };

// Whatever comes back, the client answers with a Failure whose code says
// whose fault it is: the handheld's DLP error, or kDlpLinkFailure for a
// reply that does not answer the request.
TEST(DlpClient, RepliesThatDoNotAnswerAreFailuresWithTheirCode) {
  struct Row {
    const char* what;
    ClientCall call;
    Result<std::vector<uint8_t>> reply;
    int code;
    const char* reason;
  };
  const Row rows[] = {
      {"a DLP error", kOpenDb, FromHex("97000005"), kDlpErrNotFound, "OpenDB: not found"},
      {"an unknown DLP error", kOpenDb, FromHex("97000063"), 99, "unknown DLP error"},
      {"a reply to another call", kReadSysInfo, FromHex("93000000"), kDlpLinkFailure,
       "answered GetSysDateTime to ReadSysInfo"},
      {"no argument", kReadUserInfo, FromHex("90000000"), kDlpLinkFailure, "is missing"},
      {"an empty handle", kOpenDb, FromHex("970100002000"), kDlpLinkFailure, "wrong size"},
      {"more ids than bytes", kReadIdList, FromHex("b10100002006000500000001"), kDlpLinkFailure,
       "wrong size"},
      {"a message cut short", kReadUserInfo, FromHex("90010000201e0000"), kDlpLinkFailure,
       "cut short"},
      {"a request, not a reply", kReadUserInfo, FromHex("10000000"), kDlpLinkFailure, "a request"},
      {"nothing", kReadUserInfo, FromHex(""), kDlpLinkFailure, "shorter than its head"},
      {"a failed link", kReadUserInfo, Failure{"the handheld did not answer in time"},
       kDlpLinkFailure, "ReadUserInfo: the handheld did not answer in time"},
  };
  for (const Row& row : rows) {
    CannedLink link({row.reply});
    DlpClient client(link);
    const auto [code, reason] = row.call(client);
    EXPECT_EQ(code, row.code) << row.what;
    EXPECT_NE(reason.find(row.reason), std::string::npos) << row.what << ": " << reason;
  }
}

// A request whose fields do not fit is refused before anything is sent.
TEST(DlpClient, RequestsThatDoNotFitAreNotSent) {
  const std::vector<uint8_t> tooBig(0x10000, 0xAB);
  const ClientCall calls[] = {
      [](DlpClient& c) { return Outcome(c.OpenDB(std::string(32, 'n'), kDbOpenRead)); },
      [](DlpClient& c) { return Outcome(c.DeleteDB(std::string(32, 'n'))); },
      [](DlpClient& c) {
        WriteUserInfoRequest request;
        request.name = std::string(41, 'u');
        return Outcome(c.WriteUserInfo(request));
      },
      [&](DlpClient& c) { return Outcome(c.WriteAppBlock(1, tooBig)); },
      [&](DlpClient& c) {
        return Outcome(c.WriteResource({1, 0x74455854, 1, tooBig}));
      },
  };
  for (const ClientCall& call : calls) {
    CannedLink link({});
    DlpClient client(link);
    EXPECT_EQ(call(client).first, kDlpErrParameter) << call(client).second;
    EXPECT_TRUE(link.sent.empty());
  }
}

std::vector<uint8_t> ListReply(uint16_t lastIndex, std::vector<uint16_t> indexes) {
  DbListPage page{lastIndex, true, {}};
  for (uint16_t index : indexes) {
    DbInfo database;
    database.index = index;
    database.name = "db" + std::to_string(index);
    page.databases.push_back(database);
  }
  return DlpReply{static_cast<uint8_t>(DlpFunction::kReadDBList), 0, page.Encode().Value()}
      .Encode();
}

// The list is read page by page, each from past the last index of the one
// before, until the handheld has no more; a page that does not move
// forward ends the walk with a failure instead of a loop.
TEST(DlpClient, ReadAllDBsPagesUntilNotFound) {
  CannedLink link({ListReply(1, {0, 1}), ListReply(5, {5}), FromHex("96000005")});
  DlpClient client(link);
  Result<std::vector<DbInfo>> all = client.ReadAllDBs(kDbListRam | kDbListRom);
  ASSERT_TRUE(all) << all.Reason();
  ASSERT_EQ(all->size(), 3u);
  EXPECT_EQ(all->back().name, "db5");
  ASSERT_EQ(link.sent.size(), 3u);
  EXPECT_EQ(link.sent[0], FromHex("16012004e0000000"));
  EXPECT_EQ(link.sent[1], FromHex("16012004e0000002"));
  EXPECT_EQ(link.sent[2], FromHex("16012004e0000006"));

  using Replies = std::vector<Result<std::vector<uint8_t>>>;
  for (const Replies& pages : std::vector<Replies>{
           {ListReply(0, {0}), ListReply(0, {0})},    // the second page goes back
           {ListReply(3, {})},                        // an empty page
           {ListReply(3, {3}), FromHex("96000003")},  // another error than not found
       }) {
    CannedLink stuck(pages);
    DlpClient walker(stuck);
    Result<std::vector<DbInfo>> none = walker.ReadAllDBs();
    ASSERT_FALSE(none);
    EXPECT_NE(none.Code(), 0);
    EXPECT_LE(stuck.sent.size(), 2u);
  }
}

}  // namespace
