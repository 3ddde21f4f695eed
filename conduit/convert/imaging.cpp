// Starting ImageMagick with bounded resources and decoding picture bytes
// through the decoders of the picture route only.
#include "convert/imaging.h"

#include <algorithm>
#include <array>
#include <memory>

#include "convert/eps_render.h"

namespace conduit::imaging {
namespace {

constexpr Magick::MagickSizeType kMiB = Magick::MagickSizeType{1} << 20;
// A 16,384-pixel side and 64 megapixels take every camera photo of today;
// a file that claims more is refused when its header is read.
constexpr Magick::MagickSizeType kMaxSide = 16384;
constexpr Magick::MagickSizeType kMaxArea = 64 * kMiB;

// The decoders the conduit lets run: the raster formats of the picture
// route, and GIF and WebP, which PC users often save under another name.
constexpr std::array<std::string_view, 22> kAllowedDecoders = {
    "BMP", "BMP2", "BMP3", "DIB", "JPEG", "PNG",  "PSD", "TIFF", "TIFF64", "ICO", "CUR",
    "PCX", "DCX",  "DCM",  "WMF", "TGA",  "JBIG", "SUN", "WPG",  "PICT",   "GIF", "WEBP"};

// The signatures the library knows for PostScript; such bytes go to
// Ghostscript, never to the library.
constexpr std::array<std::string_view, 5> kPostScriptSignatures = {"PS", "EPS", "EPSF", "EPT",
                                                                   "EPI"};

struct ExtensionDecoder {
  std::string_view extension;
  std::string_view decoder;
};

// The decoder of each extension of the picture route whose bytes may carry
// no signature; extensions without a decoder here cannot be read.
constexpr ExtensionDecoder kExtensionDecoders[] = {
    {"BMP", "BMP"},   {"JPG", "JPEG"}, {"PSD", "PSD"}, {"PNG", "PNG"},  {"TIF", "TIFF"},
    {"TIFF", "TIFF"}, {"CUR", "CUR"},  {"ICO", "ICO"}, {"PCX", "PCX"},  {"DCX", "DCX"},
    {"DIC", "DCM"},   {"WMF", "WMF"},  {"TGA", "TGA"}, {"JBG", "JBIG"}, {"RAS", "SUN"},
    {"WPG", "WPG"},   {"PCT", "PICT"}, {"EPS", "EPS"}};

bool Allowed(std::string_view decoder) {
  return std::find(kAllowedDecoders.begin(), kAllowedDecoders.end(), decoder) !=
         kAllowedDecoders.end();
}

bool IsPostScript(std::string_view decoder) {
  return std::find(kPostScriptSignatures.begin(), kPostScriptSignatures.end(), decoder) !=
         kPostScriptSignatures.end();
}

// The format the bytes' signature names; empty when the library knows none.
std::string SignatureFormat(std::span<const uint8_t> bytes) {
  std::unique_ptr<MagickCore::ExceptionInfo, decltype(&MagickCore::DestroyExceptionInfo)> exception(
      MagickCore::AcquireExceptionInfo(), &MagickCore::DestroyExceptionInfo);
  const MagickCore::MagicInfo* magic =
      MagickCore::GetMagicInfo(bytes.data(), bytes.size(), exception.get());
  if (magic == nullptr) return {};
  const char* name = MagickCore::GetMagicName(magic);
  return name == nullptr ? std::string() : std::string(name);
}

std::string_view DecoderOfExtension(std::string_view extension) {
  for (const ExtensionDecoder& row : kExtensionDecoders) {
    if (row.extension == extension) return row.decoder;
  }
  return {};
}

std::optional<Magick::Image> Decode(std::span<const uint8_t> bytes, std::string_view decoder,
                                    int sizeHint, std::string& why) {
  try {
    Magick::Image image;
    image.quiet(true);  // warnings do not stop a picture that decoded
    image.subRange(1);  // the first page of a multi-page file
    image.magick(std::string(decoder));
    if (decoder == "JPEG") {
      const std::string hint = std::to_string(sizeHint) + "x" + std::to_string(sizeHint);
      image.defineValue("jpeg", "size", hint);
    }
    image.read(Magick::Blob(bytes.data(), bytes.size()));
    if (image.columns() == 0 || image.rows() == 0) {
      why = "the picture has no pixels";
      return std::nullopt;
    }
    image.autoOrient();
    return image;
  } catch (const Magick::Exception& error) {
    why = std::string("the picture could not be decoded (") + error.what() + ")";
    return std::nullopt;
  }
}

}  // namespace

void InitialiseImaging() {
  // The one flag shared by the picture conversion and the received bitmaps.
  static bool initialised = false;
  if (initialised) return;
  Magick::InitializeMagick(nullptr);
  // The conduit runs on the HotSync Manager's thread and starts no threads.
  Magick::ResourceLimits::thread(1);
  Magick::ResourceLimits::memory(256 * kMiB);
  Magick::ResourceLimits::map(512 * kMiB);
  Magick::ResourceLimits::disk(1024 * kMiB);
  Magick::ResourceLimits::width(kMaxSide);
  Magick::ResourceLimits::height(kMaxSide);
  Magick::ResourceLimits::area(kMaxArea);
  // The library's time limit is left unset: it counts from the first
  // picture the process ever decoded and ends the whole process when it
  // runs out, which would take the HotSync Manager down with it. The limits
  // above bound the work a single picture can make.
  initialised = true;
}

std::optional<Magick::Image> DecodePicture(std::span<const uint8_t> bytes,
                                           std::string_view extension, int sizeHint,
                                           std::string& why) {
  InitialiseImaging();
  std::string decoder = SignatureFormat(bytes);
  if (decoder.empty()) decoder = DecoderOfExtension(extension);
  if (IsPostScript(decoder)) {
    std::optional<std::vector<uint8_t>> raster = RenderEps(bytes, sizeHint, why);
    if (!raster) return std::nullopt;
    return Decode(*raster, "PNG", sizeHint, why);
  }
  if (!Allowed(decoder)) {
    why = decoder.empty() ? "its picture format is not known"
                          : "its picture format (" + decoder + ") is not one the conduit reads";
    return std::nullopt;
  }
  return Decode(bytes, decoder, sizeHint, why);
}

}  // namespace conduit::imaging
