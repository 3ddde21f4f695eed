#include "link/tcp_socket.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace platform::link;
using platform::Result;

TEST(TcpSocket, AHandheldConnectsToTheListenerOnLoopback) {
  auto listener = TcpListener::Listen("127.0.0.1", 0);
  ASSERT_TRUE(listener) << listener.Reason();
  ASSERT_NE(listener->Port(), 0);
  std::thread handheld([port = listener->Port()] {
    auto stream = ConnectTcp("localhost", port, std::chrono::seconds(5));
    ASSERT_TRUE(stream) << stream.Reason();
    const uint8_t hello[] = {1, 2, 3};
    ASSERT_TRUE(stream->WriteAll(hello, Clock::now() + std::chrono::seconds(5)));
  });
  auto accepted = listener->Accept(std::chrono::seconds(5));
  ASSERT_TRUE(accepted) << accepted.Reason();
  std::array<uint8_t, 3> got{};
  EXPECT_TRUE(accepted->ReadExactly(got, Clock::now() + std::chrono::seconds(5)));
  EXPECT_EQ(got, (std::array<uint8_t, 3>{1, 2, 3}));
  handheld.join();

  // Nobody else comes: the wait ends, and says it timed out.
  auto none = listener->Accept(std::chrono::milliseconds(50));
  ASSERT_FALSE(none);
  EXPECT_EQ(none.Code(), TcpListener::kTimedOut);
  // Nobody listens on a port just closed: the connection is refused at once.
  const uint16_t port = listener->Port();
  *listener = std::move(TcpListener::Listen("127.0.0.1", 0).Value());
  EXPECT_FALSE(ConnectTcp("127.0.0.1", port, std::chrono::seconds(5)));
}

TEST(TcpSocket, HostAndPortForms) {
  struct Row {
    const char* text;
    const char* host;
    uint16_t port;  // 0: refused
  };
  for (const Row& row : {Row{"pc.local:1234", "pc.local", 1234}, Row{"10.0.0.2", "10.0.0.2", 14238},
                         Row{"[::1]:99", "::1", 99}, Row{"::1", "::1", 14238},
                         Row{"pc:0", "", 0}, Row{"pc:65536", "", 0}, Row{"pc:x", "", 0},
                         Row{":80", "", 0}, Row{"[::1", "", 0}}) {
    Result<HostAndPort> parsed = ParseHostAndPort(row.text, kNetSyncPort);
    if (row.port == 0) {
      EXPECT_FALSE(parsed) << row.text;
      continue;
    }
    ASSERT_TRUE(parsed) << row.text << ": " << parsed.Reason();
    EXPECT_EQ(parsed->host, row.host);
    EXPECT_EQ(parsed->port, row.port);
  }
}

}  // namespace
