#include "manager/usb_port.h"

namespace hotsync {
namespace {

// Not yet able to find a USB handheld: waits without end.
class AbsentUsbPort : public HandheldPort {
 public:
  std::string Description() const override { return "USB"; }
  std::string_view Over() const override { return "USB"; }
  int Fd() const override { return -1; }
  std::unique_ptr<platform::link::DesktopLink> Accept() override { return nullptr; }
};

}  // namespace

std::unique_ptr<HandheldPort> MakeUsbPort(const LinkSettings&) {
  return std::make_unique<AbsentUsbPort>();
}

}  // namespace hotsync
