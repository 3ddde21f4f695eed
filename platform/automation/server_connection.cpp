// Starting a server program with a socket on its standard input and output,
// talking to it frame by frame, and ending it: first by closing the socket,
// which asks it to end what it started, then by killing its whole process
// group, so that nothing it started outlives the conversion.
#include "automation/server_connection.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "clipboard/clipboard.h"
#include "process/process_start.h"

namespace platform::automation {
namespace {
using Clock = std::chrono::steady_clock;
}  // namespace

Result<std::shared_ptr<ServerConnection>> ServerConnection::Start(const ClassId& classId) {
  auto started = std::make_shared<ServerConnection>();
  const Result<void> launched = started->Launch(classId);
  if (!launched.Ok()) return Failure{launched.Reason()};
  Reply reply;
  std::string description;
  if (Failed(started->AwaitReply(reply, description))) return Failure{description};
  if (Failed(reply.result.code)) return Failure{reply.result.description};
  return started;
}

Result<void> ServerConnection::Launch(const ClassId& classId) {
  int sockets[2];
  if (!m_scratch.Create() || socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
    return Failure{std::string("the server could not be prepared: ") + std::strerror(errno)};
  }
  // The socket becomes the server's standard input and output. The server
  // is sent SIGTERM when its caller dies, on which it ends its group.
  StartOptions options;
  options.standardStreams = sockets[1];
  options.keepStandardError = true;
  options.ownProcessGroup = true;
  options.deathSignal = SIGTERM;
  const Result<pid_t> started =
      StartProcess({classId.serverProgram, classId.progId, m_scratch.Path()}, options);
  close(sockets[1]);
  m_socket = sockets[0];
  if (!started.Ok()) {
    m_broken = true;
    return Failure{"the server " + started.Reason()};
  }
  m_pid = started.Value();
  return {};
}

HResult ServerConnection::AwaitReply(Reply& reply, std::string& description) {
  std::vector<uint8_t> frame;
  const FrameOutcome outcome = ReadFrame(m_socket, frame, Clock::now() + CallTimeLimit());
  std::optional<Reply> decoded;
  if (outcome == FrameOutcome::kOk) {
    decoded = DecodeReply(frame, [this](uint32_t number) {
      return std::make_shared<RemoteObject>(shared_from_this(), number);
    });
  }
  if (decoded) {
    reply = std::move(*decoded);
    return kOk;
  }
  KillAndReap();
  m_broken = true;
  if (outcome == FrameOutcome::kTimedOut) {
    description = "the server did not answer in time and was ended";
    return kCallTimedOut;
  }
  description = "the server ended unexpectedly";
  return kServerUnavailable;
}

InvokeResult ServerConnection::Call(uint32_t object, int32_t dispid, InvokeKind kind,
                                    const std::vector<Variant>& args) {
  InvokeResult result;
  if (m_broken) {
    result.code = kDisconnected;
    result.description = "the server has ended";
    return result;
  }
  for (const Variant& arg : args) {
    if (arg.type == VarType::kDispatch) {
      result.code = kTypeMismatch;
      result.description = "objects cannot be passed to a server";
      return result;
    }
  }
  Request request{RequestOp::kInvoke, object, dispid, kind, args};
  if (!WriteFrame(m_socket, EncodeRequest(request))) {
    KillAndReap();
    m_broken = true;
    result.code = kServerUnavailable;
    result.description = "the server ended unexpectedly";
    return result;
  }
  Reply reply;
  result.code = AwaitReply(reply, result.description);
  if (Failed(result.code)) return result;
  if (reply.clipboard) ApplyClipboard(*reply.clipboard);
  return std::move(reply.result);
}

HResult ServerConnection::CreateObject(const std::string& progId, DispatchPtr& object,
                                       std::string& description) {
  if (m_broken) {
    description = "the server has ended";
    return kDisconnected;
  }
  Request request{RequestOp::kCreate, 0, 0, InvokeKind::kMethod, {Variant::String(progId)}};
  Reply reply;
  HResult code = kServerUnavailable;
  if (!WriteFrame(m_socket, EncodeRequest(request))) {
    KillAndReap();
    m_broken = true;
    description = "the server ended unexpectedly";
  } else if (!Failed(code = AwaitReply(reply, description))) {
    code = reply.result.code;
    description = reply.result.description;
    if (!Failed(code) && reply.result.value.type != VarType::kDispatch) code = kServerExecFailure;
  }
  if (Failed(code)) return code;
  object = std::move(reply.result.value.object);
  return kOk;
}

bool ServerConnection::Runs() {
  if (m_broken || m_pid <= 0) return false;
  int status = 0;
  if (waitpid(m_pid, &status, WNOHANG) != m_pid) return true;
  // It ended by itself, idle, after ending what it started.
  m_pid = -1;
  m_broken = true;
  return false;
}

void ServerConnection::ApplyClipboard(const std::vector<ClipboardEntry>& entries) const {
  if (!clipboard::Open()) return;
  clipboard::Empty();
  for (const ClipboardEntry& entry : entries) clipboard::Set(entry.format, entry.data);
  clipboard::Close();
}

void ServerConnection::Release(uint32_t object) {
  if (m_broken) return;
  Request request{RequestOp::kRelease, object, 0, InvokeKind::kMethod, {}};
  if (!WriteFrame(m_socket, EncodeRequest(request))) m_broken = true;
}

void ServerConnection::KillAndReap() {
  if (m_pid <= 0) return;
  // The server is not reaped yet, so its group number cannot have been
  // given to anyone else.
  killpg(m_pid, SIGKILL);
  int status = 0;
  while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
  }
  m_pid = -1;
}

ServerConnection::~ServerConnection() {
  if (m_pid > 0 && !m_broken) {
    // The end of its input asks the server to end what it started; it
    // closes its side of the socket when it has.
    shutdown(m_socket, SHUT_WR);
    std::vector<uint8_t> ignored;
    while (ReadFrame(m_socket, ignored, Clock::now() + CallTimeLimit()) == FrameOutcome::kOk) {
    }
  }
  KillAndReap();
  if (m_socket >= 0) close(m_socket);
}

}  // namespace platform::automation
