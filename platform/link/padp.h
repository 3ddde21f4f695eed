// PADP, the layer between SLP frames and DLP messages on a serial link. A
// message travels in data fragments of at most 1,024 bytes, each in its own
// SLP frame, and each acknowledged by the receiver. A fragment's body:
//
//   offset size field
//        0    1 type           1 data, 2 ack, 4 tickle (keep-alive), 8 abort
//        1    1 flags          0x80 first, 0x40 last, 0x20 memory error (the
//                              receiver ran out of room), 0x10 long form
//        2  2|4 size or offset the whole message's size in a first fragment,
//                              the fragment's offset in later ones; 4 bytes
//                              in the long form, else 2, big-endian
//        …    n data
//
// All fragments of one message share the SLP transaction id; the sender
// repeats a fragment until it sees the ack, so a receiver meets repeats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "result/result.h"

namespace platform::link {

constexpr uint8_t kPadpData = 1;
constexpr uint8_t kPadpAck = 2;
constexpr uint8_t kPadpTickle = 4;
constexpr uint8_t kPadpAbort = 8;

constexpr uint8_t kPadpFirst = 0x80;
constexpr uint8_t kPadpLast = 0x40;
constexpr uint8_t kPadpMemoryError = 0x20;
constexpr uint8_t kPadpLongForm = 0x10;

constexpr size_t kPadpShortHeaderSize = 1 + 1 + 2;
constexpr size_t kPadpLongHeaderSize = 1 + 1 + 4;
constexpr size_t kPadpMaxFragmentData = 1024;
// A message longer than this is refused: no DLP message comes near it.
constexpr uint32_t kPadpMaxMessage = uint32_t{1} << 20;

struct PadpFragment {
  uint8_t type = kPadpData;
  uint8_t flags = 0;
  uint32_t sizeOrOffset = 0;
  std::vector<uint8_t> data;

  bool First() const { return (flags & kPadpFirst) != 0; }
  bool Last() const { return (flags & kPadpLast) != 0; }

  // The long form when the flags ask for it or the number needs it.
  std::vector<uint8_t> Encode() const;
  static Result<PadpFragment> Decode(std::span<const uint8_t> body);
};

// A message cut into data fragments; long-form headers when `longForm` or
// when the message does not fit a 16-bit size.
Result<std::vector<PadpFragment>> FragmentPadpMessage(std::span<const uint8_t> message,
                                                      bool longForm);

// The ack for a data fragment: its first and last flags and its size or
// offset, in the short form where the number fits. It goes back under the
// fragment's transaction id.
PadpFragment PadpAckFor(const PadpFragment& data);

// Puts a message together from its data fragments as they arrive.
class PadpReassembler {
 public:
  // Takes a data fragment that came under `transaction`. Gives the message
  // once its last fragment is in, nothing while more are due or when the
  // fragment repeats one already taken (the caller acks it all the same).
  // A fragment out of order, or one that does not fit its message, is
  // refused and drops the partial message.
  Result<std::optional<std::vector<uint8_t>>> Take(uint8_t transaction,
                                                   const PadpFragment& fragment);

  size_t Repeats() const { return m_repeats; }

 private:
  bool IsRepeat(uint8_t transaction, const PadpFragment& fragment) const;
  Failure Refuse(const char* reason);

  std::vector<uint8_t> m_message;
  uint32_t m_size = 0;
  bool m_inProgress = false;
  // The last fragment taken, to know its repeats.
  std::optional<uint8_t> m_lastTransaction;
  uint32_t m_lastOffset = 0;
  size_t m_repeats = 0;
};

}  // namespace platform::link
