// What is asked of a USB handheld when it appears, and the endpoints its
// HotSync then runs on.
#pragma once

#include <chrono>
#include <optional>
#include <span>

#include "link/usb/connection_info.h"
#include "link/usb/handheld_models.h"
#include "link/usb/usb_device.h"

namespace platform::link::usb {

// The endpoint addresses (with direction) the HotSync reads and writes.
struct HotSyncEndpoints {
  uint8_t in = 0;
  uint8_t out = 0;

  bool operator==(const HotSyncEndpoints&) const = default;
};

// The bulk endpoints that carry the HotSync: those the handheld named
// where both exist, otherwise the first IN and OUT bulk endpoints of 64-byte
// packets (the handhelds' own), otherwise of any size. Fails when the
// interface has no bulk endpoint in one of the directions.
Result<HotSyncEndpoints> ChooseHotSyncEndpoints(std::optional<EndpointNumbers> named,
                                                std::span<const BulkEndpoint> endpoints);

// Asks `device` what its model wants asked (handheld_models.h) and
// chooses its HotSync endpoints. A request the handheld refuses is passed
// over; a reply that is short or damaged, or a handheld that went away,
// fails the set-up.
Result<HotSyncEndpoints> SetUpHandheld(UsbDevice& device, const HandheldModel& model,
                                       std::chrono::milliseconds timeout);

}  // namespace platform::link::usb
