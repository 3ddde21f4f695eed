// `connect`: the image plays a Palm OS handheld in a HotSync over the
// network, a serial line or serial bytes over TCP. It connects to the
// desktop, shakes hands (or wakes it) as a handheld does, answers every DLP
// request from the image until EndOfSync, and tells how the HotSync ended
// and what the desktop wrote in the handheld's HotSync log.
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
#include "link/serial_line.h"
#include "link/serial_link.h"
#include "link/tcp_socket.h"

namespace handheld {
namespace {

using namespace platform::link;
using platform::Result;

constexpr char kConnectUsage[] =
    "Usage: handheld connect IMAGE [--to HOST:PORT | --serial DEVICE |\n"
    "                         --serial-tcp HOST:PORT] [--speed BAUD]\n"
    "                         [--disconnect-after N] [--stall-after N] [--cancel]\n"
    "                         [--chunk BYTES] [--answer-speed BAUD]\n"
    "\n"
    "Plays a Palm OS handheld from the image in a HotSync: connects to the\n"
    "desktop, answers its requests from the image, and keeps what it writes.\n"
    "Prints the HotSync log the desktop left on the handheld, how the HotSync\n"
    "ended and how many requests it answered.\n"
    "\n"
    "  --to HOST:PORT         network HotSync with the desktop (default\n"
    "                         localhost:14238)\n"
    "  --serial DEVICE        a serial HotSync on this line (a pseudo-terminal\n"
    "                         or a serial port): wakes the desktop at 9600 bit/s\n"
    "  --serial-tcp HOST:PORT a serial HotSync over TCP, as an emulator's serial\n"
    "                         port\n"
    "  --speed BAUD           the highest serial speed the handheld can do\n"
    "                         (default 115200)\n"
    "  --answer-speed BAUD    switch to this speed after the desktop's init,\n"
    "                         whatever it chose (a faulty handheld)\n"
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

enum class LinkKind { kNetwork, kSerialLine, kSerialTcp };

struct ConnectOptions {
  LinkKind kind = LinkKind::kNetwork;
  HostAndPort desktop{"localhost", kNetSyncPort};
  std::string serialDevice;
  uint32_t speed = kSerialDefaultMaxSpeed;
  std::optional<uint32_t> answerSpeed;
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

// A serial speed option; nothing after a message when it is no speed.
std::optional<std::optional<uint32_t>> SpeedOption(const Arguments& arguments,
                                                   std::string_view name) {
  const std::optional<std::string> text = arguments.Value(name);
  if (!text) return std::optional<uint32_t>{};
  const std::optional<int64_t> speed = ParseNumber(*text, 1, 1'000'000);
  if (!speed || !IsSerialSpeed(static_cast<uint32_t>(*speed))) {
    UsageFail("connect: " + std::string(name) + " takes a serial speed in bit/s");
    return std::nullopt;
  }
  return std::optional<uint32_t>{static_cast<uint32_t>(*speed)};
}

// Where the desktop is: --to, --serial or --serial-tcp, at most one.
bool ParseDesktop(const Arguments& arguments, ConnectOptions& options) {
  const std::optional<std::string> to = arguments.Value("--to");
  const std::optional<std::string> serial = arguments.Value("--serial");
  const std::optional<std::string> serialTcp = arguments.Value("--serial-tcp");
  if (int(to.has_value()) + int(serial.has_value()) + int(serialTcp.has_value()) > 1) {
    UsageFail("connect: --to, --serial and --serial-tcp are one link each; give one");
    return false;
  }
  if (serial) {
    options.kind = LinkKind::kSerialLine;
    options.serialDevice = *serial;
    return true;
  }
  if (!to && !serialTcp) return true;
  options.kind = to ? LinkKind::kNetwork : LinkKind::kSerialTcp;
  Result<HostAndPort> desktop = ParseHostAndPort(to ? *to : *serialTcp, kNetSyncPort);
  if (!desktop) {
    UsageFail(std::string("connect: ") + (to ? "--to" : "--serial-tcp") + ": " + desktop.Reason());
    return false;
  }
  options.desktop = *desktop;
  return true;
}

std::optional<ConnectOptions> ParseOptions(const Arguments& arguments) {
  ConnectOptions options;
  if (!ParseDesktop(arguments, options)) return std::nullopt;
  const auto speed = SpeedOption(arguments, "--speed");
  const auto answerSpeed = SpeedOption(arguments, "--answer-speed");
  if (!speed || !answerSpeed) return std::nullopt;
  options.speed = speed->value_or(kSerialDefaultMaxSpeed);
  options.answerSpeed = *answerSpeed;
  const auto disconnect = CountOption(arguments, "--disconnect-after", 0);
  const auto stall = CountOption(arguments, "--stall-after", 0);
  const auto chunk = CountOption(arguments, "--chunk", 1);
  if (!disconnect || !stall || !chunk) return std::nullopt;
  options.faults = LinkFaults{*disconnect, *stall};
  options.chunk = static_cast<size_t>(chunk->value_or(0));
  options.cancel = arguments.Has("--cancel");
  return options;
}

// The handheld's end of the link and the stream it reads.
struct HandheldEnd {
  std::unique_ptr<HandheldLink> link;
  ByteStream* stream = nullptr;
};

// The stream to the desktop; nothing after a message.
std::optional<ByteStream> OpenDesktop(const ConnectOptions& options, std::string& where) {
  if (options.kind == LinkKind::kSerialLine) {
    where = "the serial line " + options.serialDevice;
    Result<int> line = OpenSerialLine(options.serialDevice);
    if (!line) {
      Fail("cannot use " + where + ": " + line.Reason());
      return std::nullopt;
    }
    return ByteStream(*line);
  }
  where = options.desktop.host + ":" + std::to_string(options.desktop.port);
  Result<ByteStream> stream = ConnectTcp(options.desktop.host, options.desktop.port,
                                         std::chrono::milliseconds(kConnectTimeout));
  if (!stream) {
    Fail("cannot reach the desktop at " + where + ": " + stream.Reason());
    return std::nullopt;
  }
  return std::move(*stream);
}

// A serial handheld: wakes at 9600 bit/s and moves to the speed the
// desktop's init chose (or the one a faulty handheld is told to).
std::unique_ptr<SerialHandheldLink> SerialHandheld(ByteStream stream,
                                                   const ConnectOptions& options) {
  SerialLinkSettings settings;
  settings.timing.messageWait = std::chrono::milliseconds(kRequestTimeout);
  settings.maxSpeed = options.speed;
  if (options.kind == LinkKind::kSerialLine) {
    const int fd = stream.Fd();
    settings.onSpeedChosen = [fd, answer = options.answerSpeed](uint32_t chosen) {
      return SetSerialSpeed(fd, answer.value_or(chosen));
    };
  }
  return std::make_unique<SerialHandheldLink>(std::move(stream), settings);
}

// Connects and shakes hands; nothing after a message.
std::optional<HandheldEnd> Connect(const ConnectOptions& options) {
  std::string where;
  std::optional<ByteStream> stream = OpenDesktop(options, where);
  if (!stream) return std::nullopt;
  stream->LimitWrites(options.chunk);
  HandheldEnd end;
  Result<void> shaken;
  if (options.kind == LinkKind::kNetwork) {
    auto link = std::make_unique<NetSyncHandheldLink>(std::move(*stream),
                                                      std::chrono::milliseconds(kRequestTimeout));
    shaken = link->Handshake();
    end.stream = &link->Stream();
    end.link = std::move(link);
  } else {
    std::unique_ptr<SerialHandheldLink> link = SerialHandheld(std::move(*stream), options);
    shaken = link->Handshake();
    end.stream = &link->Stream();
    end.link = std::move(link);
  }
  if (!shaken) {
    Fail("the desktop at " + where + " did not begin a HotSync: " + shaken.Reason());
    return std::nullopt;
  }
  return end;
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
  std::optional<HandheldEnd> end = Connect(*options);
  if (!end) return kExitFailed;

  const std::string desktopHost =
      options->kind == LinkKind::kSerialLine ? std::string() : options->desktop.host;
  ImageHandheld handheld(*image, HandheldBehaviour{options->cancel, desktopHost}, std::cerr);
  handheld.BeginHotSync();
  FaultyHandheldLink faulty(*end->link, *end->stream, options->faults, kStallLimit);
  const Result<void> served = ServeDlp(faulty, handheld);
  // What a desktop that went away left open is kept, as on a handheld.
  handheld.CloseEverything();
  end->link->Close();
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
                       {"--serial", true},
                       {"--serial-tcp", true},
                       {"--speed", true},
                       {"--answer-speed", true},
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
