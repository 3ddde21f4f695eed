// HandheldDatabase: a database on the handheld opened through the Sync
// Manager, closed when its owner goes out of scope, so that no path through
// the conduit leaves one open.
#pragma once

#include <cstdint>
#include <vector>

namespace conduit {

class HandheldDatabase {
 public:
  HandheldDatabase() = default;
  HandheldDatabase(const HandheldDatabase&) = delete;
  HandheldDatabase& operator=(const HandheldDatabase&) = delete;
  ~HandheldDatabase();

  // Opens the database `name` on card 0 in `mode`; returns the Sync
  // Manager's code.
  int32_t Open(const char* name, uint8_t mode);
  // Takes over a handle the Sync Manager has just opened (a database it
  // created).
  void Adopt(uint8_t handle);
  // Closes the database now; returns the Sync Manager's code.
  int32_t Close();

  bool IsOpen() const { return m_open; }
  uint8_t Handle() const { return m_handle; }

  // Reads the application-info block into `bytes`, at most its size, and
  // cuts `bytes` to what was read; returns the Sync Manager's code.
  int32_t ReadAppInfoBlock(std::vector<uint8_t>& bytes) const;

 private:
  uint8_t m_handle = 0;
  bool m_open = false;
};

}  // namespace conduit
