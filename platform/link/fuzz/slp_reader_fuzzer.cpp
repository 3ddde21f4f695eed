// Feeds arbitrary bytes to the readers of what a handheld sends over a
// serial line: the SLP frame reader, in chunks whose size the first byte
// chooses, then PADP decoding and reassembly of every frame, then the CMP
// and DLP decoders on every message. A frame read is encoded again and must
// read back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "link/cmp.h"
#include "link/dlp_message.h"
#include "link/padp.h"
#include "link/slp_frame.h"

namespace {

using namespace platform::link;

void CheckRoundTrip(const SlpFrame& frame) {
  SlpReader reader;
  reader.Feed(frame.Encode());
  const auto again = reader.Next();
  if (!again || again->body != frame.body || again->transaction != frame.transaction) abort();
}

void TakeFrame(PadpReassembler& reassembler, const SlpFrame& frame) {
  auto fragment = PadpFragment::Decode(frame.body);
  if (!fragment) return;
  (void)PadpFragment::Decode(fragment->Encode());
  (void)PadpAckFor(*fragment).Encode();
  auto message = reassembler.Take(frame.transaction, *fragment);
  if (!message || !*message) return;
  if (auto cmp = CmpMessage::Decode(**message)) (void)CmpAnswer(*cmp, 115200, true).Encode();
  (void)DlpRequest::Decode(**message);
  (void)DlpReply::Decode(**message);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t chunk = data[0] % 32 + 1;
  const std::span<const uint8_t> bytes(data + 1, size - 1);
  SlpReader reader;
  PadpReassembler reassembler;
  for (size_t at = 0; at < bytes.size(); at += chunk) {
    reader.Feed(bytes.subspan(at, std::min(chunk, bytes.size() - at)));
    while (auto frame = reader.Next()) {
      CheckRoundTrip(*frame);
      TakeFrame(reassembler, *frame);
    }
  }
  if (auto fragments = FragmentPadpMessage(bytes, data[0] & 1)) {
    PadpReassembler again;
    for (const PadpFragment& fragment : *fragments) (void)again.Take(1, fragment);
  }
  return 0;
}
