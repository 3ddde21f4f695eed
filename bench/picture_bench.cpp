// Driver of bench/picture_bench.sh: makes the benchmark's pictures, times
// ConvertImage on them in this process, and shows a converted picture as a
// PNG with or without error diffusion, so the two can be compared by eye.
//
//   picture_bench make OUT WIDTH HEIGHT     a photo-like picture (fixed seed)
//   picture_bench time FILE IMAGE_MODE RUNS  first run and best of the rest, ms
//   picture_bench peak FILE IMAGE_MODE       one run: ms and the process's peak
//                                            resident memory, KiB
//   picture_bench show FILE OUT.png [--no-dither]  the 4-grey bitmap as a PNG
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "handheld_bitmap.h"  // records/
#include "imaging.h"          // imaging/
#include "picture_canvas.h"   // imaging/
#include "picture_reduction.h"  // imaging/

namespace {

using Clock = std::chrono::steady_clock;

int Make(const std::string& out, size_t width, size_t height) {
  imaging::InitialiseImaging();
  Magick::SetRandomSeed(7);
  Magick::Image picture(Magick::Geometry(width, height), Magick::Color("black"));
  picture.read("plasma:fractal");
  picture.quality(90);
  picture.write(out);
  return 0;
}

double MillisecondsOf(const std::string& path, uint8_t imageMode) {
  const Clock::time_point start = Clock::now();
  const conduit::ConversionResult result = conduit::ConvertImageAtMode(path, imageMode);
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  if (result.status != conduit::kConvOk)
    std::fprintf(stderr, "failed: %s\n", result.failure.c_str());
  return ms;
}

int Time(const std::string& path, uint8_t imageMode, int runs) {
  const double first = MillisecondsOf(path, imageMode);
  std::vector<double> rest;
  for (int i = 1; i < runs; ++i) rest.push_back(MillisecondsOf(path, imageMode));
  const double best = rest.empty() ? first : *std::min_element(rest.begin(), rest.end());
  std::printf("%.1f %.1f\n", first, best);
  return 0;
}

int Peak(const std::string& path, uint8_t imageMode) {
  const double ms = MillisecondsOf(path, imageMode);
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("%.1f %ld\n", ms, usage.ru_maxrss);
  return 0;
}

int Show(const std::string& path, const std::string& out, bool dither) {
  std::vector<uint8_t> bytes;
  if (FILE* file = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(file);
  }
  const std::string extension = path.substr(path.rfind('.') + 1);
  auto picture =
      imaging::DecodePicture(bytes, extension == "png" ? "PNG" : "JPG", records::bitmap::kSide);
  if (!picture) {
    std::fprintf(stderr, "%s\n", picture.Reason().c_str());
    return 1;
  }
  Magick::Image canvas = imaging::PlaceOnCanvas(picture.Value());
  const std::vector<uint8_t> values = imaging::ReduceToGreys(
      imaging::CanvasBytes(canvas), records::bitmap::kTwoBit,
      dither ? imaging::Dithering::kErrorDiffusion : imaging::Dithering::kNone);
  const auto content = records::bitmap::EncodeBitmap(records::bitmap::kTwoBit, values);
  const auto colours = records::bitmap::DecodeBitmap(content, records::bitmap::kTwoBit);
  std::vector<uint8_t> rgb;
  for (const auto& colour : *colours)
    rgb.insert(rgb.end(), {colour.red, colour.green, colour.blue});
  Magick::Image shown;
  shown.read(records::bitmap::kSide, records::bitmap::kSide, "RGB", Magick::CharPixel, rgb.data());
  shown.write(out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 4 && words[0] == "make") {
    return Make(words[1], std::stoul(words[2]), std::stoul(words[3]));
  }
  if (words.size() == 4 && words[0] == "time") {
    return Time(words[1], static_cast<uint8_t>(std::stoi(words[2])), std::stoi(words[3]));
  }
  if (words.size() == 3 && words[0] == "peak") {
    return Peak(words[1], static_cast<uint8_t>(std::stoi(words[2])));
  }
  if ((words.size() == 3 || words.size() == 4) && words[0] == "show") {
    return Show(words[1], words[2], words.size() == 3);
  }
  std::fprintf(stderr, "usage: picture_bench make|time|peak|show ...\n");
  return 2;
}
