// Looking through sysfs for the visor driver's ttys.
#include "link/usb/visor_tty.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace platform::link::usb {
namespace {

namespace fs = std::filesystem;

bool BoundToVisor(const fs::path& tty) {
  std::error_code error;
  const fs::path driver = fs::read_symlink(tty / "device" / "driver", error);
  return !error && driver.filename() == "visor";
}

// ttyUSB2 before ttyUSB10: the number counts, not the text.
bool ByNumber(const std::string& a, const std::string& b) {
  const auto split = [](const std::string& name) {
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    return std::make_pair(name.substr(0, digits), name.size() - digits);
  };
  const auto [stemA, widthA] = split(a);
  const auto [stemB, widthB] = split(b);
  if (stemA != stemB) return stemA < stemB;
  if (widthA != widthB) return widthA < widthB;
  return a < b;
}

}  // namespace

std::vector<std::string> FindVisorTtys(const std::string& sysRoot) {
  std::vector<std::string> ttys;
  std::error_code error;
  for (fs::directory_iterator entry(fs::path(sysRoot) / "class" / "tty", error), end;
       !error && entry != end; entry.increment(error)) {
    if (BoundToVisor(entry->path())) ttys.push_back(entry->path().filename().string());
  }
  std::sort(ttys.begin(), ttys.end(), ByNumber);
  return ttys;
}

std::optional<std::string> HotSyncTty(const std::vector<std::string>& ttys) {
  if (ttys.empty()) return std::nullopt;
  return ttys.size() >= 2 ? ttys[1] : ttys[0];
}

}  // namespace platform::link::usb
