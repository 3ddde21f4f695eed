// vlmoffice: the server program of the "Word.Basic" and "Excel.Application"
// classes. Started by the automation layer as
//
//   vlmoffice PROGID SCRATCH-FOLDER
//
// with a socket on its standard input and output. It starts LibreOffice,
// reports the start, then answers requests. One LibreOffice serves every
// instance the caller creates over the socket, of either class: ending an
// application closes what it opened, not LibreOffice, whose start costs
// far more than any document. The server ends, and LibreOffice with it,
// when the socket closes or once it has held no object for a while.
// A caller that dies (killed, crashed) takes the server and LibreOffice
// with it, whatever they are doing.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string_view>
#include <thread>

#include "server_objects.h"

namespace {

using namespace platform::automation;
using office::OfficeSession;

// The objects the caller holds, by number.
class ObjectTable {
 public:
  uint32_t Add(DispatchPtr object) {
    m_objects.emplace(m_next, std::move(object));
    return m_next++;
  }
  DispatchPtr Find(uint32_t number) const {
    const auto found = m_objects.find(number);
    return found == m_objects.end() ? nullptr : found->second;
  }
  void Remove(uint32_t number) { m_objects.erase(number); }
  void Clear() { m_objects.clear(); }
  bool Empty() const { return m_objects.empty(); }

 private:
  std::map<uint32_t, DispatchPtr> m_objects;
  uint32_t m_next = kApplicationObject;
};

// A number the table does not hold names an object already released. An
// object that is no ServerObject cannot fill the clipboard and answers
// through Invoke alone.
Reply Answer(ObjectTable& objects, const Request& request) {
  const DispatchPtr object = objects.Find(request.object);
  if (!object) return Reply{office::Failure(kDisconnected, "no such object"), std::nullopt};
  if (auto* serverObject = dynamic_cast<office::ServerObject*>(object.get())) {
    return serverObject->Call(request.dispid, request.kind, request.args);
  }
  return Reply{object->Invoke(request.dispid, request.kind, request.args), std::nullopt};
}

DispatchPtr CreateApplication(std::string_view progId, OfficeSession& session) {
  if (progId == "Word.Basic") return office::CreateWordBasic(session);
  if (progId == "Excel.Application") return office::CreateExcelApplication(session);
  return nullptr;
}

// Another instance on the running LibreOffice; a LibreOffice that has gone
// (it crashed on a document) serves no more, and the caller starts another
// server.
Reply CreateAnother(const Request& request, OfficeSession& session) {
  if (!session.Running()) {
    return Reply{office::Failure(kServerUnavailable, "LibreOffice has ended"), std::nullopt};
  }
  if (request.args.size() != 1 || request.args[0].type != VarType::kString) {
    return Reply{office::Failure(kBadParamCount, "no class named"), std::nullopt};
  }
  DispatchPtr application = CreateApplication(request.args[0].text, session);
  if (!application)
    return Reply{office::Failure(kClassNotRegistered, "no such class"), std::nullopt};
  return Reply{office::Answer(Variant::Object(std::move(application))), std::nullopt};
}

// Answers requests until the caller goes, or until it has held no object
// for kServerIdleEnd.
void Serve(ObjectTable& objects, OfficeSession& session) {
  const ObjectToNumber toNumber = [&objects](const DispatchPtr& object) {
    return objects.Add(object);
  };
  std::vector<uint8_t> frame;
  for (;;) {
    std::optional<std::chrono::steady_clock::time_point> idleEnd;
    if (objects.Empty()) idleEnd = std::chrono::steady_clock::now() + kServerIdleEnd;
    if (ReadFrame(STDIN_FILENO, frame, idleEnd) != FrameOutcome::kOk) return;
    const std::optional<Request> request = DecodeRequest(frame);
    if (!request) return;
    if (request->op == RequestOp::kRelease) {
      objects.Remove(request->object);
      continue;
    }
    const Reply reply = request->op == RequestOp::kCreate ? CreateAnother(*request, session)
                                                          : Answer(objects, *request);
    if (!WriteFrame(STDOUT_FILENO, EncodeReply(reply, toNumber))) return;
  }
}

// Kills the server's process group: the server and the LibreOffice it
// started, which shares the group. A server that is not the leader of its
// own group (run by hand) ends only itself.
void EndEverything() {
  if (getpgrp() == getpid()) kill(0, SIGKILL);
  _exit(1);
}

void OnCallerDeath(int) {
  EndEverything();
}

// The caller's side of the socket closing means the caller is gone; an
// ordinary end only shuts its writing side, which the request loop reads
// as the end of its requests. Watched on a thread of its own, so that it
// counts while LibreOffice starts and while a call waits for a LibreOffice
// that never answers. The caller also asks for SIGTERM when it dies.
void WatchTheCaller() {
  signal(SIGTERM, OnCallerDeath);
  std::thread([] {
    pollfd caller{STDIN_FILENO, 0, 0};
    for (;;) {
      if (poll(&caller, 1, -1) > 0 && (caller.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        EndEverything();
      }
    }
  }).detach();
}

}  // namespace

constexpr char kUsage[] =
    "Usage: vlmoffice PROGID SCRATCH-FOLDER\n"
    "\n"
    "The automation server of the classes \"Word.Basic\" and \"Excel.Application\",\n"
    "started by Vellamore's conduit with a socket on its standard input and\n"
    "output. It drives a headless LibreOffice with a private profile in\n"
    "SCRATCH-FOLDER for every instance its caller creates, and ends it before\n"
    "it exits. Not meant to be run by hand.\n";

int main(int argc, char** argv) {
  if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  WatchTheCaller();
  OfficeSession session;
  ObjectTable objects;
  Reply started;
  DispatchPtr application = CreateApplication(argv[1], session);
  if (!application) {
    started.result = office::Failure(kClassNotRegistered, "no such class");
  } else if (platform::Result<void> running = session.Start(argv[2]); !running.Ok()) {
    started.result = office::Failure(kServerExecFailure, running.Reason());
  } else {
    objects.Add(std::move(application));
  }
  if (WriteFrame(STDOUT_FILENO, EncodeReply(started, nullptr)) && !Failed(started.result.code)) {
    Serve(objects, session);
  }
  objects.Clear();
  session.End();
  // LibreOffice's runtime is left to the process's end: tearing it down
  // after the connection has gone gains nothing and may hang.
  std::fflush(nullptr);
  _exit(0);
}
