// Feeds arbitrary bytes to the reading of a received record, as the
// handheld could send them: every record either plans a PC file whose
// bytes stay within what the record holds or is refused with a reason.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "receive/received_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte plays the Sync Manager's attributes and category.
  const conduit::receive::RecordDescription description{data[0],
                                                        static_cast<uint8_t>(data[0] & 0x0F)};
  const std::span<const uint8_t> record(data + 1, size - 1);
  std::string why;
  const auto plan = conduit::receive::PlanReceivedFile(record, description, why);
  if (!plan && why.empty()) __builtin_trap();
  if (plan && plan->variant == conduit::receive::PathVariant::kData &&
      plan->bytes.size() > record.size()) {
    __builtin_trap();
  }
  return 0;
}
