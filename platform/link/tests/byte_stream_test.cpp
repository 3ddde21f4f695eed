// Whole reads over bytes that arrive in other pieces than they are read in:
// what one read takes ahead is the next read's, and a peer that cannot take
// more makes a write wait under its deadline, not block.
#include "link/byte_stream.h"

#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <vector>

#include "recorded_session.h"

namespace {

using namespace platform::link;
using namespace std::chrono_literals;

std::vector<uint8_t> Counting(size_t size, uint8_t first = 0) {
  std::vector<uint8_t> bytes(size);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

TEST(ByteStream, ReadsTakeTheirOwnBytesWhateverPiecesTheyCameIn) {
  struct Row {
    const char* name;
    std::vector<size_t> writes;  // each sent whole before any read
    std::vector<size_t> reads;   // sizes; the last may ask past the end
    bool closes;                 // the writer closes after its writes
    bool moves;                  // the reader is moved after its first read
  };
  const Row rows[] = {
      {"two messages in one write", {10}, {6, 4}, false, false},
      {"a large read after a small one", {40005}, {5, 40000}, false, false},
      {"one read of many writes", {3, 3, 3}, {9}, false, false},
      {"read-ahead moves with the stream", {10}, {2, 8}, false, true},
      {"a close after the last message", {10}, {4, 6, 1}, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto [reader, writer] = linktest::StreamPair();
    size_t sent = 0;
    for (size_t size : row.writes) {
      ASSERT_TRUE(writer.WriteAll(Counting(size, static_cast<uint8_t>(sent)), Clock::now() + 5s));
      sent += size;
    }
    if (row.closes) writer.Close();
    std::optional<ByteStream> moved;
    ByteStream* from = &reader;
    size_t taken = 0;
    for (size_t size : row.reads) {
      std::vector<uint8_t> got(size);
      const auto read = from->ReadExactly(got, Clock::now() + 200ms);
      if (taken + size > sent) {
        ASSERT_FALSE(read);
        EXPECT_EQ(read.Reason(), "the handheld closed the connection");
        break;
      }
      ASSERT_TRUE(read) << read.Reason();
      EXPECT_EQ(got, Counting(size, static_cast<uint8_t>(taken)));
      taken += size;
      if (row.moves && !moved) from = &moved.emplace(std::move(reader));
    }
  }
}

TEST(ByteStream, AWriteToAPeerThatReadsNothingEndsAtItsDeadline) {
  auto [quiet, writer] = linktest::StreamPair();
  const std::vector<uint8_t> more(8 << 20);  // more than any socket buffer
  const auto began = Clock::now();
  const auto written = writer.WriteAll(more, began + 200ms);
  ASSERT_FALSE(written);
  EXPECT_EQ(written.Reason(), "the handheld did not answer in time");
  EXPECT_LT(Clock::now() - began, 5s);
}

}  // namespace
