// The automation layer's side of one server process: starting it in a
// process group of its own that dies with the caller, calls with a time
// limit, and its certain end.
// Internal to the layer.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "automation/automation.h"
#include "automation/scratch_folder.h"
#include "automation/wire.h"
#include "result/result.h"

namespace platform::automation {

class ServerConnection : public std::enable_shared_from_this<ServerConnection> {
 public:
  // Starts `classId`'s server and waits for it to report its start; a
  // server that does not start fails with kServerExecFailure.
  static Result<std::shared_ptr<ServerConnection>> Start(const ClassId& classId);

  ServerConnection() = default;
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  InvokeResult Call(uint32_t object, int32_t dispid, InvokeKind kind,
                    const std::vector<Variant>& args);
  void Release(uint32_t object);

  // A further application object of `progId` from this running server.
  HResult CreateObject(const std::string& progId, DispatchPtr& object, std::string& description);
  // False once the server broke or ended by itself (it is reaped then).
  bool Runs();

 private:
  Result<void> Launch(const ClassId& classId);
  // Waits for a reply; a server that does not answer in time or dies is
  // killed and every later call fails.
  HResult AwaitReply(Reply& reply, std::string& description);
  void ApplyClipboard(const std::vector<ClipboardEntry>& entries) const;
  // Kills every process of the server's group and waits for the server.
  void KillAndReap();

  pid_t m_pid = -1;
  int m_socket = -1;
  bool m_broken = false;
  ScratchFolder m_scratch;  // the server's private folder, removed at its end
};

// A server's object, seen from the caller's process.
class RemoteObject : public Dispatch {
 public:
  RemoteObject(std::shared_ptr<ServerConnection> connection, uint32_t number)
      : m_connection(std::move(connection)), m_number(number) {}
  ~RemoteObject() override { m_connection->Release(m_number); }

  InvokeResult Invoke(int32_t dispid, InvokeKind kind, const std::vector<Variant>& args) override {
    return m_connection->Call(m_number, dispid, kind, args);
  }

 private:
  std::shared_ptr<ServerConnection> m_connection;
  uint32_t m_number;
};

}  // namespace platform::automation
