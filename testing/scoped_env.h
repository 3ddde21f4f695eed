// Test support: an environment variable set (or removed) for the life of
// the object, and restored afterwards; and a temporary folder that a
// variable names while it lives.
#pragma once

#include <optional>
#include <string>

#include "testing/temp_folder.h"

namespace vlmtest {

class ScopedEnv {
 public:
  // Sets `name` to `value`, or removes it when `value` is nothing.
  ScopedEnv(std::string name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// A fresh temporary folder set as `name` (HOTSYNC_HOME, XDG_RUNTIME_DIR, ...)
// while it lives; the variable is restored before the folder goes.
class TempFolderEnv {
 public:
  explicit TempFolderEnv(const std::string& name) : m_env(name, m_folder.Path()) {}
  const std::string& Path() const { return m_folder.Path(); }
  std::string PathOf(std::string_view name) const { return m_folder.PathOf(name); }

 private:
  TempFolder m_folder;
  ScopedEnv m_env;
};

}  // namespace vlmtest
