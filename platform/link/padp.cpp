// PADP fragments: their encoding, cutting a message into them, acking them
// and putting a message back together.
#include "link/padp.h"

#include <algorithm>
#include <limits>

#include "bytes/bytes.h"

namespace platform::link {

namespace {

constexpr uint32_t kShortFormLimit = std::numeric_limits<uint16_t>::max();

uint32_t OffsetOf(const PadpFragment& fragment) {
  return fragment.First() ? 0 : fragment.sizeOrOffset;
}

}  // namespace

std::vector<uint8_t> PadpFragment::Encode() const {
  const bool longForm = (flags & kPadpLongForm) != 0 || sizeOrOffset > kShortFormLimit;
  ByteWriter writer(kPadpLongHeaderSize + data.size());
  writer.U8(type);
  writer.U8(longForm ? static_cast<uint8_t>(flags | kPadpLongForm) : flags);
  if (longForm) {
    writer.U32Be(sizeOrOffset);
  } else {
    writer.U16Be(static_cast<uint16_t>(sizeOrOffset));
  }
  writer.Bytes(data);
  return writer.Take();
}

Result<PadpFragment> PadpFragment::Decode(std::span<const uint8_t> body) {
  ByteReader reader(body);
  PadpFragment fragment;
  fragment.type = reader.U8();
  fragment.flags = reader.U8();
  fragment.sizeOrOffset = (fragment.flags & kPadpLongForm) != 0 ? reader.U32Be() : reader.U16Be();
  if (!reader.Ok()) return Failure{"PADP fragment shorter than its header"};
  const ByteSpan data = reader.Bytes(reader.Remaining());
  fragment.data.assign(data.begin(), data.end());
  return fragment;
}

Result<std::vector<PadpFragment>> FragmentPadpMessage(std::span<const uint8_t> message,
                                                      bool longForm) {
  if (message.size() > kPadpMaxMessage) return Failure{"message too long for PADP"};
  const auto size = static_cast<uint32_t>(message.size());
  const uint8_t form = longForm || size > kShortFormLimit ? kPadpLongForm : 0;
  std::vector<PadpFragment> fragments;
  uint32_t offset = 0;
  do {
    const uint32_t length = std::min<uint32_t>(size - offset, kPadpMaxFragmentData);
    PadpFragment fragment;
    fragment.flags = form;
    if (offset == 0) fragment.flags |= kPadpFirst;
    if (offset + length == size) fragment.flags |= kPadpLast;
    fragment.sizeOrOffset = offset == 0 ? size : offset;
    fragment.data.assign(message.begin() + offset, message.begin() + offset + length);
    fragments.push_back(std::move(fragment));
    offset += length;
  } while (offset < size);
  return fragments;
}

PadpFragment PadpAckFor(const PadpFragment& data) {
  PadpFragment ack;
  ack.type = kPadpAck;
  ack.flags = data.flags & (kPadpFirst | kPadpLast);
  ack.sizeOrOffset = data.sizeOrOffset;
  return ack;
}

bool PadpReassembler::IsRepeat(uint8_t transaction, const PadpFragment& fragment) const {
  return m_lastTransaction == transaction && m_lastOffset == OffsetOf(fragment);
}

Failure PadpReassembler::Refuse(const char* reason) {
  m_inProgress = false;
  m_message.clear();
  m_lastTransaction.reset();
  return Failure{reason};
}

Result<std::optional<std::vector<uint8_t>>> PadpReassembler::Take(uint8_t transaction,
                                                                  const PadpFragment& fragment) {
  if (fragment.type != kPadpData) return Refuse("PADP fragment is not data");
  if (fragment.data.size() > kPadpMaxFragmentData) return Refuse("PADP fragment too long");
  if (IsRepeat(transaction, fragment)) {
    ++m_repeats;
    return std::optional<std::vector<uint8_t>>{};
  }
  if (fragment.First()) {
    if (m_inProgress) return Refuse("PADP message began before the last one ended");
    if (fragment.sizeOrOffset > kPadpMaxMessage) return Refuse("PADP message too long");
    m_inProgress = true;
    m_size = fragment.sizeOrOffset;
    m_message.clear();
  } else if (!m_inProgress || m_lastTransaction != transaction) {
    return Refuse("PADP fragment of no message begun");
  } else if (fragment.sizeOrOffset != m_message.size()) {
    return Refuse("PADP fragment out of order");
  }
  if (fragment.data.size() > m_size - m_message.size()) {
    return Refuse("PADP fragment runs past its message's size");
  }
  m_lastTransaction = transaction;
  m_lastOffset = OffsetOf(fragment);
  m_message.insert(m_message.end(), fragment.data.begin(), fragment.data.end());
  if (!fragment.Last()) return std::optional<std::vector<uint8_t>>{};
  if (m_message.size() != m_size) return Refuse("PADP message ends short of its size");
  m_inProgress = false;
  return std::optional<std::vector<uint8_t>>{std::move(m_message)};
}

}  // namespace platform::link
