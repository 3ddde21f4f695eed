// Test support: a handheld image and a PC folder in a temporary folder, and
// HotSyncs of that image through the real Sync Manager in this process.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "handheld_records.h"  // records/
#include "pdb/handheld_image.h"
#include "testing/files.h"
#include "testing/log_line.h"
#include "testing/temp_folder.h"

namespace vlmtest {

class HandheldSession {
 public:
  explicit HandheldSession(const std::string& userName = "Ada Lovelace");
  ~HandheldSession();
  HandheldSession(const HandheldSession&) = delete;
  HandheldSession& operator=(const HandheldSession&) = delete;

  const std::string& Root() const { return m_folder.Path(); }
  // The folder of the PC files the tests search and send.
  std::string PcFolder() const { return m_folder.PathOf("pc"); }
  const platform::pdb::HandheldImage& Image() const { return m_image; }

  // Writes a PC file below PcFolder() (folders made as needed); its path.
  std::string WritePcFile(const std::string& relative, const std::string& content) const {
    return WriteFileBelow(PcFolder(), relative, content);
  }

  // Replaces "VlmrSearchDB" with the block and result records.
  void PutSearchDatabase(const records::SearchAppInfo& block,
                         const std::vector<records::SearchResult>& results = {}) const;
  // The database as the image holds it now; fails the test when unreadable.
  platform::pdb::PalmDatabase Database(const std::string& name) const;
  void PutDatabase(const platform::pdb::PalmDatabase& database) const;

  // Runs `work` inside one HotSync of the image, registered as a conduit;
  // the image is written back when it ends.
  void Sync(const std::function<void()>& work);
  // The log entries of the last HotSync.
  std::vector<LogLine> Log() const;

 private:
  TempFolder m_folder;
  platform::pdb::HandheldImage m_image;
};

}  // namespace vlmtest
