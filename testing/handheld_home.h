// Test support: a home of the test's own (PrivateHome) holding a handheld
// image and a folder of PC files, with the image's databases and request
// preference read and written for the tests. The ground both the HotSyncs in
// this process (HandheldSession) and those of the built programs
// (HotSyncWorld) stand on.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "handheld_records.h"  // records/
#include "pdb/handheld_image.h"
#include "testing/files.h"
#include "testing/private_home.h"

namespace vlmtest {

class HandheldHome {
 public:
  HandheldHome(const HandheldHome&) = delete;
  HandheldHome& operator=(const HandheldHome&) = delete;

  const std::string& Root() const { return m_home.Root(); }
  const PrivateHome& Home() const { return m_home; }
  // The folder of the PC files the tests search and send, and `relative`
  // below it.
  std::string PcFolder() const { return m_home.PathOf("pc"); }
  std::string PcPath(const std::string& relative) const { return PcFolder() + "/" + relative; }
  const platform::pdb::HandheldImage& Image() const { return m_image; }

  // Writes a PC file below PcFolder() (folders made as needed); its path.
  std::string WritePcFile(const std::string& relative, const std::string& content) const {
    return WriteFileBelow(PcFolder(), relative, content);
  }

  // The database as the image holds it now; fails the test when unreadable.
  platform::pdb::PalmDatabase Database(const std::string& name) const;
  void PutDatabase(const platform::pdb::PalmDatabase& database) const;
  // Replaces "VlmrSearchDB" with the block and result records.
  void PutSearchDatabase(const records::SearchAppInfo& block,
                         const std::vector<records::SearchResult>& results = {}) const;
  // The results "VlmrSearchDB" holds, each checked to be a whole, clean
  // result record.
  std::vector<records::SearchResult> SearchResults() const;
  // Their paths, in order.
  std::vector<std::string> SearchResultPaths() const;
  // Replaces "VlmrFilesDB" with the records.
  void PutFilesDatabase(const std::vector<platform::pdb::PalmRecord>& records) const;
  // The records of "VlmrFilesDB"; none when the image has no such database.
  std::vector<platform::pdb::PalmRecord> FileRecords() const;
  // The request preference; nothing when the image has none.
  std::optional<platform::pdb::AppPreference> RequestPreference() const;
  void PutRequestPreference(const std::vector<uint8_t>& bytes, uint16_t version) const;

 protected:
  HandheldHome();
  ~HandheldHome();

 private:
  PrivateHome m_home;
  platform::pdb::HandheldImage m_image;
};

}  // namespace vlmtest
