// The requests a USB handheld waits for before its HotSync, and the choice
// of its endpoints.
#include "link/usb/handheld_setup.h"

#include <string>

namespace platform::link::usb {
namespace {

// The standard requests the earliest Sony handhelds wait for.
constexpr uint8_t kGetConfiguration = 0x08;
constexpr uint8_t kGetInterface = 0x0A;
// The packet size of the handhelds' own bulk endpoints.
constexpr uint16_t kHandheldPacketSize = 64;

// A request's reply; none when the handheld refused it or the transfer
// failed short of the device going away.
Result<std::optional<std::vector<uint8_t>>> Ask(UsbDevice& device, const ControlRequest& request,
                                                std::chrono::milliseconds timeout) {
  Result<std::vector<uint8_t>> reply = device.ControlIn(request, timeout);
  if (reply) return std::optional(std::move(*reply));
  if (reply.Code() == kUsbDeviceGone) return reply.Error();
  return std::optional<std::vector<uint8_t>>();
}

// The HotSync endpoints an information reply of type `Info` names.
template <typename Info>
Result<std::optional<EndpointNumbers>> AskInfo(UsbDevice& device, uint8_t request, uint16_t length,
                                               std::chrono::milliseconds timeout) {
  auto reply = Ask(device, ControlRequest{kVendorInToEndpoint, request, 0, 0, length}, timeout);
  if (!reply) return reply.Error();
  if (!*reply) return std::optional<EndpointNumbers>();
  Result<Info> info = Info::Decode(**reply);
  if (!info) return info.Error();
  return info->HotSyncEndpoints();
}

Result<std::optional<EndpointNumbers>> AskExtended(UsbDevice& device,
                                                   std::chrono::milliseconds timeout) {
  return AskInfo<ExtendedConnectionInfo>(device, kRequestExtendedConnectionInfo,
                                         kExtendedConnectionInfoRequestSize, timeout);
}

Result<std::optional<EndpointNumbers>> AskPlain(UsbDevice& device,
                                                std::chrono::milliseconds timeout) {
  return AskInfo<ConnectionInfo>(device, kRequestConnectionInfo, kConnectionInfoRequestSize,
                                 timeout);
}

// Asks a request whose answer does not matter, only that it was asked.
Result<void> Nudge(UsbDevice& device, const ControlRequest& request,
                   std::chrono::milliseconds timeout) {
  auto reply = Ask(device, request, timeout);
  if (!reply) return reply.Error();
  return {};
}

// The endpoint numbers the handheld names, by its model's set-up.
Result<std::optional<EndpointNumbers>> AskEndpoints(UsbDevice& device, Setup setup,
                                                    std::chrono::milliseconds timeout) {
  switch (setup) {
    case Setup::kNone:
      return std::optional<EndpointNumbers>();
    case Setup::kExtendedInfo: {
      auto named = AskExtended(device, timeout);
      if (!named || *named) return named;
      return AskPlain(device, timeout);
    }
    case Setup::kConnectionInfo:
      return AskPlain(device, timeout);
    case Setup::kStandardProbe: {
      for (const uint8_t request : {kGetConfiguration, kGetInterface}) {
        const ControlRequest probe{kStandardInToDevice, request, 0, 0, 1};
        if (Result<void> asked = Nudge(device, probe, timeout); !asked) return asked.Error();
      }
      return std::optional<EndpointNumbers>();
    }
    case Setup::kExtendedThrice: {
      auto named = AskExtended(device, timeout);
      for (int again = 0; again < 2 && named; ++again) {
        if (auto repeated = AskExtended(device, timeout); !repeated) return repeated;
      }
      return named;
    }
  }
  return std::optional<EndpointNumbers>();
}

const BulkEndpoint* FindEndpoint(std::span<const BulkEndpoint> endpoints, bool in,
                                 std::optional<uint8_t> number, bool handheldPackets) {
  for (const BulkEndpoint& endpoint : endpoints) {
    if (endpoint.IsIn() != in) continue;
    if (number && endpoint.Number() != *number) continue;
    if (handheldPackets && endpoint.maxPacketSize != kHandheldPacketSize) continue;
    return &endpoint;
  }
  return nullptr;
}

}  // namespace

Result<HotSyncEndpoints> ChooseHotSyncEndpoints(std::optional<EndpointNumbers> named,
                                                std::span<const BulkEndpoint> endpoints) {
  if (named) {
    const BulkEndpoint* in = FindEndpoint(endpoints, true, named->in, false);
    const BulkEndpoint* out = FindEndpoint(endpoints, false, named->out, false);
    if (in && out) return HotSyncEndpoints{in->address, out->address};
  }
  for (const bool handheldPackets : {true, false}) {
    const BulkEndpoint* in = FindEndpoint(endpoints, true, std::nullopt, handheldPackets);
    const BulkEndpoint* out = FindEndpoint(endpoints, false, std::nullopt, handheldPackets);
    if (in && out) return HotSyncEndpoints{in->address, out->address};
  }
  return Failure{"the handheld offers no pair of bulk endpoints to HotSync on"};
}

Result<HotSyncEndpoints> SetUpHandheld(UsbDevice& device, const HandheldModel& model,
                                       std::chrono::milliseconds timeout) {
  Result<std::optional<EndpointNumbers>> named = AskEndpoints(device, model.setup, timeout);
  if (!named) return named.Error();
  const bool asksBytesAvailable =
      model.setup != Setup::kNone && model.setup != Setup::kExtendedThrice;
  if (asksBytesAvailable) {
    // The handheld's answer means nothing; most wait for the question
    // before they talk.
    const ControlRequest bytesAvailable{kVendorInToEndpoint, kRequestBytesAvailable, 0, 0, 2};
    if (Result<void> asked = Nudge(device, bytesAvailable, timeout); !asked) return asked.Error();
  }
  return ChooseHotSyncEndpoints(*named, device.BulkEndpoints());
}

}  // namespace platform::link::usb
