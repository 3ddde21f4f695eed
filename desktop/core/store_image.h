// StoreImage: the main view's copy of "Vellamore.dat" for the life of the
// program: the data directory it came from, the 320-byte header as read and
// the entries in file order. The view loads it at start-up and on every
// reload notification and writes it whole after every change; nothing else
// of the program touches the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "file_list_store.h"
#include "list_change.h"

namespace desktop {

class StoreImage {
 public:
  explicit StoreImage(std::string dataDirectory = {}) : m_dataDirectory(std::move(dataDirectory)) {}

  const std::string& DataDirectory() const { return m_dataDirectory; }
  void SetDataDirectory(std::string directory) { m_dataDirectory = std::move(directory); }
  // data directory + "/Vellamore.dat".
  std::string StorePath() const;

  // Replaces header and entries from the store file, then applies the
  // changes not yet written to them; returns those of them whose entry the
  // file no longer holds, which are dropped. A file that cannot be opened
  // gives the default header and leaves the entries (and changes) as they
  // are.
  std::vector<ListChange> Load();
  // Rewrites the whole store file; 0 (and every change counts as written),
  // or the errno of the failed step.
  int Save();

  // Applies a change of the user's and keeps it until a save writes it.
  // False, and nothing changes, when the entry it names is not listed.
  bool Apply(ListChange change);
  bool HasUnwrittenChanges() const { return !m_unwritten.empty(); }

  const store::FileListStore::Header& Header() const { return m_store.GetHeader(); }
  const std::vector<store::FileListEntry>& Entries() const { return m_store.Entries(); }
  size_t Count() const { return m_store.Entries().size(); }
  // The header and the entries as the file would hold them.
  std::vector<uint8_t> Bytes() const { return m_store.ToBytes(); }

  // The first entry with the ID, in list order; nullptr when none has it.
  const store::FileListEntry* FindById(uint16_t id) const { return m_store.FindById(id); }
  // A random ID (0 to 32,767) that no entry has.
  uint16_t NewEntryId() const { return m_store.NewId(); }

 private:
  std::string m_dataDirectory;
  store::FileListStore m_store;
  std::vector<ListChange> m_unwritten;
};

}  // namespace desktop
