// Two pseudo-terminals joined as by a null-modem cable, for serial
// HotSyncs between two programs: what one writes to its end, the other
// reads from its own. A thread of the test carries the bytes between the
// terminals' masters, at the speeds the two ends set, with the faults a
// test asks for. When the program at one end closes it, the other end
// hears the line hang up.
#pragma once

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>

namespace vlmtest {

struct CableFaults {
  // The cable is pulled once this many bytes went from the desktop to the
  // handheld: both ends then see the line hang up.
  std::optional<size_t> pullAfterDesktopBytes;
  // From the N-th PADP ack of the handheld (counted from 0, CMP's
  // excluded) on, every ack it sends is lost.
  std::optional<size_t> loseHandheldAcksFrom;
};

class SerialCable {
 public:
  explicit SerialCable(CableFaults faults = {});
  ~SerialCable();
  SerialCable(const SerialCable&) = delete;
  SerialCable& operator=(const SerialCable&) = delete;

  bool Ready() const { return m_desktop >= 0 && m_handheld >= 0; }
  // The device paths each program opens.
  const std::string& DesktopEnd() const { return m_desktopPath; }
  const std::string& HandheldEnd() const { return m_handheldPath; }
  // True once a byte was garbled because the ends' speeds differed.
  bool SpeedsDiffered() const { return m_speedsDiffered; }

 private:
  void Carry();
  void Pull();

  CableFaults m_faults;
  int m_desktop = -1;  // the masters
  int m_handheld = -1;
  int m_stop[2] = {-1, -1};
  std::string m_desktopPath;
  std::string m_handheldPath;
  std::atomic<bool> m_speedsDiffered{false};
  std::thread m_carrier;
};

}  // namespace vlmtest
