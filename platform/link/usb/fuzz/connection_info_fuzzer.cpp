// Feeds arbitrary bytes to the readers of a USB handheld's connection
// information, plain and extended. What decodes must encode to the same
// ports and decode again alike; the HotSync endpoints chosen from it must
// be among the interface's bulk endpoints, which the input's first byte
// chooses.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "link/usb/connection_info.h"
#include "link/usb/handheld_setup.h"

namespace {

using namespace platform::link::usb;

std::vector<BulkEndpoint> EndpointsOf(uint8_t choice) {
  std::vector<BulkEndpoint> endpoints;
  // Bits 0 to 3: IN endpoints 1 to 4; bits 4 to 7: OUT endpoints 1 to 4.
  for (uint8_t bit = 0; bit < 4; ++bit) {
    const uint8_t number = static_cast<uint8_t>(bit + 1);
    if (choice & (1u << bit)) endpoints.push_back({static_cast<uint8_t>(0x80 | number), 64});
    if (choice & (0x10u << bit)) endpoints.push_back({number, 64});
  }
  return endpoints;
}

void CheckChoice(std::optional<EndpointNumbers> named, const std::vector<BulkEndpoint>& endpoints) {
  auto chosen = ChooseHotSyncEndpoints(named, endpoints);
  if (!chosen) return;
  bool inFound = false;
  bool outFound = false;
  for (const BulkEndpoint& endpoint : endpoints) {
    inFound = inFound || (endpoint.IsIn() && endpoint.address == chosen->in);
    outFound = outFound || (!endpoint.IsIn() && endpoint.address == chosen->out);
  }
  if (!inFound || !outFound) abort();
}

template <typename Info>
void CheckInfo(std::span<const uint8_t> bytes, const std::vector<BulkEndpoint>& endpoints) {
  auto info = Info::Decode(bytes);
  if (!info) return;
  auto again = Info::Decode(info->Encode());
  if (!again || again->ports.size() != info->ports.size()) abort();
  if (again->HotSyncEndpoints() != info->HotSyncEndpoints()) abort();
  CheckChoice(info->HotSyncEndpoints(), endpoints);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::vector<BulkEndpoint> endpoints = EndpointsOf(data[0]);
  const std::span<const uint8_t> bytes(data + 1, size - 1);
  CheckInfo<ConnectionInfo>(bytes, endpoints);
  CheckInfo<ExtendedConnectionInfo>(bytes, endpoints);
  return 0;
}
