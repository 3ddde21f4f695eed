// `connect`: the image plays a Palm OS handheld in a network HotSync. It
// connects to the desktop, shakes hands as a handheld does, answers every
// DLP request from the image until EndOfSync, and tells how the HotSync
// ended and what the desktop wrote in the handheld's HotSync log.
#include <chrono>
#include <iostream>
#include <optional>
#include <string>

#include "fs/fs.h"
#include "handheld/companion.h"
#include "handheld/image_handheld.h"
#include "handheld/link_faults.h"
#include "link/dlp_server.h"
#include "link/netsync_link.h"
#include "link/tcp_socket.h"

namespace handheld {
namespace {

using namespace platform::link;
using platform::Result;

constexpr char kConnectUsage[] =
    "Usage: handheld connect IMAGE [--to HOST:PORT] [--disconnect-after N]\n"
    "                         [--stall-after N] [--cancel] [--chunk BYTES]\n"
    "\n"
    "Plays a Palm OS handheld from the image in a network HotSync: connects to\n"
    "the desktop, answers its requests from the image, and keeps what it\n"
    "writes. Prints the HotSync log the desktop left on the handheld, how the\n"
    "HotSync ended and how many requests it answered.\n"
    "\n"
    "  --to HOST:PORT         the desktop (default localhost:14238)\n"
    "  --disconnect-after N   close the connection instead of answering\n"
    "                         request N+1\n"
    "  --stall-after N        answer no request after the N-th and keep the\n"
    "                         connection open until the desktop gives up\n"
    "  --cancel               the user cancels the HotSync on the handheld\n"
    "  --chunk BYTES          send every packet in pieces of at most BYTES\n"
    "\n"
    "Exit status: 0 the desktop ended the HotSync as successful, 1 it ended it\n"
    "with a failure or the connection failed, 2 bad usage or an unusable image.\n";

constexpr std::chrono::seconds kConnectTimeout{10};
// How long the handheld waits for the desktop's next request: a conduit may
// work a while between two requests.
constexpr std::chrono::minutes kRequestTimeout{2};
// How long a stalled handheld waits for the desktop to give up.
constexpr std::chrono::minutes kStallLimit{5};
constexpr int64_t kMostRequests = int64_t{1} << 40;

struct ConnectOptions {
  HostAndPort desktop{"localhost", kNetSyncPort};
  LinkFaults faults;
  bool cancel = false;
  size_t chunk = 0;
};

// A count option; nothing after a message when it is no count.
std::optional<std::optional<uint64_t>> CountOption(const Arguments& arguments,
                                                   std::string_view name, int64_t lowest) {
  const std::optional<std::string> text = arguments.Value(name);
  if (!text) return std::optional<uint64_t>{};
  const std::optional<int64_t> count = ParseNumber(*text, lowest, kMostRequests);
  if (!count) {
    UsageFail("connect: " + std::string(name) + " takes a number from " + std::to_string(lowest));
    return std::nullopt;
  }
  return std::optional<uint64_t>{static_cast<uint64_t>(*count)};
}

std::optional<ConnectOptions> ParseOptions(const Arguments& arguments) {
  ConnectOptions options;
  if (const std::optional<std::string> to = arguments.Value("--to")) {
    Result<HostAndPort> desktop = ParseHostAndPort(*to, kNetSyncPort);
    if (!desktop) {
      UsageFail("connect: --to: " + desktop.Reason());
      return std::nullopt;
    }
    options.desktop = *desktop;
  }
  const auto disconnect = CountOption(arguments, "--disconnect-after", 0);
  const auto stall = CountOption(arguments, "--stall-after", 0);
  const auto chunk = CountOption(arguments, "--chunk", 1);
  if (!disconnect || !stall || !chunk) return std::nullopt;
  options.faults = LinkFaults{*disconnect, *stall};
  options.chunk = static_cast<size_t>(chunk->value_or(0));
  options.cancel = arguments.Has("--cancel");
  return options;
}

// Connects and shakes hands; nothing after a message.
std::optional<NetSyncHandheldLink> Connect(const ConnectOptions& options) {
  const std::string where = options.desktop.host + ":" + std::to_string(options.desktop.port);
  Result<ByteStream> stream = ConnectTcp(options.desktop.host, options.desktop.port,
                                         std::chrono::milliseconds(kConnectTimeout));
  if (!stream) {
    Fail("cannot reach the desktop at " + where + ": " + stream.Reason());
    return std::nullopt;
  }
  stream->LimitWrites(options.chunk);
  NetSyncHandheldLink link(std::move(*stream), std::chrono::milliseconds(kRequestTimeout));
  if (Result<void> shaken = link.Handshake(); !shaken) {
    Fail("the desktop at " + where + " did not begin a HotSync: " + shaken.Reason());
    return std::nullopt;
  }
  return link;
}

void PrintHotSyncLog(const std::string& path) {
  const auto text = platform::ReadWholeFile(path);
  if (!text || text->empty()) return;
  std::cout << "HotSync log:\n";
  std::cout.write(reinterpret_cast<const char*>(text->data()),
                  static_cast<std::streamsize>(text->size()));
  if (text->back() != '\n') std::cout << "\n";
}

// Tells how the HotSync ended; the exit status.
int Outcome(const Result<void>& served, std::optional<uint16_t> endStatus) {
  if (!served) return Fail("the HotSync ended before EndOfSync: " + served.Reason());
  if (endStatus == kDlpEndNormal) {
    std::cout << "The desktop ended the HotSync: success.\n";
    return kExitOk;
  }
  std::cout << "The desktop ended the HotSync: failure (status " << endStatus.value_or(0) << ").\n";
  return kExitFailed;
}

int RunConnect(const Arguments& arguments) {
  const std::optional<ConnectOptions> options = ParseOptions(arguments);
  if (!options) return kExitUsage;
  std::optional<platform::pdb::HandheldImage> image = OpenImage(arguments.Positional()[0]);
  if (!image) return kExitUsage;
  std::optional<NetSyncHandheldLink> link = Connect(*options);
  if (!link) return kExitFailed;

  ImageHandheld handheld(*image, HandheldBehaviour{options->cancel, options->desktop.host},
                         std::cerr);
  handheld.BeginHotSync();
  FaultyHandheldLink faulty(*link, options->faults, kStallLimit);
  const Result<void> served = ServeDlp(faulty, handheld);
  // What a desktop that went away left open is kept, as on a handheld.
  handheld.CloseEverything();
  link->Close();
  PrintHotSyncLog(handheld.HotSyncLogPath());
  const int status = Outcome(served, handheld.EndStatus());
  // The DLP round trips the HotSync took, for whoever measures it.
  std::cout << faulty.Answered() << " requests answered.\n";
  return status;
}

}  // namespace

void AddConnectCommand(std::vector<CommandSpec>& commands) {
  commands.push_back({"connect",
                      kConnectUsage,
                      {{"--to", true},
                       {"--disconnect-after", true},
                       {"--stall-after", true},
                       {"--cancel", false},
                       {"--chunk", true}},
                      1,
                      1,
                      RunConnect,
                      true});
}

}  // namespace handheld
