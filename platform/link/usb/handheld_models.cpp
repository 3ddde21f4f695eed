// The table of known USB handhelds.
#include "link/usb/handheld_models.h"

#include <array>

namespace platform::link::usb {
namespace {

constexpr uint16_t kSony = 0x054C;
constexpr uint16_t kSamsung = 0x04E8;
constexpr uint16_t kAlphaSmart = 0x081E;
constexpr uint16_t kHandspring = 0x082D;
constexpr uint16_t kPalm = 0x0830;
constexpr uint16_t kGarmin = 0x091E;
constexpr uint16_t kKyocera = 0x0C88;
constexpr uint16_t kTapwave = 0x12EF;
constexpr uint16_t kAceeca = 0x4766;

constexpr Framing kNet = Framing::kNetSync;

// Keep in vendor, then product order; packaging/60-vellamore-palm.rules
// lists the same devices for udev.
constexpr std::array kModels = {
    HandheldModel{kSamsung, 0x8001, "Samsung i330", kNet, Setup::kExtendedInfo},
    HandheldModel{kSony, 0x000A, "Sony NR and other Palm OS 4.1", kNet, Setup::kExtendedInfo},
    HandheldModel{kSony, 0x0038, "Sony S and other Palm OS 3.5", kNet, Setup::kStandardProbe},
    HandheldModel{kSony, 0x0066, "Sony T, SJ and other Palm OS 4.0", kNet, Setup::kExtendedInfo},
    HandheldModel{kSony, 0x0095, "Sony S360", kNet, Setup::kExtendedInfo},
    HandheldModel{kSony, 0x009A, "Sony NR70", kNet, Setup::kExtendedInfo},
    HandheldModel{kSony, 0x00DA, "Sony NX", kNet, Setup::kExtendedInfo},
    HandheldModel{kSony, 0x00E9, "Sony NZ", kNet, Setup::kExtendedInfo},
    HandheldModel{kSony, 0x0144, "Sony UX", kNet, Setup::kExtendedInfo},
    HandheldModel{kSony, 0x0169, "Sony TJ", kNet, Setup::kExtendedInfo},
    HandheldModel{kAlphaSmart, 0xDF00, "AlphaSmart Dana", kNet, Setup::kExtendedInfo},
    HandheldModel{kHandspring, 0x0100, "Handspring Visor, Treo 300", Framing::kSerial,
                  Setup::kConnectionInfo},
    HandheldModel{kHandspring, 0x0200, "Handspring Treo", kNet, Setup::kExtendedInfo},
    HandheldModel{kHandspring, 0x0300, "Handspring Treo 600", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0001, "Palm m500", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0002, "Palm m505", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0003, "Palm m515", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0010, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0011, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0020, "Palm i705", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0030, "Palm Tungsten Z", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0031, "Palm Tungsten W", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0040, "Palm m125", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0050, "Palm m130", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0051, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0052, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0053, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0060, "Palm Tungsten, Zire 71", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0061, "Palm Zire 31, 72, Z22", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0062, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0063, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0070, "Palm Zire", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0071, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0080, "Palm m100", kNet, Setup::kNone},
    HandheldModel{kPalm, 0x0099, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kPalm, 0x0100, "Palm handheld", kNet, Setup::kExtendedInfo},
    HandheldModel{kGarmin, 0x0004, "Garmin iQue 3600", kNet, Setup::kExtendedInfo},
    HandheldModel{kKyocera, 0x0021, "Kyocera 7135", kNet, Setup::kExtendedInfo},
    HandheldModel{kKyocera, 0xA226, "Kyocera 6035", kNet, Setup::kExtendedInfo},
    HandheldModel{kTapwave, 0x0100, "Tapwave Zodiac", kNet, Setup::kExtendedThrice},
    HandheldModel{kAceeca, 0x0001, "Aceeca MEZ1000", kNet, Setup::kExtendedInfo},
};

}  // namespace

std::span<const HandheldModel> KnownHandhelds() {
  return kModels;
}

const HandheldModel* FindHandheldModel(uint16_t vendor, uint16_t product) {
  for (const HandheldModel& model : kModels) {
    if (model.vendor == vendor && model.product == product) return &model;
  }
  return nullptr;
}

}  // namespace platform::link::usb
