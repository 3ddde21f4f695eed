// Exact bytes of window records and message datagrams, and every truncation.
#include "winsta/window_record.h"

#include <gtest/gtest.h>

namespace platform::winsta {
namespace {

TEST(WindowRecord, HasTheDocumentedLayout) {
  WindowRecord record{0x01020304, 4242, "KittyHawk", "HotSync"};
  std::optional<std::vector<uint8_t>> bytes = EncodeRecord(record);
  ASSERT_TRUE(bytes);
  std::vector<uint8_t> expected = {'W', 'S', 'T', 'A', 0x04, 0x03, 0x02, 0x01, 0x92, 0x10, 0,
                                   0,   9,   0,   'K', 'i',  't',  't',  'y',  'H',  'a',  'w',
                                   'k', 7,   0,   'H', 'o',  't',  'S',  'y',  'n',  'c'};
  EXPECT_EQ(*bytes, expected);
  std::optional<WindowRecord> decoded = DecodeRecord(*bytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->sequence, record.sequence);
  EXPECT_EQ(decoded->pid, record.pid);
  EXPECT_EQ(decoded->className, record.className);
  EXPECT_EQ(decoded->title, record.title);
}

TEST(WindowRecord, RejectsEveryTruncationExtraBytesAndAWrongMagic) {
  std::vector<uint8_t> bytes = *EncodeRecord({7, 99, "Class", "Title"});
  for (size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(DecodeRecord(ByteSpan(bytes.data(), size))) << size;
  }
  std::vector<uint8_t> longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(DecodeRecord(longer));
  bytes[0] = 'X';
  EXPECT_FALSE(DecodeRecord(bytes));
}

TEST(WindowRecord, RefusesNamesItCannotHold) {
  EXPECT_TRUE(EncodeRecord({1, 1, std::string(kMaxNameSize, 'c'), ""}));
  EXPECT_FALSE(EncodeRecord({1, 1, std::string(kMaxNameSize + 1, 'c'), ""}));
  EXPECT_FALSE(EncodeRecord({1, 1, "", std::string(kMaxNameSize + 1, 't')}));
}

TEST(Message, HasTheDocumentedLayoutAndKeepsSigns) {
  Message message{kWmChar, 0x1122334455667788ull, -2};
  std::vector<uint8_t> bytes = EncodeMessage(message);
  std::vector<uint8_t> expected = {0x02, 0x01, 0,    0,    0x88, 0x77, 0x66, 0x55, 0x44, 0x33,
                                   0x22, 0x11, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(bytes, expected);
  std::optional<Message> decoded = DecodeMessage(bytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->message, message.message);
  EXPECT_EQ(decoded->wParam, message.wParam);
  EXPECT_EQ(decoded->lParam, message.lParam);
  for (size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(DecodeMessage(ByteSpan(bytes.data(), size)));
  }
}

TEST(WindowId, OnlyWellFormedIdsParse) {
  EXPECT_EQ(MakeWindowId(42, 1234), "0000000042-1234");
  EXPECT_EQ(ParseWindowId("0000000042-1234"), std::make_pair(42u, 1234u));
  EXPECT_EQ(ParseWindowId("4294967295-4294967295"), std::make_pair(4294967295u, 4294967295u));
  const char* bad[] = {"",
                       "0000000042",
                       "0000000042-",
                       "42-1234",
                       "../../etc",
                       "0000000042-12/4",
                       "000000004x-1",
                       "4294967296-1",
                       "0000000042-1.window",
                       "0000000042-99999999999"};
  for (const char* id : bad) EXPECT_FALSE(ParseWindowId(id)) << id;
}

}  // namespace
}  // namespace platform::winsta
