// Test support: a handheld image and a PC folder in a home of the test's
// own, and HotSyncs of that image through the real Sync Manager in this
// process.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "testing/handheld_home.h"
#include "testing/log_line.h"

namespace vlmtest {

class HandheldSession : public HandheldHome {
 public:
  explicit HandheldSession(const std::string& userName = "Ada Lovelace");
  ~HandheldSession();

  // Runs `work` inside one HotSync of the image, registered as a conduit;
  // the image is written back when it ends.
  void Sync(const std::function<void()>& work);
  // The log entries of the last HotSync.
  std::vector<LogLine> Log() const;
};

}  // namespace vlmtest
