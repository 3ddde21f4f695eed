// The libusb implementation of UsbDevice.
#include "link/usb/libusb_device.h"

#include <libusb.h>

#include <cstdio>
#include <string>

namespace platform::link::usb {
namespace {

// The handhelds run their HotSync on the first interface.
constexpr int kHotSyncInterface = 0;

Failure UsbFailure(const std::string& what, int error) {
  Failure failure{what + ": " + libusb_strerror(error)};
  if (error == LIBUSB_ERROR_NO_DEVICE) failure.code = kUsbDeviceGone;
  if (error == LIBUSB_ERROR_PIPE) failure.code = kUsbRequestRefused;
  return failure;
}

unsigned int Milliseconds(std::chrono::milliseconds timeout) {
  return timeout.count() <= 0 ? 1u : static_cast<unsigned int>(timeout.count());
}

std::string IdsOf(const HandheldModel& model) {
  char ids[16];
  std::snprintf(ids, sizeof ids, "%04x:%04x", model.vendor, model.product);
  return ids;
}

// The bulk endpoints of the HotSync interface's first setting.
std::vector<BulkEndpoint> ReadBulkEndpoints(libusb_device* device) {
  std::vector<BulkEndpoint> endpoints;
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0) return endpoints;
  if (config->bNumInterfaces > kHotSyncInterface &&
      config->interface[kHotSyncInterface].num_altsetting > 0) {
    const libusb_interface_descriptor& setting = config->interface[kHotSyncInterface].altsetting[0];
    for (uint8_t i = 0; i < setting.bNumEndpoints; ++i) {
      const libusb_endpoint_descriptor& endpoint = setting.endpoint[i];
      if ((endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK) {
        continue;
      }
      endpoints.push_back(BulkEndpoint{endpoint.bEndpointAddress, endpoint.wMaxPacketSize});
    }
  }
  libusb_free_config_descriptor(config);
  return endpoints;
}

class LibusbDevice final : public UsbDevice {
 public:
  LibusbDevice(std::shared_ptr<UsbContext> context, libusb_device_handle* handle,
               std::vector<BulkEndpoint> endpoints)
      : m_context(std::move(context)), m_handle(handle), m_endpoints(std::move(endpoints)) {}
  ~LibusbDevice() override {
    libusb_release_interface(m_handle, kHotSyncInterface);
    libusb_close(m_handle);
  }
  LibusbDevice(const LibusbDevice&) = delete;
  LibusbDevice& operator=(const LibusbDevice&) = delete;

  Result<std::vector<uint8_t>> ControlIn(const ControlRequest& request,
                                         std::chrono::milliseconds timeout) override {
    std::vector<uint8_t> reply(request.length);
    const int got =
        libusb_control_transfer(m_handle, request.requestType, request.request, request.value,
                                request.index, reply.data(), request.length, Milliseconds(timeout));
    if (got < 0) return UsbFailure("the handheld did not answer a request", got);
    reply.resize(static_cast<size_t>(got));
    return reply;
  }

  Result<size_t> BulkIn(uint8_t endpoint, std::span<uint8_t> into,
                        std::chrono::milliseconds timeout) override {
    int got = 0;
    const int status =
        libusb_bulk_transfer(m_handle, endpoint, into.data(), static_cast<int>(into.size()), &got,
                             Milliseconds(timeout));
    if (status == 0 || status == LIBUSB_ERROR_TIMEOUT) return static_cast<size_t>(got);
    if (status == LIBUSB_ERROR_PIPE) {
      // A stalled endpoint is cleared and read again.
      libusb_clear_halt(m_handle, endpoint);
      return size_t{0};
    }
    return UsbFailure("reading from the handheld failed", status);
  }

  Result<void> BulkOut(uint8_t endpoint, std::span<const uint8_t> bytes,
                       std::chrono::milliseconds timeout) override {
    int sent = 0;
    // libusb takes a non-const buffer for both directions; an OUT transfer
    // only reads it.
    const int status =
        libusb_bulk_transfer(m_handle, endpoint, const_cast<uint8_t*>(bytes.data()),
                             static_cast<int>(bytes.size()), &sent, Milliseconds(timeout));
    if (status == LIBUSB_ERROR_TIMEOUT) {
      return Failure{"the handheld did not take what was sent in time"};
    }
    if (status != 0) return UsbFailure("writing to the handheld failed", status);
    return {};
  }

  std::vector<BulkEndpoint> BulkEndpoints() const override { return m_endpoints; }

 private:
  std::shared_ptr<UsbContext> m_context;
  libusb_device_handle* m_handle;
  std::vector<BulkEndpoint> m_endpoints;
};

// Opens `device` and claims the HotSync interface; the handle.
Result<libusb_device_handle*> Claim(libusb_device* device, const HandheldModel& model) {
  libusb_device_handle* handle = nullptr;
  if (const int opened = libusb_open(device, &handle); opened != 0) {
    if (opened == LIBUSB_ERROR_ACCESS) {
      return Failure{"no permission to open the handheld (USB " + IdsOf(model) +
                     "): install the package's udev rules, then reconnect the handheld"};
    }
    return UsbFailure("cannot open the handheld (USB " + IdsOf(model) + ")", opened);
  }
  if (libusb_kernel_driver_active(handle, kHotSyncInterface) == 1) {
    libusb_close(handle);
    return Failure{
        "the visor driver holds the handheld; unload it (sudo modprobe -r visor) "
        "and keep it off (a blacklist file in /etc/modprobe.d), or HotSync through "
        "its tty",
        kUsbHeldByDriver};
  }
  if (const int claimed = libusb_claim_interface(handle, kHotSyncInterface); claimed != 0) {
    libusb_close(handle);
    if (claimed == LIBUSB_ERROR_BUSY) {
      return Failure{"another program is using the handheld (USB " + IdsOf(model) + ")"};
    }
    return UsbFailure("cannot claim the handheld (USB " + IdsOf(model) + ")", claimed);
  }
  return handle;
}

}  // namespace

Result<std::shared_ptr<UsbContext>> UsbContext::Open() {
  libusb_context* context = nullptr;
  if (const int status = libusb_init(&context); status != 0) {
    return Failure{std::string("USB cannot be used here: ") + libusb_strerror(status)};
  }
  return std::shared_ptr<UsbContext>(new UsbContext(context));
}

UsbContext::~UsbContext() {
  libusb_exit(m_context);
}

Result<std::vector<AttachedHandheld>> ListHandhelds(UsbContext& context) {
  libusb_device** devices = nullptr;
  const ssize_t count = libusb_get_device_list(context.Get(), &devices);
  if (count < 0) {
    return UsbFailure("cannot list the USB devices", static_cast<int>(count));
  }
  std::vector<AttachedHandheld> found;
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(devices[i], &descriptor) != 0) continue;
    const HandheldModel* model = FindHandheldModel(descriptor.idVendor, descriptor.idProduct);
    if (!model) continue;
    found.push_back(AttachedHandheld{libusb_get_bus_number(devices[i]),
                                     libusb_get_device_address(devices[i]), model});
  }
  libusb_free_device_list(devices, 1);
  return found;
}

Result<std::unique_ptr<UsbDevice>> OpenHandheld(std::shared_ptr<UsbContext> context,
                                                const AttachedHandheld& handheld) {
  libusb_device** devices = nullptr;
  const ssize_t count = libusb_get_device_list(context->Get(), &devices);
  if (count < 0) return UsbFailure("cannot list the USB devices", static_cast<int>(count));
  Result<std::unique_ptr<UsbDevice>> opened =
      Failure{"the handheld left the USB bus", kUsbDeviceGone};
  for (ssize_t i = 0; i < count; ++i) {
    if (libusb_get_bus_number(devices[i]) != handheld.bus ||
        libusb_get_device_address(devices[i]) != handheld.address) {
      continue;
    }
    Result<libusb_device_handle*> handle = Claim(devices[i], *handheld.model);
    if (!handle) {
      opened = handle.Error();
    } else {
      opened = std::unique_ptr<UsbDevice>(
          std::make_unique<LibusbDevice>(context, *handle, ReadBulkEndpoints(devices[i])));
    }
    break;
  }
  libusb_free_device_list(devices, 1);
  return opened;
}

}  // namespace platform::link::usb
