// Finding the visor driver's ttys in a sysfs tree made for the test.
#include "link/usb/visor_tty.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace platform::link::usb;

// sys/class/tty/<name>/device/driver -> ../../bus/usb-serial/drivers/<driver>
void AddTty(const vlmtest::TempFolder& sys, const std::string& name, const std::string& driver) {
  const fs::path device = fs::path(sys.Path()) / "class" / "tty" / name / "device";
  fs::create_directories(device);
  fs::create_symlink("../../../bus/usb-serial/drivers/" + driver, device / "driver");
}

TEST(VisorTty, FindsTheVisorDriversTtysInNumberOrder) {
  vlmtest::TempFolder sys;
  AddTty(sys, "ttyS0", "serial8250");
  AddTty(sys, "ttyUSB10", "visor");
  AddTty(sys, "ttyUSB2", "visor");
  AddTty(sys, "ttyUSB0", "ftdi_sio");
  fs::create_directories(fs::path(sys.Path()) / "class" / "tty" / "tty1");  // no device
  EXPECT_EQ(FindVisorTtys(sys.Path()), (std::vector<std::string>{"ttyUSB2", "ttyUSB10"}));
  EXPECT_TRUE(FindVisorTtys(sys.PathOf("missing")).empty());
}

TEST(VisorTty, TheHotSyncRunsOnTheSecondOfAPair) {
  EXPECT_EQ(HotSyncTty({}), std::nullopt);
  EXPECT_EQ(HotSyncTty({"ttyUSB0"}), "ttyUSB0");
  EXPECT_EQ(HotSyncTty({"ttyUSB0", "ttyUSB1"}), "ttyUSB1");
}

}  // namespace
