// The servers kept for the next instance of a class they serve: starting a
// server (and the program behind it) costs far more than one conversion,
// so a server whose objects were all released waits for the next
// CreateInstance instead of ending. Internal to the layer.
//
// A kept server ends by itself once it has been idle for kServerIdleEnd;
// EndKeptServers ends every kept server at once, as a HotSync does at its
// end. A server that broke (it timed out, died or lost LibreOffice) is
// never handed out again.
#pragma once

#include <memory>
#include <string>

#include "automation/server_connection.h"

namespace platform::automation {

// The key of a kept server: the same server program behind the same
// program (as found on PATH when the class was looked up) and the same
// temporary folder, so that a changed environment starts a server of its own.
std::string ServerKeyOf(const ClassId& classId);

// A kept server of `key` that still runs, or none; a kept server that has
// ended by itself is reaped and forgotten.
std::shared_ptr<ServerConnection> FindKeptServer(const std::string& key);

// Keeps `server` under `key` for later instances, in place of any other.
void KeepServer(const std::string& key, std::shared_ptr<ServerConnection> server);

// Forgets `server`, which ends once no object holds it.
void ForgetServer(const std::shared_ptr<ServerConnection>& server);

}  // namespace platform::automation
