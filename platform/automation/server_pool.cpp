// The kept servers of this process. A child forked from the process
// inherits the table but not the servers: it neither uses nor ends them
// (ending one would shut its socket down for the parent too).
#include "automation/server_pool.h"

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <utility>

#include "fs/private_folder.h"

namespace platform::automation {
namespace {

class KeptServers {
 public:
  ~KeptServers() {
    // At the process's end a forked child leaves its parent's servers be:
    // their connections are let go without a word to the servers.
    if (getpid() != m_owner) {
      for (auto& kept : m_servers) new std::shared_ptr<ServerConnection>(std::move(kept.second));
    }
  }

  std::shared_ptr<ServerConnection> Find(const std::string& key) {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (getpid() != m_owner) return nullptr;
    const auto found = m_servers.find(key);
    if (found == m_servers.end()) return nullptr;
    if (found->second->Runs()) return found->second;
    m_servers.erase(found);
    return nullptr;
  }

  void Keep(const std::string& key, std::shared_ptr<ServerConnection> server) {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (getpid() != m_owner) return;
    m_servers.insert_or_assign(key, std::move(server));
  }

  void Forget(const std::shared_ptr<ServerConnection>& server) {
    const std::lock_guard<std::mutex> hold(m_lock);
    std::erase_if(m_servers, [&](const auto& kept) { return kept.second == server; });
  }

  // Takes every kept server out, to be ended outside the lock.
  std::map<std::string, std::shared_ptr<ServerConnection>> TakeAll() {
    const std::lock_guard<std::mutex> hold(m_lock);
    if (getpid() != m_owner) return {};
    return std::exchange(m_servers, {});
  }

 private:
  std::mutex m_lock;
  pid_t m_owner = getpid();
  std::map<std::string, std::shared_ptr<ServerConnection>> m_servers;
};

KeptServers& Kept() {
  static KeptServers kept;
  return kept;
}

}  // namespace

std::string ServerKeyOf(const ClassId& classId) {
  return classId.serverProgram + '\n' + classId.programPath + '\n' + TemporaryFolder();
}

std::shared_ptr<ServerConnection> FindKeptServer(const std::string& key) {
  return Kept().Find(key);
}

void KeepServer(const std::string& key, std::shared_ptr<ServerConnection> server) {
  Kept().Keep(key, std::move(server));
}

void ForgetServer(const std::shared_ptr<ServerConnection>& server) {
  Kept().Forget(server);
}

void EndKeptServers() {
  // Each ends here unless an object still holds it; then with that object.
  Kept().TakeAll().clear();
}

}  // namespace platform::automation
