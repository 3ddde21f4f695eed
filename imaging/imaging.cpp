// Starting ImageMagick with bounded resources and decoding picture bytes
// through the decoders of the picture route only.
#include "imaging.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

#include "eps_render.h"

namespace imaging {
namespace {

constexpr Magick::MagickSizeType kMiB = Magick::MagickSizeType{1} << 20;

// The sizes a picture may claim in its header, checked before any decoding.
// No side over 16,000 pixels. A picture the decoder holds whole (every
// format but baseline JPEG; a progressive JPEG keeps all its coefficients)
// at most 12.6 megapixels (4096 x 3072, a 12-megapixel camera's photo): the
// library keeps 8 to 10 bytes a pixel and its PNG decoder as much again for
// a grey picture, which fits the memory allowed below; a progressive JPEG's
// coefficients of up to four full-size components take 96 MiB. A baseline
// JPEG decodes at 1/8 of its size or more, a band of rows at a time, so it
// may claim 134 megapixels (2^27, a 13,400 x 10,000 photo), which decode to
// at most 2.1 megapixels.
constexpr size_t kMaxSide = 16000;
constexpr size_t kMaxWholeArea = size_t{12} << 20;
constexpr size_t kMaxBaselineJpegArea = size_t{1} << 27;

// What the library may hold, so that memory stays bounded even when a
// decoder needs more than the header let the check above foresee: 256 MiB
// of pixels and buffers in memory, nothing in memory-mapped or disk files
// (a picture that does not fit fails instead of spilling to disk), and no
// single request (the JPEG decoder's working memory included) over 160 MiB.
constexpr Magick::MagickSizeType kMemoryLimit = 256 * kMiB;
constexpr const char* kMaxMemoryRequestPolicy =
    "<policymap><policy domain=\"system\" name=\"max-memory-request\" value=\"160MiB\"/>"
    "</policymap>";

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

using ScopedExceptionInfo =
    std::unique_ptr<MagickCore::ExceptionInfo, decltype(&MagickCore::DestroyExceptionInfo)>;

ScopedExceptionInfo NewExceptionInfo() {
  return ScopedExceptionInfo(MagickCore::AcquireExceptionInfo(), &MagickCore::DestroyExceptionInfo);
}

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
  const ScopedExceptionInfo exception = NewExceptionInfo();
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

std::string Megapixels(size_t pixels) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(pixels) / 1e6);
  return text;
}

// Why a picture whose header claims `width` x `height` is not decoded;
// empty when it may be.
std::string SizeRefusal(size_t width, size_t height, bool decodedWhole) {
  const std::string claim =
      "the picture claims " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width > kMaxSide || height > kMaxSide) {
    return claim + ", more than the " + std::to_string(kMaxSide) + " a side the conduit converts";
  }
  const size_t limit = decodedWhole ? kMaxWholeArea : kMaxBaselineJpegArea;
  if (width * height > limit) {
    return claim + " (" + Megapixels(width * height) + " megapixels), more than the " +
           Megapixels(limit) + " megapixels the conduit converts" +
           (decodedWhole ? " in this format" : "");
  }
  return {};
}

// Reads only the header of the picture and says why it is too large to
// decode; empty when it may be decoded.
std::string CheckClaimedSize(const Magick::Blob& blob, std::string_view decoder) {
  try {
    Magick::Image header;
    header.quiet(true);
    header.subRange(1);
    header.magick(std::string(decoder));
    header.ping(blob);
    const bool decodedWhole =
        decoder != "JPEG" || header.interlaceType() == MagickCore::JPEGInterlace;
    return SizeRefusal(header.columns(), header.rows(), decodedWhole);
  } catch (const Magick::ErrorResourceLimit& error) {
    return "the picture is larger than the conduit converts (" + PlainReason(error) + ")";
  } catch (const Magick::Exception& error) {
    return "the picture's header could not be read (" + PlainReason(error) + ")";
  }
}

platform::Result<Magick::Image> Decode(std::span<const uint8_t> bytes, std::string_view decoder,
                                       int sizeHint) {
  const Magick::Blob blob(bytes.data(), bytes.size());
  if (std::string refusal = CheckClaimedSize(blob, decoder); !refusal.empty()) {
    return platform::Failure{std::move(refusal)};
  }
  try {
    Magick::Image image;
    image.quiet(true);  // warnings do not stop a picture that decoded
    image.subRange(1);  // the first page of a multi-page file
    image.magick(std::string(decoder));
    if (decoder == "JPEG") {
      const std::string hint = std::to_string(sizeHint) + "x" + std::to_string(sizeHint);
      image.defineValue("jpeg", "size", hint);
    }
    image.read(blob);
    if (image.columns() == 0 || image.rows() == 0) {
      return platform::Failure{"the picture has no pixels"};
    }
    image.autoOrient();
    return image;
  } catch (const Magick::ErrorResourceLimit& error) {
    return platform::Failure{"the picture needs more memory than the conduit allows (" +
                             PlainReason(error) + ")"};
  } catch (const Magick::Exception& error) {
    return platform::Failure{"the picture could not be decoded (" + PlainReason(error) + ")"};
  }
}

}  // namespace

std::string PlainReason(const Magick::Exception& error) {
  std::string_view text = error.what();
  const std::string_view client = MagickCore::GetClientName();
  if (text.substr(0, client.size()) == client && text.substr(client.size(), 2) == ": ") {
    text.remove_prefix(client.size() + 2);
  }
  return std::string(text.substr(0, text.find(" `")));
}

void InitialiseImaging(WarningSink warn) {
  // The one flag shared by the picture conversion and the received bitmaps.
  static bool initialised = false;
  if (initialised) return;
  Magick::InitializeMagick(nullptr);
  // The conduit runs on the HotSync Manager's thread and starts no threads.
  Magick::ResourceLimits::thread(1);
  Magick::ResourceLimits::memory(kMemoryLimit);
  Magick::ResourceLimits::map(0);
  Magick::ResourceLimits::disk(0);
  Magick::ResourceLimits::width(kMaxSide);
  Magick::ResourceLimits::height(kMaxSide);
  // This library version counts a picture's "area" in bytes of its pixel
  // store and sends a larger store to disk, which is closed: the area is
  // bounded by the memory allowed.
  Magick::ResourceLimits::area(kMemoryLimit);
  const ScopedExceptionInfo exception = NewExceptionInfo();
  // Should the library refuse the policy, the checks of the claimed size
  // still bound what the decoders hold; the warning says the cap is missing.
  if ((MagickCore::SetMagickSecurityPolicy(kMaxMemoryRequestPolicy, exception.get()) ==
           MagickCore::MagickFalse ||
       exception->severity != MagickCore::UndefinedException) &&
      warn != nullptr) {
    const char* reason = exception->reason != nullptr ? exception->reason : "refused";
    warn((std::string("Pictures are converted without the imaging library's cap on one "
                      "memory request: ") +
          reason)
             .c_str());
  }
  // The library's time limit is left unset: it counts from the first
  // picture the process ever decoded and ends the whole process when it
  // runs out, which would take the HotSync Manager down with it. The limits
  // above bound the work a single picture can make.
  initialised = true;
}

platform::Result<Magick::Image> DecodePicture(std::span<const uint8_t> bytes,
                                              std::string_view extension, int sizeHint) {
  InitialiseImaging();
  std::string decoder = SignatureFormat(bytes);
  if (decoder.empty()) decoder = DecoderOfExtension(extension);
  if (IsPostScript(decoder)) {
    platform::Result<std::vector<uint8_t>> raster = RenderEps(bytes, sizeHint);
    if (!raster) return platform::Failure{raster.Reason()};
    return Decode(raster.Value(), "PNG", sizeHint);
  }
  if (!Allowed(decoder)) {
    return platform::Failure{decoder.empty() ? "its picture format is not known"
                                             : "its picture format (" + decoder +
                                                   ") is not one the conduit reads"};
  }
  return Decode(bytes, decoder, sizeHint);
}

std::string LibraryVersion() {
  size_t ignored = 0;
  std::string version = MagickCore::GetMagickVersion(&ignored);
  version.append(" ").append(MagickCore::GetMagickDelegates());
  return version;
}

}  // namespace imaging
